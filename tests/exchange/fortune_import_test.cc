// Fortune text into records: entries, line layout, attributions and filing.
#include "exchange/fortune_import.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "exchange/text_layout.h"

namespace tessary::exchange {
namespace {

using database::FieldText;
using database::QuotationRecord;
using Texts = std::vector<std::string>;

// The non-empty lines as "n:text|".
std::string Lines(const QuotationRecord& record) {
  std::string text;
  for (int n = 1; n <= database::kLineCount; ++n) {
    std::string_view line = FieldText(database::Line(record, n));
    if (!line.empty()) text += std::to_string(n) + ":" + std::string(line) + "|";
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
  EXPECT_EQ(result.records.size(), 1u) << text;
  return result.records.empty() ? database::EmptyRecord() : result.records[0];
}

TEST(ParseFortunesTest, SplitsAtPercentLines) {
  std::vector<FortuneEntry> entries =
      ParseFortunes("\xEF\xBB\xBFone\r\nline two\r\n%\r\n100% sure\n%  \n%\n\nlast\n%\n");
  const std::pair<std::string, int> expected[] = {
      {"one\nline two", 1}, {"100% sure", 4}, {"", 6}, {"\nlast", 7}};
  ASSERT_EQ(entries.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(entries[i].text, expected[i].first);
    EXPECT_EQ(entries[i].first_line, expected[i].second);
  }
  EXPECT_EQ(ParseFortunes("%\nonly\n").size(), 1u);
  EXPECT_EQ(ParseFortunes("no separator").size(), 1u);
  EXPECT_TRUE(ParseFortunes(" \n\n").empty());
}

// Wrapping itself is the layout's; here the edges of the 60-character line,
// what the import does to the raw text before the layout sees it, and the
// line count in its one-digit field.
TEST(FortuneLayoutTest, KeepsLinesThatFitCleansTheRawTextAndCountsLines) {
  const std::string sixty(60, 'a');
  const struct {
    std::string text;
    std::string lines;
    int count;
  } cases[] = {
      {sixty, "1:" + sixty + "|", 1},
      // A blank in column 61 still leaves a first piece of 60.
      {sixty + " tail", "1:" + sixty + "|2:tail|", 2},
      // Indentation is kept, tabs stop every 8 columns, trailing blanks and
      // the blank lines around the text go, blank lines inside stay.
      {"\n  \nab\tc  \n\n\tdef\t\n \n", "1:ab      c|3:        def|", 3},
      // Overstruck and other control characters leave the visible text.
      {"_\bb_\bo_\bl_\bd and B\bBold\f", "1:bold and Bold|", 1},
      {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11", "1:1|2:2|3:3|4:4|5:5|6:6|7:7|8:8|9:9|10:10|11:11|", 9},
  };
  for (const auto& c : cases) {
    QuotationRecord record = Single(c.text);
    EXPECT_EQ(Lines(record), c.lines) << c.text;
    EXPECT_EQ(record.Number_of_Lines, c.count) << c.text;
  }
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
  EXPECT_EQ(Lines(second), "1:l12|");
  EXPECT_EQ(second.Number_of_Lines, 1);
  EXPECT_EQ(database::StoredLength(first), 933u);
  // Both records carry the entry's key fields.
  EXPECT_EQ(FieldText(second.Authors_LName), "Writer");

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

// Only a trailing dash line naming someone is an attribution; a name or
// source that fits exactly goes into its field, one character more and the
// attribution stays in the text, whole. Only the last and first names,
// which the full name holds whole, are cut.
TEST(FortuneAttributionTest, FillsAuthorAndBookFieldsOrLeavesTheText) {
  const std::string name = "Jo " + std::string(38, 'N');
  const struct {
    std::string text;
    std::string lines;
    std::string author;
  } cases[] = {
      {"Absence diminishes.\n\t\t-- La Rochefoucauld", "1:Absence diminishes.|",
       "La Rochefoucauld|Rochefoucauld|La|"},
      {"Text.\n-- Dave Barry, \"Sex and the Single Amoeba\"", "1:Text.|",
       "Dave Barry|Barry|Dave|\"Sex and the Single Amoeba\""},
      {"Text.\n    \xE2\x80\x94 G. B. Shaw, Man and Superman, 1903", "1:Text.|",
       "G. B. Shaw|Shaw|G. B.|Man and Superman, 1903"},
      {"Text.\n\t\t-- David E. Lundstrom, \"A Few Good Men From Univac\",\n\t\t   MIT Press, 1987",
       "1:Text.|",
       "David E. Lundstrom|Lundstrom|David E.|\"A Few Good Men From Univac\", MIT Press, 1987"},
      {"Text.\n\t-- Daniel Stone on debian-{x,devel}, on X", "1:Text.|",
       "Daniel Stone on debian-{x,devel}|debian-{x,devel}|Daniel Stone on|on X"},
      {"Text.\n\t-- by Charles Dickens", "1:Text.|", "by Charles Dickens|Dickens|Charles|"},
      {"Text.\n-- " + name + ", " + std::string(57, 'B'), "1:Text.|",
       name + "|" + std::string(16, 'N') + "|Jo|" + std::string(57, 'B')},
      {"Text.\n-- " + name + "N, Book", "1:Text.|2:-- " + name + "N, Book|", "|||"},
      {"Text.\n-- " + name + ", " + std::string(58, 'B'),
       "1:Text.|2:-- " + name + ",|3:" + std::string(58, 'B') + "|", "|||"},
      // A dash line inside the text, or one before an editor's note.
      {"Said so -- even if he drank.\n-- not last\nEnd.",
       "1:Said so -- even if he drank.|2:-- not last|3:End.|", "|||"},
      {"Text.\n\t\t-- Robert Goodman\n\t[Never used one.  Ed.]",
       "1:Text.|2:                -- Robert Goodman|3:        [Never used one.  Ed.]|", "|||"},
      // Dash ornaments, and an unindented next line does not run on.
      {"art\n----==-- _", "1:art|2:----==-- _|", "|||"},
      {"art\n-- -- --", "1:art|2:-- -- --|", "|||"},
      {"-- B. Hebbard, \"Analysis\",\nReview, 1980",
       "1:-- B. Hebbard, \"Analysis\",|2:Review, 1980|", "|||"},
      {"art\n--", "1:art|2:--|", "|||"},
      {"Text.\n-- 1st Baron Acton", "1:Text.|", "1st Baron Acton|Acton|1st Baron|"},
      {"Text.\n-- Kirk,", "1:Text.|", "Kirk|Kirk||"},
      {"Text.\n-- B. Hebbard,\n   Review, 1980", "1:Text.|2:-- B. Hebbard,|3:   Review, 1980|",
       "|||"},
      // An entry that is nothing but an attribution keeps it as its text.
      {"\n\t\t-- Anonymous\n", "1:                -- Anonymous|", "|||"},
  };
  for (const auto& c : cases) {
    QuotationRecord record = Single(c.text);
    EXPECT_EQ(Lines(record), c.lines) << c.text;
    EXPECT_EQ(Author(record), c.author) << c.text;
  }
  EXPECT_EQ(Import(" \n\t\n").skipped, SkipReason::kEmpty);
  EXPECT_EQ(Import("").skipped, SkipReason::kEmpty);
}

// The explicit subject, else a subject or subtitle the file is named after,
// else the first subtitle in the text (not in the attribution), else the
// default.
TEST(FortuneSubjectTest, ExplicitSubjectThenFileNameThenTextThenDefault) {
  const struct {
    const char* subject;
    const char* file_name;
    const char* text;
    const char* filing;
  } cases[] = {
      {" wisdom ", "/usr/share/games/fortunes/love", "Greed is everywhere.", "WISDOM||love"},
      {"the eternal", "love", "Text.", "THE ETERNAL||love"},
      {"", "/usr/share/games/fortunes/love", "Greed is everywhere.", "LOVE|LOVE|love"},
      {"", "education", "Greed is everywhere.", "LEARNING|EDUCATION|education"},
      {"", "dir/Procrastination.txt", "Tomorrow.", "INERTIA|PROCRASTINATI|Procrastinati"},
      {"", "computers", "A fine computer: greed's tool; patience was gone.",
       "COVETOUSNESS|GREED|computers"},
      {"", "computers", "Praise to THE\nETERNAL voice.", "THE ETERNAL|THE ETERNAL|computers"},
      {"", "computers", "Cause & Effect--nothing else.", "SCIENCE|CAUSE & EFFEC|computers"},
      {"", "computers", "A cat sat on a mat.\n\t-- Lord Byron, Greed", "TESSARY||computers"},
      {"", "a-very-long-file-name", "Zzz.", "TESSARY||a-very-long-f"},
  };
  for (const auto& c : cases) {
    ImportContext context;
    context.subject = c.subject;
    context.file_name = c.file_name;
    EXPECT_EQ(Filing(Single(c.text, context)), c.filing) << c.text;
  }
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
  EXPECT_EQ(FieldText(file.records[3].Record_Number), "103");
  EXPECT_EQ(FieldText(file.records[3].Line1), "Two.");
  ASSERT_EQ(file.skipped.size(), 2u);
  EXPECT_EQ(file.skipped[0].first_line, 3);
  EXPECT_EQ(file.skipped[1].first_line, 5);
  EXPECT_EQ(SkipSummary(file.skipped), "2 empty");
  EXPECT_EQ(SkipSummary({}), "");
}

struct LayoutCase {
  const char* what;
  Texts in;
  Texts out;
};

TEST(LayOutText, JoinsProseAndKeepsWhatIsLaidOutOnPurpose) {
  const std::string sixty(60, 'x');
  const std::string rule = "+" + std::string(70, '-') + "+";
  const LayoutCase cases[] = {
      {"prose wrapped at 72 is wrapped again at 60",
       {"A copy of the universe is not what is required of art; one of the damned",
        "things is ample."},
       {"A copy of the universe is not what is required of art; one",
        "of the damned things is ample."}},
      {"a block whose lines fit is kept, verse and short lines alike",
       {"We found you hiding", "We found you lying", "Choking on the dirt and sand."},
       {"We found you hiding", "We found you lying", "Choking on the dirt and sand."}},
      {"empty lines part paragraphs and stay; an indented quotation after a paragraph keeps "
       "its break and its indentation",
       {"George Bernard Shaw once sent two tickets to the opening night of one of",
        "his plays to Winston Churchill with the following note:",
        "        \"Bring a friend, if you have one.\"", "",
        "Churchill wrote back, returning the two tickets and excused himself as he",
        "had a previous engagement."},
       {"George Bernard Shaw once sent two tickets to the opening",
        "night of one of his plays to Winston Churchill with the",
        "following note:", "        \"Bring a friend, if you have one.\"", "",
        "Churchill wrote back, returning the two tickets and excused",
        "himself as he had a previous engagement."}},
      {"a heading stays apart from its indented definition, which keeps its indentation",
       {"Jones' First Law:", "        Anyone who makes a significant contribution to any field of",
        "        endeavor, and stays in that field long enough, becomes an"},
       {"Jones' First Law:", "        Anyone who makes a significant contribution to any",
        "        field of endeavor, and stays in that field long", "        enough, becomes an"}},
      {"a small hanging indent continues the paragraph and is kept",
       {"\"Certainly, if an individual was stopped and accused of shoplifting after",
        " walking out of Neiman-Marcus they would expect to be eventually told"},
       {"\"Certainly, if an individual was stopped and accused of",
        " shoplifting after walking out of Neiman-Marcus they would",
        " expect to be eventually told"}},
      {"speakers and list marks start their own lines; their continuations join",
       {"Q: \"Herr Mozart, I am thinking of writing symphonies. Can you give me any",
        "   suggestions as to how to get started?\"",
        "A: \"A symphony is a very complex musical form, perhaps you should begin",
        "- the first item of a list that has been wrapped by the editor long ago",
        "> a quoted reply to a message that was wrapped by the editor long ago",
        "1) a numbered item"},
       {"Q: \"Herr Mozart, I am thinking of writing symphonies. Can",
        "   you give me any suggestions as to how to get started?\"",
        "A: \"A symphony is a very complex musical form, perhaps you", "should begin",
        "- the first item of a list that has been wrapped by the", "editor long ago",
        "> a quoted reply to a message that was wrapped by the editor", "long ago",
        "1) a numbered item"}},
      {"a short line ends its paragraph: the next word would have fitted after it",
       {"This line is long enough to be prose that an editor has wrapped at 72.", "Short.",
        "Next."},
       {"This line is long enough to be prose that an editor has", "wrapped at 72. Short.",
        "Next."}},
      {"tables and pictures keep their lines; a long one breaks at a blank",
       {"Name          Rank          Serial number          Unit          Remarks",
        "Smith         Private       1234                   Fourth        none", rule},
       {"Name          Rank          Serial number          Unit", "Remarks",
        "Smith         Private       1234                   Fourth", "none", rule.substr(0, 60),
        rule.substr(60)}},
      {"blanks inside a line stay unless a break falls on them",
       {"First sentence.  Second sentence on a line that the editor wrapped at",
        "seventy-two.  Third."},
       {"First sentence.  Second sentence on a line that the editor",
        "wrapped at seventy-two.  Third."}},
      {"a word wider than a line is cut after a hyphen, else at 60; an indentation that "
       "leaves no room gives way",
       {"go " + sixty + "yyy end",
        "on-your-own-take-care-of-yourself-because-there-is-no-one-else-to-do-it-for-you",
        std::string(50, ' ') + "abcdefghijklmnopq"},
       {"go", sixty, "yyy end", "on-your-own-take-care-of-yourself-because-there-is-no-one-",
        "else-to-do-it-for-you", std::string(43, ' ') + "abcdefghijklmnopq"}},
  };
  for (const LayoutCase& c : cases) {
    EXPECT_EQ(LayOutText(c.in), c.out) << c.what;
  }
}

}  // namespace
}  // namespace tessary::exchange
