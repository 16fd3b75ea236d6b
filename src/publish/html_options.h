// The HTML page settings and their file "HTML_Opt.CFG" in the program's
// directory: 206 bytes of fixed fields without a header.
//
//   offset size content
//   0      1    divider style: 0 plain rule, 1 rainbow image
//   1      1    date stamp: 1 written, 0 not
//   2      193  output file name: length byte, up to 192 characters
//   195    11   background flags of list items 1 to 11 (Variable .. MyOwnJpg),
//               one byte each, 1 set, 0 clear; none set means Plain (item 0)
//
// Bytes after the name's text are undefined; they are kept as read, so a file
// read and written back unchanged stays byte for byte the same.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessary::publish {

inline constexpr size_t kHtmlOptionsFileSize = 206;
inline constexpr char kHtmlOptionsFileName[] = "HTML_Opt.CFG";
inline constexpr size_t kHtmlFileNameCapacity = 192;
// The options dialog takes at most this many characters for the name.
inline constexpr int kHtmlFileNameTyped = 190;
inline constexpr int kBackgroundItems = 12;  // Plain and the 11 flagged ones

inline constexpr char kHtmlOptionsMissingMessage[] =
    "Unable to locate file \"HTML_OPT.CFG\"; using default settings.";
inline constexpr char kHtmlOptionsWriteFailedMessage[] =
    "Unable to create file \"HTML_Opt.CFG\"; insufficient disk space is one possible cause.";

struct HtmlOptions {
  uint8_t divider_style = 0;
  uint8_t date_stamp = 1;
  std::string output_file_name = "htmlcode.htm";
  // Flags of background items 1 to 11; element 0 is item 1.
  std::array<uint8_t, kBackgroundItems - 1> background_flags{};

  bool Rainbow() const { return divider_style == 1; }
  bool DateStampOn() const { return date_stamp != 0; }
  // The highest-numbered item whose flag is set, 0 (Plain) when none is.
  int BackgroundItem() const;

  bool operator==(const HtmlOptions&) const = default;
};

// The text of background item 0 to 11 in the options dialog's list.
std::string_view BackgroundItemText(int item);

// The image that background item 2 to 11 names in the page; empty for Plain
// and Variable, whose images do not follow from the item alone.
std::string_view BackgroundImage(int item);

// The image a Variable background names for a record's section character;
// empty (no body tag) outside '1' to '8'.
std::string_view VariableBackgroundImage(char section);

// The file image of the default settings.
std::string DefaultHtmlOptionsImage();

// The settings held by a file of any length. A shorter file stands for the
// default image overlaid with the bytes it has; a field the file does not hold
// whole keeps its default. A name length above 192 is cut to 192.
HtmlOptions DecodeHtmlOptions(std::string_view file);

// The 206-byte image of `file` (of any length) as DecodeHtmlOptions reads it.
std::string HtmlOptionsImage(std::string_view file);

// Writes `options` into `image` (206 bytes), keeping the bytes after the
// name's text. The name is cut to 192 characters.
void EncodeHtmlOptions(const HtmlOptions& options, std::string& image);

// What the options dialog shows and gives back.
struct HtmlDialogValues {
  int divider_item = 0;     // 0 plain, 1 rainbow
  int stamp_item = 0;       // 0 show, 1 don't
  int background_item = 0;  // 0 to 11
  std::string file_name;
  bool operator==(const HtmlDialogValues&) const = default;
};

// The dialog's values for the live settings; the name without trailing blanks.
HtmlDialogValues HtmlDialogValuesOf(const HtmlOptions& options);

// The settings the dialog's values stand for (one background flag at most,
// the file name after HtmlOutputFileName).
HtmlOptions TakeHtmlOptions(const HtmlDialogValues& values);

// The output file name made of what the user typed: lower case, ".htm" in
// place of any extension. Names may use Windows separators ('\' and ':') and,
// on this system, '/'. The Windows part of a name (after the last '/') is
// lower-cased as a whole; its directory keeps a trailing '\' only right
// after ':'. A directory up to the last '/' is kept as typed, since directory
// names are case-sensitive here and lower-casing would aim at another one.
//   "My Page.HTML"        -> "my page.htm"
//   "C:\Web\Quote.HTML"   -> "c:\web\quote.htm"
//   "/home/Ann/Quote.html" -> "/home/Ann/quote.htm"
std::string HtmlOutputFileName(std::string_view typed);

}  // namespace tessary::publish
