// tessary-cli search, find and list --filter on a database of generated
// quotations; the expected records follow from how the quotations are made
// (line one "Quotation number N, line one.", era 1 + N % 3, origin 1 + N % 4,
// five lines for every tenth).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "support/quotation_fixture.h"

namespace tessary::cli {
namespace {

using testing::QuotationFixture;

constexpr int kRecords = 120;

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

class SearchCommandTest : public ::testing::Test {
 protected:
  SearchCommandTest() : db_(kRecords) { db_.session().CloseDatabase(); }

  CliRun Cli(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--db", db_.dir().File("Tes_Win")});
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunCli(args, out, err);
    return {code, out.str(), err.str()};
  }

  // The JSON line search --all prints for quotation `n` under key 1.
  std::string AllLine(int n) {
    const std::string digits = std::to_string(n);
    return "{\"ref\":" + std::to_string(db_.ref(n)) + ",\"Record_Number\":\"" + digits +
           "\",\"key\":\"" + std::string(6 - digits.size(), ' ') + digits + "\"}\n";
  }
  std::string AllLines(const std::vector<int>& numbers) {
    std::string out;
    for (int n : numbers) out += AllLine(n);
    return out;
  }

  QuotationFixture db_;
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
  struct Case {
    std::vector<std::string> args;
    std::vector<int> numbers;
  };
  const std::vector<Case> cases = {
      {{"search", "--word", "number 1", "--all"}, ones},
      {{"search", "--word", "  NUMBER 1  ", "--all"}, ones},
      // Whole words: "number 1" followed by a comma only in quotation 1.
      {{"search", "--word", "number 1", "--whole", "--all"}, {1}},
      {{"search", "--word", "Number 1", "--case", "--all"}, {}},
      // Line five exists only in every tenth quotation.
      {{"search", "--word", "five of 2", "--all"}, {20}},
  };
  for (const Case& c : cases) {
    CliRun run = Cli(c.args);
    EXPECT_EQ(run.code, 0) << c.args[2] << run.err;
    EXPECT_EQ(run.out, AllLines(c.numbers)) << c.args[2];
  }

  CliRun blank = Cli({"search", "--word", " \t ", "--all"});
  EXPECT_EQ(blank.code, 1);
  EXPECT_EQ(blank.out, "");
  EXPECT_NE(blank.err.find("empty"), std::string::npos) << blank.err;
}

TEST_F(SearchCommandTest, SearchRowsRunsThePassAndReportsTheEnd) {
  CliRun run = Cli({"search", "--word", "number 1", "--rows", "3"});
  ASSERT_EQ(run.code, 0) << run.err;
  std::istringstream lines(run.out);
  std::vector<std::string> starts;
  for (std::string line; std::getline(lines, line);) starts.push_back(line.substr(0, 8));
  EXPECT_EQ(starts, (std::vector<std::string>{"     1, ", "    10, ", "    11, "}));
  EXPECT_EQ(run.err, "");

  CliRun none = Cli({"search", "--word", "nowhere", "--rows", "3"});
  EXPECT_EQ(none.code, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err,
            "No additional records matching your word search criteria have been found.  Target "
            "was:  NOWHERE\n");
}

TEST_F(SearchCommandTest, ListFilterKeepsWhatTheLettersLetThrough) {
  std::vector<int> american_or_english;
  for (int n = 1; n <= kRecords; ++n) {
    if (n % 4 == 0 || n % 4 == 1) american_or_english.push_back(n);
  }
  // list prints more members than search: compare the refs in order.
  auto refs = [this](const std::vector<int>& numbers) {
    std::string out;
    for (int n : numbers) out += "{\"ref\":" + std::to_string(db_.ref(n)) + ",";
    return out;
  };
  auto printed_refs = [](const std::string& out) {
    std::string refs;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) refs += line.substr(0, line.find(',') + 1);
    return refs;
  };
  CliRun ancient = Cli({"list", "--filter", "o"});
  EXPECT_EQ(printed_refs(ancient.out), refs(Numbers(3, kRecords, 3)));
  CliRun two = Cli({"list", "--filter", "e"});
  EXPECT_EQ(printed_refs(two.out), refs(american_or_english));
  CliRun union_of = Cli({"list", "--filter", "OF"});  // either case, two letters
  std::vector<int> ancient_or_foreign;
  for (int n = 1; n <= kRecords; ++n) {
    if (n % 3 == 0 || n % 4 == 2 || n % 4 == 3) ancient_or_foreign.push_back(n);
  }
  EXPECT_EQ(printed_refs(union_of.out), refs(ancient_or_foreign));

  CliRun rows = Cli({"list", "--filter", "l", "--rows", "4"});
  ASSERT_EQ(rows.code, 0) << rows.err;
  std::istringstream lines(rows.out);
  std::vector<std::string> starts;
  for (std::string line; std::getline(lines, line);) starts.push_back(line.substr(0, 7));
  EXPECT_EQ(starts, (std::vector<std::string>{"    10,", "    20,", "    30,", "    40,"}));

  CliRun bad = Cli({"list", "--filter", "oz"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find("'z'"), std::string::npos) << bad.err;
}

TEST_F(SearchCommandTest, FindChoosesTheKeyAndPrintsTheEntry) {
  // Quotation 4 is the first Evans in key 2 order (Evans, Anna).
  CliRun evans = Cli({"find", "--last", "evans"});
  ASSERT_EQ(evans.code, 0) << evans.err;
  EXPECT_EQ(evans.out, "{\"key\":2,\"ref\":" + std::to_string(db_.ref(4)) +
                           ",\"Record_Number\":\"4\",\"key_text\":\"EVANS           ANNA          "
                           "\"}\n");
  CliRun number = Cli({"find", "--number", "57", "--subject", "", "--user", ""});
  EXPECT_EQ(number.out, "{\"key\":1,\"ref\":" + std::to_string(db_.ref(57)) +
                            ",\"Record_Number\":\"57\",\"key_text\":\"    57\"}\n");

  struct Refused {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Refused> refused = {
      {{"find"}, "no search field"},
      {{"find", "--number", "000"}, "no search field"},
      {{"find", "--subject", "Fourteen chars"}, "Subject: 14 characters, at most 13"},
      {{"find", "--section", "12"}, "Section: 2 characters, at most 1"},
      {{"find", "--last", "Zz"}, "no entry of key 2 lies at or after"},
  };
  for (const Refused& r : refused) {
    CliRun run = Cli(r.args);
    EXPECT_EQ(run.code, 1) << r.says;
    EXPECT_EQ(run.out, "") << r.says;
    EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace tessary::cli
