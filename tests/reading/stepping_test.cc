// Stepping checked against walks of the keys made straight through the
// engine, and the quote-a-day draw against draws worked out by hand.
#include "reading/stepping.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "reading/quote_a_day.h"
#include "search/viewing_filters.h"
#include "support/quotation_fixture.h"

namespace tessary::reading {
namespace {

using database::QuotationRecord;
using testing::QuotationFixture;

struct Entry {
  int32_t ref;
  QuotationRecord record;
};

// Every entry of `key` in the engine's order, with its record.
std::vector<Entry> Walk(QuotationFixture& db, int key) {
  std::vector<Entry> entries;
  for (const testing::KeyEntry& e : testing::WalkKey(db.session(), key)) {
    entries.push_back({e.ref, testing::ReadRecord(db.session(), e.ref)});
  }
  return entries;
}

int Number(const QuotationRecord& record) {
  return std::stoi(std::string(database::FieldText(record.Record_Number)));
}

RecordTest Ancient() {
  search::ViewingFilters filters;
  filters.ancient_times = true;
  return [filters](const QuotationRecord& r) { return search::FilterAccepts(filters, r); };
}

RecordTest OnlyNumber(int number) {
  return [number](const QuotationRecord& r) { return Number(r) == number; };
}

// Steps over whole keys, plain and filtered, are checked through the command
// line and the reading window; these are the ends they do not reach.
TEST(SteppingTest, NothingPassingStopsAfterOnePassAndAVanishedRecordStepsOn) {
  QuotationFixture db(15);
  db.host().messages.clear();
  // A filter that nothing passes stops after one full pass, where it started.
  const std::vector<Entry> walk = Walk(db, 3);
  int tested = 0;
  int32_t ref = walk[7].ref;
  EXPECT_EQ(StepRecord(db.session(), 3, &ref, walk[7].record, false,
                       [&tested](const QuotationRecord&) { return ++tested < 0; }),
            StepOutcome::kNonePassed);
  EXPECT_EQ(tested, 15);
  EXPECT_EQ(ref, walk[7].ref);
  EXPECT_TRUE(db.host().messages.empty());

  // A deleted record still steps to its neighbours.
  db.host().SetNextAnswer(true);
  ASSERT_EQ(db.session().DeleteRecord(walk[5].record, walk[5].ref),
            database::DeleteOutcome::kDeleted);
  for (bool forward : {true, false}) {
    ref = walk[5].ref;
    ASSERT_EQ(StepRecord(db.session(), 3, &ref, walk[5].record, forward, {}), StepOutcome::kFound);
    EXPECT_EQ(ref, walk[forward ? 6 : 4].ref);
  }
}

// The draws worked out by hand: seed' = seed * 134775813 + 1 mod 2^32, and
// the number is seed' * (records - 20) >> 32, looked up through key one. With
// a filter the pick is the first passing record after the draw, which is not
// tested itself.
TEST(QuoteADayTest, TheDrawLooksUpTheNumberThroughKeyOne) {
  QuotationFixture db(1000);
  const struct {
    uint32_t seed;
    RecordTest test;
    int record;
  } cases[] = {
      {0, {}, 1},
      {1, {}, 30},
      {12345, {}, 377},
      {86399999, {}, 708},
      {12345, Ancient(), 378},        // 377 would pass too (age code 3)
      {12345, OnlyNumber(377), 377},  // reached by wrapping round
      {86399999, OnlyNumber(5), 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seed);
    int32_t ref = 0;
    ASSERT_EQ(QuoteADay(db.session(), c.seed, c.test, &ref), QuoteOutcome::kFound);
    EXPECT_EQ(Number(db.session().current_record), c.record);
    EXPECT_EQ(ref, db.ref(c.record));
  }
  int32_t ref = 0;
  EXPECT_EQ(QuoteADay(db.session(), 1, OnlyNumber(0), &ref), QuoteOutcome::kNonePassed);
}

TEST(QuoteADayTest, SmallDatabasesDrawFromTheWholeKeyAndAnEmptyOneDrawsNothing) {
  for (int count : {1, 2, 20}) {
    QuotationFixture db(count);
    std::set<int> seen;
    for (uint32_t seed = 0; seed < 2000; ++seed) {
      int32_t ref = 0;
      ASSERT_EQ(QuoteADay(db.session(), seed, {}, &ref), QuoteOutcome::kFound);
      seen.insert(Number(db.session().current_record));
      EXPECT_EQ(ref, db.ref(Number(db.session().current_record)));
    }
    EXPECT_EQ(static_cast<int>(seen.size()), count);
  }
  QuotationFixture db(0);
  db.host().messages.clear();
  int32_t ref = 0;
  EXPECT_EQ(QuoteADay(db.session(), 5, {}, &ref), QuoteOutcome::kEmpty);
  EXPECT_TRUE(db.host().messages.empty());
}

}  // namespace
}  // namespace tessary::reading
