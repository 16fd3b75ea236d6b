// RowBrowser keeps one page of rows over one index key (or, with key number
// 0, over the data file in slot order) and moves that page through the key's
// order. It holds only the rows of the page, each identified by its entry's key
// text and reference, and re-finds its place by that pair at every move, so
// records changed elsewhere simply appear or vanish at the next move. A move by
// n rows costs n key steps plus the entries the filter rejects, never a scan.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "isam/engine.h"

namespace tessary::browser {

inline constexpr size_t kMaxKeyText = 30;
inline constexpr size_t kRowEltLength = 128;
inline constexpr int kMaxRowElements = 8;
inline constexpr int kScrollMax = 63;

// Result codes of the moves: 0 success, 1 no entry (an empty range, the end of
// the key), larger values are engine error numbers or a callback's own code.
enum : int { kRowOk = 0, kNoEntry = 1 };

struct RowRec {
  std::string key;       // the entry's key text, at most 30 characters
  int32_t ref = 0;       // below 1: the row is empty
  int32_t status = 0;    // 0 good; -1 the record no longer reads; -10 and below never re-tested
  bool changed = false;  // the text differs from before the last rebuild
  bool built = false;    // just built; the next completion leaves it alone
  std::vector<std::string> elements;  // the displayed text, one element per text line

  bool empty() const { return ref < 1; }
};

class RowBrowser {
 public:
  // `record_buffer` receives a row's record when the row is tested; it holds
  // `buffer_size` bytes. Rows are allocated once, all visible, current row 1.
  RowBrowser(isam::Engine& engine, isam::Fileblock* fileblock, int key_number, void* record_buffer,
             size_t buffer_size, std::string low_bound, std::string high_bound, int capacity,
             int elements_per_row, bool variable_length);

  // Callbacks. BuildRow fills the row elements (0 success, else the code ends
  // the operation). PerformFilter rejects an entry by clearing `use_it`; it is
  // asked only while the filter is active. ShowFilterWorking reports filtering:
  // call state -1 (first of a page build), 0 (further), 1 (end).
  std::function<int(RowRec& row)> BuildRow;
  std::function<int(RowRec& row, bool& use_it)> PerformFilter;
  std::function<void(int call_state, bool rejected)> ShowFilterWorking;
  std::function<void()> PreCompletePage;
  std::function<void()> PostCompletePage;
  // Pauses the thread between retries of lock-class failures (a test may
  // count instead of sleeping).
  std::function<void(int milliseconds)> Pause;

  int FirstPage();
  int LastPage();
  // Scroll the page by up to n entries; *moved tells how many it moved.
  int StepForward(int n, int* moved = nullptr);
  int StepBackward(int n, int* moved = nullptr);
  int NextRow();
  int PrevRow();
  int NextPage();
  int PrevPage();
  // Makes the entry the current row at `row_index` and rebuilds the page around it.
  int SetPosition(int key_number, std::string key_text, int32_t ref, int row_index);
  int Resync();
  int RefreshRows();
  int SetVisibleRows(int n);

  int32_t CurrentRef() const;
  std::string CurrentKey() const;
  // Where the current entry lies in the key, 0 (first) to 63 (last).
  int ScrollPosition();
  // Moves the page to the entry at a scroll position.
  int PositionFromScroll(int position);

  // Reads a row's record into the record buffer: 0 when it is a live record,
  // 1 when the slot is no longer one, else the error class of the failed read.
  int ReadRowRecord(const RowRec& row);

  // Switches the filter on or off; switching it off closes an open progress sequence.
  void SetFilterActive(bool active);
  // Called from PerformFilter: the current move examines no further entry, as
  // if the key ended after this candidate (whose verdict still counts). A
  // filter that has seen enough, or that the user stopped, so ends a pass
  // without stepping through the rest of a large key.
  void EndFilterPass() { pass_ended_ = true; }
  bool filter_active() const { return filter_active_; }
  // Changes the key; the caller then runs Resync to find the current row's
  // key text in the new order.
  void SetKeyNumber(int key_number) { key_number_ = key_number; }
  int key_number() const { return key_number_; }
  void SetBounds(std::string low, std::string high);

  int capacity() const { return static_cast<int>(rows_.size()); }
  int visible_rows() const { return visible_; }
  int current_row() const { return current_; }
  // Moves the highlight within the filled rows without moving the page.
  void SetCurrentRow(int row);
  // Row 1 to visible_rows().
  const RowRec& row(int index) const { return rows_[index - 1]; }
  RowRec& row(int index) { return rows_[index - 1]; }
  // Filled rows (the rows above the first empty one).
  int filled_rows() const;
  bool last_ok() const { return last_ok_; }
  bool page_moved() const { return page_moved_; }
  isam::Fileblock* fileblock() const { return fb_; }
  void SetFileblock(isam::Fileblock* fb) { fb_ = fb; }

 private:
  struct Entry {
    std::string key;
    int32_t ref = 0;
    RowRec row;  // what the filter left in the candidate row
  };

  template <typename Call>
  void Retry(Call call);
  int EngineResult() const;
  bool InRange(const std::string& key) const;
  int Accept(Entry& entry, bool* used);
  int Step(const Entry& from, bool forward, Entry* out);
  int Find(const std::string& key, int32_t ref, int direction, Entry* out);
  void ClearRow(RowRec& row);
  void Place(RowRec& row, Entry& entry);
  void ClearPage();
  int Complete();
  int Finish(int result, bool moved);
  int EntryIndex(const std::string& key, int32_t ref, int32_t* index, int32_t* total);
  int EntryAt(int32_t index, Entry* out);

  isam::Engine& engine_;
  isam::Fileblock* fb_;
  int key_number_;
  void* record_buffer_;
  size_t buffer_size_;
  std::string low_;
  std::string high_;
  bool variable_length_;
  int elements_;
  std::vector<RowRec> rows_;
  int visible_;
  int current_ = 1;
  bool filter_active_ = false;
  bool filter_sequence_open_ = false;
  bool pass_ended_ = false;
  bool last_ok_ = true;
  bool page_moved_ = false;
};

}  // namespace tessary::browser
