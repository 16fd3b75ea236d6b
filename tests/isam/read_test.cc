// Reading Fileblocks assembled byte by byte: variable-length record chains,
// used-slot scans, key walks over hand-built pages, header validation on open,
// and damaged chains that must give errors rather than crashes or hangs.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "isam/engine.h"
#include "isam/index_bytes.h"
#include "isam/verify.h"
#include "support/fileblock_builder.h"
#include "support/temp_dir.h"

namespace tessary::isam {
namespace {

using testing::BuildIndexFile;
using testing::DataFileBuilder;
using testing::FixtureKey;
using testing::TempDir;
using testing::WriteFile;
using testing::WriteFileblock;

// `n` record bytes: 4 zero bytes (a used record), then a pattern that differs
// from slot to slot so a misplaced piece shows.
std::string Pattern(size_t n, int seed) {
  std::string bytes(n, '\0');
  for (size_t i = 4; i < n; ++i) bytes[i] = static_cast<char>((i * 7 + seed * 13) % 251 + 1);
  return bytes;
}

class OpenFixture {
 public:
  OpenFixture() { engine_.InitEngine(30); }
  ~OpenFixture() {
    if (fb_) engine_.CloseFileblock(fb_);
  }
  // Opens `base`; the error number (0 on success).
  int Open(const std::string& base, bool read_only = true) {
    fb_ = engine_.OpenFileblock(base, read_only ? Access::kReadOnly : Access::kReadWrite);
    if (!engine_.EngineOk()) fb_ = nullptr;
    return engine_.EngineError();
  }
  Engine& engine() { return engine_; }
  Fileblock* fb() { return fb_; }

  // The record at `ref` read with a buffer of `size` bytes.
  std::string Read(int32_t ref, size_t size = kMaxVarRecord) {
    std::string buffer(size, '\xEE');
    size_t length = size;
    engine_.GetVarRecord(fb_, ref, buffer.data(), length);
    buffer.resize(engine_.EngineOk() ? length : 0);
    return buffer;
  }

  // The refs NextUsedSlot (or PrevUsedSlot) finds from `from` on.
  std::vector<int32_t> UsedSlots(bool forward, int32_t from = 0) {
    std::vector<int32_t> refs;
    for (int32_t ref = from;;) {
      forward ? engine_.NextUsedSlot(fb_, ref) : engine_.PrevUsedSlot(fb_, ref);
      if (!engine_.EngineOk()) break;
      refs.push_back(ref);
    }
    EXPECT_EQ(engine_.EngineError(), kErrNoMatchingReference);
    return refs;
  }

  using Entries = std::vector<std::pair<std::string, int32_t>>;
  Entries Walk(int key) {
    Entries entries;
    engine_.ClearKey(fb_, key);
    int32_t ref = 0;
    std::string text;
    for (engine_.NextKey(fb_, key, ref, text); engine_.EngineOk();
         engine_.NextKey(fb_, key, ref, text)) {
      entries.emplace_back(text, ref);
    }
    EXPECT_EQ(engine_.EngineError(), kErrNoLargerKey);
    return entries;
  }

