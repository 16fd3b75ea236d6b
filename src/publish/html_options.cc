#include "publish/html_options.h"

#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::publish {
namespace {

constexpr size_t kDividerOffset = 0;
constexpr size_t kStampOffset = 1;
constexpr size_t kNameOffset = 2;
constexpr size_t kNameFieldSize = 1 + kHtmlFileNameCapacity;
constexpr size_t kFlagsOffset = kNameOffset + kNameFieldSize;
static_assert(kFlagsOffset + kBackgroundItems - 1 == kHtmlOptionsFileSize);

struct Background {
  std::string_view item_text;
  std::string_view image;
};

// The list shows "overcast.jgp" and "pale_lea.gif" while the page names
// overcast.jpg and pale_lea.jpg; users know the list by these texts.
constexpr Background kBackgrounds[kBackgroundItems] = {
    {"Plain - Standard Background", ""},
    {"Variable - (all gif and jpg files)", ""},
    {"Chalk - (chalk.jpg)", "chalk.jpg"},
    {"Gray  - (gray.jpg)", "gray.jpg"},
    {"Sky Blue - (sky_clou.jpg)", "sky_clou.jpg"},
    {"Pale Orange - (mainback.gif)", "mainback.gif"},
    {"Overcast - (overcast.jgp)", "overcast.jpg"},
    {"Nice Blue - (niceblue.gif)", "niceblue.gif"},
    {"Pale Leaves - (pale_lea.gif)", "pale_lea.jpg"},
    {"Parchment - (pap2.gif)", "pap2.gif"},
    {"MyOwnGif - (myowngif.gif)", "myowngif.gif"},
    {"MyOwnJpg - (myownjpg.jpg)", "myownjpg.jpg"},
};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(platform::LowerAnsi(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

int HtmlOptions::BackgroundItem() const {
  for (int item = kBackgroundItems - 1; item >= 1; --item) {
    if (background_flags[item - 1] != 0) return item;
  }
  return 0;
}

std::string_view BackgroundItemText(int item) {
  return item >= 0 && item < kBackgroundItems ? kBackgrounds[item].item_text : "";
}

std::string_view BackgroundImage(int item) {
  return item >= 2 && item < kBackgroundItems ? kBackgrounds[item].image : "";
}

std::string_view VariableBackgroundImage(char section) {
  static constexpr std::string_view kBySection[8] = {"chalk.jpg",    "gray.jpg",     "sky_clou.jpg",
                                                     "mainback.gif", "overcast.jpg", "niceblue.gif",
                                                     "pale_lea.jpg", "pap2.gif"};
  return section >= '1' && section <= '8' ? kBySection[section - '1'] : "";
}

std::string DefaultHtmlOptionsImage() {
  std::string image(kHtmlOptionsFileSize, '\0');
  EncodeHtmlOptions(HtmlOptions{}, image);
  return image;
}

std::string HtmlOptionsImage(std::string_view file) {
  std::string image = DefaultHtmlOptionsImage();
  if (file.size() > kHtmlOptionsFileSize) file = file.substr(0, kHtmlOptionsFileSize);
  // The name counts only when the file holds its whole field.
  size_t keep_default_from = file.size();
  size_t keep_default_to = file.size();
  if (file.size() > kNameOffset && file.size() < kFlagsOffset) {
    keep_default_from = kNameOffset;
    keep_default_to = kFlagsOffset;
  }
  for (size_t i = 0; i < file.size(); ++i) {
    if (i < keep_default_from || i >= keep_default_to) image[i] = file[i];
  }
  return image;
}

HtmlOptions DecodeHtmlOptions(std::string_view file) {
  std::string image = HtmlOptionsImage(file);
  HtmlOptions options;
  options.divider_style = static_cast<uint8_t>(image[kDividerOffset]);
  options.date_stamp = static_cast<uint8_t>(image[kStampOffset]);
  size_t length = static_cast<unsigned char>(image[kNameOffset]);
  if (length > kHtmlFileNameCapacity) length = kHtmlFileNameCapacity;
  options.output_file_name = image.substr(kNameOffset + 1, length);
  for (size_t i = 0; i < options.background_flags.size(); ++i) {
    options.background_flags[i] = static_cast<uint8_t>(image[kFlagsOffset + i]);
  }
  return options;
}

void EncodeHtmlOptions(const HtmlOptions& options, std::string& image) {
  image.resize(kHtmlOptionsFileSize, '\0');
  image[kDividerOffset] = static_cast<char>(options.divider_style);
  image[kStampOffset] = static_cast<char>(options.date_stamp);
  std::string_view name = options.output_file_name;
  if (name.size() > kHtmlFileNameCapacity) name = name.substr(0, kHtmlFileNameCapacity);
  image[kNameOffset] = static_cast<char>(name.size());
  image.replace(kNameOffset + 1, name.size(), name);
  for (size_t i = 0; i < options.background_flags.size(); ++i) {
    image[kFlagsOffset + i] = static_cast<char>(options.background_flags[i]);
  }
}

HtmlDialogValues HtmlDialogValuesOf(const HtmlOptions& options) {
  HtmlDialogValues values;
  values.divider_item = options.Rainbow() ? 1 : 0;
  values.stamp_item = options.DateStampOn() ? 0 : 1;
  values.background_item = options.BackgroundItem();
  std::string_view name = options.output_file_name;
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  values.file_name = std::string(name);
  return values;
}

HtmlOptions TakeHtmlOptions(const HtmlDialogValues& values) {
  HtmlOptions options;
  if (values.background_item >= 1 && values.background_item < kBackgroundItems) {
    options.background_flags[values.background_item - 1] = 1;
  }
  options.divider_style = values.divider_item == 1 ? 1 : 0;
  options.date_stamp = values.stamp_item == 0 ? 1 : 0;
  options.output_file_name = HtmlOutputFileName(values.file_name);
  return options;
}

std::string HtmlOutputFileName(std::string_view typed) {
  typed = platform::TrimEnd(typed);
  size_t slash = typed.rfind('/');
  std::string_view kept_directory =
      slash == std::string_view::npos ? std::string_view() : typed.substr(0, slash + 1);
  std::string_view name = typed.substr(kept_directory.size());

  size_t cut = name.find_last_of(":\\");
  std::string_view directory =
      cut == std::string_view::npos ? std::string_view() : name.substr(0, cut + 1);
  std::string_view base = name.substr(directory.size());
  if (directory.size() >= 1 && directory.back() == '\\' &&
      !(directory.size() >= 2 && directory[directory.size() - 2] == ':')) {
    directory.remove_suffix(1);
  }
  size_t dot = base.rfind('.');
  if (dot != std::string_view::npos) base = base.substr(0, dot);

  std::string result(kept_directory);
  result += Lower(platform::TrimEnd(directory));
  if (!result.empty() && result.size() > kept_directory.size() && result.back() != '\\' &&
      result.back() != ':') {
    result += '\\';
  }
  result += Lower(platform::TrimEnd(base));
  result += ".htm";
  return result;
}

}  // namespace tessary::publish
