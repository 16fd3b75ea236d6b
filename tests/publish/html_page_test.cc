// The HTML page and the e-mail signature against texts written out by hand,
// line by line, and the signature's closing messages.
#include "publish/html_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "publish/signature.h"

namespace tessary::publish {
namespace {

using database::QuotationRecord;
using platform::LocalTime;
using platform::TimeLocale;
using Lines = std::vector<std::string>;

// Saturday 5 December 2026, 13:04:09.
constexpr LocalTime kAfternoon{2026, 12, 5, 13, 4, 9, 6};

QuotationRecord Quote() {
  QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Subject, "Courage");
  database::SetField(r.Section, "3");
  database::SetField(r.Authors_Full_Name, "  Mark Twain ");
  database::SetField(r.Author_Bio_Snapshot, "American humorist ");
  database::SetField(r.Book_Name, "Notebook");
  database::SetField(r.Line1, "Courage is resistance to fear, <b>mastery</b> of fear");
  database::SetField(r.Line2, "   ");  // all blank: skipped
  database::SetField(r.Line3, " - not absence of fear & caf\xE9.");
  return r;
}

std::string CrLf(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

const char kRule[] = "<HR SIZE=4  WIDTH=80%  ALIGN=CENTER>";
const char kRainbow[] = "<img align=bottom src=\"rainbow7.gif\" ALT =\"------------------------\">";
const char kStamp[] = "Quotation generated on:  Saturday, 12/5/2026 at 01:04:09 PM.";

std::string Page(const QuotationRecord& record, const HtmlOptions& options) {
  return HtmlPage(record, options, PageContext{true, kAfternoon, TimeLocale{}});
}

TEST(HtmlPageTest, PlainPageOfAFinishedQuotation) {
  EXPECT_EQ(Page(Quote(), HtmlOptions{}),
            CrLf({"<HTML>",
                  "<HEAD>",
                  "<TITLE>",
                  "Subject: Courage  Section:  3. Insight  ",
                  "</TITLE>",
                  "</HEAD>",
                  "<P>",
                  kRule,
                  "</P>",
                  "<font size=+1>",
                  "Courage is resistance to fear, <b>mastery</b> of fear<br>",
                  " - not absence of fear & caf\xE9.<br>",
                  "<br> <PRE>",
                  "   Mark Twain<I>",
                  "   American humorist <br></I></PRE>",
                  "<P>",
                  kRule,
                  "</P>",
                  "</Font>",
                  "<P>",
                  "<br><font size=-1>",
                  "<I>Published with Tessary, the quotation keeper<br>",
                  kStamp,
                  "<I> </Font>",
                  "</Body>",
                  "</HTML>",
                  ""}));
}

TEST(HtmlPageTest, ContinuedQuotationWithRainbowAndNoStamp) {
  QuotationRecord r = Quote();
  r.Multi_Page_Flag = 1;
  database::SetField(r.Line1, "");
  database::SetField(r.Line3, "");
  database::SetField(r.Line11, "last");  // a line after many blank ones still counts
  HtmlOptions options;
  options.divider_style = 1;
  options.date_stamp = 0;
  options.background_flags[2 - 1] = 1;  // Chalk
  // The head is the plain page's.
  const std::string page = Page(r, options);
  EXPECT_EQ(page.substr(page.find("</HEAD>\r\n") + 9),
            CrLf({"<BODY BACKGROUND=\"chalk.jpg\" TEXT=\"#000000\" LINK=\"#0000FF\" "
                  "VLINK=\"#FF0000\">",
                  "<P>",
                  kRainbow,
                  "</P>",
                  "<font size=+1>",
                  "<br>",
                  "last<br>",
                  "<br> <Pre>",
                  "   Mark Twain<I>",
                  "   American humorist <br> </I> </PRE>",
                  "<P>",
                  kRainbow,
                  "</P>",
                  "</Font>",
                  "<P>",
                  "<br><font size=-1>",
                  "<I>Published with Tessary, the quotation keeper<br>",
                  "</I> </Font>",
                  "</Body>",
                  "</HTML>"}));
}

// The part of the page between </HEAD> and the first <P>.
std::string BodyTags(const QuotationRecord& record, const HtmlOptions& options) {
  std::string page = Page(record, options);
  size_t from = page.find("</HEAD>\r\n") + 9;
  return page.substr(from, page.find("<P>\r\n") - from);
}

std::string Body(const std::string& image) {
  return "<BODY BACKGROUND=\"" + image +
         "\" TEXT=\"#000000\" LINK=\"#0000FF\" VLINK=\"#FF0000\">\r\n";
}

TEST(HtmlPageTest, BackgroundImagesByItemAndBySection) {
  // Items 2 to 11; sections 1 to 8 take the first eight.
  const char* images[] = {"chalk.jpg",    "gray.jpg",     "sky_clou.jpg", "mainback.gif",
                          "overcast.jpg", "niceblue.gif", "pale_lea.jpg", "pap2.gif",
                          "myowngif.gif", "myownjpg.jpg"};
  for (int item = 2; item <= 11; ++item) {
    HtmlOptions options;
    options.background_flags[item - 1] = 1;
    EXPECT_EQ(BodyTags(Quote(), options), Body(images[item - 2])) << "item " << item;
  }
  HtmlOptions variable;
  variable.background_flags[0] = 1;
  QuotationRecord r = Quote();
  for (char s : {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '\0'}) {
    r.Section[0] = s;
    EXPECT_EQ(BodyTags(r, variable), s >= '1' && s <= '8' ? Body(images[s - '1']) : "")
        << "section " << int{s};
  }
  EXPECT_EQ(BodyTags(Quote(), HtmlOptions{}), "");
  // Several flags from a foreign file: one line each, in item order.
  HtmlOptions several;
  several.background_flags[10] = 1;
  several.background_flags[0] = 1;
  several.background_flags[4] = 1;
  EXPECT_EQ(BodyTags(Quote(), several),
            Body("sky_clou.jpg") + Body("mainback.gif") + Body("myownjpg.jpg"));
}

TEST(HtmlPageTest, DateStampClockAndLocale) {
  TimeLocale none;
  none.morning = "";
  none.evening = "";
  TimeLocale dotted;
  dotted.date_separator = '.';
  dotted.time_separator = '.';
  dotted.morning = "vorm.";
  dotted.evening = "";
  dotted.weekday_names[1] = "Montag";
  struct Case {
    LocalTime time;
    const TimeLocale& locale;
    const char* line;
  } cases[] = {
      {{2026, 1, 4, 0, 0, 0, 0}, TimeLocale{}, "Sunday, 1/4/2026 at 12:00:00 AM."},
      {{2026, 1, 4, 12, 30, 5, 0}, TimeLocale{}, "Sunday, 1/4/2026 at 12:30:05 PM."},
      {{2026, 1, 4, 11, 59, 59, 0}, TimeLocale{}, "Sunday, 1/4/2026 at 11:59:59 AM."},
      {{2026, 10, 31, 0, 7, 0, 6}, none, "Saturday, 10/31/2026 at 00:07:00   ."},
      {{2026, 10, 31, 23, 7, 0, 6}, none, "Saturday, 10/31/2026 at 23:07:00   ."},
      {{812, 3, 2, 9, 1, 2, 1}, dotted, "Montag, 3.2.0812 at 09.01.02 vo."},
      {{2026, 3, 2, 21, 1, 2, 1}, dotted, "Montag, 3.2.2026 at 09.01.02   ."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateStampLine(c.time, c.locale), std::string("Quotation generated on:  ") + c.line);
  }
}

// The quotation of the signature tests.
QuotationRecord SignatureQuote() {
  QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Line1, "Courage is resistance to fear,");
  database::SetField(r.Line2, "");
  database::SetField(r.Line3, "mastery of fear.");
  database::SetField(r.Authors_Full_Name, "Mark Twain");
  database::SetField(r.Book_Name, "Notebook  ");
  return r;
}

std::string Blanks(size_t n) { return std::string(n, ' '); }

// Lines padded with empty ones to the eight of a header or footer.
Lines Eight(Lines lines) {
  lines.resize(8);
  return lines;
}

// The attribution lines, right-aligned in 60 columns.
const std::string kName60 = Blanks(50) + "Mark Twain";
const std::string kBook60 = Blanks(52) + "Notebook";
const std::string kQuote = "Courage is resistance to fear,\r\nmastery of fear.\r\n\r\n";
const std::string kQuoteFile = "    Courage is resistance to fear,\r\n    mastery of fear.\r\n\r\n";

SignatureOptions WithLines(const Lines& header, const Lines& footer,
                           std::initializer_list<SignatureFlag> flags) {
  SignatureOptions options;
  for (SignatureFlag flag : flags) options.SetFlag(flag, true);
  for (size_t i = 0; i < header.size(); ++i) options.SetHeaderLine(int(i) + 1, header[i]);
  for (size_t i = 0; i < footer.size(); ++i) options.SetFooterLine(int(i) + 1, footer[i]);
  return options;
}

TEST(SignatureTest, AllElementsKeepingEmptyLinesWithBothSpacings) {
  SignatureOptions options =
      WithLines({"-- ", "Ann Lee"}, {"www.example.org"},
                {kElementAll, kSpaceAfterHeader, kSpaceBeforeFooter, kTargetFileClipboard});
  SignatureText text = BuildSignature(SignatureQuote(), options);
  const std::string header = CrLf(Eight({"-- ", "Ann Lee"})) + "\r\n";
  const std::string footer = "\r\n" + CrLf(Eight({"www.example.org"}));
  EXPECT_EQ(text.file,
            header + kQuoteFile + CrLf({Blanks(6) + kName60, Blanks(6) + kBook60}) + footer);
  EXPECT_EQ(text.clipboard, header + kQuote + CrLf({kName60, kBook60}) + footer);
}

TEST(SignatureTest, QuotationAndFooterWithEmptyLinesRemoved) {
  // With the space after the header, the file starts with an empty line.
  SignatureOptions options = WithLines({"unused header"}, {"", "www", "", "   ", "-- "},
                                       {kElementFooter, kRemoveEmptyLines, kSpaceAfterHeader});
  QuotationRecord r = SignatureQuote();
  // Names of one character, blanks aside, are left out.
  database::SetField(r.Authors_Full_Name, "X");
  database::SetField(r.Book_Name, "B     ");
  SignatureText text = BuildSignature(r, options);
  EXPECT_EQ(text.file, "\r\n" + kQuoteFile + CrLf({"www", "   ", "-- "}));
  EXPECT_EQ(text.clipboard, kQuote + CrLf({"www", "   ", "-- "}));
}

TEST(SignatureTest, ContinuedRecordEndsWithTheCentredMarker) {
  SignatureOptions options =
      WithLines({"", "Ann"}, {"www"}, {kElementHeader, kRemoveEmptyLines, kSpaceAfterHeader});
  QuotationRecord r = SignatureQuote();
  r.Multi_Page_Flag = 1;
  database::SetField(r.Line1, "");
  database::SetField(r.Line7, "  seventh");
  const std::string marker = Blanks(26) + "- - - Record Continues - - -" + Blanks(26);
  SignatureText text = BuildSignature(r, options);
  EXPECT_EQ(text.file,
            CrLf({"Ann", "", "    ", "    mastery of fear.", "      seventh", "", marker}));
  EXPECT_EQ(text.clipboard, "Ann\r\n\r\n\r\nmastery of fear.\r\n  seventh\r\n\r\n" + marker);
}

TEST(SignatureTest, ClosingMessages) {
  const std::string name = "/tmp/sig\xE9.txt";
  const std::string saved = "Currently selected Configuration Options saved.  ";
  const std::string both =
      "New Email Signature, with the current quotation, has been written to: "
      "\"/TMP/SIG\xC9.TXT\" and copied to the Clipboard.";
  const std::string file_only = "\"/TMP/SIG\xC9.TXT.\"";  // the period inside the quotes, as always
  struct Case {
    SignatureOutcome outcome;
    std::string message;
  } cases[] = {
      {{false, false, false}, ""},
      {{false, false, true}, ""},
      {{true, true, false}, both},
      {{true, false, false},
       "New Email Signature, with the current quotation. has been written to: " + file_only},
      {{true, true, true}, saved + both},
      {{true, false, true},
       saved +
           "New Email Signature, with the current quotation, has been written to: " + file_only},
  };
  for (const Case& c : cases) EXPECT_EQ(SignatureClosingMessage(c.outcome, name), c.message);
}

}  // namespace
}  // namespace tessary::publish
