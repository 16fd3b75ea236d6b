#include "search/dialog_support.h"

#include <QEvent>
#include <QWidget>

namespace tessary::search {

FocusHints::FocusHints(QLabel* panel) : QObject(panel), panel_(panel) {}

void FocusHints::Add(QWidget* control, const QString& hint) {
  hints_[control] = hint;
  control->setStatusTip(hint);
  control->installEventFilter(this);
}

QString FocusHints::HintOf(QWidget* control) const {
  auto it = hints_.find(control);
  return it == hints_.end() ? QString() : it->second;
}

bool FocusHints::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    auto it = hints_.find(watched);
    if (it != hints_.end()) panel_->setText(it->second);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tessary::search
