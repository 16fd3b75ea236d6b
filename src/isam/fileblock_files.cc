#include "isam/fileblock_files.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tessary::isam {
namespace {

using platform::OpenMode;

// Counts that no clean close can leave behind: the index cannot be trusted
// and a rebuild repairs the data file.
bool DataHeaderSound(const DataHeader& h) {
  return h.slot_count >= 0 && h.free_count >= 0 && h.free_count <= h.slot_count &&
         h.first_free >= -1 && h.first_free <= h.slot_count && h.first_free != 0 &&
         (h.first_free == -1) == (h.free_count == 0);
}

// A tree cannot hold the entries such a header counts.
bool KeyHeaderSound(const KeyHeader& kh) {
  return kh.page_count >= 0 && kh.root_page >= 0 && kh.root_page <= kh.page_count &&
         kh.first_free_page >= -1 && kh.first_free_page != 0 &&
         kh.first_free_page <= kh.page_count && kh.free_page_count >= 0 &&
         kh.free_page_count <= kh.page_count && kh.entry_count >= 0 &&
         (kh.root_page == 0) == (kh.entry_count == 0) &&
         kh.entry_count <= static_cast<int64_t>(kh.page_count - kh.free_page_count) * kMaxPageSize;
}

}  // namespace

bool FileblockFiles::Make(const FileblockNames& names, int record_length, int key_count,
                          std::span<const KeyDef> keys) {
  int error = 0;
  if (record_length < kMinRecordLength) error = kErrRecordLength;
  if (key_count < 0 || key_count > kMaxKeys) error = kErrKeyCount;
  if (error == 0 && static_cast<size_t>(key_count) > keys.size()) error = kErrKeyCount;
  if (error != 0) return status_.Fail(error);
  fs_.Remove(names.index);
  fs_.Remove(names.journal);
  fs_.Remove(names.data);
  if (!MakeDataFile(names.data, record_length, key_count)) return false;
  if (key_count > 0 && !MakeIndexFile(names.index, keys.first(static_cast<size_t>(key_count)))) {
    fs_.Remove(names.data);
    return false;
  }
  fs_.SyncDirectoryOf(names.data);
  return true;
}

// The data file is written under a temporary name and renamed into place, so
// a crash while creating never leaves a data file without its header.
bool FileblockFiles::MakeDataFile(const std::string& name, int record_length, int key_count) {
  const std::string temp = name + ".tmp";
  std::unique_ptr<platform::File> data;
  if (int rc = fs_.Open(temp, OpenMode::kCreate, &data)) {
    return status_.FailOs(OsAction::kCreate, rc);
  }
  DataHeader header;
  header.record_length = record_length;
  header.key_count = key_count;
  uint8_t header_bytes[kDataHeaderSize];
  EncodeDataHeader(header, header_bytes);
  // The slot of zeros is made by extending the file, then the header written.
  if (int rc = data->Truncate(static_cast<uint64_t>(record_length))) {
    status_.FailOs(OsAction::kIo, rc);
  } else if (status_.WriteAt(*data, 0, header_bytes, sizeof header_bytes)) {
    status_.Sync(*data);
  }
  const int close_rc = data->Close();
  if (close_rc != 0) status_.Fail(kErrCloseFailed);
  if (status_.ok()) {
    if (int rc = fs_.Rename(temp, name)) status_.FailOs(OsAction::kDeleteOrRename, rc);
  }
  if (!status_.ok()) fs_.Remove(temp);
  return status_.ok();
}

bool FileblockFiles::MakeIndexFile(const std::string& name, std::span<const KeyDef> keys) {
  std::vector<std::pair<int64_t, KeyHeader>> headers;
  int64_t offset = 0;
  for (const KeyDef& key : keys) {
    if (key.key_len < 1 || key.key_len > kMaxKeyLen) return status_.Fail(kErrKeyLenAtCreate);
    KeyHeader kh;
    kh.page_bytes = PageBytesFor(key.key_len);
    kh.allow_duplicates = key.allow_duplicates ? 1 : 0;
    headers.emplace_back(offset, kh);
    offset += kh.page_bytes;
  }
  std::unique_ptr<platform::File> index;
  if (int rc = fs_.Open(name, OpenMode::kCreate, &index)) {
    return status_.FailOs(OsAction::kCreate, rc);
  }
  std::vector<uint8_t> row(static_cast<size_t>(offset), 0);
  for (const auto& [at, kh] : headers) EncodeKeyHeader(kh, row.data() + at);
  if (status_.WriteAt(*index, 0, row.data(), row.size())) status_.Sync(*index);
  if (index->Close() != 0) status_.Fail(kErrCloseFailed);
  if (!status_.ok()) fs_.Remove(name);
  return status_.ok();
}

