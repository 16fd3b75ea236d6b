#include "platform/clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace tessary::platform {
namespace {

TEST(ClockTest, ParsesFixedTimesWithTheirWeekday) {
  LocalTime t;
  ASSERT_TRUE(ParseLocalTime("2026-12-05 13:04:09", &t));
  EXPECT_EQ(t, (LocalTime{2026, 12, 5, 13, 4, 9, 6}));
  ASSERT_TRUE(ParseLocalTime("2024-02-29 00:00:00", &t));
  EXPECT_EQ(t.weekday, 4);  // Thursday
  for (const char* bad :
       {"2025-02-29 00:00:00", "2026-13-01 00:00:00", "2026-12-05 24:00:00", "2026-12-05 13:04",
        "2026-12-05T13:04:09", "2026-12-05 13:04:09 ", "2026-1-05 13:04:09"}) {
    EXPECT_FALSE(ParseLocalTime(bad, &t)) << bad;
  }
}

// Separators come from the locale's formats; the C locale gives the defaults.
TEST(ClockTest, LocaleSeparatorsAndTheCLocale) {
  EXPECT_EQ(SeparatorOf("%m/%d/%y", '?'), '/');
  EXPECT_EQ(SeparatorOf("%H:%M:%S", '?'), ':');
  EXPECT_EQ(SeparatorOf("%-d. %-m. %Y", '?'), '.');
  EXPECT_EQ(SeparatorOf("%D", '/'), '/');
  EXPECT_EQ(SeparatorOf("%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d", '/'), '/');  // no ASCII separator

  const char* old = getenv("LC_ALL");
  const std::string saved = old ? old : "";
  setenv("LC_ALL", "C", 1);
  TimeLocale c = SystemTimeLocale();
  old ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");
  EXPECT_EQ(c.weekday_names, TimeLocale().weekday_names);
  EXPECT_EQ(c.date_separator, '/');
  EXPECT_EQ(c.time_separator, ':');
  EXPECT_EQ(c.morning, "AM");
  EXPECT_EQ(c.evening, "PM");
}

}  // namespace
}  // namespace tessary::platform
