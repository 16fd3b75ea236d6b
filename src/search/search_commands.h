// TSearch_Commands: the main window's search and filter commands (Word
// Search, Index Key Search, Filter(s) ON / OFF and the "Set Viewing Filters"
// toggle) and the record list's filter callback. The main window hands it the
// pieces it works on through SearchSeam and connects its menu items, buttons
// and pop-up items to the command functions.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "browser/list_browser.h"
#include "database/session.h"
#include "search/index_key_search.h"
#include "search/list_filter.h"
#include "search/viewing_filters.h"
#include "search/word_search.h"
#include "ui/host.h"

namespace tessary::search {

class TFILTERS_Dialog;
class TWord_Search_Dialog;
class TWord_Search_Status;

inline constexpr char kFilterStatusTitle[] = "Filter Status";
inline constexpr char kFilterStatusLine[] = "Looking for records that pass the viewing filters";
inline constexpr char kNothingPassesFooter[] = "  No record passes the viewing filters now in use.";

// What the commands work on, owned by the main window.
struct SearchSeam {
  QWidget* window = nullptr;  // caption, and parent of the dialogs
  browser::TListBrowser* list = nullptr;
  database::Session* session = nullptr;
  ViewingFilters* filters = nullptr;
  std::string* saved_caption = nullptr;
  std::function<bool()> option_flag_1;
  std::function<void()> refresh_header_and_status;
  // Makes `key` the sort key and highlights the record at `ref`, which
  // becomes the current record.
  std::function<void(int key, int32_t ref)> position_list_on;
  // Shows the filter state: the filter panel and the toggle button.
  std::function<void(bool filters_on)> show_filter_state;
};

class TSearch_Commands : public QObject {
  Q_OBJECT

 public:
  // Takes over the list's filter callbacks.
  TSearch_Commands(ui::Host& host, SearchSeam seam);
  ~TSearch_Commands() override;

  void WordSearchCommand();
  void IndexKeySearchCommand();
  void FiltersOnCommand();  // the menu item and the toggle button
  void FiltersOffCommand();
  // The filters or the records changed: the next move reads the key again.
  void Invalidate();

  // A long viewing-filter pass shows its status window after this long.
  int filter_status_after_ms = 400;

  // For tests and the reading window.
  WordSearch& word_search() { return word_; }
  ListFilter& filter() { return *filter_; }
  TWord_Search_Dialog* word_dialog() const { return word_dialog_; }
  TWord_Search_Status* status_window() const { return status_; }
  TFILTERS_Dialog* filters_dialog() const { return filters_dialog_; }
  // Index key search dialog seam: when set, runs instead of the dialog (gives
  // whether it was accepted and the fields).
  std::function<bool(IndexSearchFields*)> index_dialog_override;

 private:
  class ListAccess;

  bool KeepResponsive(uint64_t read, uint64_t accepted);
  void PassEnded();
  void UpdateFooter();
  void SaveCaption();
  void RestoreCaption();
  void FiltersOff(bool release_button);
  // Takes the highlighted record into the current record after the list's
  // filter changed.
  void TakeHighlighted();

  ui::Host& host_;
  SearchSeam seam_;
  WordSearch word_;
  std::unique_ptr<ListAccess> access_;
  std::unique_ptr<ListFilter> filter_;
  TWord_Search_Dialog* word_dialog_ = nullptr;
  TWord_Search_Status* status_ = nullptr;
  TFILTERS_Dialog* filters_dialog_ = nullptr;
  QElapsedTimer pass_clock_;
  bool filter_status_open_ = false;
  bool footer_queued_ = false;
};

}  // namespace tessary::search
