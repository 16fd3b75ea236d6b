// Tree shapes after splits, redistribution, merges and borrows, read back from
// the index file's bytes; plus the cursor, slot and relative-position rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "isam/index_bytes.h"
#include "support/temp_dir.h"

namespace tessary::isam {
namespace {

using bytes::KeyHead;
using bytes::PageBytes;
using Head = std::vector<int32_t>;

std::string Text(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%05d", v);
  return buf;
}

// from, from + step, ..., to
std::vector<int> Range(int from, int to, int step) {
  std::vector<int> out;
  for (int v = from; v <= to; v += step) out.push_back(v);
  return out;
}

std::vector<int> Cat(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// f(from), f(from + step), ... up to `to` never decrease and stay within 0..max.
template <class F>
void ExpectRising(int from, int to, int step, int max, F f) {
  int last = 0;
  for (int v = from; v <= to; v += step) {
    int got = f(v);
    ASSERT_GE(got, last) << v;
    ASSERT_LE(got, max) << v;
    last = got;
  }
}

// Two keys: key 1 (length 3) stays empty, key 2 (length 7, no duplicates)
// holds the tree under test, entry v as (Text(v), v), so every page sits
// behind key 1's stretch.
class BtreeShape : public ::testing::Test {
 protected:
  static constexpr int kLen1 = 3;
  static constexpr int kLen2 = 7;
  const size_t key2_offset_ = bytes::PageBytesOf(kLen1);
  const size_t row_bytes_ = bytes::PageBytesOf(kLen1) + bytes::PageBytesOf(kLen2);

  void SetUp() override {
    engine_.InitEngine(30);
    Create();
  }
  // A new empty Fileblock, open.
  void Create() {
    if (fb_ != nullptr) engine_.CloseFileblock(fb_);
    KeyDef keys[] = {{kLen1, false}, {kLen2, false}};
    engine_.MakeFileblock(base_, 64, 2, keys);
    fb_ = engine_.OpenFileblock(base_);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError();
  }
  void TearDown() override {
    if (fb_ != nullptr) engine_.CloseFileblock(fb_);
  }

  void AddAll(const std::vector<int>& values) {
    for (int v : values) {
      engine_.AddKey(fb_, 2, v, Text(v));
      ASSERT_TRUE(engine_.EngineOk()) << "add " << v << ": " << engine_.EngineError();
    }
  }
  void Delete(int v) {
    engine_.DeleteKey(fb_, 2, v, Text(v));
    ASSERT_TRUE(engine_.EngineOk()) << "delete " << v << ": " << engine_.EngineError();
  }

  // Closes the Fileblock so every page reaches the file, reads the index, and
  // opens the Fileblock again.
  void Snap() {
    engine_.CloseFileblock(fb_);
    ix_ = testing::ReadFile(dir_.File("t.IX"));
    fb_ = engine_.OpenFileblock(base_);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError();
  }
  // Key 2's RootPage, PageCount, EntryCount, FirstFreePage and FreePageCount.
  Head HeadOf() const {
    KeyHead h = bytes::ReadKeyHead(ix_, key2_offset_);
    return {h.root_page, h.page_count, h.entry_count, h.first_free_page, h.free_page_count};
  }
  PageBytes Page(int32_t p) const {
    return bytes::ReadPage(ix_, row_bytes_, key2_offset_, kLen2, p);
  }
  // Page p as its left child, then each key and its right child.
  std::vector<int> Node(int32_t p) const {
    std::vector<int> out{Page(p).left_child};
    for (const auto& item : Page(p).items) {
      EXPECT_EQ(item.ref, std::stoi(item.key)) << "page " << p;
      out.insert(out.end(), {std::stoi(item.key), item.right_child});
    }
    return out;
  }
  // The keys of leaf p, whose child links must all be 0.
  std::vector<int> Leaf(int32_t p) const {
    std::vector<int> node = Node(p);
    std::vector<int> keys;
    EXPECT_EQ(node[0], 0) << "page " << p;
    for (size_t i = 1; i < node.size(); i += 2) {
      EXPECT_EQ(node[i + 1], 0) << "page " << p;
      keys.push_back(node[i]);
    }
    return keys;
  }

  testing::TempDir dir_;
  std::string base_ = dir_.File("t");
  Engine engine_;
  Fileblock* fb_ = nullptr;
  std::string ix_;
  int32_t ref_ = 0;
  std::string text_;
};

// 100, 200, ..., 6300: the 63rd entry splits the root; page 1 keeps 100..3100,
// page 2 gets 3300..6300 and the new root page 3 holds 3200. Then page 1 is
// filled to 62 with 150..3150 and page 2 with 6400..9400; adding 10 overflows
// page 1 while its right sibling is full, so page 1 splits: it keeps 10 and
// 100..1550, 1600 moves up, new page 4 gets 1650..3150.
const std::vector<int> kTwoLeaves = Range(100, 6300, 100);
const std::vector<int> kBothFull = Cat({kTwoLeaves, Range(150, 3150, 100), Range(6400, 9400, 100)});
const std::vector<int> kThreeLeaves = Cat({kBothFull, {10}});

// Adds, then deletes, then the state of key 2's tree.
struct Step {
  std::vector<int> add, del;
  Head head;
  std::vector<int> root = {};                       // as Node(); empty: not checked
  std::map<int32_t, std::vector<int>> leaves = {};  // page -> keys
  std::map<int32_t, int32_t> free_links = {};       // page -> next free page
  size_t rows = 0;                                  // the index file's rows; 0: not checked
};

TEST_F(BtreeShape, SplitsPassesMergesAndBorrowsShapeThePages) {
  const struct {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      // clang-format off
      {"the 63rd entry splits the root into two leaves of 31",
       {{Range(1, 62, 1), {}, {1, 1, 62, -1, 0}, {}, {{1, Range(1, 62, 1)}}, {}, 2},
        {{63}, {}, {3, 3, 63, -1, 0}, {1, 32, 2},
         {{1, Range(1, 31, 1)}, {2, Range(33, 63, 1)}}, {}, 4}}},
      // 62 + 40 + 1 = 103 items: the overflowing page keeps 52, its sibling
      // gets 51 and the 53rd item becomes the separator. A full leaf passes
      // items to its right sibling; the full last child to its left one.
      {"a full leaf passes items right",
       {{Cat({kTwoLeaves, Range(150, 3150, 100), Range(6400, 7200, 100), {10}}), {},
         {3, 3, 104, -1, 0}, {1, 2650, 2},
         {{1, Cat({{10}, Range(100, 2600, 50)})},
          {2, Cat({Range(2700, 3150, 50), {3200}, Range(3300, 7200, 100)})}}, {}, 4}}},
      {"the last child passes items left",
       {{Cat({kTwoLeaves, Range(10, 90, 10), Range(3350, 6350, 100), {9999}}), {},
         {3, 3, 104, -1, 0}, {1, 3800, 2},
         {{1, Cat({Range(10, 90, 10), Range(100, 3100, 100), {3200}, Range(3300, 3750, 50)})},
          {2, Cat({Range(3850, 6350, 50), {9999}})}}, {}, 4}}},
      // Deleting 10 again leaves two pages of 31 that merge; the freed page is
      // the next one allocated.
      {"split beside a full sibling, merge of 31 and 31, reuse",
       {{kBothFull, {}, {3, 3, 125, -1, 0}, {}, {}, {}, 4},
        {{10}, {}, {3, 4, 126, -1, 0}, {1, 1600, 4, 3200, 2},
         {{1, Cat({{10}, Range(100, 1550, 50)})}, {4, Range(1650, 3150, 50)},
          {2, Range(3300, 9400, 100)}}, {}, 5},
        {{}, {10}, {3, 4, 125, 4, 1}, {1, 3200, 2}, {{1, Range(100, 3150, 50)}}, {{4, -1}}},
        {{10}, {}, {3, 4, 126, -1, 0}, {}, {{4, Range(1650, 3150, 50)}}}}},
      {"an underflow borrows one item from a sibling of 33",
       {{Cat({kThreeLeaves, {1675, 1725}}), {10}, {3, 4, 127, -1, 0}, {1, 1650, 4, 3200, 2},
         {{1, Cat({Range(100, 1550, 50), {1600}})},
          {4, Cat({{1675, 1700, 1725}, Range(1750, 3150, 50)})}}}}},
      // 3200 gives way to 3150, the last entry of page 4; page 4 then
      // underflows and borrows (62 - 31 + 1) div 2 = 16 from page 2.
      {"an inner entry is replaced by its predecessor",
       {{kThreeLeaves, {3200}, {3, 4, 125, -1, 0}, {1, 1600, 4, 4800, 2},
         {{4, Cat({Range(1650, 3150, 50), Range(3300, 4700, 100)})},
          {2, Range(4900, 9400, 100)}}}}},
      // Deleting 1 merges page 1 with page 2 and leaves the root with no item;
      // the emptied tree frees every page.
      {"the root collapses and an emptied tree frees every page",
       {{Range(1, 63, 1), {1}, {1, 3, 62, 3, 2}, {}, {{1, Range(2, 63, 1)}}, {{3, 2}, {2, -1}}},
        {{}, Range(2, 63, 1), {0, 3, 0, 1, 3}, {}, {}, {{1, 3}}},
        {{7}, {}, {1, 3, 1, 3, 2}, {}, {{1, {7}}}}}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(Create());
    for (const Step& s : c.steps) {
      ASSERT_NO_FATAL_FAILURE(AddAll(s.add));
      for (int v : s.del) ASSERT_NO_FATAL_FAILURE(Delete(v));
      ASSERT_NO_FATAL_FAILURE(Snap());
      EXPECT_EQ(HeadOf(), s.head);
      if (s.rows != 0) {
        EXPECT_EQ(ix_.size(), s.rows * row_bytes_);
      }
      if (!s.root.empty()) {
        EXPECT_EQ(Node(s.head[0]), s.root);
      }
      for (const auto& [page, keys] : s.leaves) EXPECT_EQ(Leaf(page), keys) << "page " << page;
      for (const auto& [page, link] : s.free_links) EXPECT_EQ(Page(page).free_link, link) << page;
    }
  }
}

// Missing entries change nothing; key 1 never got a page.
TEST_F(BtreeShape, MissingEntriesAndAnEmptyTreeAreReported) {
  AddAll(Range(1, 63, 1));
  Snap();
  const std::string before = ix_;
  engine_.DeleteKey(fb_, 2, 40, Text(400));
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 63);
  Snap();
  EXPECT_EQ(ix_, before);
  EXPECT_EQ(bytes::ReadKeyHead(ix_, 0).page_count, 0);
  EXPECT_EQ(bytes::ReadKeyHead(ix_, 0).root_page, 0);

  for (int v = 1; v <= 63; ++v) ASSERT_NO_FATAL_FAILURE(Delete(v));
  engine_.NextKey(fb_, 2, ref_, text_);
  EXPECT_EQ(engine_.EngineError(), kErrNoLargerKey);
  engine_.PrevKey(fb_, 2, ref_, text_);
  EXPECT_EQ(engine_.EngineError(), kErrNoSmallerKey);
  engine_.SearchKey(fb_, 2, ref_, text_);
  EXPECT_EQ(engine_.EngineError(), kErrNoKeyNoLarger);
  engine_.DeleteKey(fb_, 2, 5, Text(5));
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 0);
}

// Positions on a scroll range: exact in a leaf root of 10 (entry k at
// (scale + 1) * k div 11), monotone both ways over a tree of three levels.
TEST_F(BtreeShape, KeyPositionsAreExactInALeafRootAndMonotoneInADeepTree) {
  AddAll(Range(1, 10, 1));
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, Text(1), 1, 100), 9);
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, Text(10), 10, 100), 91);
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, "", 0, 100), 0);
  for (auto [position, ref] : {std::pair{9, 0}, {10, 1}, {50, 5}, {100, 10}}) {
    text_ = "x";
    engine_.RelativeToKey(fb_, 2, position, 100, ref_, text_);
    ASSERT_TRUE(engine_.EngineOk());
    EXPECT_EQ(ref_, ref) << position;
    EXPECT_EQ(text_, ref == 0 ? "" : Text(ref)) << position;
  }
  AddAll(Range(11, 4000, 1));  // more than two levels hold (62 + 63 * 62)
  for (int scale : {1, 1000, 32767}) {
    SCOPED_TRACE(scale);
    ExpectRising(1, 4000, 3, scale, [&](int v) {
      int pos = engine_.KeyToRelative(fb_, 2, Text(v), v, scale);
      EXPECT_TRUE(engine_.EngineOk());
      return pos;
    });
    ExpectRising(0, std::min(scale, 2000), 1, 4000, [&](int pos) {
      engine_.RelativeToKey(fb_, 2, pos, scale, ref_, text_);
      EXPECT_TRUE(engine_.EngineOk());
      EXPECT_EQ(text_, ref_ == 0 ? "" : Text(ref_));
      return ref_;
    });
  }
  engine_.RelativeToKey(fb_, 2, 1000, 1000, ref_, text_);
  EXPECT_GT(ref_, 3800);

  engine_.KeyToRelative(fb_, 2, Text(1), 1, 0);
  EXPECT_EQ(engine_.EngineError(), kErrRelativeScale);
  for (auto [position, scale] : {std::pair{0, 0}, {11, 10}}) {
    engine_.RelativeToKey(fb_, 2, position, scale, ref_, text_);
    EXPECT_EQ(engine_.EngineError(), kErrRelativePosition);
  }
  engine_.KeyToRelative(fb_, 1, "", 0, 10);
  EXPECT_EQ(engine_.EngineError(), kErrIndexEmptyRelative);
  engine_.RelativeToKey(fb_, 1, 0, 10, ref_, text_);
  EXPECT_EQ(engine_.EngineError(), kErrIndexEmpty);
  engine_.KeyToRelative(fb_, 3, "", 0, 10);
  EXPECT_EQ(engine_.EngineError(), kErrInvalidKeyNumber);
  engine_.ClearKey(fb_, 3);
  EXPECT_EQ(engine_.EngineError(), kErrInvalidKeyNumber);
}

