// tessary-cli on Fileblocks assembled byte by byte: the exact lines of dump,
// dump --headers and dump --index, check on sound and damaged files, the
// messages for missing files and bad keys, and randomly damaged copies that
// must never crash the reader.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cli/run_tool.h"
#include "support/fileblock_builder.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

using testing::BuildIndexFile;
using testing::DataFileBuilder;
using testing::FixtureItem;
using testing::FixtureKey;
using testing::FixturePage;
using testing::TempDir;
using testing::WriteFile;

std::string B(size_t n) { return std::string(n, ' '); }

// A 933-byte record with texts[i] placed at offsets[i] of the record layout.
std::string RecordOf(std::vector<size_t> offsets, std::vector<std::string_view> texts) {
  std::string record(933, '\0');
  for (size_t i = 0; i < offsets.size(); ++i) record.replace(offsets[i], texts[i].size(), texts[i]);
  return record;
}

// Three quotations at refs 1, 4 and 5 (the 933-byte one in slots 3 and 4),
// slot 2 free with stale bytes, and the six keys of the program, each a root
// page holding the three entries in order. Key texts are written out by hand.
struct QuoteFixture {
  DataFileBuilder data{512, 6};
  std::vector<FixtureKey> keys;

  QuoteFixture() {
    const std::string r1 =
        RecordOf({4, 11, 14, 19, 33, 35, 45, 59, 73, 90, 106, 148, 199, 258, 319, 502},
                 {"1", "AA", "12", "Love", "3", "Romance", "Hope", "fav", "de la Cruz", "Juana",
                  "Juana Ines de la Cruz", "Poet", "Poems", "Line one", "He said \"go\" \\ now",
                  "\x02\x01\x01\x03"});
    const std::string r2 =
        RecordOf({4, 11, 14, 19, 33, 35, 73, 90, 106, 257, 258, 502, 506, 872},
                 {"2", "BA", "7", "Work", "1", "Duty", "M\xFCller", "Hans", "Hans M\xFCller",
                  "\x01", "First", std::string_view("\x03\x00\x06\x04", 4), "Fifth", "Last"});
    const std::string r3 =
        RecordOf({4, 11, 14, 19, 33, 45, 73}, {"    10", "AA", "3", "love", "2", "Hope", "Adams"});

    EXPECT_EQ(data.AddRecord(r1.substr(0, 506)), 1);
    EXPECT_EQ(data.AddRecord(std::string(4, '\0') + std::string(502, 'x')), 2);
    EXPECT_EQ(data.AddRecord(r2), 4);
    EXPECT_EQ(data.AddRecord(r3.substr(0, 506)), 5);
    data.FreeSlots({2});

    auto key = [this](int key_len, std::vector<FixtureItem> items) {
      FixtureKey k(key_len, true);
      k.pages[1] = FixturePage(0, std::move(items));
      k.root_page = 1;
      keys.push_back(k);
    };
    key(6, {{1, "     1"}, {4, "     2"}, {5, "    10"}});
    key(30, {{5, "ADAMS" + B(25)},
             {1, "DE LA CRUZ" + B(6) + "JUANA" + B(9)},
             {4, "M\xDCLLER" + B(10) + "HANS" + B(10)}});
    key(20, {{5, "LOVE" + B(9) + "2" + B(4) + "10"},
             {1, "LOVE" + B(9) + "3" + B(5) + "1"},
             {4, "WORK" + B(9) + "1" + B(5) + "2"}});
    key(6, {{5, "AA   3"}, {1, "AA  12"}, {4, "BA   7"}});
    key(17, {{4, B(13) + "WORK"}, {1, "HOPE" + B(9) + "LOVE"}, {5, "HOPE" + B(9) + "LOVE"}});
    key(13, {{4, B(13)}, {5, B(13)}, {1, "FAV" + B(10)}});
  }

  // Writes the files into `dir` and returns the Fileblock's base name.
  std::string Write(const TempDir& dir) const {
    WriteFile(dir.File("Tes_Win.DAT"), data.Bytes());
    WriteFile(dir.File("Tes_Win.IX"), BuildIndexFile(keys));
    return dir.File("Tes_Win");
  }
};

const char* const kEmptyLines2To4 = R"("Line2":"","Line3":"","Line4":"",)";
const char* const kEmptyLines5To11 =
    R"("Line5":"","Line6":"","Line7":"","Line8":"","Line9":"","Line10":"","Line11":"",)";

