// The thin file layer: every byte that the engine and the option and output
// files move goes through these two interfaces, so tests can fail the Nth call,
// write short or drop what was not synced. Errors are errno values (0 = success);
// callers map them onto their own numbers in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tessary::platform {

struct IoResult {
  size_t bytes = 0;  // bytes transferred; fewer than asked at end of file or on error
  int error = 0;     // errno of the failing call, 0 when none failed
};

class File {
 public:
  virtual ~File() = default;
  // Reads up to `n` bytes at `offset`; stops early only at end of file or on error.
  virtual IoResult ReadAt(uint64_t offset, void* buf, size_t n) = 0;
  // Writes `n` bytes at `offset`; a result with fewer bytes always carries an error.
  virtual IoResult WriteAt(uint64_t offset, const void* buf, size_t n) = 0;
  virtual int Size(uint64_t* size) = 0;
  virtual int Truncate(uint64_t size) = 0;
  // Makes everything written so far durable.
  virtual int Sync() = 0;
  // Closes the file and reports a failure; the destructor closes silently.
  virtual int Close() = 0;
};

enum class OpenMode {
  kRead,       // existing file, read only
  kReadWrite,  // existing file, read and write
  kCreate,     // create or truncate, read and write
  kAppend,     // create when missing, writes go to the end
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual int Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) = 0;
  virtual int Remove(const std::string& path) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Free bytes available to this user on the file system holding `path`.
  virtual int FreeSpace(const std::string& path, double* bytes) = 0;
  // Makes a rename or creation inside the directory holding `path` durable.
  virtual int SyncDirectoryOf(const std::string& path) = 0;
};

// The operating system's file system.
FileSystem& PosixFileSystem();

// Reads a whole file into `data`.
int ReadWholeFile(FileSystem& fs, const std::string& path, std::string* data);

// Replaces `path` by `data` so that a failure at any point leaves either the
// old file or the new one: write a temporary file beside it, sync, rename.
int ReplaceFileAtomically(FileSystem& fs, const std::string& path, std::string_view data);

// The directory part of `path` ("." when it has none); both '/' and '\'
// separate directories.
std::string DirectoryOf(const std::string& path);

}  // namespace tessary::platform
