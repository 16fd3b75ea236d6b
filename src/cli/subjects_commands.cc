// subjects: the items of the subject list or the subtitle list.
// goto: the first record of a subject, found as the icon menus find it or,
// with a section, as the subject and subtitle lists do.
#include <memory>
#include <ostream>

#include "app/options.h"
#include "cli/cli_session.h"
#include "cli/cli_text.h"
#include "cli/command_table.h"
#include "exchange/record_json.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/program_dir.h"
#include "subjects/icon_menus.h"
#include "subjects/subject_lists.h"

namespace tessary::cli {
namespace {

struct GotoArgs {
  std::string subject;
  std::string section;
};

int SubjectsCommand(bool subtitles, std::ostream& out) {
  std::vector<std::string> items =
      subtitles ? subjects::SubtitleListBoxItems() : subjects::SubjectListItems();
  for (size_t i = 1; i < items.size(); ++i) out << Utf8(items[i]) << "\n";
  return 0;
}

// The seven-section naming of the options file beside the Fileblock; its start
// value (set) when there is no readable file.
bool SevenSectionNaming(const std::string& db) {
  std::string block;
  const std::string path = platform::JoinPath(platform::DirectoryOf(db), app::kOptionsFileName);
  if (platform::ReadWholeFile(platform::PosixFileSystem(), path, &block) != 0) {
    return app::Options{}.SevenSectionNaming();
  }
  return app::DecodeOptions(block).SevenSectionNaming();
}

int GotoCommand(const SessionOptions& options, const GotoArgs& args, std::ostream& out,
                std::ostream& err) {
  const std::string word = platform::Utf8ToAnsi(args.subject);
  subjects::ListChoices choices;
  if (!args.section.empty()) {
    choices.LeaveList(subjects::ListKind::kSubjects, word);
    choices.LeaveSectionGroup(args.section[0] - '1', SevenSectionNaming(options.db));
    choices.ok = true;
    choices.PrepareSearch();
    if (!choices.Searches()) {
      err << "tessary-cli: '" << args.subject << "' names no subject\n";
      return 1;
    }
  }
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  database::Session& session = cli.session();
  const int32_t ref = args.section.empty()
                          ? subjects::FindFirstOfSubject(session, word)
                          : subjects::FindFromKey3(session, choices.SearchKeyText());
  if (ref == 0) {
    err << "tessary-cli: no record at or after subject '" << args.subject << "'"
        << (args.section.empty() ? "" : " section " + choices.chosen_section) << "\n";
    return 1;
  }
  out << exchange::RecordToJson(ref, session.current_record, session.record_length()).dump()
      << "\n";
  return 0;
}

}  // namespace

void AddSubjectsCommands(CommandTable& table) {
  auto subtitles = std::make_shared<bool>(false);
  CLI::App* list = table.Add(
      "subjects", "Print the items of the subject or subtitle list",
      [subtitles](std::ostream& out, std::ostream&) { return SubjectsCommand(*subtitles, out); });
  list->add_flag("--subtitles", *subtitles, "the subtitle list instead");

  auto session = std::make_shared<SessionOptions>();
  auto args = std::make_shared<GotoArgs>();
  CLI::App* go = table.Add("goto", "Print the first record of a subject as JSON",
                           [session, args](std::ostream& out, std::ostream& err) {
                             return GotoCommand(*session, *args, out, err);
                           });
  CommandTable::AddSessionOptions(go, *session);
  go->add_option("--subject", args->subject, "subject word (up to 13 characters)")->required();
  go->add_option("--section", args->section, "section digit 1 to 8, as the subject lists offer")
      ->check(CLI::IsMember({"1", "2", "3", "4", "5", "6", "7", "8"}));
}

}  // namespace tessary::cli
