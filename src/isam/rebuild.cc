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
      if (r.error != 0) *error = last_error_ = r.error;
      first_ = slot;
      count_ = r.bytes / length_;
      if (count_ == 0) return nullptr;
    }
    return window_.data() + static_cast<size_t>(slot - first_) * length_;
  }
  // The errno of the last failed read.
  int last_error() const { return last_error_; }

 private:
  platform::File& file_;
  size_t length_;
  size_t capacity_;
  std::vector<uint8_t> window_;
  int32_t first_ = 0;
  size_t count_ = 0;
  int last_error_ = 0;
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
  const int saved_error = error_;
  const int saved_os_error = os_error_;
  const bool saved_ok = ok_;
  ResetStatus();
  if (!fb->read_only) MarkChanged(fb);
  cache_->Drop(fb);
  if (fb->index) fb->index->Close();
  fb->data->Close();
  fb->mark = 0;
  open_.erase(it);
  ok_ = saved_ok;
  error_ = saved_error;
  os_error_ = saved_os_error;
}

// Checks the data file before a reindex and marks it in use with the new key
// count, before the index is touched: from here until the reindex closes
// cleanly, a crash or failure leaves a Fileblock whose open asks for another
// rebuild, never a clean data file beside a partial index.
bool Engine::PrepareDataForReindex(const FileblockNames& names, int key_count,
                                   bool variable_length) {
  std::unique_ptr<platform::File> data;
  if (int rc = fs_.Open(names.data, platform::OpenMode::kReadWrite, &data)) {
    return FailOs(OsAction::kOpen, rc);
  }
  uint8_t bytes[kDataHeaderSize];
  uint64_t size = 0;
  if (!ReadAt(*data, 0, bytes, sizeof bytes)) return false;
  if (int rc = data->Size(&size)) return FailOs(OsAction::kIo, rc);
  DataHeader header = DecodeDataHeader(bytes);
  const int64_t l = header.record_length;
  bool consistent = l >= kMinRecordLength && size % static_cast<uint64_t>(l) == 0 &&
                    static_cast<int64_t>(size / static_cast<uint64_t>(l)) - 1 == header.slot_count;
  if (consistent && header.first_free != -1) {
    uint8_t link[4];
    consistent = header.first_free >= 1 && header.first_free <= header.slot_count &&
                 ReadAt(*data, static_cast<uint64_t>(header.first_free) * static_cast<uint64_t>(l),
                        link, 4) &&
                 GetI32(link) != 0;
    ResetStatus();
  }
  if (!consistent) return Fail(kErrReindexInconsistent);
  if (header.record_length >
      (variable_length ? static_cast<int>(kMaxVarRecord) : kMaxPlainRecord)) {
    return Fail(kErrRecordOver64K);
  }
  if (!SetVarBuffer(static_cast<size_t>(header.record_length))) {
    error_ = kErrNoHeapForBuffers;
    return false;
  }
  header.key_count = key_count;
  header.in_use = 1;
  EncodeDataHeader(header, bytes);
  if (!WriteAt(*data, 0, bytes, sizeof bytes)) return false;
  if (int rc = data->Sync()) return FailOs(OsAction::kIo, rc);
  if (int rc = data->Close()) return FailOs(OsAction::kIo, rc);
  return true;
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
  if (key_count < 0 || key_count > kMaxKeys || static_cast<size_t>(key_count) > keys.size()) {
    Fail(kErrKeyCount);
    return;
  }
  // 1.-4. A consistent data file, marked in use; then a fresh index.
  if (!PrepareDataForReindex(names, key_count, variable_length)) return;
  fs_.Remove(names.message);
  fs_.Remove(names.journal);
  if (key_count > 0 && !MakeIndexFile(names.index, key_count, keys)) return;
  fs_.SyncDirectoryOf(names.index);

  // 5. Open and scan, one pass per key.
  Fileblock* fb = OpenFiles(path, false, true);
  if (!ok_) return;
  const int l = fb->record_length();
  std::vector<bool> deleted(static_cast<size_t>(fb->header.slot_count) + 1, false);
  std::unique_ptr<platform::File> message;
  std::string record;
  auto write_message = [&](const std::string& text) {
    if (!message) {
      if (int rc = fs_.Open(names.message, platform::OpenMode::kCreate, &message)) {
        os_error_ = rc;
        return Fail(MessageFileError(rc));
      }
      message_written = true;
    }
    uint64_t at = 0;
    message->Size(&at);
    platform::IoResult r = message->WriteAt(at, text.data(), text.size());
    if (r.bytes != text.size()) {
      os_error_ = r.error != 0 ? r.error : ENOSPC;
      return Fail(MessageFileError(os_error_));
    }
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
      if (bytes == nullptr) {
        if (io_error != 0) ReadFail({0, io_error});  // an index without them would lie
        break;                                       // a short read ends the scan
      }
      if (GetI32(bytes) != 0) continue;
      if (variable_length) {
        ChainResult chain = ReadChain(reader, slot, l, record);
        if (chain == ChainResult::kIoError) {
          ReadFail({0, reader.last_error()});
          break;
        }
        if (chain != ChainResult::kRecord) continue;  // damaged: skipped
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

// Step 2 of a reorganisation: the records must be in the save copy. A .DAT
// is moved there; a .SAV left by an interrupted run is continued from, and a
// .DAT beside it that carries InUse is that run's new file and goes. A clean
// .DAT beside a .SAV is left for the caller (10465): either could hold the
// user's records. `made_here` tells whether this run made the save copy.
bool Engine::PrepareSaveCopy(const FileblockNames& names, bool* made_here) {
  *made_here = false;
  const bool data_exists = fs_.Exists(names.data);
  if (fs_.Exists(names.save)) {
    if (!data_exists) return true;
    std::unique_ptr<platform::File> data;
    uint8_t bytes[kDataHeaderSize] = {};
    const bool clean = fs_.Open(names.data, platform::OpenMode::kRead, &data) == 0 &&
                       data->ReadAt(0, bytes, sizeof bytes).bytes == sizeof bytes &&
                       DecodeDataHeader(bytes).in_use == 0;
    data.reset();
    if (clean) return Fail(kErrDataAndSaveExist);
    if (int rc = fs_.Remove(names.data)) return FailOs(OsAction::kDeleteOrRename, rc);
    return true;
  }
  if (!data_exists) return Fail(kErrDataFileNotFound);
  if (int rc = fs_.Rename(names.data, names.save)) {
    return rc == ENOENT ? Fail(kErrDataFileNotFound) : FailOs(OsAction::kDeleteOrRename, rc);
  }
  *made_here = true;
  if (int rc = fs_.SyncDirectoryOf(names.save)) return FailOs(OsAction::kIo, rc);
  return true;
}

// Steps 3 to 5: copies every record the converter keeps from the save copy
// into `new_data`, compacted, and makes that file durable. Its header is
// written last and carries InUse: the new data file has no index yet.
bool Engine::CopyIntoNewDataFile(platform::File& save, const std::string& new_data, int old_length,
                                 int new_length, int key_count, const RecordConverter& converter,
                                 const RecordHook& hook, bool variable_length) {
  std::unique_ptr<platform::File> file;
  if (int rc = fs_.Open(new_data, platform::OpenMode::kCreate, &file)) {
    return FailOs(OsAction::kCreate, rc);
  }
  const size_t new_l = static_cast<size_t>(new_length);
  if (int rc = file->Truncate(new_l)) return FailOs(OsAction::kIo, rc);

  // Slots go out through a write-behind window, numbered from 1.
  const size_t out_capacity = BufferSlots(new_length);
  std::vector<uint8_t> out(out_capacity * new_l);
  size_t out_count = 0;
  int32_t slot_count = 0;  // slots already written
  auto flush = [&] {
    if (out_count == 0) return true;
    if (!WriteAt(*file, static_cast<uint64_t>(slot_count + 1) * new_l, out.data(),
                 out_count * new_l)) {
      return false;
    }
    slot_count += static_cast<int32_t>(out_count);
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
    int32_t head_slot = slot_count + static_cast<int32_t>(out_count) + 1;
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

  // The old file is read by the caller's record length, not by its header,
  // so a save copy whose header is damaged still gives up its records.
  SlotReader reader(save, old_length);
  std::string record;
  std::string converted;
  int32_t read = 0;
  int32_t written = 0;
  for (int32_t slot = 1; ok_; ++slot) {
    int io_error = 0;
    const uint8_t* bytes = reader.Slot(slot, &io_error);
    if (bytes == nullptr) {
      // A short read ends the old file; a failing one ends the run, since
      // going on would drop the records behind it.
      if (io_error != 0) ReadFail({0, io_error});
      break;
    }
    if (variable_length) {
      if (GetI32(bytes) != 0) continue;
      ChainResult chain = ReadChain(reader, slot, old_length, record);
      if (chain == ChainResult::kIoError) {
        ReadFail({0, reader.last_error()});
        break;
      }
      if (chain != ChainResult::kRecord) continue;  // a damaged chain is skipped
    } else {
      record.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(old_length));
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
      progress_(0, read, written, old_length, record);
      if (!ok_) error_ = kErrAborted;
    }
  }
  if (!ok_ || !flush()) return false;

  DataHeader header;
  header.slot_count = slot_count;
  header.record_length = new_length;
  header.key_count = key_count;
  header.in_use = 1;
  uint8_t header_bytes[kDataHeaderSize];
  EncodeDataHeader(header, header_bytes);
  if (!WriteAt(*file, 0, header_bytes, sizeof header_bytes)) return false;
  if (int rc = file->Sync()) return FailOs(OsAction::kIo, rc);
  if (int rc = file->Close()) return FailOs(OsAction::kIo, rc);
  return true;
}

// Step 6: the whole, synced new data file becomes .DAT. From here on the
// save copy is no longer needed; the old index is dropped (the new data
// file's InUse makes any index count as defective until the reindex).
bool Engine::InstallNewDataFile(const FileblockNames& names, const std::string& new_data) {
  if (int rc = fs_.Rename(new_data, names.data)) return FailOs(OsAction::kDeleteOrRename, rc);
  if (int rc = fs_.SyncDirectoryOf(names.data)) return FailOs(OsAction::kIo, rc);
  return true;
}

// After a failed run: a save copy this run made goes back to .DAT, beside the
// old index it still matches. The save copy of an earlier interrupted run
// stays, so the next run continues from it. The status stays as it was.
void Engine::RestoreSaveCopy(const FileblockNames& names, const std::string& new_data,
                             bool made_here) {
  const bool saved_ok = ok_;
  const int saved_error = error_;
  const int saved_os_error = os_error_;
  fs_.Remove(new_data);
  if (made_here && fs_.Exists(names.save)) {
    if (fs_.Exists(names.data)) fs_.Remove(names.data);  // the new file, installed
    if (fs_.Rename(names.save, names.data) == 0) fs_.SyncDirectoryOf(names.data);
  }
  ok_ = saved_ok;
  error_ = saved_error;
  os_error_ = saved_os_error;
}

void Engine::ReorganizeFileblock(const std::string& path, int new_record_length,
                                 int old_record_length, int key_count, std::span<const KeyDef> keys,
                                 const RecordConverter& converter, const RecordHook& hook,
                                 bool variable_length) {
  DropReadWindow();
  (void)keys;  // the reindex that follows creates the index with its keys
  if (!Begin()) return;
  const int max_length = variable_length ? static_cast<int>(kMaxVarRecord) : kMaxPlainRecord;
  if (new_record_length > max_length || old_record_length > max_length) {
    Fail(kErrRecordOver64K);
    return;
  }
  if (new_record_length < kMinRecordLength || old_record_length < kMinRecordLength) {
    Fail(kErrRecordLength);
    return;
  }
  if (key_count < 0 || key_count > kMaxKeys) {
    Fail(kErrKeyCount);
    return;
  }
  FileblockNames names;
  if (int rc = DeriveNames(path, &names)) {
    Fail(rc);
    return;
  }
  if (!SetVarBuffer(static_cast<size_t>(new_record_length))) {
    error_ = kErrNoHeapForBuffers;
    return;
  }
  const std::string new_data = WithExtension(names.data, "NEW");
  bool made_here = false;
  std::unique_ptr<platform::File> save;
  bool done = PrepareSaveCopy(names, &made_here);
  if (done) {
    if (int rc = fs_.Open(names.save, platform::OpenMode::kRead, &save)) {
      FailOs(OsAction::kOpen, rc);
      done = false;
    }
  }
  done = done &&
         CopyIntoNewDataFile(*save, new_data, old_record_length, new_record_length, key_count,
                             converter, hook, variable_length) &&
         InstallNewDataFile(names, new_data);
  save.reset();
  if (!done) {
    RestoreSaveCopy(names, new_data, made_here);
    return;
  }
  // The new data file is whole and in place: the old index and then the
  // save copy go.
  fs_.Remove(names.index);
  fs_.Remove(names.journal);
  fs_.Remove(names.save);
  fs_.SyncDirectoryOf(names.data);
}

}  // namespace tessary::isam
