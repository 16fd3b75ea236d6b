#include "database/session.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "isam/verify.h"
#include "platform/text.h"
#include "support/fault_fs.h"
#include "support/quotation_fixture.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::database {
namespace {

using testing::HostMessage;
using ui::MessageKind;
using Messages = std::vector<HostMessage>;
using Counts = std::vector<int32_t>;

// Generated quotation `number`; a long one also has line 11, so it is stored
// whole.
QuotationRecord Quote(int number, bool long_quote = false) {
  QuotationRecord r = testing::GeneratedQuotation(number);
  if (long_quote) SetField(r.Line11, "The eleventh line of " + std::to_string(number));
  return r;
}

std::vector<QuotationRecord> Quotes(int count) {
  std::vector<QuotationRecord> records;
  for (int n = 1; n <= count; ++n) records.push_back(Quote(n, n % 3 == 0));
  return records;
}

std::string Bytes(const QuotationRecord& r) { return std::string(RecordBytes(r)); }
std::string Key1(int number) { return platform::LeftPad(std::to_string(number), 6); }

const char kRebuildQuestion[] = "Index defective. Rebuild?";
const char kDeleteQuestion[] = " Are you sure you want to delete this record.?";
const std::vector<std::string> kFixedLines = {"Warning!! - Interrupting this procedure before",
                                              "it is finished will cause unpredictable results."};

class SessionTest : public ::testing::Test {
 protected:
  std::string Base() const { return dir.File("Tes_Win"); }
  std::string DataPath() const { return Base() + ".DAT"; }
  std::string IndexPath() const { return Base() + ".IX"; }

  // Creates the database holding `records` through a session of its own.
  void MakeDatabase(const std::vector<QuotationRecord>& records) {
    fs.Remove(DataPath());
    fs.Remove(IndexPath());
    testing::ScriptedHost setup_host;
    setup_host.SetNextAnswer(true);
    Session setup(setup_host, platform::PosixFileSystem());
    setup.set_directory(dir.path());
    ASSERT_TRUE(setup.StartDatabase());
    for (const QuotationRecord& r : records) {
      setup.current_record = r;
      ASSERT_TRUE(setup.AddRecord());
    }
    setup.CloseDatabase();
  }

  // A new session with the test's host and file system, its status lines kept.
  Session& New() {
    session = std::make_unique<Session>(host, fs);
    session->set_directory(dir.path());
    session->show_status = [this](const std::string& text) { status.push_back(text); };
    return *session;
  }
  Session& Open() {
    Session& s = New();
    EXPECT_TRUE(s.StartDatabase());
    return s;
  }
  int32_t Find(Session& s, int number) {
    int32_t ref = 0;
    EXPECT_TRUE(s.FindAndRead(1, ref, Key1(number))) << number;
    return ref;
  }

  isam::VerifyReport VerifyFiles() {
    isam::VerifyOptions options;
    options.key_builder = database::BuildKeyFromBytes;
    return isam::Verify(platform::PosixFileSystem(), Base(), options);
  }
  // Closes the session; the files are sound and hold `records` records.
  void ExpectSound(int records) {
    session->CloseDatabase();
    isam::VerifyReport report = VerifyFiles();
    EXPECT_TRUE(report.sound()) << ::testing::PrintToString(report.findings);
    EXPECT_EQ(report.records, records);
  }

  // Every record in the order of key 1 equals `expected`.
  void ExpectRecords(Session& s, const std::vector<QuotationRecord>& expected) {
    std::vector<std::string> got;
    s.engine().ClearKey(s.fileblock(), 1);
    int32_t ref = 0;
    std::string text;
    while (true) {
      s.engine().NextKey(s.fileblock(), 1, ref, text);
      if (!s.engine().EngineOk()) break;
      const std::optional<QuotationRecord> r = s.Read(ref);
      EXPECT_TRUE(r.has_value()) << "ref " << ref;
      got.push_back(r ? Bytes(*r) : "");
    }
    EXPECT_EQ(s.engine().EngineError(), isam::kErrNoLargerKey);
    std::vector<std::string> want;
    for (const QuotationRecord& r : expected) want.push_back(Bytes(r));
    EXPECT_EQ(got, want);
  }

  Counts KeyCounts(Session& s) {
    Counts counts;
    for (int k = 1; k <= kKeyCount; ++k) counts.push_back(s.engine().UsedKeys(s.fileblock(), k));
    return counts;
  }

