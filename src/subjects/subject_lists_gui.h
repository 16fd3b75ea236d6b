// The subject list TSUB_LB ("Subject List Box") and the subtitle list
// TSubtitle_List_Box ("Subject Finder List Box"): a drop-down list to type
// into, the view and section choices, OK, Cancel and Help. What they collect
// is a ListChoices; the dialogs map their controls onto it.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "subjects/subject_lists.h"
#include "ui/focus_hints.h"
#include "ui/host.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tessary::subjects {

// An editable drop-down list that opens at the entry closest to what was
// typed, and takes at most 13 typed characters (items may be longer).
class TypedJumpBox : public QComboBox {
  Q_OBJECT

 public:
  TypedJumpBox(const std::vector<std::string>& items, QWidget* parent = nullptr);
  void showPopup() override;

 private:
  std::vector<std::string> items_;
};

class SubjectListDialog : public QDialog {
  Q_OBJECT

 public:
  SubjectListDialog(ListKind kind, ui::Host& host, QWidget* parent = nullptr);
  ~SubjectListDialog() override;

  // The seven-section naming folds "8. Jokes" into "7. Potpourri".
  void SetSevenSection(bool on) { seven_section_ = on; }

  ListChoices& choices() { return choices_; }

  // For tests.
  TypedJumpBox* list() const { return list_; }
  QRadioButton* view_button(int position) const { return view_[position]; }
  QRadioButton* section_button(int position) const { return sections_[position]; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }
  QPushButton* help_button() const { return help_; }
  QLabel* status_panel() const { return status_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Activate();
  void LeaveList();
  void LeaveView();
  void LeaveSections();
  void FocusChanged(QWidget* old, QWidget* now);

  ListKind kind_;
  ui::Host& host_;
  ListChoices choices_;
  bool seven_section_ = true;
  TypedJumpBox* list_ = nullptr;
  QGroupBox* view_group_ = nullptr;
  QGroupBox* section_group_ = nullptr;
  std::array<QRadioButton*, 2> view_{};
  std::array<QRadioButton*, 8> sections_{};
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* help_ = nullptr;
  QLabel* status_ = nullptr;
  ui::FocusHints* hints_ = nullptr;
};

class TSUB_LB : public SubjectListDialog {
  Q_OBJECT

 public:
  explicit TSUB_LB(ui::Host& host, QWidget* parent = nullptr)
      : SubjectListDialog(ListKind::kSubjects, host, parent) {}
};

class TSubtitle_List_Box : public SubjectListDialog {
  Q_OBJECT

 public:
  explicit TSubtitle_List_Box(ui::Host& host, QWidget* parent = nullptr)
      : SubjectListDialog(ListKind::kSubtitles, host, parent) {}
};

}  // namespace tessary::subjects
