#include "subjects/subject_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "subjects/catalogue.h"
#include "subjects/quick_start.h"

namespace tessary::subjects {
namespace {

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
