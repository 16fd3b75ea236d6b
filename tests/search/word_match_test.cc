// WordMatch on records built for its rules, and the dialog's target.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "database/quotation_record.h"
#include "search/word_search.h"

namespace tessary::search {
namespace {

using database::QuotationRecord;

// A record whose line 1 holds `line`.
QuotationRecord WithLine1(const std::string& line, int lines = 1) {
  QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Line1, line);
  r.Number_of_Lines = static_cast<uint8_t>(lines);
  return r;
}

TEST(WordMatch, CaseAndWholeWords) {
  struct Case {
    std::string line;
    std::string target;
    bool case_sensitive;
    bool whole;
    bool match;
  };
  const std::vector<Case> cases = {
      // Ignoring case: the target is matched in any case and inside words.
      {"Love is all", "LOVE", false, false, true},
      {"ALL YOU NEED IS LOVE", "LOVE", false, false, true},
      {"my beloved", "LOVE", false, false, true},
      {"Love is all", "love", false, false, true},
      // Case sensitive: only the same bytes.
      {"Love is all", "love", true, false, false},
      {"Love is all", "Love", true, false, true},
      // Whole words: a blank before, one of the listed characters after.
      {"I love you", "LOVE", false, true, true},
      {"love is all", "LOVE", false, true, true},
      {"all is love", "LOVE", false, true, true},
      {"love, dear", "LOVE", false, true, true},
      {"my love! yes", "LOVE", false, true, true},
      {"my love- yes", "LOVE", false, true, true},
      {"my love. yes", "LOVE", false, true, true},
      {"my love: yes", "LOVE", false, true, true},
      {"my love; yes", "LOVE", false, true, true},
      {"my love? yes", "LOVE", false, true, true},
      {"my beloved", "LOVE", false, true, false},
      {"my lovely", "LOVE", false, true, false},
      {"(love)", "LOVE", false, true, false},
      {"my love) yes", "LOVE", false, true, false},
      {"my love' yes", "LOVE", false, true, false},
      {"-love yes", "LOVE", false, true, false},
      {"\"love\" yes", "LOVE", false, true, false},
      // The first occurrence decides for the whole line.
      {"glove love", "LOVE", false, true, false},
      {"glove love", "LOVE", false, false, true},
      // Phrases.
      {"to be or not to be", "NOT TO", false, true, true},
      // Accented letters are raised by the code page: e-acute matches E-acute.
      {"caf\xE9 noir", "CAF\xC9", false, true, true},
      {"caf\xE9 noir", "caf\xC9", true, false, false},
      {"", "LOVE", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WordMatch(WithLine1(c.line), c.target, c.case_sensitive, c.whole), c.match)
        << "line \"" << c.line << "\" target \"" << c.target << "\" case " << c.case_sensitive
        << " whole " << c.whole;
  }
}

TEST(WordMatch, ColumnSixtyEndsTheSearch) {
  // Line 1 is 61 bytes without a NUL: 56 x's, " love" ends at column 61.
  QuotationRecord r = database::EmptyRecord();
  std::string past(56, 'x');
  past += " love";
  std::memcpy(r.Line1, past.data(), 61);
  r.Number_of_Lines = 1;
  EXPECT_FALSE(WordMatch(r, "LOVE", false, false));

  // Ending exactly at column 60: the 61st byte stands for a blank.
  std::string at(55, 'x');
  at += " lovez";
  std::memcpy(r.Line1, at.data(), 61);
  EXPECT_TRUE(WordMatch(r, "LOVE", false, true));

  // Text after the NUL is not the line's text.
  QuotationRecord hidden = database::EmptyRecord();
  std::memcpy(hidden.Line1, "Hi\0love you", 11);
  hidden.Number_of_Lines = 1;
  EXPECT_FALSE(WordMatch(hidden, "LOVE", false, false));
}

TEST(WordMatch, NumberOfLinesLimitsTheLinesExamined) {
  // The target on line n only; the record claims `lines` lines.
  struct Case {
    int on_line;
    int lines;
    bool match;
  };
  const std::vector<Case> cases = {
      {1, 0, true}, {2, 1, false},  {2, 2, true},   {3, 2, false},   {3, 3, true},   {5, 4, false},
      {5, 9, true}, {10, 9, false}, {10, 10, true}, {11, 10, false}, {11, 11, true},
  };
  for (const Case& c : cases) {
    QuotationRecord r = database::EmptyRecord();
    for (int n = 1; n <= database::kLineCount; ++n) database::SetField(database::Line(r, n), "x");
    database::SetField(database::Line(r, c.on_line), "a word here");
    r.Number_of_Lines = static_cast<uint8_t>(c.lines);
    EXPECT_EQ(WordMatch(r, "WORD", false, true), c.match)
        << "line " << c.on_line << " of " << c.lines;
  }
}

TEST(WordSearchDialog, TargetIsCutTrimmedAndRaised) {
  struct Case {
    std::string typed;
    bool case_sensitive;
    std::string target;
  };
  const std::string long32 = "abcdefghijklmnopqrstuvwxyzabcdef";  // 32 characters
  const std::vector<Case> cases = {
      {"  love \t", false, "LOVE"},
      {"  love \t", true, "love"},
      {"   \t ", false, ""},
      {"\x01love\x1F", true, "love"},
      {"caf\xE9", false, "CAF\xC9"},
      // Not case sensitive: trimmed first, then cut to 32.
      {"   " + long32 + "XYZ", false, "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF"},
      // Case sensitive: cut to 32 first, so the leading blanks cost characters.
      {"   " + long32 + "XYZ", true, long32.substr(0, 29)},
  };
  for (const Case& c : cases) {
    WordSearch state;
    EXPECT_EQ(state.TakeDialog(c.typed, c.case_sensitive, false), !c.target.empty()) << c.typed;
    EXPECT_EQ(state.target, c.target) << c.typed;
  }
}

TEST(WordSearchStatusTexts, LinesAndTheSelectedCount) {
  EXPECT_EQ(SearchingForLine("LOVE"), "Searching for:  LOVE");
  EXPECT_EQ(SearchingForLine(std::string(40, 'A')).size(), 48u);
  EXPECT_EQ(RecordsReadLine(70000, 12), "Number of records read: 70000  Selected:  12");
  const uint64_t shown[][2] = {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {70000, 69998}};
  for (const auto& [accepted, expected] : shown) {
    EXPECT_EQ(ShownSelected(accepted), expected) << accepted;
  }
}

}  // namespace
}  // namespace tessary::search
