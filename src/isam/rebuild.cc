#include "isam/rebuild.h"

#include <errno.h>

#include "isam/fileblock.h"

namespace tessary::isam {

namespace {

constexpr int kMaxPlainRecord = 65535;

int MaxRecordLength(RecordLayout layout) {
  return layout == RecordLayout::kVariableLength ? static_cast<int>(kMaxVarRecord)
                                                 : kMaxPlainRecord;
}

}  // namespace

Rebuilder::Rebuilder(Engine& engine) : engine_(engine), fs_(engine.fs_), status_(engine.status_) {}

Rebuilder::~Rebuilder() = default;

bool Rebuilder::Progress(int pass, int32_t read, int32_t written, int length) {
  if (!engine_.progress_) return true;
  engine_.progress_(pass, read, written, length, record_);
  if (status_.ok()) return true;
  status_.Renumber(kErrAborted);
  return false;
}

// ---- Reindex --------------------------------------------------------------

bool Rebuilder::Reindex(const std::string& path, std::span<const KeyDef> keys,
                        const KeyBuilder& key_builder, const RebuildOptions& options) {
  if (!engine_.Begin()) return false;
  FileblockNames names;
  if (int rc = DeriveNames(path, &names)) return status_.Fail(rc);
  const int key_count = static_cast<int>(keys.size());
  if (key_count > kMaxKeys) return status_.Fail(kErrKeyCount);
  if (!PrepareData(names, key_count, options.layout) || !CreateIndex(names, keys)) return false;
  Fileblock* fb =
      engine_.Register(engine_.files_.Open(path, Access::kReadWrite, *engine_.cache_, true));
  if (fb == nullptr) return false;
  deleted_.assign(static_cast<size_t>(fb->data->slot_count()) + 1, false);
  message_name_ = names.message;
  for (int k = 1; k <= key_count && status_.ok(); ++k) IndexKey(fb, k, key_builder, options);
  const bool message_written = message_ != nullptr;
  if (message_) message_->Close();
  if (status_.ok()) {
    engine_.CloseFileblock(fb);
  } else {
    engine_.Abandon(fb);
  }
  return message_written;
}

// Checks the data file and marks it in use with the new key count before the
// index is touched: from here until the reindex closes cleanly, a crash or
// failure leaves a Fileblock whose open asks for another rebuild, never a
// clean data file beside a partial index.
bool Rebuilder::PrepareData(const FileblockNames& names, int key_count, RecordLayout layout) {
  std::unique_ptr<platform::File> data;
  if (int rc = fs_.Open(names.data, platform::OpenMode::kReadWrite, &data)) {
    return status_.FailOs(OsAction::kOpen, rc);
  }
  uint8_t bytes[kDataHeaderSize];
  uint64_t size = 0;
  if (!status_.ReadAt(*data, 0, bytes, sizeof bytes)) return false;
  if (int rc = data->Size(&size)) return status_.FailOs(OsAction::kIo, rc);
  DataHeader header = DecodeDataHeader(bytes);
  const int64_t l = header.record_length;
  bool consistent = l >= kMinRecordLength && size % static_cast<uint64_t>(l) == 0 &&
                    static_cast<int64_t>(size / static_cast<uint64_t>(l)) - 1 == header.slot_count;
  if (consistent && header.first_free != -1) {
    Status::Aside aside(status_);
    uint8_t link[kLinkSize];
    consistent = header.first_free >= 1 && header.first_free <= header.slot_count &&
                 status_.ReadAt(*data, SlotOffset(header.first_free, header.record_length), link,
                                kLinkSize) &&
                 !SlotInUse(link);
  }
  if (!consistent) return status_.Fail(kErrReindexInconsistent);
  if (header.record_length > MaxRecordLength(layout)) return status_.Fail(kErrRecordOver64K);
  if (!engine_.SetVarBuffer(static_cast<size_t>(header.record_length))) {
    status_.Renumber(kErrNoHeapForBuffers);
    return false;
  }
  header.key_count = key_count;
  header.in_use = 1;
  EncodeDataHeader(header, bytes);
  if (!status_.WriteAt(*data, 0, bytes, sizeof bytes) || !status_.Sync(*data)) return false;
  if (int rc = data->Close()) return status_.FailOs(OsAction::kIo, rc);
  return true;
}

bool Rebuilder::CreateIndex(const FileblockNames& names, std::span<const KeyDef> keys) {
  fs_.Remove(names.message);
  fs_.Remove(names.journal);
  if (!keys.empty() && !engine_.files_.MakeIndexFile(names.index, keys)) return false;
  fs_.SyncDirectoryOf(names.index);
  return true;
}

// One pass over the records in slot order, adding each record's entry to
// `key`.
bool Rebuilder::IndexKey(Fileblock* fb, int key, const KeyBuilder& key_builder,
                         const RebuildOptions& options) {
  const int l = fb->data->record_length();
  SlotReader reader(fb->data->file(), l);
  int32_t read = 0;
  int32_t written = 0;
  for (int32_t slot = 1; slot <= fb->data->slot_count() && status_.ok(); ++slot) {
    if (deleted_[static_cast<size_t>(slot)]) continue;
    const auto found = reader.RecordAt(slot, options.layout, false, status_, &record_);
    if (found == SlotReader::Found::kEnd || found == SlotReader::Found::kFailed) break;
    if (found == SlotReader::Found::kSkip) continue;
    ++read;
    if (options.hook) options.hook(record_, true);
    const std::string text = key_builder(record_, key);
    if (!status_.ok()) {
      status_.Renumber(kErrBuildingKey);
      break;
    }
    engine_.AddKey(fb, key, slot, text);
    if (status_.ok()) {
      ++written;
    } else if (status_.error() != kErrDuplicateKey) {
      break;
    } else {
      status_.Reset();
      if (!ReportDuplicate(fb, key, slot, text, key_builder, options)) break;
    }
    if (!Progress(key, read, written, l)) break;
  }
  return status_.ok();
}

bool Rebuilder::ReportDuplicate(Fileblock* fb, int key, int32_t ref, const std::string& text,
                                const KeyBuilder& key_builder, const RebuildOptions& options) {
  if (!WriteMessage("Key:<" + text.substr(0, kMaxKeyLen) + "> KeyNr: " + std::to_string(key) +
                    " Ref: " + std::to_string(ref) + " not added\r\n")) {
    return false;
  }
  if (options.bad_records == BadRecords::kKeep) return true;
  return WriteMessage("Data record deleted - Dump follows\r\n" + record_ + "\r\n\r\n") &&
         DeleteBadRecord(fb, key, ref, key_builder, options.layout);
}

// The record goes with the entries it already has in the keys before `key`,
// and the later passes skip it.
bool Rebuilder::DeleteBadRecord(Fileblock* fb, int key, int32_t ref, const KeyBuilder& key_builder,
                                RecordLayout layout) {
  for (int earlier = 1; earlier < key && status_.ok(); ++earlier) {
    engine_.DeleteKey(fb, earlier, ref, key_builder(record_, earlier));
  }
  if (!status_.ok()) return false;
  if (layout == RecordLayout::kVariableLength) {
    engine_.DeleteVarRecord(fb, ref);
  } else {
    engine_.DeleteSlot(fb, ref);
  }
  if (!status_.ok()) return false;
  deleted_[static_cast<size_t>(ref)] = true;
  return true;
}

// The first line reported creates the message file, replacing an old one.
bool Rebuilder::WriteMessage(const std::string& text) {
  if (!message_) {
    std::unique_ptr<platform::File> file;
    if (int rc = fs_.Open(message_name_, platform::OpenMode::kCreate, &file)) {
      status_.Set(MapMessageFileError(rc), rc);
      return false;
    }
    message_ = std::move(file);
  }
  uint64_t at = 0;
  message_->Size(&at);
  const platform::IoResult r = message_->WriteAt(at, text.data(), text.size());
  if (r.bytes == text.size()) return true;
  const int os_error = r.error != 0 ? r.error : ENOSPC;
  status_.Set(MapMessageFileError(os_error), os_error);
  return false;
}

// ---- Reorganisation -------------------------------------------------------

void Rebuilder::Reorganize(const std::string& path, RecordLengths lengths, int key_count,
                           const RecordConverter& converter, const RebuildOptions& options) {
  if (!engine_.Begin() || !CheckLengths(lengths, key_count, options.layout)) return;
  FileblockNames names;
  if (int rc = DeriveNames(path, &names)) {
    status_.Fail(rc);
    return;
  }
  if (!engine_.SetVarBuffer(static_cast<size_t>(lengths.new_length))) {
    status_.Renumber(kErrNoHeapForBuffers);
    return;
  }
  new_data_ = WithExtension(names.data, "NEW");
  bool done = PrepareSaveCopy(names);
  std::unique_ptr<platform::File> save;
  if (done) {
    if (int rc = fs_.Open(names.save, platform::OpenMode::kRead, &save)) {
      status_.FailOs(OsAction::kOpen, rc);
      done = false;
    }
  }
  done = done && CopyIntoNewDataFile(*save, lengths, key_count, converter, options) &&
         InstallNewDataFile(names);
  save.reset();
  if (done) {
    RemoveLeftovers(names);
  } else {
    RestoreSaveCopy(names);
  }
}

bool Rebuilder::CheckLengths(RecordLengths lengths, int key_count, RecordLayout layout) {
  const int max_length = MaxRecordLength(layout);
  if (lengths.new_length > max_length || lengths.old_length > max_length) {
    return status_.Fail(kErrRecordOver64K);
  }
  if (lengths.new_length < kMinRecordLength || lengths.old_length < kMinRecordLength) {
    return status_.Fail(kErrRecordLength);
  }
  if (key_count < 0 || key_count > kMaxKeys) return status_.Fail(kErrKeyCount);
  return true;
}

// The records must be in the save copy. A .DAT is moved there; a .SAV left by
// an interrupted run is continued from, and a .DAT beside it that carries
// InUse is that run's new file and goes. A clean .DAT beside a .SAV is left
// for the caller (10465): either could hold the user's records.
bool Rebuilder::PrepareSaveCopy(const FileblockNames& names) {
  made_save_copy_ = false;
  const bool data_exists = fs_.Exists(names.data);
  if (fs_.Exists(names.save)) {
    if (!data_exists) return true;
    std::unique_ptr<platform::File> data;
    uint8_t bytes[kDataHeaderSize] = {};
    const bool clean = fs_.Open(names.data, platform::OpenMode::kRead, &data) == 0 &&
                       data->ReadAt(0, bytes, sizeof bytes).bytes == sizeof bytes &&
                       DecodeDataHeader(bytes).in_use == 0;
    data.reset();
    if (clean) return status_.Fail(kErrDataAndSaveExist);
    if (int rc = fs_.Remove(names.data)) return status_.FailOs(OsAction::kDeleteOrRename, rc);
    return true;
  }
  if (!data_exists) return status_.Fail(kErrDataFileNotFound);
  if (int rc = fs_.Rename(names.data, names.save)) {
    return rc == ENOENT ? status_.Fail(kErrDataFileNotFound)
                        : status_.FailOs(OsAction::kDeleteOrRename, rc);
  }
  made_save_copy_ = true;
  if (int rc = fs_.SyncDirectoryOf(names.save)) return status_.FailOs(OsAction::kIo, rc);
  return true;
}

// Copies every record the converter keeps from the save copy into the new
// data file, compacted, and makes that file durable. Its header is written
// last and carries InUse: the new data file has no index yet. The old file is
// read by the caller's record length, not by its header, so a save copy whose
// header is damaged still gives up its records.
bool Rebuilder::CopyIntoNewDataFile(platform::File& save, RecordLengths lengths, int key_count,
                                    const RecordConverter& converter,
                                    const RebuildOptions& options) {
  std::unique_ptr<platform::File> file;
  if (int rc = fs_.Open(new_data_, platform::OpenMode::kCreate, &file)) {
    return status_.FailOs(OsAction::kCreate, rc);
  }
  if (int rc = file->Truncate(static_cast<uint64_t>(lengths.new_length))) {
    return status_.FailOs(OsAction::kIo, rc);
  }
  SlotReader reader(save, lengths.old_length);
  SlotWriter writer(status_, *file, lengths.new_length);
  if (!CopyRecords(reader, writer, lengths.old_length, converter, options) || !writer.Flush()) {
    return false;
  }
  DataHeader header;
  header.slot_count = writer.written();
  header.record_length = lengths.new_length;
  header.key_count = key_count;
  header.in_use = 1;
  uint8_t bytes[kDataHeaderSize];
  EncodeDataHeader(header, bytes);
  if (!status_.WriteAt(*file, 0, bytes, sizeof bytes) || !status_.Sync(*file)) return false;
  if (int rc = file->Close()) return status_.FailOs(OsAction::kIo, rc);
  return true;
}

bool Rebuilder::CopyRecords(SlotReader& reader, SlotWriter& writer, int old_length,
                            const RecordConverter& converter, const RebuildOptions& options) {
  int32_t read = 0;
  int32_t written = 0;
  std::string converted;
  for (int32_t slot = 1; status_.ok(); ++slot) {
    const auto found = reader.RecordAt(slot, options.layout, true, status_, &record_);
    if (found == SlotReader::Found::kEnd || found == SlotReader::Found::kFailed) break;
    if (found == SlotReader::Found::kSkip) continue;
    ++read;
    if (options.hook) options.hook(record_, true);
    converted.clear();
    const bool keep = converter(record_, converted);
    if (!status_.ok()) {
      status_.Renumber(kErrRestructuring);
      break;
    }
    if (keep) {
      if (options.hook) options.hook(converted, false);
      if (converted.size() > kMaxVarRecord) {
        status_.Fail(kErrRecordOver64K);
        break;
      }
      if (!writer.AppendRecord(converted, options.layout)) break;
      ++written;
    }
    if (!Progress(0, read, written, old_length)) break;
  }
  return status_.ok();
}

// The whole, synced new data file becomes .DAT. From here on the save copy is
// no longer needed; the old index is dropped (the new data file's InUse makes
// any index count as defective until the reindex).
bool Rebuilder::InstallNewDataFile(const FileblockNames& names) {
  if (int rc = fs_.Rename(new_data_, names.data)) {
    return status_.FailOs(OsAction::kDeleteOrRename, rc);
  }
  if (int rc = fs_.SyncDirectoryOf(names.data)) return status_.FailOs(OsAction::kIo, rc);
  return true;
}

// After a failed run: a save copy this run made goes back to .DAT, beside the
// old index it still matches. The save copy of an earlier interrupted run
// stays, so the next run continues from it. The status stays as it was.
void Rebuilder::RestoreSaveCopy(const FileblockNames& names) {
  fs_.Remove(new_data_);
  if (made_save_copy_ && fs_.Exists(names.save)) {
    if (fs_.Exists(names.data)) fs_.Remove(names.data);  // the new file, installed
    if (fs_.Rename(names.save, names.data) == 0) fs_.SyncDirectoryOf(names.data);
  }
}

// The new data file is whole and in place: the old index and then the save
// copy go.
void Rebuilder::RemoveLeftovers(const FileblockNames& names) {
  fs_.Remove(names.index);
  fs_.Remove(names.journal);
  fs_.Remove(names.save);
  fs_.SyncDirectoryOf(names.data);
}

// ---- Engine entry points --------------------------------------------------

bool Engine::ReindexFileblock(const std::string& path, std::span<const KeyDef> keys,
                              const KeyBuilder& key_builder, const RebuildOptions& options) {
  return Rebuilder(*this).Reindex(path, keys, key_builder, options);
}

void Engine::ReorganizeFileblock(const std::string& path, RecordLengths lengths,
                                 std::span<const KeyDef> keys, const RecordConverter& converter,
                                 const RebuildOptions& options) {
  Rebuilder(*this).Reorganize(path, lengths, static_cast<int>(keys.size()), converter, options);
}

}  // namespace tessary::isam
