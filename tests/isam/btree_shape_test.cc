// Tree shapes after splits, redistribution, merges and borrows, read back from
// the index file's bytes; plus the cursor, slot and relative-position rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "isam/index_bytes.h"
#include "support/temp_dir.h"

namespace tessary::isam {
namespace {

using bytes::KeyHead;
using bytes::PageBytes;
using Entries = std::vector<std::pair<std::string, int32_t>>;
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
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError();
    fb_ = engine_.OpenFileblock(base_);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError();
  }
  void TearDown() override {
    if (fb_ != nullptr) engine_.CloseFileblock(fb_);
  }

  void Add(int v) {
    engine_.AddKey(fb_, 2, v, Text(v));
    ASSERT_TRUE(engine_.EngineOk()) << "add " << v << ": " << engine_.EngineError();
  }
  void AddAll(const std::vector<int>& values) {
    for (int v : values) ASSERT_NO_FATAL_FAILURE(Add(v));
  }
  void Delete(int v) {
    engine_.DeleteKey(fb_, 2, v, Text(v));
    ASSERT_TRUE(engine_.EngineOk()) << "delete " << v << ": " << engine_.EngineError();
  }

  // Closes the Fileblock so every page reaches the file, reads the index, and
  // opens the Fileblock again.
  void Snap() {
    engine_.CloseFileblock(fb_);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError();
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
    PageBytes page = Page(p);
    std::vector<int> out{page.left_child};
    for (const auto& item : page.items) {
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

  // Cursor moves on key 2: the ref found (whose text must match), or minus
  // the error.
  int32_t Found() {
    if (!engine_.EngineOk()) return -engine_.EngineError();
    EXPECT_EQ(text_, Text(ref_));
    return ref_;
  }
  int32_t Next() {
    engine_.NextKey(fb_, 2, ref_, text_);
    return Found();
  }
  int32_t Prev() {
    engine_.PrevKey(fb_, 2, ref_, text_);
    return Found();
  }
  int32_t Search(const std::string& text) {
    text_ = text;
    engine_.SearchKey(fb_, 2, ref_, text_);
    return Found();
  }

  // 100, 200, ..., 6300: the 63rd entry splits the root; page 1 keeps
  // 100..3100, page 2 gets 3300..6300 and the new root page 3 holds 3200.
  void BuildTwoLeaves() { AddAll(Range(100, 6300, 100)); }
  // Then page 1 filled to 62 with 150..3150 and page 2 to 62 with 6400..9400.
  void FillBothLeaves() {
    BuildTwoLeaves();
    AddAll(Range(150, 3150, 100));
    AddAll(Range(6400, 9400, 100));
  }
  // Adding 10 overflows page 1 while its right sibling is full, so page 1
  // splits: it keeps 10, 100..1550 (31), 1600 moves up, new page 4 gets
  // 1650..3150 (31).
  void BuildThreeLeaves() {
    FillBothLeaves();
    Add(10);
  }

  testing::TempDir dir_;
  std::string base_ = dir_.File("t");
  Engine engine_;
  Fileblock* fb_ = nullptr;
  std::string ix_;
  int32_t ref_ = 0;
  std::string text_;
};

TEST_F(BtreeShape, SixtyThirdEntrySplitsTheRootIntoTwoLeavesOf31) {
  AddAll(Range(1, 62, 1));
  Snap();
  EXPECT_EQ(HeadOf(), (Head{1, 1, 62, -1, 0}));
  EXPECT_EQ(Leaf(1), Range(1, 62, 1));
  EXPECT_EQ(ix_.size(), 2 * row_bytes_);

  Add(63);
  Snap();
  EXPECT_EQ(HeadOf(), (Head{3, 3, 63, -1, 0}));
  EXPECT_EQ(ix_.size(), 4 * row_bytes_);
  EXPECT_EQ(Node(3), (std::vector<int>{1, 32, 2}));
  EXPECT_EQ(Leaf(1), Range(1, 31, 1));
  EXPECT_EQ(Leaf(2), Range(33, 63, 1));
  // Key 1 never got a page: its header is as created.
  KeyHead k1 = bytes::ReadKeyHead(ix_, 0);
  EXPECT_EQ(k1.page_count, 0);
  EXPECT_EQ(k1.root_page, 0);

  // Deleting an entry that is not there changes nothing.
  const std::string before = ix_;
  engine_.DeleteKey(fb_, 2, 40, Text(400));
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 63);
  Snap();
  EXPECT_EQ(ix_, before);
}

// 62 + 40 + 1 = 103 items: the overflowing page keeps 52, its sibling gets 51
// and the 53rd item of the run becomes the separator. A full leaf passes items
// to its right sibling; the full last child to its left one.
TEST_F(BtreeShape, FullLeafPassesItemsToItsSibling) {
  struct Case {
    std::vector<int> fill1, fill2;  // page 1 to 62 and page 2 to 40, or the other way
    int add;
    int separator;
    std::vector<int> leaf1, leaf2;
  };
  const Case cases[] = {
      {Range(150, 3150, 100), Range(6400, 7200, 100), 10, 2650, Cat({{10}, Range(100, 2600, 50)}),
       Cat({Range(2700, 3150, 50), {3200}, Range(3300, 7200, 100)})},
      {Range(10, 90, 10), Range(3350, 6350, 100), 9999, 3800,
       Cat({Range(10, 90, 10), Range(100, 3100, 100), {3200}, Range(3300, 3750, 50)}),
       Cat({Range(3850, 6350, 50), {9999}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.add);
    ASSERT_NO_FATAL_FAILURE(Create());
    BuildTwoLeaves();
    AddAll(c.fill1);
    AddAll(c.fill2);
    Add(c.add);
    Snap();
    EXPECT_EQ(HeadOf(), (Head{3, 3, 104, -1, 0}));
    EXPECT_EQ(ix_.size(), 4 * row_bytes_);
    EXPECT_EQ(Node(3), (std::vector<int>{1, c.separator, 2}));
    EXPECT_EQ(Leaf(1), c.leaf1);
    EXPECT_EQ(Leaf(2), c.leaf2);
  }
}

// Deleting 10 again after the split leaves two pages of 31 that merge; the
// freed page is the next one allocated.
TEST_F(BtreeShape, SplitWhenTheSiblingIsFullThenMergeOf31And31FreesAPage) {
  FillBothLeaves();
  Snap();
  EXPECT_EQ(ix_.size(), 4 * row_bytes_);
  Add(10);
  Snap();
  EXPECT_EQ(HeadOf(), (Head{3, 4, 126, -1, 0}));
  EXPECT_EQ(ix_.size(), 5 * row_bytes_);
  EXPECT_EQ(Node(3), (std::vector<int>{1, 1600, 4, 3200, 2}));
  EXPECT_EQ(Leaf(1), Cat({{10}, Range(100, 1550, 50)}));
  EXPECT_EQ(Leaf(4), Range(1650, 3150, 50));
  EXPECT_EQ(Leaf(2), Range(3300, 9400, 100));

  Delete(10);
  Snap();
  EXPECT_EQ(HeadOf(), (Head{3, 4, 125, 4, 1}));
  EXPECT_EQ(Page(4).free_link, -1);
  EXPECT_EQ(Node(3), (std::vector<int>{1, 3200, 2}));
  EXPECT_EQ(Leaf(1), Range(100, 3150, 50));

  Add(10);
  Snap();
  EXPECT_EQ(HeadOf(), (Head{3, 4, 126, -1, 0}));
  EXPECT_EQ(Leaf(4), Range(1650, 3150, 50));
}

TEST_F(BtreeShape, UnderflowBorrowsOneItemFromASiblingOf33) {
  BuildThreeLeaves();
  AddAll({1675, 1725});  // page 4: 33 items
  Delete(10);
  Snap();
  EXPECT_EQ(HeadOf(), (Head{3, 4, 127, -1, 0}));
  EXPECT_EQ(Node(3), (std::vector<int>{1, 1650, 4, 3200, 2}));
  EXPECT_EQ(Leaf(1), Cat({Range(100, 1550, 50), {1600}}));
  EXPECT_EQ(Leaf(4), Cat({{1675, 1700, 1725}, Range(1750, 3150, 50)}));
}

// 3200 gives way to 3150, the last entry of page 4; page 4 then underflows
// and borrows (62 - 31 + 1) div 2 = 16 from page 2 through the separator.
TEST_F(BtreeShape, InnerEntryIsReplacedByItsPredecessor) {
  BuildThreeLeaves();
  Delete(3200);
  Snap();
  EXPECT_EQ(HeadOf(), (Head{3, 4, 125, -1, 0}));
  EXPECT_EQ(Node(3), (std::vector<int>{1, 1600, 4, 4800, 2}));
  EXPECT_EQ(Leaf(4), Cat({Range(1650, 3150, 50), Range(3300, 4700, 100)}));
  EXPECT_EQ(Leaf(2), Range(4900, 9400, 100));
}

TEST_F(BtreeShape, RootCollapsesAndAnEmptiedTreeFreesEveryPage) {
  AddAll(Range(1, 63, 1));
  Delete(1);  // page 1 merges with page 2; the root is left with no item
  Snap();
  EXPECT_EQ(HeadOf(), (Head{1, 3, 62, 3, 2}));
  EXPECT_EQ(Page(3).free_link, 2);
  EXPECT_EQ(Page(2).free_link, -1);
  EXPECT_EQ(Leaf(1), Range(2, 63, 1));

  for (int v = 2; v <= 63; ++v) ASSERT_NO_FATAL_FAILURE(Delete(v));
  EXPECT_EQ(Next(), -kErrNoLargerKey);
  EXPECT_EQ(Prev(), -kErrNoSmallerKey);
  EXPECT_EQ(Search("0"), -kErrNoKeyNoLarger);
  engine_.DeleteKey(fb_, 2, 5, Text(5));
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 0);
  Snap();
  EXPECT_EQ(HeadOf(), (Head{0, 3, 0, 1, 3}));
  EXPECT_EQ(Page(1).free_link, 3);

  Add(7);
  Snap();
  EXPECT_EQ(HeadOf(), (Head{1, 3, 1, 3, 2}));
  EXPECT_EQ(Leaf(1), std::vector<int>{7});
}

TEST_F(BtreeShape, NextAndPrevWrapAroundAtTheEnds) {
  AddAll(Range(1, 500, 1));
  engine_.ClearKey(fb_, 2);
  EXPECT_EQ(Prev(), 500);
  EXPECT_EQ(Next(), -kErrNoLargerKey);
  EXPECT_EQ(engine_.ErrorClass(), ErrorClass::kExpected);
  EXPECT_EQ(Next(), 1);
  EXPECT_EQ(Prev(), -kErrNoSmallerKey);
  EXPECT_EQ(Prev(), 500);

  // Stepping crosses every page boundary both ways.
  ASSERT_EQ(Search(Text(123)), 123);
  for (int v = 124; v <= 500; ++v) ASSERT_EQ(Next(), v);
  for (int v = 499; v >= 1; --v) ASSERT_EQ(Prev(), v);

  EXPECT_EQ(Search("00500A"), -kErrNoKeyNoLarger);
  EXPECT_EQ(text_, "00500A");
  // A proper prefix sorts first: 00120 is the first at or after 0012.
  EXPECT_EQ(Search("0012"), 120);
  EXPECT_EQ(Search(Text(77)), 77);
}

TEST_F(BtreeShape, CursorIsReestablishedFromTheCallersEntryAfterChanges) {
  AddAll(Range(10, 620, 10));  // 62 entries in the root
  ASSERT_EQ(Search(Text(300)), 300);
  Add(5);  // splits the root, so the cursor's page path is stale
  EXPECT_EQ(Next(), 310);
  Add(305);
  EXPECT_EQ(Prev(), 305);

  // The entry under the cursor goes away: NextKey continues after it and
  // PrevKey returns the greatest entry before it.
  Delete(305);
  EXPECT_EQ(Next(), 310);
  Delete(310);
  EXPECT_EQ(Prev(), 300);
  Delete(300);
  EXPECT_EQ(Next(), 320);
  Delete(5);
  Delete(10);
  // Nothing before the caller's entry any more.
  ref_ = 10;
  text_ = Text(10);
  engine_.FindKeyAndRef(fb_, 2, ref_, text_, 1);
  ASSERT_EQ(Found(), 20);
  Delete(20);
  EXPECT_EQ(Prev(), -kErrNoSmallerKey);
}

TEST_F(BtreeShape, KeyPositionsInALeafRoot) {
  AddAll(Range(1, 10, 1));
  // A leaf root of 10 items: entry k lies at (scale + 1) * k div 11.
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, Text(1), 1, 100), 9);
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, Text(10), 10, 100), 91);
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, "", 0, 100), 0);
  text_ = "x";
  engine_.RelativeToKey(fb_, 2, 9, 100, ref_, text_);
  EXPECT_TRUE(engine_.EngineOk());
  EXPECT_EQ(ref_, 0);
  EXPECT_EQ(text_, "");
  for (auto [position, ref] : {std::pair{10, 1}, {50, 5}, {100, 10}}) {
    engine_.RelativeToKey(fb_, 2, position, 100, ref_, text_);
    EXPECT_EQ(Found(), ref) << position;
  }
}

