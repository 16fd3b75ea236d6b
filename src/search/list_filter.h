// The record list's filter decision: the viewing filters first, then the word
// search, whose verdict replaces theirs while a pass runs. The list calls
// PerformFilter for every entry it is about to place while its filter is
// switched on, and marks the end of each move's filtering with PassEnded. Both the main window's
// list and tessary-cli's pages go through here, over the FilterList seam.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "browser/row_browser.h"
#include "database/quotation_record.h"
#include "search/viewing_filters.h"
#include "search/word_search.h"

namespace tessary::search {

inline constexpr char kUsingFiltersCaption[] = "U s i n g   F i l t e r s   N o w";

// What the filter needs from the list it decides for.
class FilterList {
 public:
  virtual ~FilterList() = default;
  // Reads the candidate's record into record(): 0 when a live record was
  // read, 1 when it is gone, 2 locked, 3 and 4 failures.
  virtual int ReadRowRecord(const browser::RowRec& row) = 0;
  virtual const database::QuotationRecord& record() const = 0;
  // Builds the row's text at once from record() and marks it built.
  virtual void BuildRowNow(browser::RowRec& row) = 0;
  virtual int VisibleRows() const = 0;
  virtual int FilledRows() const = 0;
  // Entries of the list's key.
  virtual int64_t KeyEntries() = 0;
  // The current move examines no further candidate.
  virtual void EndPass() = 0;
  virtual void SetCaption(std::string_view caption) = 0;
};

class ListFilter {
 public:
  // `saved_caption` is the window caption put back when a row is accepted.
  ListFilter(ViewingFilters& filters, WordSearch& word_search, FilterList& list,
             const std::string& saved_caption);

  // The word search status window of a running pass (none: no updates).
  WordSearchStatus* word_status = nullptr;
  // Keeps a long viewing-filter pass responsive: called every 51 candidates
  // of one move with the candidates read and rows accepted so far; true stops
  // the move where it stands (the rows found so far stay).
  std::function<bool(uint64_t read, uint64_t accepted)> keep_responsive;

  // The filter callback: sets `use_it` and gives the row engine's status of
  // the last branch that ran (0 when none ran); above 2 is an error.
  int PerformFilter(browser::RowRec& row, bool& use_it);
  // The move's filtering has ended (the list's filter progress, call state 1).
  void PassEnded();

  // Once a move has read every entry of the key and none passed the viewing
  // filters, later moves end at once instead of reading the key again, until
  // the filters or the records change (Invalidate).
  bool nothing_passes() const { return nothing_passes_; }
  void Invalidate() { nothing_passes_ = false; }
  // The last viewing pass was stopped by keep_responsive.
  bool stopped() const { return stopped_; }

  void ResetCaptionCounter() { caption_counter_ = 0; }

 private:
  int WordBranch(browser::RowRec& row, bool& use_it);
  void Accepted(browser::RowRec& row);

  ViewingFilters& filters_;
  WordSearch& word_;
  FilterList& list_;
  const std::string& saved_caption_;
  int caption_counter_ = 0;
  uint64_t pass_read_ = 0;
  uint64_t pass_accepted_ = 0;
  bool stopped_ = false;
  bool pass_open_ = false;
  bool nothing_passes_ = false;
};

// FilterList over a RowBrowser whose record buffer is `record` (tessary-cli,
// tests).
class BrowserFilterList : public FilterList {
 public:
  BrowserFilterList(browser::RowBrowser& browser, isam::Engine& engine,
                    const database::QuotationRecord& record)
      : browser_(browser), engine_(engine), record_(record) {}
  int ReadRowRecord(const browser::RowRec& row) override { return browser_.ReadRowRecord(row); }
  const database::QuotationRecord& record() const override { return record_; }
  void BuildRowNow(browser::RowRec& row) override;
  int VisibleRows() const override { return browser_.visible_rows(); }
  int FilledRows() const override { return browser_.filled_rows(); }
  int64_t KeyEntries() override;
  void EndPass() override { browser_.EndFilterPass(); }
  void SetCaption(std::string_view) override {}

 private:
  browser::RowBrowser& browser_;
  isam::Engine& engine_;
  const database::QuotationRecord& record_;
};

// Wires `filter` into `browser`'s callbacks.
void AttachFilter(browser::RowBrowser& browser, ListFilter& filter);

}  // namespace tessary::search
