// The list's filter over a row browser on generated quotations: the word
// search pass with its counters, status lines, stop and continuation, and
// viewing-filter passes, including a filter set that lets nothing through.
// Expected pages are computed from a walk of the key and the records' own
// fields.
#include "search/list_filter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/row_browser.h"
#include "database/keys.h"
#include "support/quotation_fixture.h"

namespace tessary::search {
namespace {

using database::QuotationRecord;
using testing::QuotationFixture;

constexpr int kRecords = 260;
constexpr int kPage = 10;

class FakeStatus : public WordSearchStatus {
 public:
  void Update(const std::string& l1, const std::string& l2, const std::string& l3) override {
    lines.push_back(l1 + "|" + l2 + "|" + l3);
  }
  bool StopPressed() override {
    return stop_after >= 0 && static_cast<int>(lines.size()) > stop_after;
  }
  std::vector<std::string> lines;
  int stop_after = -1;  // updates before the stop button is pressed
};

// A page of `kPage` rows over key 1 with the list's filter attached.
struct Harness {
  explicit Harness(QuotationFixture& db, int key = 1)
      : db(db),
        page(db.engine(), db.fileblock(), key, &db.session().current_record,
             sizeof(QuotationRecord), "", "", kPage, 1, true),
        list(page, db.engine(), db.session().current_record),
        filter(filters, word, list, caption) {
    AttachFilter(page, filter);
    page.BuildRow = [this](browser::RowRec& row) {
      row.elements[0] = std::to_string(row.ref);
      return 0;
    };
    auto inner = page.PerformFilter;
    page.PerformFilter = [this, inner](browser::RowRec& row, bool& use_it) {
      ++calls;
      return inner(row, use_it);
    };
    page.SetFilterActive(true);
  }

  std::vector<int32_t> Refs() const {
    std::vector<int32_t> refs;
    for (int i = 1; i <= page.filled_rows(); ++i) refs.push_back(page.row(i).ref);
    return refs;
  }

  // One word search pass from (key, ref), as the main window runs it.
  bool Pass(const std::string& target, bool whole = true, const std::string& key = "",
            int32_t ref = 0) {
    word.TakeDialog(target, false, whole);
    word.Reset(kRecords);
    word.BeginPass("Sort Key = Record Number", key, ref);
    filter.word_status = &status;
    page.SetPosition(page.key_number(), key, ref, 1);
    return word.EndPass();
  }

