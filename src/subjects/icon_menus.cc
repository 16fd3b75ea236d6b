#include "subjects/icon_menus.h"

#include <cstring>

#include "platform/codepage.h"

namespace tessary::subjects {
namespace {

// Menu n's own texts when another menu's navigation button leads to it.
// Menu 1 names the others by their range alone; menus 2 and 3 name every
// target with its caption.
constexpr std::string_view kMenuWords[kMenuCount] = {"Subject Menu 1", "Subject Menu 2",
                                                     "Subject Menu 3"};
constexpr std::string_view kRangesFromMenu1[kMenuCount] = {"", "Subjects from HEALTH to SCIENCE",
                                                           "Subjects from SEPARATION to WORSHIP"};
constexpr std::string_view kRangesFromOthers[kMenuCount] = {
    "Subject Menu 1 of 3: ACTIVITY to HAPPINESS", "Subject Menu 2 of 3: HEALTH to SCIENCE",
    "Subject Menu 3 of 3: SEPARATION to WORSHIP"};

}  // namespace

std::array<NavigationButton, 2> NavigationButtons(int menu) {
  std::array<NavigationButton, 2> buttons{};
  size_t n = 0;
  for (int target = 1; target <= kMenuCount && n < buttons.size(); ++target) {
    if (target == menu) continue;
    std::string_view description =
        menu == 1 ? kRangesFromMenu1[target - 1] : kRangesFromOthers[target - 1];
    buttons[n++] = {target, {kMenuWords[target - 1], description}};
  }
  return buttons;
}

PanelTexts HelpPanels() { return {"HELP", "Help on using Subject Icon Menus."}; }

PanelTexts CancelPanels() {
  return {"CANCEL", "Return to previous window without making a selection."};
}

PanelTexts SubjectPanels(const SubjectInfo& subject) { return {subject.word, subject.description}; }

int IconMenuResults::NextMenu() const {
  for (int menu = 1; menu <= kMenuCount; ++menu) {
    if (next_menu[menu - 1]) return menu;
  }
  return 0;
}

IconMenu::IconMenu(int menu, IconMenuResults& results) : menu_(menu), results_(results) {}

void IconMenu::ClickSubject() {
  results_.subject_chosen = true;
  results_.chosen_subject = std::string(panels_.subject.substr(0, kSubjectCapacity));
  closes_ = true;
}

void IconMenu::ClickNavigation(int target) {
  for (int menu = 1; menu <= kMenuCount; ++menu) results_.next_menu[menu - 1] = menu == target;
  closes_ = true;
}

void IconMenu::Cancel() {
  results_.subject_chosen = false;
  EnterCancel();
  closes_ = true;
}

bool MenuReachable(const EditionSwitches& editions, int menu) {
  if (menu < 1 || menu > kMenuCount) return false;
  return editions.seven_section || menu == 1;
}

int FirstMenu(bool first_command, bool seven_section_at_start, int draw) {
  if (!first_command || !seven_section_at_start) return 1;
  if (draw <= 100) return 1;
  if (draw <= 200) return 2;
  return 3;
}

std::string RunIconMenus(int first_menu, const EditionSwitches& editions,
                         const std::function<void(IconMenu&)>& show_menu) {
  IconMenuResults results;
  results.next_menu[(first_menu >= 1 && first_menu <= kMenuCount ? first_menu : 1) - 1] = true;
  while (int menu = results.NextMenu()) {
    results.next_menu[menu - 1] = false;
    if (!MenuReachable(editions, menu)) break;
    IconMenu shown(menu, results);
    show_menu(shown);
    if (results.subject_chosen) return results.chosen_subject;
  }
  return {};
}

void ClearForReading(database::QuotationRecord& record) { record = database::BlankLinesRecord(); }

int32_t FindFirstOfSubject(database::Session& session, std::string_view word) {
  session.SetCurrentKey(3);
  ClearForReading(session.current_record);
  std::string text = platform::UpperAnsi(word.substr(0, kSubjectCapacity));
  int32_t ref = 0;
  if (!session.FindAndRead(3, ref, text)) return 0;
  return ref;
}

}  // namespace tessary::subjects
