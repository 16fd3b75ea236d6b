// TSECTIONS_Dialog: "SECTIONS", the eight section names as a single-choice
// list (item 1 chosen when created), OK, Cancel and Help (topic 350).
//
// Use: ChooseSection(parent, host, option_flag_1) creates the dialog for the
// occasion, shows it modally and gives the chosen section digit, or nothing
// when it was cancelled. The reading window then calls JumpToSection
// (search/sections.h) with the digit.
#pragma once

#include <QDialog>
#include <optional>

#include "ui/host.h"

class QListWidget;
class QPushButton;

namespace tessary::search {

class TSECTIONS_Dialog : public QDialog {
  Q_OBJECT

 public:
  TSECTIONS_Dialog(ui::Host& host, QWidget* parent = nullptr);

  // The chosen item, 1 to 8.
  int ChosenItem() const;
  QListWidget* list() const { return list_; }
  QPushButton* ok_button() const { return ok_; }

 private:
  ui::Host& host_;
  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
};

std::optional<char> ChooseSection(QWidget* parent, ui::Host& host, bool option_flag_1);

}  // namespace tessary::search
