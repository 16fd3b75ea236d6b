// Feeds arbitrary bytes to the engine as a data file and an index file: the
// open, a walk of every key and every record, and Verify must report damage as
// errors or findings, never crash. The input is split at the first "\n--\n"
// into the data file and the index file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "database/keys.h"
#include "isam/engine.h"
#include "isam/verify.h"

namespace {

void WriteFile(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  static const std::string base = [] {
    char pattern[] = "/tmp/tessary-fuzz-XXXXXX";
    std::string dir = mkdtemp(pattern);
    return dir + "/F";
  }();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find("\n--\n");
  WriteFile(base + ".DAT", input.substr(0, split));
  WriteFile(base + ".IX", split == std::string_view::npos ? "" : input.substr(split + 4));

  isam::Engine engine;
  engine.InitEngine(8);
  isam::Fileblock* fb = engine.OpenFileblock(base, isam::Access::kReadOnly);
  if (engine.EngineOk()) {
    int32_t ref = 0;
    int records = 0;
    while (records++ < 2000) {
      engine.NextUsedSlot(fb, ref);
      if (!engine.EngineOk()) break;
      database::QuotationRecord record = database::EmptyRecord();
      size_t length = sizeof record;
      engine.GetVarRecord(fb, ref, &record, length);
    }
    isam::FileblockInfo info = engine.Describe(fb);
    for (int k = 1; k <= static_cast<int>(info.keys.size()); ++k) {
      engine.ClearKey(fb, k);
      std::string text;
      for (int steps = 0; steps < 2000; ++steps) {
        engine.NextKey(fb, k, ref, text);
        if (!engine.EngineOk()) break;
      }
      engine.KeyToRelative(fb, k, "M", 1, 63);
      engine.RelativeToKey(fb, k, 31, 63, ref, text);
    }
    engine.CloseFileblock(fb);
  }
  isam::VerifyOptions options;
  options.key_builder = database::BuildKeyFromBytes;
  isam::Verify(platform::PosixFileSystem(), base, options);
  return 0;
}
