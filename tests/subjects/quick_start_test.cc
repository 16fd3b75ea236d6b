#include "subjects/quick_start.h"

#include <gtest/gtest.h>

namespace tessary::subjects {
namespace {

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
