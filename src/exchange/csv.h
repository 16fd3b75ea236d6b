// Comma-separated values as RFC 4180 describes them: records end with CRLF
// (a bare LF is accepted too), values are separated by commas, and a value
// in double quotes may hold commas, line ends and doubled quotes. Text is
// taken as it comes (bytes); the caller decides on its encoding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessary::exchange {

struct CsvRow {
  int line = 0;  // line of the file (from 1) on which the row starts
  std::vector<std::string> values;
};

struct CsvTable {
  std::vector<CsvRow> rows;  // empty lines are no rows
  std::string error;         // "line N: ..." when the text is no valid CSV
};

// Reads the whole text; stops at the first fault, naming its line.
CsvTable ParseCsv(std::string_view text);

// `value` as one CSV value: in double quotes (inner quotes doubled) when it
// holds a comma, a quote, a line end or leading or trailing blanks.
std::string CsvValue(std::string_view value);

}  // namespace tessary::exchange
