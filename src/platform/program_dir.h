// Where the program's own files live: the option files sit beside the
// executable, not in the working directory.
#pragma once

#include <string>
#include <string_view>

namespace tessary::platform {

// The directory holding the running executable (from /proc/self/exe), without
// a trailing separator; "." when the link cannot be read.
std::string ProgramDirectory();

// `name` inside `directory`; an empty directory leaves `name` as it is.
std::string JoinPath(std::string_view directory, std::string_view name);

}  // namespace tessary::platform
