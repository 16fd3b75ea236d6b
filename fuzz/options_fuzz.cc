// Arbitrary bytes as an options file: decoding must give sane settings.
#include <cstdint>
#include <string_view>

#include "app/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  app::Options options =
      app::DecodeOptions(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string encoded = app::EncodeOptions(options);
  if (encoded.size() != app::kOptionsFileSize) __builtin_trap();
  return 0;
}
