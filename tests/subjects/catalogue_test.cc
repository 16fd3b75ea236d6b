#include "subjects/catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/codepage.h"

namespace tessary::subjects {
namespace {

TEST(SubjectCatalogueTest, HoldsEightyOneSubjectsInThreeMenus) {
  ASSERT_EQ(Subjects().size(), 81u);
  std::set<std::string_view> words;
  for (const SubjectInfo& subject : Subjects()) {
    EXPECT_TRUE(words.insert(subject.word).second) << subject.word;
    EXPECT_LE(subject.word.size(), 13u) << subject.word;
    EXPECT_EQ(platform::UpperAnsi(subject.name), subject.word);
  }
  for (int menu = 1; menu <= 3; ++menu) EXPECT_EQ(MenuSubjects(menu).size(), 27u);
  EXPECT_TRUE(MenuSubjects(0).empty());
  EXPECT_TRUE(MenuSubjects(4).empty());

  EXPECT_EQ(MenuSubjects(1).front()->word, "ACTIVITY");
  EXPECT_EQ(MenuSubjects(1).back()->word, "HAPPINESS");
  EXPECT_EQ(MenuSubjects(2).front()->word, "HEALTH");
  EXPECT_EQ(MenuSubjects(2).back()->word, "SCIENCE");
  EXPECT_EQ(MenuSubjects(3).front()->word, "SEPARATION");
  EXPECT_EQ(MenuSubjects(3).back()->word, "WORSHIP");
  // Tessary keeps its place between Will and Words.
  EXPECT_EQ(Subjects()[75].word, "WILL");
  EXPECT_EQ(Subjects()[76].word, "TESSARY");
  EXPECT_EQ(Subjects()[77].word, "WORDS");

  EXPECT_EQ(MenuCaption(1), "Subject Menu 1 of 3:  Activity to Happiness");
  EXPECT_EQ(MenuCaption(3), "Subject Menu 3 of 3:  Separation to Worship");
  EXPECT_EQ(MenuCaption(0), "");
  EXPECT_EQ(MenuCaption(4), "");
}

TEST(SubjectCatalogueTest, FindsSubjectsAndDescriptionsIgnoringCase) {
  EXPECT_EQ(Description("CUNNING"),
            "Deceit, Dishonesty, Lying, Treachery, Treason --> Disgrace and Shame");
  EXPECT_EQ(Description("realization"), "--Thought Becoming Reality--");
  EXPECT_EQ(Description("Sound"), "Music, Speech and Voice - Eloquence and Song");
  EXPECT_EQ(Description("Tessary"), "Enlightenment, Metaphysics, Philosophy and Wonder");
  EXPECT_EQ(Description("Education"), "");

  const SubjectInfo* eternal = FindSubject("the eternal");
  ASSERT_NE(eternal, nullptr);
  EXPECT_EQ(eternal->word, "THE ETERNAL");
  EXPECT_EQ(eternal->name, "The Eternal");
  EXPECT_EQ(eternal->description, "God and Creator");
  EXPECT_EQ(eternal->menu, 3);
  ASSERT_NE(FindSubject("Non-Being"), nullptr);
  EXPECT_EQ(FindSubject("Non-Being")->menu, 2);
  EXPECT_EQ(FindSubject("NONBEING"), nullptr);
  EXPECT_EQ(FindSubject(""), nullptr);
}

TEST(SubtitleCatalogueTest, HoldsThreeHundredSixtyTwoSubtitles) {
  ASSERT_EQ(Subtitles().size(), 362u);
  EXPECT_EQ(Subtitles().front().subtitle, "Action");
  EXPECT_EQ(Subtitles().front().subject, "ACTIVITY");
  EXPECT_EQ(Subtitles().back().subtitle, "Worship");
  EXPECT_EQ(Subtitles().back().subject, "WORSHIP");
  for (const SubtitleInfo& entry : Subtitles()) {
    EXPECT_NE(FindSubject(entry.subject), nullptr) << entry.subtitle;
  }
  for (const SubjectInfo& subject : Subjects()) {
    EXPECT_FALSE(SubtitlesOfSubject(subject.word).empty()) << subject.word;
  }
}

TEST(SubtitleCatalogueTest, LeadsSubtitlesToTheirSubjects) {
  EXPECT_EQ(SubjectsOfSubtitle("order"), (std::vector<std::string_view>{"RESTRICTION", "WORLD"}));
  EXPECT_EQ(SubjectsOfSubtitle("Mediation"), std::vector<std::string_view>{"MEDITATION"});
  EXPECT_EQ(SubjectsOfSubtitle("STAGNATION"), std::vector<std::string_view>{"INERTIA"});
  EXPECT_EQ(SubjectsOfSubtitle("Cause & Effect"), std::vector<std::string_view>{"SCIENCE"});
  EXPECT_EQ(SubjectsOfSubtitle("God"), std::vector<std::string_view>{"THE ETERNAL"});
  EXPECT_TRUE(SubjectsOfSubtitle("Fathers").empty());  // in a description only

  std::vector<const SubtitleInfo*> failure = SubtitlesOfSubject("failure");
  ASSERT_EQ(failure.size(), 2u);
  EXPECT_EQ(failure[0]->subtitle, "Defeat");
  EXPECT_EQ(failure[1]->subtitle, "Error");
  EXPECT_EQ(SubtitlesOfSubject("Inertia").size(), 8u);

  ASSERT_NE(FindSubtitle("ORDER"), nullptr);
  EXPECT_EQ(FindSubtitle("ORDER")->subject, "RESTRICTION");
  EXPECT_EQ(FindSubtitle("orde"), nullptr);
}

TEST(SubtitleCatalogueTest, LooksUpWordsAsSubjectOrSubtitle) {
  auto love = LookUpWord("love");
  ASSERT_TRUE(love);
  EXPECT_EQ(love->subject, "LOVE");
  EXPECT_EQ(love->subtitle, "LOVE");

  auto education = LookUpWord("Education");
  ASSERT_TRUE(education);
  EXPECT_EQ(education->subject, "LEARNING");
  EXPECT_EQ(education->subtitle, "EDUCATION");

  auto order = LookUpWord("order");
  ASSERT_TRUE(order);
  EXPECT_EQ(order->subject, "RESTRICTION");

  auto realization = LookUpWord("REALIZATION");
  ASSERT_TRUE(realization);
  EXPECT_EQ(realization->subject, "REALIZATION");

  EXPECT_FALSE(LookUpWord("computers"));
  EXPECT_FALSE(LookUpWord(""));
}

TEST(SubtitleListTest, ItemsAreThirtySixCharactersWithDotLeaders) {
  auto item = [](std::string_view subtitle, std::string_view subject) {
    return SubtitleListItem(SubtitleInfo{subtitle, subject});
  };
  EXPECT_EQ(item("Absence", "SEPARATION"), "Absence ... ... ... ...   Separation");
  EXPECT_EQ(item("Cause & Effect", "SCIENCE"), "Cause & Effect  ... ... ...  Science");
  EXPECT_EQ(item("God", "THE ETERNAL"), "God     ... ... ... ...  The Eternal");
  EXPECT_EQ(item("Self-Examination", "MEDITATION"), "Self-Examination    ...   Meditation");

  std::vector<std::string> items = SubtitleListItems();
  ASSERT_EQ(items.size(), 362u);
  for (const std::string& text : items) EXPECT_EQ(text.size(), 36u) << text;
  EXPECT_EQ(items.front(), "Absence ... ... ... ...   Separation");
  EXPECT_EQ(items.back(), "Zeal    ... ... ... ...   Enthusiasm");
  auto restriction = std::find(items.begin(), items.end(), "Order   ... ... ... ...  Restriction");
  ASSERT_NE(restriction, items.end());
  EXPECT_EQ(*(restriction + 1), "Order   ... ... ... ... ...    World");
}

TEST(SubtitleListTest, SubjectIsTakenAfterTheLastLeader) {
  EXPECT_EQ(SubjectOfListItem("Cause & Effect  ... ... ...  Science"), "Science");
  EXPECT_EQ(SubjectOfListItem("God     ... ... ... ...  The Eternal"), "The Eternal");
  EXPECT_EQ(SubjectOfListItem(""), "");
  EXPECT_EQ(SubjectOfListItem("Absence"), "");
  for (const std::string& text : SubtitleListItems()) {
    EXPECT_NE(FindSubject(SubjectOfListItem(text)), nullptr) << text;
  }
}

}  // namespace
}  // namespace tessary::subjects
