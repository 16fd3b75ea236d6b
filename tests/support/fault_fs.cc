#include "support/fault_fs.h"

namespace tessary::testing {

class FaultFile final : public platform::File {
 public:
  FaultFile(FaultFileSystem& fs, std::string path, std::unique_ptr<platform::File> base)
      : fs_(fs), path_(std::move(path)), base_(std::move(base)) {}

  platform::IoResult ReadAt(uint64_t offset, void* buf, size_t n) override {
    if (int rc = fs_.Check(FaultFileSystem::Call::kReadAt, path_)) return {0, rc};
    if (fs_.short_read && fs_.short_read(path_, offset)) return {0, 0};
    return base_->ReadAt(offset, buf, n);
  }

  platform::IoResult WriteAt(uint64_t offset, const void* buf, size_t n) override {
    if (int rc = fs_.Check(FaultFileSystem::Call::kWriteAt, path_)) return {0, rc};
    int error = 0;
    size_t allowed = fs_.AllowWrite(path_, n, &error);
    platform::IoResult result;
    if (allowed > 0) result = base_->WriteAt(offset, buf, allowed);
    if (result.error == 0 && error != 0) result.error = error;
    return result;
  }

  int Size(uint64_t* size) override {
    if (int rc = fs_.Check(FaultFileSystem::Call::kSize, path_)) return rc;
    return base_->Size(size);
  }

  int Truncate(uint64_t size) override {
    if (int rc = fs_.Check(FaultFileSystem::Call::kTruncate, path_)) return rc;
    return base_->Truncate(size);
  }

  int Sync() override {
    if (int rc = fs_.Check(FaultFileSystem::Call::kSync, path_)) return rc;
    return base_->Sync();
  }

  // A failed close still closes the wrapped file, as close(2) does.
  int Close() override {
    int rc = fs_.Check(FaultFileSystem::Call::kClose, path_);
    int base_rc = base_->Close();
    return rc != 0 ? rc : base_rc;
  }

 private:
  FaultFileSystem& fs_;
  std::string path_;
  std::unique_ptr<platform::File> base_;
};

void FaultFileSystem::FailCall(Call kind, int error, int skip, int count) {
  rules_[Index(kind)] = Rule{error, skip, count};
}

void FaultFileSystem::FailWritesAfter(uint64_t bytes, int error) {
  write_budget_set_ = true;
  write_budget_ = bytes;
  write_budget_error_ = error;
}

void FaultFileSystem::Clear() {
  rules_ = {};
  write_budget_set_ = false;
  short_read = nullptr;
  free_space = -1;
  path_fragment_.clear();
}

int FaultFileSystem::Check(Call kind, const std::string& path) {
  ++calls_[Index(kind)];
  if (!path_fragment_.empty() && path.find(path_fragment_) == std::string::npos) return 0;
  Rule& rule = rules_[Index(kind)];
  if (rule.count == 0) return 0;
  if (rule.skip > 0) {
    --rule.skip;
    return 0;
  }
  if (rule.count > 0) --rule.count;
  ++injected_;
  return rule.error;
}

size_t FaultFileSystem::AllowWrite(const std::string& path, size_t n, int* error) {
  *error = 0;
  if (!write_budget_set_) return n;
  if (!path_fragment_.empty() && path.find(path_fragment_) == std::string::npos) return n;
  if (n <= write_budget_) {
    write_budget_ -= n;
    return n;
  }
  size_t allowed = static_cast<size_t>(write_budget_);
  write_budget_ = 0;
  *error = write_budget_error_;
  ++injected_;
  return allowed;
}

int FaultFileSystem::Open(const std::string& path, platform::OpenMode mode,
                          std::unique_ptr<platform::File>* file) {
  if (int rc = Check(Call::kOpen, path)) return rc;
  std::unique_ptr<platform::File> base;
  if (int rc = base_.Open(path, mode, &base)) return rc;
  *file = std::make_unique<FaultFile>(*this, path, std::move(base));
  return 0;
}

int FaultFileSystem::Remove(const std::string& path) {
  if (int rc = Check(Call::kRemove, path)) return rc;
  return base_.Remove(path);
}

int FaultFileSystem::Rename(const std::string& from, const std::string& to) {
  if (int rc = Check(Call::kRename, from)) return rc;
  return base_.Rename(from, to);
}

int FaultFileSystem::FreeSpace(const std::string& path, double* bytes) {
  if (int rc = Check(Call::kFreeSpace, path)) return rc;
  if (free_space >= 0) {
    *bytes = free_space;
    return 0;
  }
  return base_.FreeSpace(path, bytes);
}

int FaultFileSystem::SyncDirectoryOf(const std::string& path) {
  if (int rc = Check(Call::kSyncDirectory, path)) return rc;
  return base_.SyncDirectoryOf(path);
}

}  // namespace tessary::testing
