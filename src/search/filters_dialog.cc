#include "search/filters_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/focus_hints.h"

namespace tessary::search {
namespace {

constexpr std::array<const char*, kFilterBoxCount> kBoxHints = {
    "Let through quotations by authors of ancient times.",
    "Let through quotations by authors of the Middle Ages.",
    "Let through quotations by authors of the modern era.",
    "Let through quotations of one or two lines.",
    "Let through quotations of three lines or more.",
    "Let through the quotations marked as favorites.",
    "Let through quotations by American authors.",
    "Let through quotations by English-speaking authors from outside America.",
    "Let through quotations by authors writing in other languages."};
constexpr std::array<const char*, kFilterBoxCount> kBoxNames = {
    "CheckBox_AncientTimes",    "CheckBox_MiddleAges",     "CheckBox_ModernEra",
    "CheckBox_ShortSelections", "CheckBox_LongSelections", "CheckBox_MixedFavorites",
    "CheckBox_AmericansOnly",   "CheckBox_English",        "CheckBox_Foreign"};

}  // namespace

TFILTERS_Dialog::TFILTERS_Dialog(ui::Host& host, QWidget* parent) : QDialog(parent), host_(host) {
  setObjectName("FILTERS_Dialog");
  setWindowTitle(kFiltersDialogTitle);
  auto* layout = new QVBoxLayout(this);
  auto* groups = new QHBoxLayout;
  const int group_of[kFilterBoxCount] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
  QVBoxLayout* group_layouts[3] = {};
  for (int g = 0; g < 3; ++g) {
    auto* group = new QGroupBox(kFilterGroupCaptions[static_cast<size_t>(g)], this);
    group_layouts[g] = new QVBoxLayout(group);
    groups->addWidget(group);
  }
  for (int b = 0; b < kFilterBoxCount; ++b) {
    auto* check = new QCheckBox(kFilterBoxCaptions[static_cast<size_t>(b)], this);
    check->setObjectName(kBoxNames[static_cast<size_t>(b)]);
    group_layouts[group_of[b]]->addWidget(check);
    boxes_[static_cast<size_t>(b)] = check;
  }
  layout->addLayout(groups);
  layout->addWidget(new QLabel("  Reset Clears All Filters", this));

  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("BitBtn_OK");
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("BitBtn_Cancel");
  reset_ = new QPushButton("Reset", this);
  reset_->setObjectName("BitBtn_Reset");
  reset_->setToolTip("Clear All Filters");
  auto* help = new QPushButton("Help", this);
  help->setObjectName("BitBtn_Help");
  help->setToolTip("Help on Filters");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {ok_, cancel_, reset_, help}) buttons->addWidget(button);
  layout->addLayout(buttons);
  status_ = new QLabel(this);
  status_->setObjectName("StatusPanel");
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  layout->addWidget(status_);

  hints_ = new ui::FocusHints(status_);
  for (int b = 0; b < kFilterBoxCount; ++b) {
    hints_->Add(boxes_[static_cast<size_t>(b)], kBoxHints[static_cast<size_t>(b)]);
  }
  hints_->Add(ok_, "Use the filters checked and return to the list.");
  hints_->Add(cancel_, "Return to the list; the boxes as they are checked still count.");
  hints_->Add(reset_, "Clear All Filters");
  hints_->Add(help, "Help on Filters");

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(reset_, &QPushButton::clicked, this, [this] {
    if (filters_ != nullptr) ClearAllFilters(*filters_);
    ShowFlags();
  });
  connect(help, &QPushButton::clicked, this, [this] { host_.ShowHelp(kFiltersHelpTopic); });
}

void TFILTERS_Dialog::ShowFlags() {
  const FilterBoxes shown = filters_ != nullptr ? BoxesFromFlags(*filters_) : FilterBoxes{};
  for (int b = 0; b < kFilterBoxCount; ++b) {
    boxes_[static_cast<size_t>(b)]->setChecked(shown[static_cast<size_t>(b)]);
  }
}

FilterBoxes TFILTERS_Dialog::Boxes() const {
  FilterBoxes boxes{};
  for (int b = 0; b < kFilterBoxCount; ++b) {
    boxes[static_cast<size_t>(b)] = boxes_[static_cast<size_t>(b)]->isChecked();
  }
  return boxes;
}

void TFILTERS_Dialog::Run(ViewingFilters& filters, bool option_flag_1) {
  filters_ = &filters;
  ShowFlags();
  boxes_[0]->setFocus();
  exec();
  CloseFiltersDialog(filters, Boxes(), option_flag_1);
  filters_ = nullptr;
}

}  // namespace tessary::search
