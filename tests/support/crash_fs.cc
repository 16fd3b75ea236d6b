#include "support/crash_fs.h"

#include <errno.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace tessary::testing {

class CrashFile final : public platform::File {
 public:
  CrashFile(CrashFileSystem& fs, std::shared_ptr<CrashFileSystem::FileState> state,
            std::unique_ptr<platform::File> base)
      : fs_(fs), state_(std::move(state)), base_(std::move(base)) {}

  platform::IoResult ReadAt(uint64_t offset, void* buf, size_t n) override {
    if (fs_.Dead()) return {0, EIO};
    uint64_t size = 0;
    if (int rc = base_->Size(&size)) return {0, rc};
    // The window starts as the file on disk (zeros past its end), then each
    // kept change is replayed over it in order.
    std::string window(n, '\0');
    if (offset < size) {
      platform::IoResult r = base_->ReadAt(
          offset, window.data(), static_cast<size_t>(std::min<uint64_t>(n, size - offset)));
      if (r.error != 0) return {0, r.error};
    }
    for (const auto& change : state_->changes) {
      if (change.truncate) {
        if (change.offset < offset + n && change.offset < size) {
          uint64_t from = std::max(change.offset, offset);
          std::fill(window.begin() + static_cast<ptrdiff_t>(from - offset), window.end(), '\0');
        }
        size = change.offset;
        continue;
      }
      uint64_t end = change.offset + change.data.size();
      uint64_t from = std::max(change.offset, offset);
      uint64_t to = std::min(end, offset + n);
      if (from < to) {
        std::memcpy(window.data() + (from - offset), change.data.data() + (from - change.offset),
                    static_cast<size_t>(to - from));
      }
      size = std::max(size, end);
    }
    size_t got = offset >= size ? 0 : static_cast<size_t>(std::min<uint64_t>(n, size - offset));
    std::memcpy(buf, window.data(), got);
    return {got, 0};
  }

  platform::IoResult WriteAt(uint64_t offset, const void* buf, size_t n) override {
    if (fs_.Dead()) return {0, EIO};
    state_->changes.push_back({false, offset, std::string(static_cast<const char*>(buf), n)});
    return {n, 0};
  }

  int Size(uint64_t* size) override {
    if (fs_.Dead()) return EIO;
    if (int rc = base_->Size(size)) return rc;
    for (const auto& change : state_->changes) {
      *size = change.truncate ? change.offset
                              : std::max<uint64_t>(*size, change.offset + change.data.size());
    }
    return 0;
  }

  int Truncate(uint64_t size) override {
    if (fs_.Dead()) return EIO;
    state_->changes.push_back({true, size, {}});
    return 0;
  }

  int Sync() override {
    if (fs_.DeadAtPoint()) return EIO;
    for (const auto& change : state_->changes) {
      if (change.truncate) {
        if (int rc = base_->Truncate(change.offset)) return rc;
      } else {
        platform::IoResult r =
            base_->WriteAt(change.offset, change.data.data(), change.data.size());
        if (r.error != 0) return r.error;
      }
    }
    state_->changes.clear();
    return 0;
  }

  int Close() override {
    bool dead = fs_.Dead();
    int rc = base_->Close();
    return dead ? EIO : rc;
  }

 private:
  CrashFileSystem& fs_;
  std::shared_ptr<CrashFileSystem::FileState> state_;
  std::unique_ptr<platform::File> base_;
};

bool CrashFileSystem::Dead() {
  ++calls_;
  if (!crashed_ && crash_at_ > 0 && calls_ >= crash_at_)
    keep_some_ ? CrashKeepingSome(seed_) : Crash();
  return crashed_;
}

bool CrashFileSystem::DeadAtPoint() {
  ++points_;
  if (!crashed_ && crash_at_point_ > 0 && points_ >= crash_at_point_) {
    keep_some_ ? CrashKeepingSome(seed_) : Crash();
  }
  return Dead();
}

std::shared_ptr<CrashFileSystem::FileState> CrashFileSystem::StateOf(const std::string& path) {
  auto& state = states_[path];
  if (!state) state = std::make_shared<FileState>();
  return state;
}

