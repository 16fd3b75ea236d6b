// The import into a real database session: which files are read, duplicates,
// record numbers, refusals that add nothing and an add that fails.
#include "exchange/importer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/exporter.h"
#include "platform/codepage.h"
#include "support/fault_fs.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::exchange {
namespace {

using database::FieldText;
using database::QuotationRecord;
using database::Session;

class ImporterTest : public ::testing::Test {
 protected:
  ImporterTest() : fs(platform::PosixFileSystem()) {
    std::filesystem::create_directory(dir.File("db"));
    session.set_directory(dir.File("db"));
    host.SetNextAnswer(true);  // create the Fileblock
    EXPECT_TRUE(session.StartDatabase());
  }
  ~ImporterTest() override { session.CloseDatabase(); }

  ImportReport Import(const std::vector<std::string>& paths, ImportOptions options = {}) {
    Importer importer(session, options);
    return importer.Run(paths);
  }

  // Record number -> line 1, in key 1 order.
  std::map<int, std::string> Records() {
    std::map<int, std::string> records;
    session.engine().ClearKey(session.fileblock(), 1);
    int32_t ref = 0;
    std::string key;
    while (true) {
      session.engine().NextKey(session.fileblock(), 1, ref, key);
      if (!session.engine().EngineOk()) break;
      const std::optional<QuotationRecord> r = session.Read(ref);
      if (!r) break;
      records[std::stoi(std::string(FieldText(r->Record_Number)))] =
          std::string(FieldText(r->Line1));
    }
    return records;
  }

  testing::TempDir dir;
  testing::ScriptedHost host;
  testing::FaultFileSystem fs;
  Session session{host, fs};
};

TEST_F(ImporterTest, ReadsEachTextFileOnceAndSkipsDuplicates) {
  const std::string quotes = dir.File("quotes");
  std::filesystem::create_directory(quotes);
  testing::WriteFile(quotes + "/art",
                     "One.\n\t-- Ann Author\n%\nTwo.\n%\nOne.\n\t-- Ann Author\n%\n"
                     "One.\n\t-- Ann Author, Another Book\n%\n");
  testing::WriteFile(quotes + "/art.dat", std::string("\0\0\0\x02\0\0\0\x03", 8));
  ASSERT_EQ(symlink("art", (quotes + "/art.u8").c_str()), 0);
  std::filesystem::create_directory(quotes + "/deeper");
  testing::WriteFile(quotes + "/deeper/more", "Not read.\n");
  testing::WriteFile(quotes + "/.hidden", "Not read.\n");

  ImportReport report = Import({quotes, quotes + "/art"});
  ASSERT_EQ(report.files.size(), 4u);
  EXPECT_EQ(DescribeFile(report.files[0]),
            quotes + "/art: added 3 quotations in 3 records, 1 duplicate skipped");
  EXPECT_EQ(DescribeFile(report.files[1]),
            quotes +
                "/art.dat: skipped: not a text file (it holds NUL bytes; a strfile index or "
                "another binary file)");
  EXPECT_EQ(DescribeFile(report.files[2]),
            quotes + "/art.u8: the same file as " + quotes + "/art; read once");
  EXPECT_EQ(report.files[3].same_as, quotes + "/art");
  EXPECT_TRUE(report.ok());  // a binary file found in a directory is no failure
  EXPECT_EQ(report.files_refused, 1u);
  EXPECT_EQ(Records(), (std::map<int, std::string>{{1, "One."}, {2, "Two."}, {3, "One."}}));

  // The same file again adds nothing; naming the binary file is a failure.
  report = Import({quotes + "/art.u8", quotes + "/art.dat"});
  EXPECT_EQ(report.records_added, 0u);
  EXPECT_EQ(report.duplicates, 4u);
  EXPECT_EQ(report.files[1].refused.substr(0, 18), "not a text file (i");
  EXPECT_FALSE(report.ok());

  ImportOptions allow;
  allow.allow_duplicates = true;
  EXPECT_EQ(Import({quotes + "/art"}, allow).records_added, 4u);
  EXPECT_EQ(session.highest_record_number(), 7);
}

TEST_F(ImporterTest, AFileWithARefusedValueAddsNothing) {
  testing::WriteFile(dir.File("good.csv"), "Record_Number,Line1\n1,First\n");
  testing::WriteFile(dir.File("bad.csv"), "Line1,Quote_Rank\nFine,1\nWrong,x\n");
  testing::WriteFile(dir.File("bad.jsonl"), "{\"Line1\":\"Fine\"}\n{\"Line1\":\"No\",\"Hue\":1}\n");
  ImportReport report = Import({dir.File("good.csv"), dir.File("bad.csv"), dir.File("bad.jsonl")});
  EXPECT_EQ(report.files[1].refused,
            "line 3: Quote_Rank: 'x' is not one digit 0 to 9; nothing added from the file");
  EXPECT_EQ(report.files[2].refused, "line 2: Hue: no such field; nothing added from the file");
  EXPECT_FALSE(report.ok());
  EXPECT_EQ(Records(), (std::map<int, std::string>{{1, "First"}}));
  EXPECT_EQ(ImportSummary(report, 1), "Added 1 quotation in 1 record; 0 duplicates skipped.\n" +
                                          dir.File("bad.csv") +
                                          ": refused: " + report.files[1].refused + "\n...");
}

TEST_F(ImporterTest, RecordsKeepTheirNumbersUnlessTheyAreInUse) {
  testing::WriteFile(dir.File("a.json"),
                     "{\"Record_Number\":\"5\",\"Line1\":\"Five\",\"Multi_Page_Flag\":1}\n"
                     "{\"Record_Number\":\"6\",\"Line1\":\"Six\"}\n"
                     "{\"Line1\":\"Unnumbered\"}\n");
  ImportReport report = Import({dir.File("a.json")});
  EXPECT_EQ(report.quotations_added, 2u);  // 5 continues into 6
  EXPECT_EQ(Records(), (std::map<int, std::string>{{5, "Five"}, {6, "Six"}, {7, "Unnumbered"}}));

  // Number 6 is taken: the whole file is numbered on, in its order. A record
  // like one in the database in all but its number is a duplicate.
  testing::WriteFile(dir.File("b.json"),
                     "{\"Record_Number\":\"9\",\"Line1\":\"Nine\"}\n"
                     "{\"Record_Number\":\"6\",\"Line1\":\"Another six\"}\n"
                     "{\"Record_Number\":\"5\",\"Line1\":\"Five\",\"Multi_Page_Flag\":1}\n");
  report = Import({dir.File("b.json")});
  EXPECT_TRUE(report.files[0].renumbered);
  EXPECT_EQ(report.duplicates, 1u);
  EXPECT_EQ(Records(),
            (std::map<int, std::string>{
                {5, "Five"}, {6, "Six"}, {7, "Unnumbered"}, {8, "Nine"}, {9, "Another six"}}));
  EXPECT_EQ(Import({dir.File("a.json"), dir.File("b.json")}).records_added, 0u);
}

// A full disk: the import stops at the failing add and counts what is stored.
TEST_F(ImporterTest, AFailedAddStopsTheImportAtOnce) {
  std::string text;
  for (int n = 1; n <= 40; ++n) text += "Quotation number " + std::to_string(n) + ".\n%\n";
  testing::WriteFile(dir.File("many"), text);
  testing::WriteFile(dir.File("more"), "Never read.\n");
  fs.OnlyPathsContaining(".DAT");
  fs.FailCall(testing::FaultFileSystem::Call::kWriteAt, ENOSPC, 25, -1);
  ImportReport report = Import({dir.File("many"), dir.File("more")});
  EXPECT_TRUE(report.add_failed);
  EXPECT_FALSE(report.ok());
  ASSERT_EQ(report.files.size(), 1u);
  EXPECT_TRUE(report.files[0].stopped);
  EXPECT_GT(report.records_added, 0u);
  EXPECT_LT(report.records_added, 40u);
  EXPECT_EQ(report.records_added, Records().size());
  EXPECT_EQ(report.quotations_added, report.records_added);
  EXPECT_NE(host.Texts(ui::MessageKind::kError), std::vector<std::string>{});
  fs.Clear();
}

// The letters and digits of each entry of fortune text (entries end at "%"
// lines), in order: what must survive the reflow of lines, long words cut
// over lines and the attribution moved into fields.
std::vector<std::string> EntryLetters(const std::string& text) {
  std::vector<std::string> entries(1);
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line == "%") entries.emplace_back();
    for (char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      if (std::isalnum(byte) || byte >= 0x80) entries.back() += c;
    }
  }
  return entries;
}

