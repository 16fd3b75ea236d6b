#include "browser/row_browser.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

#include "isam/format.h"

namespace tessary::browser {
namespace {

constexpr int kRetries = 32;
constexpr int kRetryPauseMs = 30;
constexpr char kNoBuildRow[] = "You do not have an OnBuildRow event defined";
// Below this many entries the scroll position is exact: the entries are
// counted, so every entry gets its own scroll step.
constexpr int32_t kExactScrollEntries = kScrollMax + 1;

std::string Cut(std::string text) {
  if (text.size() > kMaxKeyText) text.resize(kMaxKeyText);
  return text;
}

}  // namespace

RowBrowser::RowBrowser(isam::Engine& engine, isam::Fileblock* fileblock, int key_number,
                       void* record_buffer, size_t buffer_size, std::string low_bound,
                       std::string high_bound, int capacity, int elements_per_row,
                       bool variable_length)
    : engine_(engine),
      fb_(fileblock),
      key_number_(key_number),
      record_buffer_(record_buffer),
      buffer_size_(buffer_size),
      low_(Cut(std::move(low_bound))),
      high_(Cut(std::move(high_bound))),
      variable_length_(variable_length),
      elements_(std::clamp(elements_per_row, 1, kMaxRowElements)),
      rows_(static_cast<size_t>(std::max(capacity, 1))),
      visible_(std::max(capacity, 1)) {
  for (RowRec& row : rows_) row.elements.assign(static_cast<size_t>(elements_), std::string());
}

void RowBrowser::SetBounds(std::string low, std::string high) {
  low_ = Cut(std::move(low));
  high_ = Cut(std::move(high));
}

// ---- Engine calls -----------------------------------------------------------

template <typename Call>
void RowBrowser::Retry(Call call) {
  for (int attempt = 0;; ++attempt) {
    call();
    if (engine_.EngineOk() || engine_.ErrorClass() != isam::ErrorClass::kTemporary ||
        attempt == kRetries)
      return;
    if (Pause) {
      Pause(kRetryPauseMs);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMs));
    }
  }
}

int RowBrowser::EngineResult() const {
  if (engine_.EngineOk()) return kRowOk;
  if (engine_.ErrorClass() == isam::ErrorClass::kExpected) return kNoEntry;
  return engine_.EngineError();
}

bool RowBrowser::InRange(const std::string& key) const {
  if (key_number_ == 0) return true;
  if (!low_.empty() && isam::CompareKeys(std::string_view(key).substr(0, low_.size()), low_) < 0) {
    return false;
  }
  if (!high_.empty() &&
      isam::CompareKeys(std::string_view(key).substr(0, high_.size()), high_) > 0) {
    return false;
  }
  return true;
}

// Range and filter test of a candidate; *used tells whether it stays.
int RowBrowser::Accept(Entry& entry, bool* used) {
  *used = false;
  if (!InRange(entry.key)) return kNoEntry;
  entry.row = RowRec{};
  entry.row.key = entry.key;
  entry.row.ref = entry.ref;
  entry.row.elements.assign(static_cast<size_t>(elements_), std::string());
  bool use_it = true;
  if (filter_active_ && PerformFilter) {
    if (pass_ended_) return kNoEntry;
    int rc = PerformFilter(entry.row, use_it);
    if (ShowFilterWorking) ShowFilterWorking(filter_sequence_open_ ? 0 : -1, !use_it);
    filter_sequence_open_ = true;
    if (rc > 2) return rc;
  }
  *used = use_it;
  return kRowOk;
}