void CrashFileSystem::Crash() {
  for (auto& [path, state] : states_) state->changes.clear();
  for (auto it = pending_renames_.rbegin(); it != pending_renames_.rend(); ++it) {
    if (base_.Exists(it->second) && !base_.Exists(it->first)) base_.Rename(it->second, it->first);
  }
  pending_renames_.clear();
  crashed_ = true;
}

void CrashFileSystem::CrashKeepingSome(uint32_t seed) {
  std::mt19937 rng(seed);
  for (auto& [path, state] : states_) {
    std::unique_ptr<platform::File> file;
    if (state->changes.empty() || base_.Open(path, platform::OpenMode::kReadWrite, &file) != 0) {
      continue;
    }
    for (const auto& change : state->changes) {
      if (rng() % 2 == 0) continue;
      if (change.truncate) {
        file->Truncate(change.offset);
      } else {
        size_t n = change.data.size();
        if (rng() % 4 == 0) {
          // Cut short at a sector boundary of the file: disks write whole
          // 512-byte sectors, so a torn write loses whole sectors.
          const uint64_t end = change.offset + rng() % (n + 1);
          n = static_cast<size_t>(std::max(end - end % 512, change.offset) - change.offset);
        }
        file->WriteAt(change.offset, change.data.data(), n);
      }
    }
    file->Close();
  }
  Crash();
}

int CrashFileSystem::Open(const std::string& path, platform::OpenMode mode,
                          std::unique_ptr<platform::File>* file) {
  if (Dead()) return EIO;
  std::unique_ptr<platform::File> base;
  if (int rc = base_.Open(path, mode, &base)) return rc;
  auto state = StateOf(path);
  // Creation truncates the file on disk at once; earlier unsynced changes go.
  if (mode == platform::OpenMode::kCreate) state->changes.clear();
  *file = std::make_unique<CrashFile>(*this, std::move(state), std::move(base));
  return 0;
}

int CrashFileSystem::Remove(const std::string& path) {
  if (Dead()) return EIO;
  int rc = base_.Remove(path);
  if (rc == 0) {
    auto it = states_.find(path);
    if (it != states_.end()) {
      it->second->changes.clear();
      states_.erase(it);
    }
  }
  return rc;
}

int CrashFileSystem::Rename(const std::string& from, const std::string& to) {
  if (DeadAtPoint()) return EIO;
  const bool replaces = base_.Exists(to);
  int rc = base_.Rename(from, to);
  if (rc == 0 && !replaces) pending_renames_.emplace_back(from, to);
  if (rc == 0) {
    auto it = states_.find(from);
    auto moved = it == states_.end() ? std::make_shared<FileState>() : it->second;
    if (it != states_.end()) states_.erase(it);
    states_[to] = moved;
  }
  return rc;
}

int CrashFileSystem::FreeSpace(const std::string& path, double* bytes) {
  if (Dead()) return EIO;
  return base_.FreeSpace(path, bytes);
}

int CrashFileSystem::SyncDirectoryOf(const std::string&) {
  if (DeadAtPoint()) return EIO;
  pending_renames_.clear();
  return 0;
}

namespace {

class NoSyncFile final : public platform::File {
 public:
  explicit NoSyncFile(std::unique_ptr<platform::File> base) : base_(std::move(base)) {}
  platform::IoResult ReadAt(uint64_t offset, void* buf, size_t n) override {
    return base_->ReadAt(offset, buf, n);
  }
  platform::IoResult WriteAt(uint64_t offset, const void* buf, size_t n) override {
    return base_->WriteAt(offset, buf, n);
  }
  int Size(uint64_t* size) override { return base_->Size(size); }
  int Truncate(uint64_t size) override { return base_->Truncate(size); }
  int Sync() override { return 0; }
  int Close() override { return base_->Close(); }

 private:
  std::unique_ptr<platform::File> base_;
};

}  // namespace

int NoSyncFileSystem::Open(const std::string& path, platform::OpenMode mode,
                           std::unique_ptr<platform::File>* file) {
  std::unique_ptr<platform::File> base;
  if (int rc = base_.Open(path, mode, &base)) return rc;
  *file = std::make_unique<NoSyncFile>(std::move(base));
  return 0;
}

}  // namespace tessary::testing
