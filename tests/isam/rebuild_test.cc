#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "isam/index_bytes.h"
#include "isam/verify.h"
#include "support/fault_fs.h"
#include "support/temp_dir.h"

namespace tessary::isam {
namespace {

// Records are four zero bytes (the mark of a record in use) and then
// "key1|key2|key3|payload"; key k is the k-th field.
constexpr int kLength = 64;  // head holds 58 bytes, a continuation 57
const KeyDef kKeys[] = {{8, true}, {8, true}, {8, false}};
constexpr int kKeyTotal = 3;

std::string KeyOf(std::string_view record, int key) {
  size_t start = 4;
  for (int k = 1; k < key; ++k) start = record.find('|', start) + 1;
  return std::string(record.substr(start, record.find('|', start) - start));
}

std::string Rec(const std::string& k1, const std::string& k2, const std::string& k3,
                size_t length = 20) {
  std::string r = std::string(4, '\0') + k1 + "|" + k2 + "|" + k3 + "|";
  for (size_t i = 0; r.size() < length; ++i) r.push_back(static_cast<char>('a' + i % 26));
  return r;
}

int SlotsOf(const std::string& record) {
  return record.size() <= kLength - 6
             ? 1
             : 1 + static_cast<int>((record.size() - (kLength - 6) + kLength - 8) / (kLength - 7));
}

std::vector<std::pair<std::string, int32_t>> Entries(Engine& engine, Fileblock* fb, int key) {
  std::vector<std::pair<std::string, int32_t>> out;
  engine.ClearKey(fb, key);
  int32_t ref = 0;
  std::string text;
  while (true) {
    engine.NextKey(fb, key, ref, text);
    if (!engine.EngineOk()) break;
    out.emplace_back(text, ref);
  }
  return out;
}

std::string ReadRecord(Engine& engine, Fileblock* fb, int32_t ref) {
  std::string buffer(70000, '\0');
  size_t length = buffer.size();
  engine.GetVarRecord(fb, ref, buffer.data(), length);
  EXPECT_TRUE(engine.EngineOk()) << "ref " << ref << ": " << engine.EngineError();
  buffer.resize(length);
  return buffer;
}

class RebuildTest : public ::testing::Test {
 protected:
  RebuildTest() { engine.InitEngine(30); }
  ~RebuildTest() override {
    engine.SetProgressCallback(nullptr);
    engine.ExitEngine();
  }

  std::string Base() const { return dir.File("rb"); }
  std::string Path(const char* extension) const { return Base() + extension; }
  bool Exists(const char* extension) { return platform::PosixFileSystem().Exists(Path(extension)); }

  // A fresh Fileblock holding `records` in data slots only (no keys); the
  // refs they received.
  std::vector<int32_t> MakeData(const std::vector<std::string>& records) {
    engine.MakeFileblock(Base(), kLength, kKeyTotal, kKeys);
    EXPECT_TRUE(engine.EngineOk()) << engine.EngineError();
    Fileblock* fb = engine.OpenFileblock(Base());
    EXPECT_TRUE(engine.EngineOk()) << engine.EngineError();
    std::vector<int32_t> refs;
    for (const std::string& r : records) {
      refs.push_back(engine.AddVarRecord(fb, r.data(), r.size()));
      EXPECT_TRUE(engine.EngineOk()) << engine.EngineError();
    }
    engine.CloseFileblock(fb);
    EXPECT_TRUE(engine.EngineOk()) << engine.EngineError();
    return refs;
  }

  bool Reindex(Engine& e, bool delete_bad, bool* message_written = nullptr) {
    RebuildOptions options;
    options.bad_records = delete_bad ? BadRecords::kDelete : BadRecords::kKeep;
    bool written = e.ReindexFileblock(Base(), kKeys, KeyOf, options);
    if (message_written) *message_written = written;
    return e.EngineOk();
  }
  // Copies every record but those whose key 1 is `drop`.
  bool Reorganize(Engine& e, const RebuildOptions& options = {}, std::string drop = "") {
    e.ReorganizeFileblock(
        Base(), {kLength, kLength}, kKeys,
        [&](std::string_view old_record, std::string& new_record) {
          new_record.assign(old_record);
          return KeyOf(old_record, 1) != drop;
        },
        options);
    return e.EngineOk();
  }

  VerifyReport VerifyFiles() {
    VerifyOptions options;
    options.key_builder = KeyOf;
    return Verify(platform::PosixFileSystem(), Base(), options);
  }

