#include "subjects/subject_lists_gui.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

#include "ui/icons.h"
#include "ui/qt_text.h"

namespace tessary::subjects {
namespace {

// Typed text stays within the limit; the list's own items, which may be
// longer, are always accepted.
class TypedTextValidator : public QValidator {
 public:
  TypedTextValidator(QComboBox* box) : QValidator(box), box_(box) {}
  State validate(QString& input, int&) const override {
    if (input.size() <= static_cast<int>(kTypedTextLimit)) return Acceptable;
    return box_->findText(input, Qt::MatchFixedString) >= 0 ? Acceptable : Invalid;
  }

 private:
  QComboBox* box_;
};

}  // namespace

TypedJumpBox::TypedJumpBox(const std::vector<std::string>& items, QWidget* parent)
    : QComboBox(parent), items_(items) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(16);
  for (const std::string& item : items_) addItem(ui::FromAnsi(item));
  lineEdit()->setValidator(new TypedTextValidator(this));
  setToolTip(kListHint);
}

void TypedJumpBox::showPopup() {
  const std::string typed = ui::ToAnsi(currentText());
  if (!typed.empty()) setCurrentIndex(static_cast<int>(ClosestItem(items_, typed)));
  QComboBox::showPopup();
}

SubjectListDialog::SubjectListDialog(ListKind kind, ui::Host& host, QWidget* parent)
    : QDialog(parent), kind_(kind), host_(host) {
  const bool subtitles = kind == ListKind::kSubtitles;
  setObjectName(subtitles ? "TSubtitle_List_Box" : "TSUB_LB");
  setWindowTitle(subtitles ? "Subject Finder List Box" : "Subject List Box");
  status_ = ui::MakeStatusPanel(this);
  status_->setMargin(3);
  status_->setWordWrap(true);
  hints_ = new ui::FocusHints(status_);

  auto* list_group = new QGroupBox(subtitles ? "1. Select Subtitle" : "1. Select Subject", this);
  list_ = new TypedJumpBox(subtitles ? SubtitleListBoxItems() : SubjectListItems(), list_group);
  list_->setObjectName("ComboBox1");
  auto* list_layout = new QVBoxLayout(list_group);
  if (subtitles) {
    // The items line up their leaders and subjects in a fixed-pitch font.
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_layout->addWidget(new QLabel("Subtitle - can be found in - Subject", list_group));
  }
  list_layout->addWidget(list_);
  list_layout->addStretch();
  hints_->Add(list_, kListHint);

  view_group_ = new QGroupBox("2. Select View", this);
  auto* view_layout = new QVBoxLayout(view_group_);
  for (size_t i = 0; i < view_.size(); ++i) {
    view_[i] = new QRadioButton(ui::FromAnsi(kViewItems[i]), view_group_);
    view_layout->addWidget(view_[i]);
  }
  view_layout->addStretch();
  hints_->Add(view_[0], "Show the quotation found in the record list.");
  hints_->Add(view_[1], "Show the quotation found in the reading window.");

  section_group_ = new QGroupBox("3. Select Section", this);
  auto* section_layout = new QGridLayout(section_group_);
  for (size_t i = 0; i < sections_.size(); ++i) {
    sections_[i] = new QRadioButton(ui::FromAnsi(kSectionItems[i]), section_group_);
    section_layout->addWidget(sections_[i], static_cast<int>(i % 4), static_cast<int>(i / 4));
    hints_->Add(sections_[i], "Start at this section of the subject, or the next one it has.");
  }

  ok_ = new QPushButton("OK", this);
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  help_ = new QPushButton(ui::ToolIcon("help"), "&Help", this);
  hints_->Add(ok_, "Find the first quotation of the chosen subject and section.");
  hints_->Add(cancel_, "Return without making a selection.");
  hints_->Add(help_, "Help on this dialog.");
  connect(ok_, &QPushButton::clicked, this, [this] {
    LeaveList();
    LeaveView();
    LeaveSections();
    choices_.ok = true;
    accept();
  });
  connect(cancel_, &QPushButton::clicked, this, [this] {
    choices_.cancel = true;
    reject();
  });
  connect(help_, &QPushButton::clicked, this, [this] {
    host_.ShowHelp(kind_ == ListKind::kSubtitles ? kSubtitleListHelpTopic : kSubjectListHelpTopic);
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addWidget(help_);
  auto* choices = new QHBoxLayout;
  choices->addWidget(view_group_);
  choices->addWidget(section_group_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_group);
  layout->addLayout(choices);
  layout->addLayout(buttons);
  layout->addWidget(status_);
  setMinimumWidth(subtitles ? 480 : 420);

  connect(qApp, &QApplication::focusChanged, this, &SubjectListDialog::FocusChanged);
}

// Destroying the widgets moves the focus; the dialog must no longer hear of it.
SubjectListDialog::~SubjectListDialog() { disconnect(qApp, nullptr, this, nullptr); }

void SubjectListDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Activate();
}

void SubjectListDialog::Activate() {
  choices_.Activate();
  view_[0]->setChecked(true);
  sections_[0]->setChecked(true);
  list_->setCurrentIndex(0);
  list_->clearEditText();
  list_->setFocus();
  status_->setText(kListHint);
}

void SubjectListDialog::LeaveList() { choices_.LeaveList(kind_, ui::ToAnsi(list_->currentText())); }

void SubjectListDialog::LeaveView() { choices_.LeaveViewGroup(view_[1]->isChecked() ? 1 : 0); }

void SubjectListDialog::LeaveSections() {
  int position = 0;
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i]->isChecked()) position = static_cast<int>(i);
  }
  sections_[choices_.LeaveSectionGroup(position, seven_section_)]->setChecked(true);
}

void SubjectListDialog::FocusChanged(QWidget* old, QWidget* now) {
  if (old == nullptr || !isVisible()) return;
  auto left = [&](QWidget* area) {
    return area->isAncestorOf(old) && (now == nullptr || !area->isAncestorOf(now));
  };
  if (old == list_ || list_->isAncestorOf(old)) {
    if (now != list_ && (now == nullptr || !list_->isAncestorOf(now))) LeaveList();
  }
  if (left(view_group_)) LeaveView();
  if (left(section_group_)) LeaveSections();
}

}  // namespace tessary::subjects
