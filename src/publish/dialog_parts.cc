#include "publish/dialog_parts.h"

#include <QDialog>
#include <QGridLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tessary::publish {

QGroupBox* RadioGroup(QWidget* parent, const QString& title, const QStringList& items,
                      QButtonGroup* group, int columns) {
  auto* box = new QGroupBox(title, parent);
  auto* grid = new QGridLayout(box);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], box);
    group->addButton(button, i);
    grid->addWidget(button, i % rows, i / rows);
  }
  return box;
}

void Check(QButtonGroup* group, int id) {
  group->setExclusive(false);
  for (QAbstractButton* button : group->buttons()) button->setChecked(group->id(button) == id);
  group->setExclusive(true);
}

DialogButtons OkCancelHelp(QDialog* dialog) {
  DialogButtons buttons;
  buttons.box = new QDialogButtonBox(dialog);
  buttons.ok = buttons.box->addButton("OK", QDialogButtonBox::AcceptRole);
  buttons.cancel = buttons.box->addButton("Cancel", QDialogButtonBox::RejectRole);
  buttons.help = buttons.box->addButton("Help", QDialogButtonBox::HelpRole);
  QObject::connect(buttons.box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons.box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

ChoiceDialog::ChoiceDialog(const QString& title, const QStringList& choices, ui::Host& host,
                           int help_topic, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(title);
  RadioGroup_Choice = new QButtonGroup(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(RadioGroup(this, "", choices, RadioGroup_Choice));
  const DialogButtons buttons = OkCancelHelp(this);
  BitBtn_OK = buttons.ok;
  BitBtn_Cancel = buttons.cancel;
  BitBtn_Help = buttons.help;
  BitBtn_OK->setDefault(true);
  layout->addWidget(buttons.box);
  connect(BitBtn_Help, &QPushButton::clicked, this,
          [&host, help_topic] { host.ShowHelp(help_topic); });
  Reset();
}

void ChoiceDialog::Reset() { Check(RadioGroup_Choice, 0); }

}  // namespace tessary::publish
