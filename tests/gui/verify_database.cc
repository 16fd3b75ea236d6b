#include "gui/verify_database.h"

#include "database/keys.h"
#include "isam/verify.h"
#include "platform/file.h"

namespace tessary::testing {

DatabaseCheck VerifyDatabase(const std::string& directory) {
  isam::VerifyOptions options;
  options.key_builder = database::BuildKeyFromBytes;
  isam::VerifyReport report =
      isam::Verify(platform::PosixFileSystem(), directory + "/Tes_Win", options);
  DatabaseCheck check;
  check.sound = report.sound();
  check.findings = report.findings;
  if (report.open_error != 0) {
    check.findings.push_back("open error " + std::to_string(report.open_error));
  }
  check.free_slots = report.free_slots;
  check.records = report.records;
  return check;
}

}  // namespace tessary::testing
