#include "exchange/fortune_import.h"

#include <algorithm>
#include <array>
#include <optional>

#include "exchange/text_layout.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "subjects/catalogue.h"

namespace tessary::exchange {
namespace {

using database::QuotationRecord;
using database::SetField;

constexpr size_t kTabWidth = 8;
constexpr int kMaxRecordNumber = 999'999;
constexpr size_t kMaxContinuationLines = 3;
constexpr char kEmDash = '\x97';  // Windows-1252
constexpr std::string_view kDefaultSubject = "TESSARY";

std::string_view TrimLeft(std::string_view text) {
  size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
  size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view TrimBlanks(std::string_view text) { return TrimRight(TrimLeft(text)); }

// One line with tabs expanded, overstrikes resolved, control characters
// removed and trailing blanks dropped.
std::string CleanLine(std::string_view line) {
  std::string out;
  for (char c : line) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\t') {
      out.append(kTabWidth - out.size() % kTabWidth, ' ');
    } else if (c == '\b') {
      if (!out.empty()) out.pop_back();
    } else if (byte >= 0x20 && byte != 0x7F) {
      out.push_back(c);
    }
  }
  return std::string(TrimRight(out));
}

// The text after the dash of an attribution line, or nullopt when `line` is
// none. The dash must be followed by a name, which keeps rules of dashes
// and "-- -- --" ornaments out.
std::optional<std::string_view> AttributionText(std::string_view line) {
  std::string_view rest = TrimLeft(line);
  if (rest.starts_with("--")) {
    rest.remove_prefix(2);
    if (rest.starts_with('-')) return std::nullopt;
  } else if (rest.starts_with(kEmDash)) {
    rest.remove_prefix(1);
  } else {
    return std::nullopt;
  }
  rest = TrimBlanks(rest);
  if (rest.empty()) return std::nullopt;
  auto first = static_cast<unsigned char>(rest[0]);
  bool starts_name = (first >= '0' && first <= '9') || (first >= 'A' && first <= 'Z') ||
                     (first >= 'a' && first <= 'z') || first == '"' || first == '\'' ||
                     first == '(' || first >= 0x80;
  if (!starts_name) return std::nullopt;
  return rest;
}

// A line that carries an indented attribution on: indented, and neither a
// new attribution nor an editor's "[...]" note.
bool IsContinuation(std::string_view line) {
  if (line.empty() || line[0] != ' ') return false;
  std::string_view text = TrimLeft(line);
  return !text.starts_with('[') && !AttributionText(line);
}

struct Attribution {
  std::string full_name;
  std::string last_name;
  std::string first_name;
  std::string book;
};

// Removes a trailing attribution from `lines` and returns it.
std::optional<Attribution> TakeAttribution(std::vector<std::string>& lines) {
  if (lines.empty()) return std::nullopt;
  size_t start = lines.size() - 1;
  size_t lowest =
      lines.size() > kMaxContinuationLines ? lines.size() - 1 - kMaxContinuationLines : 0;
  while (start > lowest && IsContinuation(lines[start])) --start;
  std::optional<std::string_view> head = AttributionText(lines[start]);
  bool runs_on = start + 1 < lines.size();
  if (!head || (runs_on && lines[start][0] != ' ')) {
    start = lines.size() - 1;
    head = AttributionText(lines[start]);
    if (!head) return std::nullopt;
  }
  std::string text(*head);
  for (size_t i = start + 1; i < lines.size(); ++i) {
    text += ' ';
    text += TrimBlanks(lines[i]);
  }

  Attribution attribution;
  // The name ends at the first comma followed by a blank ("Kirk, "The
  // Tholian Web""); one inside a word ("debian-{x,devel}") belongs to it.
  size_t comma = text.find(", ");
  if (text.ends_with(',')) comma = std::min(comma, text.size() - 1);
  std::string_view name = TrimBlanks(std::string_view(text).substr(0, comma));
  if (comma != std::string::npos) {
    attribution.book = std::string(TrimBlanks(std::string_view(text).substr(comma + 1)));
  }
  // The display name as written ("by Charles Dickens"); the name fields
  // without the "by".
  attribution.full_name = std::string(name);
  if (name.starts_with("by ")) name = TrimLeft(name.substr(3));
  size_t last_blank = name.rfind(' ');
  if (last_blank == std::string_view::npos) {
    attribution.last_name = std::string(name);
  } else {
    attribution.last_name = std::string(name.substr(last_blank + 1));
    attribution.first_name = std::string(TrimRight(name.substr(0, last_blank)));
  }
  // An attribution too long for its fields stays in the text, whole.
  if (attribution.full_name.size() >= sizeof QuotationRecord::Authors_Full_Name ||
      attribution.book.size() >= sizeof QuotationRecord::Book_Name) {
    return std::nullopt;
  }
  lines.resize(start);
  return attribution;
}

// Groups the lines into records of up to 11, dropping blank lines that fall
// at a record boundary.
std::vector<std::vector<std::string>> SplitIntoRecords(const std::vector<std::string>& lines) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> current;
  auto finish = [&] {
    while (!current.empty() && current.back().empty()) current.pop_back();
    if (!current.empty()) records.push_back(std::move(current));
    current.clear();
  };
  for (const std::string& line : lines) {
    if (current.empty() && line.empty()) continue;
    current.push_back(line);
    if (current.size() == static_cast<size_t>(database::kLineCount)) finish();
  }
  finish();
  return records;
}

