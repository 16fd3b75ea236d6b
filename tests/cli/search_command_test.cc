// tessary-cli search, find and list --filter on a database of generated
// quotations; the expected records follow from how the quotations are made
// (line one "Quotation number N, line one.", era 1 + N % 3, origin 1 + N % 4,
// five lines for every tenth).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run_tool.h"
#include "support/quotation_fixture.h"

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

}  // namespace
}  // namespace tessary::cli
