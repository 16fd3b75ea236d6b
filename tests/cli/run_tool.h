// Runs tessary-cli in process and keeps its exit code and both streams.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace tessary::cli {

struct Result {
  int code;
  std::string out;
  std::string err;
};

inline Result RunTool(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace tessary::cli
