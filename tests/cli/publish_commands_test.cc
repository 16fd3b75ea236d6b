// tessary-cli html, signature and options --file on a small imported
// database and on option files assembled by hand.
#include <gtest/gtest.h>

#include "cli/run_tool.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class PublishCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.File("quotes"), "Be yourself; <everyone> else is taken.\n  -- Oscar Wilde\n%\n");
    ASSERT_EQ(RunTool({"import", "--db", db_, "--yes", "--subject", "Self", "--section", "7",
                       dir_.File("quotes")})
                  .code,
              0);
  }

  TempDir dir_;
  std::string db_ = dir_.File("Tes_Win");
};

TEST_F(PublishCommandsTest, HtmlWritesThePageWithTheGivenClock) {
  const std::string page = dir_.File("page.htm");
  Result r = RunTool({"html", "--db", db_, "1", "--dir", dir_.path(), "--now",
                      "2026-02-28 00:15:00", "--out", page});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "Unable to locate file \"HTML_OPT.CFG\"; using default settings.\n");
  EXPECT_EQ(r.out, "A file with this quotation in HTML code named \"" + page +
                       "\" has been created.  You can view this file locally (use File | Open "
                       "File in Netscape) or upload it to your WWW site when you're online.\n");
  std::string text = ReadFile(page);
  EXPECT_EQ(text.substr(25, text.find("\r\n", 25) - 25), "Subject: SELF  Section:  7. Potpourri ");
  EXPECT_NE(text.find("\r\nQuotation generated on:  Saturday, 2/28/2026 at 12:15:00 AM.\r\n"),
            std::string::npos)
      << text;

  EXPECT_EQ(RunTool({"html", "--db", db_, "1", "--now", "2026-02-29 00:00:00"}).code, 2);
}

TEST_F(PublishCommandsTest, SignatureFollowsTheOptionsFileAndPrintsTheClipboardText) {
  std::string image(1498, '\0');
  image[0] = 2;
  image.replace(1, 2, "--");
  image[648] = 1;  // header + quotation + footer
  image[651] = 1;  // remove empty lines
  image[657] = 3;
  image.replace(658, 3, "Ann");
  image[654] = 1;  // file and clipboard
  const std::string sig = dir_.File("sig.txt");
  image[1305] = static_cast<char>(sig.size());
  image.replace(1306, sig.size(), sig);
  WriteFile(dir_.File("ESIG_Opt.CFG"), image);

  Result r = RunTool({"signature", "--db", db_, "1", "--dir", dir_.path(), "--clipboard-text"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string name = std::string(49, ' ') + "Oscar Wilde";
  EXPECT_NE(ReadFile(sig).find("\r\n    Be yourself;"), std::string::npos);
  EXPECT_EQ(r.out, "--\r\nBe yourself; <everyone> else is taken.\r\n\r\n" + name + "\r\nAnn\r\n");

  EXPECT_EQ(RunTool({"options", "--dir", dir_.path(), "--file", "signature"}).out,
            "{\"header\":[\"--\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],"
            "\"footer\":[\"Ann\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],"
            "\"element_flags\":[1,0,0],\"remove_empty_lines\":1,\"space_after_header\":0,"
            "\"space_before_footer\":0,\"target_flags\":[1,0,0],\"file_name\":\"" +
                sig + "\"}\n");
}

// options for each file: the missing file's message, the start values written
// once, and a file that is there already left as it is.
TEST(OptionsFileCommandTest, InitWritesTheDefaultsOfEachFileOnce) {
  TempDir dir;
  Result missing = RunTool({"options", "--dir", dir.path(), "--file", "html"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "Unable to locate file \"HTML_OPT.CFG\"; using default settings.\n");
  missing = RunTool({"options", "--dir", dir.path()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "Unable to locate file \"OPTIONS.CGF\"; using default settings.\n");

  Result html = RunTool({"options", "--dir", dir.path(), "--file", "html", "--init"});
  ASSERT_EQ(html.code, 0) << html.err;
  EXPECT_EQ(html.out,
            "{\"divider_style\":0,\"date_stamp\":1,\"output_file_name\":\"htmlcode.htm\","
            "\"background_item\":0,\"background\":\"Plain - Standard Background\","
            "\"background_flags\":[0,0,0,0,0,0,0,0,0,0,0]}\n");
  EXPECT_EQ(ReadFile(dir.File("HTML_Opt.CFG")),
            std::string("\0\1\x0Chtmlcode.htm", 15) + std::string(191, '\0'));
  ASSERT_EQ(RunTool({"options", "--dir", dir.path(), "--file", "signature", "--init"}).code, 0);
  EXPECT_EQ(ReadFile(dir.File("ESIG_Opt.CFG")),
            std::string(1305, '\0') + "\x0BSigFile.Txt" + std::string(181, '\0'));

  Result main = RunTool({"options", "--dir", dir.path(), "--file", "main", "--init"});
  ASSERT_EQ(main.code, 0) << main.err;
  EXPECT_EQ(main.err, "");
  EXPECT_NE(main.out.find("\"fileblock_name\":\"Tes_Win\""), std::string::npos) << main.out;
  EXPECT_NE(main.out.find("\"flags\":[1,0,0,0,0,0,0]"), std::string::npos) << main.out;
  std::string file = ReadFile(dir.File("Options.CFG"));
  ASSERT_EQ(file.size(), 1232u);
  file[1225] = 0;  // flag 1
  WriteFile(dir.File("Options.CFG"), file);
  main = RunTool({"options", "--dir", dir.path(), "--init"});
  EXPECT_NE(main.out.find("\"flags\":[0,0,0,0,0,0,0]"), std::string::npos) << main.out;
}

}  // namespace
}  // namespace tessary::cli
