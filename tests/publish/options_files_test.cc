// Both option files against images assembled byte by byte from their layout
// tables, and the rules that turn dialog values into settings.
#include <errno.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "publish/html_command.h"
#include "publish/html_options.h"
#include "publish/signature.h"
#include "publish/signature_options.h"
#include "support/fault_fs.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::publish {
namespace {

// A length-prefixed text in a field of `size` bytes, the rest filled with
// `filler` (the bytes after a text are undefined and must survive).
std::string Field(const std::string& text, size_t size, char filler = '\0') {
  std::string field(1, static_cast<char>(text.size()));
  field += text;
  field.resize(size, filler);
  return field;
}

std::string HtmlFile(char divider, char stamp, const std::string& name_field,
                     const std::string& flags) {
  std::string file;
  file += divider;     // 0
  file += stamp;       // 1
  file += name_field;  // 2, 193 bytes
  file += flags;       // 195, 11 bytes
  EXPECT_EQ(file.size(), 206u);
  return file;
}

TEST(HtmlOptionsFileTest, ReadsTheFieldsAndWritesTheFileBackUnchanged) {
  std::string flags(11, '\0');
  flags[8] = 1;  // item 9, Parchment
  std::string file = HtmlFile(1, 0, Field("c:\\web\\quote.htm", 193, 'x'), flags);
  HtmlOptions options = DecodeHtmlOptions(file);
  EXPECT_EQ(options.divider_style, 1);
  EXPECT_TRUE(options.Rainbow());
  EXPECT_FALSE(options.DateStampOn());
  EXPECT_EQ(options.output_file_name, "c:\\web\\quote.htm");
  EXPECT_EQ(options.BackgroundItem(), 9);

  std::string image = HtmlOptionsImage(file);
  EXPECT_EQ(image, file);
  EncodeHtmlOptions(options, image);
  EXPECT_EQ(image, file);
}

TEST(HtmlOptionsFileTest, DefaultsShortFilesAndOverlongNames) {
  std::string defaults = HtmlFile(0, 1, Field("htmlcode.htm", 193), std::string(11, '\0'));
  EXPECT_EQ(DefaultHtmlOptionsImage(), defaults);
  EXPECT_EQ(DecodeHtmlOptions(""), HtmlOptions{});

  // Cut inside the name: divider and stamp count, the name keeps its default.
  std::string cut = HtmlFile(1, 0, Field("other.htm", 193), std::string(11, '\1')).substr(0, 100);
  HtmlOptions short_file = DecodeHtmlOptions(cut);
  EXPECT_TRUE(short_file.Rainbow());
  EXPECT_FALSE(short_file.DateStampOn());
  EXPECT_EQ(short_file.output_file_name, "htmlcode.htm");
  EXPECT_EQ(short_file.BackgroundItem(), 0);
  // Cut inside the flags: the name counts, the missing flags stay clear.
  std::string flags_cut =
      HtmlFile(0, 1, Field("other.htm", 193), std::string(11, '\1')).substr(0, 197);
  EXPECT_EQ(DecodeHtmlOptions(flags_cut).output_file_name, "other.htm");
  EXPECT_EQ(DecodeHtmlOptions(flags_cut).BackgroundItem(), 2);

  std::string name_field(1, static_cast<char>(250));
  name_field += std::string(192, 'n');
  HtmlOptions long_name = DecodeHtmlOptions(HtmlFile(0, 1, name_field, std::string(11, '\0')));
  EXPECT_EQ(long_name.output_file_name, std::string(192, 'n'));
}

TEST(HtmlOptionsFileTest, DialogValuesBothWays) {
  HtmlOptions options;
  options.output_file_name = "page.htm   ";
  options.background_flags[1] = 1;
  options.background_flags[6] = 1;
  EXPECT_EQ(HtmlDialogValuesOf(options), (HtmlDialogValues{0, 0, 7, "page.htm"}));

  HtmlOptions taken = TakeHtmlOptions({1, 1, 6, "Quote"});
  EXPECT_EQ(taken.divider_style, 1);
  EXPECT_EQ(taken.date_stamp, 0);
  EXPECT_EQ(taken.output_file_name, "quote.htm");
  std::array<uint8_t, 11> only_overcast{};
  only_overcast[5] = 1;
  EXPECT_EQ(taken.background_flags, only_overcast);
  EXPECT_EQ(TakeHtmlOptions({0, 0, 0, "x"}).background_flags, (std::array<uint8_t, 11>{}));
}

TEST(HtmlOptionsFileTest, OutputFileNameRule) {
  struct Case {
    const char* typed;
    const char* name;
  } cases[] = {
      {"My Page.HTML", "my page.htm"},
      {"C:\\Web\\Quote.HTML", "c:\\web\\quote.htm"},
      {"Quote", "quote.htm"},
      {"C:\\Quote.html", "c:\\quote.htm"},
      {"C:Quote.Html", "c:quote.htm"},
      {"Web Dir \\Old.Page.TXT \t ", "web dir\\old.page.htm"},
      {"/home/Ann/Web/Quote.HTML", "/home/Ann/Web/quote.htm"},
      {"Site/Sub\\Page", "Site/sub\\page.htm"},
      {"/Quote.html", "/quote.htm"},
      {"\xC9T\xC9.htm", "\xE9t\xE9.htm"},
  };
  for (const Case& c : cases) EXPECT_EQ(HtmlOutputFileName(c.typed), c.name) << c.typed;
}

// The list names two images other than the page uses (overcast.jpg, pale_lea.jpg).
TEST(HtmlOptionsFileTest, ListTextsKeepTheirOddSpellings) {
  EXPECT_EQ(BackgroundItemText(6), "Overcast - (overcast.jgp)");
  EXPECT_EQ(BackgroundItemText(8), "Pale Leaves - (pale_lea.gif)");
  EXPECT_EQ(BackgroundItemText(3), "Gray  - (gray.jpg)");
}

// An ESIG_Opt.CFG image from its table: 8 header fields of 81 bytes, 9 flag
// bytes, 8 footer fields, the file name field of 193 bytes.
std::string SignatureFile(const std::string& header_fields, const std::string& flags,
                          const std::string& footer_fields, const std::string& name_field) {
  std::string file = header_fields + flags + footer_fields + name_field;
  EXPECT_EQ(file.size(), 1498u);
  return file;
}

std::string EightLines(const std::string& first, const std::string& third, char filler) {
  return Field(first, 81, filler) + Field("", 81, filler) + Field(third, 81, filler) +
         Field("", 81) + Field("", 81) + Field("", 81) + Field("", 81) + Field("", 81);
}

TEST(SignatureOptionsFileTest, ReadsTheFieldsAndKeepsTheImage) {
  //                 648 649 650 651 652 653 654 655 656
  std::string flags = {0, 1, 0, 1, 0, 1, 0, 1, 0};
  std::string file =
      SignatureFile(EightLines("-- ", "Ann Lee", '#'), flags,
                    EightLines("www.example.org", "", '\0'), Field("/tmp/Sig.txt", 193, '?'));
  SignatureOptions options = SignatureOptions::FromFile(file);
  EXPECT_EQ(options.bytes(), file);
  EXPECT_EQ(options.HeaderLine(1), "-- ");
  EXPECT_EQ(options.HeaderLine(3), "Ann Lee");
  EXPECT_EQ(options.FooterLine(1), "www.example.org");
  EXPECT_EQ(options.FileName(), "/tmp/Sig.txt");
  EXPECT_TRUE(options.HasHeader());
  EXPECT_FALSE(options.HasFooter());
  EXPECT_FALSE(options.ToClipboard());
  EXPECT_TRUE(options.Flag(kRemoveEmptyLines));
  EXPECT_FALSE(options.Flag(kSpaceAfterHeader));
  EXPECT_TRUE(options.Flag(kSpaceBeforeFooter));

  SignatureDialogValues values = SignatureDialogValuesOf(options);
  EXPECT_EQ(values.header_box, "-- \n\nAnn Lee\n\n\n\n\n");
  EXPECT_EQ(values.element_item, 1);
  EXPECT_EQ(values.target_item, 1);
  EXPECT_EQ(values.file_name, "/tmp/Sig.txt");
  // The dialog writes texts and zeros after them: the undefined bytes go.
  SignatureOptions retaken = TakeSignatureOptions(values);
  std::string clean =
      SignatureFile(EightLines("-- ", "Ann Lee", '\0'), flags,
                    EightLines("www.example.org", "", '\0'), Field("/tmp/Sig.txt", 193));
  EXPECT_EQ(retaken.bytes(), clean);
}

TEST(SignatureOptionsFileTest, DefaultsShortFilesAndOverlongLengths) {
  std::string zero_lines = EightLines("", "", '\0');
  std::string defaults =
      SignatureFile(zero_lines, std::string(9, '\0'), zero_lines, Field("SigFile.Txt", 193));
  EXPECT_EQ(SignatureOptions().bytes(), defaults);

  std::string flags(9, '\1');
  std::string full = SignatureFile(EightLines("head", "", 'h'), flags, EightLines("foot", "", 'f'),
                                   Field("mine.txt", 193));
  // Cut inside footer line 1: the header and flags count, footer and name
  // keep their defaults.
  SignatureOptions cut = SignatureOptions::FromFile(full.substr(0, 700));
  EXPECT_EQ(cut.HeaderLine(1), "head");
  EXPECT_TRUE(cut.Flag(kTargetThird));
  EXPECT_EQ(cut.FooterLine(1), "");
  EXPECT_EQ(cut.FileName(), "SigFile.Txt");
  EXPECT_EQ(cut.bytes().substr(657), defaults.substr(657));

  std::string overlong = full;
  overlong[0] = static_cast<char>(200);  // header line 1
  overlong[1305] = static_cast<char>(255);
  SignatureOptions clamped = SignatureOptions::FromFile(overlong);
  EXPECT_EQ(clamped.HeaderLine(1), "head" + std::string(76, 'h'));
  EXPECT_EQ(clamped.FileName().size(), 192u);
}

TEST(SignatureOptionsFileTest, DialogValuesBecomeOneElementAndOneTargetFlag) {
  SignatureDialogValues values;
  values.header_box = "one\r\n" + std::string(85, 'x') + "\n3\n4\n5\n6\n7\n8\nnine";
  values.element_item = 2;
  values.space_after_header = true;
  values.target_item = 0;
  values.file_name = std::string(200, 'f');
  SignatureOptions options = TakeSignatureOptions(values);
  EXPECT_EQ(options.HeaderLine(1), "one");
  EXPECT_EQ(options.HeaderLine(2), std::string(80, 'x'));
  EXPECT_EQ(options.HeaderLine(8), "8");
  EXPECT_EQ(options.FooterLine(1), "");
  EXPECT_EQ(options.bytes().substr(648, 9), std::string({0, 0, 1, 0, 1, 0, 1, 0, 0}));
  EXPECT_EQ(options.FileName(), std::string(192, 'f'));

  SignatureOptions third;
  third.SetFlag(kTargetThird, true);
  EXPECT_EQ(SignatureDialogValuesOf(third).target_item, 0);
  EXPECT_EQ(SignatureDialogValuesOf(SignatureOptions()).element_item, -1);
}

// The page and signature commands on real files: loading and saving the
// option files, the messages the user sees, and write failures that must
// leave no half-written file behind.
using database::QuotationRecord;
using testing::FaultFileSystem;
using testing::HostMessage;
using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using ui::MessageKind;

constexpr platform::LocalTime kNoon{2026, 12, 5, 12, 0, 1, 6};

QuotationRecord Quote() {
  QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Subject, "Courage");
  database::SetField(r.Section, "3");
  database::SetField(r.Line1, "Courage is resistance to fear.");
  database::SetField(r.Authors_Full_Name, "Mark Twain");
  return r;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// The temporary directories' names are plain ASCII.
std::string AsciiUpper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

class HtmlCommandTest : public ::testing::Test {
 protected:
  HtmlPublisher Publisher(platform::FileSystem& fs) {
    return HtmlPublisher(fs, dir_.path(), host_, clock_, platform::TimeLocale{});
  }

