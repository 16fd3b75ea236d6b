// Simulated crashes at scale: a full import and a full rebuild run on the
// crash-simulating file layer, which dies at every durability point in turn
// (each file sync, directory sync and rename), either dropping everything not
// synced or letting a random part of it reach the disk first, and at a sample
// of other calls. After every crash the database is opened as the program
// opens it, answering Yes to every question, and must then
//  - pass Verify, with no save copy or new data file left;
//  - hold, read from the data file's bytes, only records that are exactly as
//    the uncrashed run stored them: for a rebuild every record of the
//    database, for an import a run of records numbered 1 to n (any set of
//    them where the crash let unsynced writes through).
// Prints one line of figures per part; exits 1 when any crash failed.
//
// Usage: crash_soak [--corpus PATH]... [--seeds N] [--calls N] [--seed S]
//                   [--only import|rebuild] [--keep DIR]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "database/session.h"
#include "exchange/importer.h"
#include "isam/verify.h"
#include "platform/file.h"
#include "support/crash_fs.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using Records = std::map<int, std::string>;

constexpr size_t kSlot = 512;

// The live records of a data file by record number, read from its bytes:
// slot n at n * 512 (slot 0 is the header); a head starts with four zero
// bytes and keeps its slot's byte count at 506 (u16) and the next slot of its
// chain at 508 (i32); a continuation starts with byte 1 and carries its bytes
// from offset 1. The record number is the text at offsets 4 to 10. Damage
// the reader cannot follow goes to `why`.
Records ReadRecords(const std::string& path, std::string* why) {
  std::string bytes;
  Records records;
  if (platform::ReadWholeFile(platform::PosixFileSystem(), path, &bytes) != 0) {
    *why = "cannot read " + path;
    return records;
  }
  auto u16 = [&](size_t at) {
    return static_cast<size_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
  };
  auto i32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return static_cast<int32_t>(v);
  };
  const size_t slots = bytes.size() / kSlot;
  for (size_t slot = 1; slot < slots; ++slot) {
    const size_t at = slot * kSlot;
    if (i32(at) != 0) continue;
    std::string record = bytes.substr(at, std::min<size_t>(u16(at + 506), 506));
    size_t steps = 0;
    for (int32_t next = i32(at + 508); next != 0;
         next = i32(static_cast<size_t>(next) * kSlot + 508)) {
      if (next < 1 || static_cast<size_t>(next) >= slots || ++steps > slots ||
          bytes[static_cast<size_t>(next) * kSlot] != 1) {
        *why = "slot " + std::to_string(slot) + ": its chain is broken at slot " +
               std::to_string(next);
        return records;
      }
      const size_t c = static_cast<size_t>(next) * kSlot;
      record += bytes.substr(c + 1, std::min<size_t>(u16(c + 506), 505));
    }
    if (record.size() < 11) {
      *why = "slot " + std::to_string(slot) + ": a record of " + std::to_string(record.size()) +
             " bytes (a slot that was never written, taken for a record)";
      return records;
    }
    const std::string number_text = record.substr(4, 7).c_str();
    const int number = std::atoi(number_text.c_str());
    if (number <= 0) {
      *why = "slot " + std::to_string(slot) + ": record number '" + number_text + "'";
      return records;
    }
    if (!records.emplace(number, record).second) {
      *why = "record " + std::to_string(number) + " is stored twice";
      return records;
    }
  }
  return records;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& t : texts) out += (out.empty() ? "" : " | ") + t;
  return out;
}

struct Figures {
  int crashes = 0;
  int failed = 0;
  int rebuilt = 0;  // opens that rebuilt something
  int64_t records_checked = 0;
  int points = 0;
};

class CrashSoak {
 public:
  CrashSoak(std::vector<std::string> corpus, int seeds, int calls, uint32_t seed)
      : corpus_(std::move(corpus)), seeds_(seeds), calls_(calls), rng_(seed) {}

  int failures() const { return failures_; }

