#include "subjects/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/codepage.h"

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

}  // namespace
}  // namespace tessary::subjects
