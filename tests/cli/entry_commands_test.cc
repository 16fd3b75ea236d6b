// tessary-cli add, edit and paste. The stored records are read back from the
// data file's slots directly (head slot, continuation chain) and compared
// with bytes laid out by hand, so the check does not go through the engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run_tool.h"
#include "support/fileblock_builder.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

std::string B(size_t n) { return std::string(n, ' '); }

using Fields = std::vector<std::pair<size_t, std::string>>;

// A record as the keyboard form stores an entry: zeros, lines 5 to 11 an
// empty text followed by 60 blanks, then `fields` put at their offsets.
std::string Entry(const Fields& fields) {
  std::string bytes(933, '\0');
  for (size_t offset = 507; offset < 933; offset += 61) bytes.replace(offset, 60, B(60));
  for (const auto& [offset, text] : fields) bytes.replace(offset, text.size(), text);
  return bytes;
}

class EntryCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(RunTool({"create", "--db", db_}).code, 0); }

  // The stored bytes of every record, read from the data file's slots.
  std::vector<std::string> Stored() {
    return testing::ReadDataFileRecords(testing::ReadFile(db_ + ".DAT"));
  }

  std::string File(const std::string& name, const std::string& text) {
    testing::WriteFile(dir_.File(name), text);
    return dir_.File(name);
  }

  testing::TempDir dir_;
  std::string db_ = dir_.File("Tes_Win");
};

TEST_F(EntryCommandsTest, AddStoresEachObjectAsTheFormWould) {
  const std::string input = File("in.jsonl",
                                 "{\"Subject\":\"Love\",\"Line1\":\"Hello\",\"Quote_Rank\":3}\n"
                                 "\n"
                                 "{\"Record_Number\":\"12 3\",\"Line5\":\"caf\xC3\xA9\"}\n");
  Result r = RunTool({"add", "--db", db_, input});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "added record 1\nadded record 123\n");

  ASSERT_EQ(Stored().size(), 2u);
  EXPECT_EQ(Stored()[0],
            Entry({{4, "     1"}, {19, "Love"}, {258, "Hello"}, {503, "\x03"}}).substr(0, 506))
      << "blank lines 5 to 11 are not stored";
  EXPECT_EQ(Stored()[1], Entry({{4, "   123"}, {506, std::string("caf\xE9\0", 5)}}));

  r = RunTool({"add", "--db", db_, File("next.jsonl", "{}\n")});
  EXPECT_EQ(r.out, "added record 124\n") << "numbering goes on after the highest";
}

TEST_F(EntryCommandsTest, AddRefusesTheWholeInputOnOneBadValue) {
  const struct {
    const char* line;
    const char* error;
  } cases[] = {
      {"{\"Subject\":\"Fourteen chars\"}", "line 2: Subject: 14 characters, at most 13"},
      {"Subject=Love", "line 2: not a JSON object"},
  };
  for (const auto& c : cases) {
    Result r = RunTool({"add", "--db", db_, File("in.jsonl", std::string("{}\n") + c.line + "\n")});
    EXPECT_EQ(r.code, 1) << c.line;
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(RunTool({"list", "--db", db_}).out, "") << "nothing was added";
}

TEST_F(EntryCommandsTest, EditChangesOnlyTheNamedFields) {
  ASSERT_EQ(RunTool({"add", "--db", db_, File("in.jsonl", "{\"Subject\":\"Friendship\"}\n")}).code,
            0);
  Result r = RunTool({"edit", "--db", db_, "1", "Subject=Love", "Multi_Page_Flag=T"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "changed record 1\n");
  // The bytes after the NUL stay.
  const std::string expected =
      Entry({{4, "     1"}, {19, std::string("Love\0dship", 10)}, {257, "\x01"}}).substr(0, 506);
  EXPECT_EQ(Stored()[0], expected);

  EXPECT_EQ(RunTool({"edit", "--db", db_, "1", "Subject=Love"}).out, "record 1 unchanged\n");
  r = RunTool({"edit", "--db", db_, "1", "Line1=kept?", "Quote_Rank=10"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Quote_Rank: '10' is not one digit 0 to 9"), std::string::npos);
  EXPECT_EQ(Stored()[0], expected) << "a refused edit changes nothing";
}

TEST_F(EntryCommandsTest, PasteWrapsTheTextIntoOneOrTwoRecords) {
  std::string text;
  for (int i = 1; i <= 11; ++i) text += "L" + std::to_string(i) + "\n";
  text += std::string(58, 'x') + " wrapped\n";  // the twelfth line wraps into a thirteenth
  Result r = RunTool({"paste", "--db", db_, "--subject", "Paste", "--section", "2", "--last", "Doe",
                      File("in.txt", text)});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "added record 1\nadded record 2\n");

  ASSERT_EQ(Stored().size(), 2u);
  EXPECT_EQ(Stored()[0].substr(255, 8), std::string("\0\0\x01L1\0\0\0", 8)) << "continues";
  EXPECT_EQ(Stored()[0].substr(506, 4), std::string("L5\0 ", 4)) << "stored whole";
  EXPECT_EQ(Stored()[1], Entry({{4, "2"},
                                {19, "Paste"},
                                {33, "2"},
                                {73, "Doe"},
                                {258, std::string(58, 'x')},
                                {319, "wrapped"}})
                             .substr(0, 506));

  std::string long_text;
  for (int i = 1; i <= 23; ++i) long_text += "x\n";
  r = RunTool({"paste", "--db", db_, File("long.txt", long_text)});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("takes 23 lines"), std::string::npos) << r.err;
  r = RunTool({"paste", "--db", db_, "--user", "a code too long", File("in.txt", "x")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "tessary-cli: User_Code: 15 characters, at most 13; nothing added\n");
}

}  // namespace
}  // namespace tessary::cli
