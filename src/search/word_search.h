// Word search: finds quotations whose text lines hold a target word or
// phrase. It has no index of its own; it runs as a pass of the record list's
// filter, which pulls records in key order and asks the word branch whether
// to show each. The matching rules (WordMatch) are shared with the reading
// window, which applies them to the record it shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "database/quotation_record.h"

namespace tessary::search {

inline constexpr size_t kTargetMax = 32;
// The status window is brought up to date once the progress counter exceeds
// this, so every 51 candidates.
inline constexpr uint64_t kStatusEvery = 50;
inline constexpr char kWordSearchTitle[] = "Word Search";
inline constexpr char kWordSearchStatusTitle[] = "Word Search Status";
inline constexpr char kNoMoreMatches[] =
    "No additional records matching your word search criteria have been found.  Target was:  ";
inline constexpr int kWordSearchHelpTopic = 400;

// The target the dialog makes of typed text (Windows-1252). Case sensitive:
// cut to 32 characters, then trimmed; otherwise trimmed, cut to 32 and
// upper-cased with the code page's letter pairs. Empty means no search.
std::string PrepareTarget(std::string_view typed, bool case_sensitive);

// Whether the record's text holds `target`. Line1 is always examined, Line2 to
// Line10 only while Number_of_Lines reaches their number, Line11 only above
// 10; the first line that fails this ends the examination. Each line is
// searched over its text (to its NUL) within the first 60 bytes for the first
// occurrence. With `whole_words` that occurrence must follow a blank (or start
// the line) and be followed by one of ` !,-.:;?` (or end the text or column
// 60); when it is not, the rest of that line is given up.
bool WordMatch(const database::QuotationRecord& record, std::string_view target,
               bool case_sensitive, bool whole_words);

// The status window's texts.
std::string SearchingForLine(std::string_view target);  // "Searching for:  " + target, <= 48
std::string RecordsReadLine(uint64_t records_read, uint64_t shown_selected);
// The number shown as selected for `accepted` rows: one less for 2 or 3, two
// less from 4 on, 0 below 2.
uint64_t ShownSelected(uint64_t accepted);

// The status window as a pass sees it.
class WordSearchStatus {
 public:
  virtual ~WordSearchStatus() = default;
  // Shows the three lines, repaints them and lets pending input through.
  virtual void Update(const std::string& line1, const std::string& line2,
                      const std::string& line3) = 0;
  // Whether the stop button was pressed since the window was shown.
  virtual bool StopPressed() = 0;
};

// The state of the word search: the dialog's settings and one pass's counters.
// Counters are 64-bit, so a pass over any database neither wraps nor ends
// early.
struct WordSearch {
  // Dialog.
  std::string target;
  bool case_sensitive = false;
  bool whole_words = false;
  // Set by the dialog's OK (with a target), cleared when the pass ends.
  bool active = false;
  // True while the pass may still accept records.
  bool searching = false;
  // Later passes start at the highlighted record.
  bool searched_before = false;

  // The pass.
  uint64_t records_read = 0;
  uint64_t progress = 0;
  uint64_t accepted = 0;
  uint64_t shown_selected = 0;
  int64_t total = 0;
  // The pass ran out of data without finding a record beyond its start.
  bool end_reached = false;
  std::string sort_caption;

  // Where the pass started (empty key and ref 0: the first entry) and the
  // furthest entry it has examined, so that it knows when the list, having
  // run out of data, steps back over entries already seen.
  std::string start_key;
  int32_t start_ref = 0;
  bool has_frontier = false;
  std::string frontier_key;
  int32_t frontier_ref = 0;
  bool start_accepted = false;
  bool stopped = false;

  // The dialog's OK: takes the check boxes and the typed text; active unless
  // the target came out empty. Returns `active`.
  bool TakeDialog(std::string_view typed, bool case_sensitive, bool whole_words);

  // The command's first step: counters to 0, `total` entries in key 1.
  void Reset(int64_t total_records);
  // Starts a pass at (key, ref) over the key whose caption is given.
  void BeginPass(std::string caption, std::string key, int32_t ref);
  // Ends the pass after the list has been filled; true when the user should
  // be told that no further record matches (the pass ran out of data before
  // it found a record beyond its start).
  bool EndPass();

  // The position the next pass starts from: the highlighted entry once a pass
  // has run, else the first entry of the key.
  void StartPosition(const std::string& highlighted_key, int32_t highlighted_ref, std::string* key,
                     int32_t* ref) const;
};

}  // namespace tessary::search