  // With `crash_loop` false, only the uncrashed import that the rebuild part
  // starts from.
  void ImportPart(bool crash_loop) {
    const auto start = std::chrono::steady_clock::now();
    // The uncrashed import: its records and how many points and calls it
    // passes, the create included.
    int64_t points = 0;
    int64_t calls = 0;
    {
      testing::TempDir dir;
      testing::CrashFileSystem crash(posix_);
      ImportInto(dir.path(), crash);
      points = crash.points();
      calls = crash.calls();
      std::string why;
      want_ = ReadRecords(dir.File("Tes_Win.DAT"), &why);
      if (!why.empty() || want_.empty()) Die("the uncrashed import: " + why);
      database_.clear();
      for (const char* extension : {".DAT", ".IX"}) {
        std::string bytes;
        platform::ReadWholeFile(posix_, dir.File("Tes_Win") + extension, &bytes);
        database_.push_back(bytes);
      }
    }
    if (!crash_loop) return;
    Figures figures;
    figures.points = static_cast<int>(points);
    for (const Crash& crash : Crashes(points, calls)) {
      testing::TempDir dir;
      testing::CrashFileSystem crash_fs(posix_);
      Arm(crash_fs, crash);
      ImportInto(dir.path(), crash_fs);
      Check(figures, "import", crash, dir, [&](const Records& got) -> std::string {
        int expected_number = 1;
        for (const auto& [number, bytes] : got) {
          auto it = want_.find(number);
          if (it == want_.end()) return "record " + std::to_string(number) + " was never imported";
          if (it->second != bytes)
            return "record " + std::to_string(number) + " is not as imported";
          if (!crash.keep_some && number != expected_number) {
            return "record " + std::to_string(expected_number) + " is missing before record " +
                   std::to_string(number);
          }
          ++expected_number;
        }
        return "";
      });
    }
    Print("import", figures, static_cast<int>(want_.size()), start);
  }

  // Runs on the database the import part made, less every seventh record.
  void RebuildPart() {
    const auto start = std::chrono::steady_clock::now();
    testing::TempDir seed_dir;
    Lay(seed_dir.path(), database_);
    {
      testing::ScriptedHost host;
      host.SetDefaultAnswer(true);
      database::Session s(host, posix_);
      s.set_directory(seed_dir.path());
      if (!s.StartDatabase()) Die("cannot open the imported database");
      for (const auto& [number, bytes] : want_) {
        if (number % 7 != 0) continue;
        int32_t ref = 0;
        if (!s.FindAndRead(1, ref, LeftPadded(number)) || s.DeleteRecord(s.current_record, ref) != database::DeleteOutcome::kDeleted) {
          Die("cannot delete record " + std::to_string(number));
        }
      }
      s.CloseDatabase();
    }
    std::vector<std::string> base;
    for (const char* extension : {".DAT", ".IX"}) {
      std::string bytes;
      platform::ReadWholeFile(posix_, seed_dir.File("Tes_Win") + extension, &bytes);
      base.push_back(bytes);
    }
    std::string why;
    const Records want = ReadRecords(seed_dir.File("Tes_Win.DAT"), &why);
    if (!why.empty()) Die("the database to rebuild: " + why);

    int64_t points = 0;
    int64_t calls = 0;
    {
      testing::TempDir dir;
      Lay(dir.path(), base);
      testing::CrashFileSystem crash(posix_);
      Rebuild(dir.path(), crash, [&](int64_t p, int64_t c) {
        points = -p;
        calls = -c;
      });
      points += crash.points();
      calls += crash.calls();
    }
    Figures figures;
    figures.points = static_cast<int>(points);
    for (const Crash& crash : Crashes(points, calls)) {
      testing::TempDir dir;
      Lay(dir.path(), base);
      testing::CrashFileSystem crash_fs(posix_);
      // The crash counts from the start of the rebuild, after the open.
      Rebuild(dir.path(), crash_fs, [&](int64_t p, int64_t c) { Arm(crash_fs, crash, p, c); });
      Check(figures, "rebuild", crash, dir, [&](const Records& got) -> std::string {
        if (got == want) return "";
        for (const auto& [number, bytes] : want) {
          auto it = got.find(number);
          if (it == got.end()) return "record " + std::to_string(number) + " is lost";
          if (it->second != bytes) return "record " + std::to_string(number) + " changed";
        }
        return std::to_string(got.size() - want.size()) + " records appeared";
      });
    }
    Print("rebuild", figures, static_cast<int>(want.size()), start);
  }

