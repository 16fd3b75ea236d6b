#include "subjects/quick_start.h"

#include <gtest/gtest.h>

#include <string>

namespace tessary::subjects {
namespace {

using B = QuickStartButton;
using C = QuickStartCommand;

TEST(QuickStartTest, ButtonsCarryTheirTitlesInTwoColumns) {
  const auto& buttons = QuickStartButtons();
  const std::pair<B, std::string> expected[] = {
      {B::kBrowser, " BROWSER| View Quotes in Tabular Format"},
      {B::kSubjectList, " SUBJECT LIST DIALOG...| Alphabetical List of Subjects"},
      {B::kSubjectFinder, "SUBJECT FINDER LIST...|Subtitles in Alphabetical Order"},
      {B::kQuoteADay, "QUOTE-A-DAY|Random Quote Generator"},
      {B::kSubjectIcons, " SUBJECT ICON MENU...| Select Subject Using Icons"},
      {B::kHintsAndTips, " HINTS && TIPS| Useful Things to Know"},
  };
  ASSERT_EQ(buttons.size(), std::size(expected));
  for (size_t i = 0; i < buttons.size(); ++i) {
    EXPECT_EQ(buttons[i].button, expected[i].first) << i;
    EXPECT_EQ(std::string(buttons[i].title) + "|" + std::string(buttons[i].subtitle),
              expected[i].second);
  }
}

TEST(QuickStartTest, EachButtonLeadsToOneCommand) {
  const std::pair<B, std::vector<C>> cases[] = {
      {B::kBrowser, {}},
      {B::kSubjectList, {C::kSubjectList}},
      {B::kSubjectFinder, {C::kSubjectFinder}},
      {B::kQuoteADay, {C::kQuoteADay}},
      {B::kSubjectIcons, {C::kSubjectIcons}},
      {B::kHintsAndTips, {C::kHintsAndTips}},
  };
  QuickStartChoices choices;
  for (const auto& [button, commands] : cases) {
    choices.Activate();
    choices.Choose(button);
    EXPECT_EQ(QuickStartCommands(choices), commands) << static_cast<int>(button);
  }
}

TEST(QuickStartTest, CommandsRunInTheirFixedOrder) {
  QuickStartChoices all;
  for (B button :
       {B::kSubjectIcons, B::kHintsAndTips, B::kQuoteADay, B::kSubjectFinder, B::kSubjectList}) {
    all.Choose(button);
  }
  EXPECT_EQ(QuickStartCommands(all),
            (std::vector<C>{C::kSubjectList, C::kSubjectFinder, C::kQuoteADay, C::kHintsAndTips,
                            C::kSubjectIcons}));
  all.Activate();
  EXPECT_TRUE(QuickStartCommands(all).empty()) << "the close box: no command";
}

}  // namespace
}  // namespace tessary::subjects
