#include "ui/focus_hints.h"

#include <QDialog>
#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace tessary::ui {

QLabel* MakeStatusPanel(QWidget* parent) {
  auto* panel = new QLabel(parent);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setMinimumHeight(panel->fontMetrics().height() + 6);
  return panel;
}

FocusHints::FocusHints(QLabel* panel) : QObject(panel), panel_(panel) {}

void FocusHints::Add(QWidget* control, const QString& hint, int topic) {
  hints_.insert(control, Hint{hint, topic});
  control->setStatusTip(hint);
  control->installEventFilter(this);
}

QString FocusHints::HintOf(QWidget* control) const {
  auto it = hints_.constFind(control);
  return it == hints_.constEnd() ? QString() : it->text;
}

void FocusHints::AddHelpKey(QDialog* dialog, Host& host, int dialog_topic) {
  dialog_ = dialog;
  host_ = &host;
  dialog_topic_ = dialog_topic;
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
  connect(f1, &QShortcut::activated, this, &FocusHints::Help);
}

void FocusHints::Help() {
  if (host_ == nullptr) return;
  int topic = dialog_topic_;
  for (QObject* at = dialog_->focusWidget(); at != nullptr && at != dialog_; at = at->parent()) {
    auto hint = hints_.constFind(at);
    if (hint != hints_.constEnd() && hint->topic != 0) {
      topic = hint->topic;
      break;
    }
  }
  host_->ShowHelp(topic);
}

bool FocusHints::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    auto hint = hints_.constFind(watched);
    if (hint != hints_.constEnd()) panel_->setText(hint->text);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tessary::ui
