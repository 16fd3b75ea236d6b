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

std::vector<int> Keys(const PageBytes& page) {
  std::vector<int> out;
  for (const auto& item : page.items) out.push_back(std::stoi(item.key));
  return out;
}

std::vector<int32_t> RightChildren(const PageBytes& page) {
  std::vector<int32_t> out;
  for (const auto& item : page.items) out.push_back(item.right_child);
  return out;
}

// Two keys: key 1 (length 3) stays empty, key 2 (length 7, no duplicates)
// holds the tree under test, so every page sits behind key 1's stretch.
class BtreeShape : public ::testing::Test {
 protected:
  static constexpr int kLen1 = 3;
  static constexpr int kLen2 = 7;
  const size_t key2_offset_ = bytes::PageBytesOf(kLen1);
  const size_t row_bytes_ = bytes::PageBytesOf(kLen1) + bytes::PageBytesOf(kLen2);

  void SetUp() override {
    engine_.InitEngine(30);
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
  KeyHead Head() const { return bytes::ReadKeyHead(ix_, key2_offset_); }
  PageBytes Page(int32_t p) const {
    return bytes::ReadPage(ix_, row_bytes_, key2_offset_, kLen2, p);
  }

  // 100, 200, ..., 6300: the 63rd entry splits the root; page 1 keeps
  // 100..3100, page 2 gets 3300..6300 and the new root page 3 holds 3200.
  void BuildTwoLeaves() { AddAll(Range(100, 6300, 100)); }

  // Two leaves, then page 1 filled to 62 with 150..3150 and page 2 to 62 with
  // 6400..9400; adding 10 overflows page 1 while its right sibling is full, so
  // page 1 splits: it keeps 10, 100..1550 (31), 1600 moves up, new page 4 gets
  // 1650..3150 (31).
  void BuildThreeLeaves() {
    BuildTwoLeaves();
    AddAll(Range(150, 3150, 100));
    AddAll(Range(6400, 9400, 100));
    Add(10);
  }

  testing::TempDir dir_;
  std::string base_ = dir_.File("t");
  Engine engine_;
  Fileblock* fb_ = nullptr;
  std::string ix_;
};

TEST_F(BtreeShape, SixtyThirdEntrySplitsTheRootIntoTwoLeavesOf31) {
  AddAll(Range(1, 62, 1));
  Snap();
  EXPECT_EQ(Head().root_page, 1);
  EXPECT_EQ(Head().page_count, 1);
  EXPECT_EQ(Page(1).count, 62);
  EXPECT_EQ(ix_.size(), 2 * row_bytes_);

  Add(63);
  Snap();
  KeyHead h = Head();
  EXPECT_EQ(h.root_page, 3);
  EXPECT_EQ(h.page_count, 3);
  EXPECT_EQ(h.entry_count, 63);
  EXPECT_EQ(h.first_free_page, -1);
  EXPECT_EQ(h.free_page_count, 0);
  EXPECT_EQ(ix_.size(), 4 * row_bytes_);
  PageBytes root = Page(3);
  EXPECT_EQ(root.count, 1);
  EXPECT_EQ(root.left_child, 1);
  EXPECT_EQ(Keys(root), std::vector<int>{32});
  EXPECT_EQ(RightChildren(root), std::vector<int32_t>{2});
  EXPECT_EQ(root.items[0].ref, 32);
  EXPECT_EQ(Keys(Page(1)), Range(1, 31, 1));
  EXPECT_EQ(Page(1).left_child, 0);
  EXPECT_EQ(RightChildren(Page(1)), std::vector<int32_t>(31, 0));
  EXPECT_EQ(Keys(Page(2)), Range(33, 63, 1));
  EXPECT_EQ(Page(2).left_child, 0);
  // Key 1 never got a page: its header is as created.
  KeyHead k1 = bytes::ReadKeyHead(ix_, 0);
  EXPECT_EQ(k1.page_count, 0);
  EXPECT_EQ(k1.root_page, 0);
}

TEST_F(BtreeShape, FullLeafPassesItemsToItsRightSibling) {
  BuildTwoLeaves();
  AddAll(Range(6400, 7200, 100));  // page 2: 40 items
  AddAll(Range(150, 3150, 100));   // page 1: 62 items
  Snap();
  ASSERT_EQ(Page(1).count, 62);
  ASSERT_EQ(Page(2).count, 40);

  // 62 + 40 + 1 = 103: the overflowing page keeps 52, the sibling gets 51 and
  // the 53rd item of the run becomes the separator.
  Add(10);
  Snap();
  KeyHead h = Head();
  EXPECT_EQ(h.page_count, 3);
  EXPECT_EQ(h.root_page, 3);
  EXPECT_EQ(h.entry_count, 104);
  EXPECT_EQ(Keys(Page(1)), Cat({{10}, Range(100, 2600, 50)}));
  EXPECT_EQ(Keys(Page(3)), std::vector<int>{2650});
  EXPECT_EQ(RightChildren(Page(3)), std::vector<int32_t>{2});
  EXPECT_EQ(Page(3).left_child, 1);
  EXPECT_EQ(Keys(Page(2)), Cat({Range(2700, 3150, 50), {3200}, Range(3300, 7200, 100)}));
  EXPECT_EQ(RightChildren(Page(2)), std::vector<int32_t>(51, 0));
  EXPECT_EQ(ix_.size(), 4 * row_bytes_);
}

TEST_F(BtreeShape, FullLastChildPassesItemsToItsLeftSibling) {
  BuildTwoLeaves();
  AddAll(Range(10, 90, 10));       // page 1: 40 items
  AddAll(Range(3350, 6350, 100));  // page 2: 62 items
  Add(9999);
  Snap();
  EXPECT_EQ(Head().page_count, 3);
  // The left sibling gets 51, the overflowing page keeps 52.
  EXPECT_EQ(Keys(Page(1)),
            Cat({Range(10, 90, 10), Range(100, 3100, 100), {3200}, Range(3300, 3750, 50)}));
  EXPECT_EQ(Keys(Page(3)), std::vector<int>{3800});
  EXPECT_EQ(Keys(Page(2)), Cat({Range(3850, 6350, 50), {9999}}));
}

TEST_F(BtreeShape, LeafSplitsWhenItsSiblingIsFullAndTheRowGrows) {
  BuildTwoLeaves();
  AddAll(Range(150, 3150, 100));
  AddAll(Range(6400, 9400, 100));
  Snap();
  EXPECT_EQ(ix_.size(), 4 * row_bytes_);
  Add(10);
  Snap();
  KeyHead h = Head();
  EXPECT_EQ(h.page_count, 4);
  EXPECT_EQ(h.entry_count, 126);
  EXPECT_EQ(ix_.size(), 5 * row_bytes_);
  EXPECT_EQ(Keys(Page(3)), (std::vector<int>{1600, 3200}));
  EXPECT_EQ(Page(3).left_child, 1);
  EXPECT_EQ(RightChildren(Page(3)), (std::vector<int32_t>{4, 2}));
  EXPECT_EQ(Keys(Page(1)), Cat({{10}, Range(100, 1550, 50)}));
  EXPECT_EQ(Keys(Page(4)), Range(1650, 3150, 50));
  EXPECT_EQ(Keys(Page(2)), Range(3300, 9400, 100));
}

TEST_F(BtreeShape, UnderflowMergesTwoPagesOf31AndFreesOne) {
  BuildThreeLeaves();
  Delete(10);
  Snap();
  KeyHead h = Head();
  EXPECT_EQ(h.page_count, 4);
  EXPECT_EQ(h.root_page, 3);
  EXPECT_EQ(h.entry_count, 125);
  EXPECT_EQ(h.first_free_page, 4);
  EXPECT_EQ(h.free_page_count, 1);
  EXPECT_EQ(Page(4).free_link, -1);
  EXPECT_EQ(Keys(Page(1)), Range(100, 3150, 50));
  EXPECT_EQ(Page(1).count, 62);
  EXPECT_EQ(Keys(Page(3)), std::vector<int>{3200});
  EXPECT_EQ(Page(3).left_child, 1);
  EXPECT_EQ(RightChildren(Page(3)), std::vector<int32_t>{2});

  // The freed page is the next one allocated: splitting page 1 again takes it.
  Add(10);
  Snap();
  EXPECT_EQ(Head().page_count, 4);
  EXPECT_EQ(Head().first_free_page, -1);
  EXPECT_EQ(Head().free_page_count, 0);
  EXPECT_EQ(Keys(Page(4)), Range(1650, 3150, 50));
}

TEST_F(BtreeShape, UnderflowBorrowsOneItemFromASiblingOf33) {
  BuildThreeLeaves();
  AddAll({1675, 1725});  // page 4: 33 items
  Delete(10);
  Snap();
  KeyHead h = Head();
  EXPECT_EQ(h.page_count, 4);
  EXPECT_EQ(h.free_page_count, 0);
  EXPECT_EQ(Keys(Page(1)), Cat({Range(100, 1550, 50), {1600}}));
  EXPECT_EQ(Keys(Page(3)), (std::vector<int>{1650, 3200}));
  EXPECT_EQ(RightChildren(Page(3)), (std::vector<int32_t>{4, 2}));
  EXPECT_EQ(Keys(Page(4)), Cat({{1675, 1700, 1725}, Range(1750, 3150, 50)}));
  EXPECT_EQ(Page(4).count, 32);
}

TEST_F(BtreeShape, InnerEntryIsReplacedByItsPredecessor) {
  BuildThreeLeaves();
  // 3200 gives way to 3150, the last entry of page 4; page 4 then underflows
  // and borrows (62 - 31 + 1) div 2 = 16 from page 2 through the separator.
  Delete(3200);
  Snap();
  EXPECT_EQ(Keys(Page(3)), (std::vector<int>{1600, 4800}));
  EXPECT_EQ(RightChildren(Page(3)), (std::vector<int32_t>{4, 2}));
  EXPECT_EQ(Keys(Page(4)), Cat({Range(1650, 3150, 50), Range(3300, 4700, 100)}));
  EXPECT_EQ(Keys(Page(2)), Range(4900, 9400, 100));
  EXPECT_EQ(Head().entry_count, 125);
}

TEST_F(BtreeShape, RootCollapsesAndAnEmptiedTreeFreesEveryPage) {
  AddAll(Range(1, 63, 1));
  Delete(1);  // page 1 merges with page 2; the root is left with no item
  Snap();
  KeyHead h = Head();
  EXPECT_EQ(h.root_page, 1);
  EXPECT_EQ(h.entry_count, 62);
  EXPECT_EQ(h.first_free_page, 3);
  EXPECT_EQ(h.free_page_count, 2);
  EXPECT_EQ(Page(3).free_link, 2);
  EXPECT_EQ(Page(2).free_link, -1);
  EXPECT_EQ(Keys(Page(1)), Range(2, 63, 1));
  EXPECT_EQ(Page(1).left_child, 0);

  for (int v = 2; v <= 63; ++v) ASSERT_NO_FATAL_FAILURE(Delete(v));
  int32_t ref = 0;
  std::string text;
  engine_.NextKey(fb_, 2, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrNoLargerKey);
  engine_.PrevKey(fb_, 2, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrNoSmallerKey);
  text = "0";
  engine_.SearchKey(fb_, 2, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrNoKeyNoLarger);
  engine_.DeleteKey(fb_, 2, 5, Text(5));
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 0);
  Snap();
  h = Head();
  EXPECT_EQ(h.root_page, 0);
  EXPECT_EQ(h.entry_count, 0);
  EXPECT_EQ(h.page_count, 3);
  EXPECT_EQ(h.first_free_page, 1);
  EXPECT_EQ(h.free_page_count, 3);
  EXPECT_EQ(Page(1).free_link, 3);

