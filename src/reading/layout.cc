#include "reading/layout.h"

#include "platform/text.h"

namespace tessary::reading {
namespace {

using database::FieldText;
using database::QuotationRecord;

constexpr size_t kClipboardWidth = 60;
constexpr char kCrLf[] = "\r\n";

// Line 1 always, then the present lines among 2 to 11.
std::vector<std::string_view> OutputLines(const QuotationRecord& record) {
  std::vector<std::string_view> lines = {FieldText(record.Line1)};
  for (int n = 2; n <= database::kLineCount; ++n) {
    std::string_view line = FieldText(database::Line(record, n));
    if (IsPresentLine(line)) lines.push_back(line);
  }
  return lines;
}

void AddQuotationLines(const QuotationRecord& record, std::vector<Paragraph>& out) {
  for (std::string_view line : OutputLines(record)) {
    out.push_back({std::string(line), ParagraphStyle::kLeftIndented});
  }
}

}  // namespace

std::string SectionCaption(char section, bool seven_section_naming) {
  switch (section) {
    case '1':
      return "1. Essence  ";
    case '2':
      return "2. Opposites";
    case '3':
      return "3. Insight  ";
    case '4':
      return "4. Positive ";
    case '5':
      return "5. Negative ";
    case '6':
      return "6. Advice   ";
    case '7':
      return seven_section_naming ? "7. Potpourri " : "7. Poetry & Prose";
    case '8':
      return "8. Jokes & Humor";
    default:
      return std::string(15, ' ');
  }
}

bool SortsAfterBlanks(std::string_view text, size_t blanks) {
  size_t n = text.size() < blanks ? text.size() : blanks;
  for (size_t i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c != ' ') return c > ' ';
  }
  return text.size() > blanks;
}

bool IsPresentLine(std::string_view line) { return SortsAfterBlanks(line, 61); }

bool IsLongEnough(std::string_view text) { return text.size() > 1; }

std::string Centre(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text);
  size_t front = (width - text.size() + 1) / 2;
  std::string out(front, ' ');
  out.append(text);
  out.append(width - text.size() - front, ' ');
  return out;
}

std::vector<Paragraph> LayoutHeader(const QuotationRecord& record, const LayoutSettings& settings) {
  std::vector<Paragraph> out = {{"", ParagraphStyle::kCentred}};
  if (settings.section_name_shown) {
    out.push_back({SectionCaption(record.Section[0], settings.seven_section_naming),
                   ParagraphStyle::kCentred});
  }
  out.push_back({"", ParagraphStyle::kCentred});
  return out;
}

std::string ClipboardText(const QuotationRecord& record) {
  std::string text;
  bool first = true;
  for (std::string_view line : OutputLines(record)) {
    if (!first) text += kCrLf;
    text += line;
    first = false;
  }
  if (record.Multi_Page_Flag == 1) {
    text += kCrLf;
    text += kCrLf;
    text += Centre(kContinuationMarker, kClipboardWidth);
    return text;
  }
  std::string_view author = FieldText(record.Authors_Full_Name);
  std::string_view book = FieldText(record.Book_Name);
  bool author_shown = IsLongEnough(author);
  if (author_shown) {
    text += kCrLf;
    text += kCrLf;
    text += platform::LeftPad(author, kClipboardWidth);
  }
  if (IsLongEnough(book)) {
    text += kCrLf;
    if (!author_shown) text += kCrLf;
    text += platform::LeftPad(book, kClipboardWidth);
  }
  return text;
}

ScreenImage ScreenLayout(const QuotationRecord& record, const LayoutSettings& settings) {
  ScreenImage image;
  std::vector<Paragraph>& out = image.paragraphs;
  out = LayoutHeader(record, settings);
  AddQuotationLines(record, out);
  out.push_back({"", ParagraphStyle::kLeftIndented});
  if (record.Multi_Page_Flag == 1) {
    out.push_back({kContinuationMarker, ParagraphStyle::kCentred});
  } else {
    std::string_view author = FieldText(record.Authors_Full_Name);
    std::string_view book = FieldText(record.Book_Name);
    if (IsLongEnough(author)) out.push_back({std::string(author), ParagraphStyle::kRightIndented});
    if (IsLongEnough(book)) out.push_back({std::string(book), ParagraphStyle::kRightIndented});
  }
  image.clipboard_text = ClipboardText(record);
  return image;
}

std::vector<Paragraph> PrintLayout(const QuotationRecord& record, const LayoutSettings& settings) {
  std::vector<Paragraph> out = LayoutHeader(record, settings);
  AddQuotationLines(record, out);
  const std::string three_blanks = "   ";
  if (record.Multi_Page_Flag == 1) {
    out.push_back({three_blanks, ParagraphStyle::kLeftIndented});
    out.push_back({kContinuationMarker, ParagraphStyle::kCentred});
    out.push_back({three_blanks, ParagraphStyle::kCentred});
    return out;
  }
  std::string_view author = FieldText(record.Authors_Full_Name);
  std::string_view book = FieldText(record.Book_Name);
  if (IsLongEnough(author)) {
    out.push_back({three_blanks, ParagraphStyle::kLeftIndented});
    out.push_back({platform::Trim(author), ParagraphStyle::kLeftIndented});
  }
  if (IsLongEnough(book)) out.push_back({platform::Trim(book), ParagraphStyle::kLeftIndented});
  return out;
}

}  // namespace tessary::reading