  TempDir dir_;
  ScriptedHost host_;
  platform::FixedClock clock_{kNoon};
};

TEST_F(HtmlCommandTest, SavedOptionsComeBackAndAcceptedOnesLastUntilTheNextActivation) {
  const std::string out = dir_.path() + "/Out Page.HTML";
  const std::string page_name = dir_.path() + "/out page.htm";
  {
    HtmlPublisher publisher = Publisher(platform::PosixFileSystem());
    ASSERT_TRUE(publisher.SaveOptions({1, 1, 4, out}, Quote(), true));
    EXPECT_EQ(host_.Texts(MessageKind::kInformation).back(),
              "Currently selected HTML options have been saved. A file with this quotation in "
              "HTML code named \"" +
                  page_name + "\" has been created.");
  }
  // The next run reads the saved settings back (the file's layout is checked
  // on its own).
  HtmlPublisher next_run = Publisher(platform::PosixFileSystem());
  next_run.Activate();
  EXPECT_TRUE(next_run.options_loaded());
  EXPECT_EQ(HtmlDialogValuesOf(next_run.live()), (HtmlDialogValues{1, 1, 4, page_name}));
  ASSERT_TRUE(next_run.AcceptOptions({0, 0, 0, dir_.path() + "/other"}, Quote(), true));
  EXPECT_TRUE(Exists(dir_.File("other.htm")));
  EXPECT_EQ(next_run.live().output_file_name, dir_.File("other.htm"));
  next_run.Activate();
  EXPECT_EQ(next_run.live().output_file_name, page_name);
}

TEST_F(HtmlCommandTest, FailedWritesKeepTheOldPageAndTellWhy) {
  const std::string page = dir_.File("quote.htm");
  testing::WriteFile(page, "old page");
  struct Case {
    FaultFileSystem::Call call;
    int error;
    const char* text;
  } cases[] = {
      {FaultFileSystem::Call::kWriteAt, ENOSPC, "Disk is full."},
      {FaultFileSystem::Call::kOpen, EACCES, "Disk is write-protected."},
      {FaultFileSystem::Call::kRename, EIO, "Device write error."},
  };
  for (const Case& c : cases) {
    FaultFileSystem fs(platform::PosixFileSystem());
    fs.FailCall(c.call, c.error);
    fs.OnlyPathsContaining("quote.htm");
    HtmlPublisher publisher = Publisher(fs);
    host_.messages.clear();
    // Save Options (the last case) still saves the options but claims no page.
    const bool save = c.call == FaultFileSystem::Call::kRename;
    EXPECT_FALSE(save ? publisher.SaveOptions({0, 0, 0, page}, Quote(), true)
                      : publisher.AcceptOptions({0, 0, 0, page}, Quote(), true));
    EXPECT_EQ(host_.messages,
              (std::vector<HostMessage>{{MessageKind::kStop, c.text, "Operation Cancelled"}}));
    EXPECT_EQ(ReadFile(page), "old page");
    EXPECT_FALSE(Exists(page + ".tmp"));
    EXPECT_EQ(Exists(dir_.File("HTML_Opt.CFG")), save);
  }
}

class SignatureCommandTest : public ::testing::Test {
 protected:
  SignatureDialogValues Values(int target) {
    SignatureDialogValues values;
    values.header_box = "-- ";
    values.element_item = 1;
    values.target_item = target;
    values.file_name = dir_.File("My.Sig");
    return values;
  }

