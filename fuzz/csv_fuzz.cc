// Arbitrary bytes as a CSV file and as JSON lines: the readers never crash,
// and CSV that reads writes back to values that read the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/csv.h"
#include "exchange/record_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary::exchange;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  CsvTable table = ParseCsv(text);
  if (table.error.empty()) {
    std::string written;
    for (const CsvRow& row : table.rows) {
      for (size_t i = 0; i < row.values.size(); ++i) {
        written += (i > 0 ? "," : "") + CsvValue(row.values[i]);
      }
      written += "\r\n";
    }
    CsvTable again = ParseCsv(written);
    // A row of one empty value writes as an empty line, which is no row.
    size_t k = 0;
    for (const CsvRow& row : table.rows) {
      if (row.values.size() == 1 && row.values[0].empty()) continue;
      if (k >= again.rows.size() || again.rows[k].values != row.values) __builtin_trap();
      ++k;
    }
    if (k != again.rows.size()) __builtin_trap();
  }
  ReadCsvRecords(text);
  ReadJsonRecords(text);
  return 0;
}
