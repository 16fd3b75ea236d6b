#include "reading/layout.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tessary::reading {
namespace {

using database::QuotationRecord;
using database::SetField;
using P = Paragraph;
constexpr ParagraphStyle kC = ParagraphStyle::kCentred;
constexpr ParagraphStyle kL = ParagraphStyle::kLeftIndented;
constexpr ParagraphStyle kR = ParagraphStyle::kRightIndented;

const std::string kMarker = "- - - Record Continues - - -";
const std::string k16 = "                ";  // 16 blanks

QuotationRecord Quote(const char* section, const char* line1) {
  QuotationRecord r = database::EmptyRecord();
  SetField(r.Section, section);
  SetField(r.Line1, line1);
  return r;
}

TEST(LayoutTest, OnlyPresentLinesAreOutputAsStored) {
  QuotationRecord r = Quote("2", "First  ");
  SetField(r.Line2, std::string(60, ' '));  // blank: dropped
  SetField(r.Line3, "   Third");            // leading blanks then a word: present
  SetField(r.Line4, "  \tTab");             // a control byte after blanks: dropped
  SetField(r.Line6, "Sixth");               // Line5 empty: dropped
  std::memset(r.Line11, ' ', 61);           // 61 blanks without NUL: dropped
  ScreenImage screen = ScreenLayout(r, {.section_name_shown = false});
  EXPECT_EQ(screen.paragraphs,
            (std::vector<P>{
                {"", kC}, {"", kC}, {"First  ", kL}, {"   Third", kL}, {"Sixth", kL}, {"", kL}}));
  EXPECT_EQ(screen.clipboard_text, "First  \r\n   Third\r\nSixth");
  EXPECT_EQ(PrintLayout(r, {.section_name_shown = false})[1], (P{"", kC}));

  // A full field whose 61st byte is visible sorts after 61 blanks.
  std::memset(r.Line11, ' ', 60);
  r.Line11[60] = 'z';
  EXPECT_EQ(ClipboardText(r), "First  \r\n   Third\r\nSixth\r\n" + std::string(60, ' ') + "z");
  EXPECT_FALSE(IsPresentLine(""));
  EXPECT_TRUE(IsPresentLine("\xA0"));  // bytes compare unsigned
}

TEST(LayoutTest, AttributionOnlyWhenLongerThanOneCharacter) {
  QuotationRecord r = Quote("3", "Line");
  SetField(r.Authors_Full_Name, "X");
  SetField(r.Book_Name, "B");
  EXPECT_EQ(ScreenLayout(r, {}).paragraphs.back(), (P{"", kL}));
  EXPECT_EQ(ClipboardText(r), "Line");
  EXPECT_EQ(PrintLayout(r, {}).back(), (P{"Line", kL}));

  SetField(r.Authors_Full_Name, " Plato ");
  SetField(r.Book_Name, "  Republic");
  ScreenImage screen = ScreenLayout(r, {});
  EXPECT_EQ(std::vector<P>(screen.paragraphs.begin() + 3, screen.paragraphs.end()),
            (std::vector<P>{{"Line", kL}, {"", kL}, {" Plato ", kR}, {"  Republic", kR}}));
  std::vector<P> print = PrintLayout(r, {});
  EXPECT_EQ(std::vector<P>(print.begin() + 3, print.end()),
            (std::vector<P>{{"Line", kL}, {"   ", kL}, {"Plato", kL}, {"Republic", kL}}));
}

TEST(LayoutTest, ClipboardAttributionLinesAndLineEnds) {
  QuotationRecord r = Quote("4", "One");
  SetField(r.Line2, "Two");
  SetField(r.Authors_Full_Name, " Plato");
  SetField(r.Book_Name, "Republic");
  EXPECT_EQ(ClipboardText(r), "One\r\nTwo\r\n\r\n" + std::string(54, ' ') + " Plato\r\n" +
                                  std::string(52, ' ') + "Republic");

  SetField(r.Authors_Full_Name, "");
  EXPECT_EQ(ClipboardText(r), "One\r\nTwo\r\n\r\n" + std::string(52, ' ') + "Republic");
}

TEST(LayoutTest, ContinuedRecordEndsWithMarkerAndNoAttribution) {
  QuotationRecord r = Quote("5", "Part one");
  SetField(r.Authors_Full_Name, "Plato");
  SetField(r.Book_Name, "Republic");
  r.Multi_Page_Flag = 1;
  ScreenImage screen = ScreenLayout(r, {});
  EXPECT_EQ(
      screen.paragraphs,
      (std::vector<P>{
          {"", kC}, {"5. Negative ", kC}, {"", kC}, {"Part one", kL}, {"", kL}, {kMarker, kC}}));
  EXPECT_EQ(screen.clipboard_text, "Part one\r\n\r\n" + k16 + kMarker + k16);
  EXPECT_EQ(PrintLayout(r, {}), (std::vector<P>{{"", kC},
                                                {"5. Negative ", kC},
                                                {"", kC},
                                                {"Part one", kL},
                                                {"   ", kL},
                                                {kMarker, kC},
                                                {"   ", kC}}));
}

TEST(LayoutTest, SectionCaptions) {
  std::string captions;
  for (char section : std::string("123467\0A9", 9)) captions += SectionCaption(section, true) + "|";
  const std::string none(15, ' ');
  EXPECT_EQ(captions,
            "1. Essence  |2. Opposites|3. Insight  |4. Positive |6. Advice   |"
            "7. Potpourri |" +
                none + "|" + none + "|" + none + "|");
  EXPECT_EQ(SectionCaption('8', false), "8. Jokes & Humor");

  QuotationRecord r = Quote("7", "Verse");
  EXPECT_EQ(PrintLayout(r, {.seven_section_naming = false})[1], (P{"7. Poetry & Prose", kC}));
  EXPECT_EQ(ScreenLayout(r, {.seven_section_naming = true}).paragraphs[1],
            (P{"7. Potpourri ", kC}));
}

TEST(LayoutTest, CentreSplitsOddRemainderInFront) {
  EXPECT_EQ(Centre("abc", 6), "  abc ");
  EXPECT_EQ(Centre("abcdef", 6), "abcdef");
  EXPECT_EQ(Centre("abcdefg", 6), "abcdefg");
}

}  // namespace
}  // namespace tessary::reading
