// The row browser over a database of generated quotations: pages in key
// order, moves at the ends, re-finding the page after records changed under
// it, filters, bounds, slot order and the scroll position. Expected pages are
// slices of an independent walk of the key (the engine's NextKey from a
// cleared cursor, or the fixture's own list of head slots for key 0).
#include "browser/row_browser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "database/quotation_record.h"
#include "support/quotation_fixture.h"

namespace tessary::browser {
namespace {

using database::FieldText;
using database::QuotationRecord;
using testing::GeneratedQuotation;
using testing::QuotationFixture;

constexpr int kRecords = 317;  // not a multiple of the page, so the last page move is short

using Entry = testing::KeyEntry;

// Every entry of `key` in order; for key 0 the head slots of the fixture's
// records in slot order.
std::vector<Entry> Walk(QuotationFixture& db, int key) {
  if (key != 0) return testing::WalkKey(db.session(), key);
  std::vector<Entry> out;
  for (int n = 1; n <= db.count(); ++n) out.push_back({"", db.ref(n)});
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.ref < b.ref; });
  return out;
}

std::vector<Entry> Slice(const std::vector<Entry>& walk, size_t from, size_t count) {
  from = std::min(from, walk.size());
  count = std::min(count, walk.size() - from);
  return std::vector<Entry>(walk.begin() + static_cast<ptrdiff_t>(from),
                            walk.begin() + static_cast<ptrdiff_t>(from + count));
}

// The filled rows of the page; rows below the first empty one must be empty too.
std::vector<Entry> Page(const RowBrowser& b) {
  std::vector<Entry> out;
  for (int i = 1; i <= b.visible_rows(); ++i) {
    if (b.row(i).empty()) continue;
    EXPECT_EQ(static_cast<int>(out.size()), i - 1) << "row " << i << " follows an empty row";
    out.push_back({b.row(i).key, b.row(i).ref});
  }
  return out;
}

// The text the test's BuildRow gives a good row of quotation `number`.
std::string RowOf(int number) {
  return std::to_string(number) + "|Quotation number " + std::to_string(number) + ", line one.";
}

// A browser over a fixture database. Its BuildRow writes the record number
// and first line of the record in the buffer, so a row's text shows which
// record the engine had read when it built the row.
struct Harness {
  explicit Harness(int count, int key = 1, int rows = 50)
      : db(count),
        browser(db.engine(), db.fileblock(), key, &db.session().current_record,
                sizeof(QuotationRecord), "", "", rows, 1, true) {
    browser.BuildRow = [this](RowRec& row) {
      ++builds;
      const QuotationRecord& r = db.session().current_record;
      row.elements[0] = row.status != 0 ? "bad " + row.key
                                        : std::string(FieldText(r.Record_Number)) + "|" +
                                              std::string(FieldText(r.Line1));
      return 0;
    };
  }

  // The record number a ref belongs to (0 when none).
  int NumberOf(int32_t ref) const {
    for (int n = 1; n <= db.count(); ++n) {
      if (db.ref(n) == ref) return n;
    }
    return 0;
  }

  // Every filled row's text names the record of its own entry.
  void ExpectRowTextsMatchRecords() {
    for (int i = 1; i <= browser.filled_rows(); ++i) {
      EXPECT_EQ(browser.row(i).elements[0], RowOf(NumberOf(browser.row(i).ref))) << "row " << i;
    }
  }

  // Deletes quotation `number` through the session (the question answered Yes).
  void Delete(int number) {
    db.host().SetNextAnswer(true);
    ASSERT_EQ(db.session().DeleteRecord(GeneratedQuotation(number), db.ref(number)),
              database::DeleteOutcome::kDeleted);
  }

  QuotationFixture db;
  RowBrowser browser;
  int builds = 0;
};

// Steps through the whole key `rows` entries at a time, collecting every entry.
std::vector<Entry> StepThrough(RowBrowser& b, int rows) {
  EXPECT_EQ(b.FirstPage(), kRowOk);
  std::vector<Entry> seen = Page(b);
  int moved = 0;
  while (b.StepForward(rows, &moved) == kRowOk) {
    std::vector<Entry> page = Page(b);
    seen.insert(seen.end(), page.end() - moved, page.end());
  }
  EXPECT_EQ(moved, 0);
  return seen;
}

