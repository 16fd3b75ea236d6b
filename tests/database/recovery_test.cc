// Recovery of the database files: a rebuild that dies at any sync or rename,
// leftovers of an interrupted rebuild, damaged headers, and failures that
// name their system reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "database/session.h"
#include "isam/verify.h"
#include "platform/text.h"
#include "support/crash_fs.h"
#include "support/fault_fs.h"
#include "support/fileblock_builder.h"
#include "support/quotation_fixture.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::database {
namespace {

using testing::HostMessage;
using ui::MessageKind;
using Messages = std::vector<HostMessage>;
using namespace std::string_literals;

constexpr int kRecords = 40;
const char kRebuildQuestion[] = "Index defective. Rebuild?";

// The records of a data file read from its bytes, in sorted order.
std::vector<std::string> RecordsInDataFile(const std::string& bytes) {
  std::vector<std::string> records = testing::ReadDataFileRecords(bytes);
  std::sort(records.begin(), records.end());
  return records;
}

std::string Stored(const QuotationRecord& r) {
  return std::string(RecordBytes(r)).substr(0, StoredLength(r));
}

class RecoveryTest : public ::testing::Test {
 protected:
  // Quotations 1 to kRecords, of which every seventh is deleted again so the
  // data file has free slots; the files are kept to start each case afresh.
  void SetUp() override {
    {
      testing::QuotationFixture fixture(kRecords);
      Session& s = fixture.session();
      fixture.host().SetDefaultAnswer(true);
      for (int number = 7; number <= kRecords; number += 7) {
        int32_t ref = 0;
        ASSERT_TRUE(s.FindAndRead(1, ref, platform::LeftPad(std::to_string(number), 6)));
        ASSERT_EQ(s.DeleteRecord(s.current_record, ref), database::DeleteOutcome::kDeleted);
      }
      s.CloseDatabase();
      data_ = testing::ReadFile(fixture.dir().File("Tes_Win.DAT"));
      index_ = testing::ReadFile(fixture.dir().File("Tes_Win.IX"));
    }
    for (int number = 1; number <= kRecords; ++number) {
      if (number % 7 != 0) expected_.push_back(Stored(testing::GeneratedQuotation(number)));
    }
    std::sort(expected_.begin(), expected_.end());
    ASSERT_EQ(RecordsInDataFile(data_), expected_);
  }

  std::string Path(const char* extension) const { return dir_.File("Tes_Win.") + extension; }
  bool Exists(const char* extension) const {
    return platform::PosixFileSystem().Exists(Path(extension));
  }
  void Lay(const std::string& data, const std::string& index) {
    for (const char* extension : {"DAT", "IX", "SAV", "NEW", "OLD", "MSG"}) {
      std::remove(Path(extension).c_str());
    }
    if (!data.empty()) testing::WriteFile(Path("DAT"), data);
    if (!index.empty()) testing::WriteFile(Path("IX"), index);
  }

  std::unique_ptr<Session> NewSession(ui::Host& host, platform::FileSystem& fs) {
    auto s = std::make_unique<Session>(host, fs);
    s->set_directory(dir_.path());
    return s;
  }

  // Opens with every question answered Yes and checks that every record is
  // back, read from the bytes, and that the files are sound and alone.
  void ExpectRecovered(const std::function<void(const Messages&)>& check_messages = nullptr) {
    testing::ScriptedHost host;
    host.SetDefaultAnswer(true);
    {
      auto s = NewSession(host, platform::PosixFileSystem());
      ASSERT_TRUE(s->StartDatabase()) << ::testing::PrintToString(host.Texts(MessageKind::kError));
      EXPECT_EQ(s->engine().UsedKeys(s->fileblock(), 1), static_cast<int32_t>(expected_.size()));
      s->CloseDatabase();
    }
    EXPECT_TRUE(host.exit_codes.empty());
    if (check_messages) {
      check_messages(host.messages);
    } else {
      EXPECT_TRUE(host.Texts(MessageKind::kError).empty())
          << ::testing::PrintToString(host.Texts(MessageKind::kError));
    }
    EXPECT_EQ(RecordsInDataFile(testing::ReadFile(Path("DAT"))), expected_);
    isam::VerifyOptions options;
    options.key_builder = BuildKeyFromBytes;
    isam::VerifyReport report =
        isam::Verify(platform::PosixFileSystem(), dir_.File("Tes_Win"), options);
    EXPECT_TRUE(report.sound()) << ::testing::PrintToString(report.findings);
    EXPECT_FALSE(Exists("SAV"));
    EXPECT_FALSE(Exists("NEW"));
  }

