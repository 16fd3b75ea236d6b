#include "subjects/subject_commands.h"

#include <QRandomGenerator>

#include "subjects/quick_start_gui.h"
#include "subjects/subject_lists_gui.h"
#include "subjects/subject_menus_gui.h"

namespace tessary::subjects {
namespace {

template <typename F>
bool Set(const std::function<F>* seam) {
  return seam != nullptr && *seam;
}

}  // namespace

SubjectCommands::SubjectCommands(QWidget* parent, database::Session& session, ui::Host& host,
                                 Hooks hooks)
    : parent_(parent), session_(session), host_(host), hooks_(std::move(hooks)) {
  draw_first_menu = [] { return static_cast<int>(QRandomGenerator::global()->bounded(300)); };
  subject_list_ = std::make_unique<TSUB_LB>(host, parent);
  subject_finder_ = std::make_unique<TSubtitle_List_Box>(host, parent);
  quick_start_ = std::make_unique<TQS_MENU_TESSARY>(parent);
}

SubjectCommands::~SubjectCommands() = default;

void SubjectCommands::SubjectIcons() {
  const EditionSwitches editions = hooks_.editions ? hooks_.editions() : EditionSwitches{};
  const bool first_command = !icons_used_;
  icons_used_ = true;
  const int first =
      FirstMenu(first_command, editions.seven_section, first_command ? draw_first_menu() : 0);
  const std::string word = RunIconMenus(first, editions, [&](IconMenu& menu) {
    host_.SetBusy(true);  // the menu shows the arrow again once it is up
    std::unique_ptr<TSubjectIconMenu> dialog = MakeSubjectIconMenu(menu, editions, host_, parent_);
    if (before_icon_menu) before_icon_menu(*dialog);
    dialog->exec();
  });
  if (word.empty()) return;
  const int32_t ref = FindFirstOfSubject(session_, word);
  if (ref != 0) Land(ref, true);
}

void SubjectCommands::SubjectList() { RunList(*subject_list_); }

void SubjectCommands::SubjectFinder() { RunList(*subject_finder_); }

void SubjectCommands::RunList(SubjectListDialog& dialog) {
  ListChoices& choices = dialog.choices();
  choices.search_key = database::EmptyRecord();
  dialog.SetSevenSection(hooks_.editions ? hooks_.editions().seven_section : true);
  dialog.exec();
  choices.PrepareSearch();
  if (!choices.Searches()) return;
  session_.SetCurrentKey(choices.sort_key);
  const int32_t ref = FindFromKey3(session_, choices.SearchKeyText());
  if (ref != 0) Land(ref, choices.show_in_reading_window);
}

void SubjectCommands::Land(int32_t ref, bool reading_window) {
  // The list follows in both cases, so that it shows the subject when the
  // reading window is closed again.
  if (hooks_.show_in_list) hooks_.show_in_list(3, ref);
  if (reading_window && Set(hooks_.show_in_reading_window)) (*hooks_.show_in_reading_window)(ref);
}

void SubjectCommands::QuickStart() {
  quick_start_->SetQuoteADayAvailable(Set(hooks_.quote_a_day));
  quick_start_->exec();
  for (QuickStartCommand command : QuickStartCommands(quick_start_->choices())) {
    switch (command) {
      case QuickStartCommand::kSubjectList:
        SubjectList();
        break;
      case QuickStartCommand::kSubjectFinder:
        SubjectFinder();
        break;
      case QuickStartCommand::kQuoteADay:
        if (Set(hooks_.quote_a_day)) (*hooks_.quote_a_day)();
        break;
      case QuickStartCommand::kHintsAndTips:
        host_.ShowHelp(kHintsAndTipsTopic);
        break;
      case QuickStartCommand::kSubjectIcons:
        SubjectIcons();
        break;
    }
  }
}

}  // namespace tessary::subjects
