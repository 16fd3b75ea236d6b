// The database session of a tessary-cli command: the Fileblock named by --db,
// opened as the program opens it, with the console host answering questions.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/command_table.h"
#include "database/session.h"
#include "ui/console_host.h"

namespace tessary::cli {

class CliSession {
 public:
  CliSession(const SessionOptions& options, std::ostream& out, std::ostream& err);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Starts the engine and opens the Fileblock, asking as the program does.
  bool Start(int page_buffers = database::kPageBuffers);

  database::Session& session() { return session_; }
  ui::ConsoleHost& host() { return host_; }

 private:
  ui::ConsoleHost host_;
  database::Session session_;
  bool started_ = false;
};

// The record number an argument names: decimal digits, blanks around them and
// leading zeros allowed ("00005" and "5" name the same record), at most
// 999999.
bool ParseRecordNumber(const std::string& text, int32_t* number);

// Reads the record with `number` through key 1 into the session's current
// record; false (with a message on `err`) when there is none.
bool FindRecordNumber(database::Session& session, const std::string& number, int32_t* ref,
                      std::ostream& err);

// Reads every record of key `key` in key order and hands it to `visit` with
// its reference and key text. 0 at the end of the key; 1, with a message on
// `err`, when a record cannot be read or the walk fails.
using KeyVisitor = std::function<void(int32_t ref, const std::string& key_text,
                                      const database::QuotationRecord& record)>;
int WalkKey(database::Session& session, int key, std::ostream& err, const KeyVisitor& visit);

struct FoundRecord {
  int32_t number;
  int32_t ref;
  database::QuotationRecord record;
};

// Looks up every named record before a command changes anything; a record
// named twice is found once. False, with a message for each argument that
// names no record, when any of them fails.
bool FindRecordNumbers(database::Session& session, const std::vector<std::string>& numbers,
                       std::vector<FoundRecord>* found, std::ostream& err);

}  // namespace tessary::cli
