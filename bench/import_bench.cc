// Import throughput: the fortune corpus, and the corpus repeated and
// renumbered to larger counts, added through Session::AddRecord and then
// rebuilt in full (Session::RebuildDataAndIndexes), with the program's page
// cache and with the bulk cache that tessary-cli's import and rebuild use;
// the same records inserted into SQLite in the same run (one transaction,
// five secondary indexes on the texts of keys 2 to 6, the record number as
// primary key) and rebuilt there with VACUUM and REINDEX. Each measurement
// runs in its own child process.
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "database/quotation_record.h"
#include "database/session.h"
#include "exchange/fortune_import.h"
#include "isam/engine.h"
#include "platform/file.h"

namespace tessary::bench {
namespace {

using database::QuotationRecord;

struct Options {
  std::vector<int64_t> sizes = {0, 100000};  // 0: the corpus once
  std::vector<int64_t> buffers = {database::kPageBuffers, isam::kBulkPageBuffers};
  std::string corpus_dir = "/usr/share/games/fortunes";
  std::string dir;
};

// Every fortune file of `dir` (regular files without the .dat and .u8
// companions), in name order, turned into records numbered from 1.
bool LoadCorpus(const std::string& dir, std::vector<QuotationRecord>* records, size_t* files) {
  std::vector<std::filesystem::path> paths;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::filesystem::path& p = entry.path();
    if (!entry.is_regular_file(ec) || p.extension() == ".dat" || p.extension() == ".u8") continue;
    paths.push_back(p);
  }
  if (ec || paths.empty()) {
    std::cerr << "import_bench: no fortune files in " << dir << "\n";
    return false;
  }
  std::sort(paths.begin(), paths.end());
  int next = 1;
  for (const auto& p : paths) {
    std::string text;
    if (platform::ReadWholeFile(platform::PosixFileSystem(), p.string(), &text) != 0) {
      std::cerr << "import_bench: cannot read " << p << "\n";
      return false;
    }
    exchange::ImportContext context;
    context.file_name = p.filename().string();
    context.first_record_number = next;
    exchange::FileImport result = exchange::ImportFortunes(text, context);
    next += static_cast<int>(result.records.size());
    records->insert(records->end(), result.records.begin(), result.records.end());
  }
  *files = paths.size();
  return true;
}

// Record j (0-based) of a run of `n`: the corpus repeated, numbered j + 1
// modulo 1,000,000 (the field holds six digits).
QuotationRecord RecordAt(const std::vector<QuotationRecord>& corpus, int64_t j) {
  QuotationRecord r = corpus[static_cast<size_t>(j) % corpus.size()];
  database::SetField(r.Record_Number, std::to_string((j + 1) % 1000000));
  return r;
}

struct Figures {
  double import_seconds = 0;
  double rebuild_seconds = 0;
  double file_mib = 0;  // the files after the import
  double peak_mib = 0;
};

// `buffers`: the page cache the session's engine starts with, as tessary-cli's
// import and rebuild start it.
bool TessaryRun(const std::vector<QuotationRecord>& corpus, int64_t n, int buffers,
                const std::string& dir, Figures* figures) {
  QuietHost host;
  database::Session session(host, platform::PosixFileSystem());
  session.set_directory(dir);
  if (!session.StartDatabase(buffers)) {
    std::cerr << "import_bench: cannot create the Fileblock in " << dir << "\n";
    return false;
  }
  // Import, made durable by the close (which flushes and syncs), as a
  // committed SQLite transaction is.
  Stopwatch watch;
  for (int64_t j = 0; j < n; ++j) {
    session.current_record = RecordAt(corpus, j);
    if (!session.AddRecord()) {
      std::cerr << "import_bench: AddRecord failed at record " << j + 1 << "\n";
      return false;
    }
  }
  session.CloseDatabase();
  figures->import_seconds = watch.Seconds();
  figures->file_mib = DirectoryMiB(dir);

  if (!session.StartDatabase(buffers)) return false;
  watch.Restart();
  if (!session.RebuildDataAndIndexes()) {
    std::cerr << "import_bench: rebuild failed\n";
    return false;
  }
  figures->rebuild_seconds = watch.Seconds();
  int32_t count = session.engine().UsedKeys(session.fileblock(), 1);
  session.CloseDatabase();
  if (count != n || host.exit_code() != 0) {
    std::cerr << "import_bench: " << count << " records after the rebuild, " << n << " expected\n";
    return false;
  }
  return true;
}

bool Exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  std::cerr << "sqlite: " << (message != nullptr ? message : "?") << " in " << sql << "\n";
  sqlite3_free(message);
  return false;
}

