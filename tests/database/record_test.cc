// The quotation record: key texts, stored length, equality and sort-key
// captions. Records are filled through their raw bytes at the layout's
// offsets, so a field at the wrong place shows up as a wrong key.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "database/keys.h"

namespace tessary::database {
namespace {

// Offsets and sizes of the text fields, from the record layout table.
struct Field {
  const char* name;
  size_t offset;
  size_t size;
};
constexpr Field kRecordNumber{"Record_Number", 4, 7};
constexpr Field kBookCode{"Book_Code", 11, 3};
constexpr Field kPageNumber{"Page_Number", 14, 5};
constexpr Field kSubject{"Subject", 19, 14};
constexpr Field kSection{"Section", 33, 2};
constexpr Field kSubtitle{"Subtitle", 45, 14};
constexpr Field kUserCode{"User_Code", 59, 14};
constexpr Field kLastName{"Authors_LName", 73, 17};
constexpr Field kFirstName{"FirstName", 90, 16};

// Every text field in record order: lines 1 to 4 start at 258 and lines 5 to
// 11 at 506, 61 bytes each.
std::vector<Field> TextFields() {
  std::vector<Field> fields = {kRecordNumber,
                               kBookCode,
                               kPageNumber,
                               kSubject,
                               kSection,
                               {"Section_Name", 35, 10},
                               kSubtitle,
                               kUserCode,
                               kLastName,
                               kFirstName,
                               {"Authors_Full_Name", 106, 42},
                               {"Author_Bio_Snapshot", 148, 51},
                               {"Book_Name", 199, 58}};
  for (size_t n = 1; n <= 11; ++n) {
    fields.push_back({"Line", n <= 4 ? 258 + 61 * (n - 1) : 506 + 61 * (n - 5), 61});
  }
  return fields;
}
// Multi_Page_Flag and the four code bytes.
constexpr size_t kByteFields[] = {257, 502, 503, 504, 505};

// Writes `text` into a field, NUL-terminated when it leaves room; the text
// may fill the field entirely (no NUL).
void Set(QuotationRecord& record, const Field& field, std::string_view text) {
  ASSERT_LE(text.size(), field.size) << field.name;
  auto* bytes = reinterpret_cast<char*>(&record);
  std::memset(bytes + field.offset, 0, field.size);
  std::memcpy(bytes + field.offset, text.data(), text.size());
}

QuotationRecord Zeroed() {
  QuotationRecord record;
  std::memset(&record, 0, sizeof record);
  return record;
}

// The keys of plain records are checked byte for byte by the dump and JSON
// export tests; here what those records do not reach.
TEST(BuildKey, FillRulesCutsAndCodePage) {
  QuotationRecord r = Zeroed();
  const size_t lengths[] = {6, 30, 20, 6, 17, 13};
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(BuildKey(r, k), std::string(lengths[k - 1], ' ')) << k;
  for (int k : {0, 7, -1, 100}) EXPECT_EQ(BuildKey(r, k), "") << k;

  // Keyboard entry right-aligns the number; both forms give one key 1.
  Set(r, kRecordNumber, "    42");
  EXPECT_EQ(BuildKey(r, 1), "    42");
  Set(r, kRecordNumber, "999999");
  EXPECT_EQ(BuildKey(r, 1), "999999");

  // A 15-character first name loses its last character; a 16-character last
  // name is kept whole.
  Set(r, kLastName, "Abcdefghijklmnop");
  Set(r, kFirstName, "Qrstuvwxyzabcde");
  EXPECT_EQ(BuildKey(r, 2), "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD");

  // A field without a NUL reads to its end; the longer piece is not shortened
  // and pushes the later pieces, and the whole is cut to the key's length.
  Set(r, kSubject, "abcdefghijklmn");  // 14 characters, no NUL
  Set(r, kSection, "7");
  Set(r, kRecordNumber, "1234");
  EXPECT_EQ(BuildKey(r, 3), "ABCDEFGHIJKLMN7  123");
  Set(r, kSubtitle, "abcdefghijklmn");
  EXPECT_EQ(BuildKey(r, 5), "ABCDEFGHIJKLMNABC");
  Set(r, kBookCode, "ABC");  // 3 characters, no NUL
  Set(r, kPageNumber, "12");
  EXPECT_EQ(BuildKey(r, 4), "ABC  1");
  Set(r, kPageNumber, "12345");
  EXPECT_EQ(BuildKey(r, 4), "ABC123");
  Set(r, kSection, "");
  Set(r, kSubject, "X");
  EXPECT_EQ(BuildKey(r, 3), "X" + std::string(15, ' ') + "1234");
  // Key 5 cuts the subject after the subtitle's 13 characters.
  Set(r, kSubtitle, "Love");
  Set(r, kSubject, "Friendship");
  EXPECT_EQ(BuildKey(r, 5), "LOVE         FRIE");

  // Text after the first NUL does not count.
  Set(r, kUserCode, std::string("ab\0cd", 5));
  EXPECT_EQ(BuildKey(r, 6), "AB           ");

  // Accented letters are raised by the code page.
  Set(r, kLastName, "\xE9mile \xDF\xFF\xF7\xB5");  // émile ßÿ÷µ
  Set(r, kFirstName, "\x9A\x9C\x9E\xE0\xFE");      // šœžàþ
  EXPECT_EQ(BuildKey(r, 2), "\xC9MILE \xDF\x9F\xF7\xB5      \x8A\x8C\x8E\xC0\xDE         ");
  Set(r, kUserCode, "M\xFCller");  // Müller
  EXPECT_EQ(BuildKey(r, 6), "M\xDCLLER       ");
}

// The record is long as soon as any of lines 5 to 11 holds a byte above the
// blank (DEL and bytes above 0x7F included); blanks, the control characters
// below the blank and bytes after a NUL do not count.
TEST(StoredLength, AnyVisibleCharacterInLinesFiveToElevenKeepsTheRecordWhole) {
  QuotationRecord r = Zeroed();
  const std::vector<Field> fields = TextFields();
  for (int n = 1; n <= kLineCount; ++n) {
    EXPECT_EQ(Line(r, n) - reinterpret_cast<const char*>(&r),
              static_cast<ptrdiff_t>(fields[12 + n].offset))
        << n;
  }
  EXPECT_EQ(RecordBytes(BlankLinesRecord()), std::string(506, '\0') + std::string(7 * 61, ' '));

  for (const Field& f : fields) {
    if (f.offset < 506) Set(r, f, std::string(f.size - 1, 'x'));
  }
  EXPECT_EQ(StoredLength(r), 506u);  // lines 1 to 4 and every field before them
  const std::pair<std::string, size_t> cases[] = {{std::string(60, ' '), 506},
                                                  {std::string(61, ' '), 506},
                                                  {"\t \x1F\x7F", 933},
                                                  {"\t \x1F\x01", 506},
                                                  {std::string(59, ' ') + "!", 933},
                                                  {"a", 933},
                                                  {"\xA0", 933},
                                                  {"\xE9t\xE9", 933},
                                                  {std::string("\0text", 5), 506}};
  for (size_t line = 0; line < 7; ++line) {
    for (const auto& [text, length] : cases) {
      QuotationRecord with = r;
      Set(with, fields[17 + line], text);
      EXPECT_EQ(StoredLength(with), length) << "line " << line + 5 << ": " << text;
    }
  }
}

TEST(RecordsEqual, EveryFieldCountsUpToItsNul) {
  QuotationRecord base = Zeroed();
  for (const Field& f : TextFields()) Set(base, f, std::string(f.name).substr(0, f.size - 1));
  for (size_t at : kByteFields) reinterpret_cast<uint8_t*>(&base)[at] = 1;
  EXPECT_TRUE(RecordsEqual(base, base));

  for (const Field& f : TextFields()) {
    SCOPED_TRACE(f.offset);
    QuotationRecord other = base;
    reinterpret_cast<char*>(&other)[f.offset] ^= 0x20;
    EXPECT_FALSE(RecordsEqual(base, other));
    EXPECT_FALSE(RecordsEqual(other, base));
    // A shorter text differs even when the rest matches.
    other = base;
    reinterpret_cast<char*>(&other)[f.offset + 1] = '\0';
    EXPECT_EQ(RecordsEqual(base, other), f.size <= 2);
    // Bytes after the NUL are not part of the text.
    other = base;
    reinterpret_cast<char*>(&other)[f.offset + f.size - 1] = 'x';
    EXPECT_EQ(RecordsEqual(base, other), std::strlen(f.name) + 1 < f.size);
  }
  for (size_t at : kByteFields) {
    QuotationRecord other = base;
    reinterpret_cast<uint8_t*>(&other)[at] = 2;
    EXPECT_FALSE(RecordsEqual(base, other)) << at;
  }
  QuotationRecord other = base;
  other.Deleted_Link = -1;
  EXPECT_FALSE(RecordsEqual(base, other));

  // The padding of both forms of the same number is different text; a field
  // filled to its end without a NUL is compared whole.
  QuotationRecord a = Zeroed();
  QuotationRecord b = Zeroed();
  Set(a, kRecordNumber, "42");
  Set(b, kRecordNumber, "    42");
  EXPECT_FALSE(RecordsEqual(a, b));
  b = a;
  Set(a, kSubject, "abcdefghijklmn");
  Set(b, kSubject, "abcdefghijklmn");
  EXPECT_TRUE(RecordsEqual(a, b));
  Set(b, kSubject, "abcdefghijklmo");
  EXPECT_FALSE(RecordsEqual(a, b));
}

TEST(SortKeyCaption, CaptionsAndOutOfRangeKeys) {
  const char* const captions[] = {
      "Record Number",         "Author's Name",      "Subject + Section + Number",
      "Book Code + Book Page", "Subtitle + Subject", "User Code"};
  for (int k = 1; k <= 6; ++k) {
    EXPECT_EQ(SortKeyCaption(k), std::string("Sort Key = ") + captions[k - 1]);
  }
  for (int k : {0, 7, -1, 1000}) EXPECT_EQ(SortKeyCaption(k), "Sort Key = Record Number") << k;
}

}  // namespace
}  // namespace tessary::database
