#include "database/quotation_record.h"

#include <cstring>

namespace tessary::database {

QuotationRecord EmptyRecord() {
  QuotationRecord record;
  std::memset(&record, 0, sizeof record);
  return record;
}

QuotationRecord BlankLinesRecord() {
  QuotationRecord record = EmptyRecord();
  for (int n = 5; n <= kLineCount; ++n) std::memset(Line(record, n), ' ', sizeof record.Line5);
  return record;
}

char (&Line(QuotationRecord& record, int n))[61] {
  // Lines 1 to 4 and lines 5 to 11 each lie back to back; n outside 1 to 11
  // counts as line 11.
  const size_t offset = n >= 1 && n <= 4 ? offsetof(QuotationRecord, Line1) + (n - 1) * 61
                        : n >= 5 && n <= kLineCount
                            ? offsetof(QuotationRecord, Line5) + (n - 5) * 61
                            : offsetof(QuotationRecord, Line11);
  return *reinterpret_cast<char(*)[61]>(reinterpret_cast<char*>(&record) + offset);
}

const char (&Line(const QuotationRecord& record, int n))[61] {
  return Line(const_cast<QuotationRecord&>(record), n);
}

std::string_view RecordBytes(const QuotationRecord& record) {
  return std::string_view(reinterpret_cast<const char*>(&record), sizeof record);
}

QuotationRecord RecordFromBytes(std::string_view bytes) {
  QuotationRecord record = EmptyRecord();
  std::memcpy(&record, bytes.data(), bytes.size() < sizeof record ? bytes.size() : sizeof record);
  return record;
}

const std::array<TextFieldInfo, 24>& TextFields() {
#define TESSARY_FIELD(name) \
  TextFieldInfo { #name, offsetof(QuotationRecord, name), sizeof(QuotationRecord::name) }
  static const std::array<TextFieldInfo, 24> fields = {
      TESSARY_FIELD(Record_Number),
      TESSARY_FIELD(Book_Code),
      TESSARY_FIELD(Page_Number),
      TESSARY_FIELD(Subject),
      TESSARY_FIELD(Section),
      TESSARY_FIELD(Section_Name),
      TESSARY_FIELD(Subtitle),
      TESSARY_FIELD(User_Code),
      TESSARY_FIELD(Authors_LName),
      TESSARY_FIELD(FirstName),
      TESSARY_FIELD(Authors_Full_Name),
      TESSARY_FIELD(Author_Bio_Snapshot),
      TESSARY_FIELD(Book_Name),
      TESSARY_FIELD(Line1),
      TESSARY_FIELD(Line2),
      TESSARY_FIELD(Line3),
      TESSARY_FIELD(Line4),
      TESSARY_FIELD(Line5),
      TESSARY_FIELD(Line6),
      TESSARY_FIELD(Line7),
      TESSARY_FIELD(Line8),
      TESSARY_FIELD(Line9),
      TESSARY_FIELD(Line10),
      TESSARY_FIELD(Line11),
  };
#undef TESSARY_FIELD
  return fields;
}

std::string_view FieldText(const QuotationRecord& record, const TextFieldInfo& field) {
  const char* begin = reinterpret_cast<const char*>(&record) + field.offset;
  size_t len = 0;
  while (len < field.size && begin[len] != '\0') ++len;
  return std::string_view(begin, len);
}

size_t StoredLength(const QuotationRecord& record) {
  // Lines 5 to 11 lie beyond the short form; any of them that shows a
  // character makes the record long, so no line is dropped on the way to
  // the file. Blanks and control characters alone show nothing.
  for (int n = 5; n <= kLineCount; ++n) {
    for (char c : FieldText(Line(record, n))) {
      if (static_cast<unsigned char>(c) > ' ') return kRecordSize;
    }
  }
  return kShortRecordSize;
}

bool RecordsEqual(const QuotationRecord& a, const QuotationRecord& b) {
  if (a.Deleted_Link != b.Deleted_Link) return false;
  for (const TextFieldInfo& field : TextFields()) {
    if (FieldText(a, field) != FieldText(b, field)) return false;
  }
  return a.Multi_Page_Flag == b.Multi_Page_Flag && a.Author_Age_Code == b.Author_Age_Code &&
         a.Quote_Rank == b.Quote_Rank && a.Number_of_Lines == b.Number_of_Lines &&
         a.Author_Country_Code == b.Author_Country_Code;
}

}  // namespace tessary::database
