// Rebuilding a Fileblock from its data file: ReindexFileblock builds a fresh
// index from every record; ReorganizeFileblock copies the records into a
// fresh, compact data file through a save copy of the old one.
#include <errno.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "isam/engine.h"
#include "isam/fileblock.h"

namespace tessary::isam {
namespace {

constexpr size_t kBufferBytes = 32768;
constexpr int kMaxPlainRecord = 65535;

size_t BufferSlots(int record_length) {
  if (record_length > 16384) return 1;
  return std::max<size_t>(2, kBufferBytes / static_cast<size_t>(record_length));
}

// Reads slots of a data file through a window of whole slots.
class SlotReader {
 public:
  SlotReader(platform::File& file, int record_length)
      : file_(file),
        length_(static_cast<size_t>(record_length)),
        capacity_(BufferSlots(record_length)) {
    window_.resize(capacity_ * length_);
  }

  // The bytes of `slot`, or nullptr past the end of the file (or on a read
  // error, which *error then holds).
  const uint8_t* Slot(int32_t slot, int* error) {
    *error = 0;
    if (slot < first_ || slot >= first_ + static_cast<int32_t>(count_)) {
      platform::IoResult r =
          file_.ReadAt(static_cast<uint64_t>(slot) * length_, window_.data(), window_.size());
      if (r.error != 0) *error = r.error;
      first_ = slot;
      count_ = r.bytes / length_;
      if (count_ == 0) return nullptr;
    }
    return window_.data() + static_cast<size_t>(slot - first_) * length_;
  }