 private:
  struct Crash {
    bool at_point;  // else at a call
    int64_t n;
    bool keep_some;
    uint32_t seed;
    std::string Describe() const {
      std::ostringstream out;
      out << (at_point ? "point " : "call ") << n;
      if (keep_some) out << ", some unsynced writes kept (seed " << seed << ")";
      return out.str();
    }
  };

  // Every point, dropping everything unsynced and with `seeds_` random
  // subsets kept; `calls_` random calls.
  std::vector<Crash> Crashes(int64_t points, int64_t calls) {
    std::vector<Crash> crashes;
    for (int64_t p = 1; p <= points; ++p) {
      crashes.push_back({true, p, false, 0});
      for (int s = 1; s <= seeds_; ++s) {
        crashes.push_back({true, p, true, static_cast<uint32_t>(rng_())});
      }
    }
    for (int i = 0; i < calls_; ++i) {
      crashes.push_back({false, 1 + static_cast<int64_t>(rng_() % static_cast<uint64_t>(calls)),
                         i % 2 == 1, static_cast<uint32_t>(rng_())});
    }
    return crashes;
  }

  static void Arm(testing::CrashFileSystem& fs, const Crash& crash, int64_t points_before = 0,
                  int64_t calls_before = 0) {
    if (crash.at_point) {
      fs.CrashAtPoint(points_before + crash.n, crash.keep_some, crash.seed);
    } else {
      fs.CrashAtCall(calls_before + crash.n, crash.keep_some, crash.seed);
    }
  }

  void ImportInto(const std::string& dir, platform::FileSystem& fs) {
    testing::ScriptedHost host;
    host.SetDefaultAnswer(true);
    database::Session s(host, fs);
    s.set_directory(dir);
    if (!s.StartDatabase()) return;
    exchange::Importer importer(s, exchange::ImportOptions{});
    importer.Run(corpus_);
    s.CloseDatabase();
  }

  // Opens the database in `dir` on `fs`, calls `before` with the points and
  // calls passed so far, and rebuilds.
  void Rebuild(const std::string& dir, testing::CrashFileSystem& fs,
               const std::function<void(int64_t, int64_t)>& before) {
    testing::ScriptedHost host;
    host.SetDefaultAnswer(true);
    database::Session s(host, fs);
    s.set_directory(dir);
    if (!s.StartDatabase()) Die("cannot open the database to rebuild");
    before(fs.points(), fs.calls());
    s.RebuildDataAndIndexes();
    s.CloseDatabase();
  }

  // Opens the crashed database with Yes to every question and checks it.
  void Check(Figures& figures, const char* part, const Crash& crash, const testing::TempDir& dir,
             const std::function<std::string(const Records&)>& records_ok) {
    ++figures.crashes;
    std::string why;
    testing::ScriptedHost host;
    host.SetDefaultAnswer(true);
    {
      database::Session s(host, posix_);
      s.set_directory(dir.path());
      if (!s.StartDatabase()) {
        why = "the open failed: " + Joined(host.Texts(ui::MessageKind::kError)) + " " +
              Joined(host.Texts(ui::MessageKind::kStop));
      }
      s.CloseDatabase();
    }
    figures.rebuilt += !host.Texts(ui::MessageKind::kQuestion).empty();
    if (why.empty() && !host.exit_codes.empty()) {
      why = "the open ended the program with " + std::to_string(host.exit_codes[0]);
    }
    const std::string base = dir.File("Tes_Win");
    if (why.empty()) {
      isam::VerifyOptions options;
      options.key_builder = database::BuildKeyFromBytes;
      isam::VerifyReport report = isam::Verify(posix_, base, options);
      if (!report.sound()) {
        why = "Verify: error " + std::to_string(report.open_error) + " " + Joined(report.findings);
      }
    }
    for (const char* extension : {".SAV", ".NEW"}) {
      if (why.empty() && posix_.Exists(base + extension)) why = std::string(extension) + " is left";
    }
    if (why.empty()) {
      Records got = ReadRecords(base + ".DAT", &why);
      if (why.empty()) why = records_ok(got);
      figures.records_checked += static_cast<int64_t>(got.size());
    }
    if (why.empty()) return;
    ++figures.failed;
    ++failures_;
    std::cerr << "crash_soak: " << part << ", crash at " << crash.Describe() << ": " << why << "\n";
    if (!keep_.empty() && failures_ <= 20) {
      // The files as the open left them, for a look with tessary-cli.
      const std::string to = keep_ + "/crash-" + std::to_string(failures_) + "-" + part;
      std::error_code ec;
      fs::remove_all(to, ec);
      fs::create_directories(keep_, ec);
      fs::copy(dir.path(), to, fs::copy_options::recursive, ec);
      std::cerr << "crash_soak: kept in " << to << "\n";
    }
  }

