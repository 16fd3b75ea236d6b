#include "subjects/quick_start.h"

namespace tessary::subjects {

const std::array<QuickStartButtonInfo, 6>& QuickStartButtons() {
  static const std::array<QuickStartButtonInfo, 6> buttons = {{
      {QuickStartButton::kBrowser, " BROWSER", " View Quotes in Tabular Format"},
      {QuickStartButton::kSubjectList, " SUBJECT LIST DIALOG...", " Alphabetical List of Subjects"},
      {QuickStartButton::kSubjectFinder, "SUBJECT FINDER LIST...",
       "Subtitles in Alphabetical Order"},
      {QuickStartButton::kQuoteADay, "QUOTE-A-DAY", "Random Quote Generator"},
      {QuickStartButton::kSubjectIcons, " SUBJECT ICON MENU...", " Select Subject Using Icons"},
      {QuickStartButton::kHintsAndTips, " HINTS && TIPS", " Useful Things to Know"},
  }};
  return buttons;
}

void QuickStartChoices::Choose(QuickStartButton button) {
  switch (button) {
    case QuickStartButton::kBrowser:
      break;
    case QuickStartButton::kSubjectList:
      subject_list = true;
      break;
    case QuickStartButton::kSubjectFinder:
      subject_finder = true;
      break;
    case QuickStartButton::kQuoteADay:
      quote_a_day = true;
      break;
    case QuickStartButton::kSubjectIcons:
      subject_icons = true;
      break;
    case QuickStartButton::kHintsAndTips:
      hints_and_tips = true;
      break;
  }
}

std::vector<QuickStartCommand> QuickStartCommands(const QuickStartChoices& choices) {
  std::vector<QuickStartCommand> commands;
  if (choices.subject_list) commands.push_back(QuickStartCommand::kSubjectList);
  if (choices.subject_finder) commands.push_back(QuickStartCommand::kSubjectFinder);
  if (choices.quote_a_day) commands.push_back(QuickStartCommand::kQuoteADay);
  if (choices.hints_and_tips) commands.push_back(QuickStartCommand::kHintsAndTips);
  if (choices.subject_icons) commands.push_back(QuickStartCommand::kSubjectIcons);
  return commands;
}

}  // namespace tessary::subjects
