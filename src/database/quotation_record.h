// One quotation as stored in the data file: a 933-byte block of fixed-size
// NUL-terminated Windows-1252 text fields and one-byte codes.
//
//   offset size field                 offset size field
//   0      4    Deleted_Link (i32 LE) 199    58   Book_Name
//   4      7    Record_Number         257    1    Multi_Page_Flag
//   11     3    Book_Code             258    61   Line1
//   14     5    Page_Number           319    61   Line2
//   19     14   Subject               380    61   Line3
//   33     2    Section               441    61   Line4
//   35     10   Section_Name          502    1    Author_Age_Code
//   45     14   Subtitle              503    1    Quote_Rank
//   59     14   User_Code             504    1    Number_of_Lines
//   73     17   Authors_LName         505    1    Author_Country_Code
//   90     16   FirstName             506    61   Line5 .. 872 61 Line11
//   106    42   Authors_Full_Name     (each line 61 bytes apart)
//   148    51   Author_Bio_Snapshot
//
// A record is stored whole (933 bytes) when any of lines 5 to 11 holds text,
// else as its first 506 bytes; a reader fills its 933-byte buffer from
// whatever length is stored. A text field runs to its first NUL, or to its
// end when it has none.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessary::database {

static_assert(std::endian::native == std::endian::little,
              "the record's integer field is stored little-endian");

#pragma pack(push, 1)
struct QuotationRecord {
  int32_t Deleted_Link;
  char Record_Number[7];
  char Book_Code[3];
  char Page_Number[5];
  char Subject[14];
  char Section[2];
  char Section_Name[10];
  char Subtitle[14];
  char User_Code[14];
  char Authors_LName[17];
  char FirstName[16];
  char Authors_Full_Name[42];
  char Author_Bio_Snapshot[51];
  char Book_Name[58];
  uint8_t Multi_Page_Flag;
  char Line1[61];
  char Line2[61];
  char Line3[61];
  char Line4[61];
  uint8_t Author_Age_Code;
  uint8_t Quote_Rank;
  uint8_t Number_of_Lines;
  uint8_t Author_Country_Code;
  char Line5[61];
  char Line6[61];
  char Line7[61];
  char Line8[61];
  char Line9[61];
  char Line10[61];
  char Line11[61];
};
#pragma pack(pop)

inline constexpr size_t kRecordSize = 933;
inline constexpr size_t kShortRecordSize = 506;
inline constexpr int kLineCount = 11;
inline constexpr size_t kLineCapacity = 60;

static_assert(sizeof(QuotationRecord) == kRecordSize);
static_assert(offsetof(QuotationRecord, Deleted_Link) == 0);
static_assert(offsetof(QuotationRecord, Record_Number) == 4);
static_assert(offsetof(QuotationRecord, Book_Code) == 11);
static_assert(offsetof(QuotationRecord, Page_Number) == 14);
static_assert(offsetof(QuotationRecord, Subject) == 19);
static_assert(offsetof(QuotationRecord, Section) == 33);
static_assert(offsetof(QuotationRecord, Section_Name) == 35);
static_assert(offsetof(QuotationRecord, Subtitle) == 45);
static_assert(offsetof(QuotationRecord, User_Code) == 59);
static_assert(offsetof(QuotationRecord, Authors_LName) == 73);
static_assert(offsetof(QuotationRecord, FirstName) == 90);
static_assert(offsetof(QuotationRecord, Authors_Full_Name) == 106);
static_assert(offsetof(QuotationRecord, Author_Bio_Snapshot) == 148);
static_assert(offsetof(QuotationRecord, Book_Name) == 199);
static_assert(offsetof(QuotationRecord, Multi_Page_Flag) == 257);
static_assert(offsetof(QuotationRecord, Line1) == 258);
static_assert(offsetof(QuotationRecord, Line2) == 319);
static_assert(offsetof(QuotationRecord, Line3) == 380);
static_assert(offsetof(QuotationRecord, Line4) == 441);
static_assert(offsetof(QuotationRecord, Author_Age_Code) == 502);
static_assert(offsetof(QuotationRecord, Quote_Rank) == 503);
static_assert(offsetof(QuotationRecord, Number_of_Lines) == 504);
static_assert(offsetof(QuotationRecord, Author_Country_Code) == 505);
static_assert(offsetof(QuotationRecord, Line5) == 506);
static_assert(offsetof(QuotationRecord, Line6) == 567);
static_assert(offsetof(QuotationRecord, Line7) == 628);
static_assert(offsetof(QuotationRecord, Line8) == 689);
static_assert(offsetof(QuotationRecord, Line9) == 750);
static_assert(offsetof(QuotationRecord, Line10) == 811);
static_assert(offsetof(QuotationRecord, Line11) == 872);

// A record with every byte zero.
QuotationRecord EmptyRecord();

// A zero record whose lines 5 to 11 hold 61 blanks each: what a reader that
// shows all eleven lines reads a record over, so that a record stored short
// reads as blank lines there.
QuotationRecord BlankLinesRecord();

// The text of a field: up to its first NUL, or the whole field without one.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  size_t len = 0;
  while (len < N && field[len] != '\0') ++len;
  return std::string_view(field, len);
}

// Stores `text` cut to the field's capacity (N - 1) and fills the rest with NULs.
template <size_t N>
void SetField(char (&field)[N], std::string_view text) {
  size_t len = text.size() < N - 1 ? text.size() : N - 1;
  for (size_t i = 0; i < N; ++i) field[i] = i < len ? text[i] : '\0';
}

// Line n (1 to 11) of the quotation.
char (&Line(QuotationRecord& record, int n))[61];
const char (&Line(const QuotationRecord& record, int n))[61];

// The record's bytes, and a record from up to 933 bytes (the rest zero).
std::string_view RecordBytes(const QuotationRecord& record);
QuotationRecord RecordFromBytes(std::string_view bytes);

// Text fields by their names in layout order, for output and comparison.
struct TextFieldInfo {
  const char* name;
  size_t offset;
  size_t size;
};
const std::array<TextFieldInfo, 24>& TextFields();
std::string_view FieldText(const QuotationRecord& record, const TextFieldInfo& field);

// 933 when any of Line5 to Line11 holds a character above the blank, else 506
// (lines 5 to 11 empty, blank or control characters only). Every path that
// writes a record stores this many bytes.
size_t StoredLength(const QuotationRecord& record);

// Whether two records hold the same contents, Record_Number included (a
// renumbered record is a changed record and must be written).
bool RecordsEqual(const QuotationRecord& a, const QuotationRecord& b);

}  // namespace tessary::database