// The next (or previous) entry from `from` that is in range and passes the filter.
int RowBrowser::Step(const Entry& from, bool forward, Entry* out) {
  Entry current = from;
  while (true) {
    int32_t ref = current.ref;
    std::string key = current.key;
    if (key_number_ == 0) {
      Retry([&] {
        ref = current.ref;
        forward ? engine_.NextUsedSlot(fb_, ref) : engine_.PrevUsedSlot(fb_, ref);
      });
      key.clear();
    } else {
      Retry([&] {
        ref = current.ref;
        key = current.key;
        forward ? engine_.NextKey(fb_, key_number_, ref, key)
                : engine_.PrevKey(fb_, key_number_, ref, key);
      });
    }
    if (int rc = EngineResult()) return rc;
    out->key = key;
    out->ref = ref;
    bool used = false;
    if (int rc = Accept(*out, &used)) return rc;
    if (used) return kRowOk;
    current = *out;
  }
}

// The entry (direction 0), or it or its next greater (+1) or smaller (-1)
// neighbour, that is in range and passes the filter.
int RowBrowser::Find(const std::string& key, int32_t ref, int direction, Entry* out) {
  std::string text = Cut(key);
  int32_t found_ref = ref;
  if (key_number_ == 0) {
    Retry([&] { found_ref = engine_.SeekUsedSlot(fb_, ref, 0); });
    if (!engine_.EngineOk() && engine_.ErrorClass() == isam::ErrorClass::kExpected &&
        direction != 0) {
      Retry([&] { found_ref = engine_.SeekUsedSlot(fb_, ref, direction); });
    }
    text.clear();
  } else {
    Retry([&] {
      found_ref = ref;
      text = Cut(key);
      engine_.FindKeyAndRef(fb_, key_number_, found_ref, text, direction);
    });
  }
  if (int rc = EngineResult()) return rc;
  out->key = text;
  out->ref = found_ref;
  bool used = false;
  if (int rc = Accept(*out, &used)) return rc;
  if (used) return kRowOk;
  if (direction == 0) return kNoEntry;
  Entry from = *out;
  return Step(from, direction > 0, out);
}

// ---- Rows -----------------------------------------------------------------

void RowBrowser::ClearRow(RowRec& row) {
  row.key.clear();
  row.ref = 0;
  row.status = 0;
  row.built = false;
}

// Moves only place key texts and references; a row keeps the text it showed
// until the completion rebuilds it, so the changed flag tells what a move
// changed on screen. A row the filter already built brings its text along.
void RowBrowser::Place(RowRec& row, Entry& entry) {
  row.key = entry.key;
  row.ref = entry.ref;
  row.status = entry.row.status;
  row.built = entry.row.built;
  row.changed = false;
  if (row.built) {
    row.changed = row.elements != entry.row.elements;
    std::swap(row.elements, entry.row.elements);
  }
}

void RowBrowser::ClearPage() {
  for (RowRec& row : rows_) ClearRow(row);
}

int RowBrowser::filled_rows() const {
  int n = 0;
  while (n < visible_ && !rows_[n].empty()) ++n;
  return n;
}

void RowBrowser::SetCurrentRow(int row) {
  current_ = std::clamp(row, 1, std::max(1, filled_rows()));
}

int32_t RowBrowser::CurrentRef() const {
  const RowRec& row = rows_[current_ - 1];
  return row.empty() ? 0 : row.ref;
}

std::string RowBrowser::CurrentKey() const {
  const RowRec& row = rows_[current_ - 1];
  return row.empty() ? std::string() : row.key;
}

int RowBrowser::ReadRowRecord(const RowRec& row) {
  size_t length = buffer_size_;
  std::memset(record_buffer_, 0, buffer_size_);
  Retry([&] {
    length = buffer_size_;
    if (variable_length_) {
      engine_.GetVarRecord(fb_, row.ref, record_buffer_, length);
    } else {
      engine_.GetSlot(fb_, row.ref, record_buffer_);
    }
  });
  if (!engine_.EngineOk()) return isam::ClassNumber(engine_.ErrorClass());
  uint8_t head[4] = {};
  std::memcpy(head, record_buffer_, std::min<size_t>(4, buffer_size_));
  return isam::GetI32(head) != 0 ? 1 : 0;
}

