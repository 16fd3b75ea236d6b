#include "subjects/subject_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "subjects/catalogue.h"

namespace tessary::subjects {
namespace {

TEST(SubjectListItemsTest, AnEmptyItemThenTheSubjectsInCatalogueOrder) {
  std::vector<std::string> items = SubjectListItems();
  ASSERT_EQ(items.size(), 82u);
  EXPECT_EQ(items[0], "");
  EXPECT_EQ(items[1], "Activity");
  EXPECT_EQ(items[40], "Non-Being");
  EXPECT_EQ(items[77], "Tessary");  // between Will and Words, as the menus have it
  EXPECT_EQ(items[81], "Worship");
}

// The layout of one subtitle item, checked column by column: the subtitle,
// "..." groups standing at columns 8, 12, 16, ... with a blank on either
// side, as many as fit, and the subject right-aligned in 36 characters.
void ExpectSubtitleLayout(const std::string& item, std::string_view subtitle,
                          std::string_view subject) {
  SCOPED_TRACE(item);
  ASSERT_EQ(item.size(), 36u);
  ASSERT_TRUE(item.starts_with(subtitle));
  ASSERT_TRUE(item.ends_with(subject));
  const size_t gap_start = subtitle.size();
  const size_t gap_end = 36 - subject.size();
  size_t groups = 0;
  for (size_t col = gap_start; col < gap_end; ++col) {
    if (item[col] == ' ') continue;
    ASSERT_EQ(item.compare(col, 3, "..."), 0) << "column " << col;
    EXPECT_EQ(col % 4, 0u);
    EXPECT_GE(col, 8u);
    EXPECT_EQ(item[col - 1], ' ');
    EXPECT_LT(col + 3, gap_end);
    ++groups;
    col += 2;
  }
  EXPECT_GE(groups, 1u);
  // No room was left for one more group.
  size_t next = std::max<size_t>(8, (gap_start + 4) / 4 * 4);
  while (next < gap_end && item[next] == '.') next += 4;
  EXPECT_GT(next + 4, gap_end) << "another group fits";
}

TEST(SubtitleListItemsTest, EveryItemLeadsBackToItsSubject) {
  std::vector<std::string> items = SubtitleListBoxItems();
  ASSERT_EQ(items.size(), 363u);
  EXPECT_EQ(items[0], "");
  std::vector<std::string> built;
  for (const SubtitleInfo& entry : Subtitles()) {
    const std::string item = SubtitleListItem(entry);
    const SubjectInfo* subject = FindSubject(entry.subject);
    ASSERT_NE(subject, nullptr);
    ExpectSubtitleLayout(item, entry.subtitle, subject->name);
    EXPECT_EQ(platform::UpperAnsi(SubjectOfListItem(item)), entry.subject) << item;
    built.push_back(item);
  }
  // The list holds exactly these items, sorted ignoring case.
  std::vector<std::string> listed(items.begin() + 1, items.end());
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
    return platform::UpperAnsi(a) < platform::UpperAnsi(b);
  }));
  std::sort(built.begin(), built.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, built);
}

TEST(SubtitleListItemsTest, TypedTextJumpsToTheClosestItem) {
  const std::vector<std::string> subjects = SubjectListItems();
  const std::vector<std::string> subtitles = SubtitleListBoxItems();
  struct Case {
    const std::vector<std::string>* items;
    std::string typed;
    std::string expected;
  };
  const Case cases[] = {
      {&subjects, "", ""},
      {&subjects, "lo", "Love"},
      {&subjects, "THE E", "The Eternal"},
      {&subjects, "ab", "Activity"},  // nothing starts so: the next in order
      {&subjects, "zz", "Worship"},
      {&subtitles, "caus", "Cause & Effect  ... ... ...  Science"},
      {&subtitles, "ORDER", "Order   ... ... ... ...  Restriction"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ((*c.items)[ClosestItem(*c.items, c.typed)], c.expected) << c.typed;
  }
}

TEST(ListChoicesTest, ChoicesPrepareTheSearchKeyRecord) {
  ListChoices choices;
  choices.ok = true;
  choices.LeaveList(ListKind::kSubtitles, "God     ... ... ... ...  The Eternal");
  choices.LeaveViewGroup(1);
  EXPECT_EQ(choices.LeaveSectionGroup(2, true), 2);
  choices.PrepareSearch();
  EXPECT_EQ(choices.chosen_subject, "The Eternal");
  EXPECT_TRUE(choices.show_in_reading_window);
  EXPECT_FALSE(choices.show_in_list);
  EXPECT_TRUE(choices.Searches());
  EXPECT_EQ(choices.sort_key, 3);
  EXPECT_EQ(choices.SearchKeyText(), "THE ETERNAL  3      ");

  // Every showing starts afresh. OK on the empty first item: nothing chosen,
  // the sort key stays.
  choices.Activate();
  choices.ok = true;
  choices.LeaveList(ListKind::kSubjects, "");
  choices.PrepareSearch();
  EXPECT_TRUE(choices.nothing_chosen);
  EXPECT_EQ(choices.sort_key, 0);
  EXPECT_FALSE(choices.Searches());

  choices.LeaveList(ListKind::kSubtitles, "Cause & Effect  ... ... ...  Science");
  EXPECT_EQ(choices.chosen_subject, "Science");
  choices.LeaveViewGroup(0);
  EXPECT_TRUE(choices.show_in_list && !choices.show_in_reading_window);
  choices.cancel = true;
  choices.PrepareSearch();
  EXPECT_FALSE(choices.Searches()) << "Cancel stops the command";
}

TEST(ListChoicesTest, JokesFoldIntoPotpourriWithSevenSections) {
  ListChoices choices;
  EXPECT_EQ(choices.LeaveSectionGroup(7, true), 6);
  EXPECT_EQ(choices.chosen_section, "7");
  EXPECT_EQ(choices.LeaveSectionGroup(7, false), 7);
  EXPECT_EQ(choices.chosen_section, "8");
  EXPECT_EQ(choices.LeaveSectionGroup(0, true), 0);
  EXPECT_EQ(choices.chosen_section, "1");
}

}  // namespace
}  // namespace tessary::subjects
