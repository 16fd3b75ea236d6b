#include "exchange/record_files.h"

#include <algorithm>
#include <set>

#include "exchange/csv.h"
#include "exchange/record_fields.h"
#include "exchange/record_json.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::exchange {
namespace {

using database::QuotationRecord;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Stray bytes that are not UTF-8 (a name in Latin-1, say) are let through,
// up to this many or one in a thousand; more make the file no UTF-8 text.
constexpr size_t kStrayBytes = 8;

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Bytes of `text` that are not part of a well-formed UTF-8 sequence.
size_t InvalidUtf8Bytes(std::string_view text) {
  size_t invalid = 0;
  size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80                 ? 1
                    : c >= 0xC2 && c <= 0xDF ? 2
                    : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xF0 && c <= 0xF4 ? 4
                                             : 0;
    bool ok = length > 0 && i + length <= text.size();
    for (size_t k = 1; ok && k < length; ++k) {
      ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (ok && length >= 3) {
      auto second = static_cast<unsigned char>(text[i + 1]);
      // Overlong forms, surrogates and code points beyond U+10FFFF.
      if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) ||
          (c == 0xF0 && second < 0x90) || (c == 0xF4 && second >= 0x90)) {
        ok = false;
      }
    }
    if (ok) {
      i += length;
    } else {
      ++invalid;
      ++i;
    }
  }
  return invalid;
}

std::string At(int line, const std::string& why) {
  return "line " + std::to_string(line) + ": " + why;
}

RecordRows Refused(std::string error) {
  RecordRows result;
  result.error = std::move(error);
  return result;
}

}  // namespace

std::optional<FileFormat> FormatFromName(std::string_view name) {
  if (name == "fortune") return FileFormat::kFortune;
  if (name == "csv") return FileFormat::kCsv;
  if (name == "json" || name == "jsonl") return FileFormat::kJson;
  return std::nullopt;
}

FileFormat FormatOfPath(std::string_view path) {
  size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return FileFormat::kFortune;
  std::string extension = LowerAscii(name.substr(dot + 1));
  if (extension == "csv") return FileFormat::kCsv;
  if (extension == "json" || extension == "jsonl") return FileFormat::kJson;
  return FileFormat::kFortune;
}

std::string WhyNotText(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) {
    return "not a text file (it holds NUL bytes; a strfile index or another binary file)";
  }
  size_t invalid = InvalidUtf8Bytes(bytes);
  if (invalid > std::max(kStrayBytes, bytes.size() / 1000)) {
    return "not UTF-8 text (" + std::to_string(invalid) +
           " bytes are no UTF-8; convert the file to UTF-8 first)";
  }
  return "";
}

RecordRows ReadCsvRecords(std::string_view utf8) {
  if (utf8.starts_with(kByteOrderMark)) utf8.remove_prefix(kByteOrderMark.size());
  CsvTable table = ParseCsv(utf8);
  if (!table.error.empty()) return Refused(table.error);
  if (table.rows.empty()) return {};
  const CsvRow& header = table.rows[0];
  std::vector<std::string> unknown;
  std::set<std::string> seen;
  for (const std::string& name : header.values) {
    if (!IsRecordField(name) && !IsDerivedMember(name)) unknown.push_back(name);
    if (!seen.insert(name).second)
      return Refused(At(header.line, "column " + name + " appears twice"));
  }
  if (!unknown.empty()) {
    std::string names;
    for (const std::string& name : unknown) names += (names.empty() ? "" : ", ") + name;
    return Refused(At(header.line, "unknown column" + std::string(unknown.size() > 1 ? "s " : " ") +
                                       names + " (the columns are the record's field names)"));
  }
  RecordRows result;
  for (size_t r = 1; r < table.rows.size(); ++r) {
    const CsvRow& row = table.rows[r];
    if (row.values.size() != header.values.size()) {
      return Refused(At(row.line, std::to_string(row.values.size()) +
                                      " values where the header names " +
                                      std::to_string(header.values.size()) + " columns"));
    }
    RecordRow record{database::EmptyRecord(), false, row.line};
    for (size_t c = 0; c < row.values.size(); ++c) {
      const std::string& name = header.values[c];
      if (row.values[c].empty() || IsDerivedMember(name)) continue;
      if (std::string why = SetFieldByName(record.record, name, row.values[c]); !why.empty()) {
        return Refused(At(row.line, why));
      }
      if (name == "Record_Number") record.has_number = true;
    }
    result.rows.push_back(record);
  }
  return result;
}

RecordRows ReadJsonRecords(std::string_view utf8) {
  if (utf8.starts_with(kByteOrderMark)) utf8.remove_prefix(kByteOrderMark.size());
  RecordRows result;
  int line = 0;
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t end = std::min(utf8.find('\n', pos), utf8.size());
    std::string_view text = utf8.substr(pos, end - pos);
    pos = end + 1;
    ++line;
    if (text.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    Json object = Json::parse(text, nullptr, false);
    if (object.is_discarded() || !object.is_object()) {
      return Refused(At(line, "not a JSON object as dump prints one"));
    }
    RecordRow record{database::EmptyRecord(), false, line};
    if (std::string why = RecordFromJson(object, &record.record, &record.has_number);
        !why.empty()) {
      return Refused(At(line, why));
    }
    result.rows.push_back(record);
  }
  return result;
}

std::string JsonRecordLine(const QuotationRecord& record, size_t stored_length) {
  Json object = RecordToJson(0, record, stored_length);
  object.erase("ref");
  return object.dump() + "\n";
}

std::string CsvHeaderLine() {
  std::string line;
  for (const std::string& name : RecordFieldNames()) line += (line.empty() ? "" : ",") + name;
  return line + "\r\n";
}

std::string CsvRecordLine(const QuotationRecord& record) {
  std::string line;
  bool first = true;
  for (const std::string& name : RecordFieldNames()) {
    if (!first) line += ',';
    first = false;
    line += CsvValue(FieldValueByName(record, name));
  }
  return line + "\r\n";
}

std::string FortuneEntryText(const std::vector<QuotationRecord>& chain) {
  std::string text;
  for (const QuotationRecord& record : chain) {
    int last = database::kLineCount;
    while (last > 0 && platform::Trim(database::FieldText(database::Line(record, last))).empty()) {
      --last;
    }
    for (int n = 1; n <= last; ++n) {
      std::string line = platform::AnsiToUtf8(database::FieldText(database::Line(record, n)));
      line.erase(line.find_last_not_of(' ') + 1);
      // A line reading "%" would end the entry; a blank in front keeps it text.
      if (platform::Trim(line) == "%") line = " " + line;
      text += line + "\n";
    }
  }
  if (chain.empty()) return "%\n";
  const QuotationRecord& first = chain.front();
  std::string name(platform::Trim(database::FieldText(first.Authors_Full_Name)));
  if (name.empty()) {
    name = platform::Trim(std::string(database::FieldText(first.FirstName)) + " " +
                          std::string(database::FieldText(first.Authors_LName)));
  }
  std::string book = platform::Trim(database::FieldText(first.Book_Name));
  if (!name.empty() || !book.empty()) {
    std::string attribution = name;
    if (!book.empty()) attribution += (name.empty() ? "" : ", ") + book;
    text += "-- " + platform::AnsiToUtf8(attribution) + "\n";
  }
  return text + "%\n";
}

}  // namespace tessary::exchange
