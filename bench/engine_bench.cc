// Storage engine throughput on generated quotations: adds (a variable-length
// record and its six keys), key-2 searches, and a full key-2 walk reading
// every record, for growing record counts and two page-cache sizes. Each
// measurement runs in its own child process, so the peak memory it prints is
// its own.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "database/keys.h"
#include "isam/engine.h"
#include "subjects/catalogue.h"

namespace tessary::bench {
namespace {

using database::QuotationRecord;

constexpr std::array<std::string_view, 60> kLastNames = {
    "Aristotle",   "Austen",    "Bacon",      "Balzac",     "Blake",     "Borges",  "Bronte",
    "Camus",       "Cervantes", "Chekhov",    "Cicero",     "Confucius", "Dante",   "Darwin",
    "Dickens",     "Dickinson", "Dostoevsky", "Einstein",   "Eliot",     "Emerson", "Epictetus",
    "Franklin",    "Goethe",    "Hemingway",  "Heraclitus", "Homer",     "Hugo",    "Huxley",
    "Jefferson",   "Joyce",     "Kafka",      "Kant",       "Keats",     "Lao-Tzu", "Lincoln",
    "Machiavelli", "Montaigne", "Nietzsche",  "Orwell",     "Ovid",      "Pascal",  "Plato",
    "Plutarch",    "Proust",    "Rilke",      "Rumi",       "Russell",   "Seneca",  "Shakespeare",
    "Shaw",        "Socrates",  "Spinoza",    "Swift",      "Tagore",    "Thoreau", "Tolstoy",
    "Twain",       "Voltaire",  "Whitman",    "Wilde"};

constexpr std::array<std::string_view, 30> kFirstNames = {
    "Anna",    "Arthur", "Benjamin", "Charles", "Clara",    "David",  "Edith", "Emily",
    "Francis", "George", "Henry",    "Isabel",  "James",    "Jane",   "John",  "Leo",
    "Lucy",    "Marcus", "Maria",    "Mark",    "Mary",     "Oscar",  "Paul",  "Rosa",
    "Samuel",  "Sarah",  "Thomas",   "Victor",  "Virginia", "William"};

constexpr std::array<std::string_view, 120> kWords = {
    "the",     "of",      "and",     "a",       "to",        "in",     "is",     "that",
    "it",      "he",      "was",     "for",     "on",        "are",    "as",     "with",
    "his",     "they",    "at",      "be",      "this",      "have",   "from",   "or",
    "one",     "had",     "by",      "word",    "but",       "not",    "what",   "all",
    "were",    "we",      "when",    "your",    "can",       "said",   "there",  "use",
    "an",      "each",    "which",   "she",     "do",        "how",    "their",  "if",
    "will",    "up",      "other",   "about",   "out",       "many",   "then",   "them",
    "these",   "so",      "some",    "her",     "would",     "make",   "like",   "him",
    "into",    "time",    "has",     "look",    "two",       "more",   "write",  "go",
    "see",     "number",  "no",      "way",     "could",     "people", "my",     "than",
    "first",   "water",   "been",    "call",    "who",       "its",    "now",    "find",
    "long",    "down",    "day",     "did",     "get",       "come",   "made",   "may",
    "part",    "love",    "truth",   "wisdom",  "life",      "death",  "beauty", "virtue",
    "silence", "courage", "justice", "freedom", "happiness", "nature", "reason", "soul",
    "heart",   "mind",    "spirit",  "world",   "eternity",  "hope",   "fear",   "friendship"};

constexpr std::array<std::string_view, 12> kUserCodes = {
    "fortunes", "wisdom",  "literature", "people", "love", "science",
    "politics", "riddles", "platitudes", "tao",    "work", "education"};

constexpr std::array<std::string_view, 16> kBooks = {"Essays",         "Letters",
                                                     "Meditations",    "Collected Poems",
                                                     "Notebooks",      "Maxims",
                                                     "The Republic",   "Journal",
                                                     "Dialogues",      "Table Talk",
                                                     "Aphorisms",      "Speeches",
                                                     "Selected Works", "On the Shortness of Life",
                                                     "Reflections",    "Thoughts"};

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// A stream of pseudo-random numbers derived from one record number.
class Draw {
 public:
  explicit Draw(uint64_t seed) : state_(seed) {}
  uint64_t Next() { return Mix(state_++ * 0x2545F4914F6CDD1Dull); }
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }

