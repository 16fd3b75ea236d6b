#include "app/options.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <filesystem>

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

const char kMissing[] = "Unable to locate file \"OPTIONS.CGF\"; using default settings.";
const char kWriteFailed[] =
    "Unable to create file \"OPTIONS.CGF\"; insufficient disk space is one possible cause.";

// Stores a length byte and the text at `offset` of a hand-made block.
void Put(std::string& block, size_t offset, const std::string& text) {
  block[offset] = static_cast<char>(text.size());
  block.replace(offset + 1, text.size(), text);
}

// A block as another program run might have written it: the bytes after each
// text are undefined, here 0xAA.
std::string HandMadeBlock(const std::string& base_name, const std::string& flags) {
  std::string block(1232, '\xAA');
  Put(block, 0, "Garamond");
  Put(block, 256, "14");
  Put(block, 512, "-2147483640");
  Put(block, 768, "y");
  Put(block, 770, "n");
  Put(block, 772, "y");
  Put(block, 774, "n");
  Put(block, 776, "12632256");
  Put(block, 1032, base_name);
  block.replace(1225, 7, flags);
  return block;
}

class OptionsTest : public ::testing::Test {
 protected:
  std::string Path() { return dir_.File("Options.CFG"); }

  TempDir dir_;
  ScriptedHost host_;
  platform::FileSystem& fs_ = platform::PosixFileSystem();
};

