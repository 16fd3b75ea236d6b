// The signature's file and clipboard texts against texts written out by
// hand, and the closing messages.
#include "publish/signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessary::publish {
namespace {

using database::QuotationRecord;
using Lines = std::vector<std::string>;

QuotationRecord Quote() {
  QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Line1, "Courage is resistance to fear,");
  database::SetField(r.Line2, "");
  database::SetField(r.Line3, "mastery of fear.");
  database::SetField(r.Authors_Full_Name, "Mark Twain");
  database::SetField(r.Book_Name, "Notebook  ");
  return r;
}

std::string CrLf(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
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
  SignatureText text = BuildSignature(Quote(), options);
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
  QuotationRecord r = Quote();
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
  QuotationRecord r = Quote();
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