// First and last pages of every key, and paging through the whole key and
// back with the current row kept.
TEST(RowBrowserTest, PagesOfEveryKeyInKeyOrder) {
  Harness h(kRecords);
  for (int key = 0; key <= 6; ++key) {
    SCOPED_TRACE("key " + std::to_string(key));
    const std::vector<Entry> walk = Walk(h.db, key);
    const size_t n = walk.size();
    ASSERT_EQ(n, static_cast<size_t>(kRecords));
    h.browser.SetKeyNumber(key);
    h.browser.SetCurrentRow(7);
    EXPECT_EQ(h.browser.FirstPage(), kRowOk);
    EXPECT_EQ(Page(h.browser), Slice(walk, 0, 50));
    EXPECT_EQ(h.browser.current_row(), 1);
    EXPECT_EQ(h.browser.CurrentRef(), walk[0].ref);
    EXPECT_TRUE(h.browser.page_moved());
    h.ExpectRowTextsMatchRecords();

    h.browser.SetCurrentRow(4);
    size_t start = 0;
    while (start + 50 < n) {
      ASSERT_EQ(h.browser.NextPage(), kRowOk);
      start = std::min(start + 50, n - 50);
      ASSERT_EQ(Page(h.browser), Slice(walk, start, 50)) << "from " << start;
      EXPECT_EQ(h.browser.current_row(), 4);
      h.ExpectRowTextsMatchRecords();
    }
    EXPECT_EQ(h.browser.NextPage(), kNoEntry);
    EXPECT_FALSE(h.browser.page_moved());
    while (start > 0) {
      ASSERT_EQ(h.browser.PrevPage(), kRowOk);
      start = start >= 50 ? start - 50 : 0;
      ASSERT_EQ(Page(h.browser), Slice(walk, start, 50));
    }
    EXPECT_EQ(h.browser.PrevPage(), kNoEntry);
    EXPECT_EQ(Page(h.browser), Slice(walk, 0, 50));

    EXPECT_EQ(h.browser.LastPage(), kRowOk);
    EXPECT_EQ(Page(h.browser), Slice(walk, n - 50, 50));
    EXPECT_EQ(h.browser.current_row(), 50);
    EXPECT_EQ(h.browser.CurrentRef(), walk.back().ref);
  }
}

// NextRow on the last row and PrevRow on the first scroll the page by one;
// steps at the ends of the key move nothing.
TEST(RowBrowserTest, SingleStepsScrollAtTheEdgesAndStopAtTheEnds) {
  Harness h(kRecords, 2, 10);
  const std::vector<Entry> walk = Walk(h.db, 2);
  const size_t n = walk.size();
  ASSERT_EQ(h.browser.FirstPage(), kRowOk);
  int moved = -1;
  EXPECT_EQ(h.browser.PrevRow(), kNoEntry);
  EXPECT_EQ(h.browser.StepBackward(1, &moved), kNoEntry);
  EXPECT_EQ(moved, 0);
  for (int i = 2; i <= 10; ++i) ASSERT_EQ(h.browser.NextRow(), kRowOk);
  EXPECT_FALSE(h.browser.page_moved());
  EXPECT_EQ(h.browser.NextRow(), kRowOk);
  EXPECT_TRUE(h.browser.page_moved());
  EXPECT_EQ(h.browser.current_row(), 10);
  EXPECT_EQ(Page(h.browser), Slice(walk, 1, 10));
  for (int i = 0; i < 10; ++i) ASSERT_EQ(h.browser.PrevRow(), kRowOk);
  EXPECT_EQ(h.browser.current_row(), 1);
  EXPECT_EQ(Page(h.browser), Slice(walk, 0, 10));

  ASSERT_EQ(h.browser.LastPage(), kRowOk);
  EXPECT_EQ(h.browser.NextRow(), kNoEntry);
  EXPECT_EQ(h.browser.StepForward(1, &moved), kNoEntry);
  EXPECT_EQ(moved, 0);
  EXPECT_FALSE(h.browser.page_moved());
  EXPECT_EQ(h.browser.current_row(), 10);
  // Three back, then five forward: only three are left.
  EXPECT_EQ(h.browser.StepBackward(3, &moved), kRowOk);
  EXPECT_EQ(moved, 3);
  EXPECT_EQ(Page(h.browser), Slice(walk, n - 13, 10));
  EXPECT_EQ(h.browser.StepForward(5, &moved), kRowOk);
  EXPECT_EQ(moved, 3);
  EXPECT_TRUE(h.browser.page_moved());
  EXPECT_EQ(Page(h.browser), Slice(walk, n - 10, 10));
}

