#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run_tool.h"
#include "support/quotation_fixture.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

TEST(SubjectsCommandTest, PrintsTheListItemsWithoutTheEmptyOne) {
  Result subjects = RunTool({"subjects"});
  ASSERT_EQ(subjects.code, 0);
  std::vector<std::string> lines = Lines(subjects.out);
  ASSERT_EQ(lines.size(), 81u);
  EXPECT_EQ(lines.front(), "Activity");
  EXPECT_EQ(lines[63], "The Eternal");
  EXPECT_EQ(lines.back(), "Worship");

  Result subtitles = RunTool({"subjects", "--subtitles"});
  ASSERT_EQ(subtitles.code, 0);
  lines = Lines(subtitles.out);
  ASSERT_EQ(lines.size(), 362u);
  EXPECT_EQ(lines.front(), "Absence ... ... ... ...   Separation");
  EXPECT_EQ(lines.back(), "Zeal    ... ... ... ...   Enthusiasm");
  for (const std::string& line : lines) EXPECT_EQ(line.size(), 36u) << line;
}

// Quotations 1 to 6 filed as (subject, section): the Fileblock lives in the
// fixture's directory, which is also where goto looks for Options.CFG.
class GotoCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::pair<const char*, char> records[] = {{"Love", '2'},  {"Love", '1'},  {"Love", '7'},
                                                    {"Peace", '8'}, {"Peace", '7'}, {"War", '1'}};
    database::Session& session = fixture_.session();
    int number = 1;
    for (const auto& [subject, section] : records) {
      session.current_record = testing::GeneratedQuotation(number++);
      database::SetField(session.current_record.Subject, subject);
      database::SetField(session.current_record.Section, std::string(1, section));
      ASSERT_TRUE(session.AddRecord());
    }
    session.CloseDatabase();
  }

  // The record number goto printed, or its exit code and the last line of
  // stderr (an engine message may come before it).
  std::string Goto(std::vector<std::string> extra) {
    std::vector<std::string> args = {"goto", "--db", fixture_.dir().File("Tes_Win")};
    args.insert(args.end(), extra.begin(), extra.end());
    Result r = RunTool(args);
    const std::vector<std::string> err = Lines(r.err);
    if (r.code != 0)
      return "exit " + std::to_string(r.code) + ": " + (err.empty() ? "" : err.back());
    const std::string field = "\"Record_Number\":\"";
    size_t at = r.out.find(field);
    if (at == std::string::npos) return r.out;
    at += field.size();
    return r.out.substr(at, r.out.find('"', at) - at);
  }

  testing::QuotationFixture fixture_{0};
};

TEST_F(GotoCommandTest, FindsTheFirstRecordOfTheSubjectOrWhatFollows) {
  const struct {
    std::vector<std::string> args;
    std::string printed;
  } cases[] = {
      {{"--subject", "love"}, "2"},
      {{"--subject", "HAPPINESS"}, "2"},  // no quotations: the next subject
      {{"--subject", "Love", "--section", "3"}, "3"},
      {{"--subject", "the eternal", "--section", "1"}, "6"},
      // No options file: the start values, so Jokes fold into Potpourri.
      {{"--subject", "Peace", "--section", "8"}, "5"},
      {{"--subject", "Worship"}, "exit 1: tessary-cli: no record at or after subject 'Worship'"},
      {{"--subject", "", "--section", "1"}, "exit 1: tessary-cli: '' names no subject"},
  };
  for (const auto& c : cases) EXPECT_EQ(Goto(c.args), c.printed) << c.args[1];

  // With seven-section naming off, section 8 is a section of its own.
  ASSERT_EQ(RunTool({"options", "--dir", fixture_.dir().path(), "--init"}).err, "");
  std::string block = testing::ReadFile(fixture_.dir().File("Options.CFG"));
  block[1225] = 0;
  testing::WriteFile(fixture_.dir().File("Options.CFG"), block);
  EXPECT_EQ(Goto({"--subject", "Peace", "--section", "8"}), "4");
}

}  // namespace
}  // namespace tessary::cli
