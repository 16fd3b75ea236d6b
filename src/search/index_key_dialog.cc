#include "search/index_key_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/focus_hints.h"
#include "ui/qt_text.h"

namespace tessary::search {
namespace {

constexpr std::array<const char*, kIndexFieldCount> kEditNames = {
    "Edit_RecordNumber", "Edit_LastName", "Edit_FirstName", "Edit_Subject", "Edit_Section",
    "Edit_BookCode",     "Edit_Page",     "Edit_Subtitle",  "Edit_UserCode"};
// Where each box sits: row, column pair (label, box) of the grid.
constexpr std::array<std::pair<int, int>, kIndexFieldCount> kPlaces = {
    {{0, 0}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}, {4, 0}, {5, 0}}};

}  // namespace

TIndex_Key_Search::TIndex_Key_Search(ui::Host& host, QWidget* parent)
    : QDialog(parent), host_(host) {
  setObjectName("Index_Key_Search");
  setWindowTitle(kIndexKeySearchTitle);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  hint_ = new QLabel(this);
  hint_->setObjectName("HintLine");
  hint_->setFrameShape(QFrame::Panel);
  hint_->setFrameShadow(QFrame::Sunken);
  hint_->setMinimumWidth(420);
  hints_ = new ui::FocusHints(hint_);
  for (int f = 0; f < kIndexFieldCount; ++f) {
    const IndexFieldInfo& info = IndexFields()[static_cast<size_t>(f)];
    auto* label = new QLabel(info.label, this);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(kEditNames[static_cast<size_t>(f)]);
    edit->setMaxLength(static_cast<int>(info.longest));
    // Room for the longest input and a little more.
    edit->setMinimumWidth(fontMetrics().averageCharWidth() * static_cast<int>(info.longest + 3));
    label->setBuddy(edit);
    auto [row, pair] = kPlaces[static_cast<size_t>(f)];
    grid->addWidget(label, row, pair * 2, Qt::AlignRight);
    grid->addWidget(edit, row, pair * 2 + 1, Qt::AlignLeft);
    hints_->Add(edit, GroupHint(info.group));
    edits_[static_cast<size_t>(f)] = edit;
  }
  layout->addLayout(grid);
  layout->addWidget(hint_);

  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("BitBtn_OK");
  ok_->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("BitBtn_Cancel");
  auto* help = new QPushButton("Help", this);
  help->setObjectName("BitBtn_Help");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {ok_, cancel, help}) buttons->addWidget(button);
  layout->addLayout(buttons);
  hints_->Add(ok_, kAcceptHint);
  hints_->Add(cancel, kCancelHint);
  hints_->Add(help, kHelpHint);

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { host_.ShowHelp(kIndexKeySearchHelpTopic); });
}

bool TIndex_Key_Search::Run(IndexSearchFields* fields) {
  for (QLineEdit* edit : edits_) edit->clear();
  edits_[0]->setFocus();
  const bool accepted = exec() == QDialog::Accepted;
  for (int f = 0; f < kIndexFieldCount; ++f) {
    (*fields)[static_cast<size_t>(f)] = ui::ToAnsi(edits_[static_cast<size_t>(f)]->text());
  }
  return accepted;
}

}  // namespace tessary::search
