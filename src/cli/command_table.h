// How tessary-cli's commands plug in: each command group adds its subcommands
// to the parser with the function that runs each one. The groups are listed
// once, in commands.cc.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "ui/console_host.h"

namespace tessary::cli {

// --db, --yes and --no of the commands that work through the database session.
struct SessionOptions {
  std::string db;  // Fileblock path without extension
  bool yes = false;
  bool no = false;
  // The session's questions (create? rebuild?) are answered by --yes or --no,
  // else at the terminal, else No.
  ui::ConsoleHost::Answer answer() const {
    return yes  ? ui::ConsoleHost::Answer::kYes
           : no ? ui::ConsoleHost::Answer::kNo
                : ui::ConsoleHost::Answer::kAsk;
  }
};

// Runs a parsed command; returns the exit code.
using CommandRun = std::function<int(std::ostream& out, std::ostream& err)>;

class CommandTable {
 public:
  explicit CommandTable(CLI::App& app) : app_(app) {}

  // Adds subcommand `name`; `run` runs it when it was given. Options bound to
  // the returned subcommand must outlive the table (groups keep them in a
  // shared_ptr captured by `run`).
  CLI::App* Add(const std::string& name, const std::string& description, CommandRun run);
  // Adds --db (required), --yes and --no to `command`.
  static void AddSessionOptions(CLI::App* command, SessionOptions& options);
  // Runs the subcommand that was parsed.
  int Run(std::ostream& out, std::ostream& err) const;

 private:
  CLI::App& app_;
  std::vector<std::pair<CLI::App*, CommandRun>> commands_;
};

// The command groups.
void AddEngineCommands(CommandTable& table);    // explain, dump, check
void AddSessionCommands(CommandTable& table);   // create, list, delete, rebuild, show, write
void AddExchangeCommands(CommandTable& table);  // import, export, backup, restore
void AddPublishCommands(CommandTable& table);   // html, signature, options
void AddSubjectsCommands(CommandTable& table);  // subjects, goto
void AddEntryCommands(CommandTable& table);     // add, edit, paste
void AddSearchCommands(CommandTable& table);    // search, find
void AddReadingCommands(CommandTable& table);   // quote, step, fortune

}  // namespace tessary::cli
