#include "publish/dialog_hints.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeySequence>
#include <QShortcut>

namespace tessary::publish {

DialogHints::DialogHints(QDialog* dialog, ui::Host& host, int dialog_topic)
    : QObject(dialog),
      dialog_(dialog),
      host_(host),
      dialog_topic_(dialog_topic),
      panel_(new QLabel(dialog)) {
  panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel_->setMinimumHeight(panel_->fontMetrics().height() + 6);
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
  connect(f1, &QShortcut::activated, this, &DialogHints::Help);
}

void DialogHints::Add(QWidget* widget, const QString& status, int topic) {
  hints_.insert(widget, Hint{status, topic});
  widget->installEventFilter(this);
}

void DialogHints::Help() {
  int topic = dialog_topic_;
  for (QObject* at = dialog_->focusWidget(); at != nullptr && at != dialog_; at = at->parent()) {
    auto hint = hints_.constFind(at);
    if (hint != hints_.constEnd() && hint->topic != 0) {
      topic = hint->topic;
      break;
    }
  }
  host_.ShowHelp(topic);
}

bool DialogHints::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    auto hint = hints_.constFind(watched);
    if (hint != hints_.constEnd()) panel_->setText(hint->status);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tessary::publish
