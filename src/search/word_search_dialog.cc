#include "search/word_search_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/focus_hints.h"
#include "ui/qt_text.h"

namespace tessary::search {
namespace {

constexpr int kKeptTargets = 16;

}  // namespace

TWord_Search_Dialog::TWord_Search_Dialog(ui::Host& host, QWidget* parent)
    : QDialog(parent), host_(host) {
  setObjectName("Word_Search");
  setWindowTitle(kWordSearchTitle);
  auto* layout = new QGridLayout(this);
  auto* label = new QLabel("Enter Target Word(s)", this);
  target_ = new QComboBox(this);
  target_->setObjectName("ComboBox_Target");
  target_->setEditable(true);
  target_->setInsertPolicy(QComboBox::NoInsert);
  target_->setMinimumWidth(300);
  target_->lineEdit()->setMaxLength(static_cast<int>(kTargetMax));
  label->setBuddy(target_);
  case_sensitive_ = new QCheckBox("&Case Sensitive", this);
  case_sensitive_->setObjectName("CheckBox_CaseSensitive");
  whole_words_ = new QCheckBox("&Whole Words Only", this);
  whole_words_->setObjectName("CheckBox_WholeWords");
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("BitBtn_OK");
  ok_->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("BitBtn_Cancel");
  auto* help = new QPushButton("Help", this);
  help->setObjectName("BitBtn_Help");
  status_ = new QLabel(this);
  status_->setObjectName("StatusPanel");
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);

  layout->addWidget(label, 0, 0, 1, 2);
  layout->addWidget(target_, 1, 0, 1, 2);
  layout->addWidget(case_sensitive_, 2, 0);
  layout->addWidget(whole_words_, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  layout->addLayout(buttons, 3, 0, 1, 2);
  layout->addWidget(status_, 4, 0, 1, 2);

  hints_ = new ui::FocusHints(status_);
  hints_->Add(target_, "Type the word or phrase to find, at most 32 characters.");
  hints_->Add(case_sensitive_, "Find the target only where capitals and small letters match it.");
  hints_->Add(whole_words_, "Find the target only as a whole word, not inside a longer one.");
  hints_->Add(ok_, "Search the lines of the quotations for the target.");
  hints_->Add(cancel, "Cancel and return.");
  hints_->Add(help, "Get help on \"Word Search.\"");

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { host_.ShowHelp(kWordSearchHelpTopic); });
}

bool TWord_Search_Dialog::Run(WordSearch& state) {
  target_->setFocus();
  target_->lineEdit()->selectAll();
  if (exec() != QDialog::Accepted) {
    state.active = false;
    return false;
  }
  const QString typed = target_->currentText();
  if (!state.TakeDialog(ui::ToAnsi(typed), case_sensitive_->isChecked(),
                        whole_words_->isChecked())) {
    return false;
  }
  // The list keeps earlier targets, the latest first.
  const int at = target_->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (at >= 0) target_->removeItem(at);
  target_->insertItem(0, typed);
  while (target_->count() > kKeptTargets) target_->removeItem(target_->count() - 1);
  target_->setCurrentIndex(0);
  return true;
}

}  // namespace tessary::search