TEST_F(BtreeShape, KeyPositionsAreMonotoneOverAWalkOfADeepTree) {
  // More entries than two levels can hold (62 + 63 * 62).
  AddAll(Range(1, 4000, 1));
  for (int scale : {1, 100, 1000, 32767}) {
    SCOPED_TRACE(scale);
    int last = 0;
    EXPECT_EQ(engine_.KeyToRelative(fb_, 2, "", 0, scale), 0);
    for (int v = 1; v <= 4000; v += 3) {
      int pos = engine_.KeyToRelative(fb_, 2, Text(v), v, scale);
      ASSERT_TRUE(engine_.EngineOk());
      ASSERT_GE(pos, last) << v;
      ASSERT_LE(pos, scale);
      last = pos;
    }
    int32_t last_ref = 0;
    for (int pos = 0; pos <= std::min(scale, 2000); ++pos) {
      engine_.RelativeToKey(fb_, 2, pos, scale, ref_, text_);
      ASSERT_TRUE(engine_.EngineOk());
      ASSERT_GE(ref_, last_ref) << pos;
      if (ref_ != 0) {
        ASSERT_EQ(text_, Text(ref_));
      }
      last_ref = ref_;
    }
  }
  engine_.RelativeToKey(fb_, 2, 0, 1000, ref_, text_);
  EXPECT_EQ(ref_, 0);
  engine_.RelativeToKey(fb_, 2, 1000, 1000, ref_, text_);
  EXPECT_GT(ref_, 3800);

  engine_.KeyToRelative(fb_, 2, Text(1), 1, 0);
  EXPECT_EQ(engine_.EngineError(), kErrRelativeScale);
  engine_.RelativeToKey(fb_, 2, 0, 0, ref_, text_);
  EXPECT_EQ(engine_.EngineError(), kErrRelativePosition);
  engine_.RelativeToKey(fb_, 2, 11, 10, ref_, text_);
  EXPECT_EQ(engine_.EngineError(), kErrRelativePosition);
  engine_.KeyToRelative(fb_, 1, "", 0, 10);
  EXPECT_EQ(engine_.EngineError(), kErrIndexEmptyRelative);
  engine_.RelativeToKey(fb_, 1, 0, 10, ref_, text_);
  EXPECT_EQ(engine_.EngineError(), kErrIndexEmpty);
  engine_.KeyToRelative(fb_, 3, "", 0, 10);
  EXPECT_EQ(engine_.EngineError(), kErrInvalidKeyNumber);
}

class DuplicateKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.InitEngine(8);
    KeyDef keys[] = {{4, true}, {4, false}};
    engine_.MakeFileblock(base_, 32, 2, keys);
    fb_ = engine_.OpenFileblock(base_);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError();
  }
  void TearDown() override {
    if (fb_ != nullptr) engine_.CloseFileblock(fb_);
  }
  void AddAll(const Entries& entries) {
    for (const auto& [text, ref] : entries) {
      engine_.AddKey(fb_, 1, ref, text);
      ASSERT_TRUE(engine_.EngineOk()) << text << " " << ref;
    }
  }
  testing::TempDir dir_;
  std::string base_ = dir_.File("d");
  Engine engine_;
  Fileblock* fb_ = nullptr;
};

// The order of duplicates and their searches are the randomised model's; here
// the rules of a key without duplicates and the header flag on disk.
TEST_F(DuplicateKeys, WithoutDuplicatesTheTextAloneIdentifiesAnEntry) {
  AddAll({{"AB", 9}, {"AB", 4}});
  engine_.AddKey(fb_, 2, 9, "AB");
  ASSERT_TRUE(engine_.EngineOk());
  engine_.AddKey(fb_, 2, 4, "AB");
  EXPECT_EQ(engine_.EngineError(), kErrDuplicateKey);
  engine_.AddKey(fb_, 2, 1, "ABCDE");
  EXPECT_EQ(engine_.EngineError(), kErrKeyTooLong);
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 1);
  EXPECT_TRUE(engine_.KeyExists(fb_, 2, 4, "AB"));
  EXPECT_FALSE(engine_.KeyExists(fb_, 1, 5, "AB"));
  engine_.DeleteKey(fb_, 1, 5, "AB");
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  engine_.DeleteKey(fb_, 2, 77, "AB");
  EXPECT_TRUE(engine_.EngineOk());
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 0);

  engine_.CloseFileblock(fb_);
  fb_ = nullptr;
  std::string ix = testing::ReadFile(dir_.File("d.IX"));
  KeyHead h = bytes::ReadKeyHead(ix, 0);
  EXPECT_EQ(h.allow_duplicates, 1);
  EXPECT_EQ(h.entry_count, 2);
  Entries on_disk;
  for (const auto& item : bytes::ReadPage(ix, 2 * bytes::PageBytesOf(4), 0, 4, h.root_page).items) {
    on_disk.emplace_back(item.key, item.ref);
  }
  EXPECT_EQ(on_disk, (Entries{{"AB", 4}, {"AB", 9}}));
  EXPECT_EQ(bytes::ReadKeyHead(ix, bytes::PageBytesOf(4)).allow_duplicates, 0);
}

