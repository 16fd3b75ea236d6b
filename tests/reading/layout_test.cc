// The quotation laid out for the screen, the printer, the clipboard and the
// selected-quotations file, and the reports of failed writes.
#include "reading/layout.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

#include "reading/clipboard.h"
#include "reading/selected_file.h"
#include "reading/write_error.h"
#include "support/fault_fs.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

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

QuotationRecord InSection(const char* section, const char* line1) {
  QuotationRecord r = database::EmptyRecord();
  SetField(r.Section, section);
  SetField(r.Line1, line1);
  return r;
}

TEST(LayoutTest, OnlyPresentLinesAreOutputAsStored) {
  QuotationRecord r = InSection("2", "First  ");
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
  QuotationRecord r = InSection("3", "Line");
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
  QuotationRecord r = InSection("4", "One");
  SetField(r.Line2, "Two");
  SetField(r.Authors_Full_Name, " Plato");
  SetField(r.Book_Name, "Republic");
  EXPECT_EQ(ClipboardText(r), "One\r\nTwo\r\n\r\n" + std::string(54, ' ') + " Plato\r\n" +
                                  std::string(52, ' ') + "Republic");

  SetField(r.Authors_Full_Name, "");
  EXPECT_EQ(ClipboardText(r), "One\r\nTwo\r\n\r\n" + std::string(52, ' ') + "Republic");
}

TEST(LayoutTest, ContinuedRecordEndsWithMarkerAndNoAttribution) {
  QuotationRecord r = InSection("5", "Part one");
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

  QuotationRecord r = InSection("7", "Verse");
  EXPECT_EQ(PrintLayout(r, {.seven_section_naming = false})[1], (P{"7. Poetry & Prose", kC}));
  EXPECT_EQ(ScreenLayout(r, {.seven_section_naming = true}).paragraphs[1],
            (P{"7. Potpourri ", kC}));
}

TEST(LayoutTest, CentreSplitsOddRemainderInFront) {
  EXPECT_EQ(Centre("abc", 6), "  abc ");
  EXPECT_EQ(Centre("abcdef", 6), "abcdef");
  EXPECT_EQ(Centre("abcdefg", 6), "abcdefg");
}

using testing::FaultFileSystem;
using testing::HostMessage;
using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using Lines = std::vector<std::string>;

std::string Blanks(size_t n) { return std::string(n, ' '); }

// A 41-character display name, the longest the field holds.
const std::string kLongName = "Marcus Aurelius Antoninus Augustus Caesar";

QuotationRecord Quote(const char* number, const char* line1) {
  QuotationRecord r = database::EmptyRecord();
  SetField(r.Record_Number, number);
  SetField(r.Line1, line1);
  return r;
}

