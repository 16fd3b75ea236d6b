// The subject catalogue and the icon menus, lists and quick start built on it.
#include "subjects/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "subjects/icon_menus.h"
#include "subjects/quick_start.h"
#include "subjects/subject_lists.h"

namespace tessary::subjects {
namespace {

TEST(SubjectCatalogueTest, EightyOneSubjectsInThreeMenus) {
  ASSERT_EQ(Subjects().size(), 81u);
  ASSERT_EQ(Subtitles().size(), 362u);
  std::set<std::string_view> words;
  for (const SubjectInfo& subject : Subjects()) {
    EXPECT_TRUE(words.insert(subject.word).second) << subject.word;
    EXPECT_LE(subject.word.size(), 13u) << subject.word;
    EXPECT_EQ(platform::UpperAnsi(subject.name), subject.word);
    EXPECT_FALSE(SubtitlesOfSubject(subject.word).empty()) << subject.word;
  }
  const char* bounds[][2] = {
      {"ACTIVITY", "HAPPINESS"}, {"HEALTH", "SCIENCE"}, {"SEPARATION", "WORSHIP"}};
  for (int menu = 1; menu <= 3; ++menu) {
    ASSERT_EQ(MenuSubjects(menu).size(), 27u);
    EXPECT_EQ(MenuSubjects(menu).front()->word, bounds[menu - 1][0]);
    EXPECT_EQ(MenuSubjects(menu).back()->word, bounds[menu - 1][1]);
  }
  EXPECT_TRUE(MenuSubjects(0).empty());
  EXPECT_TRUE(MenuSubjects(4).empty());
  // Tessary keeps its place between Will and Words.
  EXPECT_EQ(Subjects()[76].word, "TESSARY");
  EXPECT_EQ(Subjects()[77].word, "WORDS");

  EXPECT_EQ(MenuCaption(1), "Subject Menu 1 of 3:  Activity to Happiness");
  EXPECT_EQ(MenuCaption(0), "");
  EXPECT_EQ(MenuCaption(4), "");
}

TEST(SubjectCatalogueTest, LooksUpSubjectsAndSubtitlesIgnoringCase) {
  EXPECT_EQ(Description("CUNNING"),
            "Deceit, Dishonesty, Lying, Treachery, Treason --> Disgrace and Shame");
  EXPECT_EQ(Description("realization"), "--Thought Becoming Reality--");
  EXPECT_EQ(Description("Education"), "");
  const SubjectInfo* eternal = FindSubject("the eternal");
  ASSERT_NE(eternal, nullptr);
  EXPECT_EQ(eternal->menu, 3);
  EXPECT_EQ(FindSubject("NONBEING"), nullptr);
  EXPECT_EQ(FindSubject(""), nullptr);

  EXPECT_EQ(SubjectsOfSubtitle("order"), (std::vector<std::string_view>{"RESTRICTION", "WORLD"}));
  EXPECT_TRUE(SubjectsOfSubtitle("Fathers").empty());  // in a description only
  std::vector<const SubtitleInfo*> failure = SubtitlesOfSubject("failure");
  ASSERT_EQ(failure.size(), 2u);
  EXPECT_EQ(failure[0]->subtitle, "Defeat");
  EXPECT_EQ(failure[1]->subtitle, "Error");
  ASSERT_NE(FindSubtitle("ORDER"), nullptr);
  EXPECT_EQ(FindSubtitle("ORDER")->subject, "RESTRICTION") << "the first of two";
  EXPECT_EQ(FindSubtitle("orde"), nullptr);

  struct Case {
    const char* word;
    const char* subject;  // nullptr: no match
    const char* subtitle;
  } cases[] = {
      {"love", "LOVE", "LOVE"},          {"Education", "LEARNING", "EDUCATION"},
      {"order", "RESTRICTION", "ORDER"}, {"Fame", "FAME", ""},
      {"computers", nullptr, ""},        {"", nullptr, ""},
  };
  for (const Case& c : cases) {
    auto match = LookUpWord(c.word);
    ASSERT_EQ(match.has_value(), c.subject != nullptr) << c.word;
    if (!match) continue;
    EXPECT_EQ(match->subject, c.subject) << c.word;
    EXPECT_EQ(match->subtitle, c.subtitle) << c.word;
  }
}

TEST(SubtitleListTest, ItemsHaveDotLeadersAndLeadBackToTheirSubject) {
  auto item = [](std::string_view subtitle, std::string_view subject) {
    return SubtitleListItem(SubtitleInfo{subtitle, subject});
  };
  EXPECT_EQ(item("Absence", "SEPARATION"), "Absence ... ... ... ...   Separation");
  EXPECT_EQ(item("Cause & Effect", "SCIENCE"), "Cause & Effect  ... ... ...  Science");
  EXPECT_EQ(item("God", "THE ETERNAL"), "God     ... ... ... ...  The Eternal");
  EXPECT_EQ(item("Self-Examination", "MEDITATION"), "Self-Examination    ...   Meditation");

  // The count, widths and ends of the list are checked through the command line.
  std::vector<std::string> items = SubtitleListItems();
  EXPECT_TRUE(std::is_sorted(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return platform::UpperAnsi(a) < platform::UpperAnsi(b);
  }));
  for (const std::string& text : items) {
    EXPECT_NE(FindSubject(SubjectOfListItem(text)), nullptr) << text;
  }
  // Equal subtitles keep the catalogue's order.
  auto order = std::find(items.begin(), items.end(), "Order   ... ... ... ...  Restriction");
  ASSERT_NE(order, items.end());
  EXPECT_EQ(*(order + 1), "Order   ... ... ... ... ...    World");
  EXPECT_EQ(SubjectOfListItem("Absence"), "");
}

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

TEST(SubjectListsTest, TypedTextJumpsToTheClosestItem) {
  const std::vector<std::string> subjects = SubjectListItems();
  const std::vector<std::string> subtitles = SubtitleListBoxItems();
  struct Case {
    const std::vector<std::string>* items;
    std::string typed;
    std::string expected;
  } cases[] = {
      {&subjects, "", ""},  // both lists open with an empty item
      {&subtitles, "", ""},
      {&subjects, "lo", "Love"},
      {&subjects, "THE E", "The Eternal"},
      {&subjects, "ab", "Activity"},  // nothing starts so: the next in order
      {&subjects, "zz", "Worship"},
      {&subtitles, "caus", "Cause & Effect  ... ... ...  Science"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ((*c.items)[ClosestItem(*c.items, c.typed)], c.expected) << c.typed;
  }
}

// Landing in the list or the reading window, and OK on the empty item, are
// checked with the windows.
TEST(ListChoicesTest, ChoicesPrepareTheSearchKeyRecord) {
  ListChoices choices;
  choices.ok = true;
  choices.LeaveList(ListKind::kSubtitles, "God     ... ... ... ...  The Eternal");
  choices.LeaveViewGroup(1);
  EXPECT_EQ(choices.LeaveSectionGroup(2, true), 2);
  choices.PrepareSearch();
  EXPECT_TRUE(choices.show_in_reading_window && !choices.show_in_list);
  EXPECT_TRUE(choices.Searches());
  EXPECT_EQ(choices.sort_key, 3);
  EXPECT_EQ(choices.SearchKeyText(), "THE ETERNAL  3      ");

  choices.cancel = true;
  EXPECT_FALSE(choices.Searches()) << "Cancel stops the command";
}

TEST(ListChoicesTest, JokesFoldIntoPotpourriWithSevenSections) {
  const int cases[][4] = {{7, 1, 6, '7'}, {7, 0, 7, '8'}, {0, 1, 0, '1'}, {9, 0, 0, '1'}};
  for (const auto& c : cases) {
    ListChoices choices;
    EXPECT_EQ(choices.LeaveSectionGroup(c[0], c[1]), c[2]) << c[0];
    EXPECT_EQ(choices.chosen_section, std::string(1, static_cast<char>(c[3]))) << c[0];
  }
}

using B = QuickStartButton;
using C = QuickStartCommand;

// Each button's own command is checked with the window; here the fixed order
// of several chosen ones.
TEST(QuickStartTest, ChosenCommandsComeInAFixedOrder) {
  QuickStartChoices choices;
  choices.Activate();
  choices.Choose(B::kBrowser);
  EXPECT_TRUE(QuickStartCommands(choices).empty());
  for (B button :
       {B::kSubjectIcons, B::kHintsAndTips, B::kQuoteADay, B::kSubjectFinder, B::kSubjectList}) {
    choices.Choose(button);
  }
  EXPECT_EQ(QuickStartCommands(choices),
            (std::vector<C>{C::kSubjectList, C::kSubjectFinder, C::kQuoteADay, C::kHintsAndTips,
                            C::kSubjectIcons}));
  choices.Activate();
  EXPECT_TRUE(QuickStartCommands(choices).empty()) << "the close box: no command";
}

}  // namespace
}  // namespace tessary::subjects