TEST_F(DuplicateKeys, FindKeyAndRefByDirection) {
  AddAll({{"A", 1}, {"A", 5}, {"B", 3}, {"C", 8}});
  struct Case {
    std::string text;
    int32_t ref;
    int direction;
    int error;
    std::string want_text;
    int32_t want_ref;
  };
  const Case cases[] = {
      {"A", 5, 0, 0, "A", 5},
      {"A", 5, 1, 0, "A", 5},
      {"A", 5, -1, 0, "A", 5},
      {"A", 3, 1, 0, "A", 5},
      {"A", 3, 0, kErrNoMatchingKeyAndRef, "A", 3},
      {"A", 3, -1, 0, "A", 1},
      {"A", 0, -1, kErrNoSmallerKey, "A", 0},
      {"A", 6, 1, 0, "B", 3},
      {"BB", 1, -1, 0, "B", 3},
      {"C", 9, 1, kErrNoLargerKey, "C", 9},
      {"C", 9, -1, 0, "C", 8},
      {"", 0, 1, 0, "A", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + "/" + std::to_string(c.ref) + " dir " + std::to_string(c.direction));
    std::string text = c.text;
    int32_t ref = c.ref;
    engine_.FindKeyAndRef(fb_, 1, ref, text, c.direction);
    EXPECT_EQ(engine_.EngineError(), c.error);
    EXPECT_EQ(text, c.want_text);
    EXPECT_EQ(ref, c.want_ref);
  }
  // After a miss with direction 0 the cursor stands on the greatest smaller
  // entry, so NextKey continues after it.
  std::string text = "B";
  int32_t ref = 1;
  engine_.FindKeyAndRef(fb_, 1, ref, text, 0);
  ASSERT_EQ(engine_.EngineError(), kErrNoMatchingKeyAndRef);
  engine_.NextKey(fb_, 1, ref, text);
  EXPECT_EQ(text, "B");
  EXPECT_EQ(ref, 3);
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
  EXPECT_TRUE(engine.Initialised());
  engine.ExitEngine();
  EXPECT_TRUE(engine.EngineOk());
  engine.ExitEngine();
  EXPECT_EQ(engine.EngineError(), kErrNotInitialised);
}