  QuotationFixture& db;
  browser::RowBrowser page;
  BrowserFilterList list;
  ViewingFilters filters;
  WordSearch word;
  std::string caption = "Tessary";
  ListFilter filter;
  FakeStatus status;
  int calls = 0;
};

// The references, in key 1 order, of the records `keep` accepts.
std::vector<int32_t> Expected(QuotationFixture& db,
                              const std::function<bool(const QuotationRecord&)>& keep) {
  std::vector<int32_t> refs;
  for (int n = 1; n <= db.count(); ++n) {
    if (keep(testing::GeneratedQuotation(n))) refs.push_back(db.ref(n));
  }
  return refs;
}

std::vector<int32_t> Take(const std::vector<int32_t>& refs, size_t from, size_t count) {
  std::vector<int32_t> out;
  for (size_t i = from; i < refs.size() && out.size() < count; ++i) out.push_back(refs[i]);
  return out;
}

// Records whose line two ends in "7.": 7, 17, 27, ...
bool EndsInSeven(const QuotationRecord& r) {
  const std::string line(database::FieldText(r.Line2));
  return line.size() >= 2 && line.substr(line.size() - 2) == "7.";
}

// Without a match the pass reads every record once (the counter starts at
// 1) and ends; the stop button ends it at the next status update instead.
TEST(WordSearchPass, NoMatchReadsEveryRecordOnceUnlessStopped) {
  QuotationFixture db(kRecords);
  for (bool stop : {false, true}) {
    Harness h(db);
    h.status.stop_after = stop ? 0 : -1;
    EXPECT_EQ(h.Pass("nowhere to be found"), !stop) << stop;
    EXPECT_TRUE(h.Refs().empty());
    EXPECT_EQ(h.word.records_read, stop ? 52u : kRecords + 1u) << stop;
    EXPECT_EQ(h.status.lines.size(), stop ? 1u : kRecords / 51u) << stop;
    EXPECT_EQ(h.word.stopped, stop);
    EXPECT_FALSE(h.word.active);
    EXPECT_TRUE(h.word.searched_before);
  }
}

TEST(WordSearchPass, MatchesNearTheEndAreFound) {
  // Fewer than two matches, the last of them among the last three records.
  QuotationFixture db(kRecords);
  Harness h(db);
  const std::string target = "NUMBER " + std::to_string(kRecords - 1) + ",";
  EXPECT_FALSE(h.Pass(target));
  EXPECT_EQ(h.Refs(), std::vector<int32_t>{db.ref(kRecords - 1)});
}

TEST(WordSearchPass, FillsAScreenfulThenContinuesFromTheHighlightedRecord) {
  QuotationFixture db(kRecords);
  Harness h(db);
  // Line two of every tenth record, 7 to 257, ends in "7.".
  auto sevens = Expected(db, EndsInSeven);
  EXPECT_FALSE(h.Pass("7.", false));
  ASSERT_EQ(h.Refs(), Take(sevens, 0, kPage));
  // Reading stopped at the tenth match (record 97): 97 candidates, and the
  // counter started at 1. One status update, after 51 candidates, with five
  // matches (records 7 to 47).
  EXPECT_EQ(h.word.records_read, 98u);
  EXPECT_EQ(h.word.accepted, static_cast<uint64_t>(kPage));
  EXPECT_EQ(h.status.lines,
            std::vector<std::string>{"Searching for:  7.|Sort Key = Record Number|Number of "
                                     "records read: 52  Selected:  3"});

  // The last row highlighted, the search runs again.
  h.page.SetCurrentRow(kPage);
  std::string key;
  int32_t ref = 0;
  h.word.StartPosition(h.page.CurrentKey(), h.page.CurrentRef(), &key, &ref);
  EXPECT_EQ(ref, sevens[kPage - 1]);
  EXPECT_FALSE(h.Pass("7.", false, key, ref));
  EXPECT_EQ(h.Refs(), Take(sevens, kPage - 1, kPage));

  // Continuing from the last match: only it is found again, the pass says
  // nothing more matches, and no row before it is shown.
  const int32_t last = sevens.back();
  const std::string last_key =
      database::BuildKey(testing::GeneratedQuotation(static_cast<int>(sevens.size()) * 10 - 3), 1);
  h.calls = 0;
  EXPECT_TRUE(h.Pass("7.", false, last_key, last));
  EXPECT_EQ(h.Refs(), std::vector<int32_t>{last});
  // It read the records after the last match and stopped at the first step back.
  EXPECT_LE(h.calls, kRecords - (static_cast<int>(sevens.size()) * 10 - 3) + 3);
}

TEST(WordSearchPass, CountersGoPastSixteenBits) {
  // A list of one row that never fills, so every candidate is read.
  struct Endless : FilterList {
    int ReadRowRecord(const browser::RowRec&) override { return 0; }
    const QuotationRecord& record() const override { return r; }
    void BuildRowNow(browser::RowRec&) override {}
    int VisibleRows() const override { return 1 << 30; }
    int FilledRows() const override { return 0; }
    int64_t KeyEntries() override { return 100000; }
    void EndPass() override {}
    void SetCaption(std::string_view) override {}
    QuotationRecord r = database::EmptyRecord();
  } list;
  ViewingFilters filters;
  WordSearch word;
  std::string caption;
  ListFilter filter(filters, word, list, caption);
  FakeStatus status;
  filter.word_status = &status;
  word.TakeDialog("x", false, false);
  word.Reset(100000);
  word.BeginPass("c", "", 0);
  for (int32_t ref = 1; ref <= 70000; ++ref) {
    browser::RowRec row;
    row.ref = ref;
    row.key = "k";
    bool use_it = true;
    filter.PerformFilter(row, use_it);
  }
  EXPECT_EQ(word.records_read, 70001u);
  EXPECT_TRUE(word.searching);
  EXPECT_EQ(status.lines.back(), "Searching for:  X|c|Number of records read: 69973  Selected:  0");
}

TEST(ViewingFilterPass, NothingPassingIsRememberedUntilInvalidated) {
  QuotationFixture db(kRecords);
  Harness h(db);
  h.filters.filters_on = true;  // with no flag set nothing passes
  h.page.FirstPage();
  EXPECT_TRUE(h.Refs().empty());
  EXPECT_EQ(h.calls, kRecords);
  EXPECT_TRUE(h.filter.nothing_passes());

  // Later moves end at once instead of reading the key again.
  h.calls = 0;
  h.page.FirstPage();
  h.page.LastPage();
  h.page.SetPosition(1, "   100", 0, 1);
  h.page.SetVisibleRows(kPage - 1);
  EXPECT_TRUE(h.Refs().empty());
  EXPECT_LE(h.calls, 4);

  // A flag switched on, the list reads again.
  h.filters.modern_era = true;
  h.filter.Invalidate();
  h.page.FirstPage();
  EXPECT_EQ(h.Refs().size(), static_cast<size_t>(kPage - 1));
  EXPECT_FALSE(h.filter.nothing_passes());
}

TEST(ViewingFilterPass, KeepResponsiveCanStopALongPass) {
  QuotationFixture db(kRecords);
  Harness h(db);
  h.filters.filters_on = true;
  h.filters.long_selections = true;  // every tenth record
  std::vector<uint64_t> reports;
  h.filter.keep_responsive = [&](uint64_t read, uint64_t) {
    reports.push_back(read);
    return true;
  };
  h.page.FirstPage();
  EXPECT_EQ(reports, std::vector<uint64_t>{51});
  // Records 10 to 50 passed before the stop; a stopped pass is not taken for
  // one that found nothing.
  EXPECT_EQ(
      h.Refs(),
      Take(Expected(db, [](const QuotationRecord& r) { return r.Number_of_Lines > 2; }), 0, 5));
  EXPECT_TRUE(h.filter.stopped());
  EXPECT_FALSE(h.filter.nothing_passes());
}

}  // namespace
}  // namespace tessary::search