// Re-tests and rebuilds the visible rows.
int RowBrowser::Complete() {
  if (PreCompletePage) PreCompletePage();
  int result = kRowOk;
  for (int i = 0; i < visible_ && result == kRowOk; ++i) {
    RowRec& row = rows_[i];
    if (row.empty()) {
      bool had_text = std::any_of(row.elements.begin(), row.elements.end(),
                                  [](const std::string& e) { return !e.empty(); });
      for (std::string& e : row.elements) e.clear();
      row.changed = had_text;
      continue;
    }
    if (row.built) {
      row.built = false;
      continue;
    }
    if (row.status > -10) {
      int status = ReadRowRecord(row);
      if (status == 1 || status == 2) {
        row.status = -1;
      } else if (status > 2) {
        result = engine_.EngineError();
        break;
      } else if (row.status == -1) {
        row.status = 0;  // it reads back again
      }
    }
    std::vector<std::string> before = row.elements;
    if (BuildRow) {
      result = BuildRow(row);
    } else {
      row.elements.assign(static_cast<size_t>(elements_), std::string());
      row.elements[0] = kNoBuildRow;
    }
    row.changed = row.elements != before;
  }
  if (PostCompletePage) PostCompletePage();
  if (filter_sequence_open_) {
    filter_sequence_open_ = false;
    if (ShowFilterWorking) ShowFilterWorking(1, false);
  }
  return result;
}

int RowBrowser::Finish(int result, bool moved) {
  int completed = Complete();
  if (result == kRowOk || result == kNoEntry) {
    if (completed != kRowOk) result = completed;
  }
  current_ = std::clamp(current_, 1, std::max(1, filled_rows()));
  pass_ended_ = false;
  last_ok_ = result == kRowOk;
  page_moved_ = moved;
  return result;
}

void RowBrowser::SetFilterActive(bool active) {
  filter_active_ = active;
  if (!active && filter_sequence_open_) {
    filter_sequence_open_ = false;
    if (ShowFilterWorking) ShowFilterWorking(1, false);
  }
}

// ---- Moves ----------------------------------------------------------------

int RowBrowser::FirstPage() {
  ClearPage();
  current_ = 1;
  Entry entry;
  int rc = Find(low_, 0, 1, &entry);
  if (rc != kRowOk) return Finish(rc, true);
  Place(rows_[0], entry);
  for (int i = 1; i < visible_; ++i) {
    Entry from{rows_[i - 1].key, rows_[i - 1].ref, {}};
    rc = Step(from, true, &entry);
    if (rc != kRowOk) break;
    Place(rows_[i], entry);
  }
  return Finish(rc == kNoEntry ? kRowOk : rc, true);
}

int RowBrowser::LastPage() {
  ClearPage();
  std::string high = high_;
  high.append(kMaxKeyText - high.size(), static_cast<char>(255));
  Entry entry;
  int rc = Find(high, INT32_MAX, -1, &entry);
  if (rc != kRowOk) {
    current_ = 1;
    return Finish(rc, true);
  }
  std::vector<Entry> found;
  found.push_back(std::move(entry));
  while (static_cast<int>(found.size()) < visible_) {
    Entry from{found.back().key, found.back().ref, {}};
    Entry previous;
    rc = Step(from, false, &previous);
    if (rc != kRowOk) break;
    found.push_back(std::move(previous));
  }
  std::reverse(found.begin(), found.end());
  for (size_t i = 0; i < found.size(); ++i) Place(rows_[i], found[i]);
  current_ = static_cast<int>(found.size());
  return Finish(rc == kNoEntry || rc == kRowOk ? kRowOk : rc, true);
}

