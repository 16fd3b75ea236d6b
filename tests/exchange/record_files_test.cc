// The file formats of quotations, checked against text written out by hand:
// CSV as RFC 4180 has it, dump's JSON objects, fortune entries, and the
// values each field takes.
#include "exchange/record_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "exchange/csv.h"
#include "exchange/record_fields.h"

namespace tessary::exchange {
namespace {

using database::FieldText;
using database::QuotationRecord;
using Values = std::vector<std::string>;

TEST(ParseCsv, ReadsQuotedValuesAndNamesTheLineOfAFault) {
  CsvTable table = ParseCsv("a,b,c\r\n\"x, y\",\"say \"\"hi\"\"\",\r\n\n\"two\nlines\",,last");
  ASSERT_EQ(table.error, "");
  ASSERT_EQ(table.rows.size(), 3u);
  EXPECT_EQ(table.rows[0].values, (Values{"a", "b", "c"}));
  EXPECT_EQ(table.rows[1].values, (Values{"x, y", "say \"hi\"", ""}));
  EXPECT_EQ(table.rows[1].line, 2);
  EXPECT_EQ(table.rows[2].values, (Values{"two\nlines", "", "last"}));
  EXPECT_EQ(table.rows[2].line, 4);

  const std::pair<const char*, const char*> faults[] = {
      {"a\n\"open,b\nc", "line 2: a quoted value is not closed"},
      {"a\n\"x\"y,b", "line 2: text after the closing quote of a value"},
      {"a\nb\"c", "line 2: a quote inside a value that is not quoted"},
      {"a\rb", "line 1: a carriage return inside a value that is not quoted"},
  };
  for (const auto& [text, error] : faults) {
    CsvTable bad = ParseCsv(text);
    EXPECT_EQ(bad.error, error) << text;
    EXPECT_TRUE(bad.rows.empty());
  }
}

TEST(WhyNotText, RefusesBinaryAndWhatIsNotUtf8BeyondAFewStrays) {
  // The header of a strfile index: version 2, big-endian.
  EXPECT_NE(WhyNotText(std::string("\0\0\0\x02\0\0\x01\x2C", 8)), "");
  EXPECT_EQ(WhyNotText("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), "");
  std::string latin1 = std::string(100, 'a') + std::string(8, '\xE9');
  EXPECT_EQ(WhyNotText(latin1), "");  // eight stray bytes pass
  EXPECT_EQ(WhyNotText(latin1 + "\xE9"),
            "not UTF-8 text (9 bytes are no UTF-8; convert the file to UTF-8 first)");
  // Overlong forms and surrogates are no UTF-8 either.
  EXPECT_EQ(WhyNotText("\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80"),
            "not UTF-8 text (12 bytes are no UTF-8; convert the file to UTF-8 first)");
}

TEST(FormatOfPath, ByExtensionElseFortune) {
  const std::pair<const char*, FileFormat> cases[] = {
      {"dir/q.CSV", FileFormat::kCsv},        {"q.jsonl", FileFormat::kJson},
      {"q.json", FileFormat::kJson},          {"fortunes/art", FileFormat::kFortune},
      {"my.csv.d/art", FileFormat::kFortune}, {".csv", FileFormat::kFortune}};
  for (const auto& [path, format] : cases) EXPECT_EQ(FormatOfPath(path), format) << path;
}

TEST(ReadRecords, SetsTheNamedFieldsAndLeavesEmptyCellsEmpty) {
  RecordRows read = ReadCsvRecords(
      "\xEF\xBB\xBFRecord_Number,Subject,Line1,Quote_Rank,Multi_Page_Flag,Author_Age_Code\r\n"
      "7,LOVE,\"Caf\xC3\xA9, \"\"please\"\"\",3,T,\r\n"
      ",TRUTH,Second,,,\r\n");
  ASSERT_EQ(read.error, "");
  ASSERT_EQ(read.rows.size(), 2u);
  const QuotationRecord& first = read.rows[0].record;
  EXPECT_TRUE(read.rows[0].has_number);
  EXPECT_EQ(read.rows[0].line, 2);
  EXPECT_EQ(FieldText(first.Record_Number), "7");
  EXPECT_EQ(FieldText(first.Line1), "Caf\xE9, \"please\"");
  EXPECT_EQ(first.Quote_Rank, 3);
  EXPECT_EQ(first.Multi_Page_Flag, 1);
  EXPECT_FALSE(read.rows[1].has_number);
  EXPECT_EQ(read.rows[1].record.Quote_Rank, 0);
}

TEST(ReadRecords, RefuseTheWholeFileNamingLineAndField) {
  const std::string sixty_one(61, 'x');
  const struct {
    bool json;
    std::string text;
    const char* error;
  } cases[] = {
      {false, "Subject,Line1\nLOVE,ok\nLOVE," + sixty_one + "\n",
       "line 3: Line1: 61 characters, at most 60"},
      {false, "Subject,Quote_Rank\nLOVE,a\n", "line 2: Quote_Rank: 'a' is not one digit 0 to 9"},
      {false, "Subject,Colour,Line1,Shade\n",
       "line 1: unknown columns Colour, Shade (the columns are the record's field names)"},
      {false, "Subject,Subject\n", "line 1: column Subject appears twice"},
      {false, "Subject,Line1\nLOVE,\"broken\n", "line 2: a quoted value is not closed"},
      {false, "Subject,Line1\nLOVE\n", "line 2: 1 values where the header names 2 columns"},
      {false, "Line1\n\"tab\there\"\n",
       "line 2: Line1: holds a tab, a line break or another control character"},
      {true, "{\"Line1\":\"ok\"}\n\n{\"Line2\":\"" + sixty_one + "\"}\n",
       "line 3: Line2: 61 characters, at most 60"},
      {true, "{\"Author_Country_Code\":12}\n",
       "line 1: Author_Country_Code: '12' is not one digit 0 to 9"},
      {true, "{\"Line1\":\"ok\",\"Colour\":\"red\"}\n", "line 1: Colour: no such field"},
      {true, "{\"Line1\":\"ok\"\n", "line 1: not a JSON object as dump prints one"},
  };
  for (const auto& c : cases) {
    RecordRows read = c.json ? ReadJsonRecords(c.text) : ReadCsvRecords(c.text);
    EXPECT_EQ(read.error, c.error) << c.text;
    EXPECT_TRUE(read.rows.empty());
  }
}

QuotationRecord Sample() {
  QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Record_Number, "  42");
  database::SetField(r.Subject, "LOVE");
  database::SetField(r.Section, "1");
  database::SetField(r.Authors_LName, "Twain");
  database::SetField(r.FirstName, "Mark");
  database::SetField(r.Authors_Full_Name, "Mark Twain");
  database::SetField(r.Book_Name, "Notebook, 1898");
  database::SetField(r.Line1, "Caf\xE9 \"au lait\"");
  database::SetField(r.Line2, "%");
  database::SetField(r.Line5, "fifth");
  r.Quote_Rank = 1;
  r.Number_of_Lines = 5;
  return r;
}

// CSV in layout order; JSON as dump prints it (checked there) without "ref".
TEST(RecordOutput, CsvAndJsonLinesInLayoutOrder) {
  EXPECT_EQ(CsvHeaderLine(),
            "Record_Number,Book_Code,Page_Number,Subject,Section,Section_Name,Subtitle,"
            "User_Code,Authors_LName,FirstName,Authors_Full_Name,Author_Bio_Snapshot,Book_Name,"
            "Multi_Page_Flag,Line1,Line2,Line3,Line4,Author_Age_Code,Quote_Rank,Number_of_Lines,"
            "Author_Country_Code,Line5,Line6,Line7,Line8,Line9,Line10,Line11\r\n");
  EXPECT_EQ(CsvRecordLine(Sample()),
            "\"  42\",,,LOVE,1,,,,Twain,Mark,Mark Twain,,\"Notebook, 1898\",0,"
            "\"Caf\xC3\xA9 \"\"au lait\"\"\",%,,,0,1,5,0,fifth,,,,,,\r\n");
  const std::string json = JsonRecordLine(Sample(), 933);
  EXPECT_TRUE(json.starts_with(R"({"Record_Number":"  42",)") && json.ends_with("]}\n")) << json;
}

TEST(RecordOutput, FortuneEntryJoinsAContinuedQuotation) {
  QuotationRecord second = database::EmptyRecord();
  database::SetField(second.Line1, "continued");
  // Empty lines inside stay, those after the last line go; a "%" line is
  // kept from ending the entry.
  EXPECT_EQ(
      FortuneEntryText({Sample(), second}),
      "Caf\xC3\xA9 \"au lait\"\n %\n\n\nfifth\ncontinued\n-- Mark Twain, Notebook, 1898\n%\n");
  database::SetField(second.Book_Name, "Anon");
  EXPECT_EQ(FortuneEntryText({second}), "continued\n-- Anon\n%\n");
}

TEST(RecordFieldsTest, RefusesWhatDoesNotFitAndChangesNothing) {
  QuotationRecord record = database::EmptyRecord();
  const QuotationRecord before = record;
  const char* const cases[][3] = {
      {"Subject", "12345678901234", "Subject: 14 characters, at most 13"},
      {"Section", "\xE2\x82\xAC\xE2\x82\xAC", "Section: 2 characters, at most 1"},  // two euros
      {"Line1", "\xE4\xB8\xAD", "Line1: 1 character(s) without a Windows-1252 form or not UTF-8"},
      {"Quote_Rank", "10", "Quote_Rank: '10' is not one digit 0 to 9"},
      {"Author_Age_Code", "", "Author_Age_Code: '' is not one digit 0 to 9"},
      {"Multi_Page_Flag", "2", "Multi_Page_Flag: '2' is not 0, 1, T or F"},
      {"Colour", "red", "Colour: no such field"},
      {"Record_Number", "12a", "Record_Number: '12a' is not a number 0 to 999999"},
  };
  for (const auto& [field, value, reason] : cases) {
    EXPECT_EQ(SetFieldByName(record, field, value), reason) << field;
  }
  EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
}

TEST(RecordFieldsTest, JsonObjectsOfDumpAreReadBackWhole) {
  QuotationRecord record = database::EmptyRecord();
  bool has_number = false;
  EXPECT_EQ(RecordFromJson(Json::parse(R"({"ref":7,"Record_Number":"  42","Subject":"LOVE",)"
                                       R"("Quote_Rank":1,"length":506,"keys":[]})"),
                           &record, &has_number),
            "");
  EXPECT_TRUE(has_number);
  EXPECT_EQ(database::FieldText(record.Record_Number), "  42");
  EXPECT_EQ(record.Quote_Rank, 1);

  QuotationRecord untouched = database::EmptyRecord();
  for (const auto& [text, reason] :
       {std::pair{R"({"Subject":"LOVE","Shade":1})", "Shade: no such field"},
        std::pair{R"({"Subject":"LOVE","Line1":[1]})",
                  "Line1: array where text or a number belongs"}}) {
    EXPECT_EQ(RecordFromJson(Json::parse(text), &untouched, &has_number), reason);
  }
  EXPECT_EQ(database::FieldText(untouched.Subject), "");
}

}  // namespace
}  // namespace tessary::exchange
