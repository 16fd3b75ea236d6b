#include "search/word_search.h"

#include <algorithm>
#include <array>

#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::search {
namespace {

constexpr size_t kSearchedColumns = database::kLineCapacity;  // 60 of the field's 61 bytes
constexpr std::string_view kWordEnds = " !,-.:;?";

// Whether line `n` (1 to 11) is examined for a record of `lines` lines.
bool LineExamined(int n, unsigned lines) {
  if (n == 1) return true;
  if (n <= 10) return lines >= static_cast<unsigned>(n);
  return lines > 10;
}

// The code page's upper case of every byte, looked up once per byte of text.
const std::array<char, 256>& UpperTable() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> t{};
    for (int c = 0; c < 256; ++c) {
      t[static_cast<size_t>(c)] =
          static_cast<char>(platform::UpperAnsi(static_cast<unsigned char>(c)));
    }
    return t;
  }();
  return table;
}

// `text` and `target` are compared as they are; the caller raises both for a
// search that ignores case.
bool LineMatches(std::string_view text, std::string_view target, bool whole_words) {
  const size_t at = text.find(target);
  if (at == std::string_view::npos) return false;
  if (!whole_words) return true;
  // Only the first occurrence counts: a line whose first occurrence is part of
  // a longer word is given up.
  const size_t end = at + target.size();
  const char before = at == 0 ? ' ' : text[at - 1];
  const char after = end >= text.size() ? ' ' : text[end];
  return before == ' ' && kWordEnds.find(after) != std::string_view::npos;
}

}  // namespace

std::string PrepareTarget(std::string_view typed, bool case_sensitive) {
  if (case_sensitive) return platform::Trim(typed.substr(0, std::min(typed.size(), kTargetMax)));
  std::string target = platform::Trim(typed);
  if (target.size() > kTargetMax) target.resize(kTargetMax);
  return platform::UpperAnsi(target);
}

bool WordMatch(const database::QuotationRecord& record, std::string_view target,
               bool case_sensitive, bool whole_words) {
  if (target.empty() || target.size() > kSearchedColumns) return false;
  const std::array<char, 256>& upper = UpperTable();
  char raised_target[kSearchedColumns];
  if (!case_sensitive) {
    for (size_t i = 0; i < target.size(); ++i) {
      raised_target[i] = upper[static_cast<unsigned char>(target[i])];
    }
    target = std::string_view(raised_target, target.size());
  }
  char raised_line[kSearchedColumns];
  for (int n = 1; n <= database::kLineCount; ++n) {
    if (!LineExamined(n, record.Number_of_Lines)) return false;
    const char(&field)[61] = database::Line(record, n);
    // The line's text up to its NUL, within the first 60 bytes.
    size_t length = 0;
    while (length < kSearchedColumns && field[length] != '\0') ++length;
    std::string_view text(field, length);
    if (!case_sensitive) {
      for (size_t i = 0; i < length; ++i)
        raised_line[i] = upper[static_cast<unsigned char>(field[i])];
      text = std::string_view(raised_line, length);
    }
    if (LineMatches(text, target, whole_words)) return true;
  }
  return false;
}

std::string SearchingForLine(std::string_view target) {
  std::string line = "Searching for:  " + std::string(target);
  if (line.size() > 48) line.resize(48);
  return line;
}

std::string RecordsReadLine(uint64_t records_read, uint64_t shown_selected) {
  return "Number of records read: " + std::to_string(records_read) +
         "  Selected:  " + std::to_string(shown_selected);
}

uint64_t ShownSelected(uint64_t accepted) {
  if (accepted >= 4) return accepted - 2;
  if (accepted >= 2) return accepted - 1;
  return 0;
}

bool WordSearch::TakeDialog(std::string_view typed, bool case_sensitive_box, bool whole_words_box) {
  case_sensitive = case_sensitive_box;
  whole_words = whole_words_box;
  target = PrepareTarget(typed, case_sensitive);
  active = !target.empty();
  return active;
}

void WordSearch::Reset(int64_t total_records) {
  records_read = 0;
  progress = 0;
  accepted = 0;
  end_reached = false;
  total = total_records;
}

void WordSearch::BeginPass(std::string caption, std::string key, int32_t ref) {
  sort_caption = std::move(caption);
  records_read = 1;
  shown_selected = 0;
  searching = true;
  stopped = false;
  start_key = std::move(key);
  start_ref = ref;
  start_accepted = false;
  has_frontier = false;
  frontier_key.clear();
  frontier_ref = 0;
}

bool WordSearch::EndPass() {
  // A screenful or the stop button ends a pass with `searching` cleared; a
  // pass that still searched when the list was filled ran out of data.
  const bool ran_out = searching && !stopped;
  const uint64_t beyond_start = accepted - (start_accepted && accepted > 0 ? 1 : 0);
  end_reached = ran_out && beyond_start == 0;
  searching = false;
  active = false;
  searched_before = true;
  return end_reached;
}

void WordSearch::StartPosition(const std::string& highlighted_key, int32_t highlighted_ref,
                               std::string* key, int32_t* ref) const {
  if (searched_before && highlighted_ref > 0) {
    *key = highlighted_key;
    *ref = highlighted_ref;
  } else {
    key->clear();
    *ref = 0;
  }
}

}  // namespace tessary::search