  Add(7);
  Snap();
  EXPECT_EQ(Head().root_page, 1);
  EXPECT_EQ(Head().first_free_page, 3);
  EXPECT_EQ(Head().free_page_count, 2);
  EXPECT_EQ(Keys(Page(1)), std::vector<int>{7});
}

TEST_F(BtreeShape, MissingEntryIsNotDeletedAndNothingChanges) {
  AddAll(Range(1, 63, 1));
  Snap();
  std::string before = ix_;
  engine_.DeleteKey(fb_, 2, 40, Text(400));
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 63);
  Snap();
  EXPECT_EQ(ix_, before);
}

// Walks the whole key forward; each entry is (text, ref).
std::vector<std::pair<std::string, int32_t>> WalkForward(Engine& e, Fileblock* fb, int key) {
  std::vector<std::pair<std::string, int32_t>> out;
  e.ClearKey(fb, key);
  int32_t ref = 0;
  std::string text;
  for (;;) {
    e.NextKey(fb, key, ref, text);
    if (!e.EngineOk()) break;
    out.emplace_back(text, ref);
  }
  return out;
}

TEST_F(BtreeShape, NextAndPrevWrapAroundAtTheEnds) {
  AddAll(Range(1, 500, 1));
  int32_t ref = 0;
  std::string text;
  engine_.ClearKey(fb_, 2);
  engine_.PrevKey(fb_, 2, ref, text);
  ASSERT_TRUE(engine_.EngineOk());
  EXPECT_EQ(text, Text(500));
  EXPECT_EQ(ref, 500);
  engine_.NextKey(fb_, 2, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrNoLargerKey);
  EXPECT_EQ(engine_.ErrorClass(), 1);
  engine_.NextKey(fb_, 2, ref, text);
  ASSERT_TRUE(engine_.EngineOk());
  EXPECT_EQ(text, Text(1));
  engine_.PrevKey(fb_, 2, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrNoSmallerKey);
  engine_.PrevKey(fb_, 2, ref, text);
  ASSERT_TRUE(engine_.EngineOk());
  EXPECT_EQ(text, Text(500));

  // Stepping crosses every page boundary both ways.
  std::string t = Text(123);
  int32_t r = 0;
  engine_.SearchKey(fb_, 2, r, t);
  ASSERT_TRUE(engine_.EngineOk());
  for (int v = 124; v <= 500; ++v) {
    engine_.NextKey(fb_, 2, r, t);
    ASSERT_TRUE(engine_.EngineOk()) << v;
    ASSERT_EQ(t, Text(v));
  }
  for (int v = 499; v >= 1; --v) {
    engine_.PrevKey(fb_, 2, r, t);
    ASSERT_TRUE(engine_.EngineOk()) << v;
    ASSERT_EQ(r, v);
  }

  text = "00500A";
  engine_.SearchKey(fb_, 2, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrNoKeyNoLarger);
  EXPECT_EQ(text, "00500A");
  text = "0012";  // a proper prefix sorts first: 00120 is the first at or after it
  engine_.SearchKey(fb_, 2, ref, text);
  EXPECT_EQ(text, Text(120));
  text = Text(77);
  engine_.SearchKey(fb_, 2, ref, text);
  EXPECT_EQ(ref, 77);
}

