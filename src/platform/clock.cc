#include "platform/clock.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cstring>
#include <ctime>

#include "platform/codepage.h"

namespace tessary::platform {
namespace {

class SystemClockImpl final : public Clock {
 public:
  LocalTime Now() const override {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec < 60 ? tm.tm_sec : 59;  // a leap second reads as :59
    t.weekday = tm.tm_wday;
    return t;
  }
};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits at `*pos`.
bool ReadNumber(std::string_view text, size_t* pos, size_t digits, int* value) {
  if (*pos + digits > text.size()) return false;
  int v = 0;
  for (size_t i = 0; i < digits; ++i) {
    char c = text[*pos + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *pos += digits;
  *value = v;
  return true;
}

bool Expect(std::string_view text, size_t* pos, char c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

}  // namespace

int WeekdayOf(int year, int month, int day) {
  // Days since 1970-01-01 (a Thursday), by the civil-calendar era method.
  int y = month <= 2 ? year - 1 : year;
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  long days = static_cast<long>(era) * 146097 + doe - 719468;
  long weekday = (days + 4) % 7;
  return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

bool ParseLocalTime(std::string_view text, LocalTime* time) {
  LocalTime t;
  size_t pos = 0;
  bool ok = ReadNumber(text, &pos, 4, &t.year) && Expect(text, &pos, '-') &&
            ReadNumber(text, &pos, 2, &t.month) && Expect(text, &pos, '-') &&
            ReadNumber(text, &pos, 2, &t.day) && Expect(text, &pos, ' ') &&
            ReadNumber(text, &pos, 2, &t.hour) && Expect(text, &pos, ':') &&
            ReadNumber(text, &pos, 2, &t.minute) && Expect(text, &pos, ':') &&
            ReadNumber(text, &pos, 2, &t.second) && pos == text.size();
  if (!ok || t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) ||
      t.hour > 23 || t.minute > 59 || t.second > 59) {
    return false;
  }
  t.weekday = WeekdayOf(t.year, t.month, t.day);
  *time = t;
  return true;
}

const Clock& SystemClock() {
  static const SystemClockImpl clock;
  return clock;
}

char SeparatorOf(std::string_view format, char fallback) {
  for (size_t i = 0; i < format.size(); ++i) {
    auto c = static_cast<unsigned char>(format[i]);
    if (c == '%') {
      // Skip the conversion with its flags, width and E/O modifiers.
      ++i;
      while (i < format.size() && std::strchr("_-0^#EO123456789", format[i]) != nullptr) ++i;
      continue;
    }
    if (c < 128 && std::ispunct(c)) return static_cast<char>(c);
  }
  return fallback;
}

TimeLocale SystemTimeLocale() {
  TimeLocale result;
  locale_t loc = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return result;
  bool utf8 = std::strcmp(nl_langinfo_l(CODESET, loc), "UTF-8") == 0;
  auto text = [&](nl_item item) {
    std::string value = nl_langinfo_l(item, loc);
    return utf8 ? Utf8ToAnsi(value) : value;
  };
  static constexpr nl_item kDays[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
  for (int i = 0; i < 7; ++i) {
    std::string name = text(kDays[i]);
    if (!name.empty()) result.weekday_names[i] = name;
  }
  result.date_separator = SeparatorOf(nl_langinfo_l(D_FMT, loc), '/');
  result.time_separator = SeparatorOf(nl_langinfo_l(T_FMT, loc), ':');
  // A locale without designators keeps them empty: its clock runs 0 to 23.
  result.morning = text(AM_STR);
  result.evening = text(PM_STR);
  freelocale(loc);
  return result;
}

}  // namespace tessary::platform