TEST_F(OptionsTest, MissingFileGivesMessageAndStartValues) {
  Options options;
  options.fileblock_name = "Leftover";
  EXPECT_FALSE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_EQ(options.fileblock_name, "Tes_Win");
  EXPECT_TRUE(options.SevenSectionNaming());
  EXPECT_EQ(options.flags, (std::array<uint8_t, 7>{1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(host_.messages,
            (std::vector<HostMessage>{{ui::MessageKind::kInformation, kMissing, ""}}));

  // A directory where the file should be cannot be read either.
  std::filesystem::create_directory(Path());
  EXPECT_FALSE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_EQ(host_.Texts(ui::MessageKind::kInformation).size(), 2u);
}

TEST_F(OptionsTest, ReadsEveryFieldOfAFullBlock) {
  WriteFile(Path(), HandMadeBlock("Quotes2", std::string("\0\1\1\4\5\6\7", 7)));
  Options options;
  ASSERT_TRUE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(options.font_name, "Garamond");
  EXPECT_EQ(options.font_size, 14);
  EXPECT_EQ(options.font_colour, -2147483640);
  EXPECT_TRUE(options.bold);
  EXPECT_FALSE(options.italic);
  EXPECT_TRUE(options.underline);
  EXPECT_FALSE(options.strike_out);
  EXPECT_EQ(options.background_colour, 12632256);
  // The program then opens the Fileblock Quotes2 instead of Tes_Win.
  EXPECT_EQ(options.fileblock_name, "Quotes2");
  EXPECT_FALSE(options.SevenSectionNaming());
  EXPECT_EQ(options.flags, (std::array<uint8_t, 7>{0, 1, 1, 4, 5, 6, 7}));
}

TEST_F(OptionsTest, WritesTheLayoutAndReadsItBack) {
  Options options;
  options.font_name = "Book Antiqua";
  options.font_size = 9;
  options.font_colour = 255;
  options.bold = false;
  options.italic = true;
  options.underline = false;
  options.strike_out = true;
  options.background_colour = -16777211;
  options.fileblock_name = "Archive";
  options.flags = {1, 0, 1, 0, 2, 0, 255};
  ASSERT_TRUE(WriteOptions(fs_, dir_.path(), host_, options));

  std::string expected(1232, '\0');
  Put(expected, 0, "Book Antiqua");
  Put(expected, 256, "9");
  Put(expected, 512, "255");
  Put(expected, 768, "n");
  Put(expected, 770, "y");
  Put(expected, 772, "n");
  Put(expected, 774, "y");
  Put(expected, 776, "-16777211");
  Put(expected, 1032, "Archive");
  expected.replace(1225, 7, std::string("\1\0\1\0\2\0\xFF", 7));
  EXPECT_EQ(ReadFile(Path()), expected);

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

TEST_F(OptionsTest, ShortFileFillsOnlyTheFieldsItHolds) {
  std::string full = HandMadeBlock("Quotes2", std::string("\0\1\1\4\5\6\7", 7));

  // Ends inside the base name: the font comes from the file, the name and the
  // flags keep their start values.
  WriteFile(Path(), full.substr(0, 1100));
  Options options;
  ASSERT_TRUE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_EQ(options.font_name, "Garamond");
  EXPECT_EQ(options.background_colour, 12632256);
  EXPECT_EQ(options.fileblock_name, "Tes_Win");
  EXPECT_EQ(options.flags, (std::array<uint8_t, 7>{1, 0, 0, 0, 0, 0, 0}));

  // Ends after flag 3.
  WriteFile(Path(), full.substr(0, 1228));
  ASSERT_TRUE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_EQ(options.fileblock_name, "Quotes2");
  EXPECT_EQ(options.flags, (std::array<uint8_t, 7>{0, 1, 1, 0, 0, 0, 0}));

  // An empty file holds nothing: all start values, and no message.
  WriteFile(Path(), "");
  ASSERT_TRUE(ReadOptions(fs_, dir_.path(), host_, &options));
  EXPECT_EQ(options, Options());
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(OptionsTest, UnusableValuesKeepTheirStartValues) {
  std::string block = HandMadeBlock("", std::string(7, '\0'));
  Put(block, 256, "14pt");
  Put(block, 512, "99999999999");
  Put(block, 768, "Y");
  Options options = DecodeOptions(block);
  EXPECT_EQ(options.font_size, 12);
  EXPECT_EQ(options.font_colour, 0);
  EXPECT_FALSE(options.bold);
  EXPECT_EQ(options.fileblock_name, "Tes_Win");
}

TEST_F(OptionsTest, SavingKeepsFlagsFourToSevenAndTheBaseName) {
  WriteFile(Path(), HandMadeBlock("Quotes2", std::string("\1\0\0\x09\0\x03\x01", 7)));
  Options options;
  ASSERT_TRUE(ReadOptions(fs_, dir_.path(), host_, &options));
  options.font_name = "Arial";  // the reading window saves a new font
  ASSERT_TRUE(WriteOptions(fs_, dir_.path(), host_, options));
  std::string saved = ReadFile(Path());
  ASSERT_EQ(saved.size(), 1232u);
  EXPECT_EQ(saved.substr(1225), std::string("\1\0\0\x09\0\x03\x01", 7));
  EXPECT_EQ(saved.substr(1032, 8), "\x07Quotes2");
  EXPECT_EQ(saved.substr(0, 6),
            "\x05"
            "Arial");
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
  EXPECT_FALSE(std::filesystem::exists(Path() + ".tmp"));

  fs.Clear();
  fs.FailCall(FaultFileSystem::Call::kRename, EIO);
  EXPECT_FALSE(WriteOptions(fs, dir_.path(), host_, options));
  EXPECT_EQ(ReadFile(Path()), old);
  EXPECT_EQ(options.fileblock_name, "Other");
  EXPECT_EQ(host_.messages,
            (std::vector<HostMessage>{{ui::MessageKind::kWarning, kWriteFailed, ""},
                                      {ui::MessageKind::kWarning, kWriteFailed, ""}}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(ProgramDirectoryTest, IsTheDirectoryOfThisTestProgram) {
  std::string dir = platform::ProgramDirectory();
  EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/app_test")) << dir;
  EXPECT_EQ(platform::JoinPath(dir, "Options.CFG"), dir + "/Options.CFG");
  EXPECT_EQ(platform::JoinPath("/", "Options.CFG"), "/Options.CFG");
}

}  // namespace
}  // namespace tessary::app
