// The main window's ways in by subject: the subject-icons command, the
// subject list and the subject finder, and the quick-start menu with the
// command it leads to. The main window provides the hooks that move its list
// and its reading window; everything else happens here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "database/session.h"
#include "subjects/icon_menus.h"
#include "subjects/quick_start.h"
#include "ui/host.h"

class QWidget;

namespace tessary::subjects {

class SubjectListDialog;
class TQS_MENU_TESSARY;
class TSubjectIconMenu;

class SubjectCommands {
 public:
  struct Hooks {
    // Makes `key` the list's sort key and positions the list on the record at
    // `ref`, which it reads into the session's current record.
    std::function<void(int key, int32_t ref)> show_in_list;
    // The main window's seams, looked at when used: shows the session's
    // current record (read at `ref`) in the reading window, and runs
    // quote-a-day. Either may be empty (the program has no reading window).
    const std::function<void(int32_t ref)>* show_in_reading_window = nullptr;
    const std::function<void()>* quote_a_day = nullptr;
    // The database-edition switches of the options file.
    std::function<EditionSwitches()> editions;
  };

  SubjectCommands(QWidget* parent, database::Session& session, ui::Host& host, Hooks hooks);
  ~SubjectCommands();

  void SubjectIcons();
  void SubjectList();
  void SubjectFinder();
  // Shows the quick-start menu modally, then runs the command chosen there.
  void QuickStart();

  // For tests: the dialogs, a seam for the first menu's random draw (0 to
  // 299), and one that sees each icon menu before it is shown.
  SubjectListDialog& subject_list() { return *subject_list_; }
  SubjectListDialog& subject_finder() { return *subject_finder_; }
  TQS_MENU_TESSARY& quick_start() { return *quick_start_; }
  std::function<int()> draw_first_menu;
  std::function<void(TSubjectIconMenu&)> before_icon_menu;

 private:
  void RunList(SubjectListDialog& dialog);
  // Lands on the record found at `ref`: the list under key 3 and, when
  // asked and possible, the reading window.
  void Land(int32_t ref, bool reading_window);

  QWidget* parent_;
  database::Session& session_;
  ui::Host& host_;
  Hooks hooks_;
  bool icons_used_ = false;
  std::unique_ptr<SubjectListDialog> subject_list_;
  std::unique_ptr<SubjectListDialog> subject_finder_;
  std::unique_ptr<TQS_MENU_TESSARY> quick_start_;
};

}  // namespace tessary::subjects