std::string CrLfLines(const Lines& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

TEST(SelectedEntryTest, ColumnsAttributionAndContinuation) {
  QuotationRecord r = Quote("42", "Line one");
  SetField(r.Line2, "   Line two");
  SetField(r.Authors_Full_Name, kLongName);
  bool continued = false;
  Lines lines = SelectedEntry(r, continued);
  ASSERT_EQ(lines,
            (Lines{"", "      42       Line one" + Blanks(52),
                   Blanks(15) + "   Line two" + Blanks(49), "", Blanks(36) + kLongName, ""}));
  // The keyboard form of the number, right-aligned with blanks, gives the same line.
  SetField(r.Record_Number, "    42");
  EXPECT_EQ(SelectedEntry(r, continued)[1], lines[1]);

  // Names of one character are written; the book is trimmed and right-aligned,
  // and left out when it has no visible character. The author line is always
  // written.
  r = Quote("7", "Only line");
  const struct {
    const char* author;
    const char* book;
    Lines attribution;
  } cases[] = {
      {"", "", {Blanks(77)}},
      {"X", "  Republic  ", {Blanks(76) + "X", Blanks(69) + "Republic"}},
      {"", "B", {Blanks(77), Blanks(76) + "B"}},
      {"X", "   ", {Blanks(76) + "X"}},
      {"X", "\x01Book", {Blanks(76) + "X"}},
  };
  for (const auto& c : cases) {
    SetField(r.Authors_Full_Name, c.author);
    SetField(r.Book_Name, c.book);
    Lines expected{"", "       7       Only line" + Blanks(51), ""};
    expected.insert(expected.end(), c.attribution.begin(), c.attribution.end());
    expected.push_back("");
    EXPECT_EQ(SelectedEntry(r, continued), expected) << c.book;
    EXPECT_FALSE(continued);
  }

  // A continued entry has no attribution, and the next one runs on.
  QuotationRecord first = Quote("100", "Part one");
  SetField(first.Line3, "Part three");
  SetField(first.Authors_Full_Name, "Plato");
  first.Multi_Page_Flag = 1;
  EXPECT_EQ(SelectedEntry(first, continued), (Lines{"", "     100       Part one" + Blanks(52),
                                                    Blanks(15) + "Part three" + Blanks(50)}));
  EXPECT_TRUE(continued);
  QuotationRecord next = Quote("101", "Part two");
  EXPECT_EQ(SelectedEntryText(next, continued),
            "     101       Part two" + Blanks(52) + "\r\n\r\n" + Blanks(77) + "\r\n\r\n");
  EXPECT_FALSE(continued);
}

class AppendSelectedEntryTest : public ::testing::Test {
 protected:
  std::string Contents() { return ReadFile(dir_.File("Selected.Txt")); }

  TempDir dir_;
  ScriptedHost host_;
  bool continued_ = false;
};

TEST_F(AppendSelectedEntryTest, CreatesThenAppendsRunningOnAfterAContinuedRecord) {
  platform::FileSystem& fs = platform::PosixFileSystem();
  QuotationRecord a = Quote("1", "Alpha");
  a.Multi_Page_Flag = 1;
  QuotationRecord b = Quote("2", "Beta");
  SetField(b.Book_Name, "Book");
  EXPECT_EQ(WriteQuotationToFile(fs, dir_.path(), a, continued_, host_), SelectedOutcome::kCreated);
  EXPECT_EQ(WriteQuotationToFile(fs, dir_.path(), b, continued_, host_),
            SelectedOutcome::kAppended);
  EXPECT_EQ(AppendSelectedEntry(fs, dir_.path(), a, continued_, host_), SelectedOutcome::kAppended);
  EXPECT_EQ(
      Contents(),
      CrLfLines({"", "       1       Alpha" + Blanks(55), "       2       Beta" + Blanks(56), "",
                 Blanks(77), Blanks(73) + "Book", "", "", "       1       Alpha" + Blanks(55)}));
  // The two confirmations' texts are checked with the reading window; the
  // plain append gives none.
  EXPECT_EQ(host_.messages.size(), 2u);
}

// A failed write is reported once in a stop box, keeps what reached the
// disk, and does not let the next entry run on from a cut one.
TEST_F(AppendSelectedEntryTest, WriteFailuresAreReportedAndKeepWrittenLines) {
  using Call = FaultFileSystem::Call;
  QuotationRecord r = Quote("5", "One");
  SetField(r.Line2, "Two");
  r.Multi_Page_Flag = 1;
  const std::string numbered = "       5       One" + Blanks(57);
  struct Case {
    const char* name;
    std::function<void(FaultFileSystem&)> fault;
    const char* message;
    std::optional<std::string> contents;  // nullopt: no file
  } cases[] = {
      // Room for the opening empty line and the numbered line, then full.
      {"full disk", [](FaultFileSystem& fs) { fs.FailWritesAfter(2 + 75 + 2, ENOSPC); },
       "Disk is full.", CrLfLines({"", numbered})},
      {"short write", [](FaultFileSystem& fs) { fs.FailWritesAfter(10, EDQUOT); }, "Disk is full.",
       "\r\n       5"},
      {"read-only", [](FaultFileSystem& fs) { fs.FailCall(Call::kOpen, EROFS, 0, -1); },
       "Disk is write-protected.", std::nullopt},
      {"close", [](FaultFileSystem& fs) { fs.FailCall(Call::kClose, EIO); }, "Device write error.",
       CrLfLines({"", numbered, Blanks(15) + "Two" + Blanks(57)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_.File("Selected.Txt"));
    host_.messages.clear();
    FaultFileSystem fs(platform::PosixFileSystem());
    c.fault(fs);
    EXPECT_EQ(WriteQuotationToFile(fs, dir_.path(), r, continued_, host_),
              SelectedOutcome::kFailed);
    EXPECT_EQ(
        host_.messages,
        (std::vector<HostMessage>{{ui::MessageKind::kStop, c.message, "Operation Cancelled"}}));
    if (c.contents) {
      EXPECT_EQ(Contents(), *c.contents);
    } else {
      EXPECT_FALSE(std::filesystem::exists(dir_.File("Selected.Txt")));
    }
    EXPECT_FALSE(continued_);
  }
}

TEST(WriteErrorTest, SystemErrorsMapOntoTableCodes) {
  // errno 101 (ENETUNREACH) must not pose as "Disk is full.".
  const int cases[][2] = {{ENOSPC, 101}, {EDQUOT, 101}, {EROFS, 150},       {EACCES, 150},
                          {EPERM, 150},  {EIO, 160},    {ENETUNREACH, 1101}};
  for (const auto& c : cases) EXPECT_EQ(WriteErrorCode(c[0]), c[1]) << c[0];
}

TEST(WriteErrorTest, ReportShowsTextAndCaptionInAStopBox) {
  ScriptedHost host;
  for (int code : {101, 102, 103, 105, 150, 152, 159, 160, 162, 7, WriteErrorCode(ENOENT)}) {
    WriteErrorReport(host, code);
  }
  const std::string cancelled = "Operation Cancelled";
  const ui::MessageKind stop = ui::MessageKind::kStop;
  EXPECT_EQ(host.messages,
            (std::vector<HostMessage>{
                {stop, "Disk is full.", cancelled},
                {stop, "File not Assigned.", cancelled},
                {stop, "File not open.", cancelled},
                {stop, "Drive is not ready.", cancelled},
                {stop, "Disk is write-protected.", cancelled},
                {stop, "Drive is not ready.", cancelled},
                {stop, "Printer is out of paper.", "Correct Problem"},
                {stop, "Device write error.", cancelled},
                {stop, "General failure.", cancelled},
                {stop, "Unable to write the file (error 7).", "Disk Write Problem"},
                {stop, "Unable to write the file (error 1002: No such file or directory).",
                 "Disk Write Problem"},
            }));
}

TEST(ClipboardTest, EmptyTextFailsAndLeavesClipboard) {
  ScriptedHost host;
  host.clipboard = "before";
  EXPECT_FALSE(CopyQuotationToClipboard(host, ""));
  EXPECT_EQ(host.clipboard, "before");
  EXPECT_TRUE(CopyQuotationToClipboard(host, "Quote\r\nline"));
  EXPECT_EQ(host.clipboard, "Quote\r\nline");
  EXPECT_EQ(
      host.messages,
      (std::vector<HostMessage>{
          {ui::MessageKind::kError,
           "Unable to put this quote in the Clipboard.  Check free memory.", ""},
          {ui::MessageKind::kInformation, "This quote has been copied to the Clipboard.", ""}}));
}

}  // namespace
}  // namespace tessary::reading