  testing::TempDir dir;
  testing::ScriptedHost host;
  testing::FaultFileSystem fs{platform::PosixFileSystem()};
  std::unique_ptr<Session> session;
  std::vector<std::string> status;
};

// Missing files are created after the user agrees, with the record and key
// lengths of the layout; an existing database shows its record count and
// takes the highest number from key 1.
TEST_F(SessionTest, OpenCreatesMissingFilesAndCountsRecords) {
  host.SetNextAnswer(true);
  Session& s = Open();
  EXPECT_EQ(host.messages,
            (Messages{{MessageKind::kQuestion, "Data file does not exist. Create?", ""}}));
  isam::FileblockInfo info = s.engine().Describe(s.fileblock());
  EXPECT_EQ(info.data.record_length, 512);
  EXPECT_EQ(info.key_lengths, (std::vector<int>{6, 30, 20, 6, 17, 13}));
  for (const isam::KeyHeader& key : info.keys) EXPECT_TRUE(key.allow_duplicates);
  s.CloseDatabase();

  MakeDatabase({Quote(7), Quote(100), Quote(42), Quote(9)});
  host.messages.clear();
  status.clear();
  EXPECT_EQ(Open().highest_record_number(), 100);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(status, std::vector<std::string>{"Active Records: 4"});
}

// A missing, unreadable or not cleanly closed index is rebuilt after the user
// agrees; every No asks again.
TEST_F(SessionTest, DefectiveIndexAskedAgainAfterEachNoThenRebuilt) {
  const std::vector<QuotationRecord> records = Quotes(60);
  for (int damage = 0; damage < 3; ++damage) {  // index missing, cut short; InUse set
    SCOPED_TRACE(damage);
    MakeDatabase(records);
    if (damage == 0) fs.Remove(IndexPath());
    if (damage == 1) testing::WriteFile(IndexPath(), "0123456789");
    std::string data = testing::ReadFile(DataPath());
    data[20] = static_cast<char>(damage == 2);
    testing::WriteFile(DataPath(), data);
    host.messages.clear();
    for (bool yes : {false, false, true}) host.SetNextAnswer(yes);
    Session& s = Open();
    EXPECT_EQ(host.messages, Messages(3, {MessageKind::kQuestion, kRebuildQuestion, ""}));
    EXPECT_EQ(host.progress_title, "Rebuild Status");
    EXPECT_EQ(host.progress_fixed, kFixedLines);
    EXPECT_FALSE(host.progress_open);
    EXPECT_EQ(s.highest_record_number(), 60);
    EXPECT_EQ(KeyCounts(s), Counts(6, 60));
    ExpectRecords(s, records);
    ExpectSound(60);
  }
}

TEST_F(SessionTest, IndexRebuildThatFailsEndsWithExitCode17) {
  MakeDatabase(Quotes(5));
  ASSERT_EQ(fs.Remove(IndexPath()), 0);
  const std::string data_before = testing::ReadFile(DataPath());
  fs.FailCall(testing::FaultFileSystem::Call::kRename, EACCES, 0, -1);
  host.SetNextAnswer(true);
  EXPECT_FALSE(New().StartDatabase());
  EXPECT_EQ(host.messages,
            (Messages{{MessageKind::kQuestion, kRebuildQuestion, ""},
                      {MessageKind::kError,
                       "IsamError: 10140 -- Access not possible, undefined error.  Rebuild not "
                       "completed.\nPermission denied.  Check that you may write to the database "
                       "files and their directory.",
                       ""},
                      {MessageKind::kWarning,
                       "Unable to rebuild index.  Free up some disk space and try again.", ""}}));
  EXPECT_EQ(host.exit_codes, std::vector<int>{17});
  EXPECT_FALSE(host.progress_open);
  EXPECT_EQ(testing::ReadFile(DataPath()), data_before);
}

// Key 4 cannot be read while the record is added: keys 1 to 3 and the record
// go again, and the files are as they were.
TEST_F(SessionTest, FailedAddOfKeyFourIsUndoneCompletely) {
  const std::vector<QuotationRecord> records = {Quote(1), Quote(2, true)};
  MakeDatabase(records);
  Session& s = Open();
  const Counts keys_before = KeyCounts(s);
  const int32_t used_before = s.engine().UsedSlots(s.fileblock());
  const int32_t free_before = s.engine().FreeSlots(s.fileblock());

  isam::FileblockInfo info = s.engine().Describe(s.fileblock());
  const int64_t key4 = info.keys[0].page_bytes + info.keys[1].page_bytes + info.keys[2].page_bytes;
  fs.short_read = [&](const std::string& path, uint64_t offset) {
    const int64_t in_row = static_cast<int64_t>(offset) % info.row_bytes;
    return path == IndexPath() && static_cast<int64_t>(offset) >= info.row_bytes &&
           in_row >= key4 && in_row < key4 + info.keys[3].page_bytes;
  };

  QuotationRecord added = Quote(3, true);
  SetField(added.Book_Code, "ZZ");
  SetField(added.Page_Number, "77");
  s.current_record = added;
  EXPECT_FALSE(s.AddRecord());
  EXPECT_EQ(host.messages,
            (Messages{{MessageKind::kError,
                       "IsamError: 10070 -- File read error.  Location 13B\nThe database files are "
                       "damaged: rebuild the data and indexes, or restore a backup.",
                       ""},
                      {MessageKind::kError, "ZZ  77", ""}}));
  EXPECT_TRUE(host.exit_codes.empty());
  fs.short_read = nullptr;

  const int32_t ref = s.add_ref();
  ASSERT_GT(ref, 0);
  for (int k = 1; k <= kKeyCount; ++k) {
    EXPECT_FALSE(s.engine().KeyExists(s.fileblock(), k, ref, BuildKey(added, k))) << "key " << k;
  }
  EXPECT_EQ(KeyCounts(s), keys_before);
  EXPECT_EQ(s.engine().UsedSlots(s.fileblock()), used_before);
  EXPECT_EQ(s.engine().FreeSlots(s.fileblock()), free_before + 2);  // head and continuation
  ExpectRecords(s, records);
  s.CloseDatabase();
  // Apart from the flag asking for a rebuild, the files are sound.
  isam::VerifyReport report = VerifyFiles();
  EXPECT_EQ(report.findings,
            (std::vector<std::string>{
                "data header: InUse is set; the Fileblock was not closed cleanly"}));
  EXPECT_EQ(report.records, 2);
}

// An unchanged record writes nothing; lines 5 to 11 are in no key, so their
// change rewrites the data and no index page, also of a record that only
// gains them.
TEST_F(SessionTest, UpdateOfUnkeyedLinesWritesNoIndexPage) {
  std::vector<QuotationRecord> records = {Quote(1, true), Quote(2)};
  MakeDatabase(records);
  const std::string index_before = testing::ReadFile(IndexPath());
  Session& s = Open();
  const int32_t first = Find(s, 1);
  s.saved_record = s.current_record;
  EXPECT_EQ(s.UpdateRecord(first), UpdateOutcome::kUnchanged);
  EXPECT_EQ(fs.calls(testing::FaultFileSystem::Call::kWriteAt), 0);

  fs.OnlyPathsContaining(".IX");  // any index write would fail the update
  fs.FailCall(testing::FaultFileSystem::Call::kWriteAt, EIO, 0, -1);
  for (int number : {1, 2}) {
    SCOPED_TRACE(number);
    const int32_t ref = Find(s, number);
    s.saved_record = s.current_record;
    SetField(s.current_record.Line5, "A new fifth line");
    SetField(s.current_record.Line11, "A new eleventh line");
    s.SetCurrentKey(3);
    EXPECT_EQ(s.UpdateRecord(ref), UpdateOutcome::kUpdated);
    EXPECT_EQ(s.current_key(), 3);
    records[number - 1] = s.current_record;
  }
  EXPECT_TRUE(host.messages.empty());
  ExpectRecords(s, records);
  ExpectSound(2);
  EXPECT_EQ(fs.injected(), 0);
  EXPECT_EQ(testing::ReadFile(IndexPath()), index_before);
}

// A changed author moves key 2 only; the others stay where they were.
TEST_F(SessionTest, UpdateMovesTheChangedKeyOnly) {
  MakeDatabase({Quote(1), Quote(2)});
  Session& s = Open();
  const int32_t ref = Find(s, 2);
  s.saved_record = s.current_record;
  SetField(s.current_record.Authors_LName, "Wilde");
  ASSERT_EQ(s.UpdateRecord(ref), UpdateOutcome::kUpdated);
  EXPECT_FALSE(s.engine().KeyExists(s.fileblock(), 2, ref, BuildKey(s.saved_record, 2)));
  for (int k = 1; k <= kKeyCount; ++k) {
    EXPECT_TRUE(s.engine().KeyExists(s.fileblock(), k, ref, BuildKey(s.current_record, k))) << k;
  }
  EXPECT_EQ(KeyCounts(s), Counts(6, 2));
  ExpectSound(2);
}

// No cancels; a record marked deleted in its own bytes is refused; Yes deletes
// every record in turn, the last one included, with only the questions shown,
// and leaves sound, empty files.
TEST_F(SessionTest, DeleteAsksFirstAndGoesDownToTheLastRecord) {
  MakeDatabase({Quote(1), Quote(2, true), Quote(3)});
  Session& s = Open();
  int32_t ref = Find(s, 2);
  host.SetNextAnswer(false);
  EXPECT_EQ(s.DeleteRecord(s.current_record, ref), DeleteOutcome::kCancelled);
  QuotationRecord marked = s.current_record;
  marked.Deleted_Link = 5;
  host.SetNextAnswer(true);
  EXPECT_EQ(s.DeleteRecord(marked, ref), DeleteOutcome::kFailed);
  EXPECT_EQ(KeyCounts(s), Counts(6, 3));

  host.SetDefaultAnswer(true);
  for (int number : {2, 1, 3}) {
    ref = Find(s, number);
    EXPECT_EQ(s.DeleteRecord(s.current_record, ref), DeleteOutcome::kDeleted) << number;
  }
  EXPECT_EQ(host.messages, Messages(5, {MessageKind::kQuestion, kDeleteQuestion, ""}));
  EXPECT_EQ(s.engine().UsedSlots(s.fileblock()), 0);
  ExpectSound(0);
}

TEST_F(SessionTest, DeleteWithMissingKeyStopsAndKeepsEarlierKeysDeleted) {
  MakeDatabase({Quote(1), Quote(2, true)});
  Session& s = Open();
  const int32_t ref = Find(s, 2);
  const QuotationRecord record = s.current_record;
  s.engine().DeleteKey(s.fileblock(), 3, ref, BuildKey(record, 3));
  host.SetNextAnswer(true);
  EXPECT_EQ(s.DeleteRecord(record, ref), DeleteOutcome::kFailed);
  EXPECT_EQ(host.messages,
            (Messages{{MessageKind::kQuestion, kDeleteQuestion, ""},
                      {MessageKind::kError,
                       "Unable to delete key.  Cancelling record Deletion.  Suggest you Rebuild "
                       "Index.",
                       ""}}));
  for (int k = 1; k <= kKeyCount; ++k) {
    EXPECT_EQ(s.engine().KeyExists(s.fileblock(), k, ref, BuildKey(record, k)), k > 3) << k;
  }
  ASSERT_TRUE(s.Read(ref).has_value());  // the data record stays
  EXPECT_EQ(Bytes(*s.Read(ref)), Bytes(record));
}

// FindAndRead reads the record found whole, a short one without the rest of a
// longer one read before, and reports a key past the end; StepAndRead wraps
// around both ends. Reads by reference fill over blank lines what a short
// record leaves, and a failed one clears the current record silently.
TEST_F(SessionTest, FindStepAndReadByReference) {
  const std::vector<QuotationRecord> records = {Quote(1), Quote(2, true), Quote(3)};
  MakeDatabase(records);
  Session& s = Open();
  int32_t ref = 0;
  EXPECT_FALSE(s.FindAndRead(1, ref, Key1(4)));
  EXPECT_EQ(
      host.messages,
      (Messages{{MessageKind::kError,
                 "IsamError: 10210 -- No key found and no larger keys available.  Location 45",
                 ""}}));
  host.messages.clear();
  const int32_t long_ref = Find(s, 2);
  ref = Find(s, 3);
  EXPECT_EQ(Bytes(s.current_record), Bytes(records[2]));
  EXPECT_EQ(s.record_length(), 506);

  std::string text = Key1(3);
  auto step = [&](bool forward, int expected) {
    SCOPED_TRACE(expected);
    ASSERT_TRUE(s.StepAndRead(1, ref, text, forward));
    EXPECT_EQ(text, Key1(expected));
    EXPECT_EQ(Bytes(s.current_record), Bytes(records[expected - 1]));
    EXPECT_EQ(s.record_length(), expected == 2 ? 933 : 506);
  };
  step(true, 1);  // past the last entry: the first
  step(true, 2);
  step(false, 1);
  step(false, 3);  // before the first entry: the last
  // With the restart flag the start position is searched afresh.
  s.SetRestart(true);
  text = Key1(1);
  step(false, 3);
  EXPECT_FALSE(s.restart());

  auto stored = s.ReadStored(ref, BlankLinesRecord());
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->length, 506u);
  EXPECT_EQ(Bytes(stored->record), Bytes(records[2]).substr(0, 506) + std::string(7 * 61, ' '));
  stored = s.ReadStored(long_ref, BlankLinesRecord());
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(Bytes(stored->record), Bytes(records[1]));

