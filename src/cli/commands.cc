#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/options.h"
#include "cli/cli_text.h"
#include "cli/session_commands.h"
#include "database/quotation_record.h"
#include "isam/engine.h"
#include "isam/verify.h"
#include "platform/codepage.h"
#include "ui/console_host.h"

namespace tessary::cli {
namespace {

using database::QuotationRecord;
using Json = nlohmann::ordered_json;

void PrintEngineError(std::ostream& err, const std::string& what, const isam::Engine& engine) {
  PrintIsamError(err, what, engine.EngineError());
}

Json RecordJson(int32_t ref, const QuotationRecord& record, size_t length) {
  Json j;
  j["ref"] = ref;
  for (const auto& field : database::TextFields()) {
    j[field.name] = Utf8(database::FieldText(record, field));
  }
  j["Multi_Page_Flag"] = record.Multi_Page_Flag;
  j["Author_Age_Code"] = record.Author_Age_Code;
  j["Quote_Rank"] = record.Quote_Rank;
  j["Number_of_Lines"] = record.Number_of_Lines;
  j["Author_Country_Code"] = record.Author_Country_Code;
  j["length"] = length;
  Json keys = Json::array();
  for (int k = 1; k <= database::kKeyCount; ++k)
    keys.push_back(Utf8(database::BuildKey(record, k)));
  j["keys"] = keys;
  return j;
}

Json KeyHeaderJson(int k, const isam::KeyHeader& h, int key_len) {
  Json j;
  j["key"] = k;
  j["FirstFreePage"] = h.first_free_page;
  j["FreePageCount"] = h.free_page_count;
  j["PageCount"] = h.page_count;
  j["PageBytes"] = h.page_bytes;
  j["RootPage"] = h.root_page;
  j["AllowDuplicates"] = h.allow_duplicates;
  j["EntryCount"] = h.entry_count;
  j["PageSize"] = h.page_size;
  j["KeyLen"] = key_len;
  return j;
}

// An engine with one Fileblock opened read-only, closed on scope exit.
class ReadOnlyFileblock {
 public:
  ReadOnlyFileblock() { engine_.InitEngine(30); }
  ~ReadOnlyFileblock() {
    if (fb_) engine_.CloseFileblock(fb_);
  }
  bool Open(const std::string& base, std::ostream& err) {
    fb_ = engine_.OpenFileblock(base, true);
    if (!engine_.EngineOk()) {
      fb_ = nullptr;
      PrintEngineError(err, "cannot open " + base, engine_);
      return false;
    }
    return true;
  }
  isam::Engine& engine() { return engine_; }
  isam::Fileblock* fb() { return fb_; }

