#include "isam/engine.h"

#include <errno.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "isam/fileblock.h"

namespace tessary::isam {

using platform::IoResult;
using platform::OpenMode;

Engine::Engine(platform::FileSystem& fs) : fs_(fs) {}

Engine::~Engine() {
  if (initialised_) ExitEngine();
}

// ---- Status ---------------------------------------------------------------

bool Engine::Fail(int error) {
  if (ok_) {
    ok_ = false;
    error_ = error;
  }
  return false;
}

bool Engine::FailOs(OsAction action, int os_error) {
  if (ok_) os_error_ = os_error;
  return Fail(MapOsError(action, os_error));
}

void Engine::SetError(int error, int os_error) {
  ok_ = error == 0;
  error_ = error;
  os_error_ = error == 0 ? 0 : os_error;
}

bool Engine::Begin() {
  ResetStatus();
  if (!initialised_) return Fail(kErrNotInitialised);
  return true;
}

bool Engine::Check(Fileblock* fb) {
  if (!Begin()) return false;
  // The handle is looked up before it is touched, so a stale one is harmless.
  for (const auto& open : open_) {
    if (open.get() == fb) return fb->mark == Fileblock::kValidMark || Fail(kErrInvalidFileblock);
  }
  return Fail(kErrInvalidFileblock);
}

bool Engine::CheckWritable(Fileblock* fb) {
  if (!Check(fb)) return false;
  if (fb->read_only) return Fail(kErrReadOnly);
  return true;
}

bool Engine::CheckKey(Fileblock* fb, int key) {
  if (key < 1 || key > fb->key_count) return Fail(kErrInvalidKeyNumber);
  return true;
}

// A read that delivers fewer bytes than asked is 10070 unless the system
// named a more telling cause; a write that falls short is always 10075 (a full
// disk included) unless the handle itself was bad.
bool Engine::ReadFail(const IoResult& r) {
  if (r.error != 0 && r.error != EIO) return FailOs(OsAction::kIo, r.error);
  if (ok_) os_error_ = r.error;
  return Fail(kErrRead);
}

bool Engine::WriteFail(const IoResult& r) {
  if (ok_) os_error_ = r.error;
  if (r.error == EBADF) return Fail(kErrInvalidHandle);
  return Fail(kErrWrite);
}

bool Engine::ReadAt(platform::File& file, uint64_t offset, void* buf, size_t n) {
  IoResult r = file.ReadAt(offset, buf, n);
  if (r.bytes != n) return ReadFail(r);
  return true;
}

bool Engine::WriteAt(platform::File& file, uint64_t offset, const void* buf, size_t n) {
  if (&file == window_file_ || &file == last_read_file_) DropReadWindow();
  IoResult r = file.WriteAt(offset, buf, n);
  if (r.bytes != n || r.error != 0) return WriteFail(r);
  return true;
}

void Engine::DropReadWindow() {
  window_file_ = nullptr;
  window_.clear();
  last_read_file_ = nullptr;
  last_read_slot_ = 0;
}

namespace {

// A window of 512 slots of 512 bytes, starting a few slots before the slot
// asked for so that the continuation slots written just before a record's
// head are in it too. (A quarter of this size made a pass over 100,000
// records a third slower.)
constexpr uint64_t kWindowBytes = 256 * 1024;
constexpr int32_t kWindowSlotsBefore = 4;
// Reads at most this many slots further on than the last one count as
// sequential (deleted slots and continuations lie in between).
constexpr int32_t kSequentialGap = 16;

}  // namespace

bool Engine::ReadDataSlot(Fileblock* fb, int32_t slot, uint8_t* buf, size_t l) {
  platform::File* file = fb->data.get();
  const uint64_t at = static_cast<uint64_t>(slot) * l;
  if (file == window_file_ && at >= window_offset_ && at + l <= window_offset_ + window_.size()) {
    std::memcpy(buf, window_.data() + (at - window_offset_), l);
    last_read_slot_ = slot;
    return true;
  }
  const bool sequential =
      file == last_read_file_ && slot > last_read_slot_ && slot <= last_read_slot_ + kSequentialGap;
  last_read_file_ = file;
  last_read_slot_ = slot;
  if (sequential && l <= kWindowBytes / 4) {
    const int32_t first = std::max<int32_t>(1, slot - kWindowSlotsBefore);
    const uint64_t start = static_cast<uint64_t>(first) * l;
    const size_t size = static_cast<size_t>(kWindowBytes / l * l);
    window_.resize(size);
    IoResult r = file->ReadAt(start, window_.data(), size);
    if (r.error != 0) {
      window_file_ = nullptr;
      window_.clear();
      return ReadFail(r);
    }
    if (start + r.bytes >= at + l) {
      window_.resize(r.bytes);
      window_file_ = file;
      window_offset_ = start;
      std::memcpy(buf, window_.data() + (at - start), l);
      return true;
    }
    // The slot lies past the end of the file: the plain read below tells.
    window_file_ = nullptr;
    window_.clear();
  }
  return ReadAt(*file, at, buf, l);
}

void Engine::NoteFailure(Fileblock* fb) {
  if (ok_ || ErrorClassOf(error_) < 3) return;
  fb->damaged = true;
  const int error = error_;
  const int os_error = os_error_;
  ResetStatus();
  MarkChanged(fb);  // best effort: a torn rewrite in place must be flagged too
  SetError(error, os_error);
}

// ---- Engine ---------------------------------------------------------------

void Engine::InitEngine(int page_buffers) {
  ResetStatus();
  if (initialised_) {
    Fail(kErrAlreadyInitialised);
    return;
  }
  if (page_buffers < kMaxHeight) {
    Fail(kErrTooFewBuffersRequested);
    return;
  }
  try {
    cache_ = std::make_unique<PageCache>(static_cast<size_t>(page_buffers));
  } catch (const std::bad_alloc&) {
    Fail(kErrTooFewBuffers);
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
    if (!ok_ && first_error == 0) first_error = error_;
    // A close that failed only at closing the files has already removed the
    // Fileblock from the list.
    if (!ok_ && !open_.empty() && open_.front().get() == fb) {
      // A Fileblock that cannot be closed cleanly is dropped as it is; its
      // InUse byte stays set so the next open asks for a rebuild.
      cache_->Drop(fb);
      open_.pop_front();
    }
  }
  ResetStatus();
  if (first_error != 0) {
    Fail(first_error);
    return;
  }
  cache_.reset();
  var_buffer_.clear();
  var_buffer_.shrink_to_fit();
  initialised_ = false;
}

// ---- Fileblocks -----------------------------------------------------------

void Engine::MakeFileblock(const std::string& path, int record_length, int key_count,
                           std::span<const KeyDef> keys) {
  DropReadWindow();
  if (!Begin()) return;
  FileblockNames names;
  if (int rc = DeriveNames(path, &names)) {
    Fail(rc);
    return;
  }
  MakeFiles(names, record_length, key_count, keys);
}

bool Engine::MakeFiles(const FileblockNames& names, int record_length, int key_count,
                       std::span<const KeyDef> keys) {
  int error = 0;
  if (record_length < kMinRecordLength) error = kErrRecordLength;
  if (key_count < 0 || key_count > kMaxKeys) error = kErrKeyCount;
  if (error == 0 && static_cast<size_t>(key_count) > keys.size()) error = kErrKeyCount;
  if (error != 0) return Fail(error);
  fs_.Remove(names.index);
  fs_.Remove(names.journal);
  fs_.Remove(names.data);
  if (!MakeDataFile(names.data, record_length, key_count)) return false;
  if (key_count > 0 && !MakeIndexFile(names.index, key_count, keys)) {
    fs_.Remove(names.data);
    return false;
  }
  fs_.SyncDirectoryOf(names.data);
  return true;
}

// The data file is written under a temporary name and renamed into place, so
// a crash while creating never leaves a data file without its header.
bool Engine::MakeDataFile(const std::string& name, int record_length, int key_count) {
  const std::string temp = name + ".tmp";
  std::unique_ptr<platform::File> data;
  if (int rc = fs_.Open(temp, OpenMode::kCreate, &data)) return FailOs(OsAction::kCreate, rc);
  DataHeader header;
  header.record_length = record_length;
  header.key_count = key_count;
  uint8_t header_bytes[kDataHeaderSize];
  EncodeDataHeader(header, header_bytes);
  // The slot of zeros is made by extending the file, then the header written.
  if (int rc = data->Truncate(static_cast<uint64_t>(record_length))) {
    FailOs(OsAction::kIo, rc);
  } else if (WriteAt(*data, 0, header_bytes, sizeof header_bytes)) {
    if (int rc = data->Sync()) FailOs(OsAction::kIo, rc);
  }
  int close_rc = data->Close();
  if (ok_ && close_rc != 0) Fail(kErrCloseFailed);
  if (ok_) {
    if (int rc = fs_.Rename(temp, name)) FailOs(OsAction::kDeleteOrRename, rc);
  }
  if (!ok_) fs_.Remove(temp);
  return ok_;
}

// Creates (or replaces) an index file holding only the key headers; removed
// again when it cannot be written whole.
bool Engine::MakeIndexFile(const std::string& name, int key_count, std::span<const KeyDef> keys) {
  std::vector<std::pair<int64_t, KeyHeader>> headers;
  int64_t offset = 0;
  for (int k = 0; k < key_count; ++k) {
    if (keys[k].key_len < 1 || keys[k].key_len > kMaxKeyLen) return Fail(kErrKeyLenAtCreate);
    KeyHeader kh;
    kh.page_bytes = PageBytesFor(keys[k].key_len);
    kh.allow_duplicates = keys[k].allow_duplicates ? 1 : 0;
    headers.emplace_back(offset, kh);
    offset += kh.page_bytes;
  }
  std::unique_ptr<platform::File> index;
  if (int rc = fs_.Open(name, OpenMode::kCreate, &index)) return FailOs(OsAction::kCreate, rc);
  std::vector<uint8_t> row(static_cast<size_t>(offset), 0);
  for (const auto& [at, kh] : headers) EncodeKeyHeader(kh, row.data() + at);
  if (WriteAt(*index, 0, row.data(), row.size())) {
    if (int rc = index->Sync()) FailOs(OsAction::kIo, rc);
  }
  int rc = index->Close();
  if (ok_ && rc != 0) Fail(kErrCloseFailed);
  if (!ok_) fs_.Remove(name);
  return ok_;
}

Fileblock* Engine::OpenFileblock(const std::string& path, bool read_only, bool all_read_only,
                                 bool save_mode, bool net_mode) {
  DropReadWindow();
  (void)save_mode;  // save mode (a journal) is never used; an old journal is discarded
  (void)net_mode;
  if (!Begin()) return nullptr;
  return OpenFiles(path, read_only || all_read_only, false);
}

Fileblock* Engine::OpenFiles(const std::string& path, bool read_only, bool rebuilding) {
  auto fb = std::make_unique<Fileblock>();
  if (int rc = DeriveNames(path, &fb->names)) {
    Fail(rc);
    return nullptr;
  }
  fb->read_only = read_only;
  OpenMode mode = fb->read_only ? OpenMode::kRead : OpenMode::kReadWrite;

  if (int rc = fs_.Open(fb->names.data, mode, &fb->data)) {
    FailOs(OsAction::kOpen, rc);
    return nullptr;
  }
  uint8_t header_bytes[kDataHeaderSize];
  if (!ReadAt(*fb->data, 0, header_bytes, sizeof header_bytes)) return nullptr;
  fb->header = DecodeDataHeader(header_bytes);
  fb->key_count = fb->header.key_count & 0xFF;
  if (fb->key_count > kMaxKeys) {
    Fail(kErrTooManyKeys);
    return nullptr;
  }
  const DataHeader& h = fb->header;
  if (h.record_length < kMinRecordLength) {
    Fail(kErrRecordLength);
    return nullptr;
  }
  // Counts that no clean close can leave behind: the index cannot be trusted
  // and a rebuild repairs the data file.
  bool data_sound = h.slot_count >= 0 && h.free_count >= 0 && h.free_count <= h.slot_count &&
                    h.first_free >= -1 && h.first_free <= h.slot_count && h.first_free != 0 &&
                    (h.first_free == -1) == (h.free_count == 0);

  if (fb->key_count > 0) {
    if (int rc = fs_.Open(fb->names.index, mode, &fb->index)) {
      int error = MapOsError(OsAction::kOpen, rc);
      Fail(error == kErrTooManyOpenFiles ? error : kErrIndexDefect);
      return nullptr;
    }
    fb->keys.resize(static_cast<size_t>(fb->key_count) + 1);
    int64_t offset = 0;
    for (int k = 1; k <= fb->key_count; ++k) {
      KeyState& ks = fb->keys[k];
      uint8_t kh_bytes[kKeyHeaderSize];
      IoResult r = fb->index->ReadAt(static_cast<uint64_t>(offset), kh_bytes, sizeof kh_bytes);
      if (r.bytes != sizeof kh_bytes) {
        Fail(kErrIndexDefect);
        return nullptr;
      }
      ks.header = DecodeKeyHeader(kh_bytes);
      if (int rc = DeriveKeyLen(ks.header, &ks.key_len, &ks.page_size)) {
        Fail(rc);
        return nullptr;
      }
      ks.key_offset = offset;
      offset += ks.header.page_bytes;
      const KeyHeader& kh = ks.header;
      if (kh.page_count < 0 || kh.root_page < 0 || kh.root_page > kh.page_count ||
          kh.first_free_page < -1 || kh.first_free_page == 0 ||
          kh.first_free_page > kh.page_count || kh.free_page_count < 0 ||
          kh.free_page_count > kh.page_count || kh.entry_count < 0 ||
          (kh.root_page == 0) != (kh.entry_count == 0) ||
          kh.entry_count >
              static_cast<int64_t>(kh.page_count - kh.free_page_count) * kMaxPageSize) {
        data_sound = false;  // a tree cannot hold the entries it counts
      }
      fb->row_count = std::max(fb->row_count, kh.page_count);
    }
    fb->row_bytes = offset;
    if (!ValidateIndexSize(fb.get())) return nullptr;
  }
  // After a clean close the file holds exactly the slots its header counts:
  // fewer means lost slots, more a SlotCount that no longer reaches them all.
  uint64_t data_size = 0;
  if (fb->data->Size(&data_size) != 0 ||
      data_size != (static_cast<uint64_t>(std::max(h.slot_count, 0)) + 1) *
                       static_cast<uint64_t>(h.record_length)) {
    data_sound = false;
  }
  if (rebuilding) {
    fb->changed = fb->header.in_use != 0;  // set by the rebuild itself
  } else if (fb->header.in_use != 0 || !data_sound) {
    Fail(kErrIndexDefect);
    return nullptr;
  }
  Fileblock* handle = fb.get();
  open_.push_back(std::move(fb));
  if (!handle->read_only && fs_.Exists(handle->names.journal)) fs_.Remove(handle->names.journal);
  return handle;
}

// An index file shorter than the rows its key headers count has lost pages
// (a copy cut short, a full disk): it is repaired by reindexing.
bool Engine::ValidateIndexSize(Fileblock* fb) {
  uint64_t size = 0;
  if (int rc = fb->index->Size(&size)) return FailOs(OsAction::kIo, rc);
  const uint64_t needed =
      (static_cast<uint64_t>(fb->row_count) + 1) * static_cast<uint64_t>(fb->row_bytes);
  if (size < needed) return Fail(kErrIndexDefect);
  return true;
}

bool Engine::WriteHeaders(Fileblock* fb) {
  for (int k = 1; k <= fb->key_count; ++k) {
    KeyState& ks = fb->keys[k];
    if (!ks.header_changed) continue;
    uint8_t bytes[kKeyHeaderSize];
    EncodeKeyHeader(ks.header, bytes);
    if (!WriteAt(*fb->index, static_cast<uint64_t>(ks.key_offset), bytes, sizeof bytes)) {
      return false;
    }
    ks.header_changed = false;
  }
  uint8_t bytes[kDataHeaderSize];
  EncodeDataHeader(fb->header, bytes);
  if (!WriteAt(*fb->data, 0, bytes, sizeof bytes)) return false;
  fb->header_changed = false;
  return true;
}

// Writes the dirty pages and headers, makes both files durable, then clears
// InUse and makes that durable too: a crash at any point leaves InUse set.
bool Engine::FlushAndClose(Fileblock* fb) {
  if (fb->read_only || !fb->changed) return true;
  if (!cache_->Flush(fb, &Engine::WriteBuffer, this)) return false;
  if (!WriteHeaders(fb)) return false;
  if (fb->index) {
    if (int rc = fb->index->Sync()) return FailOs(OsAction::kIo, rc);
  }
  if (int rc = fb->data->Sync()) return FailOs(OsAction::kIo, rc);
  if (fb->damaged) return true;  // InUse stays set: the next open asks for a rebuild
  uint8_t clear = 0;
  if (!WriteAt(*fb->data, 20, &clear, 1)) return false;
  if (int rc = fb->data->Sync()) return FailOs(OsAction::kIo, rc);
  fb->header.in_use = 0;
  fb->changed = false;
  return true;
}

void Engine::CloseFileblock(Fileblock* fb) {
  if (!Begin()) return;
  auto it =
      std::find_if(open_.begin(), open_.end(), [fb](const auto& open) { return open.get() == fb; });
  if (it == open_.end()) {
    Fail(kErrNotOpen);
    return;
  }
  DropReadWindow();
  if (!FlushAndClose(fb)) return;
  cache_->Drop(fb);
  int rc = 0;
  if (fb->index) rc = fb->index->Close();
  int rc_data = fb->data->Close();
  fb->mark = 0;
  open_.erase(it);
  if (rc != 0 || rc_data != 0) Fail(kErrCloseFailed);
}

void Engine::DeleteFileblock(const std::string& path) {
  DropReadWindow();
  if (!Begin()) return;
  FileblockNames names;
  if (int rc = DeriveNames(path, &names)) {
    Fail(rc);
    return;
  }
  for (const std::string* name : {&names.index, &names.journal, &names.data}) {
    int rc = fs_.Remove(*name);
    if (rc != 0 && rc != ENOENT) FailOs(OsAction::kDeleteOrRename, rc);
  }
}

FileblockInfo Engine::Describe(Fileblock* fb) {
  FileblockInfo info;
  if (!Check(fb)) return info;
  info.data = fb->header;
  info.row_bytes = fb->row_bytes;
  for (int k = 1; k <= fb->key_count; ++k) {
    info.keys.push_back(fb->keys[k].header);
    info.key_lengths.push_back(fb->keys[k].key_len);
  }
  return info;
}

void Engine::LockFileblock(Fileblock* fb) { Check(fb); }
void Engine::UnlockFileblock(Fileblock* fb) { Check(fb); }
void Engine::LockRecord(Fileblock* fb, int32_t) { Check(fb); }
void Engine::UnlockRecord(Fileblock* fb, int32_t) { Check(fb); }

// ---- Record slots ---------------------------------------------------------

// Sets InUse on disk, durably, before the first change of this open.
bool Engine::MarkChanged(Fileblock* fb) {
  if (fb->changed) return true;
  uint8_t one = 1;
  if (!WriteAt(*fb->data, 20, &one, 1)) return false;
  if (int rc = fb->data->Sync()) return FailOs(OsAction::kIo, rc);
  fb->header.in_use = 1;
  fb->changed = true;
  return true;
}

bool Engine::AllocSlot(Fileblock* fb, int32_t* slot, int32_t* old_head) {
  DataHeader& h = fb->header;
  *old_head = h.first_free;
  if (h.first_free == -1) {
    if (h.slot_count == INT32_MAX) return Fail(kErrConsistency);
    *slot = ++h.slot_count;
    fb->header_changed = true;
    return true;
  }
  int32_t f = h.first_free;
  if (f <= 0 || f > h.slot_count) return Fail(kErrConsistency);
  uint8_t link_bytes[4];
  if (!ReadAt(*fb->data, static_cast<uint64_t>(f) * static_cast<uint64_t>(h.record_length),
              link_bytes, 4)) {
    return false;
  }
  int32_t link = GetI32(link_bytes);
  if (link == 0 || link > h.slot_count || link < -1) return Fail(kErrConsistency);
  h.first_free = link;
  --h.free_count;
  fb->header_changed = true;
  *slot = f;
  return true;
}

void Engine::UndoAllocSlot(Fileblock* fb, int32_t slot, bool from_free, int32_t old_head) {
  DataHeader& h = fb->header;
  if (from_free) {
    h.first_free = old_head;
    ++h.free_count;
  } else if (slot == h.slot_count) {
    --h.slot_count;
  }
}

bool Engine::FreeSlot(Fileblock* fb, int32_t slot) {
  DataHeader& h = fb->header;
  uint8_t link[4];
  PutI32(link, h.first_free);
  if (!WriteAt(*fb->data, static_cast<uint64_t>(slot) * static_cast<uint64_t>(h.record_length),
               link, 4)) {
    return false;
  }
  h.first_free = slot;
  ++h.free_count;
  fb->header_changed = true;
  return true;
}

int32_t Engine::AddSlotRaw(Fileblock* fb, const uint8_t* record) {
  if (!MarkChanged(fb)) return 0;
  int32_t slot = 0;
  int32_t old_head = 0;
  if (!AllocSlot(fb, &slot, &old_head)) return 0;
  bool from_free = old_head != -1;
  uint64_t at = static_cast<uint64_t>(slot) * static_cast<uint64_t>(fb->record_length());
  if (!WriteAt(*fb->data, at, record, static_cast<size_t>(fb->record_length()))) {
    UndoAllocSlot(fb, slot, from_free, old_head);
    return 0;
  }
  return slot;
}

int32_t Engine::AddSlot(Fileblock* fb, const void* record) {
  if (!CheckWritable(fb)) return 0;
  ChangeScope scope(this, fb);
  return AddSlotRaw(fb, static_cast<const uint8_t*>(record));
}

void Engine::GetSlot(Fileblock* fb, int32_t ref, void* buffer) {
  if (!Check(fb)) return;
  if (ref <= 0) {
    Fail(kErrPutSlotZero);
    return;
  }
  ReadAt(*fb->data, static_cast<uint64_t>(ref) * static_cast<uint64_t>(fb->record_length()), buffer,
         static_cast<size_t>(fb->record_length()));
}

void Engine::PutSlot(Fileblock* fb, int32_t ref, const void* record) {
  if (!CheckWritable(fb)) return;
  ChangeScope scope(this, fb);
  if (ref <= 0) {
    Fail(kErrPutSlotZero);
    return;
  }
  WriteAt(*fb->data, static_cast<uint64_t>(ref) * static_cast<uint64_t>(fb->record_length()),
          record, static_cast<size_t>(fb->record_length()));
}

void Engine::DeleteSlot(Fileblock* fb, int32_t ref) {
  if (!CheckWritable(fb)) return;
  ChangeScope scope(this, fb);
  if (ref < 1 || ref > fb->header.slot_count) {
    Fail(kErrDeleteSlotZero);
    return;
  }
  if (MarkChanged(fb)) FreeSlot(fb, ref);
}

int32_t Engine::UsedSlots(Fileblock* fb) {
  if (!Check(fb)) return 0;
  return fb->header.slot_count - fb->header.free_count;
}

int32_t Engine::FreeSlots(Fileblock* fb) {
  if (!Check(fb)) return 0;
  return fb->header.free_count;
}

int32_t Engine::FileLength(Fileblock* fb) {
  if (!Check(fb)) return 0;
  return fb->header.slot_count + 1;
}

int32_t Engine::GetRecordLength(Fileblock* fb) {
  if (!Check(fb)) return 0;
  return fb->record_length();
}

int32_t Engine::SeekUsedSlot(Fileblock* fb, int32_t ref, int direction) {
  if (!Check(fb)) return 0;
  const int32_t count = fb->header.slot_count;
  const uint64_t length = static_cast<uint64_t>(fb->record_length());
  auto used = [&](int32_t slot, bool* is_used) {
    uint8_t link[4];
    if (!ReadAt(*fb->data, static_cast<uint64_t>(slot) * length, link, 4)) return false;
    *is_used = GetI32(link) == 0;
    return true;
  };
  int32_t slot;
  if (direction == 0) {
    slot = ref;
  } else if (direction > 0) {
    slot = ref < 1 ? 1 : ref + 1;
  } else {
    slot = ref > count ? count : ref - 1;
  }
  int step = direction > 0 ? 1 : -1;
  for (; slot >= 1 && slot <= count; slot += step) {
    bool is_used = false;
    if (!used(slot, &is_used)) return 0;
    if (is_used) return slot;
    if (direction == 0) break;
  }
  Fail(kErrNoMatchingReference);
  return 0;
}

void Engine::NextUsedSlot(Fileblock* fb, int32_t& ref) {
  int32_t found = SeekUsedSlot(fb, ref, 1);
  if (ok_) ref = found;
}

void Engine::PrevUsedSlot(Fileblock* fb, int32_t& ref) {
  int32_t found = SeekUsedSlot(fb, ref, -1);
  if (ok_) ref = found;
}

int Engine::SlotToRelative(Fileblock* fb, int32_t ref, int scale) {
  if (!Check(fb)) return 0;
  if (scale <= 0) {
    Fail(kErrRelativeScale);
    return 0;
  }
  int64_t n = static_cast<int64_t>(fb->header.slot_count) + 1;
  int64_t r = std::clamp<int64_t>(ref, 0, n);
  int64_t product = (static_cast<int64_t>(scale) + 1) * r;
  if (product > INT32_MAX) {
    int excess = 0;
    while ((product >> excess) > INT32_MAX) ++excess;
    r >>= excess;
    n >>= excess;
    if (n == 0) n = 1;
  }
  return static_cast<int>((static_cast<int64_t>(scale) + 1) * r / n);
}

int32_t Engine::RelativeToSlot(Fileblock* fb, int position, int scale) {
  if (!Check(fb)) return 0;
  if (scale <= 0 || position < 0 || position > scale) {
    Fail(kErrRelativePosition);
    return 0;
  }
  int64_t n = static_cast<int64_t>(fb->header.slot_count) + 1;
  int64_t q = n / (scale + 1);
  int64_t base = static_cast<int64_t>(position) * n > INT32_MAX
                     ? q * position
                     : static_cast<int64_t>(position) * n / (scale + 1);
  return static_cast<int32_t>(base + q - q / 2);
}

// ---- Variable-length records ----------------------------------------------

bool Engine::SetVarBuffer(size_t size) {
  ResetStatus();
  try {
    if (var_buffer_.size() < size) var_buffer_.resize(size);
  } catch (const std::bad_alloc&) {
    Fail(kErrNoMemoryVarBuffer);
    return false;
  }
  return true;
}

void Engine::ReleaseVarBuffer() {
  var_buffer_.clear();
  var_buffer_.shrink_to_fit();
}

// Writes the continuation slots of a record, last chunk first, so each names
// the one written before it; *first is the slot of the first chunk (0 when the
// record fits its head). On failure the slots already written are freed.
bool Engine::WriteContinuations(Fileblock* fb, const uint8_t* bytes, size_t length,
                                int32_t* first) {
  const size_t l = static_cast<size_t>(fb->record_length());
  const size_t head_capacity = l - 6;
  const size_t chunk = l - 7;
  *first = 0;
  if (length <= head_capacity) return true;
  size_t tail = length - head_capacity;
  size_t chunks = (tail + chunk - 1) / chunk;
  std::vector<uint8_t>& slot = var_buffer_;
  int32_t next = 0;
  for (size_t i = chunks; i-- > 0;) {
    size_t from = head_capacity + i * chunk;
    size_t n = std::min(chunk, length - from);
    std::fill(slot.begin(), slot.begin() + static_cast<ptrdiff_t>(l), 0);
    slot[0] = 1;
    std::memcpy(slot.data() + 1, bytes + from, n);
    PutU16(slot.data() + l - 6, static_cast<uint16_t>(n));
    PutI32(slot.data() + l - 4, next);
    int32_t written = AddSlotRaw(fb, slot.data());
    if (written == 0) {
      if (next != 0) {
        const int saved = error_;
        const int saved_os = os_error_;
        ResetStatus();
        DeleteChain(fb, next, true);
        SetError(saved, saved_os);
      }
      return false;
    }
    next = written;
  }
  *first = next;
  return true;
}

// Frees the chain of continuation slots starting at `first` (and `first`
// itself), following each slot's next link.
bool Engine::DeleteChain(Fileblock* fb, int32_t first, bool include_first) {
  const size_t l = static_cast<size_t>(fb->record_length());
  std::vector<uint8_t> trailer(6);
  int32_t slot = first;
  int seen = 0;
  const int max_slots = MaxChainSlots(fb->record_length());
  while (slot != 0) {
    if (slot < 1 || slot > fb->header.slot_count || ++seen > max_slots) {
      return Fail(kErrTooMuchRecords);
    }
    if (!ReadAt(*fb->data, static_cast<uint64_t>(slot) * l + l - 6, trailer.data(), 6)) {
      return false;
    }
    int32_t next = GetI32(trailer.data() + 2);
    if (include_first || slot != first) {
      if (!MarkChanged(fb) || !FreeSlot(fb, slot)) return false;
    }
    slot = next;
  }
  return true;
}

int32_t Engine::AddVarRecord(Fileblock* fb, const void* bytes, size_t length) {
  if (!CheckWritable(fb)) return 0;
  ChangeScope scope(this, fb);
  if (length > kMaxVarRecord) {
    Fail(kErrRecordOver64K);
    return 0;
  }
  if (!SetVarBuffer(static_cast<size_t>(fb->record_length()))) return 0;
  const auto* in = static_cast<const uint8_t*>(bytes);
  const size_t l = static_cast<size_t>(fb->record_length());
  int32_t first = 0;
  if (!WriteContinuations(fb, in, length, &first)) return 0;
  std::vector<uint8_t> head(l, 0);
  size_t n = std::min(length, l - 6);
  std::memcpy(head.data(), in, n);
  PutU16(head.data() + l - 6, static_cast<uint16_t>(n));
  PutI32(head.data() + l - 4, first);
  int32_t ref = AddSlotRaw(fb, head.data());
  if (ref == 0 && first != 0) {
    const int saved = error_;
    const int saved_os = os_error_;
    ResetStatus();
    DeleteChain(fb, first, true);
    SetError(saved, saved_os);
  }
  return ref;
}

void Engine::GetVarRecord(Fileblock* fb, int32_t ref, void* buffer, size_t& length) {
  size_t size = std::min(length, kMaxVarRecord);
  length = 0;
  if (!Check(fb)) return;
  if (ref < 1) {
    Fail(kErrPutSlotZero);
    return;
  }
  if (ref > fb->header.slot_count) {
    Fail(kErrRead);
    return;
  }
  if (!SetVarBuffer(static_cast<size_t>(fb->record_length()))) return;
  const size_t l = static_cast<size_t>(fb->record_length());
  auto* out = static_cast<uint8_t*>(buffer);
  uint8_t* slot = var_buffer_.data();
  if (!ReadDataSlot(fb, ref, slot, l)) return;
  size_t count = GetU16(slot + l - 6);
  if (GetI32(slot) != 0) {
    // No live record stands here (a freed slot or a continuation): its head is
    // delivered as it is and its stale links are not followed, so the caller
    // sees the non-zero first bytes and treats the record as gone.
    length = std::min({size, count, l - 6});
    std::memcpy(out, slot, length);
    return;
  }
  if (count > l - 6) {
    Fail(kErrTooMuchRecords);
    return;
  }
  size_t delivered = std::min(size, count);
  std::memcpy(out, slot, delivered);
  int32_t next = GetI32(slot + l - 4);
  const int max_slots = MaxChainSlots(fb->record_length());
  // A chain that comes back to a slot it passed is damaged even when the
  // buffer would fill before the longest chain is reached.
  std::vector<int32_t> seen{ref};
  while (next != 0 && delivered < size) {
    if (next < 1 || next > fb->header.slot_count || static_cast<int>(seen.size()) >= max_slots ||
        std::find(seen.begin(), seen.end(), next) != seen.end()) {
      Fail(kErrTooMuchRecords);
      return;
    }
    seen.push_back(next);
    if (!ReadDataSlot(fb, next, slot, l)) return;
    count = GetU16(slot + l - 6);
    if (slot[0] != 1 || count > l - 7) {
      Fail(kErrTooMuchRecords);
      return;
    }
    size_t n = std::min(size - delivered, count);
    std::memcpy(out + delivered, slot + 1, n);
    delivered += n;
    next = GetI32(slot + l - 4);
  }
  length = delivered;
}

void Engine::PutVarRecord(Fileblock* fb, int32_t ref, const void* bytes, size_t length) {
  if (!CheckWritable(fb)) return;
  ChangeScope scope(this, fb);
  if (ref <= 0) {
    Fail(kErrPutSlotZero);
    return;
  }
  if (ref > fb->header.slot_count) {
    Fail(kErrDeleteSlotZero);
    return;
  }
  if (length > kMaxVarRecord) {
    Fail(kErrRecordOver64K);
    return;
  }
  if (!SetVarBuffer(static_cast<size_t>(fb->record_length()))) return;
  const auto* in = static_cast<const uint8_t*>(bytes);
  const size_t l = static_cast<size_t>(fb->record_length());
  int32_t first = 0;
  if (!WriteContinuations(fb, in, length, &first)) return;
  uint8_t trailer[6];
  if (!ReadAt(*fb->data, static_cast<uint64_t>(ref) * l + l - 6, trailer, 6)) return;
  int32_t old_first = GetI32(trailer + 2);
  // The head is rewritten before the old chain is freed: a crash in between
  // leaves stray slots behind, never a head pointing into freed ones.
  std::vector<uint8_t> head(l, 0);
  size_t n = std::min(length, l - 6);
  std::memcpy(head.data(), in, n);
  PutU16(head.data() + l - 6, static_cast<uint16_t>(n));
  PutI32(head.data() + l - 4, first);
  if (!WriteAt(*fb->data, static_cast<uint64_t>(ref) * l, head.data(), l)) return;
  if (old_first != 0) DeleteChain(fb, old_first, true);
}

void Engine::DeleteVarRecord(Fileblock* fb, int32_t ref) {
  if (!CheckWritable(fb)) return;
  ChangeScope scope(this, fb);
  if (ref < 1 || ref > fb->header.slot_count) {
    Fail(kErrDeleteSlotZero);
    return;
  }
  DeleteChain(fb, ref, true);
}

}  // namespace tessary::isam
