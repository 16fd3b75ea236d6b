// Verify on a closed quotation database with the quotation key builder, as a
// plain summary for the window tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessary::testing {

struct DatabaseCheck {
  bool sound = false;
  std::vector<std::string> findings;
  int32_t free_slots = 0;
  int32_t records = 0;
};

// Verifies the Fileblock `directory`/Tes_Win with the quotation key builder.
DatabaseCheck VerifyDatabase(const std::string& directory);

}  // namespace tessary::testing
