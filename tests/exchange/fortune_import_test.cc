#include "exchange/fortune_import.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tessary::exchange {
namespace {

using database::FieldText;
using database::Line;
using database::QuotationRecord;

std::string Lines(const QuotationRecord& record) {
  std::string text;
  for (int n = 1; n <= database::kLineCount; ++n) {
    std::string_view line = FieldText(Line(record, n));
    if (line.empty()) continue;
    text += std::to_string(n) + ":" + std::string(line) + "|";
  }
  return text;
}

// Full name, last name, first name and book, separated by '|'.
std::string Author(const QuotationRecord& r) {
  return std::string(FieldText(r.Authors_Full_Name)) + "|" +
         std::string(FieldText(r.Authors_LName)) + "|" + std::string(FieldText(r.FirstName)) + "|" +
         std::string(FieldText(r.Book_Name));
}

// Subject, subtitle and user code, separated by '|'.
std::string Filing(const QuotationRecord& r) {
  return std::string(FieldText(r.Subject)) + "|" + std::string(FieldText(r.Subtitle)) + "|" +
         std::string(FieldText(r.User_Code));
}

ImportResult Import(const std::string& text, ImportContext context = {}) {
  return EntryToRecords(FortuneEntry{text, 1}, context);
}

// Returns the one record an entry becomes.
QuotationRecord Single(const std::string& text, ImportContext context = {}) {
  ImportResult result = Import(text, context);
  EXPECT_EQ(result.skipped, SkipReason::kNone);
  EXPECT_EQ(result.records.size(), 1u);
  return result.records.empty() ? database::EmptyRecord() : result.records[0];
}

TEST(ParseFortunesTest, SplitsAtPercentLines) {
  std::vector<FortuneEntry> entries = ParseFortunes(
      "\xEF\xBB\xBF"
      "one\r\nline two\r\n%\r\n100% sure\n%  \n%\n\nlast\n%\n");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].text, "one\nline two");
  EXPECT_EQ(entries[0].first_line, 1);
  EXPECT_EQ(entries[1].text, "100% sure");
  EXPECT_EQ(entries[1].first_line, 4);
  EXPECT_EQ(entries[2].text, "");  // between two separators
  EXPECT_EQ(entries[2].first_line, 6);
  EXPECT_EQ(entries[3].text, "\nlast");
  EXPECT_EQ(entries[3].first_line, 7);

  EXPECT_EQ(ParseFortunes("%\nonly\n").size(), 1u);
  EXPECT_EQ(ParseFortunes("no separator").size(), 1u);
  EXPECT_TRUE(ParseFortunes("").empty());
  EXPECT_TRUE(ParseFortunes(" \n\n").empty());
}

