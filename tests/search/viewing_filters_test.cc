// The viewing filters against every code value, their union, the
// command-line letters and the dialog's closing rule.
#include "search/viewing_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "database/quotation_record.h"

namespace tessary::search {
namespace {

using database::QuotationRecord;

using Code = uint8_t QuotationRecord::*;
constexpr Code kAge = &QuotationRecord::Author_Age_Code;
constexpr Code kRank = &QuotationRecord::Quote_Rank;
constexpr Code kLines = &QuotationRecord::Number_of_Lines;
constexpr Code kCountry = &QuotationRecord::Author_Country_Code;

// A record whose `code` holds `value` and whose other codes hold values no
// filter takes (one line: short; only the size cases look at it).
QuotationRecord WithCode(Code code, int value) {
  QuotationRecord r = database::EmptyRecord();
  r.Author_Age_Code = 0;
  r.Quote_Rank = 0;
  r.Number_of_Lines = 1;
  r.Author_Country_Code = 0;
  r.*code = static_cast<uint8_t>(value);
  return r;
}

TEST(FilterAccepts, EachFlagAgainstEveryCodeValue) {
  struct Case {
    const char* name;
    std::function<void(ViewingFilters&)> set;
    Code code;
    std::vector<int> accepted;  // the values 0 to 9 that pass
  };
  const std::vector<Case> cases = {
      {"ancient", [](ViewingFilters& f) { f.ancient_times = true; }, kAge, {1}},
      {"middle", [](ViewingFilters& f) { f.middle_ages = true; }, kAge, {2}},
      {"modern", [](ViewingFilters& f) { f.modern_era = true; }, kAge, {3}},
      {"short", [](ViewingFilters& f) { f.short_selections = true; }, kLines, {0, 1, 2}},
      {"long", [](ViewingFilters& f) { f.long_selections = true; }, kLines, {3, 4, 5, 6, 7, 8, 9}},
      {"favorites", [](ViewingFilters& f) { f.mixed_favorites = true; }, kRank, {1}},
      {"americans", [](ViewingFilters& f) { f.americans_only = true; }, kCountry, {1}},
      {"english", [](ViewingFilters& f) { f.english_language = true; }, kCountry, {2}},
      {"foreign 3", [](ViewingFilters& f) { f.foreign_language_3 = true; }, kCountry, {3}},
      {"foreign 4", [](ViewingFilters& f) { f.foreign_language_4 = true; }, kCountry, {4}},
  };
  for (const Case& c : cases) {
    ViewingFilters filters;
    c.set(filters);
    for (int value = 0; value <= 9; ++value) {
      const bool expected =
          std::find(c.accepted.begin(), c.accepted.end(), value) != c.accepted.end();
      QuotationRecord r = WithCode(c.code, value);
      EXPECT_EQ(FilterAccepts(filters, r), expected) << c.name << " value " << value;
    }
  }
  // Several flags: a record passes when any of them takes it.
  ViewingFilters two;
  two.ancient_times = two.americans_only = true;
  EXPECT_TRUE(FilterAccepts(two, WithCode(kCountry, 1)));
  EXPECT_TRUE(FilterAccepts(two, WithCode(kAge, 1)));
  EXPECT_FALSE(FilterAccepts(two, WithCode(kAge, 2)));
  // No flag: nothing passes, whatever the master switch says.
  ViewingFilters none;
  none.filters_on = true;
  EXPECT_FALSE(FilterAccepts(none, WithCode(kAge, 1)));
}

TEST(FilterLetters, EachLetterSetsItsFlags) {
  struct Case {
    std::string letters;
    ViewingFilters expected;
  };
  auto flags = [](std::function<void(ViewingFilters&)> set) {
    ViewingFilters f;
    set(f);
    return f;
  };
  const std::vector<Case> cases = {
      {"o", flags([](ViewingFilters& f) { f.ancient_times = true; })},
      {"M", flags([](ViewingFilters& f) { f.middle_ages = true; })},
      {"y", flags([](ViewingFilters& f) { f.modern_era = true; })},
      {"s", flags([](ViewingFilters& f) { f.short_selections = true; })},
      {"l", flags([](ViewingFilters& f) { f.long_selections = true; })},
      {"c", flags([](ViewingFilters& f) { f.mixed_favorites = true; })},
      {"a", flags([](ViewingFilters& f) { f.americans_only = true; })},
      {"e", flags([](ViewingFilters& f) { f.americans_only = f.english_language = true; })},
      {"F", flags([](ViewingFilters& f) { f.foreign_language_3 = f.foreign_language_4 = true; })},
      {"oy", flags([](ViewingFilters& f) { f.ancient_times = f.modern_era = true; })},
  };
  for (const Case& c : cases) {
    ViewingFilters f;
    EXPECT_TRUE(FiltersFromLetters(c.letters, &f, nullptr)) << c.letters;
    EXPECT_EQ(f, c.expected) << c.letters;
  }
  ViewingFilters f;
  char bad = 0;
  EXPECT_FALSE(FiltersFromLetters("ox", &f, &bad));
  EXPECT_EQ(bad, 'x');
}

TEST(FiltersDialog, ClosingSetsTheFlagsFromTheBoxes) {
  FilterBoxes only_favorites{};
  only_favorites[kMixedFavoritesBox] = true;
  struct Case {
    const char* name;
    FilterBoxes boxes;
    bool option_flag_1;
    bool stays_on;
  };
  FilterBoxes foreign{};
  foreign[kForeignLanguageBox] = true;
  const std::vector<Case> cases = {
      {"nothing checked", FilterBoxes{}, true, false},
      // Mixed Favorites alone counts only with option flag 1; its flag is set either way.
      {"favorites, flag 1 clear", only_favorites, false, false},
      {"favorites, flag 1 set", only_favorites, true, true},
      {"foreign", foreign, false, true},
  };
  for (const Case& c : cases) {
    ViewingFilters f;
    f.filters_on = true;
    f.modern_era = true;  // unchecked in every case: cleared on closing
    CloseFiltersDialog(f, c.boxes, c.option_flag_1);
    EXPECT_EQ(f.filters_on, c.stays_on) << c.name;
    EXPECT_FALSE(f.modern_era) << c.name;
    EXPECT_EQ(f.mixed_favorites, c.boxes[kMixedFavoritesBox]) << c.name;
    // The one foreign box stands for both flags, and shows the code-3 one.
    EXPECT_EQ(f.foreign_language_3, c.boxes[kForeignLanguageBox]) << c.name;
    EXPECT_EQ(f.foreign_language_4, c.boxes[kForeignLanguageBox]) << c.name;
    EXPECT_EQ(BoxesFromFlags(f), c.boxes) << c.name;
  }
}

}  // namespace
}  // namespace tessary::search
