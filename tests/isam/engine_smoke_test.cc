#include <gtest/gtest.h>

#include <map>
#include <random>

#include "isam/engine.h"
#include "support/temp_dir.h"

namespace tessary::isam {
namespace {

TEST(EngineSmoke, AddSearchDeleteManyKeys) {
  testing::TempDir dir;
  Engine engine;
  engine.InitEngine(30);
  ASSERT_TRUE(engine.EngineOk());
  KeyDef keys[] = {{6, true}, {10, false}};
  std::string base = dir.File("t");
  engine.MakeFileblock(base, 512, 2, keys);
  ASSERT_TRUE(engine.EngineOk()) << engine.EngineError();
  Fileblock* fb = engine.OpenFileblock(base);
  ASSERT_TRUE(engine.EngineOk()) << engine.EngineError();
  std::mt19937 rng(1);
  std::multimap<std::string, int32_t> model;
  for (int i = 0; i < 20000; ++i) {
    char buf[8];
    snprintf(buf, sizeof buf, "%06d", static_cast<int>(rng() % 5000));
    int32_t ref = static_cast<int32_t>(rng() % 100000 + 1);
    bool exists = false;
    auto range = model.equal_range(buf);
    for (auto it = range.first; it != range.second; ++it) exists |= it->second == ref;
    if (rng() % 3 == 0 && !model.empty()) {
      auto it = model.begin();
      std::advance(it, rng() % model.size());
      engine.DeleteKey(fb, 1, it->second, it->first);
      ASSERT_TRUE(engine.EngineOk()) << engine.EngineError() << " at " << i;
      model.erase(it);
    } else {
      engine.AddKey(fb, 1, ref, buf);
      if (exists) {
        ASSERT_EQ(engine.EngineError(), kErrDuplicateKey);
      } else {
        ASSERT_TRUE(engine.EngineOk()) << engine.EngineError() << " at " << i;
        model.emplace(buf, ref);
      }
    }
  }
  ASSERT_EQ(engine.UsedKeys(fb, 1), static_cast<int32_t>(model.size()));
  std::vector<std::pair<std::string, int32_t>> expected(model.begin(), model.end());
  std::sort(expected.begin(), expected.end());
  engine.ClearKey(fb, 1);
  std::vector<std::pair<std::string, int32_t>> walked;
  int32_t ref = 0;
  std::string text;
  while (true) {
    engine.NextKey(fb, 1, ref, text);
    if (!engine.EngineOk()) break;
    walked.emplace_back(text, ref);
  }
  EXPECT_EQ(engine.EngineError(), kErrNoLargerKey);
  EXPECT_EQ(walked, expected);
  std::vector<std::pair<std::string, int32_t>> back;
  engine.ClearKey(fb, 1);
  while (true) {
    engine.PrevKey(fb, 1, ref, text);
    if (!engine.EngineOk()) break;
    back.emplace_back(text, ref);
  }
  std::reverse(back.begin(), back.end());
  EXPECT_EQ(back, expected);
  engine.CloseFileblock(fb);
  ASSERT_TRUE(engine.EngineOk()) << engine.EngineError();
  fb = engine.OpenFileblock(base);
  ASSERT_TRUE(engine.EngineOk()) << engine.EngineError();
  walked.clear();
  engine.ClearKey(fb, 1);
  while (true) {
    engine.NextKey(fb, 1, ref, text);
    if (!engine.EngineOk()) break;
    walked.emplace_back(text, ref);
  }
  EXPECT_EQ(walked, expected);
  engine.CloseFileblock(fb);
}

TEST(EngineSmoke, VarRecords) {
  testing::TempDir dir;
  Engine engine;
  engine.InitEngine(8);
  KeyDef keys[] = {{6, true}};
  std::string base = dir.File("v");
  engine.MakeFileblock(base, 512, 1, keys);
  Fileblock* fb = engine.OpenFileblock(base);
  ASSERT_TRUE(engine.EngineOk());
  std::string big(3000, 'x');
  big[0] = big[1] = big[2] = big[3] = 0;
  for (size_t i = 4; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  int32_t ref = engine.AddVarRecord(fb, big.data(), big.size());
  ASSERT_TRUE(engine.EngineOk());
  std::string back(65520, '\0');
  size_t len = back.size();
  engine.GetVarRecord(fb, ref, back.data(), len);
  ASSERT_TRUE(engine.EngineOk());
  back.resize(len);
  EXPECT_EQ(back, big);
  std::string small(100, 'q');
  small[0] = small[1] = small[2] = small[3] = 0;
  engine.PutVarRecord(fb, ref, small.data(), small.size());
  ASSERT_TRUE(engine.EngineOk());
  EXPECT_EQ(engine.UsedSlots(fb), 1);
  engine.DeleteVarRecord(fb, ref);
  EXPECT_EQ(engine.UsedSlots(fb), 0);
  engine.CloseFileblock(fb);
  EXPECT_TRUE(engine.EngineOk());
}

}  // namespace
}  // namespace tessary::isam
