#include "isam/engine.h"

#include <errno.h>

#include <algorithm>
#include <climits>
#include <new>

#include "isam/fileblock.h"
#include "isam/var_records.h"

namespace tessary::isam {

// Marks the Fileblock damaged when the changing operation it spans fails
// part-way.
class Engine::ChangeScope {
 public:
  ChangeScope(Engine* engine, Fileblock* fb) : engine_(engine), fb_(fb) {}
  ~ChangeScope() { engine_->NoteFailure(fb_); }
  ChangeScope(const ChangeScope&) = delete;
  ChangeScope& operator=(const ChangeScope&) = delete;

 private:
  Engine* engine_;
  Fileblock* fb_;
};

Engine::Engine(platform::FileSystem& fs) : fs_(fs) {}

Engine::~Engine() {
  if (initialised_) ExitEngine();
}

// ---- Status protocol ------------------------------------------------------

bool Engine::Begin() {
  status_.Reset();
  if (!initialised_) return status_.Fail(kErrNotInitialised);
  return true;
}

std::list<std::unique_ptr<Fileblock>>::iterator Engine::Find(Fileblock* fb) {
  return std::find_if(open_.begin(), open_.end(),
                      [fb](const auto& open) { return open.get() == fb; });
}

// The handle is looked up before it is touched, so a stale one is harmless.
bool Engine::Check(Fileblock* fb) {
  if (!Begin()) return false;
  if (Find(fb) == open_.end() || fb->mark != Fileblock::kValidMark) {
    return status_.Fail(kErrInvalidFileblock);
  }
  return true;
}

bool Engine::CheckWritable(Fileblock* fb) {
  if (!Check(fb)) return false;
  if (fb->read_only) return status_.Fail(kErrReadOnly);
  return true;
}

bool Engine::CheckKey(Fileblock* fb, int key) {
  if (key < 1 || key > fb->key_count()) return status_.Fail(kErrInvalidKeyNumber);
  return true;
}

// A ref must name a slot: below 1 gives `below_one`, beyond SlotCount
// `above_count`.
bool Engine::CheckRef(Fileblock* fb, int32_t ref, int below_one, int above_count) {
  if (ref < 1) return status_.Fail(below_one);
  if (above_count != 0 && ref > fb->data->slot_count()) return status_.Fail(above_count);
  return true;
}

void Engine::NoteFailure(Fileblock* fb) {
  if (status_.ok() || ErrorClassOf(status_.error()) < ErrorClass::kSaveModeIo) return;
  fb->damaged = true;
  Status::Aside aside(status_);
  fb->data->MarkChanged();  // best effort: a torn rewrite in place must be flagged too
}

// ---- Engine ---------------------------------------------------------------

void Engine::InitEngine(int page_buffers) {
  status_.Reset();
  if (initialised_) {
    status_.Fail(kErrAlreadyInitialised);
    return;
  }
  if (page_buffers < kMaxHeight) {
    status_.Fail(kErrTooFewBuffersRequested);
    return;
  }
  try {
    cache_ = std::make_unique<PageCache>(static_cast<size_t>(page_buffers));
  } catch (const std::bad_alloc&) {
    status_.Fail(kErrTooFewBuffers);
    return;
  }
  initialised_ = true;
}

void Engine::ExitEngine() {
  if (!Begin()) return;
  int first_error = 0;
  while (!open_.empty()) {
    Fileblock* fb = open_.front().get();
    CloseFileblock(fb);
    if (!status_.ok() && first_error == 0) first_error = status_.error();
    // A Fileblock that cannot be closed cleanly is dropped as it is; its
    // InUse byte stays set so the next open asks for a rebuild. (A close that
    // failed only at closing the files has removed it already.)
    if (!status_.ok() && !open_.empty() && open_.front().get() == fb) Abandon(fb);
  }
  status_.Reset();
  if (first_error != 0) {
    status_.Fail(first_error);
    return;
  }
  cache_.reset();
  ReleaseVarBuffer();
  initialised_ = false;
}

// ---- Fileblocks -----------------------------------------------------------

void Engine::MakeFileblock(const std::string& path, int record_length, int key_count,
                           std::span<const KeyDef> keys) {
  if (!Begin()) return;
  FileblockNames names;
  if (int rc = DeriveNames(path, &names)) {
    status_.Fail(rc);
    return;
  }
  files_.Make(names, record_length, key_count, keys);
}

Fileblock* Engine::Register(std::unique_ptr<Fileblock> fb) {
  if (fb == nullptr) return nullptr;
  open_.push_back(std::move(fb));
  return open_.back().get();
}

Fileblock* Engine::OpenFileblock(const std::string& path, Access access) {
  if (!Begin()) return nullptr;
  return Register(files_.Open(path, access, *cache_));
}

void Engine::CloseFileblock(Fileblock* fb) {
  if (!Begin()) return;
  auto it = Find(fb);
  if (it == open_.end()) {
    status_.Fail(kErrNotOpen);
    return;
  }
  if (!files_.Flush(*fb, *cache_)) return;
  const bool closed = files_.CloseFiles(*fb, *cache_);
  open_.erase(it);
  if (!closed) status_.Fail(kErrCloseFailed);
}

void Engine::Abandon(Fileblock* fb) {
  auto it = Find(fb);
  if (it == open_.end()) return;
  Status::Aside aside(status_);
  if (!fb->read_only) fb->data->MarkChanged();
  files_.CloseFiles(*fb, *cache_);
  open_.erase(it);
}

FileblockInfo Engine::Describe(Fileblock* fb) {
  FileblockInfo info;
  if (!Check(fb)) return info;
  info.data = fb->data->header();
  info.row_bytes = fb->index.row_bytes;
  for (int k = 1; k <= fb->key_count(); ++k) {
    info.keys.push_back(fb->tree(k).header());
    info.key_lengths.push_back(fb->tree(k).key_len());
  }
  return info;
}

// ---- Record slots ---------------------------------------------------------

int32_t Engine::AddSlot(Fileblock* fb, const void* record) {
  if (!CheckWritable(fb)) return 0;
  ChangeScope scope(this, fb);
  return fb->data->Add(static_cast<const uint8_t*>(record));
}

void Engine::GetSlot(Fileblock* fb, int32_t ref, void* buffer) {
  if (Check(fb) && CheckRef(fb, ref, kErrPutSlotZero, 0)) {
    fb->data->Read(ref, static_cast<uint8_t*>(buffer));
  }
}

void Engine::PutSlot(Fileblock* fb, int32_t ref, const void* record) {
  if (!CheckWritable(fb)) return;
  ChangeScope scope(this, fb);
  if (CheckRef(fb, ref, kErrPutSlotZero, 0)) {
    fb->data->Write(ref, static_cast<const uint8_t*>(record));
  }
}

void Engine::DeleteSlot(Fileblock* fb, int32_t ref) {
  if (!CheckWritable(fb)) return;
  ChangeScope scope(this, fb);
  if (CheckRef(fb, ref, kErrDeleteSlotZero, kErrDeleteSlotZero)) fb->data->Free(ref);
}

int32_t Engine::UsedSlots(Fileblock* fb) {
  if (!Check(fb)) return 0;
  return fb->data->header().slot_count - fb->data->header().free_count;
}

int32_t Engine::FreeSlots(Fileblock* fb) {
  if (!Check(fb)) return 0;
  return fb->data->header().free_count;
}

int32_t Engine::FileLength(Fileblock* fb) {
  if (!Check(fb)) return 0;
  return fb->data->slot_count() + 1;
}

int32_t Engine::SeekUsedSlot(Fileblock* fb, int32_t ref, int direction) {
  if (!Check(fb)) return 0;
  return fb->data->SeekUsed(ref, direction);
}

void Engine::NextUsedSlot(Fileblock* fb, int32_t& ref) {
  const int32_t found = SeekUsedSlot(fb, ref, 1);
  if (status_.ok()) ref = found;
}

void Engine::PrevUsedSlot(Fileblock* fb, int32_t& ref) {
  const int32_t found = SeekUsedSlot(fb, ref, -1);
  if (status_.ok()) ref = found;
}

int Engine::SlotToRelative(Fileblock* fb, int32_t ref, int scale) {
  if (!Check(fb)) return 0;
  if (scale <= 0) return status_.Fail(kErrRelativeScale);
  int64_t n = static_cast<int64_t>(fb->data->slot_count()) + 1;
  int64_t r = std::clamp<int64_t>(ref, 0, n);
  const int64_t product = (static_cast<int64_t>(scale) + 1) * r;
  if (product > INT32_MAX) {
    int excess = 0;
    while ((product >> excess) > INT32_MAX) ++excess;
    r >>= excess;
    n = std::max<int64_t>(n >> excess, 1);
  }
  return static_cast<int>((static_cast<int64_t>(scale) + 1) * r / n);
}

int32_t Engine::RelativeToSlot(Fileblock* fb, int position, int scale) {
  if (!Check(fb)) return 0;
  if (scale <= 0 || position < 0 || position > scale) return status_.Fail(kErrRelativePosition);
  const int64_t n = static_cast<int64_t>(fb->data->slot_count()) + 1;
  const int64_t q = n / (scale + 1);
  const int64_t base = static_cast<int64_t>(position) * n > INT32_MAX
                           ? q * position
                           : static_cast<int64_t>(position) * n / (scale + 1);
  return static_cast<int32_t>(base + q - q / 2);
}

// ---- Variable-length records ----------------------------------------------

bool Engine::SetVarBuffer(size_t size) {
  status_.Reset();
  try {
    if (var_buffer_.size() < size) var_buffer_.resize(size);
  } catch (const std::bad_alloc&) {
    return status_.Fail(kErrNoMemoryVarBuffer);
  }
  return true;
}

void Engine::ReleaseVarBuffer() {
  var_buffer_.clear();
  var_buffer_.shrink_to_fit();
}

int32_t Engine::AddVarRecord(Fileblock* fb, const void* bytes, size_t length) {
  if (!CheckWritable(fb)) return 0;
  ChangeScope scope(this, fb);
  if (length > kMaxVarRecord) return status_.Fail(kErrRecordOver64K);
  if (!SetVarBuffer(static_cast<size_t>(fb->data->record_length()))) return 0;
  return VarRecords(status_, *fb->data, var_buffer_)
      .Add(std::string_view(static_cast<const char*>(bytes), length));
}

void Engine::GetVarRecord(Fileblock* fb, int32_t ref, void* buffer, size_t& length) {
  const size_t size = std::min(length, kMaxVarRecord);
  length = 0;
  if (!Check(fb) || !CheckRef(fb, ref, kErrPutSlotZero, kErrRead)) return;
  if (!SetVarBuffer(static_cast<size_t>(fb->data->record_length()))) return;
  length =
      VarRecords(status_, *fb->data, var_buffer_).Get(ref, static_cast<uint8_t*>(buffer), size);
}

void Engine::PutVarRecord(Fileblock* fb, int32_t ref, const void* bytes, size_t length) {
  if (!CheckWritable(fb)) return;
  ChangeScope scope(this, fb);
  if (!CheckRef(fb, ref, kErrPutSlotZero, kErrDeleteSlotZero)) return;
  if (length > kMaxVarRecord) {
    status_.Fail(kErrRecordOver64K);
    return;
  }
  if (!SetVarBuffer(static_cast<size_t>(fb->data->record_length()))) return;
  VarRecords(status_, *fb->data, var_buffer_)
      .Put(ref, std::string_view(static_cast<const char*>(bytes), length));
}

void Engine::DeleteVarRecord(Fileblock* fb, int32_t ref) {
  if (!CheckWritable(fb)) return;
  ChangeScope scope(this, fb);
  if (CheckRef(fb, ref, kErrDeleteSlotZero, kErrDeleteSlotZero)) {
    VarRecords(status_, *fb->data, var_buffer_).Delete(ref);
  }
}

// ---- Keys -----------------------------------------------------------------

namespace {

std::string_view Cut(std::string_view text) {
  return text.substr(0, std::min<size_t>(text.size(), kMaxKeyLen));
}

}  // namespace

void Engine::AddKey(Fileblock* fb, int key, int32_t ref, std::string_view text) {
  if (!CheckWritable(fb) || !CheckKey(fb, key)) return;
  ChangeScope scope(this, fb);
  KeyTree& tree = fb->tree(key);
  const std::string_view cut = Cut(text);
  if (cut.size() > static_cast<size_t>(tree.key_len())) {
    status_.Fail(kErrKeyTooLong);
    return;
  }
  if (!fb->data->MarkChanged()) return;
  fb->cursor(key).Invalidate();
  tree.Insert(cut, ref);
}

void Engine::DeleteKey(Fileblock* fb, int key, int32_t ref, std::string_view text) {
  if (!CheckWritable(fb) || !CheckKey(fb, key)) return;
  ChangeScope scope(this, fb);
  if (!fb->data->MarkChanged()) return;
  fb->cursor(key).Invalidate();
  fb->tree(key).Remove(Cut(text), ref);
}

bool Engine::KeyExists(Fileblock* fb, int key, int32_t ref, std::string_view text) {
  if (!Check(fb) || !CheckKey(fb, key)) return false;
  KeyTree& tree = fb->tree(key);
  bool found = false;
  tree.Contains(Cut(text), ref, tree.duplicates() && ref != 0, &found);
  return found;
}

int32_t Engine::UsedKeys(Fileblock* fb, int key) {
  if (!Check(fb) || !CheckKey(fb, key)) return 0;
  return fb->tree(key).header().entry_count;
}

void Engine::ClearKey(Fileblock* fb, int key) {
  if (Check(fb) && CheckKey(fb, key)) fb->cursor(key).Clear();
}

void Engine::NextKey(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  if (Check(fb) && CheckKey(fb, key)) fb->cursor(key).Next(ref, text);
}

void Engine::PrevKey(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  if (Check(fb) && CheckKey(fb, key)) fb->cursor(key).Prev(ref, text);
}

void Engine::SearchKey(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  if (Check(fb) && CheckKey(fb, key)) fb->cursor(key).Search(ref, text);
}

void Engine::FindKeyAndRef(Fileblock* fb, int key, int32_t& ref, std::string& text, int direction) {
  if (Check(fb) && CheckKey(fb, key)) fb->cursor(key).Find(ref, text, direction);
}

void Engine::FindKeyAndRefOrLast(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  FindKeyAndRef(fb, key, ref, text, 1);
  if (status_.error() == kErrNoLargerKey) PrevKey(fb, key, ref, text);
}

int Engine::KeyToRelative(Fileblock* fb, int key, std::string_view text, int32_t ref, int scale) {
  if (!Check(fb) || !CheckKey(fb, key)) return 0;
  return fb->tree(key).ToRelative(Cut(text), ref, scale);
}

void Engine::RelativeToKey(Fileblock* fb, int key, int position, int scale, int32_t& ref,
                           std::string& text) {
  if (Check(fb) && CheckKey(fb, key)) fb->tree(key).FromRelative(position, scale, ref, text);
}

}  // namespace tessary::isam
