// The quick-start menu without windows: its six buttons, the choice flags a
// button sets, and the commands the main window runs afterwards, in order.
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace tessary::subjects {

inline constexpr int kHintsAndTipsTopic = 270;

enum class QuickStartButton {
  kBrowser,
  kSubjectList,
  kSubjectFinder,
  kQuoteADay,
  kSubjectIcons,
  kHintsAndTips,
};

struct QuickStartButtonInfo {
  QuickStartButton button;
  std::string_view title;  // "&&" shows one "&"
  std::string_view subtitle;
};

// The buttons in their two columns of three, left column first; Browser is the
// default button.
const std::array<QuickStartButtonInfo, 6>& QuickStartButtons();

// The commands the menu can lead to.
enum class QuickStartCommand {
  kSubjectList,
  kSubjectFinder,
  kQuoteADay,
  kHintsAndTips,  // help topic 270
  kSubjectIcons,
};

// The five choice flags (Browser has none).
struct QuickStartChoices {
  bool subject_list = false;
  bool subject_finder = false;
  bool quote_a_day = false;
  bool subject_icons = false;
  bool hints_and_tips = false;

  // Clears every flag, as each showing of the menu does.
  void Activate() { *this = QuickStartChoices{}; }
  // Sets the flag of `button` (none for Browser).
  void Choose(QuickStartButton button);
};

// The commands whose flags are set, in the order the main window tests them:
// subject list, subject finder, quote-a-day, hints and tips, subject icons.
std::vector<QuickStartCommand> QuickStartCommands(const QuickStartChoices& choices);

}  // namespace tessary::subjects
