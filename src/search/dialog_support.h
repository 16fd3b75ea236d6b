// Pieces the search dialogs share: a status line that shows each control's
// one-line explanation while it has the focus.
#pragma once

#include <QLabel>
#include <QObject>
#include <QString>
#include <map>

class QWidget;

namespace tessary::search {

class FocusHints : public QObject {
  Q_OBJECT

 public:
  // Shows the hints in `panel`.
  explicit FocusHints(QLabel* panel);
  // `control` shows `hint` in the panel when it receives the focus.
  void Add(QWidget* control, const QString& hint);
  QString HintOf(QWidget* control) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* panel_;
  std::map<QObject*, QString> hints_;
};

}  // namespace tessary::search
