// Round trips over the fortune corpus installed on this machine: exported
// JSON imported into an empty Fileblock exports to the same bytes, and
// exported fortune text imported again gives the same words in every entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/exporter.h"
#include "exchange/importer.h"
#include "isam/verify.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::exchange {
namespace {

constexpr const char* kCorpus = "/usr/share/games/fortunes";

// A database of its own in `dir`/`name`.
class Database {
 public:
  Database(const testing::TempDir& dir, const std::string& name)
      : session_(host_, platform::PosixFileSystem()) {
    std::filesystem::create_directory(dir.File(name));
    session_.set_directory(dir.File(name));
    host_.SetNextAnswer(true);
    EXPECT_TRUE(session_.StartDatabase());
  }
  ~Database() { session_.CloseDatabase(); }

  ImportReport Import(const std::string& path, bool allow_duplicates = false) {
    ImportOptions options;
    options.allow_duplicates = allow_duplicates;
    return Importer(session_, options).Run({path});
  }
  std::string Export(FileFormat format) {
    std::string text;
    EXPECT_EQ(ExportRecords(session_.engine(), session_.fileblock(), 1, format, &text).error, "");
    return text;
  }
  bool Sound() {
    std::string base = session_.FileblockPath();
    session_.CloseDatabase();
    isam::VerifyOptions options;
    options.key_builder = database::BuildKeyFromBytes;
    isam::VerifyReport report = isam::Verify(platform::PosixFileSystem(), base, options);
    host_.SetNextAnswer(true);
    EXPECT_TRUE(session_.StartDatabase());
    return report.sound();
  }

 private:
  testing::ScriptedHost host_;
  database::Session session_;
};

// The words (runs of non-blank characters) of each entry of a fortune text.
std::vector<std::vector<std::string>> EntryWords(const std::string& fortune_text) {
  std::vector<std::vector<std::string>> entries;
  for (const FortuneEntry& entry : ParseFortunes(fortune_text)) {
    std::istringstream in(entry.text);
    entries.emplace_back();
    for (std::string word; in >> word;) entries.back().push_back(word);
  }
  return entries;
}

TEST(RoundTripTest, JsonAndFortuneExportsImportAgainUnchanged) {
  if (!std::filesystem::is_directory(kCorpus)) GTEST_SKIP() << "no fortune files installed";
  testing::TempDir dir;
  Database corpus(dir, "corpus");
  ImportReport report = corpus.Import(kCorpus);
  ASSERT_TRUE(report.ok());
  ASSERT_GT(report.records_added, 10000u);
  EXPECT_TRUE(corpus.Sound());

  // JSON: byte for byte, record numbers included; "ref" (a slot number of
  // one data file) is not written.
  const std::string json = corpus.Export(FileFormat::kJson);
  testing::WriteFile(dir.File("all.jsonl"), json);
  Database from_json(dir, "json");
  ImportReport json_report = from_json.Import(dir.File("all.jsonl"));
  EXPECT_EQ(json_report.records_added, report.records_added);
  EXPECT_FALSE(json_report.files[0].renumbered);
  EXPECT_EQ(from_json.Export(FileFormat::kJson), json);
  // Imported again, everything is a duplicate.
  EXPECT_EQ(from_json.Import(dir.File("all.jsonl")).records_added, 0u);

  // Fortune text: every entry has the same words after the trip.
  const std::string fortunes = corpus.Export(FileFormat::kFortune);
  testing::WriteFile(dir.File("all"), fortunes);
  Database from_fortunes(dir, "fortunes");
  EXPECT_EQ(from_fortunes.Import(dir.File("all"), true).quotations_added, report.quotations_added);
  EXPECT_EQ(EntryWords(from_fortunes.Export(FileFormat::kFortune)), EntryWords(fortunes));
}

}  // namespace
}  // namespace tessary::exchange
