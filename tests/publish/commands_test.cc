// The page and signature commands on real files: loading and saving the
// option files, the messages the user sees, and write failures that must
// leave no half-written file behind.
#include <errno.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "publish/html_command.h"
#include "publish/signature.h"
#include "support/fault_fs.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::publish {
namespace {

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