 private:
  platform::File& file_;
  size_t length_;
  size_t capacity_;
  std::vector<uint8_t> window_;
  int32_t first_ = 0;
  size_t count_ = 0;
};

enum class ChainResult { kRecord, kDamaged, kEnd, kIoError };

// Reads the variable-length record whose head is `head` (already known to be
// a head) into `record`; damaged chains are reported, not followed.
ChainResult ReadChain(SlotReader& reader, int32_t head, int record_length, std::string& record) {
  const size_t l = static_cast<size_t>(record_length);
  int error = 0;
  const uint8_t* slot = reader.Slot(head, &error);
  if (slot == nullptr) return error != 0 ? ChainResult::kIoError : ChainResult::kEnd;
  size_t count = SlotCountField(slot, record_length);
  if (count > l - 6) return ChainResult::kDamaged;
  int32_t next = SlotNextField(slot, record_length);
  record.assign(reinterpret_cast<const char*>(slot), count);
  const int max_slots = MaxChainSlots(record_length);
  for (int chain = 1; next != 0; ++chain) {
    if (chain >= max_slots || next < 1) return ChainResult::kDamaged;
    slot = reader.Slot(next, &error);
    if (slot == nullptr) return error != 0 ? ChainResult::kIoError : ChainResult::kDamaged;
    count = SlotCountField(slot, record_length);
    if (slot[0] != 1 || count > l - 7) return ChainResult::kDamaged;
    record.append(reinterpret_cast<const char*>(slot) + 1, count);
    next = SlotNextField(slot, record_length);
  }
  return ChainResult::kRecord;
}

// The run-time error of a failed write of the message file, as the engine
// reports it (9500 + n).
int MessageFileError(int os_error) {
  switch (os_error) {
    case ENOENT:
      return 9502;
    case ENOTDIR:
      return 9503;
    case EMFILE:
    case ENFILE:
      return 9504;
    case EACCES:
    case EPERM:
    case EROFS:
      return 9505;
    default:
      return 9601;  // disk write error
  }
}

}  // namespace

// Closes a Fileblock after a failed rebuild without the clean close: InUse
// stays set on disk, so the next open asks for another rebuild instead of
// trusting a half-built index.
void Engine::AbandonFileblock(Fileblock* fb) {
  DropReadWindow();
  auto it =
      std::find_if(open_.begin(), open_.end(), [fb](const auto& open) { return open.get() == fb; });
  if (it == open_.end()) return;
  int saved_error = error_;
  bool saved_ok = ok_;
  ResetStatus();
  if (!fb->read_only) MarkChanged(fb);
  cache_->Drop(fb);
  if (fb->index) fb->index->Close();
  fb->data->Close();
  fb->mark = 0;
  open_.erase(it);
  ok_ = saved_ok;
  error_ = saved_error;
}

void Engine::ReindexFileblock(const std::string& path, int key_count, std::span<const KeyDef> keys,
                              const KeyBuilder& key_builder, const RecordHook& hook,
                              bool delete_bad_records, bool variable_length,
                              bool& message_written) {
  DropReadWindow();
  message_written = false;
  if (!Begin()) return;
  FileblockNames names;
  if (int rc = DeriveNames(path, &names)) {
    Fail(rc);
    return;
  }

  // 1. The data file must be consistent before anything changes.
  DataHeader header;
  {
    std::unique_ptr<platform::File> data;
    if (int rc = fs_.Open(names.data, platform::OpenMode::kReadWrite, &data)) {
      Fail(MapOsError(OsAction::kOpen, rc));
      return;
    }
    uint8_t bytes[kDataHeaderSize];
    uint64_t size = 0;
    if (!ReadAt(*data, 0, bytes, sizeof bytes)) return;
    if (int rc = data->Size(&size)) {
      Fail(MapOsError(OsAction::kIo, rc));
      return;
    }
    header = DecodeDataHeader(bytes);
    const int64_t l = header.record_length;
    bool consistent =
        l >= kMinRecordLength && size % static_cast<uint64_t>(l) == 0 &&
        static_cast<int64_t>(size / static_cast<uint64_t>(l)) - 1 == header.slot_count;
    if (consistent && header.first_free != -1) {
      uint8_t link[4];
      consistent =
          header.first_free >= 1 && header.first_free <= header.slot_count &&
          ReadAt(*data, static_cast<uint64_t>(header.first_free) * static_cast<uint64_t>(l), link,
                 4) &&
          GetI32(link) != 0;
      ResetStatus();
    }
    if (!consistent) {
      Fail(kErrReindexInconsistent);
      return;
    }
    // 2. Limits.
    if (header.record_length >
        (variable_length ? static_cast<int>(kMaxVarRecord) : kMaxPlainRecord)) {
      Fail(kErrRecordOver64K);
      return;
    }
    if (!SetVarBuffer(static_cast<size_t>(header.record_length))) {
      error_ = kErrNoHeapForBuffers;
      return;
    }
    // 3. A fresh index beside a throw-away data file.
    FileblockNames make = names;
    make.data = names.message;
    if (!MakeFiles(make, header.record_length, key_count, keys)) return;
    fs_.Remove(names.message);
    // 4. The data header names the new keys and is marked clean.
    header.key_count = key_count;
    header.in_use = 0;
    EncodeDataHeader(header, bytes);
    if (!WriteAt(*data, 0, bytes, sizeof bytes)) return;
    if (int rc = data->Sync()) {
      Fail(MapOsError(OsAction::kIo, rc));
      return;
    }
    data->Close();
  }

  // 5. Open and scan, one pass per key.
  Fileblock* fb = OpenFileblock(path);
  if (!ok_) return;
  const int l = fb->record_length();
  std::vector<bool> deleted(static_cast<size_t>(fb->header.slot_count) + 1, false);
  std::unique_ptr<platform::File> message;
  std::string record;
  auto write_message = [&](const std::string& text) {
    if (!message) {
      if (int rc = fs_.Open(names.message, platform::OpenMode::kCreate, &message)) {
        return Fail(MessageFileError(rc));
      }
      message_written = true;
    }
    uint64_t at = 0;
    message->Size(&at);
    platform::IoResult r = message->WriteAt(at, text.data(), text.size());
    if (r.bytes != text.size()) return Fail(MessageFileError(r.error != 0 ? r.error : ENOSPC));
    return true;
  };

  for (int k = 1; k <= key_count && ok_; ++k) {
    SlotReader reader(*fb->data, l);
    int32_t read = 0;
    int32_t written = 0;
    for (int32_t slot = 1; slot <= fb->header.slot_count && ok_; ++slot) {
      if (deleted[slot]) continue;
      int io_error = 0;
      const uint8_t* bytes = reader.Slot(slot, &io_error);
      if (bytes == nullptr) break;  // a short read ends the scan
      if (GetI32(bytes) != 0) continue;
      if (variable_length) {
        ChainResult chain = ReadChain(reader, slot, l, record);
        if (chain != ChainResult::kRecord) continue;  // damaged or unreadable: skipped
      } else {
        record.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(l));
      }
      ++read;
      if (hook) hook(record, true);
      std::string text = key_builder(record, k);
      if (!ok_) {
        error_ = kErrBuildingKey;
        break;
      }
      AddKey(fb, k, slot, text);
      if (ok_) {
        ++written;
      } else if (error_ == kErrDuplicateKey) {
        ResetStatus();
        std::string line = "Key:<" + text.substr(0, kMaxKeyLen) + "> KeyNr: " + std::to_string(k) +
                           " Ref: " + std::to_string(slot) + " not added\r\n";
        if (!write_message(line)) break;
        if (delete_bad_records) {
          if (!write_message("Data record deleted - Dump follows\r\n" + record + "\r\n\r\n")) break;
          for (int earlier = 1; earlier < k && ok_; ++earlier) {
            DeleteKey(fb, earlier, slot, key_builder(record, earlier));
          }
          if (!ok_) break;
          if (variable_length) {
            DeleteVarRecord(fb, slot);
          } else {
            DeleteSlot(fb, slot);
          }
          if (!ok_) break;
          deleted[slot] = true;
        }
      } else {
        break;
      }
      if (progress_) {
        progress_(k, read, written, l, record);
        if (!ok_) error_ = kErrAborted;
      }
    }
  }