// Wrapping itself is the layout's; here the edges of the 60-character line and
// what the import does to the raw text before the layout sees it.
TEST(FortuneLayoutTest, KeepsLinesThatFitAndCleansTheRawText) {
  const std::string sixty(60, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {sixty, "1:" + sixty + "|"},
      // A blank in column 61 still leaves a first piece of 60.
      {sixty + " tail", "1:" + sixty + "|2:tail|"},
      // Indentation is kept, tabs stop every 8 columns, trailing blanks and
      // the blank lines around the text go, blank lines inside stay.
      {"\n  \nab\tc  \n\n\tdef\t\n \n", "1:ab      c|3:        def|"},
      // Overstruck and other control characters leave the visible text.
      {"_\bb_\bo_\bl_\bd and B\bBold\f", "1:bold and Bold|"},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(Lines(Single(text)), lines) << text;
}

TEST(FortuneLayoutTest, CountsLinesInTheOneDigitField) {
  const std::pair<const char*, int> cases[] = {{"a\nb\nc", 3},
                                               {"a\n\nc", 3},
                                               {"1\n2\n3\n4\n5\n6\n7\n8\n9", 9},
                                               {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11", 9}};
  for (const auto& [text, count] : cases) EXPECT_EQ(Single(text).Number_of_Lines, count) << text;
}

TEST(FortuneLayoutTest, LongEntryContinuesInTheNextRecords) {
  ImportContext context;
  context.first_record_number = 41;
  ImportResult result =
      Import("l1\nl2\nl3\nl4\nl5\nl6\nl7\nl8\nl9\nl10\nl11\nl12\n\t-- A. Writer", context);
  ASSERT_EQ(result.records.size(), 2u);
  const QuotationRecord& first = result.records[0];
  const QuotationRecord& second = result.records[1];
  EXPECT_EQ(FieldText(first.Record_Number), "41");
  EXPECT_EQ(FieldText(second.Record_Number), "42");
  EXPECT_EQ(first.Multi_Page_Flag, 1);
  EXPECT_EQ(second.Multi_Page_Flag, 0);
  EXPECT_EQ(FieldText(first.Line11), "l11");
  EXPECT_EQ(first.Number_of_Lines, 9);
  EXPECT_EQ(Lines(second), "1:l12|");
  EXPECT_EQ(second.Number_of_Lines, 1);
  EXPECT_EQ(database::StoredLength(first), 933u);
  EXPECT_EQ(database::StoredLength(second), 506u);
  // Both records carry the entry's key fields.
  EXPECT_EQ(FieldText(second.Authors_LName), "Writer");
  EXPECT_EQ(FieldText(second.Subject), FieldText(first.Subject));

  // A blank line at the boundary does not start the next record, and a line
  // wrapped past line 11 moves on with it.
  result = Import("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n\n12\n13");
  ASSERT_EQ(result.records.size(), 2u);
  EXPECT_EQ(Lines(result.records[1]), "1:12|2:13|");
  result =
      Import("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n" + std::string(40, 'a') + " " + std::string(40, 'b'));
  ASSERT_EQ(result.records.size(), 2u);
  EXPECT_EQ(FieldText(result.records[0].Line11), std::string(40, 'a'));
  EXPECT_EQ(Lines(result.records[1]), "1:" + std::string(40, 'b') + "|");
}

TEST(FortuneAttributionTest, FillsAuthorAndBookFields) {
  QuotationRecord plain = Single("Absence diminishes mediocre passions.\n\t\t-- La Rochefoucauld");
  EXPECT_EQ(Lines(plain), "1:Absence diminishes mediocre passions.|");
  EXPECT_EQ(plain.Number_of_Lines, 1);
  EXPECT_EQ(Author(plain), "La Rochefoucauld|Rochefoucauld|La|");
  EXPECT_EQ(Author(Single("Text.\n-- Dave Barry, \"Sex and the Single Amoeba\"")),
            "Dave Barry|Barry|Dave|\"Sex and the Single Amoeba\"");
  EXPECT_EQ(Author(Single("Text.\n    \xE2\x80\x94 G. B. Shaw, Man and Superman, 1903")),
            "G. B. Shaw|Shaw|G. B.|Man and Superman, 1903");
  QuotationRecord runs_on = Single(
      "Text.\n\t\t-- David E. Lundstrom, \"A Few Good Men From Univac\",\n\t\t   MIT Press, 1987");
  EXPECT_EQ(Lines(runs_on), "1:Text.|");
  EXPECT_EQ(
      Author(runs_on),
      "David E. Lundstrom|Lundstrom|David E.|\"A Few Good Men From Univac\", MIT Press, 1987");
  EXPECT_EQ(Author(Single("Text.\n\t-- Daniel Stone on debian-{x,devel}, on X")),
            "Daniel Stone on debian-{x,devel}|debian-{x,devel}|Daniel Stone on|on X");
  EXPECT_EQ(Author(Single("Text.\n\t-- by Charles Dickens")),
            "by Charles Dickens|Dickens|Charles|");

  // A name or source that fits exactly goes into its field; one character
  // more and the attribution stays in the text, whole. Only the last and
  // first names, which the full name holds whole, are cut.
  const std::string name = "Jo " + std::string(38, 'N');
  EXPECT_EQ(Author(Single("Text.\n-- " + name + ", " + std::string(57, 'B'))),
            name + "|" + std::string(16, 'N') + "|Jo|" + std::string(57, 'B'));
  for (const std::string& attribution :
       {"-- " + name + "N, Book", "-- " + name + ", " + std::string(58, 'B')}) {
    QuotationRecord kept = Single("Text.\n" + attribution);
    EXPECT_EQ(Author(kept), "|||");
    EXPECT_NE(Lines(kept).find(attribution.substr(attribution.size() - 20)), std::string::npos)
        << Lines(kept);
  }
}

TEST(FortuneAttributionTest, OnlyATrailingNamedDashLineIsAnAttribution) {
  // A dash line inside the text, or one before an editor's note, stays text.
  QuotationRecord inside = Single("Said so -- even if he drank.\n-- not last\nEnd.");
  EXPECT_EQ(Lines(inside), "1:Said so -- even if he drank.|2:-- not last|3:End.|");
  EXPECT_EQ(FieldText(inside.Authors_Full_Name), "");

  QuotationRecord note = Single("Text.\n\t\t-- Robert Goodman\n\t[Never used one.  Ed.]");
  EXPECT_EQ(Lines(note),
            "1:Text.|2:                -- Robert Goodman|3:        [Never used one.  Ed.]|");

  // Dash ornaments are not attributions, and an unindented next line does
  // not run an attribution on.
  EXPECT_EQ(FieldText(Single("art\n----==-- _").Authors_Full_Name), "");
  EXPECT_EQ(FieldText(Single("art\n-- -- --").Authors_Full_Name), "");
  EXPECT_EQ(Lines(Single("-- B. Hebbard, \"Analysis\",\nReview, 1980")),
            "1:-- B. Hebbard, \"Analysis\",|2:Review, 1980|");

  // An entry that is nothing but an attribution keeps it as its text.
  QuotationRecord only = Single("\n\t\t-- Anonymous\n");
  EXPECT_EQ(Lines(only), "1:                -- Anonymous|");
  EXPECT_EQ(Author(only), "|||");
  EXPECT_EQ(Import(" \n\t\n").skipped, SkipReason::kEmpty);
  EXPECT_EQ(Import("").skipped, SkipReason::kEmpty);
}

TEST(FortuneSubjectTest, ExplicitSubjectThenFileNameThenTextThenDefault) {
  ImportContext context;
  context.file_name = "/usr/share/games/fortunes/love";
  context.subject = " wisdom ";
  EXPECT_EQ(Filing(Single("Greed is everywhere.", context)), "WISDOM||love");
  context.subject = "the eternal";
  EXPECT_EQ(FieldText(Single("Text.", context).Subject), "THE ETERNAL");

  // A file name naming a subject or subtitle.
  context.subject = "";
  EXPECT_EQ(Filing(Single("Greed is everywhere.", context)), "LOVE|LOVE|love");
  context.file_name = "education";
  EXPECT_EQ(Filing(Single("Greed is everywhere.", context)), "LEARNING|EDUCATION|education");
  context.file_name = "dir/Procrastination.txt";
  EXPECT_EQ(Filing(Single("Tomorrow.", context)), "INERTIA|PROCRASTINATI|Procrastinati");

  // Else the first subtitle in the text.
  context.file_name = "computers";
  EXPECT_EQ(Filing(Single("A fine computer: greed's tool; patience was gone.", context)),
            "COVETOUSNESS|GREED|computers");
  EXPECT_EQ(Filing(Single("Praise to THE\nETERNAL voice.", context)),
            "THE ETERNAL|THE ETERNAL|computers");
  EXPECT_EQ(FieldText(Single("Cause & Effect--nothing else.", context).Subject), "SCIENCE");
  // The attribution's words do not count.
  EXPECT_EQ(Filing(Single("A cat sat on a mat.\n\t-- Lord Byron, Greed", context)),
            "TESSARY||computers");

  context.file_name = "a-very-long-file-name";
  EXPECT_EQ(FieldText(Single("Zzz.", context).User_Code), "a-very-long-f");
}

TEST(FortuneRecordTest, FillsKeyFieldsAndConvertsToWindows1252) {
  ImportContext context;
  context.first_record_number = 7;
  QuotationRecord record = Single("Caf\xC3\xA9 costs 3 \xE2\x82\xAC \xE2\x86\x92 ok", context);
  EXPECT_EQ(FieldText(record.Record_Number), "7");
  EXPECT_EQ(FieldText(record.Section), "1");
  EXPECT_EQ(FieldText(record.Line1), "Caf\xE9 costs 3 \x80 ? ok");
  EXPECT_EQ(Import("\xE2\x86\x92 x \xF0\x9F\x98\x80").replaced, 2u);

  // Width counts characters, not UTF-8 bytes.
  std::string accents;
  for (int i = 0; i < 60; ++i) accents += "\xC3\xA9";
  EXPECT_EQ(FieldText(Single(accents).Line1), std::string(60, '\xE9'));

  context.section = "3";
  context.first_record_number = 999999;
  QuotationRecord last = Single("Text.", context);
  EXPECT_EQ(FieldText(last.Section), "3");
  EXPECT_EQ(FieldText(last.Record_Number), "999999");
  EXPECT_EQ(Import("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12", context).skipped,
            SkipReason::kNumberOutOfRange);
}

TEST(FortuneFileTest, NumbersRecordsOnAndReportsSkippedEntries) {
  ImportContext context;
  context.first_record_number = 100;
  FileImport file = ImportFortunes(
      "One.\n%\n \t\n%\n%\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n%\nTwo.\n", context);
  EXPECT_EQ(file.entries_imported, 3u);
  ASSERT_EQ(file.records.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(FieldText(file.records[i].Record_Number), std::to_string(100 + i));
  }
  EXPECT_EQ(FieldText(file.records[3].Line1), "Two.");
  ASSERT_EQ(file.skipped.size(), 2u);
  EXPECT_EQ(file.skipped[0].first_line, 3);
  EXPECT_EQ(file.skipped[1].first_line, 5);
  EXPECT_EQ(SkipSummary(file.skipped), "2 empty");
  EXPECT_EQ(SkipSummary({}), "");
}

}  // namespace
}  // namespace tessary::exchange