TEST(Dump, RecordsAsJsonLines) {
  TempDir dir;
  Result r = RunTool({"dump", "--db", QuoteFixture().Write(dir)});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string expected =
      std::string(R"({"ref":1,"Record_Number":"1","Book_Code":"AA","Page_Number":"12",)") +
      R"("Subject":"Love","Section":"3","Section_Name":"Romance","Subtitle":"Hope",)" +
      R"("User_Code":"fav","Authors_LName":"de la Cruz","FirstName":"Juana",)" +
      R"("Authors_Full_Name":"Juana Ines de la Cruz","Author_Bio_Snapshot":"Poet",)" +
      R"("Book_Name":"Poems","Line1":"Line one","Line2":"He said \"go\" \\ now",)" +
      R"("Line3":"","Line4":"",)" + kEmptyLines5To11 +
      R"("Multi_Page_Flag":0,"Author_Age_Code":2,"Quote_Rank":1,"Number_of_Lines":1,)" +
      R"("Author_Country_Code":3,"length":506,"keys":["     1",)" +
      R"("DE LA CRUZ      JUANA         ","LOVE         3     1","AA  12",)" +
      R"("HOPE         LOVE","FAV          "]})" + "\n" +
      R"({"ref":4,"Record_Number":"2","Book_Code":"BA","Page_Number":"7",)" +
      R"("Subject":"Work","Section":"1","Section_Name":"Duty","Subtitle":"",)" +
      R"("User_Code":"","Authors_LName":"Müller","FirstName":"Hans",)" +
      R"("Authors_Full_Name":"Hans Müller","Author_Bio_Snapshot":"","Book_Name":"",)" +
      R"("Line1":"First",)" + kEmptyLines2To4 +
      R"("Line5":"Fifth","Line6":"","Line7":"","Line8":"","Line9":"","Line10":"",)" +
      R"("Line11":"Last","Multi_Page_Flag":1,"Author_Age_Code":3,"Quote_Rank":0,)" +
      R"("Number_of_Lines":6,"Author_Country_Code":4,"length":933,"keys":["     2",)" +
      R"("MÜLLER          HANS          ","WORK         1     2","BA   7",)" +
      R"("             WORK","             "]})" + "\n" +
      R"({"ref":5,"Record_Number":"    10","Book_Code":"AA","Page_Number":"3",)" +
      R"("Subject":"love","Section":"2","Section_Name":"","Subtitle":"Hope",)" +
      R"("User_Code":"","Authors_LName":"Adams","FirstName":"",)" +
      R"("Authors_Full_Name":"","Author_Bio_Snapshot":"","Book_Name":"",)" + R"("Line1":"",)" +
      kEmptyLines2To4 + kEmptyLines5To11 +
      R"("Multi_Page_Flag":0,"Author_Age_Code":0,"Quote_Rank":0,"Number_of_Lines":0,)" +
      R"("Author_Country_Code":0,"length":506,"keys":["    10",)" +
      R"("ADAMS                         ","LOVE         2    10","AA   3",)" +
      R"("HOPE         LOVE","             "]})" + "\n";
  EXPECT_EQ(r.out, expected);
}

// The headers as stored (key 3's page size 0 is read as 62), then the
// entries of key 2 in key order.
TEST(Dump, HeadersAndIndexEntries) {
  TempDir dir;
  QuoteFixture fixture;
  fixture.keys[2].page_size = 0;
  const std::string base = fixture.Write(dir);
  Result r = RunTool({"dump", "--db", base, "--headers"});
  EXPECT_EQ(r.code, 0) << r.err;
  auto key = [](int k, int page_bytes, int page_size, int key_len) {
    return R"({"key":)" + std::to_string(k) +
           R"(,"FirstFreePage":-1,"FreePageCount":0,"PageCount":1,"PageBytes":)" +
           std::to_string(page_bytes) + R"(,"RootPage":1,"AllowDuplicates":1,"EntryCount":3,)" +
           R"("PageSize":)" + std::to_string(page_size) + R"(,"KeyLen":)" +
           std::to_string(key_len) + "}\n";
  };
  EXPECT_EQ(
      r.out,
      std::string(R"({"data":{"FirstFree":2,"FreeCount":1,"SlotCount":5,"RecordLength":512,)") +
          R"("KeyCount":6,"InUse":0}})" + "\n" + key(1, 936, 62, 6) + key(2, 2424, 62, 30) +
          key(3, 1804, 0, 20) + key(4, 936, 62, 6) + key(5, 1618, 62, 17) + key(6, 1370, 62, 13));
  EXPECT_EQ(RunTool({"dump", "--db", base, "--index", "2"}).out,
            "{\"ref\":5,\"key\":\"ADAMS                         \"}\n"
            "{\"ref\":1,\"key\":\"DE LA CRUZ      JUANA         \"}\n"
            "{\"ref\":4,\"key\":\"MÜLLER          HANS          \"}\n");
}

// Bad key numbers, missing files and a missing index fail with the engine's
// numbered message and print nothing on the output stream.
TEST(Dump, FailuresGiveTheEngineMessage) {
  TempDir dir;
  const std::string base = QuoteFixture().Write(dir);
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"dump", "--db", base, "--index", "7"}, "10164 -- Invalid key number"},
      {{"dump", "--db", base, "--index", "0"}, "10164 -- Invalid key number"},
      {{"dump", "--db", dir.File("nothing")}, "9903 -- File not found"},
      {{"check", "--db", dir.File("nothing")}, "9903 -- File not found"},
  };
  for (const Case& c : cases) {
    Result r = RunTool(c.args);
    EXPECT_NE(r.code, 0) << c.message;
    EXPECT_EQ(r.out, "") << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  ASSERT_EQ(std::remove(dir.File("Tes_Win.IX").c_str()), 0);
  Result r = RunTool({"dump", "--db", base});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("10010 -- File defect, that can be corrected by reindexing"),
            std::string::npos)
      << r.err;
  r = RunTool({"check", "--db", base});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "the index file cannot be opened: File not found\n");
}

