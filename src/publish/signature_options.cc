#include "publish/signature_options.h"

#include <vector>

namespace tessary::publish {
namespace {

constexpr size_t kLineFieldSize = 1 + kSignatureLineCapacity;
constexpr size_t kHeaderOffset = 0;
constexpr size_t kFooterOffset = 657;
constexpr size_t kFileNameOffset = 1305;
static_assert(kHeaderOffset + kSignatureLines * kLineFieldSize == kElementAll);
static_assert(kFooterOffset + kSignatureLines * kLineFieldSize == kFileNameOffset);
static_assert(kFileNameOffset + 1 + kSignatureFileNameCapacity == kSignatureOptionsFileSize);

size_t LineOffset(size_t base, int n) { return base + static_cast<size_t>(n - 1) * kLineFieldSize; }

// The byte range [begin, end) of the text field holding `offset`, or an
// empty range for a flag.
std::pair<size_t, size_t> TextFieldAround(size_t offset) {
  if (offset < kElementAll) {
    size_t begin = offset / kLineFieldSize * kLineFieldSize;
    return {begin, begin + kLineFieldSize};
  }
  if (offset >= kFooterOffset && offset < kFileNameOffset) {
    size_t begin = kFooterOffset + (offset - kFooterOffset) / kLineFieldSize * kLineFieldSize;
    return {begin, begin + kLineFieldSize};
  }
  if (offset >= kFileNameOffset) return {kFileNameOffset, kSignatureOptionsFileSize};
  return {offset, offset};
}

std::vector<std::string> BoxLines(std::string_view box) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= box.size()) {
    size_t end = box.find('\n', start);
    if (end == std::string_view::npos) end = box.size();
    std::string_view line = box.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const SignatureOptions& options, bool header) {
  std::string box;
  for (int n = 1; n <= kSignatureLines; ++n) {
    if (n > 1) box += '\n';
    box += header ? options.HeaderLine(n) : options.FooterLine(n);
  }
  return box;
}

}  // namespace

SignatureOptions::SignatureOptions() : image_(kSignatureOptionsFileSize, '\0') {
  SetFileName(kDefaultSignatureFileName);
}

SignatureOptions SignatureOptions::FromFile(std::string_view file) {
  SignatureOptions options;
  if (file.size() > kSignatureOptionsFileSize) file = file.substr(0, kSignatureOptionsFileSize);
  auto [cut_begin, cut_end] = TextFieldAround(file.size());
  if (file.size() >= kSignatureOptionsFileSize) cut_begin = cut_end = file.size();
  for (size_t i = 0; i < file.size(); ++i) {
    if (i < cut_begin) options.image_[i] = file[i];
  }
  return options;
}

void SignatureOptions::Clear() { image_.assign(kSignatureOptionsFileSize, '\0'); }

std::string SignatureOptions::Text(size_t offset, size_t capacity) const {
  size_t length = static_cast<unsigned char>(image_[offset]);
  if (length > capacity) length = capacity;
  return image_.substr(offset + 1, length);
}

void SignatureOptions::SetText(size_t offset, size_t capacity, std::string_view text) {
  if (text.size() > capacity) text = text.substr(0, capacity);
  image_[offset] = static_cast<char>(text.size());
  image_.replace(offset + 1, text.size(), text);
}

std::string SignatureOptions::HeaderLine(int n) const {
  return Text(LineOffset(kHeaderOffset, n), kSignatureLineCapacity);
}

std::string SignatureOptions::FooterLine(int n) const {
  return Text(LineOffset(kFooterOffset, n), kSignatureLineCapacity);
}

void SignatureOptions::SetHeaderLine(int n, std::string_view text) {
  SetText(LineOffset(kHeaderOffset, n), kSignatureLineCapacity, text);
}

void SignatureOptions::SetFooterLine(int n, std::string_view text) {
  SetText(LineOffset(kFooterOffset, n), kSignatureLineCapacity, text);
}

std::string SignatureOptions::FileName() const {
  return Text(kFileNameOffset, kSignatureFileNameCapacity);
}

void SignatureOptions::SetFileName(std::string_view name) {
  SetText(kFileNameOffset, kSignatureFileNameCapacity, name);
}

SignatureDialogValues SignatureDialogValuesOf(const SignatureOptions& options) {
  SignatureDialogValues values;
  values.header_box = JoinLines(options, true);
  values.footer_box = JoinLines(options, false);
  const SignatureFlag elements[] = {kElementAll, kElementHeader, kElementFooter};
  for (int i = 0; i < 3; ++i) {
    if (options.Flag(elements[i])) values.element_item = i;
  }
  values.remove_empty_lines = options.Flag(kRemoveEmptyLines);
  values.space_after_header = options.Flag(kSpaceAfterHeader);
  values.space_before_footer = options.Flag(kSpaceBeforeFooter);
  if (options.Flag(kTargetFileClipboard) || options.Flag(kTargetThird)) values.target_item = 0;
  if (options.Flag(kTargetFileOnly)) values.target_item = 1;
  values.file_name = options.FileName();
  return values;
}

SignatureOptions TakeSignatureOptions(const SignatureDialogValues& values) {
  SignatureOptions options;
  options.Clear();
  std::vector<std::string> header = BoxLines(values.header_box);
  std::vector<std::string> footer = BoxLines(values.footer_box);
  for (int n = 1; n <= kSignatureLines; ++n) {
    if (static_cast<size_t>(n) <= header.size()) options.SetHeaderLine(n, header[n - 1]);
    if (static_cast<size_t>(n) <= footer.size()) options.SetFooterLine(n, footer[n - 1]);
  }
  const SignatureFlag elements[] = {kElementAll, kElementHeader, kElementFooter};
  if (values.element_item >= 0 && values.element_item < 3) {
    options.SetFlag(elements[values.element_item], true);
  }
  options.SetFlag(kRemoveEmptyLines, values.remove_empty_lines);
  options.SetFlag(kSpaceAfterHeader, values.space_after_header);
  options.SetFlag(kSpaceBeforeFooter, values.space_before_footer);
  if (values.target_item == 0) options.SetFlag(kTargetFileClipboard, true);
  if (values.target_item == 1) options.SetFlag(kTargetFileOnly, true);
  options.SetFileName(values.file_name);
  return options;
}

}  // namespace tessary::publish
