// The options file "Options.CFG" in the program's directory: the reading
// window's saved font and background colour, the Fileblock base name and seven
// option flags, kept as one 1232-byte block without a header.
//
//   offset size content
//   0      256  font name, length-prefixed (length byte, up to 255 characters)
//   256    256  font size in points, decimal text, length-prefixed
//   512    256  font colour, signed 32-bit value as decimal text, length-prefixed
//   768    2    bold: length byte 1, then 'y' or 'n'
//   770    2    italic, same form
//   772    2    underline, same form
//   774    2    strike-out, same form
//   776    256  background colour, signed 32-bit value as decimal text, length-prefixed
//   1032   193  Fileblock base name, length-prefixed, up to 192 characters
//   1225   1    option flag 1: seven-section naming (start value 1)
//   1226   1    option flag 2 (start value 0)
//   1227   1    option flag 3 (start value 0)
//   1228   4    option flags 4 to 7 (start value 0), kept and written back as read
//
// Bytes after a text's last character are undefined when read and written as
// zeros. Colours are Windows colour values: 0x00BBGGRR, negative values name
// system colours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "ui/host.h"

namespace tessary::app {

inline constexpr size_t kOptionsFileSize = 1232;
inline constexpr char kOptionsFileName[] = "Options.CFG";
inline constexpr int kOptionFlagCount = 7;

inline constexpr char kOptionsMissingMessage[] =
    "Unable to locate file \"OPTIONS.CGF\"; using default settings.";
inline constexpr char kOptionsWriteFailedMessage[] =
    "Unable to create file \"OPTIONS.CGF\"; insufficient disk space is one possible cause.";

// The settings of the options file. Default-constructed, it holds the start
// values that stand when no options file can be read.
struct Options {
  std::string font_name = "Times New Roman";
  int32_t font_size = 12;
  int32_t font_colour = 0x000000;  // black
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  int32_t background_colour = 0xFFFFFF;  // white
  std::string fileblock_name = "Tes_Win";
  // The flag bytes as stored; a flag counts as set when its byte is not 0.
  std::array<uint8_t, kOptionFlagCount> flags = {1, 0, 0, 0, 0, 0, 0};

  // Option flag 1: section 7 is "Potpourri" and section 8 is folded into it.
  bool SevenSectionNaming() const { return flags[0] != 0; }

  bool operator==(const Options&) const = default;
};

// The 1232-byte block of `options`. Texts longer than their fields are cut
// (font name to 255, base name to 192 characters).
std::string EncodeOptions(const Options& options);

// The options held by `block`, which may be shorter or longer than 1232 bytes.
// A short block stands for the image of the start values overlaid with the
// bytes it has, so a field counts only when the block holds all of its bytes;
// a field cut off by the end of the block keeps its start value instead of
// mixing the file's characters with the start image. Within a complete field:
// a length byte beyond the field's capacity is cut to it, a number that is not
// valid decimal text keeps its start value, a style is set only when its text
// is "y", and an empty base name keeps `Tes_Win` (an empty name names no
// Fileblock).
Options DecodeOptions(std::string_view block);

// Reads "Options.CFG" from `program_dir` into `*options` and gives true. When
// the file cannot be read, shows kOptionsMissingMessage as an information box,
// sets `*options` to the start values and gives false.
bool ReadOptions(platform::FileSystem& fs, const std::string& program_dir, ui::Host& host,
                 Options* options);

// Replaces "Options.CFG" in `program_dir` by the block of `options` (temporary
// file, sync, rename), so a failure leaves the old file whole. On failure shows
// kOptionsWriteFailedMessage as a warning box and gives false; the caller's
// settings are untouched either way.
bool WriteOptions(platform::FileSystem& fs, const std::string& program_dir, ui::Host& host,
                  const Options& options);

}  // namespace tessary::app
