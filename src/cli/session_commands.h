// The tessary-cli commands that work through the database session.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "ui/console_host.h"

namespace tessary::cli {

struct SessionOptions {
  std::string db;  // Fileblock path without extension
  ui::ConsoleHost::Answer answer = ui::ConsoleHost::Answer::kAsk;
};

int CreateCommand(const SessionOptions& options, std::ostream& out, std::ostream& err);
int ListCommand(const SessionOptions& options, int key, std::ostream& out, std::ostream& err);
// One page of N rows of the record list over `key`: the first page at or after
// `from` (upper-cased; digits are right-aligned for key 1), or the last page.
int ListRowsCommand(const SessionOptions& options, int key, int rows, const std::string& from,
                    bool last, std::ostream& out, std::ostream& err);
int DeleteCommand(const SessionOptions& options, const std::vector<std::string>& numbers,
                  std::ostream& out, std::ostream& err);
int RebuildCommand(const SessionOptions& options, std::ostream& out, std::ostream& err);

struct ImportOptions {
  std::string subject;
  std::string section = "1";
  std::vector<std::string> files;
};
int ImportCommand(const SessionOptions& options, const ImportOptions& import, std::ostream& out,
                  std::ostream& err);

// Renderings of one record: "screen", "print", "clipboard" or "selected".
int ShowCommand(const SessionOptions& options, const std::string& number, const std::string& as,
                std::ostream& out, std::ostream& err);
int WriteCommand(const SessionOptions& options, const std::vector<std::string>& numbers,
                 std::ostream& out, std::ostream& err);

}  // namespace tessary::cli
