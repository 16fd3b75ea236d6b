// Crash recovery end to end: a child process importing the fortune corpus is
// killed at random moments; the next session must rebuild the database into
// sound files that hold exactly the records added before the kill.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "database/session.h"
#include "exchange/fortune_import.h"
#include "isam/verify.h"
#include "support/fileblock_builder.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCorpus = "/usr/share/games/fortunes";
constexpr int kKills = 20;
// Enough text for a few thousand records, so that the twenty imports and
// rebuilds stay within a minute in the sanitizer build.
constexpr uint64_t kCorpusBytes = 400000;

// Corpus files in name order (regular files, no links, no .dat indexes),
// skipping those that would take the total beyond kCorpusBytes.
std::vector<std::string> CorpusFiles() {
  std::vector<std::string> all;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(kCorpus, ec)) {
    if (fs::is_regular_file(entry.symlink_status()) && entry.path().extension() != ".dat") {
      all.push_back(entry.path().string());
    }
  }
  std::sort(all.begin(), all.end());
  std::vector<std::string> files;
  uint64_t total = 0;
  for (const std::string& file : all) {
    if (total + fs::file_size(file) > kCorpusBytes) continue;
    total += fs::file_size(file);
    files.push_back(file);
  }
  return files;
}

// The stored bytes of the records the import makes of the files, in order.
std::vector<std::string> ExpectedRecords(const std::vector<std::string>& files) {
  std::vector<std::string> expected;
  for (const std::string& file : files) {
    exchange::ImportContext context;
    context.file_name = fs::path(file).filename().string();
    context.first_record_number = static_cast<int>(expected.size()) + 1;
    for (const auto& record : exchange::ImportFortunes(testing::ReadFile(file), context).records) {
      expected.push_back(
          std::string(database::RecordBytes(record).substr(0, database::StoredLength(record))));
    }
  }
  return expected;
}

// Runs the import in a child; SIGKILLs it after `delay` unless it ended
// first. True when it was killed.
bool ImportAndKill(const std::string& base, const std::vector<std::string>& files,
                   std::chrono::microseconds delay, double* seconds = nullptr) {
  std::vector<std::string> args = {"import", "--db", base, "--yes", "--allow-duplicates"};
  args.insert(args.end(), files.begin(), files.end());
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    std::ostringstream out;
    _exit(RunCli(args, out, out));
  }
  EXPECT_GT(child, 0);
  if (delay.count() > 0) {
    std::this_thread::sleep_for(delay);
    kill(child, SIGKILL);
  }
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  if (seconds) {
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  if (WIFSIGNALED(status)) return true;
  EXPECT_EQ(status, 0);
  return false;
}

uint64_t FileSize(const std::string& path) {
  std::error_code ec;
  const uint64_t size = fs::file_size(path, ec);
  return ec ? 0 : size;
}

// Opens the database as the program does, answering Yes to a rebuild; then
// the data file, read from its bytes, must hold the first records of
// `expected` exactly, and the files must pass Verify. `expect_rebuild`: the
// open must find the files in use, unless the kill came after the import had
// closed them cleanly (then every record is there).
void RecoverAndCheck(const std::string& dir, const std::vector<std::string>& expected,
                     bool expect_rebuild) {
  testing::ScriptedHost host;
  host.SetDefaultAnswer(true);
  database::Session session(host, platform::PosixFileSystem());
  session.set_directory(dir);
  ASSERT_TRUE(session.StartDatabase())
      << ::testing::PrintToString(host.Texts(ui::MessageKind::kError));
  session.CloseDatabase();
  // Files left in use ask for the rebuild once; files closed cleanly ask nothing.
  const bool clean = host.messages.empty();
  if (!clean) {
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Index defective. Rebuild?");
  }

  const std::vector<std::string> records =
      testing::ReadDataFileRecords(testing::ReadFile(dir + "/Tes_Win.DAT"));
  ASSERT_LE(records.size(), expected.size());
  for (size_t i = 0; i < records.size(); ++i) {
    ASSERT_EQ(records[i], expected[i]) << "record " << i + 1;
  }
  if (expect_rebuild && clean) {
    EXPECT_EQ(records.size(), expected.size())
        << "the files were changed but are marked clean before the import ended";
  }
  isam::VerifyOptions options;
  options.key_builder = database::BuildKeyFromBytes;
  isam::VerifyReport report = isam::Verify(platform::PosixFileSystem(), dir + "/Tes_Win", options);
  EXPECT_TRUE(report.sound()) << ::testing::PrintToString(report.findings);
  EXPECT_EQ(report.records, static_cast<int>(records.size()));
}

TEST(CrashRecovery, ImportKilledAtRandomMomentsIsRecoveredByRebuild) {
  const std::vector<std::string> files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "no fortune corpus in " << kCorpus;
  const std::vector<std::string> expected = ExpectedRecords(files);
  ASSERT_FALSE(expected.empty());

  // One run to the end measures the import and checks the complete result.
  double full_seconds = 0;
  {
    testing::TempDir dir;
    ASSERT_FALSE(
        ImportAndKill(dir.File("Tes_Win"), files, std::chrono::microseconds(0), &full_seconds));
    RecoverAndCheck(dir.path(), expected, true);
  }

  unsigned seed = 20240611;
  if (const char* env = std::getenv("TESSARY_CRASH_SEED")) seed = std::strtoul(env, nullptr, 10);
  RecordProperty("seed", static_cast<int>(seed));
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> moment(0.02, 0.98);
  int mid_import = 0;
  for (int i = 0; i < kKills; ++i) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed << ", kill " << i);
    testing::TempDir dir;
    const auto delay =
        std::chrono::microseconds(static_cast<int64_t>(moment(rng) * full_seconds * 1e6) + 1);
    const bool killed = ImportAndKill(dir.File("Tes_Win"), files, delay);
    // The measured run may have been slowed by a busy machine: an import that
    // ends before its kill moment shortens the later moments.
    if (!killed) full_seconds *= 0.7;
    const uint64_t size = FileSize(dir.File("Tes_Win.DAT"));
    // Killed before the create wrote the data header: nothing to recover.
    if (size < static_cast<uint64_t>(database::kDataSectionLength)) continue;
    // A record slot beyond the header means the import changed the files.
    const bool changed = killed && size > database::kDataSectionLength;
    mid_import += changed;
    RecoverAndCheck(dir.path(), expected, changed);
    if (::testing::Test::HasFatalFailure()) return;
  }
  // Kill moments spread over the measured import; under a loaded machine some
  // land before or after it, but most must interrupt it.
  EXPECT_GE(mid_import, kKills / 4);
}

}  // namespace
}  // namespace tessary::cli
