// Output helpers shared by the tessary-cli commands.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "database/session.h"
#include "isam/errors.h"
#include "platform/codepage.h"

namespace tessary::cli {

// Record text (Windows-1252) as UTF-8 for the terminal and JSON.
inline std::string Utf8(std::string_view ansi) { return platform::AnsiToUtf8(ansi); }

// "tessary-cli: <what>: IsamError <n> -- <text>" on its own line, then the
// system's reason and the way out when there are any.
inline void PrintIsamError(std::ostream& err, const std::string& what, int error,
                           int os_error = 0) {
  err << "tessary-cli: " << what << ": IsamError " << error << " -- " << isam::ErrorMessage(error)
      << "\n";
  std::string advice = database::FailureAdvice(error, os_error);
  if (!advice.empty()) err << "tessary-cli: " << advice << "\n";
}

// PrintIsamError with the engine's last error and the system's reason.
inline void PrintEngineError(std::ostream& err, const std::string& what,
                             const isam::Engine& engine) {
  PrintIsamError(err, what, engine.EngineError(), engine.OsError());
}

}  // namespace tessary::cli
