#include "database/quotation_record.h"

#include <cstring>

#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::database {

using platform::LeftPad;
using platform::Pad;

QuotationRecord EmptyRecord() {
  QuotationRecord record;
  std::memset(&record, 0, sizeof record);
  return record;
}

char (&Line(QuotationRecord& record, int n))[61] {
  switch (n) {
    case 1:
      return record.Line1;
    case 2:
      return record.Line2;
    case 3:
      return record.Line3;
    case 4:
      return record.Line4;
    case 5:
      return record.Line5;
    case 6:
      return record.Line6;
    case 7:
      return record.Line7;
    case 8:
      return record.Line8;
    case 9:
      return record.Line9;
    case 10:
      return record.Line10;
    default:
      return record.Line11;
  }
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

std::string BuildKey(const QuotationRecord& r, int key_number) {
  std::string key;
  size_t cut = 0;
  switch (key_number) {
    case 1:
      key = LeftPad(FieldText(r.Record_Number), 6);
      cut = 6;
      break;
    case 2:
      key = Pad(FieldText(r.Authors_LName), 16) + Pad(FieldText(r.FirstName), 14);
      cut = 30;
      break;
    case 3:
      key = Pad(FieldText(r.Subject), 13) + Pad(FieldText(r.Section), 1) +
            LeftPad(FieldText(r.Record_Number), 6);
      cut = 20;
      break;
    case 4:
      key = Pad(FieldText(r.Book_Code), 2) + LeftPad(FieldText(r.Page_Number), 4);
      cut = 6;
      break;
    case 5:
      key = Pad(FieldText(r.Subtitle), 13) + Pad(FieldText(r.Subject), 4);
      cut = 17;
      break;
    case 6:
      key = Pad(FieldText(r.User_Code), 13);
      cut = 13;
      break;
    default:
      return std::string();
  }
  // Upper-casing is per byte, so upper-casing the joined text equals
  // upper-casing each piece.
  platform::UpperAnsiInPlace(key);
  if (key.size() > cut) key.resize(cut);
  return key;
}

std::string BuildKeyFromBytes(std::string_view bytes, int key_number) {
  return BuildKey(RecordFromBytes(bytes), key_number);
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

std::string SortKeyCaption(int key_number) {
  switch (key_number) {
    case 2:
      return "Sort Key = Author's Name";
    case 3:
      return "Sort Key = Subject + Section + Number";
    case 4:
      return "Sort Key = Book Code + Book Page";
    case 5:
      return "Sort Key = Subtitle + Subject";
    case 6:
      return "Sort Key = User Code";
    default:
      return "Sort Key = Record Number";
  }
}

}  // namespace tessary::database
