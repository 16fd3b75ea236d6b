// The outcome of the engine operation under way, shared by every part of the
// engine: EngineOk, EngineError and the errno of a failed system call. The
// first failure of an operation stands; later steps run only while ok().
#pragma once

#include <cstddef>
#include <cstdint>

#include "isam/errors.h"
#include "platform/file.h"

namespace tessary::isam {

class Status {
 public:
  bool ok() const { return ok_; }
  int error() const { return error_; }
  int os_error() const { return os_error_; }

  void Reset() { Set(0); }
  // Sets the status as given: 0 is success.
  void Set(int error, int os_error = 0);
  // Records `error` unless a failure stands already. Always false, so that a
  // failing step can `return status.Fail(...)`.
  bool Fail(int error);
  // A failed system call: the engine's number for it, keeping its errno.
  bool FailOs(OsAction action, int os_error);
  // Gives a failure that stands a more telling number.
  void Renumber(int error) {
    if (!ok_) error_ = error;
  }

  // Exact reads and writes. A read that delivers fewer bytes than asked is
  // 10070 unless the system named a more telling cause; a write that falls
  // short is 10075 (a full disk included) unless the handle itself was bad.
  bool ReadAt(platform::File& file, uint64_t offset, void* buf, size_t n);
  bool WriteAt(platform::File& file, uint64_t offset, const void* buf, size_t n);
  bool ReadFailed(const platform::IoResult& r);
  bool WriteFailed(const platform::IoResult& r);
  bool Sync(platform::File& file);

  // Puts the status aside while cleanup work runs with a fresh one, and back
  // when it goes out of scope: the cleanup's own failures are not reported.
  class Aside;

 private:
  bool ok_ = true;
  int error_ = 0;
  int os_error_ = 0;
};

class Status::Aside {
 public:
  explicit Aside(Status& status) : status_(status), saved_(status) { status.Reset(); }
  ~Aside() { status_ = saved_; }
  Aside(const Aside&) = delete;
  Aside& operator=(const Aside&) = delete;

 private:
  Status& status_;
  Status saved_;
};

}  // namespace tessary::isam
