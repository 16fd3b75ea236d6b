// The commands of tessary-cli, callable from tests with their own streams.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tessary::cli {

// Runs the command line `args` (without the program name); returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tessary::cli
