// File systems for tests of durability.
//
// CrashFileSystem wraps another file system and keeps every write and
// truncation in memory, per file, until the file is synced; reads see them.
// Crash() drops what was not synced, so the files on disk show only synced
// data, and makes every later call fail with EIO, as if the process had died.
// A sync hands the kept changes to the wrapped file without syncing it: the
// crash simulated is the in-process one. A rename is done at once but stays
// pending until the directory is synced (SyncDirectoryOf); a crash undoes
// pending renames, newest first, as a file system may lose a rename whose
// directory never reached the disk. Renames over an existing file are taken
// as durable.
//
// NoSyncFileSystem passes everything through but makes syncs do nothing, for
// long tests that do not check durability.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"

namespace tessary::testing {

class CrashFileSystem : public platform::FileSystem {
 public:
  explicit CrashFileSystem(platform::FileSystem& base) : base_(base) {}

  // Crashes just before the call numbered `call` (calls are counted from 1,
  // file-system and file calls alike); that call and every later one fail.
  // With `keep_some`, the crash is CrashKeepingSome(seed).
  void CrashAtCall(int64_t call, bool keep_some = false, uint32_t seed = 0) {
    crash_at_ = call;
    keep_some_ = keep_some;
    seed_ = seed;
  }
  // Crashes just before the durability point numbered `point` (counted from
  // 1): every file sync, directory sync and rename is one.
  void CrashAtPoint(int64_t point, bool keep_some = false, uint32_t seed = 0) {
    crash_at_point_ = point;
    keep_some_ = keep_some;
    seed_ = seed;
  }
  // Durability points passed so far.
  int64_t points() const { return points_; }
  // Drops every unsynced change and undoes the pending renames now.
  void Crash();
  // Crashes, but first lets each unsynced write reach the file with a chance
  // of one half (whole, or cut short at a 512-byte sector boundary of the
  // file), in order, as a kernel may have written some of its cached pages
  // back before the crash.
  void CrashKeepingSome(uint32_t seed);
  bool crashed() const { return crashed_; }
  // Calls counted so far.
  int64_t calls() const { return calls_; }

  int Open(const std::string& path, platform::OpenMode mode,
           std::unique_ptr<platform::File>* file) override;
  int Remove(const std::string& path) override;
  int Rename(const std::string& from, const std::string& to) override;
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  int FreeSpace(const std::string& path, double* bytes) override;
  int SyncDirectoryOf(const std::string& path) override;

  // Unsynced changes of one file, in the order they were made.
  struct Change {
    bool truncate = false;
    uint64_t offset = 0;  // the new size for a truncation
    std::string data;
  };
  struct FileState {
    std::vector<Change> changes;
  };

 private:
  friend class CrashFile;
  // Counts a call; true when it must fail because the process has crashed.
  bool Dead();
  // Counts a durability point, then the call.
  bool DeadAtPoint();
  std::shared_ptr<FileState> StateOf(const std::string& path);

  platform::FileSystem& base_;
  std::map<std::string, std::shared_ptr<FileState>> states_;
  int64_t calls_ = 0;
  int64_t crash_at_ = 0;
  int64_t points_ = 0;
  int64_t crash_at_point_ = 0;
  std::vector<std::pair<std::string, std::string>> pending_renames_;
  bool keep_some_ = false;
  uint32_t seed_ = 0;
  bool crashed_ = false;
};

class NoSyncFileSystem : public platform::FileSystem {
 public:
  explicit NoSyncFileSystem(platform::FileSystem& base) : base_(base) {}
  int Open(const std::string& path, platform::OpenMode mode,
           std::unique_ptr<platform::File>* file) override;
  int Remove(const std::string& path) override { return base_.Remove(path); }
  int Rename(const std::string& from, const std::string& to) override {
    return base_.Rename(from, to);
  }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  int FreeSpace(const std::string& path, double* bytes) override {
    return base_.FreeSpace(path, bytes);
  }
  int SyncDirectoryOf(const std::string&) override { return 0; }

 private:
  platform::FileSystem& base_;
};

}  // namespace tessary::testing
