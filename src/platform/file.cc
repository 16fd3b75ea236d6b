#include "platform/file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tessary::platform {
namespace {

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  IoResult ReadAt(uint64_t offset, void* buf, size_t n) override {
    IoResult result;
    auto* out = static_cast<char*>(buf);
    while (result.bytes < n) {
      ssize_t got = ::pread(fd_, out + result.bytes, n - result.bytes,
                            static_cast<off_t>(offset + result.bytes));
      if (got < 0) {
        if (errno == EINTR) continue;
        result.error = errno;
        break;
      }
      if (got == 0) break;
      result.bytes += static_cast<size_t>(got);
    }
    return result;
  }

  IoResult WriteAt(uint64_t offset, const void* buf, size_t n) override {
    IoResult result;
    const auto* in = static_cast<const char*>(buf);
    while (result.bytes < n) {
      ssize_t put = ::pwrite(fd_, in + result.bytes, n - result.bytes,
                             static_cast<off_t>(offset + result.bytes));
      if (put < 0) {
        if (errno == EINTR) continue;
        result.error = errno;
        break;
      }
      if (put == 0) {
        result.error = ENOSPC;
        break;
      }
      result.bytes += static_cast<size_t>(put);
    }
    return result;
  }

  int Size(uint64_t* size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return errno;
    *size = static_cast<uint64_t>(st.st_size);
    return 0;
  }

  int Truncate(uint64_t size) override {
    return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 ? 0 : errno;
  }

  int Sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }

  int Close() override {
    int fd = fd_;
    fd_ = -1;
    if (fd < 0) return EBADF;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

class PosixFs final : public FileSystem {
 public:
  int Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::kRead:
        flags |= O_RDONLY;
        break;
      case OpenMode::kReadWrite:
        flags |= O_RDWR;
        break;
      case OpenMode::kCreate:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
      case OpenMode::kAppend:
        flags |= O_WRONLY | O_CREAT | O_APPEND;
        break;
    }
    int fd;
    do {
      fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      return EISDIR;
    }
    *file = std::make_unique<PosixFile>(fd);
    return 0;
  }

  int Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

  int Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  int FreeSpace(const std::string& path, double* bytes) override {
    struct statvfs vfs;
    std::string dir = DirectoryOf(path);
    if (::statvfs(dir.c_str(), &vfs) != 0) return errno;
    *bytes = static_cast<double>(vfs.f_bavail) * static_cast<double>(vfs.f_frsize);
    return 0;
  }

  int SyncDirectoryOf(const std::string& path) override {
    std::string dir = DirectoryOf(path);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int rc = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems cannot sync a directory; the rename itself still stands.
    return rc == EINVAL ? 0 : rc;
  }
};

}  // namespace

FileSystem& PosixFileSystem() {
  static PosixFs fs;
  return fs;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int ReadWholeFile(FileSystem& fs, const std::string& path, std::string* data) {
  std::unique_ptr<File> file;
  if (int rc = fs.Open(path, OpenMode::kRead, &file)) return rc;
  uint64_t size = 0;
  if (int rc = file->Size(&size)) return rc;
  data->assign(size, '\0');
  IoResult r = file->ReadAt(0, data->data(), data->size());
  if (r.error) return r.error;
  data->resize(r.bytes);
  return 0;
}

int ReplaceFileAtomically(FileSystem& fs, const std::string& path, std::string_view data) {
  std::string temp = path + ".tmp";
  std::unique_ptr<File> file;
  if (int rc = fs.Open(temp, OpenMode::kCreate, &file)) return rc;
  IoResult w = file->WriteAt(0, data.data(), data.size());
  int rc = w.error;
  if (rc == 0 && w.bytes != data.size()) rc = EIO;
  if (rc == 0) rc = file->Sync();
  int close_rc = file->Close();
  if (rc == 0) rc = close_rc;
  if (rc == 0) rc = fs.Rename(temp, path);
  if (rc != 0) {
    fs.Remove(temp);
    return rc;
  }
  return fs.SyncDirectoryOf(path);
}

}  // namespace tessary::platform