TEST(EngineInit, RejectsTooFewBuffersAndASecondInit) {
  Engine engine;
  engine.InitEngine(7);
  EXPECT_EQ(engine.EngineError(), kErrTooFewBuffersRequested);
  EXPECT_EQ(engine.ErrorClass(), ErrorClass::kSerious);
  EXPECT_FALSE(engine.Initialised());
  int32_t ref = 0;
  std::string text;
  engine.NextKey(nullptr, 1, ref, text);
  EXPECT_EQ(engine.EngineError(), kErrNotInitialised);
  engine.InitEngine(8);
  EXPECT_TRUE(engine.EngineOk());
  engine.InitEngine(30);
  EXPECT_EQ(engine.EngineError(), kErrAlreadyInitialised);
  engine.ExitEngine();
  EXPECT_TRUE(engine.EngineOk());
  engine.ExitEngine();
  EXPECT_EQ(engine.EngineError(), kErrNotInitialised);
}

// Small Fileblocks whose bytes the tests read back.
class SmallFiles : public ::testing::Test {
 protected:
  void SetUp() override { engine_.InitEngine(8); }
  Fileblock* Make(int record_length, std::span<const KeyDef> keys = {}) {
    engine_.MakeFileblock(base_, record_length, static_cast<int>(keys.size()), keys);
    Fileblock* fb = engine_.OpenFileblock(base_);
    EXPECT_TRUE(engine_.EngineOk()) << engine_.EngineError();
    return fb;
  }
  std::string Dat() { return testing::ReadFile(base_ + ".DAT"); }
  std::string Ix() { return testing::ReadFile(base_ + ".IX"); }

