#include "exchange/record_fields.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"

namespace tessary::exchange {
namespace {

using database::QuotationRecord;

enum class Kind { kText, kFlag, kCode };

struct Field {
  std::string name;
  size_t offset;
  size_t size;
  Kind kind;
};

const std::vector<Field>& Fields() {
  static const std::vector<Field> fields = [] {
    std::vector<Field> all;
    for (const auto& f : database::TextFields())
      all.push_back({f.name, f.offset, f.size, Kind::kText});
    all.push_back({"Multi_Page_Flag", offsetof(QuotationRecord, Multi_Page_Flag), 1, Kind::kFlag});
    all.push_back({"Author_Age_Code", offsetof(QuotationRecord, Author_Age_Code), 1, Kind::kCode});
    all.push_back({"Quote_Rank", offsetof(QuotationRecord, Quote_Rank), 1, Kind::kCode});
    all.push_back({"Number_of_Lines", offsetof(QuotationRecord, Number_of_Lines), 1, Kind::kCode});
    all.push_back(
        {"Author_Country_Code", offsetof(QuotationRecord, Author_Country_Code), 1, Kind::kCode});
    std::sort(all.begin(), all.end(),
              [](const Field& a, const Field& b) { return a.offset < b.offset; });
    return all;
  }();
  return fields;
}

const Field* Find(std::string_view name) {
  for (const Field& f : Fields()) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

std::string Refuse(const Field& field, const std::string& why) { return field.name + ": " + why; }

}  // namespace

const std::vector<std::string>& RecordFieldNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const Field& f : Fields()) n.push_back(f.name);
    return n;
  }();
  return names;
}

bool IsRecordField(std::string_view name) { return Find(name) != nullptr; }

bool IsDerivedMember(std::string_view name) {
  return name == "ref" || name == "length" || name == "keys";
}

std::string SetFieldByName(QuotationRecord& record, std::string_view name, std::string_view utf8) {
  const Field* field = Find(name);
  if (field == nullptr) return std::string(name) + ": no such field";
  auto* bytes = reinterpret_cast<unsigned char*>(&record) + field->offset;
  switch (field->kind) {
    case Kind::kText: {
      size_t replaced = 0;
      std::string ansi = platform::Utf8ToAnsi(utf8, '?', &replaced);
      if (replaced > 0) {
        return Refuse(*field, std::to_string(replaced) +
                                  " character(s) without a Windows-1252 form or not UTF-8");
      }
      if (ansi.find('\0') != std::string::npos) return Refuse(*field, "holds a NUL character");
      // A record's fields are single lines of text.
      for (char c : ansi) {
        if (static_cast<unsigned char>(c) < ' ') {
          return Refuse(*field, "holds a tab, a line break or another control character");
        }
      }
      if (field->name == "Record_Number" &&
          ansi.find_first_not_of("0123456789 ") != std::string::npos) {
        return Refuse(*field, "'" + std::string(utf8) + "' is not a number 0 to 999999");
      }
      if (ansi.size() > field->size - 1) {
        return Refuse(*field, std::to_string(ansi.size()) + " characters, at most " +
                                  std::to_string(field->size - 1));
      }
      std::memcpy(bytes, ansi.data(), ansi.size());
      bytes[ansi.size()] = '\0';
      return "";
    }
    case Kind::kFlag:
      if (utf8 == "0" || utf8 == "F" || utf8 == "f") {
        *bytes = 0;
      } else if (utf8 == "1" || utf8 == "T" || utf8 == "t") {
        *bytes = 1;
      } else {
        return Refuse(*field, "'" + std::string(utf8) + "' is not 0, 1, T or F");
      }
      return "";
    case Kind::kCode:
      if (utf8.size() != 1 || utf8[0] < '0' || utf8[0] > '9') {
        return Refuse(*field, "'" + std::string(utf8) + "' is not one digit 0 to 9");
      }
      *bytes = static_cast<unsigned char>(utf8[0] - '0');
      return "";
  }
  return "";
}

std::string FieldValueByName(const QuotationRecord& record, std::string_view name) {
  const Field* field = Find(name);
  if (field == nullptr) return "";
  const auto* bytes = reinterpret_cast<const char*>(&record) + field->offset;
  if (field->kind != Kind::kText) return std::to_string(static_cast<unsigned char>(*bytes));
  size_t length = 0;
  while (length < field->size && bytes[length] != '\0') ++length;
  return platform::AnsiToUtf8(std::string_view(bytes, length));
}

std::string RecordFromJson(const Json& object, QuotationRecord* record, bool* has_record_number) {
  if (!object.is_object()) return "not a JSON object";
  *has_record_number = false;
  QuotationRecord result = *record;
  for (const auto& [name, value] : object.items()) {
    if (IsDerivedMember(name)) continue;
    if (!IsRecordField(name)) return name + ": no such field";
    std::string text;
    if (value.is_string()) {
      text = value.get<std::string>();
    } else if (value.is_number_unsigned() || value.is_number_integer()) {
      text = std::to_string(value.get<int64_t>());
    } else if (value.is_null()) {
      text = "";
    } else {
      return name + ": " + std::string(value.type_name()) + " where text or a number belongs";
    }
    if (std::string why = SetFieldByName(result, name, text); !why.empty()) return why;
    if (name == "Record_Number") *has_record_number = true;
  }
  *record = result;
  return "";
}

}  // namespace tessary::exchange