class Slots : public ::testing::Test {
 protected:
  void SetUp() override { engine_.InitEngine(8); }
  Fileblock* Make(int record_length) {
    engine_.MakeFileblock(base_, record_length, 0, {});
    EXPECT_TRUE(engine_.EngineOk()) << engine_.EngineError();
    Fileblock* fb = engine_.OpenFileblock(base_);
    EXPECT_TRUE(engine_.EngineOk()) << engine_.EngineError();
    return fb;
  }
  std::string Dat() { return testing::ReadFile(dir_.File("s.DAT")); }
  std::string Ix() { return testing::ReadFile(dir_.File("s.IX")); }

  testing::TempDir dir_;
  std::string base_ = dir_.File("s");
  Engine engine_;
};

TEST_F(Slots, FreshFilesHoldOnlyTheirHeadersAndPagesGrowTheIndexByRows) {
  KeyDef keys[] = {{5, false}, {30, true}};
  const size_t row = bytes::PageBytesOf(5) + bytes::PageBytesOf(30);
  engine_.MakeFileblock(base_, 100, 2, keys);
  ASSERT_TRUE(engine_.EngineOk());
  EXPECT_EQ(Dat().size(), 100u);
  ASSERT_EQ(Ix().size(), row);
  KeyHead k2 = bytes::ReadKeyHead(Ix(), bytes::PageBytesOf(5));
  EXPECT_EQ(k2.page_bytes, 39 * 62 + 6);
  EXPECT_EQ(k2.first_free_page, -1);
  EXPECT_EQ(k2.allow_duplicates, 1);
  EXPECT_EQ(k2.page_size, 62);

  Fileblock* fb = engine_.OpenFileblock(base_);
  engine_.AddKey(fb, 2, 1, "key two");
  ASSERT_TRUE(engine_.EngineOk());
  // The first page of key 2 makes the file grow by one whole row at once;
  // key 1's first page reuses that row.
  EXPECT_EQ(Ix().size(), 2 * row);
  engine_.AddKey(fb, 1, 2, "one");
  EXPECT_EQ(Ix().size(), 2 * row);
  engine_.CloseFileblock(fb);
  ASSERT_TRUE(engine_.EngineOk());
  const std::string ix = Ix();
  EXPECT_EQ(ix.size(), 2 * row);
  PageBytes p2 = bytes::ReadPage(ix, row, bytes::PageBytesOf(5), 30, 1);
  ASSERT_EQ(p2.count, 1);
  EXPECT_EQ(p2.items[0].key, "key two");
  PageBytes p1 = bytes::ReadPage(ix, row, 0, 5, 1);
  ASSERT_EQ(p1.count, 1);
  EXPECT_EQ(p1.items[0].key, "one");
  EXPECT_EQ(p1.items[0].ref, 2);
  EXPECT_EQ(Dat().size(), 100u);
  EXPECT_EQ(bytes::ReadDataHead(Dat()).in_use, 0);
}