  // Adds the part's figures to the summary line.
  void Print(const char* part, const Figures& f, int records,
             std::chrono::steady_clock::time_point start) {
    char text[300];
    std::snprintf(text, sizeof text, "%s %d crashes (%d points x %d ways + %d calls) of %d records",
                  part, f.crashes, f.points, 1 + seeds_, calls_, records);
    parts_ += (parts_.empty() ? "" : ", ") + std::string(text);
    if (f.failed > 0)
      failed_parts_ +=
          (failed_parts_.empty() ? "" : ", ") + std::string(part) + " " + std::to_string(f.failed);
    total_.crashes += f.crashes;
    total_.failed += f.failed;
    total_.rebuilt += f.rebuilt;
    total_.records_checked += f.records_checked;
    seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

 public:
  // One line of figures for the whole run.
  void PrintSummary(uint32_t seed) const {
    std::printf("crash: %s; %d failed%s, %d opens rebuilt, %lld records checked, seed %u, %.0f s\n",
                parts_.c_str(), total_.failed,
                failed_parts_.empty() ? "" : (" (" + failed_parts_ + ")").c_str(), total_.rebuilt,
                static_cast<long long>(total_.records_checked), seed, seconds_);
    std::fflush(stdout);
  }

 private:
  void Lay(const std::string& dir, const std::vector<std::string>& files) {
    const char* extensions[] = {".DAT", ".IX"};
    for (size_t i = 0; i < files.size(); ++i) {
      if (platform::ReplaceFileAtomically(posix_, dir + "/Tes_Win" + extensions[i], files[i])) {
        Die("cannot write the database");
      }
    }
  }

  static std::string LeftPadded(int number) {
    std::string text = std::to_string(number);
    return std::string(text.size() < 6 ? 6 - text.size() : 0, ' ') + text;
  }

  [[noreturn]] static void Die(const std::string& why) {
    std::cerr << "crash_soak: " << why << "\n";
    std::exit(2);
  }

  platform::FileSystem& posix_ = platform::PosixFileSystem();
  std::vector<std::string> corpus_;
  int seeds_;
  int calls_;
  std::mt19937 rng_;
  Records want_;
  std::vector<std::string> database_;
  int failures_ = 0;
  std::string parts_;
  std::string failed_parts_;
  Figures total_;
  double seconds_ = 0;

 public:
  std::string keep_;  // where failed cases are copied; empty: nowhere
};

}  // namespace
}  // namespace tessary

int main(int argc, char** argv) {
  std::vector<std::string> corpus;
  int seeds = 3;
  int calls = 20;
  uint32_t seed = 20240611;
  std::string only;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--corpus" && has_value) {
      corpus.push_back(argv[++i]);
    } else if (arg == "--seeds" && has_value) {
      seeds = std::atoi(argv[++i]);
    } else if (arg == "--calls" && has_value) {
      calls = std::atoi(argv[++i]);
    } else if (arg == "--seed" && has_value) {
      seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--keep" && has_value) {
      keep = argv[++i];
    } else if (arg == "--only" && has_value) {
      only = argv[++i];
    } else {
      std::cerr << "usage: crash_soak [--corpus PATH]... [--seeds N] [--calls N] [--seed S] "
                   "[--only import|rebuild] [--keep DIR]\n";
      return 2;
    }
  }
  if (corpus.empty()) corpus.push_back("/usr/share/games/fortunes");
  tessary::CrashSoak soak(corpus, seeds, calls, seed);
  soak.keep_ = keep;
  // The rebuild starts from the database the import made.
  soak.ImportPart(only != "rebuild");
  if (only != "import") soak.RebuildPart();
  soak.PrintSummary(seed);
  return soak.failures() == 0 ? 0 : 1;
}
