// Both option files against images assembled byte by byte from their layout
// tables, and the rules that turn dialog values into settings.
#include <gtest/gtest.h>

#include <string>

#include "publish/html_options.h"
#include "publish/signature_options.h"

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
  values.footer_box = "";
  values.element_item = 2;
  values.space_after_header = true;
  values.target_item = 0;
  values.file_name = std::string(200, 'f');
  SignatureOptions options = TakeSignatureOptions(values);
  EXPECT_EQ(options.HeaderLine(1), "one");
  EXPECT_EQ(options.HeaderLine(2), std::string(80, 'x'));
  EXPECT_EQ(options.HeaderLine(8), "8");
  EXPECT_EQ(options.FooterLine(1), "");
  const std::string& b = options.bytes();
  EXPECT_EQ(b.substr(648, 9), std::string({0, 0, 1, 0, 1, 0, 1, 0, 0}));
  EXPECT_EQ(options.FileName(), std::string(192, 'f'));

  SignatureOptions third;
  third.SetFlag(kTargetThird, true);
  EXPECT_EQ(SignatureDialogValuesOf(third).target_item, 0);
  EXPECT_EQ(SignatureDialogValuesOf(SignatureOptions()).element_item, -1);
}

}  // namespace
}  // namespace tessary::publish
