// Round trips over the fortune corpus installed on this machine: exported
// JSON imported into an empty Fileblock exports to the same bytes, and
// exported fortune text imported again gives the same words in every entry.
// Also an independent check that the import finds every entry of the corpus
// word for word in the records.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/exporter.h"
#include "exchange/importer.h"
#include "isam/verify.h"
#include "platform/codepage.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::exchange {
namespace {

constexpr const char* kCorpus = "/usr/share/games/fortunes";

using database::Session;

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
    ExportResult result = ExportRecords(session_.engine(), session_.fileblock(), 1, format, &text);
    EXPECT_EQ(result.error, "");
    return text;
  }
  // Every record, in the order of key 1.
  std::vector<database::QuotationRecord> Records() {
    std::vector<database::QuotationRecord> records;
    isam::Engine& engine = session_.engine();
    engine.ClearKey(session_.fileblock(), 1);
    int32_t ref = 0;
    std::string key;
    while (true) {
      engine.NextKey(session_.fileblock(), 1, ref, key);
      if (!engine.EngineOk()) break;
      std::optional<database::QuotationRecord> record = session_.Read(ref);
      if (!record) break;
      records.push_back(*record);
    }
    return records;
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
  Session session_;
};

// The words of a text: runs of non-blank characters.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::istringstream in{std::string(text)};
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::vector<std::vector<std::string>> EntryWords(const std::string& fortune_text) {
  std::vector<std::vector<std::string>> entries;
  for (const FortuneEntry& entry : ParseFortunes(fortune_text))
    entries.push_back(Words(entry.text));
  return entries;
}

// Letters and digits of each word, for comparing text whose punctuation may
// move between fields ("-- Name, Book" becomes a name and a book).
std::vector<std::string> PlainWords(std::string_view text) {
  std::vector<std::string> words;
  for (const std::string& word : Words(text)) {
    std::string plain;
    for (char c : word) {
      if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80) {
        plain += c;
      }
    }
    if (!plain.empty()) words.push_back(plain);
  }
  return words;
}

// A fortune file's entries read here, apart from the importer: split at "%"
// lines, overstrikes resolved, converted to Windows-1252.
std::vector<std::string> SourceEntries(const std::string& path) {
  std::vector<std::string> entries(1);
  std::istringstream in(testing::ReadFile(path));
  for (std::string line; std::getline(in, line);) {
    if (line == "%") {
      entries.emplace_back();
      continue;
    }
    std::string shown;
    for (char c : line) {
      if (c == '\b') {
        if (!shown.empty()) shown.pop_back();
      } else {
        if (c == '\t') {
          shown += ' ';
        } else if (static_cast<unsigned char>(c) >= ' ') {
          shown += c;
        }
      }
    }
    entries.back() += platform::Utf8ToAnsi(shown) + "\n";
  }
  return entries;
}

class RoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(kCorpus)) GTEST_SKIP() << "no fortune files installed";
  }
  testing::TempDir dir;
};

TEST_F(RoundTripTest, JsonAndFortuneExportsImportAgainUnchanged) {
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
  EXPECT_TRUE(from_json.Sound());
  // Imported again, everything is a duplicate.
  EXPECT_EQ(from_json.Import(dir.File("all.jsonl")).records_added, 0u);

  // Fortune text: every entry has the same words after the trip.
  const std::string fortunes = corpus.Export(FileFormat::kFortune);
  testing::WriteFile(dir.File("all"), fortunes);
  Database from_fortunes(dir, "fortunes");
  EXPECT_EQ(from_fortunes.Import(dir.File("all"), true).quotations_added, report.quotations_added);
  EXPECT_EQ(EntryWords(from_fortunes.Export(FileFormat::kFortune)), EntryWords(fortunes));
  EXPECT_TRUE(from_fortunes.Sound());
}

// Every entry of the corpus is in the records word for word, the attribution
// in the author and book fields of its first record. A word longer than a
// line (60 characters) is stored over several lines; for the few entries
// holding one, their characters without blanks are compared.
TEST_F(RoundTripTest, EveryEntryOfTheCorpusIsFoundWordForWord) {
  Database corpus(dir, "corpus");
  ASSERT_TRUE(corpus.Import(kCorpus).ok());
  std::vector<database::QuotationRecord> records = corpus.Records();
  std::map<std::string, size_t> by_number;
  for (size_t i = 0; i < records.size(); ++i) {
    by_number[std::string(database::FieldText(records[i].Record_Number))] = i;
  }
  std::set<std::vector<std::string>> stored;
  std::set<std::string> stored_letters;
  for (size_t i = 0; i < records.size(); ++i) {
    int number = std::stoi(std::string(database::FieldText(records[i].Record_Number)));
    auto before = by_number.find(std::to_string(number - 1));
    if (before != by_number.end() && records[before->second].Multi_Page_Flag == 1) continue;
    std::string text;
    for (size_t r = i; r < records.size();) {
      for (int n = 1; n <= database::kLineCount; ++n) {
        text += std::string(database::FieldText(database::Line(records[r], n))) + "\n";
      }
      auto next = by_number.find(std::to_string(++number));
      if (records[r].Multi_Page_Flag != 1 || next == by_number.end()) break;
      r = next->second;
    }
    text += std::string(database::FieldText(records[i].Authors_Full_Name)) + " " +
            std::string(database::FieldText(records[i].Book_Name));
    std::vector<std::string> words = PlainWords(text);
    stored.insert(words);
    std::string letters;
    for (const std::string& word : words) letters += word;
    stored_letters.insert(letters);
  }

  size_t entries = 0;
  size_t found = 0;
  for (const auto& item : std::filesystem::directory_iterator(kCorpus)) {
    if (!item.is_regular_file() || item.is_symlink() || item.path().extension() == ".dat") continue;
    for (const std::string& entry : SourceEntries(item.path().string())) {
      std::vector<std::string> words = PlainWords(entry);
      if (words.empty()) continue;
      ++entries;
      std::string letters;
      bool long_word = false;
      for (const std::string& word : Words(entry)) long_word |= word.size() > 60;
      for (const std::string& word : words) letters += word;
      if (stored.contains(words) || (long_word && stored_letters.contains(letters))) {
        ++found;
      } else {
        ADD_FAILURE() << item.path() << ": not found:\n" << entry;
      }
    }
  }
  EXPECT_GT(entries, 15000u);
  EXPECT_EQ(found, entries);
}

}  // namespace
}  // namespace tessary::exchange
