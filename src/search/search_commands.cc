#include "search/search_commands.h"

#include <QTimer>

#include "search/filters_dialog.h"
#include "search/index_key_dialog.h"
#include "search/index_key_search.h"
#include "search/search_status.h"
#include "search/word_search_dialog.h"
#include "ui/qt_text.h"

namespace tessary::search {
namespace {

constexpr size_t kCaptionMax = 70;

}  // namespace

// The filter's view of the main window's list.
class TSearch_Commands::ListAccess : public FilterList {
 public:
  explicit ListAccess(const SearchSeam& seam) : seam_(seam) {}
  int ReadRowRecord(const browser::RowRec& row) override { return seam_.list->ReadRowRecord(row); }
  const database::QuotationRecord& record() const override { return seam_.session->current_record; }
  void BuildRowNow(browser::RowRec& row) override { seam_.list->BuildRowNow(row); }
  // The page the list fills, which is what a screenful means.
  int VisibleRows() const override { return seam_.list->engine()->visible_rows(); }
  int FilledRows() const override { return seam_.list->engine()->filled_rows(); }
  int64_t KeyEntries() override {
    return seam_.session->engine().UsedKeys(seam_.session->fileblock(), seam_.list->KeyNumber());
  }
  void EndPass() override { seam_.list->engine()->EndFilterPass(); }
  void SetCaption(std::string_view caption) override {
    seam_.window->setWindowTitle(ui::FromAnsi(caption));
  }