TEST_F(Slots, FreedSlotsAreReusedLastFreedFirst) {
  Fileblock* fb = Make(24);
  std::string record(24, '\0');
  for (int i = 1; i <= 6; ++i) {
    record[4] = static_cast<char>('0' + i);
    EXPECT_EQ(engine_.AddSlot(fb, record.data()), i);
  }
  engine_.DeleteSlot(fb, 3);
  engine_.DeleteSlot(fb, 5);
  EXPECT_EQ(engine_.UsedSlots(fb), 4);
  EXPECT_EQ(engine_.FreeSlots(fb), 2);
  EXPECT_EQ(engine_.FileLength(fb), 7);
  engine_.CloseFileblock(fb);
  std::string dat = Dat();
  ASSERT_EQ(dat.size(), 7u * 24);
  bytes::DataHead h = bytes::ReadDataHead(dat);
  EXPECT_EQ(h.first_free, 5);
  EXPECT_EQ(h.free_count, 2);
  EXPECT_EQ(h.slot_count, 6);
  EXPECT_EQ(bytes::I32(dat, 5 * 24), 3);
  EXPECT_EQ(bytes::I32(dat, 3 * 24), -1);
  EXPECT_EQ(dat[5 * 24 + 4], '5');  // a freed slot keeps its other bytes

  fb = engine_.OpenFileblock(base_);
  // SeekUsedSlot skips the free slots in both directions.
  EXPECT_EQ(engine_.SeekUsedSlot(fb, 2, 1), 4);
  EXPECT_EQ(engine_.SeekUsedSlot(fb, 6, -1), 4);
  engine_.SeekUsedSlot(fb, 5, 0);
  EXPECT_EQ(engine_.EngineError(), kErrNoMatchingReference);
  EXPECT_EQ(engine_.AddSlot(fb, record.data()), 5);
  EXPECT_EQ(engine_.AddSlot(fb, record.data()), 3);
  EXPECT_EQ(engine_.AddSlot(fb, record.data()), 7);
  EXPECT_EQ(engine_.FreeSlots(fb), 0);

  engine_.DeleteSlot(fb, 0);
  EXPECT_EQ(engine_.EngineError(), kErrDeleteSlotZero);
  engine_.DeleteSlot(fb, 8);
  EXPECT_EQ(engine_.EngineError(), kErrDeleteSlotZero);
  engine_.PutSlot(fb, 0, record.data());
  EXPECT_EQ(engine_.EngineError(), kErrPutSlotZero);
  EXPECT_EQ(engine_.UsedSlots(fb), 7);
  engine_.CloseFileblock(fb);
  EXPECT_TRUE(engine_.EngineOk());
}

