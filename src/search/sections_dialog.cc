#include "search/sections_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "search/sections.h"

namespace tessary::search {

TSECTIONS_Dialog::TSECTIONS_Dialog(ui::Host& host, QWidget* parent) : QDialog(parent), host_(host) {
  setObjectName("SECTIONS");
  setWindowTitle(kSectionsTitle);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Jump to Marked Section", this), 0, Qt::AlignCenter);
  list_ = new QListWidget(this);
  list_->setObjectName("RadioGroup_Sections");
  for (const char* item : kSectionItems) list_->addItem(item);
  list_->setCurrentRow(0);
  list_->setMinimumHeight(list_->sizeHintForRow(0) * 9);
  layout->addWidget(list_);
  layout->addWidget(new QLabel("of Current Subject", this), 0, Qt::AlignCenter);
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("BitBtn_OK");
  ok_->setToolTip("OK");
  ok_->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("BitBtn_Cancel");
  cancel->setToolTip("Cancel this Operation");
  auto* help = new QPushButton("Help", this);
  help->setObjectName("BitBtn_Help");
  help->setToolTip("Help on Sections");
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {ok_, cancel, help}) buttons->addWidget(button);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(help, &QPushButton::clicked, this, [this] { host_.ShowHelp(kSectionsHelpTopic); });
}

int TSECTIONS_Dialog::ChosenItem() const { return list_->currentRow() + 1; }

std::optional<char> ChooseSection(QWidget* parent, ui::Host& host, bool option_flag_1) {
  TSECTIONS_Dialog dialog(host, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return SectionDigit(dialog.ChosenItem(), option_flag_1);
}

}  // namespace tessary::search
