// Row texts of the record list: the fixed columns of each sort key, the
// author column, the bad-row form and key numbers without a layout. Every
// expected text is spelled out column by column.
#include "app/row_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/main_state.h"
#include "database/quotation_record.h"

namespace tessary::app {
namespace {

using database::QuotationRecord;
using database::SetField;

std::string Blanks(size_t n) { return std::string(n, ' '); }

// Record 42 on Love, section 3, by John Smith.
QuotationRecord Love42() {
  QuotationRecord r = database::EmptyRecord();
  SetField(r.Record_Number, "42");
  SetField(r.Subject, "Love");
  SetField(r.Section, "3");
  SetField(r.Section_Name, "Romance");
  SetField(r.Authors_LName, "Smith");
  SetField(r.FirstName, "John");
  SetField(r.Authors_Full_Name, "John Smith");
  SetField(r.Book_Code, "AB");
  SetField(r.Page_Number, "12");
  SetField(r.Subtitle, "ROMANCE");
  SetField(r.User_Code, "mine");
  SetField(r.Line1, "To love is to live.");
  SetField(r.Line2, "Not shown in the row.");
  return r;
}

// "To love is to live." in its 60-character column.
const std::string kLine1 = "To love is to live." + Blanks(41);

TEST(RowTextTest, ColumnsOfEachSortKey) {
  const QuotationRecord r = Love42();
  // Number, subject, section, author, line 1: 107 characters, then blanks to 128.
  const std::string by_author =
      "    42, Love          3  Smith, John          " + kLine1 + " " + Blanks(21);
  EXPECT_EQ(RowText(r, 1), by_author);
  EXPECT_EQ(RowText(r, 2), by_author);
  EXPECT_EQ(RowText(r, 3), by_author);
  // Number, book code, page, subject, section, line 1: 97 characters.
  EXPECT_EQ(RowText(r, 4), "    42,  AB  12    Love          3  " + kLine1 + " " + Blanks(31));
  // Number, subtitle or user code, subject, section, line 1: 101 characters.
  EXPECT_EQ(RowText(r, 5), "    42,  ROMANCE       Love          3  " + kLine1 + " " + Blanks(27));
  EXPECT_EQ(RowText(r, 6), "    42,  mine          Love          3  " + kLine1 + " " + Blanks(27));
  for (int key = 1; key <= 6; ++key) EXPECT_EQ(RowText(r, key).size(), kRowWidth) << key;

  // A piece that fills its whole field is not cut.
  QuotationRecord full = r;
  std::memcpy(full.Subject, "Abcdefghijklmn", 14);
  EXPECT_EQ(RowText(full, 1),
            "    42, Abcdefghijklmn 3  Smith, John          " + kLine1 + " " + Blanks(20));
  EXPECT_EQ(RowText(full, 5),
            "    42,  ROMANCE       Abcdefghijklmn 3  " + kLine1 + " " + Blanks(26));
}

TEST(RowTextTest, EmptyFieldsKeepTheirColumns) {
  QuotationRecord r = database::EmptyRecord();
  SetField(r.Record_Number, "123456");
  SetField(r.Authors_LName, "Smith");
  SetField(r.Line1, std::string(60, 'x'));
  // Empty first name: the last name, a comma and a blank.
  EXPECT_EQ(RowText(r, 1), "123456, " + Blanks(13) + " " + " " + "  " + "Smith, " + Blanks(13) +
                               " " + std::string(60, 'x') + " " + Blanks(21));
  EXPECT_EQ(AuthorColumn(r), "Smith, " + Blanks(13));
  EXPECT_EQ(RowText(r, 4), "123456,  " + Blanks(2) + "  " + Blanks(4) + "  " + Blanks(13) + " " +
                               " " + "  " + std::string(60, 'x') + " " + Blanks(31));
}

TEST(RowTextTest, AuthorColumnTrimsAndCuts) {
  QuotationRecord r = Love42();
  // Leading and trailing blanks and control characters of the last name go;
  // the first name loses only its trailing ones.
  SetField(r.Authors_LName, "  \t\x01Smith\x02 ");
  SetField(r.FirstName, " John \x03");
  EXPECT_EQ(AuthorColumn(r), "Smith,  John" + Blanks(8));
  EXPECT_EQ(RowText(r, 2).substr(0, 46), "    42, Love          3  Smith,  John         ");

  // Full fields without a NUL: 17 + 2 + 16 characters, cut to 20. The display
  // name (41 characters) plays no part.
  std::memset(r.Authors_LName, 'L', sizeof r.Authors_LName);
  std::memset(r.FirstName, 'F', sizeof r.FirstName);
  SetField(r.Authors_Full_Name, std::string(41, 'N'));
  EXPECT_EQ(AuthorColumn(r), "LLLLLLLLLLLLLLLLL, F");
  EXPECT_EQ(RowText(r, 1),
            "    42, Love          3  LLLLLLLLLLLLLLLLL, F " + kLine1 + " " + Blanks(21));
}

// Bad rows show their key text, whatever the key number; rows of a key
// number without a layout keep their text.
TEST(RowTextTest, BuildRowShowsBadRowsByKeyTextAndKeepsRowsWithoutALayout) {
  const QuotationRecord r = Love42();
  browser::RowRec row;
  row.elements.assign(1, "old text");
  row.key = "SMITH           JOHN          ";
  row.status = -1;
  EXPECT_EQ(BuildRow(row, r, 2), 0);
  EXPECT_EQ(row.elements[0], "****  SMITH           JOHN          " + Blanks(92));
  EXPECT_EQ(BadRowText("    42"), "****      42" + Blanks(116));
  row.status = -2;  // the filter's bad row
  row.key = "    42";
  EXPECT_EQ(BuildRow(row, r, 9), 0);
  EXPECT_EQ(row.elements[0], "****      42" + Blanks(116));

  row.status = 0;
  for (int key : {0, 7, -1}) {
    row.elements.assign(1, "as it was");
    EXPECT_EQ(BuildRow(row, r, key), 0);
    EXPECT_EQ(row.elements[0], "as it was") << key;
    EXPECT_EQ(RowText(r, key), "") << key;
  }
}

TEST(HeaderTextTest, TitlesOfEachSortKey) {
  // Each title padded to its width; the whole line padded to 128.
  const std::string number = "Number " + Blanks(1);
  const std::string subject = "Subject Section" + Blanks(2);
  const std::string line1 = "First Line of Quote" + Blanks(41) + " ";
  const std::string by_author = number + subject + "Author's Name " + Blanks(7) + line1;
  const struct {
    int key;
    std::string text;
  } cases[] = {
      {1, by_author},
      {2, by_author},
      {3, by_author},
      {4, number + "Book Page " + " " + subject + line1},  // the title is longer than 9
      {5, number + "Subtitle     " + Blanks(2) + subject + line1},
      {6, number + "User Code    " + Blanks(2) + subject + line1},
      {0, by_author},  // another number counts as key 1
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HeaderText(c.key), c.text + Blanks(128 - c.text.size())) << c.key;
  }
}

}  // namespace
}  // namespace tessary::app