int RowBrowser::StepForward(int n, int* moved) {
  int count = 0;
  if (moved) *moved = 0;
  int filled = filled_rows();
  if (filled == 0) return Finish(kNoEntry, false);
  Entry last;
  int rc = Find(rows_[filled - 1].key, rows_[filled - 1].ref, 0, &last);
  // Rows below the last filled one are filled before the page scrolls.
  while (rc == kRowOk && filled < visible_) {
    Entry next;
    rc = Step(last, true, &next);
    if (rc != kRowOk) break;
    Place(rows_[filled++], next);
    last = std::move(next);
  }
  while (rc == kRowOk && count < n) {
    Entry next;
    rc = Step(last, true, &next);
    if (rc != kRowOk) break;
    std::rotate(rows_.begin(), rows_.begin() + 1, rows_.begin() + visible_);
    Place(rows_[visible_ - 1], next);
    last = std::move(next);
    ++count;
  }
  if (moved) *moved = count;
  if (rc == kNoEntry) rc = count > 0 || n == 0 ? kRowOk : kNoEntry;
  return Finish(rc, count > 0);
}

int RowBrowser::StepBackward(int n, int* moved) {
  int count = 0;
  if (moved) *moved = 0;
  if (filled_rows() == 0) return Finish(kNoEntry, false);
  Entry first;
  int rc = Find(rows_[0].key, rows_[0].ref, 0, &first);
  while (rc == kRowOk && count < n) {
    Entry previous;
    rc = Step(first, false, &previous);
    if (rc != kRowOk) break;
    std::rotate(rows_.begin(), rows_.begin() + visible_ - 1, rows_.begin() + visible_);
    Place(rows_[0], previous);
    first = std::move(previous);
    ++count;
  }
  if (moved) *moved = count;
  if (rc == kNoEntry) rc = count > 0 || n == 0 ? kRowOk : kNoEntry;
  return Finish(rc, count > 0);
}

int RowBrowser::NextRow() {
  if (current_ < filled_rows()) {
    ++current_;
    return Finish(kRowOk, false);
  }
  int keep = current_;
  int rc = StepForward(1);
  current_ = std::min(keep, std::max(1, filled_rows()));
  return rc;
}

int RowBrowser::PrevRow() {
  if (current_ > 1) {
    --current_;
    return Finish(kRowOk, false);
  }
  return StepBackward(1);
}

int RowBrowser::NextPage() {
  int keep = current_;
  int rc = StepForward(visible_);
  current_ = std::min(keep, std::max(1, filled_rows()));
  return rc;
}

int RowBrowser::PrevPage() {
  int keep = current_;
  int rc = StepBackward(visible_);
  current_ = std::min(keep, std::max(1, filled_rows()));
  return rc;
}

int RowBrowser::SetPosition(int key_number, std::string key_text, int32_t ref, int row_index) {
  key_number_ = key_number;
  current_ = std::clamp(row_index, 1, visible_);
  RowRec& row = rows_[current_ - 1];
  row.key = Cut(std::move(key_text));
  row.ref = ref;
  return Resync();
}