  TempDir dir_;
  ScriptedHost host_;
};

// Saving through the dialogs, with the file, clipboard and closing message it
// gives, is checked with the windows.
TEST_F(SignatureCommandTest, AMissingFileIsReportedAndFileOnlyLeavesTheClipboardAlone) {
  SignaturePublisher publisher(platform::PosixFileSystem(), dir_.path(), host_);
  publisher.BeginCommand();
  EXPECT_EQ(
      host_.Texts(MessageKind::kInformation),
      std::vector<std::string>{"Unable to locate file \"ESIG_OPT.CFG\"; using default settings."});
  ASSERT_TRUE(publisher.SaveOptions(Values(1), Quote()));
  host_.clipboard = "mine";
  host_.messages.clear();
  publisher.BeginCommand();
  EXPECT_TRUE(publisher.options_loaded());
  EXPECT_EQ(publisher.options().bytes(), TakeSignatureOptions(Values(1)).bytes());
  ASSERT_TRUE(publisher.Generate(Quote()));
  publisher.ShowClosingMessage();
  EXPECT_EQ(host_.clipboard, "mine");
  EXPECT_EQ(host_.Texts(MessageKind::kInformation),
            std::vector<std::string>{"New Email Signature, with the current quotation. has been "
                                     "written to: \"" +
                                     AsciiUpper(dir_.File("My.Sig")) + ".\""});
}

TEST_F(SignatureCommandTest, FailedWritesLeaveNoSignatureNoClipboardAndNoClosingMessage) {
  FaultFileSystem fs(platform::PosixFileSystem());
  SignaturePublisher publisher(fs, dir_.path(), host_);
  host_.clipboard = "mine";

  fs.FailCall(FaultFileSystem::Call::kOpen, ENOSPC);
  fs.OnlyPathsContaining("ESIG_Opt");
  EXPECT_FALSE(publisher.SaveOptions(Values(0), Quote()));
  EXPECT_FALSE(Exists(dir_.File("My.Sig")));

  fs.Clear();
  fs.FailWritesAfter(20, ENOSPC);
  fs.OnlyPathsContaining("My.Sig");
  EXPECT_TRUE(publisher.SaveOptions(Values(0), Quote()));  // the options were saved
  EXPECT_FALSE(Exists(dir_.File("My.Sig")));
  EXPECT_FALSE(Exists(dir_.File("My.Sig.tmp")));
  publisher.ShowClosingMessage();
  EXPECT_EQ(host_.clipboard, "mine");
  EXPECT_EQ(host_.messages,
            (std::vector<HostMessage>{
                {MessageKind::kWarning,
                 "Unable to create file \"ESIG_Opt.CFG\"; insufficient disk space is one "
                 "possible cause.",
                 ""},
                {MessageKind::kStop, "Disk is full.", "Operation Cancelled"}}));
}

}  // namespace
}  // namespace tessary::publish
