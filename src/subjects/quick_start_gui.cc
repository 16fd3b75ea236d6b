#include "subjects/quick_start_gui.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/icons.h"
#include "ui/qt_text.h"

namespace tessary::subjects {
namespace {

const char* IconName(QuickStartButton button) {
  switch (button) {
    case QuickStartButton::kBrowser:
      return "exit-to-main";
    case QuickStartButton::kSubjectList:
      return "subject-list";
    case QuickStartButton::kSubjectFinder:
      return "subject-finder";
    case QuickStartButton::kQuoteADay:
      return "quote-a-day";
    case QuickStartButton::kSubjectIcons:
      return "subject-icons";
    case QuickStartButton::kHintsAndTips:
      return "help";
  }
  return "";
}

}  // namespace

TQS_MENU_TESSARY::TQS_MENU_TESSARY(QWidget* parent) : QDialog(parent) {
  setObjectName("TQS_MENU_TESSARY");
  setWindowTitle("Quick Start Menu");
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(10);
  int index = 0;
  for (const QuickStartButtonInfo& info : QuickStartButtons()) {
    const int row = index % 3;
    const int column = index / 3 * 2;
    auto* button = new QPushButton(ui::ToolIcon(IconName(info.button)),
                                   ui::FromAnsi(info.title).trimmed(), this);
    button->setIconSize(QSize(32, 32));
    button->setMinimumSize(250, 56);
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setStyleSheet("text-align: left; padding-left: 10px;");
    auto* subtitle = new QLabel(ui::FromAnsi(info.subtitle).trimmed(), this);
    subtitle->setMinimumWidth(200);
    grid->addWidget(button, row, column);
    grid->addWidget(subtitle, row, column + 1);
    const QuickStartButton which = info.button;
    connect(button, &QPushButton::clicked, this, [this, which] {
      choices_.Choose(which);
      accept();
    });
    if (which == QuickStartButton::kBrowser) {
      button->setDefault(true);
      button->setFocus();
    } else {
      button->setAutoDefault(false);
    }
    buttons_[which] = button;
    ++index;
  }
}

void TQS_MENU_TESSARY::SetQuoteADayAvailable(bool available) {
  buttons_.at(QuickStartButton::kQuoteADay)->setEnabled(available);
}

void TQS_MENU_TESSARY::showEvent(QShowEvent* event) {
  choices_.Activate();
  buttons_.at(QuickStartButton::kBrowser)->setFocus();
  QDialog::showEvent(event);
}

}  // namespace tessary::subjects