TEST_F(Slots, RewritingASlotInPlaceLeavesInUseClear) {
  Fileblock* fb = Make(24);
  std::string record(24, '\0');
  ASSERT_EQ(engine_.AddSlot(fb, record.data()), 1);
  engine_.CloseFileblock(fb);
  fb = engine_.OpenFileblock(base_);
  record[10] = 'x';
  engine_.PutSlot(fb, 1, record.data());
  ASSERT_TRUE(engine_.EngineOk());
  std::string dat = Dat();
  EXPECT_EQ(bytes::ReadDataHead(dat).in_use, 0);
  EXPECT_EQ(dat[24 + 10], 'x');
  engine_.DeleteSlot(fb, 1);
  EXPECT_EQ(bytes::ReadDataHead(Dat()).in_use, 1);
  engine_.CloseFileblock(fb);
  EXPECT_EQ(bytes::ReadDataHead(Dat()).in_use, 0);
}

// A variable-length record's rewrite is followed by key changes (or frees its
// old chain): InUse goes to disk before the head changes, even in place.
TEST_F(Slots, RewritingAVariableRecordSetsInUseFirst) {
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

TEST_F(Slots, VariableRecordsCountEverySlotTheyUse) {
  Fileblock* fb = Make(512);
  std::string record(933, '\0');
  for (size_t i = 4; i < record.size(); ++i) record[i] = static_cast<char>(i * 7 + 1);
  int32_t ref = engine_.AddVarRecord(fb, record.data(), record.size());
  ASSERT_TRUE(engine_.EngineOk());
  EXPECT_EQ(engine_.UsedSlots(fb), 2);
  EXPECT_EQ(engine_.FileLength(fb), 3);
  std::string small(100, '\0');
  size_t length = small.size();
  engine_.GetVarRecord(fb, ref, small.data(), length);
  EXPECT_EQ(length, 100u);
  EXPECT_EQ(small, record.substr(0, 100));

  // Exactly L-6 bytes fit the head; one byte more needs a continuation.
  std::string fits(506, '\0');
  int32_t a = engine_.AddVarRecord(fb, fits.data(), fits.size());
  std::string over(507, '\0');
  over[506] = 'z';
  int32_t b = engine_.AddVarRecord(fb, over.data(), over.size());
  EXPECT_EQ(engine_.UsedSlots(fb), 5);
  engine_.CloseFileblock(fb);
  std::string dat = Dat();
  ASSERT_EQ(dat.size(), 6u * 512);
  // The continuation is written before its head: 933 bytes gave slot 1 to the
  // continuation and slot 2 to the head.
  EXPECT_EQ(ref, 2);
  EXPECT_EQ(bytes::U16(dat, 2 * 512 + 506), 506);
  EXPECT_EQ(bytes::I32(dat, 2 * 512 + 508), 1);
  EXPECT_EQ(dat[512], '\x01');
  EXPECT_EQ(bytes::U16(dat, 512 + 506), 933 - 506);
  EXPECT_EQ(bytes::I32(dat, 512 + 508), 0);
  EXPECT_EQ(dat.substr(513, 933 - 506), record.substr(506));
  EXPECT_EQ(bytes::I32(dat, a * 512 + 508), 0);
  EXPECT_EQ(bytes::U16(dat, a * 512 + 506), 506);
  int32_t b_next = bytes::I32(dat, b * 512 + 508);
  ASSERT_GT(b_next, 0);
  EXPECT_EQ(bytes::U16(dat, b_next * 512 + 506), 1);
  EXPECT_EQ(dat[b_next * 512 + 1], 'z');
}

TEST_F(Slots, SlotPositionsScaleOntoTheScrollRange) {
  Fileblock* fb = Make(21);
  std::string record(21, '\0');
  for (int i = 0; i < 999; ++i) engine_.AddSlot(fb, record.data());
  // n = 1000 slots with the header; scale 9: q = 100.
  EXPECT_EQ(engine_.RelativeToSlot(fb, 0, 9), 50);
  EXPECT_EQ(engine_.RelativeToSlot(fb, 9, 9), 950);
  EXPECT_EQ(engine_.SlotToRelative(fb, 0, 9), 0);
  EXPECT_EQ(engine_.SlotToRelative(fb, 950, 9), 9);
  EXPECT_EQ(engine_.SlotToRelative(fb, 500, 99), 50);
  int last = 0;
  for (int32_t ref = 1; ref <= 999; ++ref) {
    int pos = engine_.SlotToRelative(fb, ref, 1000);
    ASSERT_TRUE(engine_.EngineOk());
    ASSERT_GE(pos, last);
    ASSERT_LE(pos, 1000);
    last = pos;
  }
  int32_t last_ref = 0;
  for (int pos = 0; pos <= 300; ++pos) {
    int32_t ref = engine_.RelativeToSlot(fb, pos, 300);
    ASSERT_GE(ref, last_ref);
    ASSERT_LE(ref, 999);
    last_ref = ref;
  }
  engine_.SlotToRelative(fb, 5, 0);
  EXPECT_EQ(engine_.EngineError(), kErrRelativeScale);
  engine_.RelativeToSlot(fb, 0, 0);
  EXPECT_EQ(engine_.EngineError(), kErrRelativePosition);
  engine_.RelativeToSlot(fb, 11, 10);
  EXPECT_EQ(engine_.EngineError(), kErrRelativePosition);
  engine_.CloseFileblock(fb);
}

}  // namespace
}  // namespace tessary::isam