  ASSERT_TRUE(s.ReadCurrent(long_ref));
  const int32_t free_slot = s.engine().UsedSlots(s.fileblock()) + 5;
  EXPECT_FALSE(s.Read(free_slot).has_value());
  EXPECT_FALSE(s.ReadCurrent(free_slot));
  EXPECT_EQ(Bytes(s.current_record), Bytes(EmptyRecord()));
  EXPECT_EQ(s.current_ref(), long_ref);
  EXPECT_TRUE(host.messages.empty());
}

// Four slots in use need 4 * 512 + 10000 bytes; exactly that much makes the
// command do nothing more.
TEST_F(SessionTest, RebuildNeedsFreeSpaceForEverySlotInUse) {
  MakeDatabase({Quote(1), Quote(2, true), Quote(3)});
  const std::string data_before = testing::ReadFile(DataPath());
  const std::string index_before = testing::ReadFile(IndexPath());
  Session& s = Open();
  fs.free_space = 12047;
  EXPECT_FALSE(s.RebuildDataAndIndexes());
  EXPECT_EQ(host.messages,
            (Messages{{MessageKind::kWarning,
                       "Not enough free disk space to complete this operation.Free up at least "
                       "12048 of hard disk space and try again.",
                       ""}}));
  EXPECT_EQ(host.exit_codes, std::vector<int>{7});

  host.messages.clear();
  fs.free_space = 12048;
  EXPECT_FALSE(s.RebuildDataAndIndexes());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.exit_codes.size(), 1u);
  EXPECT_TRUE(host.progress_title.empty());
  s.CloseDatabase();
  EXPECT_EQ(testing::ReadFile(DataPath()), data_before);
  EXPECT_EQ(testing::ReadFile(IndexPath()), index_before);
}