  testing::TempDir dir_;
  std::string base_ = dir_.File("s");
  Engine engine_;
};

// The order of duplicates and their searches are the randomised model's; here
// the rules of a key without duplicates and the header flag on disk.
TEST_F(SmallFiles, WithoutDuplicatesTheTextAloneIdentifiesAnEntry) {
  const KeyDef keys[] = {{4, true}, {4, false}};
  Fileblock* fb = Make(32, keys);
  for (int32_t ref : {9, 4}) engine_.AddKey(fb, 1, ref, "AB");
  engine_.AddKey(fb, 2, 9, "AB");
  ASSERT_TRUE(engine_.EngineOk());
  engine_.AddKey(fb, 2, 4, "AB");
  EXPECT_EQ(engine_.EngineError(), kErrDuplicateKey);
  engine_.AddKey(fb, 2, 1, "ABCDE");
  EXPECT_EQ(engine_.EngineError(), kErrKeyTooLong);
  EXPECT_TRUE(engine_.KeyExists(fb, 2, 4, "AB"));
  EXPECT_FALSE(engine_.KeyExists(fb, 1, 5, "AB"));
  engine_.DeleteKey(fb, 1, 5, "AB");
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  engine_.DeleteKey(fb, 2, 77, "AB");
  EXPECT_TRUE(engine_.EngineOk());
  EXPECT_EQ(engine_.UsedKeys(fb, 2), 0);
  engine_.CloseFileblock(fb);

  const std::string ix = Ix();
  KeyHead h = bytes::ReadKeyHead(ix, 0);
  EXPECT_EQ(h.allow_duplicates, 1);
  EXPECT_EQ(h.entry_count, 2);
  EXPECT_EQ(bytes::ReadPage(ix, 2 * bytes::PageBytesOf(4), 0, 4, h.root_page).items,
            (std::vector<bytes::ItemBytes>{{4, 0, "AB"}, {9, 0, "AB"}}));
  EXPECT_EQ(bytes::ReadKeyHead(ix, bytes::PageBytesOf(4)).allow_duplicates, 0);
}