 private:
  uint64_t state_;
};

// Record `i` (1-based) of the generated database: always the same for the
// same `i`. Record numbers are i modulo 1,000,000 (the field holds six
// digits), so a million records use 1..999,999 and 0.
QuotationRecord MakeRecord(int64_t i) {
  QuotationRecord r = database::EmptyRecord();
  Draw draw(static_cast<uint64_t>(i));
  database::SetField(r.Record_Number, std::to_string(i % 1000000));
  std::string_view last = kLastNames[draw.Below(kLastNames.size())];
  std::string_view first = kFirstNames[draw.Below(kFirstNames.size())];
  database::SetField(r.Authors_LName, last);
  database::SetField(r.FirstName, first);
  database::SetField(r.Authors_Full_Name, std::string(first) + " " + std::string(last));
  const auto& subjects = subjects::Subjects();
  database::SetField(r.Subject, subjects[draw.Below(subjects.size())].word);
  database::SetField(r.Section, "1");
  if (draw.Below(5) < 2) {
    const auto& subtitles = subjects::Subtitles();
    std::string subtitle(subtitles[draw.Below(subtitles.size())].subtitle);
    for (char& c : subtitle) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    database::SetField(r.Subtitle, subtitle);
  }
  database::SetField(r.User_Code, kUserCodes[draw.Below(kUserCodes.size())]);
  if (draw.Below(2) == 0) {
    char code[3] = {static_cast<char>('A' + draw.Below(26)),
                    static_cast<char>('A' + draw.Below(26)), '\0'};
    database::SetField(r.Book_Code, code);
    database::SetField(r.Page_Number, std::to_string(1 + draw.Below(9999)));
    database::SetField(r.Book_Name, kBooks[draw.Below(kBooks.size())]);
  }
  // Two to four lines for about two records in three, five to eleven for the
  // rest (stored whole, 933 bytes).
  int lines =
      draw.Below(3) < 2 ? 2 + static_cast<int>(draw.Below(3)) : 5 + static_cast<int>(draw.Below(7));
  for (int n = 1; n <= lines; ++n) {
    size_t target = 35 + draw.Below(26);
    std::string line;
    while (true) {
      std::string_view word = kWords[draw.Below(kWords.size())];
      if (line.size() + 1 + word.size() > target) break;
      if (!line.empty()) line.push_back(' ');
      line.append(word);
    }
    if (n == 1) line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    if (n == lines) line.push_back('.');
    database::SetField(database::Line(r, n), line);
  }
  r.Number_of_Lines = static_cast<uint8_t>(std::min(lines, 9));
  r.Quote_Rank = static_cast<uint8_t>(draw.Below(10));
  return r;
}

struct Options {
  std::vector<int64_t> sizes = {10000, 100000};
  std::vector<int64_t> buffers = {30, 4096};
  int64_t searches = 100000;
  std::string dir;
};

struct Batch {
  std::vector<QuotationRecord> records;
  std::vector<std::array<std::string, database::kKeyCount>> keys;
};

void FillBatch(int64_t from, int64_t count, Batch* batch) {
  batch->records.resize(static_cast<size_t>(count));
  batch->keys.resize(static_cast<size_t>(count));
  for (int64_t j = 0; j < count; ++j) {
    QuotationRecord& r = batch->records[static_cast<size_t>(j)];
    r = MakeRecord(from + j);
    for (int k = 1; k <= database::kKeyCount; ++k) {
      batch->keys[static_cast<size_t>(j)][static_cast<size_t>(k - 1)] = database::BuildKey(r, k);
    }
  }
}

bool Failed(isam::Engine& engine, const char* what) {
  if (engine.EngineOk()) return false;
  std::cerr << what << ": IsamError " << engine.EngineError() << " -- "
            << isam::ErrorMessage(engine.EngineError()) << "\n";
  return true;
}

// One measurement: `n` records with `page_buffers` page buffers.
bool Measure(int64_t n, int page_buffers, const Options& options) {
  ScratchDir dir(options.dir, "tessary-engine-bench-");
  const std::string path = dir.path() + "/Bench";
  isam::Engine engine;
  engine.InitEngine(page_buffers);
  if (Failed(engine, "InitEngine")) return false;
  const auto defs = database::EngineKeyDefs();
  engine.MakeFileblock(path, database::kDataSectionLength, database::kKeyCount, defs);
  if (Failed(engine, "MakeFileblock")) return false;
  isam::Fileblock* fb = engine.OpenFileblock(path);
  if (Failed(engine, "OpenFileblock")) return false;

  // Adds, timed without the generation of each batch.
  constexpr int64_t kBatch = 10000;
  Batch batch;
  double add_seconds = 0;
  for (int64_t from = 1; from <= n; from += kBatch) {
    int64_t count = std::min(kBatch, n - from + 1);
    FillBatch(from, count, &batch);
    Stopwatch watch;
    for (int64_t j = 0; j < count; ++j) {
      const QuotationRecord& r = batch.records[static_cast<size_t>(j)];
      int32_t ref = engine.AddVarRecord(fb, &r, database::StoredLength(r));
      if (Failed(engine, "AddVarRecord")) return false;
      for (int k = 1; k <= database::kKeyCount; ++k) {
        engine.AddKey(fb, k, ref, batch.keys[static_cast<size_t>(j)][static_cast<size_t>(k - 1)]);
        if (Failed(engine, "AddKey")) return false;
      }
    }
    add_seconds += watch.Seconds();
  }
  Stopwatch close_watch;
  engine.CloseFileblock(fb);
  if (Failed(engine, "CloseFileblock")) return false;
  const double close_seconds = close_watch.Seconds();
  const double file_mib = DirectoryMiB(dir.path());

  fb = engine.OpenFileblock(path);
  if (Failed(engine, "OpenFileblock")) return false;

  // Searches for the key-2 texts of records drawn at random.
  const int64_t searches = std::min<int64_t>(options.searches, std::max<int64_t>(n, 1000));
  std::vector<std::string> wanted(static_cast<size_t>(searches));
  std::mt19937_64 random(12345);
  std::uniform_int_distribution<int64_t> pick(1, n);
  for (std::string& text : wanted) text = database::BuildKey(MakeRecord(pick(random)), 2);
  Stopwatch search_watch;
  int64_t misses = 0;
  for (const std::string& text : wanted) {
    int32_t ref = 0;
    std::string found = text;
    engine.SearchKey(fb, 2, ref, found);
    if (Failed(engine, "SearchKey")) return false;
    if (found != text) ++misses;
  }
  const double search_seconds = search_watch.Seconds();
  if (misses != 0) {
    std::cerr << "SearchKey missed " << misses << " existing texts\n";
    return false;
  }

  // The whole of key 2 in order, reading each record.
  Stopwatch walk_watch;
  engine.ClearKey(fb, 2);
  int64_t walked = 0;
  QuotationRecord record;
  while (true) {
    int32_t ref = 0;
    std::string text;
    engine.NextKey(fb, 2, ref, text);
    if (!engine.EngineOk()) break;
    size_t length = sizeof record;
    engine.GetVarRecord(fb, ref, &record, length);
    if (Failed(engine, "GetVarRecord")) return false;
    ++walked;
  }
  const double walk_seconds = walk_watch.Seconds();
  if (engine.EngineError() != isam::kErrNoLargerKey || walked != n) {
    std::cerr << "walk ended after " << walked << " of " << n << " entries with IsamError "
              << engine.EngineError() << "\n";
    return false;
  }
  engine.CloseFileblock(fb);
  if (Failed(engine, "CloseFileblock")) return false;
  engine.ExitEngine();

  std::printf("%10s %8d %12s %9.2f %12s %9.2f %12s %9.1f %9.1f\n", Grouped(double(n)).c_str(),
              page_buffers, Grouped(double(n) / add_seconds).c_str(), close_seconds,
              Grouped(double(searches) / search_seconds).c_str(),
              search_seconds * 1e6 / double(searches),
              Grouped(double(walked) / walk_seconds).c_str(), PeakRssMiB(), file_mib);
  return true;
}

constexpr char kUsage[] =
    "usage: engine_bench [--sizes N,N,...] [--buffers B,B,...] [--searches N] [--dir DIR] "
    "[--cpu-time]\n"
    "  defaults: --sizes 10000,100000 --buffers 30,4096 --searches 100000\n";

}  // namespace
}  // namespace tessary::bench

