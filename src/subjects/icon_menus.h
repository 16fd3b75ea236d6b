// The three subject icon menus without windows: what each button shows in the
// two panels, what a click does to the shared results, which menu a command
// opens first, which menus the database edition reaches, and the search that
// follows a choice. The dialogs only map their buttons onto this.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "database/session.h"
#include "subjects/catalogue.h"

namespace tessary::subjects {

inline constexpr int kIconMenuHelpTopic = 370;
inline constexpr char kIconMenuHelpHint[] = "Help on Iconic Subject Menus";
// Random draws of the first menu lie in 0 to kFirstMenuDrawRange - 1.
inline constexpr int kFirstMenuDrawRange = 300;
// Capacity of the chosen subject word (the record's Subject field).
inline constexpr size_t kSubjectCapacity = 13;

// The texts of the subject panel and the description panel.
struct PanelTexts {
  std::string_view subject;
  std::string_view description;
  bool operator==(const PanelTexts&) const = default;
};

// A navigation button: the menu it leads to and what it shows while entered.
struct NavigationButton {
  int target;  // 1 to 3
  PanelTexts panels;
};

// The two navigation buttons of menu 1 to 3, in order of their targets.
std::array<NavigationButton, 2> NavigationButtons(int menu);

PanelTexts HelpPanels();
PanelTexts CancelPanels();
// The panels of a subject button: the upper-case word and its description.
PanelTexts SubjectPanels(const SubjectInfo& subject);

// What the menus hand back, shared by all three (one instance per command).
struct IconMenuResults {
  bool subject_chosen = false;
  std::string chosen_subject;  // upper case, up to 13 characters
  std::array<bool, kMenuCount> next_menu = {false, false, false};

  // The menu whose next-menu flag is set (0 when none).
  int NextMenu() const;
};

// One open menu: the panel texts and the reactions to its buttons. A dialog
// forwards entering (mouse or focus) and clicks; Closes() says the dialog
// must close after the last reaction.
class IconMenu {
 public:
  IconMenu(int menu, IconMenuResults& results);

  int menu() const { return menu_; }
  const PanelTexts& panels() const { return panels_; }
  bool closes() const { return closes_; }

  void EnterSubject(const SubjectInfo& subject) { panels_ = SubjectPanels(subject); }
  void EnterNavigation(const NavigationButton& button) { panels_ = button.panels; }
  void EnterHelp() { panels_ = HelpPanels(); }
  void EnterCancel() { panels_ = CancelPanels(); }

  // Takes the word in the subject panel as the chosen subject and closes.
  void ClickSubject();
  // Sets the next-menu flag of `target` alone and closes.
  void ClickNavigation(int target);
  // Clears the subject-chosen flag, shows Cancel's panels and closes.
  void Cancel();
  // Shows Help's panels; the menu stays open (the caller opens topic 370).
  void Help() { EnterHelp(); }

 private:
  int menu_;
  IconMenuResults& results_;
  PanelTexts panels_;
  bool closes_ = false;
};

// The three database-edition switches of the options file.
struct EditionSwitches {
  bool seven_section = true;  // the first switch; all three menus
  bool second = false;
  bool third = false;
};

// Whether `menu` can be shown in this edition. With the seven-section naming
// every menu can; otherwise only menu 1, also when no switch is set (the
// catalogue is the same in every edition, so the command still offers it).
bool MenuReachable(const EditionSwitches& editions, int menu);

// The menu a subject-icons command opens first. `first_command` is true for
// the first command of the run, `seven_section_at_start` for the seven-section
// naming as read at start-up, `draw` a number 0 to 299 (used only when both
// hold): 0 to 100 opens menu 1, 101 to 200 menu 2, 201 to 299 menu 3.
int FirstMenu(bool first_command, bool seven_section_at_start, int draw);

// Runs the menus from `first_menu` as the subject-icons command does:
// `show_menu` shows one menu modally (it gets a fresh IconMenu over the shared
// results) and returns when it closes. A menu the edition cannot reach is not
// shown. Returns the chosen word, or an empty text when the user cancelled or
// closed a menu.
std::string RunIconMenus(int first_menu, const EditionSwitches& editions,
                         const std::function<void(IconMenu&)>& show_menu);

// The search after a choice: key 3 becomes the current sort key, the current
// record is cleared (lines 5 to 11 blank-filled), and the first record whose
// key 3 text is at or after `word` is read into it. Gives its reference, or 0
// when there is none (the session has reported why).
int32_t FindFirstOfSubject(database::Session& session, std::string_view word);

// The current record cleared the way the reading window expects it: zeros,
// and 61 blanks in each of lines 5 to 11.
void ClearForReading(database::QuotationRecord& record);

}  // namespace tessary::subjects
