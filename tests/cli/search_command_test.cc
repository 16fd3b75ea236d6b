// tessary-cli search, find, list --filter, subjects and goto on databases of
// generated quotations; the expected records follow from how the quotations
// are made (line one "Quotation number N, line one.", era 1 + N % 3, origin
// 1 + N % 4, five lines for every tenth).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run_tool.h"
#include "support/quotation_fixture.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

constexpr int kRecords = 120;

class SearchCommandTest : public ::testing::Test {
 protected:
  SearchCommandTest() : db_(kRecords) { db_.session().CloseDatabase(); }

  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--db", db_.dir().File("Tes_Win")});
    return RunTool(args);
  }

  // The refs of the quotations, each as `{"ref":N,`, as search and list print them.
  std::string Refs(const std::vector<int>& numbers) {
    std::string out;
    for (int n : numbers) out += "{\"ref\":" + std::to_string(db_.ref(n)) + ",";
    return out;
  }
  static std::string PrintedRefs(const std::string& out) {
    std::string refs;
    for (const std::string& line : Lines(out)) refs += line.substr(0, line.find(',') + 1);
    return refs;
  }
  // The first `width` characters of each line.
  static std::vector<std::string> Starts(const std::string& out, size_t width) {
    std::vector<std::string> starts;
    for (const std::string& line : Lines(out)) starts.push_back(line.substr(0, width));
    return starts;
  }

  testing::QuotationFixture db_;
};

std::vector<int> Numbers(int from, int to, int step = 1) {
  std::vector<int> out;
  for (int n = from; n <= to; n += step) out.push_back(n);
  return out;
}

TEST_F(SearchCommandTest, SearchAllPrintsEveryMatchInKeyOrder) {
  std::vector<int> ones = {1};
  for (int n : Numbers(10, 19)) ones.push_back(n);
  for (int n : Numbers(100, kRecords)) ones.push_back(n);
  const struct {
    std::vector<std::string> args;
    std::vector<int> numbers;
  } cases[] = {
      {{"search", "--word", "number 1", "--all"}, ones},
      // Whole words: "number 1" followed by a comma only in quotation 1.
      {{"search", "--word", "number 1", "--whole", "--all"}, {1}},
      {{"search", "--word", "Number 1", "--case", "--all"}, {}},
  };
  for (const auto& c : cases) {
    Result run = Cli(c.args);
    EXPECT_EQ(run.code, 0) << c.args[2] << run.err;
    EXPECT_EQ(PrintedRefs(run.out), Refs(c.numbers)) << c.args[2];
  }
  // The whole line of one match.
  EXPECT_EQ(Cli({"search", "--word", "number 57", "--all"}).out,
            "{\"ref\":" + std::to_string(db_.ref(57)) +
                ",\"Record_Number\":\"57\",\"key\":\"    57\"}\n");

  Result blank = Cli({"search", "--word", " \t ", "--all"});
  EXPECT_EQ(blank.code, 1);
  EXPECT_EQ(blank.out, "");
  EXPECT_NE(blank.err.find("empty"), std::string::npos) << blank.err;
}

TEST_F(SearchCommandTest, SearchRowsRunsThePassAndReportsTheEnd) {
  Result run = Cli({"search", "--word", "number 1", "--rows", "3"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(Starts(run.out, 8), (std::vector<std::string>{"     1, ", "    10, ", "    11, "}));
  EXPECT_EQ(run.err, "");

  Result none = Cli({"search", "--word", "nowhere", "--rows", "3"});
  EXPECT_EQ(none.code, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err,
            "No additional records matching your word search criteria have been found.  Target "
            "was:  NOWHERE\n");
}

TEST_F(SearchCommandTest, ListFilterKeepsWhatTheLettersLetThrough) {
  EXPECT_EQ(PrintedRefs(Cli({"list", "--filter", "o"}).out), Refs(Numbers(3, kRecords, 3)));
  std::vector<int> ancient_or_foreign;
  for (int n = 1; n <= kRecords; ++n) {
    if (n % 3 == 0 || n % 4 == 2 || n % 4 == 3) ancient_or_foreign.push_back(n);
  }
  // Either case, two letters: the union.
  EXPECT_EQ(PrintedRefs(Cli({"list", "--filter", "OF"}).out), Refs(ancient_or_foreign));

  Result rows = Cli({"list", "--filter", "l", "--rows", "4"});
  ASSERT_EQ(rows.code, 0) << rows.err;
  EXPECT_EQ(Starts(rows.out, 7),
            (std::vector<std::string>{"    10,", "    20,", "    30,", "    40,"}));

  Result bad = Cli({"list", "--filter", "oz"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find("'z'"), std::string::npos) << bad.err;
}

TEST_F(SearchCommandTest, FindChoosesTheKeyAndPrintsTheEntry) {
  // Quotation 4 is the first Evans in key 2 order (Evans, Anna).
  Result evans = Cli({"find", "--last", "evans"});
  ASSERT_EQ(evans.code, 0) << evans.err;
  EXPECT_EQ(evans.out, "{\"key\":2,\"ref\":" + std::to_string(db_.ref(4)) +
                           ",\"Record_Number\":\"4\",\"key_text\":\"EVANS           ANNA          "
                           "\"}\n");
  Result number = Cli({"find", "--number", "57", "--subject", "", "--user", ""});
  EXPECT_EQ(number.out, "{\"key\":1,\"ref\":" + std::to_string(db_.ref(57)) +
                            ",\"Record_Number\":\"57\",\"key_text\":\"    57\"}\n");

  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"find"}, "no search field"},
      {{"find", "--subject", "Fourteen chars"}, "Subject: 14 characters, at most 13"},
      {{"find", "--last", "Zz"}, "no entry of key 2 lies at or after"},
  };
  for (const auto& [args, says] : refused) {
    Result run = Cli(args);
    EXPECT_EQ(run.code, 1) << says;
    EXPECT_EQ(run.out, "") << says;
    EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
  }
}

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
