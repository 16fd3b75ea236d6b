// TKeyboard_Add_Edit: the entry form's window. Two pages, "Quotation" with the
// eleven lines and "Key Fields" with the rest, each with a status panel that
// explains the box holding the focus; OK, Cancel and Help; a right-click menu
// that copies fields from the previous record. The boxes map one to one onto
// EntryForm, which decides everything.
#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <array>

#include "entry/entry_form.h"
#include "ui/host.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;

namespace tessary::entry {

class TKeyboard_Add_Edit : public QDialog {
  Q_OBJECT

 public:
  TKeyboard_Add_Edit(EntryForm& form, ui::Host& host, QWidget* parent = nullptr);
  ~TKeyboard_Add_Edit() override;

  // Shows the form (opened by the caller) modally; true when it closed with OK.
  bool Run();

  QLineEdit* box(int index) const { return boxes_[index]; }
  QTabWidget* pages() const { return pages_; }
  // The status panel of page 0 ("Quotation") or 1 ("Key Fields").
  QLabel* status_panel(int page) const { return panels_[page]; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }
  QPushButton* help_button() const { return help_; }
  QMenu* copy_menu() const { return copy_menu_; }

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ShowBoxes();
  void ReadBoxes();
  void Ok();
  void FocusMoved(QWidget* now);
  void SetPanels(const QString& text);

  EntryForm& form_;
  ui::Host& host_;
  std::array<QLineEdit*, kBoxCount> boxes_{};
  QTabWidget* pages_ = nullptr;
  QLabel* panels_[2] = {};
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* help_ = nullptr;
  QMenu* copy_menu_ = nullptr;
  // Focus moves reach the status panels until the window is destroyed.
  QMetaObject::Connection focus_connection_;
  QHash<QWidget*, int> box_index_;
};

}  // namespace tessary::entry