  if (message) message->Close();
  if (!ok_) {
    AbandonFileblock(fb);
    return;
  }
  CloseFileblock(fb);
}

void Engine::ReorganizeFileblock(const std::string& path, int new_record_length,
                                 int old_record_length, int key_count, std::span<const KeyDef> keys,
                                 const RecordConverter& converter, const RecordHook& hook,
                                 bool variable_length) {
  DropReadWindow();
  if (!Begin()) return;
  const int max_length = variable_length ? static_cast<int>(kMaxVarRecord) : kMaxPlainRecord;
  if (new_record_length > max_length || old_record_length > max_length) {
    Fail(kErrRecordOver64K);
    return;
  }
  FileblockNames names;
  if (int rc = DeriveNames(path, &names)) {
    Fail(rc);
    return;
  }
  bool data_exists = fs_.Exists(names.data);
  bool save_exists = fs_.Exists(names.save);
  if (data_exists && save_exists) {
    // Both exist after an interrupted run, whose new data file still carries
    // InUse (it is cleared only when the copy is complete): the save copy is
    // the user's data and the run starts again from it. A clean new data
    // file beside a save copy is left for the user to sort out.
    std::unique_ptr<platform::File> data;
    uint8_t bytes[kDataHeaderSize] = {};
    bool interrupted = fs_.Open(names.data, platform::OpenMode::kRead, &data) == 0 &&
                       data->ReadAt(0, bytes, sizeof bytes).bytes == sizeof bytes &&
                       DecodeDataHeader(bytes).in_use != 0;
    data.reset();
    if (!interrupted) {
      Fail(kErrDataAndSaveExist);
      return;
    }
    fs_.Remove(names.index);
    fs_.Remove(names.data);
    data_exists = false;
  }
  if (!SetVarBuffer(static_cast<size_t>(std::max(new_record_length, kMinRecordLength)))) {
    error_ = kErrNoHeapForBuffers;
    return;
  }

  // 2. Move the data aside.
  if (data_exists) {
    if (int rc = fs_.Rename(names.data, names.save)) {
      if (!fs_.Exists(names.save)) {
        Fail(rc == ENOENT ? kErrDataFileNotFound : MapOsError(OsAction::kDeleteOrRename, rc));
        return;
      }
    } else {
      fs_.SyncDirectoryOf(names.save);
    }
  } else if (!save_exists) {
    Fail(kErrDataFileNotFound);
    return;
  }

  Fileblock* fb = nullptr;
  std::unique_ptr<platform::File> save;
  auto restore = [&] {
    int saved_error = error_;
    if (fb != nullptr) AbandonFileblock(fb);
    save.reset();
    fs_.Remove(names.index);
    fs_.Remove(names.data);
    // The user's data goes back where it was, whether this run or an
    // interrupted earlier one moved it aside.
    if (fs_.Rename(names.save, names.data) != 0) {
      std::string bytes;
      if (platform::ReadWholeFile(fs_, names.save, &bytes) == 0 &&
          platform::ReplaceFileAtomically(fs_, names.data, bytes) == 0) {
        fs_.Remove(names.save);
      }
    }
    fs_.SyncDirectoryOf(names.data);
    ok_ = false;
    error_ = saved_error;
  };

  // 3. A fresh Fileblock, marked in use until the copy is complete.
  if (!MakeFiles(names, new_record_length, key_count, keys)) {
    restore();
    return;
  }
  fb = OpenFileblock(path);
  if (!ok_ || !MarkChanged(fb)) {
    restore();
    return;
  }
  if (int rc = fs_.Open(names.save, platform::OpenMode::kRead, &save)) {
    Fail(MapOsError(OsAction::kOpen, rc));
    restore();
    return;
  }

  // 4./5. Copy record by record through a write-behind buffer.
  const size_t new_l = static_cast<size_t>(new_record_length);
  const size_t out_capacity = BufferSlots(new_record_length);
  std::vector<uint8_t> out(out_capacity * new_l);
  size_t out_count = 0;
  int32_t next_slot = 1;  // the slot the first buffered slot goes to
  auto flush = [&] {
    if (out_count == 0) return true;
    if (!WriteAt(*fb->data, static_cast<uint64_t>(next_slot) * new_l, out.data(),
                 out_count * new_l)) {
      return false;
    }
    next_slot += static_cast<int32_t>(out_count);
    fb->header.slot_count += static_cast<int32_t>(out_count);
    fb->header_changed = true;
    out_count = 0;
    return true;
  };
  auto append_slot = [&]() -> uint8_t* {
    if (out_count == out_capacity && !flush()) return nullptr;
    uint8_t* slot = out.data() + out_count * new_l;
    std::memset(slot, 0, new_l);
    ++out_count;
    return slot;
  };
  auto append_record = [&](const std::string& bytes) {
    if (!variable_length) {
      uint8_t* slot = append_slot();
      if (slot == nullptr) return false;
      std::memcpy(slot, bytes.data(), std::min(bytes.size(), new_l));
      return true;
    }
    // Head first, then its continuations in the following slots.
    const size_t head_capacity = new_l - 6;
    const size_t chunk = new_l - 7;
    size_t tail = bytes.size() > head_capacity ? bytes.size() - head_capacity : 0;
    size_t chunks = (tail + chunk - 1) / chunk;
    int32_t head_slot = next_slot + static_cast<int32_t>(out_count);
    uint8_t* head = append_slot();
    if (head == nullptr) return false;
    size_t n = std::min(bytes.size(), head_capacity);
    std::memcpy(head, bytes.data(), n);
    PutU16(head + new_l - 6, static_cast<uint16_t>(n));
    PutI32(head + new_l - 4, chunks > 0 ? head_slot + 1 : 0);
    for (size_t i = 0; i < chunks; ++i) {
      uint8_t* slot = append_slot();
      if (slot == nullptr) return false;
      size_t from = head_capacity + i * chunk;
      size_t piece = std::min(chunk, bytes.size() - from);
      slot[0] = 1;
      std::memcpy(slot + 1, bytes.data() + from, piece);
      PutU16(slot + new_l - 6, static_cast<uint16_t>(piece));
      int32_t this_slot = head_slot + 1 + static_cast<int32_t>(i);
      PutI32(slot + new_l - 4, i + 1 < chunks ? this_slot + 1 : 0);
    }
    return true;
  };

  SlotReader reader(*save, old_record_length);
  std::string record;
  std::string converted;
  int32_t read = 0;
  int32_t written = 0;
  for (int32_t slot = 1; ok_; ++slot) {
    int io_error = 0;
    const uint8_t* bytes = reader.Slot(slot, &io_error);
    if (bytes == nullptr) break;  // a short read ends the old file
    if (variable_length) {
      if (GetI32(bytes) != 0) continue;
      if (ReadChain(reader, slot, old_record_length, record) != ChainResult::kRecord) continue;
    } else {
      record.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(old_record_length));
    }
    ++read;
    if (hook) hook(record, true);
    converted.clear();
    bool keep = converter(record, converted);
    if (!ok_) {
      error_ = kErrRestructuring;
      break;
    }
    if (keep) {
      if (hook) hook(converted, false);
      if (converted.size() > kMaxVarRecord) {
        Fail(kErrRecordOver64K);
        break;
      }
      if (!append_record(converted)) break;
      ++written;
    }
    if (progress_) {
      progress_(0, read, written, old_record_length, record);
      if (!ok_) error_ = kErrAborted;
    }
  }
  if (ok_) flush();
  if (!ok_) {
    restore();
    return;
  }
  // 6. The copy is complete: close cleanly, then drop the save copy.
  save.reset();
  CloseFileblock(fb);
  if (!ok_) {
    fb = nullptr;
    restore();
    return;
  }
  fs_.Remove(names.save);
  fs_.SyncDirectoryOf(names.data);
}

}  // namespace tessary::isam