int RowBrowser::Resync() {
  const int index = current_;
  std::string key = rows_[index - 1].key;
  int32_t ref = rows_[index - 1].ref;
  ClearPage();
  Entry entry;
  int rc = Find(key, ref, 0, &entry);
  if (rc == kNoEntry) rc = Find(key, ref, 1, &entry);
  if (rc == kNoEntry) rc = Find(key, ref, -1, &entry);
  if (rc != kRowOk) {
    current_ = 1;
    return Finish(rc, true);
  }
  std::vector<Entry> below;
  Entry last{entry.key, entry.ref, {}};
  while (static_cast<int>(below.size()) < visible_ - index) {
    Entry next;
    rc = Step(last, true, &next);
    if (rc != kRowOk) break;
    last = Entry{next.key, next.ref, {}};
    below.push_back(std::move(next));
  }
  if (rc != kRowOk && rc != kNoEntry) return Finish(rc, true);
  // Rows above: those the page has room for, more when the key ended early.
  std::vector<Entry> above;
  const int want_above = visible_ - 1 - static_cast<int>(below.size());
  Entry first{entry.key, entry.ref, {}};
  // The steps below moved the key's cursor away from the entry, and a valid
  // cursor is stepped from where it stands: put it back on the entry first.
  if (key_number_ != 0 && want_above > 0) {
    Retry([&] {
      int32_t ref_again = entry.ref;
      std::string key_again = entry.key;
      engine_.FindKeyAndRef(fb_, key_number_, ref_again, key_again, 0);
    });
    if (int found = EngineResult()) return Finish(found, true);
  }
  rc = kRowOk;
  while (static_cast<int>(above.size()) < want_above) {
    Entry previous;
    rc = Step(first, false, &previous);
    if (rc != kRowOk) break;
    first = Entry{previous.key, previous.ref, {}};
    above.push_back(std::move(previous));
  }
  if (rc != kRowOk && rc != kNoEntry) return Finish(rc, true);
  int at = 0;
  for (auto it = above.rbegin(); it != above.rend(); ++it) Place(rows_[at++], *it);
  current_ = at + 1;
  Place(rows_[at++], entry);
  for (Entry& e : below) Place(rows_[at++], e);
  return Finish(kRowOk, true);
}

int RowBrowser::RefreshRows() { return Finish(kRowOk, false); }

int RowBrowser::SetVisibleRows(int n) {
  int wanted = std::clamp(n, 1, capacity());
  if (wanted < visible_) {
    for (int i = wanted; i < visible_; ++i) ClearRow(rows_[i]);
  }
  visible_ = wanted;
  if (current_ > visible_) current_ = visible_;
  if (rows_[current_ - 1].empty()) {
    if (filled_rows() == 0) return FirstPage();
    current_ = std::max(1, filled_rows());
  }
  return Resync();
}

// ---- Scroll bar -----------------------------------------------------------

// Walks the key's whole order (no range, no filter) and counts its entries in
// *total and those before (key, ref) in *index; used only for few entries. With
// key 0 this counts the records, where UsedSlots also counts the continuation
// slots of long records.
int RowBrowser::EntryIndex(const std::string& key, int32_t ref, int32_t* index, int32_t* total) {
  *index = 0;
  *total = 0;
  int32_t step_ref = 0;
  std::string step_key;
  if (key_number_ != 0) Retry([&] { engine_.ClearKey(fb_, key_number_); });
  while (true) {
    if (key_number_ == 0) {
      Retry([&] { engine_.NextUsedSlot(fb_, step_ref); });
    } else {
      Retry([&] { engine_.NextKey(fb_, key_number_, step_ref, step_key); });
    }
    if (!engine_.EngineOk()) break;
    const bool before = key_number_ == 0
                            ? step_ref < ref
                            : isam::CompareEntries(step_key, step_ref, key, ref, true) < 0;
    if (before) ++*index;
    ++*total;
  }
  return EngineResult() == kNoEntry ? kRowOk : EngineResult();
}

int RowBrowser::EntryAt(int32_t index, Entry* out) {
  int32_t step_ref = 0;
  std::string step_key;
  if (key_number_ != 0) Retry([&] { engine_.ClearKey(fb_, key_number_); });
  for (int32_t i = 0; i <= index; ++i) {
    if (key_number_ == 0) {
      Retry([&] { engine_.NextUsedSlot(fb_, step_ref); });
    } else {
      Retry([&] { engine_.NextKey(fb_, key_number_, step_ref, step_key); });
    }
    if (int rc = EngineResult()) return rc;
  }
  out->key = key_number_ == 0 ? std::string() : step_key;
  out->ref = step_ref;
  return kRowOk;
}

