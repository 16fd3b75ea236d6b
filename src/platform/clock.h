// The local time and the user's time conventions (weekday names, date and
// time separators, morning and evening designators). Both come in through
// this interface so that the date stamps written into files can be fixed in
// tests and by tessary-cli.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tessary::platform {

struct LocalTime {
  int year = 2000;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;   // 0 to 23
  int minute = 0;
  int second = 0;
  int weekday = 6;  // 0 = Sunday to 6 = Saturday
  bool operator==(const LocalTime&) const = default;
};

// The weekday, 0 = Sunday, of a date of the proleptic Gregorian calendar.
int WeekdayOf(int year, int month, int day);

// Parses "YYYY-MM-DD HH:MM:SS" into `*time`, weekday included; false when the
// text has another form or names no real date or time of day.
bool ParseLocalTime(std::string_view text, LocalTime* time);

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

// The system's local time of day.
const Clock& SystemClock();

// A clock that always tells the time it was given.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(LocalTime time) : time_(time) {}
  LocalTime Now() const override { return time_; }
  void Set(LocalTime time) { time_ = time; }

 private:
  LocalTime time_;
};

// Time conventions; all texts are Windows-1252. Default-constructed it holds
// the conventions used when the system names none.
struct TimeLocale {
  std::array<std::string, 7> weekday_names = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};
  char date_separator = '/';
  char time_separator = ':';
  std::string morning = "AM";  // designator before noon
  std::string evening = "PM";  // designator from noon on
};

// The separator of a C-library date or time format such as "%d.%m.%Y": the
// first ASCII punctuation character outside the conversions; `fallback` when
// there is none.
char SeparatorOf(std::string_view format, char fallback);

// The conventions of the C library's LC_TIME locale as the environment sets
// it (LC_ALL, LC_TIME, LANG), read without changing the process's locale.
// Texts in a UTF-8 locale are converted to Windows-1252. An unknown locale
// gives the defaults.
TimeLocale SystemTimeLocale();

}  // namespace tessary::platform
