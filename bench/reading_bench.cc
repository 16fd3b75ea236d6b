// The quote-a-day and the reading window's steps on large databases, in
// microseconds per operation: a draw (the clock seed's random number looked
// up through key 1), a draw with the Ancient Times filter on (a third of the
// records pass, so it steps on a little), one step forward in key 1 and in
// key 2 (author, many duplicates), and one filtered step. The database is
// generated straight through the engine with numbers 1 to N; the operations
// then run through the database session with the program's 30 page buffers.
// Each costs a descent or two of a tree plus a record read, so the figures
// should stay flat as the database grows. The last figure is the work of one
// `tessary-cli fortune` process without the process itself: open the
// database, draw, lay the text out, close.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "database/quotation_record.h"
#include "database/session.h"
#include "isam/engine.h"
#include "platform/file.h"
#include "reading/layout.h"
#include "reading/quote_a_day.h"
#include "reading/stepping.h"
#include "search/viewing_filters.h"

namespace tessary::bench {
namespace {

using database::QuotationRecord;

constexpr std::array<const char*, 12> kAuthors = {"Adams", "Bacon", "Camus", "Dante",
                                                  "Eliot", "Hugo",  "Kafka", "Keats",
                                                  "Plato", "Shaw",  "Twain", "Wilde"};

// Record `i`: number i (six digits at most), one of a dozen authors, an era
// code cycling 1 to 3, two lines in one slot.
QuotationRecord MakeRecord(int64_t i) {
  QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Record_Number, std::to_string(i % 1000000));
  database::SetField(r.Authors_LName, kAuthors[static_cast<size_t>(i * 7) % kAuthors.size()]);
  database::SetField(r.Subject, "Time");
  database::SetField(r.Section, "1");
  database::SetField(r.Line1, "Quotation " + std::to_string(i) + " of the reading benchmark.");
  database::SetField(r.Line2, "Its second line.");
  r.Author_Age_Code = static_cast<uint8_t>(1 + i % 3);
  r.Number_of_Lines = 2;
  return r;
}

bool Failed(isam::Engine& engine, const char* what) {
  if (engine.EngineOk()) return false;
  std::cerr << what << ": IsamError " << engine.EngineError() << "\n";
  return true;
}

bool Generate(const std::string& path, int64_t n) {
  isam::Engine engine;
  engine.InitEngine(4096);
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
  engine.ExitEngine();
  return !Failed(engine, "CloseFileblock");
}

struct Options {
  std::vector<int64_t> sizes = {100000, 1000000};
  int repeat = 20000;
  std::string dir;
};

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
  ScratchDir dir(options.dir, "tessary-reading-bench-");
  Stopwatch build;
  if (!Generate(dir.path() + "/Tes_Win", n)) return false;
  const double build_seconds = build.Seconds();

  QuietHost host;
  database::Session session(host, platform::PosixFileSystem());
  session.set_directory(dir.path());
  if (!session.StartDatabase()) return false;

  search::ViewingFilters ancient;
  ancient.ancient_times = true;
  const reading::RecordTest filtered = [ancient](const QuotationRecord& r) {
    return search::FilterAccepts(ancient, r);
  };
  std::mt19937 random(static_cast<uint32_t>(n));
  std::uniform_int_distribution<uint32_t> seed(0, 86399999);
  auto quote = [&](const reading::RecordTest& test) {
    return [&, test](int) {
      int32_t ref = 0;
      return reading::QuoteADay(session, seed(random), test, &ref) == reading::QuoteOutcome::kFound;
    };
  };
  // Each step starts from a record drawn at random, read beforehand.
  auto step = [&](int key, const reading::RecordTest& test, double* micros) {
    int32_t ref = 0;
    if (reading::QuoteADay(session, seed(random), {}, &ref) != reading::QuoteOutcome::kFound) {
      return false;
    }
    QuotationRecord from = session.current_record;
    return PerOp(options.repeat, micros, [&](int) {
      if (reading::StepRecord(session, key, &ref, from, true, test) !=
          reading::StepOutcome::kFound) {
        return false;
      }
      from = session.current_record;
      return true;
    });
  };
  double draw_us = 0, draw_filtered_us = 0, step1_us = 0, step2_us = 0, step_filtered_us = 0;
  const bool ok = PerOp(options.repeat, &draw_us, quote({})) &&
                  PerOp(options.repeat, &draw_filtered_us, quote(filtered)) &&
                  step(1, {}, &step1_us) && step(2, {}, &step2_us) &&
                  step(1, filtered, &step_filtered_us);
  session.CloseDatabase();
  if (!ok) return false;

  // What `tessary-cli fortune` does once per process: open the database,
  // draw, lay the text out, close.
  double fortune_us = 0;
  size_t text_bytes = 0;
  if (!PerOp(std::max(options.repeat / 100, 10), &fortune_us, [&](int) {
        database::Session fresh(host, platform::PosixFileSystem());
        fresh.set_directory(dir.path());
        if (!fresh.StartDatabase()) return false;
        int32_t ref = 0;
        const bool found =
            reading::QuoteADay(fresh, seed(random), {}, &ref) == reading::QuoteOutcome::kFound;
        text_bytes += reading::ClipboardText(fresh.current_record).size();
        fresh.CloseDatabase();
        return found;
      })) {
    return false;
  }
  std::printf("%10s %10.1f %10.1f %10.1f %10.1f %10.1f %10.1f %9.1f\n", Grouped(double(n)).c_str(),
              draw_us, draw_filtered_us, step1_us, step2_us, step_filtered_us, fortune_us,
              build_seconds);
  return true;
}

constexpr char kUsage[] =
    "usage: reading_bench [--sizes N,N,...] [--repeat N] [--cpu-time] [--dir DIR]\n"
    "  default: 100,000 and 1,000,000 records (about 1.5 GB of files for the million)\n";

}  // namespace
}  // namespace tessary::bench

int main(int argc, char** argv) {
  using namespace tessary::bench;
  Options options;
  ArgParser args(kUsage);
  args.Sizes("--sizes", &options.sizes);
  args.Number("--repeat", 1, [&](int64_t n) { options.repeat = static_cast<int>(n); });
  args.Text("--dir", &options.dir);
  if (!args.Parse(argc, argv)) return 2;
  std::printf("reading_bench: microseconds per operation, 30 page buffers\n");
  std::printf("%10s %10s %10s %10s %10s %10s %10s %9s\n", "records", "quote", "quote+flt",
              "step k1", "step k2", "step+flt", "open+draw", "build s");
  bool ok = true;
  for (int64_t n : options.sizes) {
    if (!RunInChild([&] { return Measure(n, options); })) {
      std::fprintf(stderr, "reading_bench: %lld records failed\n", static_cast<long long>(n));
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
