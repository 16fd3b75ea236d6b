#include "subjects/icon_menus.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "support/quotation_fixture.h"

namespace tessary::subjects {
namespace {

using testing::QuotationFixture;

TEST(IconMenuPanelsTest, NavigationButtonsNameTheOtherMenus) {
  struct Case {
    int menu;
    int first_target;
    std::string first_text;
    int second_target;
    std::string second_text;
  };
  const Case cases[] = {
      {1, 2, "Subjects from HEALTH to SCIENCE", 3, "Subjects from SEPARATION to WORSHIP"},
      {2, 1, "Subject Menu 1 of 3: ACTIVITY to HAPPINESS", 3,
       "Subject Menu 3 of 3: SEPARATION to WORSHIP"},
      {3, 1, "Subject Menu 1 of 3: ACTIVITY to HAPPINESS", 2,
       "Subject Menu 2 of 3: HEALTH to SCIENCE"},
  };
  for (const Case& c : cases) {
    auto buttons = NavigationButtons(c.menu);
    EXPECT_EQ(buttons[0].target, c.first_target) << c.menu;
    EXPECT_EQ(buttons[0].panels.subject, "Subject Menu " + std::to_string(c.first_target));
    EXPECT_EQ(buttons[0].panels.description, c.first_text);
    EXPECT_EQ(buttons[1].target, c.second_target) << c.menu;
    EXPECT_EQ(buttons[1].panels.subject, "Subject Menu " + std::to_string(c.second_target));
    EXPECT_EQ(buttons[1].panels.description, c.second_text);
  }
  EXPECT_EQ(HelpPanels(), (PanelTexts{"HELP", "Help on using Subject Icon Menus."}));
  EXPECT_EQ(CancelPanels(),
            (PanelTexts{"CANCEL", "Return to previous window without making a selection."}));
}

TEST(IconMenuTest, ButtonsSetTheSharedResults) {
  IconMenuResults results;
  results.next_menu = {true, false, true};
  IconMenu menu(2, results);
  const SubjectInfo& pride = *FindSubject("PRIDE");
  const SubjectInfo& ruin = *FindSubject("RUIN");

  // The click takes the word of the button entered last: entering comes first.
  menu.EnterSubject(pride);
  EXPECT_EQ(menu.panels(),
            (PanelTexts{"PRIDE", "Arrogance, Boasting, Egotism, Vanity and Self-Love"}));
  menu.Help();
  EXPECT_EQ(menu.panels(), HelpPanels());
  EXPECT_FALSE(menu.closes()) << "Help keeps the menu open";
  menu.EnterSubject(ruin);
  menu.ClickSubject();
  EXPECT_TRUE(menu.closes());
  EXPECT_TRUE(results.subject_chosen);
  EXPECT_EQ(results.chosen_subject, "RUIN");

  IconMenu other(1, results);
  other.ClickNavigation(3);
  EXPECT_TRUE(other.closes());
  EXPECT_EQ(results.next_menu, (std::array<bool, 3>{false, false, true}));
  EXPECT_EQ(results.NextMenu(), 3);

  IconMenu third(3, results);
  third.EnterSubject(*FindSubject("WAR"));
  third.Cancel();
  EXPECT_TRUE(third.closes());
  EXPECT_FALSE(results.subject_chosen);
  EXPECT_EQ(third.panels(), CancelPanels());
}

TEST(IconMenuTest, FirstMenuIsDrawnOnlyOnceAndOnlyWithSevenSections) {
  struct Case {
    bool first;
    bool seven;
    int draw;
    int menu;
  };
  const Case cases[] = {
      {true, true, 0, 1},    {true, true, 100, 1},  {true, true, 101, 2},
      {true, true, 200, 2},  {true, true, 201, 3},  {true, true, 299, 3},
      {false, true, 250, 1}, {true, false, 250, 1}, {false, false, 150, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstMenu(c.first, c.seven, c.draw), c.menu)
        << c.first << " " << c.seven << " " << c.draw;
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

TEST(IconMenuCommandTest, NavigationChoosesNothingUntilASubjectOrCancel) {
  const EditionSwitches all;
  {
    MenuScript script{{Navigate(3), Navigate(2), Navigate(1), Choose("ANGER")}, {}};
    EXPECT_EQ(RunIconMenus(2, all, script.Player()), "ANGER");
    EXPECT_EQ(script.shown, (std::vector<int>{2, 3, 2, 1}));
  }
  {
    MenuScript script{{Navigate(2), [](IconMenu& m) { m.Cancel(); }}, {}};
    EXPECT_EQ(RunIconMenus(1, all, script.Player()), "");
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2}));
  }
  {
    MenuScript script;  // closed with the close box
    EXPECT_EQ(RunIconMenus(3, all, script.Player()), "");
    EXPECT_EQ(script.shown, std::vector<int>{3});
  }
}

TEST(IconMenuCommandTest, OtherEditionsReachMenuOneAlone) {
  const EditionSwitches second_only{false, true, false};
  const EditionSwitches none{false, false, false};
  for (const EditionSwitches& editions : {second_only, none}) {
    EXPECT_TRUE(MenuReachable(editions, 1));
    EXPECT_FALSE(MenuReachable(editions, 2));
    EXPECT_FALSE(MenuReachable(editions, 3));
    MenuScript script{{Navigate(2), Choose("WAR")}, {}};
    EXPECT_EQ(RunIconMenus(1, editions, script.Player()), "");
    EXPECT_EQ(script.shown, std::vector<int>{1}) << "menu 2 is never shown";
  }
  EXPECT_FALSE(MenuReachable(EditionSwitches{}, 0));
  EXPECT_FALSE(MenuReachable(EditionSwitches{}, 4));
}

// A database of a few quotations filed under the given subjects and sections.
class SubjectSearchTest : public ::testing::Test {
 protected:
  void Add(int number, std::string_view subject, char section) {
    database::Session& session = fixture_.session();
    session.current_record = testing::GeneratedQuotation(number);
    database::SetField(session.current_record.Subject, subject);
    database::SetField(session.current_record.Section, std::string(1, section));
    ASSERT_TRUE(session.AddRecord());
  }
  std::string FoundNumber() {
    return std::string(database::FieldText(fixture_.session().current_record.Record_Number));
  }

