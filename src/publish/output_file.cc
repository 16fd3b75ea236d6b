#include "publish/output_file.h"

#include <errno.h>

#include "reading/write_error.h"

namespace tessary::publish {

bool WriteOutputFile(platform::FileSystem& fs, const std::string& path, std::string_view data,
                     ui::Host& host) {
  // An empty name would make the temporary file a hidden ".tmp" and then fail
  // on the rename; refuse it the way the system refuses it.
  int rc = path.empty() ? ENOENT : platform::ReplaceFileAtomically(fs, path, data);
  if (rc != 0) {
    reading::WriteErrorReport(host, reading::WriteErrorCode(rc));
    return false;
  }
  return true;
}

}  // namespace tessary::publish