TEST(RowBrowserTest, SetPositionPlacesTheEntryAtTheRowAndFillsAroundIt) {
  Harness h(kRecords);
  const std::vector<Entry> walk = Walk(h.db, 2);
  const size_t n = walk.size();
  ASSERT_EQ(walk[100].key.size(), 30u);
  auto expect_at = [&](size_t entry, int row, size_t first, size_t count) {
    EXPECT_EQ(h.browser.current_row(), row);
    EXPECT_EQ(h.browser.CurrentRef(), walk[entry].ref);
    EXPECT_EQ(Page(h.browser), Slice(walk, first, count));
  };

  // A 31st character is cut off, so the entry itself is found (uncut, the
  // text would sort after every entry of that key text).
  EXPECT_EQ(h.browser.SetPosition(2, walk[100].key + "\xFF", walk[100].ref, 5), kRowOk);
  EXPECT_EQ(h.browser.key_number(), 2);
  EXPECT_EQ(h.browser.CurrentKey(), walk[100].key);
  expect_at(100, 5, 96, 50);
  h.ExpectRowTextsMatchRecords();

  // Reference 0 finds the first entry of that key text.
  size_t first = 0;
  while (walk[first].key != walk[100].key) ++first;
  ASSERT_LT(first, 100u);
  EXPECT_EQ(h.browser.SetPosition(2, walk[100].key, 0, 1), kRowOk);
  expect_at(first, 1, first, 50);

  // Near the end the page stays full and the current row moves down.
  EXPECT_EQ(h.browser.SetPosition(2, walk[n - 3].key, walk[n - 3].ref, 1), kRowOk);
  expect_at(n - 3, 48, n - 50, 50);

  // Near the start the filled rows move up to row 1 with the current row,
  // and the rows left at the bottom stay empty (2 above, 40 below).
  EXPECT_EQ(h.browser.SetPosition(2, walk[2].key, walk[2].ref, 10), kRowOk);
  expect_at(2, 3, 0, 43);
}