// Nothing of the installed corpus is lost: every entry, read here apart from
// the importer (overstrikes resolved, converted to Windows-1252), comes out of
// the fortune export (UTF-8) with all its letters.
TEST_F(ImporterTest, EveryEntryOfTheCorpusIsKeptWhole) {
  const std::string corpus = "/usr/share/games/fortunes";
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no fortune files installed";
  ASSERT_TRUE(Import({corpus}).ok());
  std::string exported;
  ASSERT_EQ(ExportRecords(session.engine(), session.fileblock(), 1, FileFormat::kFortune, &exported)
                .error,
            "");
  const std::vector<std::string> stored_list = EntryLetters(platform::Utf8ToAnsi(exported));
  const std::set<std::string> stored(stored_list.begin(), stored_list.end());
  size_t entries = 0;
  for (const auto& item : std::filesystem::directory_iterator(corpus)) {
    if (!item.is_regular_file() || item.is_symlink() || item.path().extension() == ".dat") continue;
    std::string shown;
    for (char c : testing::ReadFile(item.path().string())) {
      if (c == '\b' && !shown.empty() && shown.back() != '\n') shown.pop_back();
      if (c == '\n' || static_cast<unsigned char>(c) >= ' ') shown += c;
    }
    for (const std::string& letters : EntryLetters(platform::Utf8ToAnsi(shown))) {
      if (letters.empty()) continue;
      ++entries;
      EXPECT_TRUE(stored.contains(letters)) << item.path() << ": not found:\n" << letters;
    }
  }
  EXPECT_GT(entries, 15000u);
}

}  // namespace
}  // namespace tessary::exchange