  testing::TempDir dir_;
  std::string data_;
  std::string index_;
  std::vector<std::string> expected_;
};

// Each sync and each rename of a full rebuild in turn makes the process die
// (all unsynced writes lost, or some kept) or fails with EIO; whatever the
// files then hold, the next open with Yes brings every record back.
TEST_F(RecoveryTest, RebuildStoppedAtEverySyncAndRenameLosesNoRecord) {
  using Call = testing::FaultFileSystem::Call;
  enum Way { kCrash, kCrashKeepingSome, kFailSync, kFailDirectorySync, kFailRename };
  for (Way way : {kCrash, kCrashKeepingSome, kFailSync, kFailDirectorySync, kFailRename}) {
    bool finished = false;
    for (int n = 1; !finished && n < 100; ++n) {
      SCOPED_TRACE(::testing::Message() << "way " << way << " point " << n);
      Lay(data_, index_);
      testing::CrashFileSystem crash(platform::PosixFileSystem());
      testing::FaultFileSystem fault(crash);
      testing::ScriptedHost host;
      host.SetDefaultAnswer(true);
      auto s = NewSession(host, fault);
      ASSERT_TRUE(s->StartDatabase());
      if (way <= kCrashKeepingSome) {
        crash.CrashAtPoint(crash.points() + n, way == kCrashKeepingSome, n);
      } else {
        fault.FailCall(way == kFailSync     ? Call::kSync
                       : way == kFailRename ? Call::kRename
                                            : Call::kSyncDirectory,
                       EIO, n - 1);
      }
      finished = s->RebuildDataAndIndexes();
      if (!finished && !crash.crashed()) {
        ASSERT_FALSE(host.messages.empty());
        EXPECT_NE(host.messages[0].text.find("Input/output error."), std::string::npos)
            << host.messages[0].text;
      }
      fault.Clear();
      s.reset();  // against a crashed file system its close changes nothing
      ExpectRecovered();
      if (HasFailure()) return;
    }
    EXPECT_TRUE(finished);
  }
}

// What an interrupted run can leave beside the save copy, the second case
// being what an earlier order of writes left at its third sync: the open says
// so, No leaves every file alone, Yes finishes the rebuild from the save copy.
TEST_F(RecoveryTest, SaveCopyAtOpenFinishesTheRebuild) {
  // A data header alone: FirstFree -1, RecordLength 512, six keys, then InUse.
  std::string empty_data = std::string("\xff\xff\xff\xff", 4) + std::string(8, '\0') +
                           std::string("\0\2\0\0\6", 5) + std::string(507, '\0');
  std::string in_use = empty_data;
  in_use[20] = 1;
  struct Case {
    const char* name;
    std::string data;
    std::string index;
    bool kept_as_old;
  };
  const Case cases[] = {
      {"save copy alone", "", index_, false},
      {"beside an empty clean data file", empty_data, index_.substr(0, 1002), true},
      {"beside a new data file in use", in_use, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Lay(c.data, c.index);
    testing::WriteFile(Path("SAV"), data_);
    const std::string question =
        "The last rebuild of the data and index files was interrupted.  The records are safe in " +
        Path("SAV") + ".  Finish the rebuild?";
    {
      testing::ScriptedHost host;
      host.SetNextAnswer(false);
      EXPECT_FALSE(NewSession(host, platform::PosixFileSystem())->StartDatabase());
      EXPECT_EQ(host.messages,
                (Messages{{MessageKind::kQuestion, question, ""},
                          {MessageKind::kInformation,
                           "The database can be used when the rebuild is finished.  The records "
                           "stay in " +
                               Path("SAV") + ".  Exiting now.",
                           ""}}));
      EXPECT_EQ(testing::ReadFile(Path("SAV")), data_);
      EXPECT_EQ(Exists("DAT"), !c.data.empty());
    }
    ExpectRecovered([&](const Messages& messages) {
      Messages expected = {{MessageKind::kQuestion, question, ""}};
      if (c.kept_as_old) {
        expected.push_back({MessageKind::kInformation,
                            "IsamError: 10465 -- Data and save file exist simultaneously.  The "
                            "data file was kept as " +
                                Path("OLD") + "; the rebuild goes on from " + Path("SAV") + ".",
                            ""});
      }
      EXPECT_EQ(messages, expected);
    });
    if (c.kept_as_old) {
      EXPECT_EQ(testing::ReadFile(Path("OLD")), c.data);
    }
  }
}

// Each damage is named once (unless it is the plain index defect) and then
// repaired like an index left open; the records come back from the slots,
// also when the data file's own header is damaged.
TEST_F(RecoveryTest, DamagedHeadersAreNamedAndRepaired) {
  const std::string where = "  Opening " + dir_.File("Tes_Win") +
                            "\nThe database files are damaged: rebuild the data and indexes, or "
                            "restore a backup.";
  const std::string length7 = "10020 -- Record length less than 22 or more than 2147483647 bytes.";
  const size_t slots = data_.size() / 512 + 1;  // as if two more slots were added
  const std::string grown = {static_cast<char>(slots), static_cast<char>(slots >> 8), 0, 0};
  struct Case {
    const char* name;
    bool index;   // else the data file
    size_t size;  // the file is cut or grown with zeros to this size; 0: kept
    std::vector<std::pair<size_t, std::string>> patches;  // bytes written at an offset
    std::string report;                                   // empty: the rebuild question alone
  };
  const Case cases[] = {
      {"key 1 PageSize 65535", true, 0, {{26, "\xff\xff"}}, "10122 -- MaxPageSize too small."},
      {"index cut to half", true, index_.size() / 2, {}, ""},
      {"key 3 root beyond its pages", true, 0, {{3360 + 16, "\x70"}}, ""},
      {"key 1 EntryCount beyond its pages", true, 0, {{22, "\xff\xff"}}, ""},
      {"RecordLength 7", false, 0, {{12, "\7\0\0\0"s}}, length7},
      {"KeyCount 200", false, 0, {{16, "\xc8"}}, "10060 -- Too many keys, or file read error."},
      {"SlotCount short of the file", false, 0, {{8, "\3\0\0\0"s}}, ""},
      // A crash kept the file's growth but not the slots' bytes: zero slots
      // are no records.
      {"two slots never written", false, data_.size() + 1024, {{8, grown}, {20, "\1"}}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string data = data_;
    std::string index = index_;
    std::string& file = c.index ? index : data;
    if (c.size != 0) file.resize(c.size);
    for (const auto& [at, bytes] : c.patches) file.replace(at, bytes.size(), bytes);
    Lay(data, index);
    ExpectRecovered([&](const Messages& messages) {
      Messages expected;
      if (!c.report.empty()) {
        expected.push_back({MessageKind::kError, "IsamError: " + c.report + where, ""});
      }
      expected.push_back({MessageKind::kQuestion, kRebuildQuestion, ""});
      EXPECT_EQ(messages, expected);
    });
  }
}

// A full disk reaches the user with the system's reason and the way out; a
// failed add or rebuild leaves the database usable, a failed rebuild even
// with its old index.
TEST_F(RecoveryTest, AFullDiskIsNamedAndLeavesTheDatabaseUsable) {
  for (bool rebuild : {false, true}) {
    SCOPED_TRACE(rebuild ? "rebuild" : "add");
    Lay(data_, index_);
    testing::FaultFileSystem fs(platform::PosixFileSystem());
    testing::ScriptedHost host;
    host.SetDefaultAnswer(true);
    auto s = NewSession(host, fs);
    ASSERT_TRUE(s->StartDatabase());
    fs.FailWritesAfter(rebuild ? 10000 : 0, ENOSPC);
    s->current_record = testing::GeneratedQuotation(kRecords + 1);
    EXPECT_FALSE(rebuild ? s->RebuildDataAndIndexes() : s->AddRecord());
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages[0].text,
              "IsamError: 10075 -- File write error.  "s +
                  (rebuild ? "Rebuild not completed." : "Location 1") +
                  "\nNo space left on device.  Free up some disk space and try again.");
    EXPECT_TRUE(host.exit_codes.empty());
    if (rebuild) {  // opened again as it was
      EXPECT_EQ(testing::ReadFile(Path("IX")), index_);
      EXPECT_EQ(s->engine().UsedKeys(s->fileblock(), 1), static_cast<int32_t>(expected_.size()));
    }
    fs.Clear();
    s->CloseDatabase();
    ExpectRecovered([](const Messages&) {});
  }
}

}  // namespace
}  // namespace tessary::database