// Refresh rebuilds every row and flags only the changed one. A deleted record
// reads back as a bad row until the page moves; one stored in two slots reads
// as its freed head, not as a damaged chain that would end the completion.
// Resync after the current record was deleted gives its row to the next entry,
// at the end of the key to the previous one. Key 0 skips the deleted slots.
TEST(RowBrowserTest, RefreshAndResyncAfterRecordsChanged) {
  Harness h(kRecords);
  std::vector<Entry> walk = Walk(h.db, 1);
  ASSERT_EQ(h.browser.FirstPage(), kRowOk);
  EXPECT_TRUE(h.browser.row(1).changed);  // the rows had no text before
  EXPECT_EQ(h.browser.RefreshRows(), kRowOk);
  for (int i = 1; i <= 50; ++i) EXPECT_FALSE(h.browser.row(i).changed) << "row " << i;

  // Quotation 3 gets a new first line elsewhere; its keys stay as they were.
  database::Session& s = h.db.session();
  s.saved_record = GeneratedQuotation(3);
  s.current_record = GeneratedQuotation(3);
  database::SetField(s.current_record.Line1, "A new first line.");
  ASSERT_EQ(s.UpdateRecord(h.db.ref(3)), database::UpdateOutcome::kUpdated);
  h.builds = 0;
  EXPECT_EQ(h.browser.RefreshRows(), kRowOk);
  EXPECT_FALSE(h.browser.page_moved());
  EXPECT_EQ(h.builds, 50);
  for (int i = 1; i <= 50; ++i) {
    EXPECT_EQ(h.browser.row(i).changed, i == 3) << "row " << i;
    EXPECT_EQ(h.browser.row(i).elements[0], i == 3 ? "3|A new first line." : RowOf(i));
  }

  h.Delete(10);  // stored whole, in two slots
  EXPECT_EQ(h.browser.RefreshRows(), kRowOk);
  EXPECT_EQ(h.browser.row(10).status, -1);
  EXPECT_EQ(h.browser.row(10).ref, h.db.ref(10));
  EXPECT_TRUE(h.browser.row(10).changed);
  EXPECT_EQ(h.browser.row(10).elements[0], "bad     10");
  EXPECT_EQ(h.browser.row(11).elements[0], RowOf(11));
  // Once the page moves, the entry is gone.
  EXPECT_EQ(h.browser.FirstPage(), kRowOk);
  EXPECT_EQ(h.browser.row(10).key, "    11");
  EXPECT_EQ(h.browser.row(10).status, 0);
  walk.erase(walk.begin() + 9);

  for (int i = 1; i < 5; ++i) ASSERT_EQ(h.browser.NextRow(), kRowOk);
  h.Delete(5);
  EXPECT_EQ(h.browser.Resync(), kRowOk);
  EXPECT_EQ(h.browser.current_row(), 5);
  EXPECT_EQ(h.browser.CurrentRef(), h.db.ref(6));
  walk.erase(walk.begin() + 4);
  EXPECT_EQ(Page(h.browser), Slice(walk, 0, 50));

  ASSERT_EQ(h.browser.LastPage(), kRowOk);
  h.Delete(kRecords);
  EXPECT_EQ(h.browser.Resync(), kRowOk);
  EXPECT_EQ(h.browser.current_row(), 50);
  EXPECT_EQ(h.browser.CurrentRef(), h.db.ref(kRecords - 1));
  EXPECT_EQ(Page(h.browser), Slice(walk, walk.size() - 51, 50));

  // Key 0 browses the live head slots in slot order.
  std::vector<Entry> slots = Walk(h.db, 0);
  std::erase_if(slots, [&](const Entry& e) {
    return e.ref == h.db.ref(5) || e.ref == h.db.ref(10) || e.ref == h.db.ref(kRecords);
  });
  h.browser.SetKeyNumber(0);
  EXPECT_EQ(StepThrough(h.browser, 50), slots);
  EXPECT_EQ(h.browser.SetPosition(0, "", h.db.ref(5), 1), kRowOk);
  EXPECT_EQ(h.browser.CurrentRef(), h.db.ref(6));
}

struct FilterReport {
  int call_state;
  bool rejected;
  bool operator==(const FilterReport&) const = default;
};

TEST(RowBrowserTest, AFilterRejectingEveryOtherEntryCostsOneRejectionPerRow) {
  Harness h(kRecords);
  int asked = 0;
  std::vector<FilterReport> reports;
  h.browser.PerformFilter = [&](RowRec& row, bool& use_it) {
    ++asked;
    use_it = std::stoi(row.key) % 2 == 0;  // even record numbers (key 1 holds the number)
    return 0;
  };
  h.browser.ShowFilterWorking = [&](int state, bool rejected) {
    reports.push_back({state, rejected});
  };
  ASSERT_EQ(h.browser.FirstPage(), kRowOk);  // inactive, the filter is neither asked nor reported
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(reports.empty());
  h.browser.SetFilterActive(true);
  // Moves, then checks the page shows even numbers from `first` on at the
  // cost of `asks` questions (one more when the move looks one entry ahead).
  auto move = [&](int result, int first, int asks) {
    EXPECT_EQ(result, kRowOk);
    for (int i = 1; i <= 50; ++i) {
      EXPECT_EQ(h.browser.row(i).ref, h.db.ref(first + 2 * (i - 1))) << "row " << i;
    }
    EXPECT_GE(asked, asks);
    EXPECT_LE(asked, asks + 1);
    asked = 0;
  };
  move(h.browser.FirstPage(), 2, 100);
  h.ExpectRowTextsMatchRecords();
  EXPECT_EQ(reports.front(), (FilterReport{-1, true}));
  EXPECT_EQ(reports.back(), (FilterReport{1, false}));

  // A page down moves 50 accepted entries past 50 rejected ones; the rows
  // already on the page are not asked again.
  reports.clear();
  move(h.browser.NextPage(), 102, 100);
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports.front().call_state, -1);
  EXPECT_EQ(reports.back(), (FilterReport{1, false}));
  EXPECT_EQ(std::count(reports.begin(), reports.end(), FilterReport{0, true}) +
                (reports.front().rejected ? 1 : 0),
            50);
  for (size_t i = 1; i + 1 < reports.size(); ++i) EXPECT_EQ(reports[i].call_state, 0);

  move(h.browser.StepForward(3), 108, 6);
  move(h.browser.PrevPage(), 8, 100);

  // The page build closed the sequence already: switching off reports nothing.
  reports.clear();
  h.browser.SetFilterActive(false);
  EXPECT_TRUE(reports.empty());
  ASSERT_EQ(h.browser.FirstPage(), kRowOk);
  EXPECT_EQ(Page(h.browser), Slice(Walk(h.db, 1), 0, 50));
}

