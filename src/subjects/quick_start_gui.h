// TQS_MENU_TESSARY ("Quick Start Menu"): six large buttons in two columns,
// each with its title and a subtitle beside it. Any button closes the menu;
// Browser is the default, so Enter chooses it. The close box sets no flag.
#pragma once

#include <QDialog>
#include <map>

#include "subjects/quick_start.h"

class QPushButton;

namespace tessary::subjects {

class TQS_MENU_TESSARY : public QDialog {
  Q_OBJECT

 public:
  explicit TQS_MENU_TESSARY(QWidget* parent = nullptr);

  // Whether the quote-a-day button can be used (a reading window exists).
  void SetQuoteADayAvailable(bool available);

  const QuickStartChoices& choices() const { return choices_; }
  QPushButton* button(QuickStartButton which) const { return buttons_.at(which); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QuickStartChoices choices_;
  std::map<QuickStartButton, QPushButton*> buttons_;
};

}  // namespace tessary::subjects