TEST_F(SmallFiles, FreshFilesHoldOnlyTheirHeadersAndPagesGrowTheIndexByRows) {
  const KeyDef keys[] = {{5, false}, {30, true}};
  const size_t row = bytes::PageBytesOf(5) + bytes::PageBytesOf(30);
  engine_.MakeFileblock(base_, 100, 2, keys);
  EXPECT_EQ(Dat().size(), 100u);
  ASSERT_EQ(Ix().size(), row);
  KeyHead k2 = bytes::ReadKeyHead(Ix(), bytes::PageBytesOf(5));
  EXPECT_EQ(k2.page_bytes, 39 * 62 + 6);
  EXPECT_EQ(k2.first_free_page, -1);
  EXPECT_EQ(k2.allow_duplicates, 1);
  EXPECT_EQ(k2.page_size, 62);

  Fileblock* fb = engine_.OpenFileblock(base_);
  engine_.AddKey(fb, 2, 1, "key two");
  // The first page of key 2 makes the file grow by one whole row at once;
  // key 1's first page reuses that row.
  EXPECT_EQ(Ix().size(), 2 * row);
  engine_.AddKey(fb, 1, 2, "one");
  engine_.CloseFileblock(fb);
  ASSERT_TRUE(engine_.EngineOk());
  const std::string ix = Ix();
  EXPECT_EQ(ix.size(), 2 * row);
  EXPECT_EQ(bytes::ReadPage(ix, row, bytes::PageBytesOf(5), 30, 1).items,
            (std::vector<bytes::ItemBytes>{{1, 0, "key two"}}));
  EXPECT_EQ(bytes::ReadPage(ix, row, 0, 5, 1).items,
            (std::vector<bytes::ItemBytes>{{2, 0, "one"}}));
  EXPECT_EQ(Dat().size(), 100u);
  EXPECT_EQ(bytes::ReadDataHead(Dat()).in_use, 0);
}