TEST_F(BtreeShape, CursorIsReestablishedFromTheCallersEntryAfterChanges) {
  AddAll(Range(10, 620, 10));  // 62 entries in the root
  int32_t ref = 0;
  std::string text = Text(300);
  engine_.SearchKey(fb_, 2, ref, text);
  ASSERT_EQ(ref, 300);
  // The add splits the root, so the cursor's page path is stale.
  Add(5);
  engine_.NextKey(fb_, 2, ref, text);
  ASSERT_TRUE(engine_.EngineOk());
  EXPECT_EQ(ref, 310);
  Add(305);
  engine_.PrevKey(fb_, 2, ref, text);
  ASSERT_TRUE(engine_.EngineOk());
  EXPECT_EQ(ref, 305);

  // The entry under the cursor goes away: NextKey continues after it and
  // PrevKey returns the greatest entry before it.
  Delete(305);
  engine_.NextKey(fb_, 2, ref, text);
  EXPECT_EQ(ref, 310);
  Delete(310);
  engine_.PrevKey(fb_, 2, ref, text);
  ASSERT_TRUE(engine_.EngineOk());
  EXPECT_EQ(ref, 300);
  Delete(300);
  engine_.NextKey(fb_, 2, ref, text);
  EXPECT_EQ(ref, 320);
  Delete(5);
  Delete(10);
  // Nothing before the caller's entry any more.
  ref = 10;
  text = Text(10);
  engine_.FindKeyAndRef(fb_, 2, ref, text, 1);
  ASSERT_EQ(ref, 20);
  Delete(20);
  engine_.PrevKey(fb_, 2, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrNoSmallerKey);
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
  testing::TempDir dir_;
  std::string base_ = dir_.File("d");
  Engine engine_;
  Fileblock* fb_ = nullptr;
};