// Few entries (fewer than the 64 scroll steps) are counted exactly, so each
// entry has its own step and the ends are 0 and 63. Otherwise the engine's
// estimate from the upper tree levels is used, with the first entry at 0, the
// last at 63 and every other entry kept within 1..62, which keeps the mapping
// monotone.
int RowBrowser::ScrollPosition() {
  const RowRec& row = rows_[current_ - 1];
  if (row.empty()) return 0;
  int32_t entries = 0;
  Retry([&] {
    entries = key_number_ == 0 ? engine_.UsedSlots(fb_) : engine_.UsedKeys(fb_, key_number_);
  });
  if (!engine_.EngineOk() || entries < 2) return 0;
  if (entries <= kExactScrollEntries) {
    int32_t index = 0;
    if (EntryIndex(row.key, row.ref, &index, &entries) != kRowOk || entries < 2) return 0;
    index = std::min(index, entries - 1);
    return static_cast<int>((static_cast<int64_t>(index) * kScrollMax + (entries - 1) / 2) /
                            (entries - 1));
  }
  // The ends are recognised exactly.
  Entry neighbour;
  int32_t ref = row.ref;
  std::string key = row.key;
  if (key_number_ == 0) {
    Retry([&] { ref = engine_.SeekUsedSlot(fb_, row.ref, -1); });
  } else {
    Retry([&] {
      ref = row.ref;
      key = row.key;
      engine_.FindKeyAndRef(fb_, key_number_, ref, key, 0);
    });
    if (engine_.EngineOk()) Retry([&] { engine_.PrevKey(fb_, key_number_, ref, key); });
  }
  if (!engine_.EngineOk() && engine_.ErrorClass() == isam::ErrorClass::kExpected) return 0;
  ref = row.ref;
  key = row.key;
  if (key_number_ == 0) {
    Retry([&] { ref = engine_.SeekUsedSlot(fb_, row.ref, 1); });
  } else {
    Retry([&] {
      ref = row.ref;
      key = row.key;
      engine_.FindKeyAndRef(fb_, key_number_, ref, key, 0);
    });
    if (engine_.EngineOk()) Retry([&] { engine_.NextKey(fb_, key_number_, ref, key); });
  }
  if (!engine_.EngineOk() && engine_.ErrorClass() == isam::ErrorClass::kExpected) {
    return kScrollMax;
  }
  int position = 0;
  Retry([&] {
    position = key_number_ == 0
                   ? engine_.SlotToRelative(fb_, row.ref, kScrollMax)
                   : engine_.KeyToRelative(fb_, key_number_, row.key, row.ref, kScrollMax);
  });
  if (!engine_.EngineOk()) return 0;
  return std::clamp(position, 1, kScrollMax - 1);
}

int RowBrowser::PositionFromScroll(int position) {
  position = std::clamp(position, 0, kScrollMax);
  if (position == 0) return FirstPage();
  if (position == kScrollMax) return LastPage();
  int32_t entries = 0;
  Retry([&] {
    entries = key_number_ == 0 ? engine_.UsedSlots(fb_) : engine_.UsedKeys(fb_, key_number_);
  });
  if (int rc = EngineResult()) return Finish(rc, false);
  Entry target;
  if (entries <= kExactScrollEntries) {
    int32_t index = 0;
    if (int rc = EntryIndex(std::string(), 0, &index, &entries)) return Finish(rc, false);
    if (entries < 2) return FirstPage();
    index = (static_cast<int64_t>(position) * (entries - 1) + kScrollMax / 2) / kScrollMax;
    if (int rc = EntryAt(index, &target)) return Finish(rc, false);
  } else {
    int32_t ref = 0;
    std::string key;
    Retry([&] {
      if (key_number_ == 0) {
        ref = engine_.RelativeToSlot(fb_, position, kScrollMax);
      } else {
        engine_.RelativeToKey(fb_, key_number_, position, kScrollMax, ref, key);
      }
    });
    if (int rc = EngineResult()) return Finish(rc, false);
    if (ref == 0) return FirstPage();
    target.key = key;
    target.ref = ref;
  }
  return SetPosition(key_number_, target.key, target.ref, current_);
}

}  // namespace tessary::browser