bool SqliteRun(const std::vector<QuotationRecord>& corpus, int64_t n, int, const std::string& dir,
               Figures* figures) {
  const std::string path = dir + "/bench.sqlite";
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    std::cerr << "sqlite: cannot open " << path << "\n";
    return false;
  }
  // The record's fields; Record_Number is the primary key (key 1) and is
  // bound as an integer, the other texts as the stored Windows-1252 bytes.
  const auto& fields = database::TextFields();
  std::string create = "CREATE TABLE quotation(Record_Number INTEGER PRIMARY KEY";
  std::string insert = "INSERT INTO quotation VALUES(?";
  for (size_t f = 1; f < fields.size(); ++f) {
    create += std::string(", ") + fields[f].name + " TEXT";
    insert += ",?";
  }
  for (const char* code : {"Multi_Page_Flag", "Author_Age_Code", "Quote_Rank", "Number_of_Lines",
                           "Author_Country_Code"}) {
    create += std::string(", ") + code + " INTEGER";
    insert += ",?";
  }
  for (int k = 2; k <= database::kKeyCount; ++k) {
    create += ", Key" + std::to_string(k) + " TEXT";
    insert += ",?";
  }
  create += ")";
  insert += ")";
  bool ok = Exec(db, create);
  for (int k = 2; ok && k <= database::kKeyCount; ++k) {
    std::string key = "Key" + std::to_string(k);
    ok = Exec(db, "CREATE INDEX " + key + "_index ON quotation(" + key + ")");
  }
  sqlite3_stmt* statement = nullptr;
  if (ok && sqlite3_prepare_v2(db, insert.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    std::cerr << "sqlite: " << sqlite3_errmsg(db) << "\n";
    ok = false;
  }

  Stopwatch watch;
  ok = ok && Exec(db, "BEGIN");
  std::string keys[database::kKeyCount + 1];
  for (int64_t j = 0; ok && j < n; ++j) {
    const QuotationRecord r = RecordAt(corpus, j);
    int column = 1;
    sqlite3_bind_int64(statement, column++,
                       std::stoll(std::string(database::FieldText(r.Record_Number))));
    for (size_t f = 1; f < fields.size(); ++f) {
      std::string_view text = database::FieldText(r, fields[f]);
      sqlite3_bind_text(statement, column++, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT);
    }
    for (uint8_t code : {r.Multi_Page_Flag, r.Author_Age_Code, r.Quote_Rank, r.Number_of_Lines,
                         r.Author_Country_Code}) {
      sqlite3_bind_int(statement, column++, code);
    }
    for (int k = 2; k <= database::kKeyCount; ++k) {
      keys[k] = database::BuildKey(r, k);
      sqlite3_bind_text(statement, column++, keys[k].data(), static_cast<int>(keys[k].size()),
                        SQLITE_STATIC);
    }
    if (sqlite3_step(statement) != SQLITE_DONE) {
      std::cerr << "sqlite: " << sqlite3_errmsg(db) << " at record " << j + 1 << "\n";
      ok = false;
    }
    sqlite3_reset(statement);
  }
  ok = ok && Exec(db, "COMMIT");
  figures->import_seconds = watch.Seconds();
  sqlite3_finalize(statement);
  figures->file_mib = DirectoryMiB(dir);

  watch.Restart();
  ok = ok && Exec(db, "VACUUM") && Exec(db, "REINDEX");
  figures->rebuild_seconds = watch.Seconds();
  sqlite3_close(db);
  return ok;
}

using Run = bool (*)(const std::vector<QuotationRecord>&, int64_t, int, const std::string&,
                     Figures*);

