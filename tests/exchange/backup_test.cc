#include "exchange/backup.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <string>

#include "database/session.h"
#include "exchange/session_backup.h"
#include "support/fault_fs.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::exchange {
namespace {

constexpr size_t kInUseOffset = 20;  // the data header's in-use byte

class BackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir.File("db"));
    std::filesystem::create_directory(dir.File("copies"));
    AddRecords(3);
  }

  // Adds `count` one-line records to the database and closes it.
  void AddRecords(int count) {
    testing::ScriptedHost host;
    host.SetDefaultAnswer(true);
    database::Session session(host, platform::PosixFileSystem());
    session.set_directory(dir.File("db"));
    ASSERT_TRUE(session.StartDatabase());
    for (int n = 0; n < count; ++n) {
      session.current_record = database::EmptyRecord();
      database::SetField(session.current_record.Record_Number,
                         std::to_string(session.TakeNextRecordNumber()));
      database::SetField(session.current_record.Line1, "Line of " + std::to_string(n));
      ASSERT_TRUE(session.AddRecord());
    }
    session.CloseDatabase();
  }

  std::string Base() const { return dir.File("db/Tes_Win"); }
  std::string Files() const {
    return testing::ReadFile(Base() + ".DAT") + testing::ReadFile(Base() + ".IX");
  }
  // A backup at 2025-01-02 03:04:05 local time.
  CopyOutcome BackUpNow() {
    std::tm moment{};
    moment.tm_year = 125, moment.tm_mday = 2, moment.tm_hour = 3, moment.tm_min = 4;
    moment.tm_sec = 5, moment.tm_isdst = -1;
    return BackUp(fs, Base(), dir.File("copies"), std::mktime(&moment));
  }

  testing::TempDir dir;
  testing::FaultFileSystem fs{platform::PosixFileSystem()};
};

TEST_F(BackupTest, RefusesAFileblockLeftInUseAndRemovesACopyThatFailed) {
  std::string data = testing::ReadFile(Base() + ".DAT");
  data[kInUseOffset] = 1;  // as a killed program leaves it
  testing::WriteFile(Base() + ".DAT", data);
  CopyOutcome outcome = BackUpNow();
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.message.find("run rebuild first"), std::string::npos) << outcome.message;
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("copies")));

  data[kInUseOffset] = 0;
  testing::WriteFile(Base() + ".DAT", data);
  fs.OnlyPathsContaining("copies");
  fs.FailCall(testing::FaultFileSystem::Call::kWriteAt, ENOSPC, 0, -1);
  outcome = BackUpNow();
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.message.find("No space left on device"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("copies")));
}

// A copy named after its time, not replaced in the same second, restored
// when sound and refused when damaged.
TEST_F(BackupTest, CopyUnderItsTimeIsRestoredWhenSound) {
  const std::string saved = Files();
  CopyOutcome backup = BackUpNow();
  ASSERT_TRUE(backup.ok) << backup.message;
  EXPECT_EQ(backup.base, dir.File("copies/Tes_Win-20250102-030405"));
  EXPECT_EQ(BackUpNow().message, backup.base + ".DAT exists already; not replaced");
  AddRecords(2);
  const std::string changed = Files();

  // A damaged copy (its free count wrong) is refused; the files stay.
  const std::string damaged = dir.File("copies/damaged");
  std::string data = testing::ReadFile(backup.base + ".DAT");
  data[4] = 7;  // FreeCount
  testing::WriteFile(damaged + ".DAT", data);
  std::filesystem::copy_file(backup.base + ".IX", damaged + ".IX");
  CopyOutcome refused = Restore(fs, Base(), damaged + ".DAT");
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.message.find(damaged + " does not check: "), std::string::npos)
      << refused.message;
  EXPECT_TRUE(Files() == changed);

  // A failure while the copy is put in place leaves the former files.
  fs.FailCall(testing::FaultFileSystem::Call::kRename, EIO, 1);
  EXPECT_FALSE(Restore(fs, Base(), backup.base).ok);
  EXPECT_TRUE(Files() == changed);
  fs.Clear();

  CopyOutcome restored = Restore(fs, Base(), backup.base);
  ASSERT_TRUE(restored.ok) << restored.message;
  EXPECT_TRUE(Files() == saved);
  for (const auto& item : std::filesystem::directory_iterator(dir.File("db"))) {
    EXPECT_TRUE(item.path().extension() == ".DAT" || item.path().extension() == ".IX")
        << item.path();
  }
}

// The desktop program backs up the Fileblock it holds open, with changes not
// yet closed, and offers that before a rebuild.
TEST_F(BackupTest, AnOpenDatabaseIsClosedForTheCopyAndOpenedAgain) {
  testing::ScriptedHost host;
  database::Session session(host, platform::PosixFileSystem());
  session.set_directory(dir.File("db"));
  ASSERT_TRUE(session.StartDatabase());
  session.current_record = database::EmptyRecord();
  database::SetField(session.current_record.Record_Number, "4");
  ASSERT_TRUE(session.AddRecord());  // the data file is in use now

  // No: the rebuild goes on without a copy.
  host.SetNextAnswer(false);
  EXPECT_TRUE(OfferBackupBeforeRebuild(
      session, host, [] { return std::string("unused"); }, 0));
  // Yes, then no folder chosen: no rebuild.
  host.SetNextAnswer(true);
  EXPECT_FALSE(OfferBackupBeforeRebuild(
      session, host, [] { return std::string(); }, 0));
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("copies")));
  // Yes, a folder: the copy holds the record just added; the session is open.
  host.SetNextAnswer(true);
  EXPECT_TRUE(OfferBackupBeforeRebuild(
      session, host, [&] { return dir.File("copies"); }, 0));
  ASSERT_NE(session.fileblock(), nullptr);
  EXPECT_EQ(session.engine().UsedKeys(session.fileblock(), 1), 4);
  EXPECT_EQ(host.Texts(ui::MessageKind::kInformation).size(), 1u);
  // A failed copy (the same second again) asks whether to rebuild anyway.
  host.SetNextAnswer(true);
  host.SetNextAnswer(false);
  EXPECT_FALSE(OfferBackupBeforeRebuild(
      session, host, [&] { return dir.File("copies"); }, 0));
  const std::string& asked = host.messages.back().text;
  EXPECT_TRUE(asked.starts_with("The backup copy was not made: ") &&
              asked.ends_with("exists already; not replaced\n\nRebuild anyway?"))
      << asked;
  session.CloseDatabase();

  const auto copy = std::filesystem::directory_iterator(dir.File("copies"))->path();
  CopyOutcome restored = Restore(fs, Base(), copy.string());
  EXPECT_TRUE(restored.ok) << restored.message;
}

}  // namespace
}  // namespace tessary::exchange
