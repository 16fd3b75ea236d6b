#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command_table.h"

namespace tessary::cli {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"tessary-cli: the quotation database without windows", "tessary-cli"};
  app.require_subcommand(1);
  CommandTable table(app);
  AddEngineCommands(table);
  AddSessionCommands(table);
  AddExchangeCommands(table);
  AddPublishCommands(table);
  AddSubjectsCommands(table);
  AddEntryCommands(table);
  AddSearchCommands(table);
  AddReadingCommands(table);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }
  return table.Run(out, err);
}

}  // namespace tessary::cli
