#include "app/options.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/program_dir.h"
#include "support/fault_fs.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::app {
namespace {

using testing::FaultFileSystem;
using testing::HostMessage;
using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using testing::WriteFile;

using Flags = std::array<uint8_t, 7>;
const Flags kStartFlags{1, 0, 0, 0, 0, 0, 0};
const char kMissing[] = "Unable to locate file \"OPTIONS.CGF\"; using default settings.";
const char kWriteFailed[] =
    "Unable to create file \"OPTIONS.CGF\"; insufficient disk space is one possible cause.";

// Stores a length byte and the text at `offset` of a hand-made block.
void Put(std::string& block, size_t offset, const std::string& text) {
  block[offset] = static_cast<char>(text.size());
  block.replace(offset + 1, text.size(), text);
}

// A block built by hand from the texts of its fields in file order, the bytes
// after each text set to `fill`.
std::string Block(char fill, const std::vector<std::string>& texts, const std::string& flags) {
  static const size_t kOffsets[] = {0, 256, 512, 768, 770, 772, 774, 776, 1032};
  std::string block(1232, fill);
  for (size_t i = 0; i < texts.size(); ++i) Put(block, kOffsets[i], texts[i]);
  block.replace(1225, 7, flags);
  return block;
}

// A block as another program run might have written it: the bytes after each
// text are undefined, here 0xAA.
std::string HandMadeBlock(const std::string& base_name, const std::string& flags) {
  return Block('\xAA', {"Garamond", "14", "-2147483640", "y", "n", "y", "n", "12632256", base_name},
               flags);
}

class OptionsTest : public ::testing::Test {
 protected:
  std::string Path() { return dir_.File("Options.CFG"); }

  TempDir dir_;
  ScriptedHost host_;
  platform::FileSystem& fs_ = platform::PosixFileSystem();
};

TEST_F(OptionsTest, MissingOrUnreadableFileGivesMessageAndStartValues) {
  Options options;
  options.fileblock_name = "Leftover";
  EXPECT_FALSE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_EQ(options, Options());
  EXPECT_EQ(options.fileblock_name, "Tes_Win");
  EXPECT_EQ(options.flags, kStartFlags);
  // A directory where the file should be cannot be read either.
  std::filesystem::create_directory(Path());
  EXPECT_FALSE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_EQ(host_.messages,
            (std::vector<HostMessage>{{ui::MessageKind::kInformation, kMissing, ""},
                                      {ui::MessageKind::kInformation, kMissing, ""}}));
}

// A block another program run wrote is read field by field; a written block
// has zeros after each text and reads back whole.
TEST_F(OptionsTest, ReadsAndWritesTheLayout) {
  WriteFile(Path(), HandMadeBlock("Quotes2", std::string("\0\1\1\4\5\6\7", 7)));
  Options options;
  ASSERT_TRUE(ReadOptions(fs_, dir_.path(), host_, &options));
  // Font, size, colour, bold, italic, underline, strike-out, background, base name, flags.
  const Options expected{"Garamond", 14,    -2147483640, true,      false,
                         true,       false, 12632256,    "Quotes2", {0, 1, 1, 4, 5, 6, 7}};
  EXPECT_EQ(options, expected);
  EXPECT_FALSE(options.SevenSectionNaming());

  options = {"Book Antiqua", 9,    255,       false,     true,
             false,          true, -16777211, "Archive", {1, 0, 1, 0, 2, 0, 255}};
  ASSERT_TRUE(WriteOptions(fs_, dir_.path(), host_, options));
  EXPECT_EQ(ReadFile(Path()),
            Block('\0', {"Book Antiqua", "9", "255", "n", "y", "n", "y", "-16777211", "Archive"},
                  std::string("\1\0\1\0\2\0\xFF", 7)));
  Options back;
  ASSERT_TRUE(ReadOptions(fs_, dir_.path(), host_, &back));
  EXPECT_EQ(back, options);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(OptionsTest, LongNamesAreCutToTheirFields) {
  Options options;
  options.fileblock_name = std::string(200, 'n');
  options.font_name = std::string(300, 'f');
  std::string block = EncodeOptions(options);
  ASSERT_EQ(block.size(), 1232u);
  EXPECT_EQ(static_cast<unsigned char>(block[1032]), 192);
  EXPECT_EQ(static_cast<unsigned char>(block[0]), 255);
  EXPECT_EQ(block[1225], '\1');  // the name did not run into the flags
  EXPECT_EQ(DecodeOptions(block).fileblock_name, std::string(192, 'n'));
  // A stored length beyond the field is cut to its capacity too.
  block[1032] = static_cast<char>(250);
  EXPECT_EQ(DecodeOptions(block).fileblock_name, std::string(192, 'n'));
}

// A short file fills the fields it holds whole; unusable values keep their
// start values.
TEST_F(OptionsTest, ShortFilesAndUnusableValues) {
  const std::string full = HandMadeBlock("Quotes2", std::string("\0\1\1\4\5\6\7", 7));
  struct Case {
    size_t size;
    std::string base_name;
    Flags flags;
  } cases[] = {
      {1100, "Tes_Win", kStartFlags},                 // ends inside the base name
      {1228, "Quotes2", Flags{0, 1, 1, 0, 0, 0, 0}},  // ends after flag 3
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const Options options = DecodeOptions(full.substr(0, c.size));
    EXPECT_EQ(options.font_name, "Garamond");
    EXPECT_EQ(options.background_colour, 12632256);
    EXPECT_EQ(options.fileblock_name, c.base_name);
    EXPECT_EQ(options.flags, c.flags);
  }
  // An empty file holds nothing: all start values, and no message.
  WriteFile(Path(), "");
  Options options;
  options.font_size = 1;
  ASSERT_TRUE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_EQ(options, Options());
  EXPECT_TRUE(host_.messages.empty());

  std::string block = HandMadeBlock("", std::string(7, '\0'));
  Put(block, 256, "14pt");
  Put(block, 512, "99999999999");
  Put(block, 768, "Y");
  options = DecodeOptions(block);
  EXPECT_EQ(options.font_size, 12);
  EXPECT_EQ(options.font_colour, 0);
  EXPECT_FALSE(options.bold);
  EXPECT_EQ(options.fileblock_name, "Tes_Win");
}

TEST_F(OptionsTest, FailedWriteKeepsTheOldFileWhole) {
  std::string old = HandMadeBlock("Quotes2", std::string("\1\0\0\0\0\0\0", 7));
  WriteFile(Path(), old);
  FaultFileSystem fs(platform::PosixFileSystem());
  Options options;
  options.fileblock_name = "Other";

  fs.FailWritesAfter(600, ENOSPC);
  EXPECT_FALSE(WriteOptions(fs, dir_.path(), host_, options));
  EXPECT_EQ(ReadFile(Path()), old);
  fs.Clear();
  fs.FailCall(FaultFileSystem::Call::kRename, EIO);
  EXPECT_FALSE(WriteOptions(fs, dir_.path(), host_, options));
  EXPECT_EQ(ReadFile(Path()), old);
  EXPECT_EQ(host_.messages,
            (std::vector<HostMessage>{{ui::MessageKind::kWarning, kWriteFailed, ""},
                                      {ui::MessageKind::kWarning, kWriteFailed, ""}}));
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(ProgramDirectoryTest, IsTheDirectoryOfThisTestProgram) {
  std::string dir = platform::ProgramDirectory();
  EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/app_test")) << dir;
  EXPECT_EQ(platform::JoinPath("/", "Options.CFG"), "/Options.CFG");
}

}  // namespace
}  // namespace tessary::app
