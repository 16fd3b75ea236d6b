// Row browser moves on large databases: FirstPage, LastPage, a page down
// (NextPage with 50 rows), a jump to a random scroll position and the scroll
// position itself, in microseconds per operation, over key 1 (record number)
// and key 2 (author, many duplicates). The database is generated straight
// through the engine (a record and its six keys) with a large page cache; the
// moves then run on a fresh engine with the program's 30 page buffers. Every
// completed page reads its 50 records, as the record list does. A move costs
// one descent of the tree plus the rows it brings in, so the figures should
// grow with the database no faster than the tree's depth.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "browser/row_browser.h"
#include "database/keys.h"
#include "isam/engine.h"

namespace tessary::bench {
namespace {

using database::QuotationRecord;

constexpr std::array<std::string_view, 40> kLastNames = {
    "Adams",  "Austen",  "Bacon",    "Blake",   "Borges",  "Camus",    "Cicero",   "Dante",
    "Darwin", "Dickens", "Einstein", "Eliot",   "Emerson", "Franklin", "Goethe",   "Homer",
    "Hugo",   "Huxley",  "Joyce",    "Kafka",   "Kant",    "Keats",    "Lincoln",  "Milton",
    "Orwell", "Ovid",    "Pascal",   "Plato",   "Proust",  "Rilke",    "Rumi",     "Seneca",
    "Shaw",   "Swift",   "Tagore",   "Thoreau", "Tolstoy", "Twain",    "Voltaire", "Wilde"};
constexpr std::array<std::string_view, 25> kFirstNames = {
    "Anna",  "Arthur", "Ben",   "Clara", "David",  "Edith",  "Emily",  "Frank", "George",
    "Henry", "Isabel", "James", "Jane",  "John",   "Leo",    "Lucy",   "Mark",  "Mary",
    "Oscar", "Paul",   "Rosa",  "Sarah", "Thomas", "Victor", "William"};
constexpr std::array<std::string_view, 30> kSubjects = {
    "Art",     "Beauty", "Change", "Courage", "Death",  "Duty",   "Faith",   "Fear",
    "Freedom", "Friend", "God",    "Habit",   "Hope",   "Honour", "Justice", "Life",
    "Love",    "Mind",   "Nature", "Peace",   "Power",  "Reason", "Silence", "Soul",
    "Time",    "Truth",  "Virtue", "War",     "Wisdom", "Work"};

// Record `i`: its number modulo 1,000,000 (six digits), fields from the lists
// above, one or two lines (stored in one slot).
QuotationRecord MakeRecord(int64_t i) {
  QuotationRecord r = database::EmptyRecord();
  const auto n = static_cast<size_t>(i);
  database::SetField(r.Record_Number, std::to_string(i % 1000000));
  database::SetField(r.Authors_LName, kLastNames[n * 7 % kLastNames.size()]);
  database::SetField(r.FirstName, kFirstNames[n * 11 % kFirstNames.size()]);
  database::SetField(r.Subject, kSubjects[n * 13 % kSubjects.size()]);
  database::SetField(r.Section, std::string(1, static_cast<char>('1' + n % 9)));
  database::SetField(r.Subtitle, kSubjects[n * 17 % kSubjects.size()]);
  database::SetField(r.User_Code, kFirstNames[n % kFirstNames.size()]);
  database::SetField(r.Book_Code, std::string{static_cast<char>('A' + n % 26),
                                              static_cast<char>('A' + n / 26 % 26)});
  database::SetField(r.Page_Number, std::to_string(1 + n * 31 % 9999));
  database::SetField(r.Line1, "Quotation " + std::to_string(i) + " of the browser benchmark.");
  return r;
}

bool Failed(isam::Engine& engine, const char* what) {
  if (engine.EngineOk()) return false;
  std::cerr << what << ": IsamError " << engine.EngineError() << " -- "
            << isam::ErrorMessage(engine.EngineError()) << "\n";
  return true;
}

bool Generate(const std::string& path, int64_t n, double* seconds) {
  Stopwatch watch;
  isam::Engine engine;
  engine.InitEngine(4096);
  if (Failed(engine, "InitEngine")) return false;
  const auto defs = database::EngineKeyDefs();
  engine.MakeFileblock(path, database::kDataSectionLength, database::kKeyCount, defs);
  if (Failed(engine, "MakeFileblock")) return false;
  isam::Fileblock* fb = engine.OpenFileblock(path);
  if (Failed(engine, "OpenFileblock")) return false;
  for (int64_t i = 1; i <= n; ++i) {
    const QuotationRecord r = MakeRecord(i);
    const int32_t ref = engine.AddVarRecord(fb, &r, database::StoredLength(r));
    if (Failed(engine, "AddVarRecord")) return false;
    for (int k = 1; k <= database::kKeyCount; ++k) {
      engine.AddKey(fb, k, ref, database::BuildKey(r, k));
      if (Failed(engine, "AddKey")) return false;
    }
  }
  engine.CloseFileblock(fb);
  if (Failed(engine, "CloseFileblock")) return false;
  engine.ExitEngine();
  *seconds = watch.Seconds();
  return true;
}

struct Options {
  std::vector<int64_t> sizes = {100000};
  int repeat = 1000;
  std::string dir;
};

// Microseconds per call of `op` over `count` calls; false when a call failed.
template <typename Op>
bool PerOp(int count, double* micros, Op op) {
  Stopwatch watch;
  for (int i = 0; i < count; ++i) {
    if (!op(i)) return false;
  }
  *micros = watch.Seconds() * 1e6 / count;
  return true;
}

bool Measure(int64_t n, const Options& options) {
  ScratchDir dir(options.dir, "tessary-browser-bench-");
  const std::string path = dir.path() + "/Bench";
  double generate_seconds = 0;
  if (!Generate(path, n, &generate_seconds)) return false;

  isam::Engine engine;
  engine.InitEngine(30);
  if (Failed(engine, "InitEngine")) return false;
  isam::Fileblock* fb = engine.OpenFileblock(path);
  if (Failed(engine, "OpenFileblock")) return false;
  if (!engine.SetVarBuffer(512) && Failed(engine, "SetVarBuffer")) return false;

  QuotationRecord buffer = database::EmptyRecord();
  for (int key : {1, 2}) {
    browser::RowBrowser rows(engine, fb, key, &buffer, sizeof buffer, "", "", 50, 1, true);
    int64_t built = 0;
    rows.BuildRow = [&](browser::RowRec& row) {
      row.elements[0] = database::FieldText(buffer.Line1);
      ++built;
      return 0;
    };
    auto ok = [&](int rc, const char* what) {
      if (rc <= browser::kNoEntry) return true;
      std::cerr << what << " on key " << key << ": IsamError " << rc << "\n";
      return false;
    };
    const int repeat = options.repeat;
    double first_us = 0, last_us = 0, page_us = 0, jump_us = 0, position_us = 0;
    if (!PerOp(repeat / 4, &first_us, [&](int) { return ok(rows.FirstPage(), "FirstPage"); })) {
      return false;
    }
    if (!PerOp(repeat / 4, &last_us, [&](int) { return ok(rows.LastPage(), "LastPage"); })) {
      return false;
    }
    if (!ok(rows.FirstPage(), "FirstPage")) return false;
    int64_t paged = 0;
    if (!PerOp(repeat, &page_us, [&](int) {
          if (!ok(rows.NextPage(), "NextPage")) return false;
          paged += 50;
          return rows.CurrentRef() != 0;
        })) {
      return false;
    }
    std::mt19937 random(static_cast<uint32_t>(n + key));
    std::uniform_int_distribution<int> position(0, browser::kScrollMax);
    if (!PerOp(repeat, &jump_us, [&](int) {
          return ok(rows.PositionFromScroll(position(random)), "PositionFromScroll");
        })) {
      return false;
    }
    int64_t position_sum = 0;
    if (!PerOp(repeat, &position_us, [&](int) {
          position_sum += rows.ScrollPosition();
          return engine.EngineOk();
        })) {
      return false;
    }
    if (paged > n) {
      std::cerr << "paged past the end of key " << key << "\n";
      return false;
    }
    std::printf("%10s %4d %10.1f %10.1f %10.1f %10.1f %10.1f %9.1f\n", Grouped(double(n)).c_str(),
                key, first_us, last_us, page_us, jump_us, position_us, generate_seconds);
  }
  engine.CloseFileblock(fb);
  engine.ExitEngine();
  return true;
}

constexpr char kUsage[] =
    "usage: browser_bench [--million] [--sizes N,N,...] [--repeat N] [--cpu-time] [--dir DIR]\n"
    "  default: 100,000 records; --million adds 1,000,000 (about 1.5 GB of files)\n";

}  // namespace
}  // namespace tessary::bench

int main(int argc, char** argv) {
  using namespace tessary::bench;
  Options options;
  ArgParser args(kUsage);
  args.Flag("--million", [&] { options.sizes.push_back(1000000); });
  args.Sizes("--sizes", &options.sizes);
  args.Number("--repeat", 4, [&](int64_t n) { options.repeat = static_cast<int>(n); });
  args.Text("--dir", &options.dir);
  if (!args.Parse(argc, argv)) return 2;
  std::printf("browser_bench: microseconds per operation, 50 rows, 30 page buffers\n");
  std::printf("%10s %4s %10s %10s %10s %10s %10s %9s\n", "records", "key", "FirstPage", "LastPage",
              "NextPage", "jump", "scrollpos", "build s");
  bool ok = true;
  for (int64_t n : options.sizes) {
    if (!RunInChild([&] { return Measure(n, options); })) {
      std::fprintf(stderr, "browser_bench: %lld records failed\n", static_cast<long long>(n));
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
