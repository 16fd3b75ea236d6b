// A file system for tests that wraps another one and injects failures: the Nth
// call of one kind fails with a chosen errno, writes stop after a budget of
// bytes with a short write, reads chosen by path and offset come back short,
// or the free space is a chosen figure. Everything else passes through to the
// wrapped file system, so the files on disk show exactly what got written.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/file.h"

namespace tessary::testing {

class FaultFileSystem : public platform::FileSystem {
 public:
  enum class Call {
    kOpen,
    kReadAt,
    kWriteAt,
    kSize,
    kTruncate,
    kSync,
    kClose,
    kRemove,
    kRename,
    kFreeSpace,
    kSyncDirectory,
  };
  static constexpr int kCallKinds = 11;

  explicit FaultFileSystem(platform::FileSystem& base) : base_(base) {}

  // Fails calls of `kind`: lets `skip` more of them through, then fails the
  // next `count` (every later one when `count` is negative) with `error`.
  // Replaces an earlier rule for the same kind.
  void FailCall(Call kind, int error, int skip = 0, int count = 1);

  // Lets writes put `bytes` more bytes into files in total; the write that
  // crosses the budget writes up to it and reports `error` (a short write),
  // later writes fail without writing.
  void FailWritesAfter(uint64_t bytes, int error);

  // Restricts the injected failures to paths containing `fragment` (empty:
  // every path). Calls on other paths still count.
  void OnlyPathsContaining(std::string fragment) { path_fragment_ = std::move(fragment); }

  // Removes every rule and the write budget.
  void Clear();

  // Reads for which this returns true read nothing (a short read, no errno).
  std::function<bool(const std::string& path, uint64_t offset)> short_read;
  // Free space reported instead of the real one when not negative.
  double free_space = -1;

  // Calls of `kind` seen so far, failed or not.
  int calls(Call kind) const { return calls_[Index(kind)]; }
  // Failures injected so far.
  int injected() const { return injected_; }

  int Open(const std::string& path, platform::OpenMode mode,
           std::unique_ptr<platform::File>* file) override;
  int Remove(const std::string& path) override;
  int Rename(const std::string& from, const std::string& to) override;
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  int FreeSpace(const std::string& path, double* bytes) override;
  int SyncDirectoryOf(const std::string& path) override;

 private:
  friend class FaultFile;

  struct Rule {
    int error = 0;
    int skip = 0;
    int count = 0;  // failures left; negative: unlimited
  };

  static int Index(Call kind) { return static_cast<int>(kind); }
  // Counts the call and gives the errno to inject, 0 for none.
  int Check(Call kind, const std::string& path);
  // How many of `n` bytes a write on `path` may write, and the errno to report.
  size_t AllowWrite(const std::string& path, size_t n, int* error);

  platform::FileSystem& base_;
  std::array<Rule, kCallKinds> rules_{};
  std::array<int, kCallKinds> calls_{};
  bool write_budget_set_ = false;
  uint64_t write_budget_ = 0;
  int write_budget_error_ = 0;
  std::string path_fragment_;
  int injected_ = 0;
};

}  // namespace tessary::testing
