#include "exchange/text_layout.h"

#include <algorithm>
#include <string_view>

namespace tessary::exchange {
namespace {

constexpr size_t kWidestPage = 80;
// How much shorter than the block's width a wrapped line may end: editors
// that balance ragged lines leave up to this much room.
constexpr size_t kRaggedMargin = 12;
// The most a paragraph's other lines may be indented beyond its first line
// and still continue it (a hanging indent); more is a quotation set apart.
constexpr size_t kHangingIndent = 4;
constexpr size_t kLongestSpeaker = 24;

size_t Indent(std::string_view line) {
  size_t n = line.find_first_not_of(' ');
  return n == std::string_view::npos ? line.size() : n;
}

size_t FirstWordLength(std::string_view line) {
  line.remove_prefix(Indent(line));
  size_t end = line.find(' ');
  return end == std::string_view::npos ? line.size() : end;
}

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Letters and digits of Windows-1252, accented letters included.
bool IsAlphanumeric(unsigned char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == 0x8A || c == 0x8C || c == 0x8E ||
         c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

// A line set out as a table or a picture: columns aligned by runs of blanks,
// or more signs than letters and digits.
bool LaidOut(std::string_view line) {
  std::string_view text = line.substr(Indent(line));
  if (text.find("   ") != std::string_view::npos) return true;
  size_t visible = 0;
  size_t alphanumeric = 0;
  for (char c : text) {
    if (c == ' ') continue;
    ++visible;
    if (IsAlphanumeric(static_cast<unsigned char>(c))) ++alphanumeric;
  }
  return alphanumeric * 5 < visible * 3;
}

// "Q: ...", "Kirk: ...", "Mr. Spock: ...": a name of capitals, letters,
// dots, apostrophes, hyphens and blanks ending in a colon and a blank.
bool StartsWithSpeaker(std::string_view text) {
  if (text.empty() || text[0] < 'A' || text[0] > 'Z') return false;
  for (size_t i = 1; i < text.size() && i <= kLongestSpeaker + 1; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c == ':') return i + 1 < text.size() && text[i + 1] == ' ';
    if (!IsAlphanumeric(c) && c != '.' && c != '\'' && c != '-' && c != ' ') return false;
  }
  return false;
}

// "- ", "* ", "+ ", "-- ", "1. ", "12) ", "(a) ", "[1] ".
bool StartsWithListMark(std::string_view text) {
  for (std::string_view mark : {"- ", "* ", "+ ", "-- "}) {
    if (text.starts_with(mark)) return true;
  }
  size_t i = 0;
  if (text.starts_with('(') || text.starts_with('[')) {
    size_t close = text.find(text[0] == '(' ? ')' : ']');
    return close != std::string_view::npos && close >= 2 && close <= 4 &&
           text.substr(close + 1).starts_with(' ');
  }
  while (i < text.size() && i < 3 && text[i] >= '0' && text[i] <= '9') ++i;
  return i > 0 && (text.substr(i).starts_with(". ") || text.substr(i).starts_with(") "));
}

// The next line starts an item of its own: a speaker, a list entry, a quoted
// reply or a line of a chat log.
bool StartsItem(std::string_view line) {
  std::string_view text = line.substr(Indent(line));
  if (text.starts_with('>') || text.starts_with('<') || text.starts_with('|') ||
      text.starts_with('#')) {
    return true;
  }
  return StartsWithSpeaker(text) || StartsWithListMark(text);
}

// Whether the break between `line` and `next` is a wrap to be joined.
// `first` tells whether `line` begins its paragraph.
bool JoinsNext(std::string_view line, std::string_view next, bool first, size_t width) {
  const size_t indent = Indent(line);
  const size_t next_indent = Indent(next);
  if (first ? next_indent > indent + kHangingIndent : next_indent != indent) return false;
  if (LaidOut(line) || LaidOut(next) || StartsItem(next)) return false;
  return line.size() + 1 + FirstWordLength(next) + kRaggedMargin > width;
}

// Breaks a paragraph (its source lines, to be joined) into lines of at most
// kLayoutWidth, appending them to `out`.
void WrapParagraph(const std::vector<std::string_view>& paragraph, std::vector<std::string>& out) {
  const size_t first_indent = Indent(paragraph[0]);
  const size_t next_indent = paragraph.size() > 1 ? Indent(paragraph[1]) : first_indent;
  std::string line(first_indent, ' ');
  bool line_has_words = false;
  auto finish_line = [&] {
    out.push_back(line);
    line.assign(std::min(next_indent, kLayoutWidth / 3), ' ');
    line_has_words = false;
  };
  for (std::string_view source : paragraph) {
    size_t gap = line_has_words ? 1 : 0;  // a joined line starts after one blank
    size_t pos = Indent(source);
    while (pos < source.size()) {
      size_t end = source.find(' ', pos);
      if (end == std::string_view::npos) end = source.size();
      std::string_view word = source.substr(pos, end - pos);
      if (line_has_words && line.size() + gap + word.size() > kLayoutWidth) finish_line();
      if (!line_has_words) {
        gap = 0;
        // An indentation that leaves no room for the word gives way.
        if (line.size() + word.size() > kLayoutWidth) {
          line.resize(kLayoutWidth - std::min(word.size(), kLayoutWidth));
        }
      }
      line.append(gap, ' ');
      while (line.size() + word.size() > kLayoutWidth) {  // a word wider than a line
        size_t room = kLayoutWidth - line.size();
        // After a hyphen or a slash in its second half, else where it must.
        size_t mark = word.substr(0, room).find_last_of("-/");
        size_t cut = mark != std::string_view::npos && mark + 1 >= room / 2 ? mark + 1 : room;
        line.append(word.substr(0, cut));
        word.remove_prefix(cut);
        line_has_words = true;
        finish_line();
        line.clear();
      }
      line.append(word);
      line_has_words = true;
      pos = source.find_first_not_of(' ', end);
      if (pos == std::string_view::npos) break;
      gap = pos - end;
    }
  }
  if (line_has_words) out.push_back(line);
}

void LayOutBlock(const std::vector<std::string_view>& block, std::vector<std::string>& out) {
  size_t longest = 0;
  for (std::string_view line : block) longest = std::max(longest, line.size());
  if (longest <= kLayoutWidth) {
    out.insert(out.end(), block.begin(), block.end());
    return;
  }
  const size_t width = std::min(longest, kWidestPage);
  std::vector<std::string_view> paragraph = {block[0]};
  for (size_t i = 1; i < block.size(); ++i) {
    if (!JoinsNext(block[i - 1], block[i], paragraph.size() == 1, width)) {
      WrapParagraph(paragraph, out);
      paragraph.clear();
    }
    paragraph.push_back(block[i]);
  }
  WrapParagraph(paragraph, out);
}

}  // namespace

std::vector<std::string> LayOutText(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  std::vector<std::string_view> block;
  for (const std::string& line : lines) {
    if (line.find_first_not_of(' ') != std::string::npos) {
      block.push_back(line);
      continue;
    }
    if (!block.empty()) LayOutBlock(block, out);
    block.clear();
    out.emplace_back();
  }
  if (!block.empty()) LayOutBlock(block, out);
  return out;
}

}  // namespace tessary::exchange