  testing::TempDir dir;
  Engine engine;
};

// In key 3, which allows no duplicates, the second record with "X" is
// reported; with the delete flag it goes together with its entries in keys
// 1 and 2.
TEST_F(RebuildTest, ReindexReportsDuplicatesOfAUniqueKey) {
  const std::string r1 = Rec("AAA", "P", "X");
  const std::string r2 = Rec("BBB", "Q", "X", 150);  // head and two continuations
  const std::string r3 = Rec("CCC", "R", "Y");
  for (bool delete_bad : {true, false}) {
    SCOPED_TRACE(delete_bad);
    std::remove(Path(".DAT").c_str());
    std::vector<int32_t> refs = MakeData({r1, r2, r3});
    testing::WriteFile(Path(".MSG"), "an old message file that is replaced\r\n");
    bool message_written = false;
    ASSERT_TRUE(Reindex(engine, delete_bad, &message_written)) << engine.EngineError();
    EXPECT_TRUE(message_written);
    const std::string ref2 = std::to_string(refs[1]);
    std::string expected = "Key:<X> KeyNr: 3 Ref: " + ref2 + " not added\r\n";
    if (delete_bad) expected += "Data record deleted - Dump follows\r\n" + r2 + "\r\n\r\n";
    EXPECT_EQ(testing::ReadFile(Path(".MSG")), expected);

    Fileblock* fb = engine.OpenFileblock(Base());
    ASSERT_TRUE(engine.EngineOk()) << engine.EngineError();
    using E = std::vector<std::pair<std::string, int32_t>>;
    EXPECT_EQ(Entries(engine, fb, 3), (E{{"X", refs[0]}, {"Y", refs[2]}}));
    E key1{{"AAA", refs[0]}, {"BBB", refs[1]}, {"CCC", refs[2]}};
    E key2{{"P", refs[0]}, {"Q", refs[1]}, {"R", refs[2]}};
    if (delete_bad) {
      key1.erase(key1.begin() + 1);
      key2.erase(key2.begin() + 1);
    } else {
      EXPECT_EQ(ReadRecord(engine, fb, refs[1]), r2);
    }
    EXPECT_EQ(Entries(engine, fb, 1), key1);
    EXPECT_EQ(Entries(engine, fb, 2), key2);
    EXPECT_EQ(engine.UsedSlots(fb), delete_bad ? 2 : 5);
    EXPECT_EQ(engine.FreeSlots(fb), delete_bad ? 3 : 0);
    engine.CloseFileblock(fb);
    VerifyReport report = VerifyFiles();
    EXPECT_EQ(report.sound(), delete_bad) << ::testing::PrintToString(report.findings);
  }
}

TEST_F(RebuildTest, ReindexOfHeaderOnlyDataFileGivesEmptyIndexAndNoMessageFile) {
  MakeData({});
  std::remove(Path(".IX").c_str());
  bool message_written = true;
  ASSERT_TRUE(Reindex(engine, true, &message_written)) << engine.EngineError();
  EXPECT_FALSE(message_written);
  EXPECT_FALSE(Exists(".MSG"));
  VerifyReport report = VerifyFiles();
  EXPECT_TRUE(report.sound()) << ::testing::PrintToString(report.findings);
  EXPECT_EQ(report.entries, std::vector<int32_t>(kKeyTotal, 0));
}

// Without a data (or save) file there is nothing to rebuild; each damage to
// the data file's size or header is refused before any file changes.
TEST_F(RebuildTest, MissingOrInconsistentDataFileIsRefusedAndLeftAlone) {
  EXPECT_FALSE(Reorganize(engine));
  EXPECT_EQ(engine.EngineError(), kErrDataFileNotFound);
  std::vector<int32_t> refs = MakeData({Rec("A", "B", "C"), Rec("D", "E", "F", 100)});
  ASSERT_TRUE(Reindex(engine, true));
  const std::string data = testing::ReadFile(Path(".DAT"));
  const std::string index = testing::ReadFile(Path(".IX"));
  auto put_i32 = [](std::string d, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return d;
  };
  const std::vector<std::pair<const char*, std::string>> damages = {
      {"size not a multiple", data + std::string(10, 'x')},
      {"a slot more than SlotCount", data + std::string(kLength, '\0')},
      {"SlotCount too large", put_i32(data, 8, 5)},
      {"RecordLength 0", put_i32(data, 12, 0)},
      {"FirstFree names a used slot", put_i32(put_i32(data, 0, refs[0]), 4, 1)},
      {"FirstFree beyond the file", put_i32(put_i32(data, 0, 9), 4, 1)},
      {"FirstFree below 1", put_i32(put_i32(data, 0, 0), 4, 1)},
  };
  for (const auto& [name, damaged] : damages) {
    SCOPED_TRACE(name);
    testing::WriteFile(Path(".DAT"), damaged);
    testing::WriteFile(Path(".IX"), index);
    EXPECT_FALSE(Reindex(engine, true));
    EXPECT_EQ(engine.EngineError(), kErrReindexInconsistent);
    EXPECT_EQ(testing::ReadFile(Path(".DAT")), damaged);
    EXPECT_EQ(testing::ReadFile(Path(".IX")), index);
    EXPECT_FALSE(Exists(".MSG"));
  }
}

// Old slot order: B (head after its continuations), F (in C's freed slot),
// D, E. The new file holds them without gaps, each head followed by its
// continuations, and drops what the converter rejects.
TEST_F(RebuildTest, ReorganizeCompactsInOldSlotOrder) {
  engine.MakeFileblock(Base(), kLength, kKeyTotal, kKeys);
  Fileblock* fb = engine.OpenFileblock(Base());
  ASSERT_TRUE(engine.EngineOk());
  std::vector<std::pair<int32_t, std::string>> kept;
  auto add = [&](const std::string& r, bool keep = true) {
    int32_t ref = engine.AddVarRecord(fb, r.data(), r.size());
    if (keep) kept.emplace_back(ref, r);
    return ref;
  };
  int32_t ref_a = add(Rec("A", "a", "1"), false);
  add(Rec("B", "b", "2", 150));
  int32_t ref_c = add(Rec("C", "c", "3"), false);
  add(Rec("D", "d", "4", 100));
  add(Rec("E", "e", "5"));
  add(Rec("G", "g", "7", 70), false);  // the converter drops it
  engine.DeleteVarRecord(fb, ref_a);
  engine.DeleteVarRecord(fb, ref_c);
  add(Rec("F", "f", "6"));
  ASSERT_GT(engine.FreeSlots(fb), 0);
  engine.CloseFileblock(fb);
  std::sort(kept.begin(), kept.end());

  std::vector<std::string> hooked_in, hooked_out;
  RebuildOptions options;
  options.hook = [&](std::string_view record, bool as_read) {
    (as_read ? hooked_in : hooked_out).emplace_back(record);
  };
  ASSERT_TRUE(Reorganize(engine, options, "G")) << engine.EngineError();
  EXPECT_FALSE(Exists(".SAV"));
  EXPECT_EQ(hooked_in.size(), kept.size() + 1);
  EXPECT_EQ(hooked_out.size(), kept.size());

  ASSERT_TRUE(Reindex(engine, true));
  fb = engine.OpenFileblock(Base());
  int32_t slots = 0;
  for (const auto& [old_ref, record] : kept) slots += SlotsOf(record);
  EXPECT_EQ(engine.FreeSlots(fb), 0);
  EXPECT_EQ(engine.UsedSlots(fb), slots);
  const std::string file = testing::ReadFile(Path(".DAT"));
  ASSERT_EQ(file.size(), static_cast<size_t>((slots + 1) * kLength));
  auto next_of = [&](int32_t slot) { return isam::bytes::I32(file, (slot + 1) * kLength - 4); };
  int32_t ref = 1;
  for (const auto& [old_ref, record] : kept) {
    SCOPED_TRACE(KeyOf(record, 1));
    EXPECT_EQ(ReadRecord(engine, fb, ref), record);
    for (int i = 1; i < SlotsOf(record); ++i) {
      EXPECT_EQ(next_of(ref + i - 1), ref + i);
      EXPECT_EQ(file[(ref + i) * kLength], 1);  // continuation mark
    }
    EXPECT_EQ(next_of(ref + SlotsOf(record) - 1), 0);
    ref += SlotsOf(record);
  }
  engine.CloseFileblock(fb);
  VerifyReport report = VerifyFiles();
  EXPECT_TRUE(report.sound()) << ::testing::PrintToString(report.findings);
}

class ProgressTest : public RebuildTest {
 protected:
  void SetUp() override {
    for (int i = 0; i < 5; ++i) {
      records.push_back(Rec(std::string(1, static_cast<char>('A' + i)), "k", std::to_string(i),
                            i % 2 == 0 ? 20 : 130));
    }
    MakeData(records);
    ASSERT_TRUE(Reindex(engine, true));
    data = testing::ReadFile(Path(".DAT"));
    index = testing::ReadFile(Path(".IX"));
  }
  void RestoreFiles() {
    testing::WriteFile(Path(".DAT"), data);
    testing::WriteFile(Path(".IX"), index);
  }

