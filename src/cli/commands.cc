#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <ostream>

#include "database/quotation_record.h"
#include "isam/engine.h"
#include "isam/verify.h"
#include "platform/codepage.h"

namespace tessary::cli {
namespace {

using database::QuotationRecord;
using Json = nlohmann::ordered_json;

// Text for JSON: Windows-1252 bytes as UTF-8.
std::string Utf8(std::string_view ansi) { return platform::AnsiToUtf8(ansi); }

void PrintEngineError(std::ostream& err, const std::string& what, const isam::Engine& engine) {
  err << "tessary-cli: " << what << ": IsamError " << engine.EngineError() << " -- "
      << isam::ErrorMessage(engine.EngineError()) << "\n";
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
  for (int k = 1; k <= database::kKeyCount; ++k) keys.push_back(Utf8(database::BuildKey(record, k)));
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
  options.key_builder = [](std::string_view bytes, int key) {
    return database::BuildKey(database::RecordFromBytes(bytes), key);
  };
  isam::VerifyReport report = isam::Verify(platform::PosixFileSystem(), base, options);
  if (report.open_error != 0) {
    err << "tessary-cli: cannot read " << base << ": IsamError " << report.open_error << " -- "
        << isam::ErrorMessage(report.open_error) << "\n";
    return 2;
  }
  for (const std::string& finding : report.findings) out << finding << "\n";
  if (!report.sound()) return 1;
  out << "sound: " << report.records << " records, " << report.slots << " slots ("
      << report.free_slots << " free), entries per key:";
  for (int32_t n : report.entries) out << " " << n;
  out << "\n";
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

  CLI::App* check = app.add_subcommand("check", "Check a Fileblock against its invariants");
  check->add_option("--db", db, "Fileblock base name (without extension)")->required();

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
