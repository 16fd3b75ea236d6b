// tessary-cli on refused and damaged inputs: every failure ends with a message
// that names it, record numbers are numbers, and a command with several
// records checks them all before it changes anything.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "cli/run_tool.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

class RecoveryCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string fortunes;
    for (int i = 1; i <= 8; ++i) {
      fortunes += "Quotation " + std::to_string(i) + " of the test.\n\t\t-- Author" +
                  std::to_string(i) + "\n%\n";
    }
    testing::WriteFile(dir.File("quotes"), fortunes);
    ASSERT_EQ(RunTool({"import", "--db", db, dir.File("quotes")}).code, 0);
  }

  // The record numbers `list` prints, in order.
  std::string Numbers() {
    Result r = RunTool({"list", "--db", db, "--rows", "20"});
    EXPECT_EQ(r.code, 0) << r.err;
    std::string numbers;
    for (const std::string& line : Lines(r.out)) numbers += line.substr(0, 6) + "|";
    return numbers;
  }

  testing::TempDir dir;
  std::string db = dir.File("Tes_Win");
};

TEST_F(RecoveryCommandsTest, RecordNumbersWithLeadingZerosNameTheSameRecord) {
  Result plain = RunTool({"show", "--db", db, "5"});
  ASSERT_EQ(plain.code, 0) << plain.err;
  for (const char* number : {"00005", "  5", "0000005"}) {
    Result r = RunTool({"show", "--db", db, number});
    EXPECT_EQ(r.code, 0) << number << ": " << r.err;
    EXPECT_EQ(r.out, plain.out) << number;
  }
}

// One bad argument among several, wherever it stands, and nothing changes.
TEST_F(RecoveryCommandsTest, SeveralRecordsAreAllCheckedBeforeAnyChange) {
  const std::string before = Numbers();
  struct Case {
    std::vector<std::string> numbers;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"5", "abc", "6"}, "tessary-cli: 'abc' is no record number (0 to 999999)\n"},
      {{"5", "6", "42"}, "tessary-cli: no record number 42\n"},
      {{"1234567", "2"}, "tessary-cli: '1234567' is no record number (0 to 999999)\n"},
  };
  for (const Case& c : cases) {
    for (const char* command : {"delete", "write"}) {
      std::vector<std::string> args = {command, "--db", db};
      args.insert(args.end(), c.numbers.begin(), c.numbers.end());
      Result r = RunTool(args);
      EXPECT_EQ(r.code, 1);
      EXPECT_EQ(r.err, c.message + "tessary-cli: nothing " +
                           (command[0] == 'd' ? "deleted" : "written") + "\n");
    }
  }
  EXPECT_EQ(Numbers(), before);

  Result r = RunTool({"delete", "--db", db, "5", "0006", "5"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "deleted record 5\ndeleted record 6\n");
}

// Refused inputs: each ends with exit 1 and the error, its reason and the way
// out on the error stream.
TEST_F(RecoveryCommandsTest, RefusedInputsSayWhatHappenedAndWhatToDo) {
  const std::string missing = dir.File("no/such/dir/q");
  Result r = RunTool({"import", "--db", missing, dir.File("quotes")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "error: IsamError: 9900 -- Invalid path name.  Creating " + missing +
                       "\nNo such file or directory.  Check the path of the database.\n");

  ASSERT_EQ(mkdir(dir.File("q.DAT").c_str(), 0700), 0);
  r = RunTool({"list", "--db", dir.File("q"), "--yes"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "error: IsamError: 9908 -- Invalid access code.  Opening " + dir.File("q") +
                       "\nIs a directory.  A directory has the name of a database file: rename it "
                       "or choose another database.\n");

  // A save copy left by an interrupted rebuild: check points the way.
  testing::WriteFile(db + ".SAV", testing::ReadFile(db + ".DAT"));
  r = RunTool({"check", "--db", db});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "tessary-cli: " + db +
                       ".SAV is present: a rebuild was interrupted and the records are in it\n"
                       "tessary-cli: open the database to finish the rebuild, for example "
                       "tessary-cli list --db " +
                       db + " --yes\n");
  r = RunTool({"list", "--db", db, "--rows", "20", "--yes"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(platform::PosixFileSystem().Exists(db + ".SAV"));
  EXPECT_EQ(RunTool({"check", "--db", db}).code, 0);
}

}  // namespace
}  // namespace tessary::cli