// Runs `run` for `n` records in a scratch directory in a child process, so
// that the peak memory is its own.
bool RunOne(Run run, const std::vector<QuotationRecord>& corpus, int64_t n, int buffers,
            const Options& options, Figures* figures) {
  Shared<Figures> shared;
  bool ok = RunInChild([&] {
    ScratchDir dir(options.dir, "tessary-import-bench-");
    if (!run(corpus, n, buffers, dir.path(), &*shared)) return false;
    shared->peak_mib = PeakRssMiB();
    return true;
  });
  *figures = *shared;
  return ok;
}

// One line per page cache size: Tessary's rates, SQLite's and their ratio.
bool Measure(const std::vector<QuotationRecord>& corpus, int64_t n, const Options& options) {
  Figures sqlite;
  if (!RunOne(&SqliteRun, corpus, n, 0, options, &sqlite)) return false;
  const double rn = static_cast<double>(n);
  for (int64_t buffers : options.buffers) {
    Figures tessary;
    if (!RunOne(&TessaryRun, corpus, n, static_cast<int>(buffers), options, &tessary)) {
      return false;
    }
    std::printf(
        "%10s %7lld  import %12s %12s %6.2f   rebuild %12s %12s %6.2f   MiB %7.1f %7.1f  "
        "peak MiB %7.1f %7.1f\n",
        Grouped(rn).c_str(), static_cast<long long>(buffers),
        Grouped(rn / tessary.import_seconds).c_str(), Grouped(rn / sqlite.import_seconds).c_str(),
        sqlite.import_seconds / tessary.import_seconds,
        Grouped(rn / tessary.rebuild_seconds).c_str(), Grouped(rn / sqlite.rebuild_seconds).c_str(),
        sqlite.rebuild_seconds / tessary.rebuild_seconds, tessary.file_mib, sqlite.file_mib,
        tessary.peak_mib, sqlite.peak_mib);
    std::fflush(stdout);
  }
  return true;
}

std::string Usage() {
  return "usage: import_bench [--sizes corpus,N,...] [--buffers B,B,...] [--corpus DIR] "
         "[--dir DIR] [--cpu-time]\n"
         "  defaults: --sizes corpus,100000 --buffers 30," +
         std::to_string(isam::kBulkPageBuffers) + " --corpus /usr/share/games/fortunes\n";
}

}  // namespace
}  // namespace tessary::bench

int main(int argc, char** argv) {
  using namespace tessary::bench;
  Options options;
  ArgParser args(Usage());
  args.Sizes("--sizes", &options.sizes, "corpus");
  args.Sizes("--buffers", &options.buffers);
  args.Text("--corpus", &options.corpus_dir);
  args.Text("--dir", &options.dir);
  if (!args.Parse(argc, argv)) return 2;

  std::vector<QuotationRecord> corpus;
  size_t files = 0;
  Stopwatch watch;
  if (!LoadCorpus(options.corpus_dir, &corpus, &files)) return 1;
  const double load_seconds = watch.Seconds();
  size_t long_records = 0;
  for (const QuotationRecord& r : corpus) {
    if (tessary::database::StoredLength(r) == tessary::database::kRecordSize) ++long_records;
  }
  std::printf(
      "import_bench: %zu files, %zu records (%zu stored whole), converted in %.2f s "
      "(%s records/s); SQLite %s; %s time\n",
      files, corpus.size(), long_records, load_seconds,
      Grouped(static_cast<double>(corpus.size()) / load_seconds).c_str(), sqlite3_libversion(),
      Stopwatch::cpu_time ? "CPU" : "wall-clock");
  std::printf("%10s %7s  %-6s %12s %12s %6s   %-7s %12s %12s %6s   %-3s %7s %7s  %-8s %7s %7s\n",
              "records", "buffers", "", "Tessary/s", "SQLite/s", "ratio", "", "Tessary/s",
              "SQLite/s", "ratio", "", "Tessary", "SQLite", "", "Tessary", "SQLite");
  bool ok = true;
  for (int64_t n : options.sizes) {
    if (n == 0) n = static_cast<int64_t>(corpus.size());
    if (!Measure(corpus, n, options)) {
      std::fprintf(stderr, "import_bench: %lld records failed\n", static_cast<long long>(n));
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
