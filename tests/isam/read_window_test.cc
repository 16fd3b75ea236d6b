// Records read one after another in slot order come from a window read ahead
// of them; a change to the data file must never leave that window showing the
// old bytes.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "support/temp_dir.h"

namespace tessary::isam {
namespace {

// `n` record bytes: 4 zero bytes (a live record), then `fill`.
std::string Record(size_t n, char fill) {
  std::string bytes(n, fill);
  bytes.replace(0, 4, 4, '\0');
  return bytes;
}

std::string Read(Engine& engine, Fileblock* fb, int32_t ref) {
  std::string buffer(2000, '\0');
  size_t length = buffer.size();
  engine.GetVarRecord(fb, ref, buffer.data(), length);
  EXPECT_TRUE(engine.EngineOk()) << "reading " << ref;
  buffer.resize(length);
  return buffer;
}

TEST(ReadWindow, ChangesShowAtOnce) {
  testing::TempDir dir;
  const std::string path = dir.File("Window");
  Engine engine;
  engine.InitEngine(30);
  const std::array<KeyDef, 1> keys = {{{6, true}}};
  engine.MakeFileblock(path, 512, 1, keys);
  Fileblock* fb = engine.OpenFileblock(path);
  ASSERT_TRUE(engine.EngineOk());
  ASSERT_TRUE(engine.SetVarBuffer(512));
  std::vector<int32_t> refs;
  for (int i = 0; i < 40; ++i) {
    const std::string bytes = Record(i % 3 == 0 ? 933 : 506, static_cast<char>('a' + i % 26));
    refs.push_back(engine.AddVarRecord(fb, bytes.data(), bytes.size()));
    ASSERT_TRUE(engine.EngineOk());
  }
  // A sequential pass, so the window covers the records.
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(Read(engine, fb, refs[static_cast<size_t>(i)]),
              Record(i % 3 == 0 ? 933 : 506, static_cast<char>('a' + i % 26)));
  }
  for (int i = 0; i < 5; ++i) Read(engine, fb, refs[static_cast<size_t>(i)]);

  // Rewritten in place, grown into a chain, deleted: each read sees the file.
  const std::string changed = Record(506, 'X');
  engine.PutVarRecord(fb, refs[6], changed.data(), changed.size());
  const std::string grown = Record(933, 'Y');
  engine.PutVarRecord(fb, refs[7], grown.data(), grown.size());
  ASSERT_TRUE(engine.EngineOk());
  for (int i = 5; i < 9; ++i) Read(engine, fb, refs[static_cast<size_t>(i)]);
  EXPECT_EQ(Read(engine, fb, refs[6]), changed);
  EXPECT_EQ(Read(engine, fb, refs[7]), grown);
  engine.DeleteVarRecord(fb, refs[8]);
  std::string buffer(600, '\0');
  size_t length = buffer.size();
  engine.GetVarRecord(fb, refs[8], buffer.data(), length);
  EXPECT_NE(buffer.substr(0, 4), std::string(4, '\0')) << "a deleted record reads as gone";

  engine.CloseFileblock(fb);
  fb = engine.OpenFileblock(path);
  ASSERT_TRUE(engine.SetVarBuffer(512));
  for (int i = 5; i < 8; ++i) Read(engine, fb, refs[static_cast<size_t>(i)]);
  EXPECT_EQ(Read(engine, fb, refs[7]), grown);
  engine.CloseFileblock(fb);
  engine.ExitEngine();
}

}  // namespace
}  // namespace tessary::isam
