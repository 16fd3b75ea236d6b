// TIndex_Key_Search: "Index Key Search", nine boxes for the leading part of a
// key, a hint line naming the key a box belongs to, OK, Cancel and Help
// (topic 345). Created when used; every box is emptied when it opens.
//
// Use: Run(&fields) shows it modally and gives true for OK, with the boxes'
// texts (Windows-1252) in `fields`; RunIndexKeySearch then chooses the key
// and finds the entry.
#pragma once

#include <QDialog>
#include <array>

#include "search/index_key_search.h"
#include "ui/host.h"

namespace tessary::ui {
class FocusHints;
}  // namespace tessary::ui

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessary::search {

class TIndex_Key_Search : public QDialog {
  Q_OBJECT

 public:
  TIndex_Key_Search(ui::Host& host, QWidget* parent = nullptr);

  bool Run(IndexSearchFields* fields);

  QLineEdit* edit(IndexField field) const { return edits_[static_cast<size_t>(field)]; }
  QPushButton* ok_button() const { return ok_; }
  QLabel* hint_line() const { return hint_; }

 private:
  ui::Host& host_;
  std::array<QLineEdit*, kIndexFieldCount> edits_ = {};
  QPushButton* ok_ = nullptr;
  QLabel* hint_ = nullptr;
  ui::FocusHints* hints_ = nullptr;
};

}  // namespace tessary::search
