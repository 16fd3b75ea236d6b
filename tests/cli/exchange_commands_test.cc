// tessary-cli import, export, backup and restore end to end, with check
// after each of them.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/run_tool.h"
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

}  // namespace
}  // namespace tessary::cli
