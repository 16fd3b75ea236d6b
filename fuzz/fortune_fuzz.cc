// Arbitrary text as a fortune file: every record made from it fits its fields.
#include <cstdint>
#include <string_view>

#include "exchange/fortune_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  exchange::ImportContext context;
  context.file_name = "fuzz";
  exchange::FileImport result = exchange::ImportFortunes(
      std::string_view(reinterpret_cast<const char*>(data), size), context);
  for (const auto& record : result.records) {
    for (int line = 1; line <= database::kLineCount; ++line) {
      if (database::FieldText(database::Line(record, line)).size() > database::kLineCapacity) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