TEST(RowBrowserTest, BoundsLimitTheRange) {
  Harness h(kRecords, 3, 10);
  Harness few(kRecords, 3, 50);
  const std::vector<Entry> walk = Walk(h.db, 3);
  // Subjects Hope, Life and Love; then Hope alone.
  const std::pair<std::string, std::string> ranges[] = {{"HOPE", "LOVE"}, {"HOPE", "HOPE"}};
  for (const auto& [low, high] : ranges) {
    SCOPED_TRACE(low + ".." + high);
    std::vector<Entry> range;
    for (const Entry& e : walk) {
      if (e.key.substr(0, 4) >= low && e.key.substr(0, 4) <= high) range.push_back(e);
    }
    ASSERT_GT(range.size(), 20u);
    h.browser.SetBounds(low, high);
    EXPECT_EQ(StepThrough(h.browser, 10), range);
    ASSERT_EQ(h.browser.LastPage(), kRowOk);
    EXPECT_EQ(Page(h.browser), Slice(range, range.size() - 10, 10));
    EXPECT_EQ(h.browser.SetPosition(3, range[5].key, range[5].ref, 1), kRowOk);
    EXPECT_EQ(Page(h.browser), Slice(range, 5, 10));

    // Fewer entries than rows: the whole range on one page.
    if (low != high) continue;
    ASSERT_LT(range.size(), 50u);
    few.browser.SetBounds(low, high);
    EXPECT_EQ(few.browser.LastPage(), kRowOk);
    EXPECT_EQ(Page(few.browser), range);
    EXPECT_EQ(few.browser.current_row(), static_cast<int>(range.size()));
  }

  ASSERT_EQ(h.browser.SetVisibleRows(1), kRowOk);
  ASSERT_EQ(h.browser.visible_rows(), 1);
  EXPECT_EQ(h.browser.LastPage(), kRowOk);
  EXPECT_EQ(h.browser.CurrentKey().substr(0, 4), "HOPE");
  EXPECT_EQ(h.browser.NextRow(), kNoEntry);
}

TEST(RowBrowserTest, EveryMoveOnAnEmptyKeyOrRangeFindsNoEntry) {
  Harness empty(0);
  Harness full(kRecords);
  full.browser.SetBounds("ZZ", "ZZ");
  for (Harness* h : {&empty, &full}) {
    RowBrowser& b = h->browser;
    for (int key = h == &full ? 1 : 0; key <= 6; ++key) {  // bounds do not apply to key 0
      SCOPED_TRACE("key " + std::to_string(key) + (h == &full ? ", empty range" : ""));
      b.SetKeyNumber(key);
      int moved = -1;
      EXPECT_EQ(b.FirstPage(), kNoEntry);
      EXPECT_EQ(b.LastPage(), kNoEntry);
      EXPECT_EQ(b.StepForward(1, &moved), kNoEntry);
      EXPECT_EQ(moved, 0);
      EXPECT_EQ(b.StepBackward(1, &moved), kNoEntry);
      EXPECT_EQ(moved, 0);
      EXPECT_EQ(b.NextRow(), kNoEntry);
      EXPECT_EQ(b.PrevRow(), kNoEntry);
      EXPECT_EQ(b.NextPage(), kNoEntry);
      EXPECT_EQ(b.PrevPage(), kNoEntry);
      EXPECT_EQ(b.Resync(), kNoEntry);
      EXPECT_EQ(b.SetPosition(key, "A", 1, 3), kNoEntry);
      EXPECT_EQ(b.filled_rows(), 0);
      EXPECT_EQ(b.CurrentRef(), 0);
      EXPECT_EQ(b.CurrentKey(), "");
      EXPECT_EQ(b.ScrollPosition(), 0);
    }
  }
}

