#include "search/list_filter.h"

#include "isam/format.h"

namespace tessary::search {
namespace {

constexpr uint64_t kResponsiveEvery = 51;

}  // namespace

ListFilter::ListFilter(ViewingFilters& filters, WordSearch& word_search, FilterList& list,
                       const std::string& saved_caption)
    : filters_(filters), word_(word_search), list_(list), saved_caption_(saved_caption) {}

void ListFilter::Accepted(browser::RowRec& row) {
  list_.BuildRowNow(row);
  list_.SetCaption(saved_caption_);
}

int ListFilter::PerformFilter(browser::RowRec& row, bool& use_it) {
  use_it = true;
  int status = 0;
  if (!pass_open_) {
    // The first candidate of a move.
    pass_open_ = true;
    pass_read_ = 0;
    pass_accepted_ = 0;
    stopped_ = false;
  }
  if (filters_.filters_on) {
    if (++caption_counter_ > 10) {
      list_.SetCaption(kUsingFiltersCaption);
      caption_counter_ = 0;
    }
    // While a word search runs its verdict replaces this one, so the record
    // is not read twice.
    if (!word_.active) {
      if (nothing_passes_ || (++pass_read_ % kResponsiveEvery == 0 && keep_responsive &&
                              keep_responsive(pass_read_, pass_accepted_))) {
        if (!nothing_passes_) stopped_ = true;
        list_.EndPass();
        use_it = false;
        return 0;
      }
      status = list_.ReadRowRecord(row);
      if (status > 2) return status;
      if (status == 1 || status == 2) {
        row.status = -2;
      } else {
        use_it = FilterAccepts(filters_, list_.record());
      }
      if (use_it) {
        Accepted(row);
        ++pass_accepted_;
      }
    }
  }
  if (word_.active) status = WordBranch(row, use_it);
  return status;
}

int ListFilter::WordBranch(browser::RowRec& row, bool& use_it) {
  WordSearch& w = word_;
  if (w.has_frontier) {
    const int order = isam::CompareEntries(row.key, row.ref, w.frontier_key, w.frontier_ref, true);
    // The list tests the same entry again when it looks for its neighbours;
    // an entry before the furthest one means the list ran out of data and
    // now steps back over what this pass has seen.
    if (order == 0) {
      use_it = false;
      return 0;
    }
    if (order < 0) {
      list_.EndPass();
      use_it = false;
      return 0;
    }
  }
  w.has_frontier = true;
  w.frontier_key = row.key;
  w.frontier_ref = row.ref;

  ++w.records_read;
  ++w.progress;
  if (w.progress > kStatusEvery) {
    w.shown_selected = ShownSelected(w.accepted);
    if (word_status != nullptr) {
      word_status->Update(SearchingForLine(w.target), w.sort_caption,
                          RecordsReadLine(w.records_read, w.shown_selected));
      if (word_status->StopPressed()) {
        w.searching = false;
        w.stopped = true;
      }
    }
    w.progress = 0;
  }
  if (!w.searching) {
    list_.EndPass();
    use_it = false;
    return 0;
  }

  const int status = list_.ReadRowRecord(row);
  if (status > 2) return status;
  if (status == 1 || status == 2) {
    row.status = -2;
  } else {
    use_it = WordMatch(list_.record(), w.target, w.case_sensitive, w.whole_words);
  }
  if (use_it) {
    Accepted(row);
    ++w.accepted;
    if (row.ref == w.start_ref && row.key == w.start_key) w.start_accepted = true;
    if (static_cast<uint64_t>(list_.VisibleRows()) < w.accepted + 1) {
      // A screenful has been found.
      w.searching = false;
      list_.EndPass();
    }
  }
  return status;
}

void ListFilter::PassEnded() {
  pass_open_ = false;
  if (filters_.filters_on && !word_.active && !nothing_passes_ && !stopped_ &&
      pass_accepted_ == 0 && pass_read_ > 0 && list_.FilledRows() == 0 &&
      static_cast<int64_t>(pass_read_) >= list_.KeyEntries()) {
    nothing_passes_ = true;
  }
  if (filters_.filters_on) list_.SetCaption(saved_caption_);
}

void BrowserFilterList::BuildRowNow(browser::RowRec& row) {
  if (browser_.BuildRow) browser_.BuildRow(row);
  row.built = true;
}

int64_t BrowserFilterList::KeyEntries() {
  return engine_.UsedKeys(browser_.fileblock(), browser_.key_number());
}

void AttachFilter(browser::RowBrowser& browser, ListFilter& filter) {
  browser.PerformFilter = [&filter](browser::RowRec& row, bool& use_it) {
    return filter.PerformFilter(row, use_it);
  };
  browser.ShowFilterWorking = [&filter](int call_state, bool) {
    if (call_state == 1) filter.PassEnded();
  };
}

}  // namespace tessary::search