 private:
  isam::Engine engine_;
  isam::Fileblock* fb_ = nullptr;
};

int DumpRecords(ReadOnlyFileblock& db, std::ostream& out, std::ostream& err) {
  isam::Engine& engine = db.engine();
  int32_t ref = 0;
  int failures = 0;
  while (true) {
    engine.NextUsedSlot(db.fb(), ref);
    if (!engine.EngineOk()) break;
    QuotationRecord record = database::EmptyRecord();
    size_t length = sizeof record;
    engine.GetVarRecord(db.fb(), ref, &record, length);
    if (!engine.EngineOk()) {
      PrintEngineError(err, "record at slot " + std::to_string(ref), engine);
      ++failures;
      continue;
    }
    out << RecordJson(ref, record, length).dump() << "\n";
  }
  if (engine.EngineError() != isam::kErrNoMatchingReference) {
    PrintEngineError(err, "reading the data file", engine);
    return 1;
  }
  return failures == 0 ? 0 : 1;
}

int DumpHeaders(ReadOnlyFileblock& db, std::ostream& out) {
  isam::FileblockInfo info = db.engine().Describe(db.fb());
  Json data;
  data["FirstFree"] = info.data.first_free;
  data["FreeCount"] = info.data.free_count;
  data["SlotCount"] = info.data.slot_count;
  data["RecordLength"] = info.data.record_length;
  data["KeyCount"] = info.data.key_count;
  data["InUse"] = info.data.in_use;
  out << Json{{"data", data}}.dump() << "\n";
  for (size_t k = 0; k < info.keys.size(); ++k) {
    out << KeyHeaderJson(static_cast<int>(k + 1), info.keys[k], info.key_lengths[k]).dump() << "\n";
  }
  return 0;
}

int DumpIndex(ReadOnlyFileblock& db, int key, std::ostream& out, std::ostream& err) {
  isam::Engine& engine = db.engine();
  engine.ClearKey(db.fb(), key);
  if (!engine.EngineOk()) {
    PrintEngineError(err, "key " + std::to_string(key), engine);
    return 1;
  }
  int32_t ref = 0;
  std::string text;
  while (true) {
    engine.NextKey(db.fb(), key, ref, text);
    if (!engine.EngineOk()) break;
    out << Json{{"ref", ref}, {"key", Utf8(text)}}.dump() << "\n";
  }
  if (engine.EngineError() != isam::kErrNoLargerKey) {
    PrintEngineError(err, "walking key " + std::to_string(key), engine);
    return 1;
  }
  return 0;
}

int Check(const std::string& base, std::ostream& out, std::ostream& err) {
  isam::VerifyOptions options;
  options.key_builder = database::BuildKeyFromBytes;
  isam::VerifyReport report = isam::Verify(platform::PosixFileSystem(), base, options);
  if (report.open_error != 0) {
    PrintIsamError(err, "cannot read " + base, report.open_error);
    return 2;
  }
  for (const std::string& finding : report.findings) out << finding << "\n";
  if (!report.sound()) return 1;
  out << "sound: " << report.records << " records, " << report.slot_count << " slots ("
      << report.free_slots << " free), entries per key:";
  for (int32_t n : report.entries) out << " " << n;
  out << "\n";
  return 0;
}

// Prints the settings of Options.CFG in `dir` as JSON; with `init`, first
// writes the start values when the file is missing (a new program directory
// then starts without the missing-file message).
int OptionsCommand(const std::string& dir, bool init, std::ostream& out, std::ostream& err) {
  platform::FileSystem& fs = platform::PosixFileSystem();
  ui::ConsoleHost host(out, err, ui::ConsoleHost::Answer::kNo);
  if (init && !fs.Exists(dir + "/" + app::kOptionsFileName)) {
    if (!app::WriteOptions(fs, dir, host, app::Options{})) return 1;
  }
  app::Options options;
  if (!app::ReadOptions(fs, dir, host, &options)) return 1;
  Json j;
  j["font_name"] = Utf8(options.font_name);
  j["font_size"] = options.font_size;
  j["font_colour"] = options.font_colour;
  j["bold"] = options.bold;
  j["italic"] = options.italic;
  j["underline"] = options.underline;
  j["strike_out"] = options.strike_out;
  j["background_colour"] = options.background_colour;
  j["fileblock_name"] = Utf8(options.fileblock_name);
  j["flags"] = options.flags;
  out << j.dump() << "\n";
  return 0;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"tessary-cli: the quotation database without windows", "tessary-cli"};
  app.require_subcommand(1);

  int explain_number = 0;
  CLI::App* explain = app.add_subcommand("explain", "Print the class and text of an engine error");
  explain->add_option("N", explain_number, "engine error number")->required();

  std::string db;
  bool headers = false;
  int index_key = 0;
  CLI::App* dump = app.add_subcommand("dump", "Print the records, headers or a key's entries");
  dump->add_option("--db", db, "Fileblock base name (without extension)")->required();
  auto* headers_flag = dump->add_flag("--headers", headers, "print the data and key headers");
  dump->add_option("--index", index_key, "print the entries of key K in order")
      ->excludes(headers_flag);

  std::string options_dir;
  bool options_init = false;
  CLI::App* options_command =
      app.add_subcommand("options", "Print the options file of a program directory");
  options_command->add_option("--dir", options_dir, "the program directory")->required();
  options_command->add_flag("--init", options_init,
                            "write the default options file when there is none");

  CLI::App* check = app.add_subcommand("check", "Check a Fileblock against its invariants");
  check->add_option("--db", db, "Fileblock base name (without extension)")->required();

