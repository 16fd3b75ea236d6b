// TWord_Search_Dialog: "Word Search", a combo box for the target (at most 32
// characters, earlier targets kept in its list), "&Case Sensitive" and
// "&Whole Words Only", OK, Cancel and Help (topic 400). Created once; its
// boxes keep their state between uses.
//
// Use: Run(state) shows it modally; on OK the typed text and boxes go
// through WordSearch::TakeDialog, and the result tells whether a search is to
// run (false on Cancel or an empty target).
#pragma once

#include <QDialog>

#include "search/word_search.h"
#include "ui/host.h"

namespace tessary::ui {
class FocusHints;
}  // namespace tessary::ui

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace tessary::search {

class TWord_Search_Dialog : public QDialog {
  Q_OBJECT

 public:
  TWord_Search_Dialog(ui::Host& host, QWidget* parent = nullptr);

  bool Run(WordSearch& state);

  QComboBox* target_box() const { return target_; }
  QCheckBox* case_box() const { return case_sensitive_; }
  QCheckBox* whole_box() const { return whole_words_; }
  QPushButton* ok_button() const { return ok_; }
  QLabel* status_panel() const { return status_; }

 private:
  ui::Host& host_;
  QComboBox* target_ = nullptr;
  QCheckBox* case_sensitive_ = nullptr;
  QCheckBox* whole_words_ = nullptr;
  QPushButton* ok_ = nullptr;
  QLabel* status_ = nullptr;
  ui::FocusHints* hints_ = nullptr;
};

}  // namespace tessary::search