  std::vector<std::string> records;
  std::string data;
  std::string index;
};

// The callback is called once per record in every pass, in slot order, with
// the record. One that fails the status stops the run at that record: a
// reorganisation puts the data file back as it was; a reindex leaves the
// Fileblock marked for another rebuild, which then succeeds.
TEST_F(ProgressTest, CalledOncePerRecordAndStopsTheRunAtAnyRecord) {
  for (int stop_pass = 0; stop_pass <= kKeyTotal; ++stop_pass) {
    for (int32_t stop_at = 1; stop_at <= 5; ++stop_at) {
      SCOPED_TRACE(::testing::Message() << "pass " << stop_pass << " record " << stop_at);
      RestoreFiles();
      const int first_pass = stop_pass == 0 ? 0 : 1;  // a reindex starts at pass 1
      int calls = 0;
      int calls_after_stop = 0;
      bool stopped = false;
      engine.SetProgressCallback(
          [&](int pass, int32_t read, int32_t written, int length, std::string_view record) {
            if (stopped) ++calls_after_stop;
            EXPECT_EQ((pass - first_pass) * 5 + read, ++calls);
            EXPECT_EQ(written, read);
            EXPECT_EQ(length, kLength);
            EXPECT_EQ(record, records[static_cast<size_t>(read - 1)]);
            if (pass == stop_pass && read == stop_at) {
              stopped = true;
              engine.SetError(1);
            }
          });
      if (stop_pass == 0) {
        EXPECT_FALSE(Reorganize(engine));
        EXPECT_EQ(engine.EngineError(), kErrAborted);
        EXPECT_EQ(testing::ReadFile(Path(".DAT")), data);
        EXPECT_FALSE(Exists(".SAV"));
      } else {
        EXPECT_FALSE(Reindex(engine, true));
        EXPECT_EQ(engine.EngineError(), kErrAborted);
        engine.OpenFileblock(Base());
        EXPECT_EQ(engine.EngineError(), kErrIndexDefect);
        engine.SetProgressCallback(nullptr);
        ASSERT_TRUE(Reindex(engine, true));
        EXPECT_TRUE(VerifyFiles().sound());
      }
      EXPECT_EQ(calls_after_stop, 0);
      EXPECT_EQ(calls, (stop_pass - first_pass) * 5 + stop_at);
      engine.SetProgressCallback(nullptr);
    }
  }
}

// A write failing at every position in turn (once, or from there on): until
// the run gets through, each failure leaves the data file's bytes where they
// were and no save copy behind.
TEST_F(ProgressTest, FailedReorganisationLeavesTheDataFileAsItWas) {
  for (int count : {1, -1}) {
    SCOPED_TRACE(count);
    bool succeeded = false;
    int failures = 0;
    for (int n = 0; n < 500 && !succeeded; ++n) {
      SCOPED_TRACE(n);
      RestoreFiles();
      testing::FaultFileSystem faulty(platform::PosixFileSystem());
      faulty.FailCall(testing::FaultFileSystem::Call::kWriteAt, ENOSPC, n, count);
      Engine e(faulty);
      e.InitEngine(30);
      succeeded = Reorganize(e);
      if (!succeeded) {
        ++failures;
        EXPECT_NE(e.EngineError(), 0);
        EXPECT_EQ(testing::ReadFile(Path(".DAT")), data);
        EXPECT_FALSE(Exists(".SAV"));
      }
      e.ExitEngine();
    }
    ASSERT_TRUE(succeeded);
    EXPECT_GE(failures, 2);
    EXPECT_FALSE(Exists(".SAV"));
    ASSERT_TRUE(Reindex(engine, true));
    VerifyReport report = VerifyFiles();
    EXPECT_TRUE(report.sound()) << ::testing::PrintToString(report.findings);
    EXPECT_EQ(report.records, 5);
  }
}

}  // namespace
}  // namespace tessary::isam
