// The subject icon menus TSUBJECTS_1, TSUBJECTS_2 and TSUBJECTS_3: 27 picture
// buttons each, two buttons leading to the other menus, Help, Cancel, and the
// subject and description panels. The reactions live in IconMenu; the dialog
// maps its buttons onto it.
#pragma once

#include <QDialog>
#include <QIcon>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "subjects/icon_menus.h"
#include "ui/host.h"

class QAbstractButton;
class QLabel;
class QPushButton;
class QToolButton;

namespace tessary::subjects {

// The picture of a subject (by its upper-case word); a null icon for a word
// that is no subject.
QIcon SubjectPicture(std::string_view word);

class TSubjectIconMenu : public QDialog {
  Q_OBJECT

 public:
  // `menu` decides which of the three menus this is; `editions` which other
  // menus its navigation buttons may lead to.
  TSubjectIconMenu(IconMenu& menu, const EditionSwitches& editions, ui::Host& host,
                   QWidget* parent = nullptr);

  // For tests: the subject buttons in menu order, the navigation buttons in
  // order of their targets, and the panels.
  const std::vector<QToolButton*>& subject_buttons() const { return subject_buttons_; }
  QPushButton* navigation_button(int index) const { return navigation_[index]; }
  QPushButton* help_button() const { return help_; }
  QPushButton* cancel_button() const { return cancel_; }
  QLabel* subject_panel() const { return subject_panel_; }
  QLabel* description_panel() const { return description_panel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Runs `enter` when `button` is entered by mouse or focus.
  void OnEnter(QAbstractButton* button, std::function<void()> enter);
  void ShowPanels();
  void CloseIfDone();

  IconMenu& menu_;
  ui::Host& host_;
  std::vector<QToolButton*> subject_buttons_;
  QPushButton* navigation_[2] = {};
  QPushButton* help_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QLabel* subject_panel_ = nullptr;
  QLabel* description_panel_ = nullptr;
  std::vector<std::pair<QObject*, std::function<void()>>> enter_actions_;
};

// The three menus by their program names.
class TSUBJECTS_1 : public TSubjectIconMenu {
 public:
  using TSubjectIconMenu::TSubjectIconMenu;
};
class TSUBJECTS_2 : public TSubjectIconMenu {
 public:
  using TSubjectIconMenu::TSubjectIconMenu;
};
class TSUBJECTS_3 : public TSubjectIconMenu {
 public:
  using TSubjectIconMenu::TSubjectIconMenu;
};

// The menu window for `menu`: TSUBJECTS_1, TSUBJECTS_2 or TSUBJECTS_3.
std::unique_ptr<TSubjectIconMenu> MakeSubjectIconMenu(IconMenu& menu,
                                                      const EditionSwitches& editions,
                                                      ui::Host& host, QWidget* parent = nullptr);

}  // namespace tessary::subjects