// The scroll positions of every entry, going down by NextRow from the first.
std::vector<int> PositionsDown(RowBrowser& b) {
  EXPECT_EQ(b.FirstPage(), kRowOk);
  std::vector<int> down{b.ScrollPosition()};
  while (b.NextRow() == kRowOk) down.push_back(b.ScrollPosition());
  return down;
}

// Scroll positions run from 0 at the first entry to 63 at the last, alike
// going down and up. Up to 64 entries (slots for key 0, continuations
// included) each has a position of its own that leads back to it; in a longer
// key only the ends take 0 and 63, and a position leads back to within a page.
TEST(RowBrowserTest, ScrollPositionsRunFromZeroToSixtyThree) {
  for (int count : {kRecords, 2, 40, 58, 63, 64}) {
    Harness h(count, 1, count == kRecords ? 20 : 10);
    for (int key = 0; key <= 6; ++key) {
      SCOPED_TRACE(std::to_string(count) + " records, key " + std::to_string(key));
      const bool exact = (key == 0 ? h.db.engine().UsedSlots(h.db.fileblock()) : count) <= 64;
      const std::vector<Entry> walk = Walk(h.db, key);
      h.browser.SetKeyNumber(key);
      const std::vector<int> down = PositionsDown(h.browser);
      ASSERT_EQ(down.size(), walk.size());
      EXPECT_EQ(down.front(), 0);
      EXPECT_EQ(down.back(), kScrollMax);
      std::vector<int> up{h.browser.ScrollPosition()};
      while (h.browser.PrevRow() == kRowOk) up.push_back(h.browser.ScrollPosition());
      std::reverse(up.begin(), up.end());
      EXPECT_EQ(up, down);
      if (exact) {
        EXPECT_TRUE(std::adjacent_find(down.begin(), down.end(),
                                       [](int a, int b) { return a >= b; }) == down.end());
        for (size_t i = 0; i < walk.size(); ++i) {
          ASSERT_EQ(h.browser.PositionFromScroll(down[i]), kRowOk);
          EXPECT_EQ(h.browser.CurrentRef(), walk[i].ref) << "position " << down[i];
        }
        continue;
      }
      EXPECT_TRUE(std::is_sorted(down.begin(), down.end()));
      EXPECT_EQ(std::count(down.begin(), down.end(), 0), 1);
      EXPECT_EQ(std::count(down.begin(), down.end(), kScrollMax), 1);
      for (size_t i = 0; i < walk.size(); i += 7) {
        ASSERT_EQ(h.browser.SetPosition(key, walk[i].key, walk[i].ref, 10), kRowOk);
        const int position = h.browser.ScrollPosition();
        ASSERT_EQ(h.browser.PositionFromScroll(position), kRowOk);
        const auto landed = std::find(walk.begin(), walk.end(),
                                      Entry{h.browser.CurrentKey(), h.browser.CurrentRef()});
        EXPECT_LE(std::abs(landed - walk.begin() - static_cast<ptrdiff_t>(i)), 20)
            << "entry " << i << " at position " << position;
      }
      ASSERT_EQ(h.browser.PositionFromScroll(0), kRowOk);
      EXPECT_EQ(h.browser.CurrentRef(), walk.front().ref);
      ASSERT_EQ(h.browser.PositionFromScroll(kScrollMax), kRowOk);
      EXPECT_EQ(h.browser.CurrentRef(), walk.back().ref);
    }
  }
  Harness one(1);
  ASSERT_EQ(one.browser.FirstPage(), kRowOk);
  EXPECT_EQ(one.browser.ScrollPosition(), 0);
  EXPECT_EQ(one.browser.PositionFromScroll(30), kRowOk);
  EXPECT_EQ(one.browser.CurrentRef(), one.db.ref(1));
}

}  // namespace
}  // namespace tessary::browser