// Freed slots are reused last freed first. A fixed slot rewritten in place
// leaves InUse clear; a delete sets it.
TEST_F(SmallFiles, FreedSlotsAreReusedLastFreedFirst) {
  Fileblock* fb = Make(24);
  std::string record(24, '\0');
  for (int i = 1; i <= 6; ++i) {
    record[4] = static_cast<char>('0' + i);
    EXPECT_EQ(engine_.AddSlot(fb, record.data()), i);
  }
  engine_.DeleteSlot(fb, 3);
  engine_.DeleteSlot(fb, 5);
  engine_.CloseFileblock(fb);
  std::string dat = Dat();
  ASSERT_EQ(dat.size(), 7u * 24);
  EXPECT_EQ(bytes::ReadDataHead(dat), (bytes::DataHead{5, 2, 6, 24, 0, 0}));
  EXPECT_EQ(bytes::I32(dat, 5 * 24), 3);
  EXPECT_EQ(bytes::I32(dat, 3 * 24), -1);
  EXPECT_EQ(dat[5 * 24 + 4], '5');  // a freed slot keeps its other bytes

  fb = engine_.OpenFileblock(base_);
  record[10] = 'x';
  engine_.PutSlot(fb, 1, record.data());
  ASSERT_TRUE(engine_.EngineOk());
  dat = Dat();
  EXPECT_EQ(bytes::ReadDataHead(dat).in_use, 0);
  EXPECT_EQ(dat[24 + 10], 'x');
  // SeekUsedSlot skips the free slots in both directions.
  EXPECT_EQ(engine_.SeekUsedSlot(fb, 2, 1), 4);
  EXPECT_EQ(engine_.SeekUsedSlot(fb, 6, -1), 4);
  engine_.SeekUsedSlot(fb, 5, 0);
  EXPECT_EQ(engine_.EngineError(), kErrNoMatchingReference);
  engine_.DeleteSlot(fb, 1);
  EXPECT_EQ(bytes::ReadDataHead(Dat()).in_use, 1);
  for (int32_t slot : {1, 5, 3, 7}) EXPECT_EQ(engine_.AddSlot(fb, record.data()), slot);
  for (int32_t slot : {0, 8}) {
    engine_.DeleteSlot(fb, slot);
    EXPECT_EQ(engine_.EngineError(), kErrDeleteSlotZero);
  }
  engine_.PutSlot(fb, 0, record.data());
  EXPECT_EQ(engine_.EngineError(), kErrPutSlotZero);
  EXPECT_EQ(engine_.UsedSlots(fb), 7);
  EXPECT_EQ(engine_.FreeSlots(fb), 0);
  engine_.CloseFileblock(fb);
  EXPECT_TRUE(engine_.EngineOk());
}

