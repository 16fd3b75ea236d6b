#include "exchange/csv.h"

namespace tessary::exchange {

CsvTable ParseCsv(std::string_view text) {
  CsvTable table;
  int line = 1;
  size_t i = 0;
  auto fail = [&](int at, const std::string& why) {
    table.rows.clear();
    table.error = "line " + std::to_string(at) + ": " + why;
    return table;
  };
  while (i < text.size()) {
    // An empty line (LF or CRLF alone) is no row.
    if (text[i] == '\n' || text.substr(i).starts_with("\r\n")) {
      i += text[i] == '\n' ? 1 : 2;
      ++line;
      continue;
    }
    CsvRow row;
    row.line = line;
    while (true) {
      std::string value;
      if (i < text.size() && text[i] == '"') {
        const int opened = line;
        ++i;
        while (true) {
          if (i >= text.size()) return fail(opened, "a quoted value is not closed");
          char c = text[i++];
          if (c == '"') {
            if (i < text.size() && text[i] == '"') {
              value += '"';
              ++i;
              continue;
            }
            break;
          }
          if (c == '\n') ++line;
          value += c;
        }
        if (i < text.size() && text[i] != ',' && text[i] != '\n' &&
            !text.substr(i).starts_with("\r\n")) {
          return fail(line, "text after the closing quote of a value");
        }
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != '\n' &&
               !text.substr(i).starts_with("\r\n")) {
          if (text[i] == '"') return fail(line, "a quote inside a value that is not quoted");
          if (text[i] == '\r')
            return fail(line, "a carriage return inside a value that is not quoted");
          value += text[i++];
        }
      }
      row.values.push_back(std::move(value));
      if (i < text.size() && text[i] == ',') {
        ++i;
        continue;
      }
      break;
    }
    // At a line end or the end of the text.
    if (i < text.size()) {
      i += text[i] == '\n' ? 1 : 2;
      ++line;
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

std::string CsvValue(std::string_view value) {
  bool quote = value.find_first_of(",\"\r\n") != std::string_view::npos || value.starts_with(' ') ||
               value.ends_with(' ');
  if (!quote) return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace tessary::exchange
