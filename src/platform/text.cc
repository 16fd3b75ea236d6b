#include "platform/text.h"

namespace tessary::platform {
namespace {
bool IsTrimmed(char ch) { return static_cast<unsigned char>(ch) < 33; }
}  // namespace

std::string Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string_view TrimEnd(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

std::string Pad(std::string_view text, size_t width) {
  std::string out(text);
  if (out.size() < width) out.append(width - out.size(), ' ');
  return out;
}

std::string LeftPad(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text);
  std::string out(width - text.size(), ' ');
  out.append(text);
  return out;
}

}  // namespace tessary::platform