// A variable-length record's rewrite is followed by key changes (or frees its
// old chain): InUse goes to disk before the head changes, even in place.
TEST_F(SmallFiles, RewritingAVariableRecordSetsInUseFirst) {
  Fileblock* fb = Make(512);
  std::string record(100, 'a');
  record.replace(0, 4, 4, '\0');
  int32_t ref = engine_.AddVarRecord(fb, record.data(), record.size());
  engine_.CloseFileblock(fb);
  fb = engine_.OpenFileblock(base_);
  record[50] = 'b';
  engine_.PutVarRecord(fb, ref, record.data(), record.size());
  ASSERT_TRUE(engine_.EngineOk());
  std::string dat = Dat();
  EXPECT_EQ(bytes::ReadDataHead(dat).in_use, 1);
  EXPECT_EQ(dat[512 * ref + 50], 'b');
  engine_.CloseFileblock(fb);
}

// The chain trailers as written: the continuation before its head, exactly
// L-6 bytes in a head, one byte more in a continuation of its own.
TEST_F(SmallFiles, VariableRecordsAreWrittenAsChainsOfSlots) {
  Fileblock* fb = Make(512);
  std::string record(933, '\0');
  for (size_t i = 4; i < record.size(); ++i) record[i] = static_cast<char>(i * 7 + 1);
  const std::string fits(506, '\0');
  std::string over(507, '\0');
  over[506] = 'z';
  const int32_t ref = engine_.AddVarRecord(fb, record.data(), record.size());
  const int32_t a = engine_.AddVarRecord(fb, fits.data(), fits.size());
  const int32_t b = engine_.AddVarRecord(fb, over.data(), over.size());
  EXPECT_EQ(engine_.UsedSlots(fb), 5);
  engine_.CloseFileblock(fb);
  std::string dat = Dat();
  ASSERT_EQ(dat.size(), 6u * 512);
  // Slot s's byte count and next link.
  auto trailer = [&](int32_t s) {
    return std::pair{bytes::U16(dat, s * 512 + 506), bytes::I32(dat, s * 512 + 508)};
  };
  EXPECT_EQ(ref, 2);
  EXPECT_EQ(trailer(2), std::pair(506, 1));
  EXPECT_EQ(dat[512], '\x01');
  EXPECT_EQ(trailer(1), std::pair(933 - 506, 0));
  EXPECT_EQ(dat.substr(513, 933 - 506), record.substr(506));
  EXPECT_EQ(trailer(a), std::pair(506, 0));
  const int32_t b_next = trailer(b).second;
  ASSERT_GT(b_next, 0);
  EXPECT_EQ(trailer(b_next), std::pair(1, 0));
  EXPECT_EQ(dat[b_next * 512 + 1], 'z');

  // A freed head reads as gone (its first bytes hold the free link) and its
  // stale chain is not followed.
  fb = engine_.OpenFileblock(base_);
  engine_.DeleteVarRecord(fb, ref);
  std::string gone(933, '\0');
  size_t length = gone.size();
  engine_.GetVarRecord(fb, ref, gone.data(), length);
  EXPECT_NE(gone.substr(0, 4), std::string(4, '\0'));
  EXPECT_LE(length, 506u);
  engine_.CloseFileblock(fb);
}

