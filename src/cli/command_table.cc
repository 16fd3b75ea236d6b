#include "cli/command_table.h"

namespace tessary::cli {

CLI::App* CommandTable::Add(const std::string& name, const std::string& description,
                            CommandRun run) {
  CLI::App* command = app_.add_subcommand(name, description);
  commands_.emplace_back(command, std::move(run));
  return command;
}

void CommandTable::AddSessionOptions(CLI::App* command, SessionOptions& options) {
  command->add_option("--db", options.db, "Fileblock base name (without extension)")->required();
  auto* yes_flag = command->add_flag("--yes", options.yes, "answer Yes to the session's questions");
  command->add_flag("--no", options.no, "answer No to the session's questions")->excludes(yes_flag);
}

int CommandTable::Run(std::ostream& out, std::ostream& err) const {
  for (const auto& [command, run] : commands_) {
    if (*command) return run(out, err);
  }
  return 1;
}

}  // namespace tessary::cli
