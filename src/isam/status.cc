#include "isam/status.h"

#include <errno.h>

namespace tessary::isam {

void Status::Set(int error, int os_error) {
  ok_ = error == 0;
  error_ = error;
  os_error_ = error == 0 ? 0 : os_error;
}

bool Status::Fail(int error) {
  if (ok_) {
    ok_ = false;
    error_ = error;
  }
  return false;
}

bool Status::FailOs(OsAction action, int os_error) {
  if (ok_) os_error_ = os_error;
  return Fail(MapOsError(action, os_error));
}

bool Status::ReadFailed(const platform::IoResult& r) {
  if (r.error != 0 && r.error != EIO) return FailOs(OsAction::kIo, r.error);
  if (ok_) os_error_ = r.error;
  return Fail(kErrRead);
}

bool Status::WriteFailed(const platform::IoResult& r) {
  if (ok_) os_error_ = r.error;
  if (r.error == EBADF) return Fail(kErrInvalidHandle);
  return Fail(kErrWrite);
}

bool Status::ReadAt(platform::File& file, uint64_t offset, void* buf, size_t n) {
  platform::IoResult r = file.ReadAt(offset, buf, n);
  return r.bytes == n || ReadFailed(r);
}

bool Status::WriteAt(platform::File& file, uint64_t offset, const void* buf, size_t n) {
  platform::IoResult r = file.WriteAt(offset, buf, n);
  return (r.bytes == n && r.error == 0) || WriteFailed(r);
}

bool Status::Sync(platform::File& file) {
  if (int rc = file.Sync()) return FailOs(OsAction::kIo, rc);
  return true;
}

}  // namespace tessary::isam