std::unique_ptr<Fileblock> FileblockFiles::Open(const std::string& path, Access access,
                                                PageCache& cache, bool in_use_is_ours) {
  auto fb = std::make_unique<Fileblock>();
  if (int rc = DeriveNames(path, &fb->names)) {
    status_.Fail(rc);
    return nullptr;
  }
  fb->read_only = access == Access::kReadOnly;
  const OpenMode mode = fb->read_only ? OpenMode::kRead : OpenMode::kReadWrite;
  bool sound = true;
  if (!OpenDataFile(*fb, mode, &sound)) return nullptr;
  const int key_count = fb->data->header().key_count & 0xFF;
  if (key_count > 0 && !OpenIndexFile(*fb, mode, cache, key_count, &sound)) return nullptr;
  if (in_use_is_ours) {
    fb->data->AdoptInUse();
  } else if (fb->data->header().in_use != 0 || !sound) {
    status_.Fail(kErrIndexDefect);
    return nullptr;
  }
  if (!fb->read_only && fs_.Exists(fb->names.journal)) fs_.Remove(fb->names.journal);
  return fb;
}

// Reads and checks the data header. After a clean close the file holds
// exactly the slots its header counts: fewer means lost slots, more a
// SlotCount that no longer reaches them all.
bool FileblockFiles::OpenDataFile(Fileblock& fb, OpenMode mode, bool* sound) {
  std::unique_ptr<platform::File> file;
  if (int rc = fs_.Open(fb.names.data, mode, &file)) return status_.FailOs(OsAction::kOpen, rc);
  uint8_t bytes[kDataHeaderSize];
  if (!status_.ReadAt(*file, 0, bytes, sizeof bytes)) return false;
  const DataHeader h = DecodeDataHeader(bytes);
  if ((h.key_count & 0xFF) > kMaxKeys) return status_.Fail(kErrTooManyKeys);
  if (h.record_length < kMinRecordLength) return status_.Fail(kErrRecordLength);
  uint64_t size = 0;
  *sound = DataHeaderSound(h) && file->Size(&size) == 0 &&
           size == (static_cast<uint64_t>(std::max(h.slot_count, 0)) + 1) *
                       static_cast<uint64_t>(h.record_length);
  fb.data = std::make_unique<SlotFile>(status_, std::move(file), h);
  return true;
}

// Opens the index file and reads each key's header, deriving its key length
// from the page geometry. A missing or unreadable index file is repaired by
// reindexing (10010).
bool FileblockFiles::OpenIndexFile(Fileblock& fb, OpenMode mode, PageCache& cache, int key_count,
                                   bool* sound) {
  if (int rc = fs_.Open(fb.names.index, mode, &fb.index.file)) {
    const int error = MapOsError(OsAction::kOpen, rc);
    return status_.Fail(error == kErrTooManyOpenFiles ? error : kErrIndexDefect);
  }
  int64_t offset = 0;
  for (int k = 1; k <= key_count; ++k) {
    uint8_t bytes[kKeyHeaderSize];
    if (fb.index.file->ReadAt(static_cast<uint64_t>(offset), bytes, sizeof bytes).bytes !=
        sizeof bytes) {
      return status_.Fail(kErrIndexDefect);
    }
    const KeyHeader header = DecodeKeyHeader(bytes);
    int key_len = 0;
    int page_size = 0;
    if (int rc = DeriveKeyLen(header, &key_len, &page_size)) return status_.Fail(rc);
    if (!KeyHeaderSound(header)) *sound = false;
    fb.trees.push_back(
        std::make_unique<KeyTree>(status_, cache, fb.index, header, key_len, page_size, offset));
    fb.cursors.emplace_back(status_, *fb.trees.back());
    fb.index.row_count = std::max(fb.index.row_count, header.page_count);
    offset += header.page_bytes;
  }
  fb.index.row_bytes = offset;
  return ValidateIndexSize(fb);
}

// An index file shorter than the rows its key headers count has lost pages
// (a copy cut short, a full disk): it is repaired by reindexing.
bool FileblockFiles::ValidateIndexSize(Fileblock& fb) {
  uint64_t size = 0;
  if (int rc = fb.index.file->Size(&size)) return status_.FailOs(OsAction::kIo, rc);
  const uint64_t needed =
      (static_cast<uint64_t>(fb.index.row_count) + 1) * static_cast<uint64_t>(fb.index.row_bytes);
  if (size < needed) return status_.Fail(kErrIndexDefect);
  return true;
}

bool FileblockFiles::Flush(Fileblock& fb, PageCache& cache) {
  SlotFile& data = *fb.data;
  if (fb.read_only || !data.changed()) return true;
  for (auto& tree : fb.trees) {
    if (!cache.Flush(tree.get())) return false;
  }
  for (auto& tree : fb.trees) {
    if (!tree->WriteHeader()) return false;
  }
  if (!data.WriteHeader()) return false;
  if (fb.index.file && !status_.Sync(*fb.index.file)) return false;
  if (!data.Sync()) return false;
  if (fb.damaged) return true;  // InUse stays set: the next open asks for a rebuild
  return data.ClearInUse();
}

bool FileblockFiles::CloseFiles(Fileblock& fb, PageCache& cache) {
  for (auto& tree : fb.trees) cache.Drop(tree.get());
  const int index_rc = fb.index.file ? fb.index.file->Close() : 0;
  const int data_rc = fb.data->Close();
  fb.mark = 0;
  return index_rc == 0 && data_rc == 0;
}

}  // namespace tessary::isam
