// tessary-cli import, export, backup and restore end to end, with check after
// each; and on refused and damaged inputs: every failure ends with a message
// that names it, record numbers are numbers, and a command with several
// records checks them all before it changes anything.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_tool.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

TEST(ExchangeCommandsTest, ImportExportBackUpAndRestoreKeepTheFileblockSound) {
  testing::TempDir dir;
  const std::string db = dir.File("Tes_Win");
  auto check = [&] {
    Result checked = RunTool({"check", "--db", db});
    EXPECT_EQ(checked.code, 0) << checked.out << checked.err;
    return checked.out;
  };
  testing::WriteFile(dir.File("quotes"),
                     "Wit is educated insolence.\n\t-- Aristotle, Rhetoric\n%\n"
                     "Brevity is the soul of wit.\n");
  testing::WriteFile(dir.File("quotes.dat"), std::string("\0\0\0\x02", 4));
  Result imported = RunTool({"import", "--db", db, "--yes", "--subject", "wit",
                             dir.File("quotes.dat"), dir.File("quotes")});
  EXPECT_EQ(imported.code, 1);  // the named binary file is refused
  EXPECT_EQ(imported.out,
            dir.File("quotes.dat") +
                ": refused: not a text file (it holds NUL bytes; a strfile index or another "
                "binary file)\n" +
                dir.File("quotes") +
                ": added 2 quotations in 2 records\n"
                "total: 2 records added (2 quotations), 0 duplicates skipped, 1 file refused "
                "or skipped; 2 in the database\n");
  EXPECT_EQ(check(), "sound: 2 records, 2 slots (0 free), entries per key: 2 2 2 2 2 2\n");

  Result exported = RunTool({"export", "--db", db, "--format", "fortune", "--key", "2"});
  EXPECT_EQ(exported.code, 0) << exported.err;
  EXPECT_EQ(exported.out,
            "Brevity is the soul of wit.\n%\n"
            "Wit is educated insolence.\n-- Aristotle, Rhetoric\n%\n");
  exported = RunTool({"export", "--db", db, "--format", "csv", "--out", dir.File("all.csv")});
  EXPECT_EQ(exported.out, "exported 2 records to " + dir.File("all.csv") + "\n");

  std::filesystem::create_directory(dir.File("copies"));
  Result backup = RunTool({"backup", "--db", db, "--to", dir.File("copies")});
  ASSERT_EQ(backup.code, 0) << backup.err;
  EXPECT_EQ(check(), "sound: 2 records, 2 slots (0 free), entries per key: 2 2 2 2 2 2\n");

  testing::WriteFile(dir.File("more.jsonl"), "{\"Line1\":\"A third one.\"}\n");
  EXPECT_EQ(RunTool({"import", "--db", db, dir.File("more.jsonl")}).code, 0);
  EXPECT_EQ(check(), "sound: 3 records, 3 slots (0 free), entries per key: 3 3 3 3 3 3\n");
  std::filesystem::path copy_path = std::filesystem::directory_iterator(dir.File("copies"))->path();
  const std::string saved = copy_path.replace_extension().string();
  Result restored = RunTool({"restore", "--db", db, "--from", saved});
  EXPECT_EQ(restored.code, 0) << restored.err;
  EXPECT_EQ(restored.out, "restored " + db + " from " + saved + "\n");
  EXPECT_EQ(check(), "sound: 2 records, 2 slots (0 free), entries per key: 2 2 2 2 2 2\n");

  // A quotation continued over two records: its fortune entry joins them, and
  // the JSON export imported into an empty database exports unchanged (record
  // numbers included), the fortune export too; a second import adds nothing.
  std::string lines;
  for (int n = 1; n <= 12; ++n) lines += std::to_string(n) + "\n";
  // Before it enough quotations for a progress report and an empty entry.
  std::string many;
  for (int n = 1; n <= 250; ++n) many += "Q" + std::to_string(n) + "\n%\n";
  testing::WriteFile(dir.File("long"), many + "%\n" + lines + "\t-- Ann Author\n");
  ASSERT_EQ(RunTool({"import", "--db", db, dir.File("long")}).code, 0);
  const std::string json = RunTool({"export", "--db", db, "--format", "json"}).out;
  const std::string fortune = RunTool({"export", "--db", db, "--format", "fortune"}).out;
  EXPECT_NE(fortune.find("%\n" + lines + "-- Ann Author\n%\n"), std::string::npos) << fortune;
  testing::WriteFile(dir.File("all.jsonl"), json);
  const std::string copy = dir.File("Copy");
  EXPECT_EQ(RunTool({"import", "--db", copy, "--yes", dir.File("all.jsonl")}).code, 0);
  EXPECT_EQ(RunTool({"export", "--db", copy, "--format", "json"}).out, json);
  EXPECT_EQ(RunTool({"export", "--db", copy, "--format", "fortune"}).out, fortune);
  EXPECT_NE(RunTool({"import", "--db", copy, dir.File("all.jsonl")}).out.find("total: 0 records"),
            std::string::npos);
}

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
