// TFILTERS_Dialog: "Filters are Electronic Gate Keepers", the viewing filters'
// nine check boxes in three groups, OK, Cancel, Reset (hint "Clear All
// Filters") and Help (topic 230).
//
// Use: Run(filters, option_flag_1) shows it modally; the boxes show the flags
// when it opens, and on closing by OK or Cancel alike the flags are set from
// the boxes (CloseFiltersDialog: filters on is cleared when no box counts as
// checked).
#pragma once

#include <QDialog>
#include <array>

#include "search/viewing_filters.h"
#include "ui/host.h"

namespace tessary::ui {
class FocusHints;
}  // namespace tessary::ui

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessary::search {

class TFILTERS_Dialog : public QDialog {
  Q_OBJECT

 public:
  TFILTERS_Dialog(ui::Host& host, QWidget* parent = nullptr);

  void Run(ViewingFilters& filters, bool option_flag_1);

  QCheckBox* box(FilterBox which) const { return boxes_[static_cast<size_t>(which)]; }
  QPushButton* reset_button() const { return reset_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }
  QLabel* status_panel() const { return status_; }

 private:
  void ShowFlags();
  FilterBoxes Boxes() const;

  ui::Host& host_;
  ViewingFilters* filters_ = nullptr;
  std::array<QCheckBox*, kFilterBoxCount> boxes_ = {};
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* reset_ = nullptr;
  QLabel* status_ = nullptr;
  ui::FocusHints* hints_ = nullptr;
};

}  // namespace tessary::search