// The user abandons the rebuild while the data is copied (call 30) or while
// key 3 is built (call 300): the failure is reported. Abandoned while copying,
// the data file is back as it was beside its index; abandoned while indexing,
// the open asks for a rebuild. Either way every record is there afterwards.
TEST_F(SessionTest, AbandonedRebuildIsReportedAndTheDatabaseRecovers) {
  const std::vector<QuotationRecord> records = Quotes(100);
  for (int abandon_after : {30, 300}) {
    SCOPED_TRACE(abandon_after);
    MakeDatabase(records);
    Session& s = Open();
    host.messages.clear();
    host.progress_history.clear();
    host.AbandonProgressAfter(abandon_after);
    host.SetNextAnswer(true);
    EXPECT_FALSE(s.RebuildDataAndIndexes());
    ASSERT_EQ(host.messages.size(), abandon_after == 30 ? 1u : 2u)
        << ::testing::PrintToString(host.Texts(MessageKind::kError));
    EXPECT_EQ(host.messages[0].kind, MessageKind::kError);
    EXPECT_TRUE(host.messages[0].text.starts_with("IsamError: 10460 -- Reorganization aborted.  "))
        << host.messages[0].text;
    if (abandon_after == 300) {
      EXPECT_EQ(host.messages[1], (HostMessage{MessageKind::kQuestion, kRebuildQuestion, ""}));
    }
    EXPECT_FALSE(host.progress_open);
    EXPECT_EQ(host.progress_fixed, kFixedLines);
    EXPECT_FALSE(fs.Exists(Base() + ".SAV"));
    if (abandon_after == 300) {  // passes 0 (the copy) and 1 (key 1) report at 50 and 100
      std::vector<std::pair<int, std::string>> lines;
      for (std::string pass : {"0", "1"}) {
        for (std::string read : {"50", "100"}) {
          lines.emplace_back(0, "   Key number: " + pass + " of 6");
          lines.emplace_back(1, "   Records read: " + read);
          lines.emplace_back(2, "   Records written: " + read);
        }
      }
      ASSERT_GE(host.progress_history.size(), lines.size());
      host.progress_history.resize(lines.size());
      EXPECT_EQ(host.progress_history, lines);
    }

    EXPECT_EQ(s.highest_record_number(), 100);
    ExpectRecords(s, records);
    s.current_record = Quote(101);
    EXPECT_TRUE(s.AddRecord());
    ExpectSound(101);
  }
}

}  // namespace
}  // namespace tessary::database
