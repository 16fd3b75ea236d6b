// The one-line status panel of a dialog and its help keys: each control puts
// its explanation into the panel when it receives the focus, and F1 opens
// help at the topic of the focused control (the dialog's topic otherwise).
#pragma once

#include <QHash>
#include <QLabel>
#include <QObject>
#include <QString>

#include "ui/host.h"

class QDialog;
class QWidget;

namespace tessary::publish {

class DialogHints : public QObject {
  Q_OBJECT

 public:
  // Adds the status panel to nothing; the caller places panel() in its layout.
  DialogHints(QDialog* dialog, ui::Host& host, int dialog_topic);

  QLabel* panel() const { return panel_; }

  // `widget` shows `status` when it gets the focus; F1 on it opens `topic`
  // (0: the dialog's topic).
  void Add(QWidget* widget, const QString& status, int topic = 0);

  void ShowStatus(const QString& text) { panel_->setText(text); }
  // Opens help for the focused control.
  void Help();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Hint {
    QString status;
    int topic = 0;
  };

  QDialog* dialog_;
  ui::Host& host_;
  int dialog_topic_;
  QLabel* panel_;
  QHash<QObject*, Hint> hints_;
};

}  // namespace tessary::publish