 private:
  const SearchSeam& seam_;
};

TSearch_Commands::TSearch_Commands(ui::Host& host, SearchSeam seam)
    : host_(host), seam_(std::move(seam)) {
  access_ = std::make_unique<ListAccess>(seam_);
  filter_ = std::make_unique<ListFilter>(*seam_.filters, word_, *access_, *seam_.saved_caption);
  filter_->keep_responsive = [this](uint64_t read, uint64_t accepted) {
    return KeepResponsive(read, accepted);
  };
  word_dialog_ = new TWord_Search_Dialog(host_, seam_.window);
  status_ = new TWord_Search_Status(seam_.window);
  filters_dialog_ = new TFILTERS_Dialog(host_, seam_.window);

  seam_.list->OnPerformFilter = [this](browser::RowRec& row, bool& use_it) {
    return filter_->PerformFilter(row, use_it);
  };
  seam_.list->OnShowFilterWorking = [this](int call_state, bool) {
    if (call_state == 1) PassEnded();
  };
  connect(seam_.list, &browser::TListBrowser::RowChanged, this, &TSearch_Commands::UpdateFooter);
}

TSearch_Commands::~TSearch_Commands() {
  if (seam_.list != nullptr) {
    seam_.list->OnPerformFilter = nullptr;
    seam_.list->OnShowFilterWorking = nullptr;
  }
}

// ---- The list's filter -------------------------------------------------------

bool TSearch_Commands::KeepResponsive(uint64_t read, uint64_t accepted) {
  if (!pass_clock_.isValid() || read <= 51) pass_clock_.start();
  if (!filter_status_open_) {
    if (pass_clock_.elapsed() < filter_status_after_ms) return false;
    filter_status_open_ = true;
    status_->Open(kFilterStatusTitle, kFilterStatusLine);
  }
  status_->Update(kFilterStatusLine, database::SortKeyCaption(seam_.list->KeyNumber()),
                  RecordsReadLine(read, accepted));
  return status_->StopPressed();
}

void TSearch_Commands::PassEnded() {
  filter_->PassEnded();
  if (filter_status_open_ && !word_.active) {
    filter_status_open_ = false;
    status_->hide();
  }
  // The footer changes the list's rows: not from inside its move.
  if (!footer_queued_) {
    footer_queued_ = true;
    QTimer::singleShot(0, this, &TSearch_Commands::UpdateFooter);
  }
}

void TSearch_Commands::UpdateFooter() {
  footer_queued_ = false;
  browser::RowBrowser* engine = seam_.list->engine();
  if (engine == nullptr) return;
  const bool empty = seam_.filters->filters_on && filter_->nothing_passes() &&
                     seam_.list->FilterEnabled() && engine->filled_rows() == 0;
  seam_.list->SetFooter(empty ? kNothingPassesFooter : "");
}

void TSearch_Commands::Invalidate() {
  filter_->Invalidate();
  UpdateFooter();
}

// ---- Word search -------------------------------------------------------------

void TSearch_Commands::SaveCaption() {
  std::string caption = ui::ToAnsi(seam_.window->windowTitle());
  if (caption.size() > kCaptionMax) caption.resize(kCaptionMax);
  *seam_.saved_caption = caption;
}

void TSearch_Commands::RestoreCaption() {
  seam_.window->setWindowTitle(ui::FromAnsi(*seam_.saved_caption));
}

void TSearch_Commands::WordSearchCommand() {
  database::Session& session = *seam_.session;
  browser::TListBrowser* list = seam_.list;
  if (!session.is_open() || list->engine() == nullptr) return;
  word_.Reset(session.engine().UsedKeys(session.fileblock(), 1));
  if (!word_dialog_->Run(word_)) return;

  SaveCaption();
  host_.SetBusy(true);
  std::string key;
  int32_t ref = 0;
  word_.StartPosition(list->CurrentKey(), list->CurrentRef(), &key, &ref);
  word_.BeginPass(database::SortKeyCaption(list->KeyNumber()), key, ref);
  status_->Open(kWordSearchStatusTitle, SearchingForLine(word_.target));

  // The list's filter goes on before the search does, so switching it on
  // does not run a pass of its own.
  word_.active = false;
  list->SetFilterEnabled(true);
  word_.active = true;
  filter_->word_status = status_;
  list->engine()->SetCurrentRow(1);
  list->SetCurrentEntry(key, ref);
  filter_->word_status = nullptr;
  const bool none_beyond = word_.EndPass();

  status_->hide();
  filter_status_open_ = false;
  host_.SetBusy(false);
  RestoreCaption();
  if (none_beyond) host_.ShowInformation(kNoMoreMatches + word_.target);
}

// ---- Index key search --------------------------------------------------------

void TSearch_Commands::IndexKeySearchCommand() {
  database::Session& session = *seam_.session;
  browser::TListBrowser* list = seam_.list;
  if (!session.is_open() || list->engine() == nullptr) return;
  session.saved_record = database::EmptyRecord();
  IndexSearchFields fields;
  bool accepted = false;
  if (index_dialog_override) {
    accepted = index_dialog_override(&fields);
  } else {
    TIndex_Key_Search dialog(host_, seam_.window);
    accepted = dialog.Run(&fields);
  }
  if (!accepted) return;
  int key = 0;
  int32_t ref = 0;
  std::string key_text;
  switch (RunIndexKeySearch(session, fields, &key, &ref, &key_text)) {
    case IndexSearchResult::kNoField:
      return;
    case IndexSearchResult::kNotFound:
      session.ReportEngineError();
      return;
    case IndexSearchResult::kFound:
      break;
  }
  seam_.position_list_on(key, ref);
}

// ---- Viewing filters ---------------------------------------------------------

void TSearch_Commands::TakeHighlighted() {
  database::Session& session = *seam_.session;
  browser::TListBrowser* list = seam_.list;
  if (seam_.refresh_header_and_status) seam_.refresh_header_and_status();
  const int32_t ref = list->CurrentRef();
  session.SetCurrentKey(list->KeyNumber());
  if (ref < 1 || !session.is_open()) return;
  session.ReadCurrent(ref);
}

void TSearch_Commands::FiltersOff(bool release_button) {
  ClearAllFilters(*seam_.filters);
  seam_.filters->filters_on = false;
  filter_->Invalidate();
  RestoreCaption();
  if (release_button && seam_.show_filter_state) seam_.show_filter_state(false);
  host_.ShowInformation(kFiltersOffMessage);
  // Switching the list's filter off finds the highlighted entry again.
  seam_.list->SetFilterEnabled(false);
  TakeHighlighted();
  if (seam_.show_filter_state) seam_.show_filter_state(false);
  UpdateFooter();
}

void TSearch_Commands::FiltersOnCommand() {
  if (seam_.list->engine() == nullptr) return;
  if (seam_.filters->filters_on) {
    FiltersOff(true);
    return;
  }
  seam_.filters->filters_on = true;
  SaveCaption();
  filter_->ResetCaptionCounter();
  filters_dialog_->Run(*seam_.filters, seam_.option_flag_1 && seam_.option_flag_1());
  filter_->Invalidate();
  if (seam_.show_filter_state) seam_.show_filter_state(seam_.filters->filters_on);
  // One pass positions the page: switching the filter on finds the
  // highlighted entry or the next one that passes.
  if (seam_.list->FilterEnabled()) {
    seam_.list->Resync();
  } else {
    seam_.list->SetFilterEnabled(true);
  }
  TakeHighlighted();
  if (seam_.show_filter_state) seam_.show_filter_state(seam_.filters->filters_on);
  UpdateFooter();
}

void TSearch_Commands::FiltersOffCommand() {
  if (seam_.list->engine() == nullptr) return;
  FiltersOff(true);
}

}  // namespace tessary::search
