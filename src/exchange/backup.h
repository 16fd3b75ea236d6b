// Backup copies of a Fileblock and their restore. Both check what they copy
// with Verify (isam/verify.h), keys included.
#pragma once

#include <ctime>
#include <string>

#include "platform/file.h"

namespace tessary::exchange {

struct CopyOutcome {
  bool ok = false;
  std::string message;  // what was done, or why nothing was
  std::string base;     // the backup's base name (BackUp), without extension
};

// Copies the Fileblock `base` (its path without extension) to
// `dir`/<name>-YYYYMMDD-HHMMSS.DAT and .IX, `now` in local time, and checks
// the copy. A Fileblock whose in-use byte is set (open in a program, or left
// so by one that stopped) is refused, naming rebuild as the way out; an
// existing backup of the same second is not replaced; a copy that does not
// check is removed.
CopyOutcome BackUp(platform::FileSystem& fs, const std::string& base, const std::string& dir,
                   std::time_t now);

// Replaces the Fileblock `base` by the copy `from` (a base name; an .DAT or
// .IX extension is ignored). The copy must check; it is copied beside `base`
// and checked again; the current files are kept as .DAT.bak and .IX.bak until
// the new pair is in place and checks, and put back when a step fails.
CopyOutcome Restore(platform::FileSystem& fs, const std::string& base, const std::string& from);

}  // namespace tessary::exchange