TEST_F(DuplicateKeys, SameTextSortsByRefAndTheSamePairIsRejected) {
  engine_.AddKey(fb_, 1, 9, "AB");
  ASSERT_TRUE(engine_.EngineOk());
  engine_.AddKey(fb_, 1, 9, "AB");
  EXPECT_EQ(engine_.EngineError(), kErrDuplicateKey);
  EXPECT_EQ(engine_.ErrorClass(), 1);
  for (auto [ref, text] : std::vector<std::pair<int32_t, std::string>>{
           {4, "AB"}, {1, "ABC"}, {2, "Z"}, {3, "ab"}, {5, "\xC4"}, {6, ""}}) {
    engine_.AddKey(fb_, 1, ref, text);
    ASSERT_TRUE(engine_.EngineOk()) << text;
  }
  EXPECT_EQ(engine_.UsedKeys(fb_, 1), 7);
  const std::vector<std::pair<std::string, int32_t>> expected = {
      {"", 6}, {"AB", 4}, {"AB", 9}, {"ABC", 1}, {"Z", 2}, {"ab", 3}, {"\xC4", 5}};
  EXPECT_EQ(WalkForward(engine_, fb_, 1), expected);

  engine_.AddKey(fb_, 2, 9, "AB");
  ASSERT_TRUE(engine_.EngineOk());
  engine_.AddKey(fb_, 2, 4, "AB");
  EXPECT_EQ(engine_.EngineError(), kErrDuplicateKey);
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 1);
  engine_.AddKey(fb_, 2, 1, "ABCDE");
  EXPECT_EQ(engine_.EngineError(), kErrKeyTooLong);

  // Without duplicates the text alone identifies the entry.
  EXPECT_TRUE(engine_.KeyExists(fb_, 2, 4, "AB"));
  EXPECT_TRUE(engine_.KeyExists(fb_, 1, 0, "AB"));
  EXPECT_FALSE(engine_.KeyExists(fb_, 1, 5, "AB"));
  engine_.DeleteKey(fb_, 1, 5, "AB");
  EXPECT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound);
  engine_.DeleteKey(fb_, 2, 77, "AB");
  EXPECT_TRUE(engine_.EngineOk());
  EXPECT_EQ(engine_.UsedKeys(fb_, 2), 0);

  engine_.CloseFileblock(fb_);
  fb_ = nullptr;
  std::string ix = testing::ReadFile(dir_.File("d.IX"));
  size_t row = bytes::PageBytesOf(4) * 2;
  KeyHead h = bytes::ReadKeyHead(ix, 0);
  EXPECT_EQ(h.allow_duplicates, 1);
  EXPECT_EQ(h.entry_count, 7);
  PageBytes leaf = bytes::ReadPage(ix, row, 0, 4, h.root_page);
  ASSERT_EQ(leaf.count, 7);
  std::vector<std::pair<std::string, int32_t>> on_disk;
  for (const auto& item : leaf.items) on_disk.emplace_back(item.key, item.ref);
  EXPECT_EQ(on_disk, expected);
  EXPECT_EQ(bytes::ReadKeyHead(ix, bytes::PageBytesOf(4)).allow_duplicates, 0);
}