TEST(Explain, NumberClassAndText) {
  for (const char* line : {"10010 (class 4): File defect, that can be corrected by reindexing\n",
                           "9502 (class 4): DOS error code <2>\n",
                           "10250 (class 1): No larger key found\n", "10451 (class 4): \n"}) {
    const std::string text = line;
    Result r = RunTool({"explain", text.substr(0, text.find(' '))});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, text);
  }
  EXPECT_NE(RunTool({"explain"}).code, 0);
}

// Each damage gives exit 1 and a finding naming the key, record or header
// field concerned.
TEST(Check, DamagedFixturesGiveFindings) {
  const std::pair<const char*, void (*)(QuoteFixture&)> cases[] = {
      {"key 2", [](QuoteFixture& f) { f.keys[1].pages[1].items[1].key = "DE LA CRUZ"; }},
      {"key 6", [](QuoteFixture& f) { f.keys[5].pages[1].items.pop_back(); }},
      {"key 1", [](QuoteFixture& f) { f.keys[0].pages[1].items[0].ref = 2; }},  // a free slot
      {"InUse", [](QuoteFixture& f) { f.data.in_use = 1; }},
      {"free", [](QuoteFixture& f) { f.data.SetLink(2, 0); }},
      {"record 4", [](QuoteFixture& f) { f.data.SetTrailer(3, 505, 3); }},  // links to itself
      {"record 1", [](QuoteFixture& f) { f.data.SetTrailer(1, 506, 77); }},
      {"key 4",
       [](QuoteFixture& f) {
         std::swap(f.keys[3].pages[1].items[0], f.keys[3].pages[1].items[2]);
       }},
  };
  for (const auto& [finding, damage] : cases) {
    TempDir dir;
    QuoteFixture fixture;
    damage(fixture);
    Result r = RunTool({"check", "--db", fixture.Write(dir)});
    EXPECT_EQ(r.code, 1) << finding;
    EXPECT_NE(r.out.find(finding), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("sound:"), std::string::npos) << r.out;
  }
}

TEST(Fuzz, RandomlyDamagedCopiesNeverCrashTheReaders) {
  QuoteFixture fixture;
  const std::string data = fixture.data.Bytes();
  const std::string index = BuildIndexFile(fixture.keys);
  // Bytes where damage changes what the readers do: the data header, each
  // slot's link and trailer, the key headers and the pages' items.
  std::vector<size_t> data_hot;
  for (size_t i = 0; i < 21; ++i) data_hot.push_back(i);
  for (size_t slot = 1; slot * 512 < data.size(); ++slot) {
    for (size_t i = 0; i < 4; ++i) data_hot.push_back(slot * 512 + i);
    for (size_t i = 506; i < 512; ++i) data_hot.push_back(slot * 512 + i);
  }
  std::vector<size_t> index_hot;
  const size_t row = index.size() / 2;
  size_t offset = 0;
  for (const FixtureKey& key : fixture.keys) {
    for (size_t i = 0; i < 28; ++i) index_hot.push_back(offset + i);
    for (size_t i = 0; i < 6 + 3 * (static_cast<size_t>(key.key_len) + 9); ++i) {
      index_hot.push_back(row + offset + i);
    }
    offset += static_cast<size_t>(key.StretchBytes());
  }

  TempDir dir;
  const std::string base = dir.File("fuzz");
  const uint32_t seed = 20240611;
  std::mt19937 rng(seed);
  for (int iteration = 0; iteration < 2000; ++iteration) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " iteration " << iteration);
    std::string d = data;
    std::string x = index;
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) {
      bool in_data = rng() % 3 == 0;
      std::string& target = in_data ? d : x;
      const std::vector<size_t>& hot = in_data ? data_hot : index_hot;
      size_t at = rng() % 4 != 0 ? hot[rng() % hot.size()] : rng() % target.size();
      uint32_t value =
          rng() % 2 ? rng() & 0xFF : static_cast<uint8_t>(target[at]) ^ (1u << (rng() % 8));
      target[at] = static_cast<char>(value);
    }
    if (rng() % 50 == 0) d.resize(rng() % d.size());
    if (rng() % 50 == 0) x.resize(rng() % x.size());
    WriteFile(base + ".DAT", d);
    WriteFile(base + ".IX", x);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"dump", "--db", base},
             {"dump", "--db", base, "--headers"},
             {"dump", "--db", base, "--index", std::to_string(1 + iteration % 6)},
             {"check", "--db", base}}) {
      Result r = RunTool(args);
      EXPECT_GE(r.code, 0);
      EXPECT_LE(r.code, 2);
    }
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
}  // namespace tessary::cli