bool IsWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
         c == '&' || c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E ||
         c == 0x9F || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && !IsWordByte(static_cast<unsigned char>(text[i]))) ++i;
    size_t start = i;
    while (i < text.size() && IsWordByte(static_cast<unsigned char>(text[i]))) ++i;
    // A double hyphen is a dash between words, not part of one.
    std::string_view run = text.substr(start, i - start);
    while (!run.empty()) {
      size_t dash = run.find("--");
      std::string_view word = run.substr(0, dash);
      run = dash == std::string_view::npos ? std::string_view() : run.substr(dash + 2);
      while (word.starts_with('-')) word.remove_prefix(1);
      while (word.ends_with('-')) word.remove_suffix(1);
      if (!word.empty()) words.push_back(word);
    }
  }
  return words;
}

// The first subtitle among the words of `lines`; subtitles of several words
// ("Cause & Effect") are matched against runs of words, longest first.
const subjects::SubtitleInfo* FirstSubtitleInText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\n';
  }
  std::vector<std::string_view> words = Words(text);
  constexpr size_t kLongestPhrase = 3;
  for (size_t i = 0; i < words.size(); ++i) {
    for (size_t n = std::min(kLongestPhrase, words.size() - i); n >= 1; --n) {
      std::string phrase(words[i]);
      for (size_t k = 1; k < n; ++k) {
        phrase += ' ';
        phrase += words[i + k];
      }
      if (const subjects::SubtitleInfo* found = subjects::FindSubtitle(phrase)) return found;
    }
  }
  return nullptr;
}

std::string_view BaseName(std::string_view path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<subjects::CatalogueMatch> MatchFileName(std::string_view base) {
  if (base.empty()) return std::nullopt;
  if (auto match = subjects::LookUpWord(base)) return match;
  size_t dot = base.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  return subjects::LookUpWord(base.substr(0, dot));
}

struct Filing {
  std::string subject;
  std::string subtitle;
};

Filing ChooseSubject(const ImportContext& context, std::string_view file_base,
                     const std::vector<std::string>& lines) {
  if (!context.subject.empty()) {
    std::string explicit_subject(TrimBlanks(platform::Utf8ToAnsi(context.subject)));
    const subjects::SubjectInfo* known = subjects::FindSubject(explicit_subject);
    return {known ? std::string(known->word) : platform::UpperAnsi(explicit_subject), ""};
  }
  if (auto match = MatchFileName(file_base)) return {match->subject, match->subtitle};
  if (const subjects::SubtitleInfo* found = FirstSubtitleInText(lines)) {
    return {std::string(found->subject), platform::UpperAnsi(found->subtitle)};
  }
  return {std::string(kDefaultSubject), ""};
}

}  // namespace

std::vector<FortuneEntry> ParseFortunes(std::string_view utf8) {
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  std::vector<FortuneEntry> entries;
  FortuneEntry current;
  current.first_line = 1;
  bool has_lines = false;
  bool seen_separator = false;
  auto is_blank = [](std::string_view text) {
    return text.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos;
  };

  int line_number = 0;
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t end = utf8.find('\n', pos);
    if (end == std::string_view::npos) end = utf8.size();
    std::string_view line = utf8.substr(pos, end - pos);
    pos = end + 1;
    ++line_number;
    if (line.ends_with('\r')) line.remove_suffix(1);

    std::string_view stripped = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (stripped == "%") {
      // Blank text before the first separator is no entry.
      if (seen_separator || !is_blank(current.text)) entries.push_back(std::move(current));
      current = FortuneEntry();
      current.first_line = line_number + 1;
      has_lines = false;
      seen_separator = true;
      continue;
    }
    if (has_lines) current.text += '\n';
    has_lines = true;
    current.text += line;
  }
  if (!is_blank(current.text)) entries.push_back(std::move(current));
  return entries;
}

