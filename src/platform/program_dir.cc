#include "platform/program_dir.h"

#include <limits.h>
#include <unistd.h>

#include <vector>

#include "platform/file.h"

namespace tessary::platform {

std::string ProgramDirectory() {
  std::vector<char> buf(PATH_MAX);
  for (;;) {
    ssize_t len = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (len < 0) return ".";
    // readlink truncates silently; a full buffer may be a cut path.
    if (static_cast<size_t>(len) < buf.size()) {
      return DirectoryOf(std::string(buf.data(), static_cast<size_t>(len)));
    }
    buf.resize(buf.size() * 2);
  }
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

}  // namespace tessary::platform
