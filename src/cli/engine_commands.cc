#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/cli_text.h"
#include "cli/command_table.h"
#include "database/keys.h"
#include "exchange/record_json.h"
#include "isam/engine.h"
#include "isam/verify.h"
#include "platform/codepage.h"
#include "platform/file.h"

namespace tessary::cli {
namespace {

using database::QuotationRecord;
using Json = nlohmann::ordered_json;

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
    fb_ = engine_.OpenFileblock(base, isam::Access::kReadOnly);
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
    const std::optional<database::StoredRecord> stored = database::ReadRecord(engine, db.fb(), ref);
    if (!stored) {
      PrintEngineError(err, "record at slot " + std::to_string(ref), engine);
      ++failures;
      continue;
    }
    out << exchange::RecordToJson(ref, stored->record, stored->length).dump() << "\n";
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
  // Beside a save copy the data file is not the database: the records are in
  // the save copy until the interrupted rebuild is finished.
  isam::FileblockNames names;
  if (isam::DeriveNames(base, &names) == 0 && platform::PosixFileSystem().Exists(names.save)) {
    err << "tessary-cli: " << names.save
        << " is present: a rebuild was interrupted and the records are in it\n"
        << "tessary-cli: open the database to finish the rebuild, for example tessary-cli list "
           "--db "
        << base << " --yes\n";
    return 1;
  }
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

}  // namespace

void AddEngineCommands(CommandTable& table) {
  auto explain_number = std::make_shared<int>(0);
  CLI::App* explain = table.Add("explain", "Print the class and text of an engine error",
                                [explain_number](std::ostream& out, std::ostream&) {
                                  out << *explain_number << " (class "
                                      << isam::ClassNumber(isam::ErrorClassOf(*explain_number))
                                      << "): " << isam::ErrorMessage(*explain_number) << "\n";
                                  return 0;
                                });
  explain->add_option("N", *explain_number, "engine error number")->required();

  struct DumpArgs {
    std::string db;
    bool headers = false;
    int index_key = 0;
    CLI::App* command = nullptr;
  };
  auto dump_args = std::make_shared<DumpArgs>();
  CLI::App* dump = table.Add("dump", "Print the records, headers or a key's entries",
                             [dump_args](std::ostream& out, std::ostream& err) {
                               ReadOnlyFileblock fileblock;
                               if (!fileblock.Open(dump_args->db, err)) return 1;
                               if (dump_args->headers) return DumpHeaders(fileblock, out);
                               if (dump_args->command->count("--index") > 0) {
                                 return DumpIndex(fileblock, dump_args->index_key, out, err);
                               }
                               return DumpRecords(fileblock, out, err);
                             });
  dump_args->command = dump;
  dump->add_option("--db", dump_args->db, "Fileblock base name (without extension)")->required();
  auto* headers_flag =
      dump->add_flag("--headers", dump_args->headers, "print the data and key headers");
  dump->add_option("--index", dump_args->index_key, "print the entries of key K in order")
      ->excludes(headers_flag);

  auto check_db = std::make_shared<std::string>();
  CLI::App* check = table.Add(
      "check", "Check a Fileblock against its invariants",
      [check_db](std::ostream& out, std::ostream& err) { return Check(*check_db, out, err); });
  check->add_option("--db", *check_db, "Fileblock base name (without extension)")->required();
}

}  // namespace tessary::cli