std::string_view SkipReasonText(SkipReason reason) {
  switch (reason) {
    case SkipReason::kNone:
      return "";
    case SkipReason::kEmpty:
      return "empty";
    case SkipReason::kNumberOutOfRange:
      return "record number beyond 999,999";
  }
  return "";
}

ImportResult EntryToRecords(const FortuneEntry& entry, const ImportContext& context) {
  ImportResult result;
  std::string ansi = platform::Utf8ToAnsi(entry.text, '?', &result.replaced);

  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos <= ansi.size()) {
    size_t end = ansi.find('\n', pos);
    if (end == std::string::npos) end = ansi.size();
    lines.push_back(CleanLine(std::string_view(ansi).substr(pos, end - pos)));
    pos = end + 1;
  }
  auto drop_blank_ends = [](std::vector<std::string>& text) {
    while (!text.empty() && text.back().empty()) text.pop_back();
    auto first = std::find_if(text.begin(), text.end(), [](const auto& l) { return !l.empty(); });
    text.erase(text.begin(), first);
  };
  drop_blank_ends(lines);
  if (lines.empty()) {
    result.skipped = SkipReason::kEmpty;
    return result;
  }
  // An entry that is nothing but an attribution keeps it as its text.
  std::vector<std::string> text_lines = lines;
  std::optional<Attribution> attribution = TakeAttribution(text_lines);
  drop_blank_ends(text_lines);
  if (text_lines.empty()) {
    attribution.reset();
  } else {
    lines = std::move(text_lines);
  }

  std::vector<std::vector<std::string>> pages = SplitIntoRecords(LayOutText(lines));

  const long long first = context.first_record_number;
  const long long last = first + static_cast<long long>(pages.size()) - 1;
  if (first < 0 || last > kMaxRecordNumber) {
    result.skipped = SkipReason::kNumberOutOfRange;
    return result;
  }

  std::string file_base = platform::Utf8ToAnsi(BaseName(context.file_name));
  Filing filing = ChooseSubject(context, file_base, lines);

  QuotationRecord keys = database::EmptyRecord();
  SetField(keys.Subject, filing.subject);
  SetField(keys.Subtitle, filing.subtitle);
  SetField(keys.Section, platform::Utf8ToAnsi(context.section));
  SetField(keys.User_Code, file_base);
  if (attribution) {
    SetField(keys.Authors_Full_Name, attribution->full_name);
    SetField(keys.Authors_LName, attribution->last_name);
    SetField(keys.FirstName, attribution->first_name);
    SetField(keys.Book_Name, attribution->book);
  }

  for (size_t page = 0; page < pages.size(); ++page) {
    QuotationRecord record = keys;
    SetField(record.Record_Number, std::to_string(first + static_cast<long long>(page)));
    record.Multi_Page_Flag = page + 1 < pages.size() ? 1 : 0;
    const std::vector<std::string>& page_lines = pages[page];
    for (size_t n = 0; n < page_lines.size(); ++n) {
      SetField(database::Line(record, static_cast<int>(n) + 1), page_lines[n]);
    }
    record.Number_of_Lines = static_cast<uint8_t>(std::min<size_t>(page_lines.size(), 9));
    result.records.push_back(record);
  }
  return result;
}

FileImport ImportFortunes(std::string_view utf8, const ImportContext& context) {
  FileImport file;
  ImportContext entry_context = context;
  for (const FortuneEntry& entry : ParseFortunes(utf8)) {
    ImportResult result = EntryToRecords(entry, entry_context);
    file.replaced += result.replaced;
    if (result.skipped != SkipReason::kNone) {
      file.skipped.push_back({entry.first_line, result.skipped});
      continue;
    }
    ++file.entries_imported;
    entry_context.first_record_number += static_cast<int>(result.records.size());
    file.records.insert(file.records.end(), result.records.begin(), result.records.end());
  }
  return file;
}

std::string SkipSummary(const std::vector<SkippedEntry>& skipped) {
  constexpr std::array<SkipReason, 2> kReasons = {SkipReason::kEmpty,
                                                  SkipReason::kNumberOutOfRange};
  std::string summary;
  for (SkipReason reason : kReasons) {
    auto count = std::count_if(skipped.begin(), skipped.end(),
                               [reason](const SkippedEntry& s) { return s.reason == reason; });
    if (count == 0) continue;
    if (!summary.empty()) summary += ", ";
    summary += std::to_string(count) + " " + std::string(SkipReasonText(reason));
  }
  return summary;
}

}  // namespace tessary::exchange
