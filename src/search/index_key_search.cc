#include "search/index_key_search.h"

#include <algorithm>
#include <cstring>

namespace tessary::search {
namespace {

using database::QuotationRecord;

const std::array<IndexFieldInfo, kIndexFieldCount> kFields = {{
    {"Record Number:", 6, 6, 1, "Record_Number"},
    {"Last Name:  ", 16, 16, 2, "Authors_LName"},
    // The first name's last character does not reach key 2, nor this test.
    {"First:", 15, 14, 2, "FirstName"},
    {"Subject:  ", 13, 13, 3, "Subject"},
    {"Section:  ", 1, 1, 3, "Section"},
    {"Book Code:  ", 2, 2, 4, "Book_Code"},
    {"Page:", 4, 4, 4, "Page_Number"},
    {"Subtitle:  ", 13, 13, 5, "Subtitle"},
    {"User Code:  ", 13, 13, 6, "User_Code"},
}};

// The record field a search field is copied into (every search field names
// one of the record's text fields).
std::pair<char*, size_t> RecordField(QuotationRecord& r, int field) {
  const std::string_view name = kFields[static_cast<size_t>(field)].record_field;
  const auto& fields = database::TextFields();
  const auto it = std::find_if(fields.begin(), fields.end(),
                               [name](const database::TextFieldInfo& f) { return name == f.name; });
  return {reinterpret_cast<char*>(&r) + it->offset, it->size};
}

}  // namespace

const std::array<IndexFieldInfo, kIndexFieldCount>& IndexFields() { return kFields; }

const char* GroupHint(int group) { return database::Key(group).search_hint; }

std::string CheckIndexField(IndexField field, std::string_view text) {
  const IndexFieldInfo& info = kFields[static_cast<size_t>(field)];
  if (text.find('\0') != std::string_view::npos) {
    return std::string(info.label) + " holds a NUL character";
  }
  if (text.size() <= info.longest) return "";
  std::string label(info.label);
  label.erase(label.find_last_not_of(' ') + 1);
  return label + " " + std::to_string(text.size()) + " characters, at most " +
         std::to_string(info.longest);
}

QuotationRecord IndexSearchRecord(const IndexSearchFields& fields) {
  QuotationRecord record = database::EmptyRecord();
  for (int f = 0; f < kIndexFieldCount; ++f) {
    auto [bytes, size] = RecordField(record, f);
    const std::string& text = fields[static_cast<size_t>(f)];
    const size_t n = std::min({text.size(), kFields[static_cast<size_t>(f)].longest, size - 1});
    std::memcpy(bytes, text.data(), n);
  }
  return record;
}

bool FieldFilled(std::string_view field_bytes, size_t compared) {
  // A byte comparison that stops at the field's NUL, like the text compare it
  // stands for: bytes after the text count as below "0".
  for (size_t i = 0; i < compared; ++i) {
    const auto c = i < field_bytes.size() ? static_cast<unsigned char>(field_bytes[i]) : 0;
    if (c != '0') return c > '0';
  }
  return false;
}

int ChooseSearchKey(const QuotationRecord& search_record) {
  QuotationRecord copy = search_record;
  int key = 0;
  for (int f = 0; f < kIndexFieldCount; ++f) {
    const IndexFieldInfo& info = kFields[static_cast<size_t>(f)];
    auto [bytes, size] = RecordField(copy, f);
    if (FieldFilled(std::string_view(bytes, size), info.compared)) {
      key = std::max(key, info.group);
    }
  }
  return key;
}

IndexSearchResult RunIndexKeySearch(database::Session& session, const IndexSearchFields& fields,
                                    int* key, int32_t* ref, std::string* key_text) {
  session.saved_record = IndexSearchRecord(fields);
  const int chosen = ChooseSearchKey(session.saved_record);
  if (chosen == 0) return IndexSearchResult::kNoField;
  std::string text = database::BuildKey(session.saved_record, chosen);
  int32_t found = 0;
  if (!session.SearchKeyRetry(chosen, found, text)) return IndexSearchResult::kNotFound;
  *key = chosen;
  *ref = found;
  *key_text = text;
  return IndexSearchResult::kFound;
}

}  // namespace tessary::search
