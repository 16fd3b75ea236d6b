// The one-line status panel of a dialog: each control puts its explanation
// into the panel when it receives the focus. Optionally F1 opens help at the
// topic of the focused control (the dialog's topic otherwise).
#pragma once

#include <QHash>
#include <QLabel>
#include <QObject>
#include <QString>

#include "ui/host.h"

class QDialog;
class QWidget;

namespace tessary::ui {

// A sunken one-line panel for a dialog's hints, `parent` owning it.
QLabel* MakeStatusPanel(QWidget* parent);

class FocusHints : public QObject {
  Q_OBJECT

 public:
  // Shows the hints in `panel`, which owns the object.
  explicit FocusHints(QLabel* panel);

  QLabel* panel() const { return panel_; }

  // `control` shows `hint` when it gets the focus; F1 on it opens `topic`
  // (0: the dialog's topic).
  void Add(QWidget* control, const QString& hint, int topic = 0);
  QString HintOf(QWidget* control) const;
  void ShowStatus(const QString& text) { panel_->setText(text); }

  // F1 in `dialog` opens help for the focused control through `host`.
  void AddHelpKey(QDialog* dialog, Host& host, int dialog_topic);
  void Help();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Hint {
    QString text;
    int topic = 0;
  };

  QLabel* panel_;
  QHash<QObject*, Hint> hints_;
  QDialog* dialog_ = nullptr;
  Host* host_ = nullptr;
  int dialog_topic_ = 0;
};

}  // namespace tessary::ui
