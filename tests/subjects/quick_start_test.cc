#include "subjects/quick_start.h"

#include <gtest/gtest.h>

namespace tessary::subjects {
namespace {

using B = QuickStartButton;
using C = QuickStartCommand;

TEST(QuickStartTest, EachButtonLeadsToOneCommandAndTheOrderIsFixed) {
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