 private:
  Engine engine_;
  Fileblock* fb_ = nullptr;
};

TEST(ReadVarRecord, ChainsOfEveryLengthReadBackWhole) {
  TempDir dir;
  DataFileBuilder data(512);
  const std::string r506 = Pattern(506, 1);
  const std::string r933 = Pattern(933, 2);
  const std::string r507 = Pattern(507, 3);
  const std::string r2000 = Pattern(2000, 4);
  // Heads at 1, 4, 6 and 10: 506 bytes fill one head, 507 bytes put 1 byte
  // into a continuation slot, 2000 bytes need three; slot 2 is freed.
  int32_t head506 = data.AddRecord(r506);
  data.FreeSlots({data.AddRecord(Pattern(506, 5))});
  int32_t head933 = data.AddRecord(r933);
  int32_t head507 = data.AddRecord(r507);
  int32_t head2000 = data.AddRecord(r2000);
  WriteFileblock(dir.File("fb"), data.Bytes(), std::nullopt);
  OpenFixture fx;
  ASSERT_EQ(fx.Open(dir.File("fb")), 0);
  // A short buffer takes only the front of the record.
  for (size_t size : {kMaxVarRecord, size_t{100}, size_t{506}, size_t{507}, size_t{1500}}) {
    EXPECT_EQ(fx.Read(head506, size), r506.substr(0, size));
    EXPECT_EQ(fx.Read(head933, size), r933.substr(0, size));
    EXPECT_EQ(fx.Read(head507, size), r507.substr(0, size));
    EXPECT_EQ(fx.Read(head2000, size), r2000.substr(0, size));
  }

  // Heads only: continuation slots and the freed slot are passed over.
  EXPECT_EQ(fx.UsedSlots(true), (std::vector<int32_t>{1, 4, 6, 10}));
  EXPECT_EQ(fx.UsedSlots(false, 11), (std::vector<int32_t>{10, 6, 4, 1}));
  // A ref outside the slots is an error.
  for (int32_t ref : {0, -1, 11, 1000}) {
    EXPECT_EQ(fx.Read(ref, 933), "") << ref;
    EXPECT_FALSE(fx.engine().EngineOk()) << ref;
  }

  const DataHeader h = fx.engine().Describe(fx.fb()).data;
  EXPECT_EQ((std::vector<int32_t>{h.first_free, h.free_count, h.slot_count, h.record_length,
                                  h.key_count}),
            (std::vector<int32_t>{2, 1, 10, 512, 0}));
}

TEST(ReadVarRecord, DamagedChainsFailWithoutCrashOrHang) {
  // The record at slot 3 is a head linking to continuation 2 (505 bytes),
  // which links to continuation 1 (100 bytes); slot 4 is a head on its own.
  // Each case writes `count` and `next` into slot `slot`'s trailer.
  const struct {
    const char* name;
    int32_t ref;
    bool must_fail;  // else it need not fail, but must stay within the buffer
    int32_t slot;
    uint16_t count;
    int32_t next;
  } cases[] = {
      {"partial continuation linking to itself", 3, true, 2, 100, 2},
      {"empty continuation linking to itself", 3, true, 2, 0, 2},
      {"full continuation linking to itself", 3, false, 2, 505, 2},
      {"two continuations in a loop", 3, false, 1, 505, 2},
      {"head linking to itself", 4, false, 4, 506, 4},
      {"link beyond SlotCount", 3, true, 2, 505, 99},
      {"negative link", 4, true, 4, 506, -7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    DataFileBuilder data(512);
    ASSERT_EQ(data.AddRecord(Pattern(506 + 505 + 100, 1)), 3);
    data.NewSlot();
    data.SetHead(4, Pattern(506, 2), 0);
    data.SetTrailer(c.slot, c.count, c.next);
    WriteFileblock(dir.File("fb"), data.Bytes(), std::nullopt);

    OpenFixture fx;
    ASSERT_EQ(fx.Open(dir.File("fb")), 0);
    std::string buffer(kMaxVarRecord + 64, '\xEE');
    size_t length = kMaxVarRecord;
    fx.engine().GetVarRecord(fx.fb(), c.ref, buffer.data(), length);
    if (c.must_fail) {
      EXPECT_FALSE(fx.engine().EngineOk());
    } else if (fx.engine().EngineOk()) {
      EXPECT_LE(length, kMaxVarRecord);
    }
    EXPECT_EQ(buffer.substr(kMaxVarRecord), std::string(64, '\xEE'));
    EXPECT_FALSE(Verify(platform::PosixFileSystem(), dir.File("fb")).sound());
  }
}

// A data file and index file pair, written unless left out.
struct Files {
  DataFileBuilder data{512, 2};
  std::vector<FixtureKey> keys = {FixtureKey(6, true), FixtureKey(30, false)};
  bool write_data = true;
  bool write_index = true;
};

TEST(OpenValidation, EachDamagedHeaderHasItsOwnNumber) {
  const struct {
    const char* name;
    int expected;
    void (*damage)(Files&);
  } cases[] = {
      {"sound", 0, [](Files&) {}},
      {"data file missing", kErrFileNotFound, [](Files& f) { f.write_data = false; }},
      {"index file missing", kErrIndexDefect, [](Files& f) { f.write_index = false; }},
      {"KeyCount 101", kErrTooManyKeys, [](Files& f) { f.data.key_count = 101; }},
      {"KeyCount with 101 in its low byte", kErrTooManyKeys,
       [](Files& f) { f.data.key_count = 0x0765; }},
      {"KeyCount 2 in the low byte of 0x102", 0, [](Files& f) { f.data.key_count = 0x102; }},
      {"InUse set", kErrIndexDefect, [](Files& f) { f.data.in_use = 1; }},
      {"PageSize 63", kErrMaxPageSizeTooSmall,
       [](Files& f) {
         f.keys[0].page_size = 63;
         f.keys[0].page_bytes = (6 + 9) * 62 + 6;
       }},
      {"PageSize 65535 in key 2", kErrMaxPageSizeTooSmall,
       [](Files& f) {
         f.keys[1].page_size = 65535;
         f.keys[1].page_bytes = (30 + 9) * 62 + 6;
       }},
      {"PageBytes one too many", kErrPageSizeIncompatible,
       [](Files& f) { f.keys[0].page_bytes = 937; }},
      {"PageBytes 0", kErrPageSizeIncompatible, [](Files& f) { f.keys[1].page_bytes = 0; }},
      {"PageBytes INT32_MAX", kErrPageSizeIncompatible,
       [](Files& f) { f.keys[1].page_bytes = INT32_MAX; }},
      {"PageBytes INT32_MIN", kErrPageSizeIncompatible,
       [](Files& f) { f.keys[0].page_bytes = INT32_MIN; }},
      {"PageBytes of KeyLen 31", kErrMaxKeyLenTooSmall,
       [](Files& f) { f.keys[1].page_bytes = 2486; }},
      {"PageBytes of KeyLen 0", kErrMaxKeyLenTooSmall,
       [](Files& f) { f.keys[0].page_bytes = 564; }},
      {"PageBytes 6, a negative KeyLen", kErrMaxKeyLenTooSmall,
       [](Files& f) { f.keys[0].page_bytes = 6; }},
      {"PageSize 0 reads as 62", 0, [](Files& f) { f.keys[0].page_size = 0; }},
      {"PageSize 31 with matching PageBytes", 0, [](Files& f) { f.keys[1].page_size = 31; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    Files files;
    files.data.AddRecord(Pattern(506, 1));
    files.keys[0].pages[1] = {0, {{1, "     1"}}};
    files.keys[0].root_page = 1;
    files.keys[1].pages[1] = {0, {{1, "SMITH"}}};
    files.keys[1].root_page = 1;
    c.damage(files);
    if (files.write_data) WriteFile(dir.File("fb.DAT"), files.data.Bytes());
    if (files.write_index) WriteFile(dir.File("fb.IX"), BuildIndexFile(files.keys));

    for (bool read_only : {true, false}) {
      OpenFixture fx;
      EXPECT_EQ(fx.Open(dir.File("fb"), read_only), c.expected) << "read-only " << read_only;
      if (c.expected != 0 || fx.fb() == nullptr) continue;
      // Both keys are read through the geometry the headers give.
      EXPECT_EQ(fx.Walk(1), (OpenFixture::Entries{{"     1", 1}}));
      EXPECT_EQ(fx.Walk(2), (OpenFixture::Entries{{"SMITH", 1}}));
      EXPECT_EQ(fx.engine().Describe(fx.fb()).key_lengths, (std::vector<int>{6, 30}));
    }
  }
}

// Slots 3 and 1 are free (3 -> 1). A chain whose links leave the file is
// refused when a slot is taken, and flagged for a rebuild with the header
// otherwise as it was; every damage shows in Verify.
TEST(FreeChainDamage, VerifyFindsItAndAllocationRefusesLinksOutOfTheFile) {
  const struct {
    const char* name;
    bool refused;
    void (*damage)(DataFileBuilder&);
  } cases[] = {
      {"a free slot with the link 0", true, [](DataFileBuilder& d) { d.SetLink(3, 0); }},
      {"a link beyond SlotCount", true, [](DataFileBuilder& d) { d.SetLink(3, 40); }},
      {"a cycle", false, [](DataFileBuilder& d) { d.SetLink(1, 3); }},
      {"FreeCount too large", false, [](DataFileBuilder& d) { d.free_count = 3; }},
      {"FirstFree naming a record", false, [](DataFileBuilder& d) { d.first_free = 2; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    DataFileBuilder data(512);
    for (int i = 0; i < 4; ++i) data.AddRecord(Pattern(506, i));
    data.FreeSlots({3, 1});
    c.damage(data);
    WriteFileblock(dir.File("fb"), data.Bytes(), std::nullopt);
    VerifyReport report = Verify(platform::PosixFileSystem(), dir.File("fb"));
    EXPECT_EQ(report.open_error, 0);
    EXPECT_FALSE(report.findings.empty());
    if (!c.refused) continue;
    {
      OpenFixture fx;
      ASSERT_EQ(fx.Open(dir.File("fb"), false), 0);
      std::string record = Pattern(506, 9);
      fx.engine().AddVarRecord(fx.fb(), record.data(), record.size());
      EXPECT_EQ(fx.engine().EngineError(), kErrConsistency);
    }
    OpenFixture reopened;
    EXPECT_EQ(reopened.Open(dir.File("fb")), kErrIndexDefect);
    EXPECT_EQ(bytes::ReadDataHead(testing::ReadFile(dir.File("fb.DAT"))),
              (bytes::DataHead{3, 2, 4, 512, 0, 1}));
  }
}

}  // namespace
}  // namespace tessary::isam