  QuotationFixture fixture_{0};
};

TEST_F(SubjectSearchTest, LandsOnTheFirstRecordOfTheSubjectOrTheNextOne) {
  Add(1, "Love", '3');
  Add(2, "LOVE", '1');
  Add(3, "Hope", '2');
  Add(12, "Love", '1');
  Add(5, "War", '4');
  database::Session& session = fixture_.session();
  fixture_.host().messages.clear();  // the question that created the files

  // Section first, then record number; case in the record does not matter.
  EXPECT_GT(FindFirstOfSubject(session, "LOVE"), 0);
  EXPECT_EQ(FoundNumber(), "2");
  EXPECT_EQ(session.current_key_number, 3);
  // No quotations under HAPPINESS: the next subject in key order, HOPE.
  EXPECT_GT(FindFirstOfSubject(session, "HAPPINESS"), 0);
  EXPECT_EQ(FoundNumber(), "3");
  // TIME lies between LOVE and WAR.
  EXPECT_GT(FindFirstOfSubject(session, "TIME"), 0);
  EXPECT_EQ(FoundNumber(), "5");
  EXPECT_TRUE(fixture_.host().messages.empty());

  // Nothing at or after WORSHIP: no record, and the session says why.
  EXPECT_EQ(FindFirstOfSubject(session, "WORSHIP"), 0);
  ASSERT_EQ(fixture_.host().messages.size(), 1u);
  EXPECT_TRUE(fixture_.host().messages[0].text.ends_with(".  Location 45"))
      << fixture_.host().messages[0].text;
}

}  // namespace
}  // namespace tessary::subjects
