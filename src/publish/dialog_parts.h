// Widgets the publishing dialogs share: radio button groups and the
// OK / Cancel / Help row.
#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include "ui/host.h"

namespace tessary::publish {

// A group box of radio buttons in `columns` columns, numbered from 0.
QGroupBox* RadioGroup(QWidget* parent, const QString& title, const QStringList& items,
                      QButtonGroup* group, int columns = 1);

// Checks button `id`, or none for -1.
void Check(QButtonGroup* group, int id);

// OK, Cancel and Help in a button box of `dialog`: OK accepts, Cancel
// rejects; Help is left to the caller.
struct DialogButtons {
  QDialogButtonBox* box;
  QPushButton* ok;
  QPushButton* cancel;
  QPushButton* help;
};
DialogButtons OkCancelHelp(QDialog* dialog);

// A dialog that asks which of a few things to do: a column of radio buttons
// over OK (the default), Cancel and Help (which opens `help_topic`).
class ChoiceDialog : public QDialog {
  Q_OBJECT

 public:
  ChoiceDialog(const QString& title, const QStringList& choices, ui::Host& host, int help_topic,
               QWidget* parent);

  // Checks the first choice, as every activation does.
  void Reset();

  QButtonGroup* RadioGroup_Choice;
  QPushButton* BitBtn_OK;
  QPushButton* BitBtn_Cancel;
  QPushButton* BitBtn_Help;
};

}  // namespace tessary::publish
