// The word search pass over every record: the record list's filter pass of
// the main window (a RowBrowser page of 50 rows over key 1, the program's 30
// page buffers, the word branch reading and matching each record) with a
// target that matches nothing, so that every record is read. The same text
// is searched in the same run by `grep -c -i -F` on a file holding each
// record's lines, and by SQLite's `LIKE '%target%'` over a table of the same
// rows (one column of the lines, SQLite's default page cache), and the times are
// printed as ratios.
#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "browser/row_browser.h"
#include "database/quotation_record.h"
#include "database/session.h"
#include "isam/engine.h"
#include "search/list_filter.h"
#include "search/word_search.h"

namespace tessary::bench {
namespace {

using database::QuotationRecord;

constexpr char kTarget[] = "zqxj wombat";
constexpr std::array<std::string_view, 48> kWords = {
    "the",   "of",     "and",     "a",     "to",      "in",     "is",     "you",
    "that",  "it",     "he",      "was",   "for",     "on",     "are",    "as",
    "with",  "his",    "they",    "at",    "be",      "this",   "have",   "from",
    "love",  "time",   "life",    "truth", "wisdom",  "hope",   "fear",   "peace",
    "never", "always", "nothing", "world", "heart",   "mind",   "man",    "woman",
    "great", "little", "friend",  "enemy", "silence", "reason", "virtue", "courage"};

// Record `i`: two to seven lines of words (a third of the records have five
// lines or more and are stored whole).
QuotationRecord MakeRecord(int64_t i) {
  QuotationRecord r = database::EmptyRecord();
  uint64_t h = static_cast<uint64_t>(i) * 0x9E3779B97F4A7C15ull;
  auto next = [&h] {
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return h;
  };
  database::SetField(r.Record_Number, std::to_string(i % 1000000));
  database::SetField(r.Authors_LName, kWords[next() % kWords.size()]);
  database::SetField(r.Subject, kWords[24 + next() % 24]);
  database::SetField(r.Section, "1");
  const int lines = 2 + static_cast<int>(next() % 6);
  for (int line = 1; line <= lines; ++line) {
    std::string text;
    while (true) {
      std::string_view word = kWords[next() % kWords.size()];
      if (text.size() + word.size() + 1 > 58) break;
      if (!text.empty()) text += ' ';
      text += word;
    }
    text += '.';
    database::SetField(database::Line(r, line), text);
  }
  r.Number_of_Lines = static_cast<uint8_t>(lines);
  return r;
}

// The lines WordMatch examines, joined by newlines.
std::string SearchedText(const QuotationRecord& r) {
  std::string text;
  for (int line = 1; line <= r.Number_of_Lines && line <= database::kLineCount; ++line) {
    if (line > 1) text += '\n';
    text += database::FieldText(database::Line(r, line));
  }
  return text;
}

bool Failed(isam::Engine& engine, const char* what) {
  if (engine.EngineOk()) return false;
  std::cerr << what << ": IsamError " << engine.EngineError() << "\n";
  return true;
}

bool Sql(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  std::cerr << "sqlite: " << (message != nullptr ? message : "?") << "\n";
  sqlite3_free(message);
  return false;
}

// The Fileblock, the text file and the SQLite table of `n` records.
bool Generate(const std::string& dir, int64_t n) {
  isam::Engine engine;
  engine.InitEngine(4096);
  const auto defs = database::EngineKeyDefs();
  engine.MakeFileblock(dir + "/Bench", database::kDataSectionLength, database::kKeyCount, defs);
  if (Failed(engine, "MakeFileblock")) return false;
  isam::Fileblock* fb = engine.OpenFileblock(dir + "/Bench");
  if (Failed(engine, "OpenFileblock")) return false;

  std::ofstream text(dir + "/lines.txt", std::ios::binary);
  sqlite3* db = nullptr;
  if (sqlite3_open((dir + "/bench.sqlite").c_str(), &db) != SQLITE_OK) return false;
  bool ok = Sql(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;") &&
            Sql(db, "CREATE TABLE quotes(id INTEGER PRIMARY KEY, lines TEXT)") && Sql(db, "BEGIN");
  sqlite3_stmt* insert = nullptr;
  ok = ok &&
       sqlite3_prepare_v2(db, "INSERT INTO quotes VALUES(?, ?)", -1, &insert, nullptr) == SQLITE_OK;
  for (int64_t i = 1; ok && i <= n; ++i) {
    const QuotationRecord r = MakeRecord(i);
    const int32_t ref = engine.AddVarRecord(fb, &r, database::StoredLength(r));
    if (Failed(engine, "AddVarRecord")) return false;
    for (int k = 1; k <= database::kKeyCount; ++k) {
      engine.AddKey(fb, k, ref, database::BuildKey(r, k));
      if (Failed(engine, "AddKey")) return false;
    }
    const std::string lines = SearchedText(r);
    text << lines << '\n';
    sqlite3_bind_int64(insert, 1, i);
    sqlite3_bind_text(insert, 2, lines.data(), static_cast<int>(lines.size()), SQLITE_STATIC);
    ok = sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  ok = ok && Sql(db, "COMMIT");
  sqlite3_close(db);
  engine.CloseFileblock(fb);
  engine.ExitEngine();
  return ok && text.good();
}

// The main window's pass: seconds, and whether every record was read.
bool WordSearchPass(const std::string& dir, int64_t n, double* seconds) {
  isam::Engine engine;
  engine.InitEngine(database::kPageBuffers);
  isam::Fileblock* fb = engine.OpenFileblock(dir + "/Bench");
  if (Failed(engine, "OpenFileblock")) return false;
  if (!engine.SetVarBuffer(512) && Failed(engine, "SetVarBuffer")) return false;
  QuotationRecord buffer = database::EmptyRecord();
  browser::RowBrowser page(engine, fb, 1, &buffer, sizeof buffer, "", "", 50, 1, true);
  page.BuildRow = [&](browser::RowRec& row) {
    row.elements[0] = database::FieldText(buffer.Line1);
    return 0;
  };
  search::ViewingFilters filters;
  search::WordSearch word;
  search::BrowserFilterList list(page, engine, buffer);
  const std::string caption;
  search::ListFilter filter(filters, word, list, caption);
  search::AttachFilter(page, filter);
  page.SetFilterActive(true);

  Stopwatch watch;
  word.TakeDialog(kTarget, false, false);
  word.Reset(engine.UsedKeys(fb, 1));
  word.BeginPass(database::SortKeyCaption(1), "", 0);
  const int rc = page.SetPosition(1, "", 0, 1);
  word.EndPass();
  *seconds = watch.Seconds();
  engine.CloseFileblock(fb);
  engine.ExitEngine();
  if (rc > browser::kNoEntry || page.filled_rows() != 0 ||
      word.records_read != static_cast<uint64_t>(n) + 1) {
    std::cerr << "the pass did not read every record once (" << word.records_read - 1 << ")\n";
    return false;
  }
  return true;
}

bool Grep(const std::string& dir, double* seconds) {
  const std::string command =
      std::string("grep -c -i -F '") + kTarget + "' " + dir + "/lines.txt > /dev/null";
  Stopwatch watch;
  // grep exits 1 when nothing matched, which is the expected outcome here.
  const int status = std::system(command.c_str());
  *seconds = watch.Seconds();
  return status != -1;
}

bool Like(const std::string& dir, double* seconds) {
  sqlite3* db = nullptr;
  if (sqlite3_open((dir + "/bench.sqlite").c_str(), &db) != SQLITE_OK) return false;
  // SQLite's own page cache as it comes (2 MB), so that it reads its file
  // through the operating system's cache as the pass does with 30 buffers.
  sqlite3_stmt* query = nullptr;
  const std::string sql =
      std::string("SELECT count(*) FROM quotes WHERE lines LIKE '%") + kTarget + "%'";
  bool ok = sqlite3_prepare_v2(db, sql.c_str(), -1, &query, nullptr) == SQLITE_OK;
  int64_t count = -1;
  for (int run = 0; ok && run < 2; ++run) {  // the first run warms the cache
    Stopwatch watch;
    ok = sqlite3_step(query) == SQLITE_ROW;
    count = sqlite3_column_int64(query, 0);
    sqlite3_reset(query);
    *seconds = watch.Seconds();
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  return ok && count == 0;
}

bool Measure(int64_t n, const std::string& parent) {
  ScratchDir dir(parent, "tessary-search-bench-");
  Stopwatch build;
  if (!Generate(dir.path(), n)) return false;
  const double build_seconds = build.Seconds();
  double pass = 0, grep = 0, like = 0, warm = 0;
  // The first pass warms the operating system's cache, as grep's file and
  // SQLite's table are warm from being written.
  if (!WordSearchPass(dir.path(), n, &warm) || !WordSearchPass(dir.path(), n, &pass)) return false;
  if (!Grep(dir.path(), &grep) || !Like(dir.path(), &like)) return false;
  std::printf("%10s %9.3f %12s %9.3f %9.3f %10.2f %11.2f %8.1f\n", Grouped(double(n)).c_str(), pass,
              Grouped(double(n) / pass).c_str(), grep, like, pass / grep, pass / like,
              build_seconds);
  return true;
}

}  // namespace
}  // namespace tessary::bench

int main(int argc, char** argv) {
  using namespace tessary::bench;
  std::vector<int64_t> sizes = {100000, 1000000};
  std::string dir;
  ArgParser args(
      "usage: search_bench [--sizes N,N,...] [--dir DIR] [--cpu-time]\n"
      "  default: 100,000 and 1,000,000 records\n");
  args.Sizes("--sizes", &sizes);
  args.Text("--dir", &dir);
  if (!args.Parse(argc, argv)) return 2;
  std::printf("search_bench: word search pass over every record, target \"%s\" (no match)\n",
              tessary::bench::kTarget);
  std::printf("%10s %9s %12s %9s %9s %10s %11s %8s\n", "records", "pass s", "records/s", "grep s",
              "sqlite s", "pass/grep", "pass/sqlite", "build s");
  bool ok = true;
  for (int64_t n : sizes) {
    if (!RunInChild([&] { return Measure(n, dir); })) {
      std::fprintf(stderr, "search_bench: %lld records failed\n", static_cast<long long>(n));
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