int main(int argc, char** argv) {
  using namespace tessary::bench;
  Options options;
  ArgParser args(kUsage);
  args.Sizes("--sizes", &options.sizes);
  args.Sizes("--buffers", &options.buffers);
  args.Number("--searches", 1, [&](int64_t n) { options.searches = n; });
  args.Text("--dir", &options.dir);
  if (!args.Parse(argc, argv)) return 2;

  int64_t long_records = 0;
  for (int64_t i = 1; i <= 10000; ++i) {
    if (tessary::database::StoredLength(MakeRecord(i)) == tessary::database::kRecordSize) {
      ++long_records;
    }
  }
  std::printf(
      "engine_bench: generated quotations, six keys, %.0f%% stored whole (933 bytes); %s time\n",
      static_cast<double>(long_records) / 100.0, Stopwatch::cpu_time ? "CPU" : "wall-clock");
  std::printf("%10s %8s %12s %9s %12s %9s %12s %9s %9s\n", "records", "buffers", "adds/s",
              "close s", "searches/s", "us/search", "walk/s", "peak MiB", "files MiB");
  bool ok = true;
  for (int64_t n : options.sizes) {
    for (int64_t buffers : options.buffers) {
      if (!RunInChild([&] { return Measure(n, static_cast<int>(buffers), options); })) {
        std::fprintf(stderr, "engine_bench: %lld records with %lld buffers failed\n",
                     static_cast<long long>(n), static_cast<long long>(buffers));
        ok = false;
      }
    }
  }
  return ok ? 0 : 1;
}
