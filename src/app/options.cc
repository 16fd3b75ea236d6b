#include "app/options.h"

#include <charconv>

#include "platform/program_dir.h"
#include "platform/text.h"

namespace tessary::app {
namespace {

struct TextField {
  size_t offset;
  size_t size;  // length byte included
};

constexpr TextField kFontName{0, 256};
constexpr TextField kFontSize{256, 256};
constexpr TextField kFontColour{512, 256};
constexpr TextField kBold{768, 2};
constexpr TextField kItalic{770, 2};
constexpr TextField kUnderline{772, 2};
constexpr TextField kStrikeOut{774, 2};
constexpr TextField kBackgroundColour{776, 256};
constexpr TextField kFileblockName{1032, 193};
constexpr size_t kFlagsOffset = 1225;

static_assert(kFlagsOffset + kOptionFlagCount == kOptionsFileSize);

void PutText(std::string& block, TextField field, std::string_view text) {
  size_t len = text.size() < field.size - 1 ? text.size() : field.size - 1;
  block[field.offset] = static_cast<char>(len);
  block.replace(field.offset + 1, len, text.substr(0, len));
}

void PutStyle(std::string& block, TextField field, bool set) {
  PutText(block, field, set ? "y" : "n");
}

// The text of a field when `block` holds all of its bytes.
bool GetText(std::string_view block, TextField field, std::string* text) {
  if (block.size() < field.offset + field.size) return false;
  size_t len = static_cast<unsigned char>(block[field.offset]);
  if (len > field.size - 1) len = field.size - 1;
  *text = std::string(block.substr(field.offset + 1, len));
  return true;
}

void GetNumber(std::string_view block, TextField field, int32_t* value) {
  std::string text;
  if (!GetText(block, field, &text)) return;
  std::string digits = platform::Trim(text);
  int32_t parsed = 0;
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, parsed);
  if (ec == std::errc() && ptr == end && !digits.empty()) *value = parsed;
}

void GetStyle(std::string_view block, TextField field, bool* set) {
  std::string text;
  if (GetText(block, field, &text)) *set = text == "y";
}

}  // namespace

std::string EncodeOptions(const Options& options) {
  std::string block(kOptionsFileSize, '\0');
  PutText(block, kFontName, options.font_name);
  PutText(block, kFontSize, std::to_string(options.font_size));
  PutText(block, kFontColour, std::to_string(options.font_colour));
  PutStyle(block, kBold, options.bold);
  PutStyle(block, kItalic, options.italic);
  PutStyle(block, kUnderline, options.underline);
  PutStyle(block, kStrikeOut, options.strike_out);
  PutText(block, kBackgroundColour, std::to_string(options.background_colour));
  PutText(block, kFileblockName, options.fileblock_name);
  for (int i = 0; i < kOptionFlagCount; ++i) {
    block[kFlagsOffset + i] = static_cast<char>(options.flags[i]);
  }
  return block;
}

Options DecodeOptions(std::string_view block) {
  if (block.size() > kOptionsFileSize) block = block.substr(0, kOptionsFileSize);
  Options options;
  GetText(block, kFontName, &options.font_name);
  GetNumber(block, kFontSize, &options.font_size);
  GetNumber(block, kFontColour, &options.font_colour);
  GetStyle(block, kBold, &options.bold);
  GetStyle(block, kItalic, &options.italic);
  GetStyle(block, kUnderline, &options.underline);
  GetStyle(block, kStrikeOut, &options.strike_out);
  GetNumber(block, kBackgroundColour, &options.background_colour);
  std::string name;
  if (GetText(block, kFileblockName, &name) && !name.empty()) options.fileblock_name = name;
  for (int i = 0; i < kOptionFlagCount; ++i) {
    if (kFlagsOffset + i < block.size()) {
      options.flags[i] = static_cast<uint8_t>(block[kFlagsOffset + i]);
    }
  }
  return options;
}

bool ReadOptions(platform::FileSystem& fs, const std::string& program_dir, ui::Host& host,
                 Options* options) {
  std::string data;
  if (platform::ReadWholeFile(fs, platform::JoinPath(program_dir, kOptionsFileName), &data) != 0) {
    host.ShowInformation(kOptionsMissingMessage);
    *options = Options();
    return false;
  }
  *options = DecodeOptions(data);
  return true;
}

bool WriteOptions(platform::FileSystem& fs, const std::string& program_dir, ui::Host& host,
                  const Options& options) {
  int rc = platform::ReplaceFileAtomically(fs, platform::JoinPath(program_dir, kOptionsFileName),
                                           EncodeOptions(options));
  if (rc != 0) {
    host.ShowWarning(kOptionsWriteFailedMessage);
    return false;
  }
  return true;
}

}  // namespace tessary::app
