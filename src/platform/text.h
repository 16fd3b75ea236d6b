// Text filling and trimming shared by keys, row texts and output layouts.
// None of them ever shortens a text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessary::platform {

// Removes characters with codes below 33 from both ends.
std::string Trim(std::string_view text);

// Removes characters with codes below 33 from the end.
std::string_view TrimEnd(std::string_view text);

// Appends blanks until `text` is `width` characters long.
std::string Pad(std::string_view text, size_t width);

// Inserts blanks in front until `text` is `width` characters long.
std::string LeftPad(std::string_view text, size_t width);

}  // namespace tessary::platform