TEST_F(DuplicateKeys, FindKeyAndRefByDirection) {
  for (auto [ref, text] :
       std::vector<std::pair<int32_t, std::string>>{{1, "A"}, {5, "A"}, {3, "B"}, {8, "C"}}) {
    engine_.AddKey(fb_, 1, ref, text);
  }
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

  text = "D";
  ref = 1;
  engine_.FindKeyAndRefOrLast(fb_, 1, ref, text);
  EXPECT_TRUE(engine_.EngineOk()) << engine_.EngineError();
  EXPECT_EQ(text, "C");
  EXPECT_EQ(ref, 8);
  text = "B";
  ref = 0;
  engine_.FindKeyAndRefOrLast(fb_, 1, ref, text);
  EXPECT_EQ(text, "B");
  EXPECT_EQ(ref, 3);

  // SearchKey finds the first entry of a text among duplicates.
  text = "A";
  ref = 99;
  engine_.SearchKey(fb_, 1, ref, text);
  EXPECT_TRUE(engine_.EngineOk());
  EXPECT_EQ(ref, 1);
}

TEST(EngineInit, RejectsTooFewBuffersAndASecondInit) {
  Engine engine;
  engine.InitEngine(7);
  EXPECT_EQ(engine.EngineError(), kErrTooFewBuffersRequested);
  EXPECT_EQ(engine.ErrorClass(), 4);
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
  Fileblock* Make(int record_length, int key_count, std::span<const KeyDef> keys) {
    engine_.MakeFileblock(base_, record_length, key_count, keys);
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
  std::string ix = Ix();
  EXPECT_EQ(ix.size(), row);
  KeyHead k2 = bytes::ReadKeyHead(ix, bytes::PageBytesOf(5));
  EXPECT_EQ(k2.page_bytes, 39 * 62 + 6);
  EXPECT_EQ(k2.first_free_page, -1);
  EXPECT_EQ(k2.allow_duplicates, 1);
  EXPECT_EQ(k2.page_size, 62);

  Fileblock* fb = engine_.OpenFileblock(base_);
  ASSERT_TRUE(engine_.EngineOk());
  engine_.AddKey(fb, 2, 1, "key two");
  ASSERT_TRUE(engine_.EngineOk());
  // The first page of key 2 makes the file grow by one whole row at once.
  EXPECT_EQ(Ix().size(), 2 * row);
  // Key 1's first page reuses the row that exists already.
  engine_.AddKey(fb, 1, 2, "one");
  EXPECT_EQ(Ix().size(), 2 * row);
  engine_.CloseFileblock(fb);
  ASSERT_TRUE(engine_.EngineOk());
  ix = Ix();
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
  Fileblock* fb = Make(24, 0, {});
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
  Fileblock* fb = Make(24, 0, {});
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

TEST_F(Slots, VariableRecordsCountEverySlotTheyUse) {
  Fileblock* fb = Make(512, 0, {});
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
  Fileblock* fb = Make(21, 0, {});
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

TEST_F(BtreeShape, KeyPositionsInALeafRoot) {
  AddAll(Range(1, 10, 1));
  // A leaf root of 10 items: entry k lies at (scale + 1) * k div 11.
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, Text(1), 1, 100), 9);
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, Text(10), 10, 100), 91);
  EXPECT_EQ(engine_.KeyToRelative(fb_, 2, "", 0, 100), 0);
  int32_t ref = -1;
  std::string text = "x";
  engine_.RelativeToKey(fb_, 2, 9, 100, ref, text);
  EXPECT_TRUE(engine_.EngineOk());
  EXPECT_EQ(ref, 0);
  EXPECT_EQ(text, "");
  engine_.RelativeToKey(fb_, 2, 10, 100, ref, text);
  EXPECT_EQ(ref, 1);
  engine_.RelativeToKey(fb_, 2, 50, 100, ref, text);
  EXPECT_EQ(ref, 5);
  engine_.RelativeToKey(fb_, 2, 100, 100, ref, text);
  EXPECT_EQ(ref, 10);
  EXPECT_EQ(text, Text(10));
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
      int32_t ref = 0;
      std::string text;
      engine_.RelativeToKey(fb_, 2, pos, scale, ref, text);
      ASSERT_TRUE(engine_.EngineOk());
      ASSERT_GE(ref, last_ref) << pos;
      if (ref != 0) {
        ASSERT_EQ(text, Text(ref));
      }
      last_ref = ref;
    }
  }
  int32_t ref = 0;
  std::string text;
  engine_.RelativeToKey(fb_, 2, 0, 1000, ref, text);
  EXPECT_EQ(ref, 0);
  engine_.RelativeToKey(fb_, 2, 1000, 1000, ref, text);
  EXPECT_GT(ref, 3800);

  engine_.KeyToRelative(fb_, 2, Text(1), 1, 0);
  EXPECT_EQ(engine_.EngineError(), kErrRelativeScale);
  engine_.RelativeToKey(fb_, 2, 0, 0, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrRelativePosition);
  engine_.RelativeToKey(fb_, 2, 11, 10, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrRelativePosition);
  engine_.KeyToRelative(fb_, 1, "", 0, 10);
  EXPECT_EQ(engine_.EngineError(), kErrIndexEmptyRelative);
  engine_.RelativeToKey(fb_, 1, 0, 10, ref, text);
  EXPECT_EQ(engine_.EngineError(), kErrIndexEmpty);
  engine_.KeyToRelative(fb_, 3, "", 0, 10);
  EXPECT_EQ(engine_.EngineError(), kErrInvalidKeyNumber);
}

}  // namespace
}  // namespace tessary::isam
