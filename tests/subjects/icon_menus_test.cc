#include "subjects/icon_menus.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tessary::subjects {
namespace {

// Navigation through the shared results is checked by the runs of the command
// below.
TEST(IconMenuTest, ButtonsSetTheSharedResults) {
  IconMenuResults results;
  IconMenu menu(2, results);
  // The click takes the word of the button entered last: entering comes first.
  menu.EnterSubject(*FindSubject("PRIDE"));
  menu.Help();
  EXPECT_EQ(menu.panels(), HelpPanels());
  EXPECT_FALSE(menu.closes()) << "Help keeps the menu open";
  menu.EnterSubject(*FindSubject("RUIN"));
  menu.ClickSubject();
  EXPECT_TRUE(menu.closes());
  EXPECT_TRUE(results.subject_chosen);
  EXPECT_EQ(results.chosen_subject, "RUIN");

  IconMenu third(3, results);
  third.EnterSubject(*FindSubject("WAR"));
  third.Cancel();
  EXPECT_TRUE(third.closes());
  EXPECT_FALSE(results.subject_chosen);
  EXPECT_EQ(third.panels(), CancelPanels());
}

TEST(IconMenuTest, FirstMenuIsDrawnOnlyOnceAndOnlyWithSevenSections) {
  // {first command, seven sections, draw, menu}
  const int cases[][4] = {{1, 1, 0, 1},   {1, 1, 100, 1}, {1, 1, 101, 2}, {1, 1, 200, 2},
                          {1, 1, 201, 3}, {1, 1, 299, 3}, {0, 1, 250, 1}, {1, 0, 250, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(FirstMenu(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
  }
}

// Plays one scripted action per menu shown and records the menus in order.
struct MenuScript {
  std::deque<std::function<void(IconMenu&)>> actions;
  std::vector<int> shown;

  std::function<void(IconMenu&)> Player() {
    return [this](IconMenu& menu) {
      shown.push_back(menu.menu());
      if (actions.empty()) return;  // the close box: nothing set
      auto action = actions.front();
      actions.pop_front();
      action(menu);
    };
  }
};

auto Navigate(int target) {
  return [target](IconMenu& menu) { menu.ClickNavigation(target); };
}
auto Choose(std::string_view word) {
  return [word](IconMenu& menu) {
    menu.EnterSubject(*FindSubject(word));
    menu.ClickSubject();
  };
}

// Navigation chooses nothing until a subject or Cancel; other editions reach
// menu one alone.
TEST(IconMenuCommandTest, NavigationUntilASubjectOrCancel) {
  const EditionSwitches all;
  const EditionSwitches second_only{false, true, false};
  const EditionSwitches none{false, false, false};
  const auto cancel = [](IconMenu& menu) { menu.Cancel(); };
  const struct {
    int first;
    EditionSwitches editions;
    std::deque<std::function<void(IconMenu&)>> actions;  // none: the close box
    std::string chosen;
    std::vector<int> shown;
  } cases[] = {
      {2, all, {Navigate(3), Navigate(2), Navigate(1), Choose("ANGER")}, "ANGER", {2, 3, 2, 1}},
      {1, all, {Navigate(2), cancel}, "", {1, 2}},
      {3, all, {}, "", {3}},
      {1, second_only, {Navigate(2), Choose("WAR")}, "", {1}},  // menu 2 is never shown
      {1, none, {Navigate(2), Choose("WAR")}, "", {1}},
  };
  for (const auto& c : cases) {
    MenuScript script{c.actions, {}};
    EXPECT_EQ(RunIconMenus(c.first, c.editions, script.Player()), c.chosen);
    EXPECT_EQ(script.shown, c.shown) << c.first;
  }
}

}  // namespace
}  // namespace tessary::subjects