  // Commands that work through the database session. Its questions (create?
  // rebuild?) are answered by --yes or --no, else at the terminal, else No.
  SessionOptions session;
  bool yes = false;
  bool no = false;
  auto add_session = [&](CLI::App* command) {
    command->add_option("--db", session.db, "Fileblock base name (without extension)")->required();
    auto* yes_flag = command->add_flag("--yes", yes, "answer Yes to the session's questions");
    command->add_flag("--no", no, "answer No to the session's questions")->excludes(yes_flag);
  };
  CLI::App* create = app.add_subcommand("create", "Create an empty quotation Fileblock");
  add_session(create);
  int list_key = 1;
  CLI::App* list = app.add_subcommand("list", "List the records in the order of a key as JSON");
  add_session(list);
  list->add_option("--key", list_key, "key number 1 to 6")->check(CLI::Range(1, 6));
  int list_rows = 0;
  std::string list_from;
  bool list_last = false;
  auto* rows_option =
      list->add_option("--rows", list_rows, "print one page of N list rows instead of JSON")
          ->check(CLI::Range(1, 1000));
  auto* from_option =
      list->add_option("--from", list_from, "first page at or after TEXT")->needs(rows_option);
  list->add_flag("--last", list_last, "the last page")->needs(rows_option)->excludes(from_option);
  std::vector<std::string> numbers;
  CLI::App* remove = app.add_subcommand("delete", "Delete records by record number");
  add_session(remove);
  remove->add_option("NUMBER", numbers, "record numbers")->required();
  CLI::App* rebuild = app.add_subcommand("rebuild", "Rebuild the data and index files");
  add_session(rebuild);
  ImportOptions import;
  CLI::App* import_command =
      app.add_subcommand("import", "Add the quotations of fortune-format files");
  add_session(import_command);
  import_command->add_option("--subject", import.subject, "subject of every quotation");
  import_command->add_option("--section", import.section, "section digit 1 to 9")
      ->check(CLI::IsMember({"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  import_command->add_option("FILE", import.files, "fortune files")->required();
  std::string show_number;
  std::string show_as = "screen";
  CLI::App* show = app.add_subcommand("show", "Print a rendering of a record");
  add_session(show);
  show->add_option("NUMBER", show_number, "record number")->required();
  show->add_option("--as", show_as, "screen, print, clipboard or selected")
      ->check(CLI::IsMember({"screen", "print", "clipboard", "selected"}));
  CLI::App* write = app.add_subcommand("write", "Append records to Selected.Txt here");
  add_session(write);
  write->add_option("NUMBER", numbers, "record numbers")->required();

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }

  if (*explain) {
    out << explain_number << " (class " << isam::ErrorClassOf(explain_number)
        << "): " << isam::ErrorMessage(explain_number) << "\n";
    return 0;
  }
  if (*check) return Check(db, out, err);
  if (*options_command) return OptionsCommand(options_dir, options_init, out, err);
  if (yes) session.answer = ui::ConsoleHost::Answer::kYes;
  if (no) session.answer = ui::ConsoleHost::Answer::kNo;
  if (*create) return CreateCommand(session, out, err);
  if (*list && list_rows > 0) {
    return ListRowsCommand(session, list_key, list_rows, list_from, list_last, out, err);
  }
  if (*list) return ListCommand(session, list_key, out, err);
  if (*remove) return DeleteCommand(session, numbers, out, err);
  if (*rebuild) return RebuildCommand(session, out, err);
  if (*import_command) return ImportCommand(session, import, out, err);
  if (*show) return ShowCommand(session, show_number, show_as, out, err);
  if (*write) return WriteCommand(session, numbers, out, err);
  if (*dump) {
    ReadOnlyFileblock fileblock;
    if (!fileblock.Open(db, err)) return 1;
    if (headers) return DumpHeaders(fileblock, out);
    if (dump->count("--index") > 0) return DumpIndex(fileblock, index_key, out, err);
    return DumpRecords(fileblock, out, err);
  }
  return 1;
}

}  // namespace tessary::cli