TEST_F(SmallFiles, SlotPositionsScaleOntoTheScrollRange) {
  Fileblock* fb = Make(21);
  std::string record(21, '\0');
  for (int i = 0; i < 999; ++i) engine_.AddSlot(fb, record.data());
  // n = 1000 slots with the header; scale 9: q = 100.
  EXPECT_EQ(engine_.RelativeToSlot(fb, 0, 9), 50);
  EXPECT_EQ(engine_.RelativeToSlot(fb, 9, 9), 950);
  EXPECT_EQ(engine_.SlotToRelative(fb, 0, 9), 0);
  EXPECT_EQ(engine_.SlotToRelative(fb, 950, 9), 9);
  EXPECT_EQ(engine_.SlotToRelative(fb, 500, 99), 50);
  ExpectRising(1, 999, 1, 1000, [&](int ref) { return engine_.SlotToRelative(fb, ref, 1000); });
  ExpectRising(0, 300, 1, 999, [&](int pos) { return engine_.RelativeToSlot(fb, pos, 300); });
  EXPECT_TRUE(engine_.EngineOk());
  engine_.SlotToRelative(fb, 5, 0);
  EXPECT_EQ(engine_.EngineError(), kErrRelativeScale);
  for (auto [position, scale] : {std::pair{0, 0}, {11, 10}}) {
    engine_.RelativeToSlot(fb, position, scale);
    EXPECT_EQ(engine_.EngineError(), kErrRelativePosition);
  }
  engine_.CloseFileblock(fb);
}

}  // namespace
}  // namespace tessary::isam
