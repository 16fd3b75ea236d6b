// Adds the quotations of files to the open database of a session: fortune
// text, CSV or JSON lines (record_files.h), chosen by extension or given.
//
// What is read:
//  - a directory stands for its files (not those of its subdirectories nor
//    hidden ones), in name order;
//  - a file reached twice, under another name or through a link (the same
//    device and inode), is read once;
//  - a file that is not text (WhyNotText) or that holds a refused value adds
//    nothing and is reported with the reason.
// Duplicates are skipped and counted unless allowed. A fortune entry is a
// duplicate of a record in the database, or added before in the same import,
// with the same lines, author and source (Authors_Full_Name, Authors_LName,
// FirstName, Book_Name) after the import's own layout. A CSV or JSON record, which
// carries every field, is a duplicate of one with every field but
// Record_Number the same; a quotation continued over several records is a
// duplicate only when all its records are.
// Numbers: fortune entries, and records that give no Record_Number, are
// numbered on from the highest number in use. Records keep the numbers their
// file gives unless one of them is in use already or given twice; then all
// records of that file are numbered on, in file order, so that continued
// quotations stay consecutive.
// A failed add (a full disk, say) stops the import at once: the session has
// reported the failure, and the report counts only what was stored.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/session.h"
#include "exchange/fortune_import.h"
#include "exchange/record_files.h"

namespace tessary::exchange {

struct ImportOptions {
  std::optional<FileFormat> format;  // by extension when not given
  std::string subject;               // fortune files: the subject of every entry
  std::string section = "1";         // fortune files: the section digit
  bool allow_duplicates = false;
};

struct FileOutcome {
  std::string path;
  bool named = true;    // named by the user, not found in a directory
  std::string refused;  // why nothing was read from the file; "" when read
  std::string same_as;  // the earlier path of the same file; "" when none
  size_t quotations_added = 0;
  size_t records_added = 0;
  size_t duplicates = 0;
  std::vector<SkippedEntry> skipped;  // fortune entries with nothing to store
  size_t replaced = 0;                // characters stored as "?"
  bool renumbered = false;            // the file's record numbers were in use
  bool stopped = false;               // an add failed while this file was read
};

struct ImportReport {
  std::vector<FileOutcome> files;
  size_t quotations_added = 0;
  size_t records_added = 0;
  size_t duplicates = 0;
  size_t files_refused = 0;  // refused files, named or found in a directory
  bool add_failed = false;
  bool abandoned = false;
  // Whether everything named was read and stored.
  bool ok() const;
};

struct ImportProgress {
  std::string path;  // the file being read
  size_t file = 0;   // its number, from 1
  size_t files = 0;  // files in all
  size_t records_added = 0;
};

class Importer {
 public:
  // `session` has its Fileblock open.
  Importer(database::Session& session, ImportOptions options);

  // Called before each file and every few hundred records; returning false
  // abandons the import (what was stored stays).
  std::function<bool(const ImportProgress&)> progress;

  ImportReport Run(const std::vector<std::string>& paths);

 private:
  void LearnDatabase();
  void ImportFile(const std::string& path, const std::string& bytes, FileOutcome& outcome);
  void ImportFortuneFile(const std::string& path, const std::string& text, FileOutcome& outcome);
  void ImportRecordFile(FileFormat format, const std::string& text, FileOutcome& outcome);
  bool Add(const database::QuotationRecord& record, FileOutcome& outcome);
  bool KeepGoing(const std::string& path);

  database::Session& session_;
  ImportOptions options_;
  struct Known;
  std::shared_ptr<Known> known_;
  ImportReport report_;
  ImportProgress at_;
  bool stop_ = false;
};

// One line about a file, as tessary-cli prints it and the desktop program
// shows it: "art: added 460 quotations in 471 records, 2 duplicates skipped".
std::string DescribeFile(const FileOutcome& outcome);
// "total: ..." for the whole import; `in_database` is the count afterwards.
std::string DescribeTotal(const ImportReport& report, long in_database);
// The desktop program's box after an import: the counts, then the files that
// were refused, stopped or stored with changes (at most `most_files`).
std::string ImportSummary(const ImportReport& report, size_t most_files);

}  // namespace tessary::exchange
