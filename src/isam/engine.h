// The storage engine: Fileblocks of fixed-size slots with variable-length
// records, and one B-tree per key with a per-key cursor, behind a shared page
// cache. Every operation reports through the status: it first sets EngineOk()
// true and EngineError() 0, and the first failing step sets the error number.
// No exception leaves the engine.
//
// The work is done by parts that each own one thing: SlotFile (a data file,
// its header, free chain and slots) with VarRecords (the variable-length
// chains in it); KeyTree (the B-tree of one key) with KeyCursor (its cursor);
// PageCache; FileblockFiles (create, open and validate, close); Rebuilder
// (reindex and reorganisation). Engine checks each call and hands it on.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "isam/errors.h"
#include "isam/fileblock_files.h"
#include "isam/format.h"
#include "isam/page_cache.h"
#include "isam/status.h"
#include "platform/file.h"

namespace tessary::isam {

// Page buffers for InitEngine in work that passes over every record once
// (import, export, a full rebuild): enough to keep the pages that six keys
// insert into in memory, where the interactive program's 30 would read and
// write them again and again. The files written are the same either way.
inline constexpr int kBulkPageBuffers = 4096;

// The headers of an open Fileblock as the engine holds them.
struct FileblockInfo {
  DataHeader data;
  std::vector<KeyHeader> keys;   // key 1 first
  std::vector<int> key_lengths;  // derived from each key's page geometry
  int64_t row_bytes = 0;
};

struct Fileblock;

// Progress of a rebuild: pass (0 while reorganising, else the key number),
// records read, records written, the record length and the record as read.
// A callback that fails the status (Engine::SetError) stops the run.
using ProgressCallback = std::function<void(int pass, int32_t read, int32_t written,
                                            int record_length, std::string_view record)>;

// How a rebuild finds records in the data file: variable-length records
// (a head and its chain) or plain slots.
enum class RecordLayout { kVariableLength, kPlainSlots };
// What a reindex does with a record whose key cannot be added (a duplicate in
// a key without duplicates): it is reported in the message file, and deleted
// or kept.
enum class BadRecords { kDelete, kKeep };

// The caller's routines of a rebuild. A routine reports failure by failing
// the status (Engine::SetError); the engine then ends the run with its own
// number.
using KeyBuilder = std::function<std::string(std::string_view record, int key)>;
using RecordConverter = std::function<bool(std::string_view old_record, std::string& new_record)>;
// `as_read`: true for each record as read, false for a converted record
// before it is written.
using RecordHook = std::function<void(std::string_view record, bool as_read)>;

struct RebuildOptions {
  RecordLayout layout = RecordLayout::kVariableLength;
  BadRecords bad_records = BadRecords::kDelete;  // reindex only
  RecordHook hook;
};

struct RecordLengths {
  int old_length;
  int new_length;
};

class Engine {
 public:
  explicit Engine(platform::FileSystem& fs = platform::PosixFileSystem());
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Status of the last operation.
  bool EngineOk() const { return status_.ok(); }
  int EngineError() const { return status_.error(); }
  isam::ErrorClass ErrorClass() const { return ErrorClassOf(status_.error()); }
  // The errno of the system call behind the last failure (ENOSPC, EACCES,
  // ...), 0 when the failure came from the engine itself.
  int OsError() const { return status_.os_error(); }
  // Lets a caller-supplied routine fail the running operation; callers that
  // put back a status they saved pass its OsError() too.
  void SetError(int error, int os_error = 0) { status_.Set(error, os_error); }
  void ResetStatus() { status_.Reset(); }

  void InitEngine(int page_buffers);
  void ExitEngine();
  bool Initialised() const { return initialised_; }

  // Fileblocks.
  void MakeFileblock(const std::string& path, int record_length, int key_count,
                     std::span<const KeyDef> keys);
  Fileblock* OpenFileblock(const std::string& path, Access access = Access::kReadWrite);
  void CloseFileblock(Fileblock* fb);
  FileblockInfo Describe(Fileblock* fb);
  // This engine serves one user: locks are granted at once; the calls only
  // check the handle.
  void LockFileblock(Fileblock* fb) { Check(fb); }
  void UnlockFileblock(Fileblock* fb) { Check(fb); }
  void LockRecord(Fileblock* fb, int32_t) { Check(fb); }
  void UnlockRecord(Fileblock* fb, int32_t) { Check(fb); }

  // Record slots of RecordLength bytes.
  int32_t AddSlot(Fileblock* fb, const void* record);
  void GetSlot(Fileblock* fb, int32_t ref, void* buffer);
  void PutSlot(Fileblock* fb, int32_t ref, const void* record);
  void DeleteSlot(Fileblock* fb, int32_t ref);
  int32_t UsedSlots(Fileblock* fb);
  int32_t FreeSlots(Fileblock* fb);
  int32_t FileLength(Fileblock* fb);
  int32_t SeekUsedSlot(Fileblock* fb, int32_t ref, int direction);
  void NextUsedSlot(Fileblock* fb, int32_t& ref);
  void PrevUsedSlot(Fileblock* fb, int32_t& ref);
  int SlotToRelative(Fileblock* fb, int32_t ref, int scale);
  int32_t RelativeToSlot(Fileblock* fb, int position, int scale);

  // Variable-length records.
  bool SetVarBuffer(size_t size);
  void ReleaseVarBuffer();
  int32_t AddVarRecord(Fileblock* fb, const void* bytes, size_t length);
  // `length`: in, the buffer's size (at most 65520); out, the bytes delivered.
  void GetVarRecord(Fileblock* fb, int32_t ref, void* buffer, size_t& length);
  void PutVarRecord(Fileblock* fb, int32_t ref, const void* bytes, size_t length);
  void DeleteVarRecord(Fileblock* fb, int32_t ref);

  // Keys. Key texts longer than 30 characters are cut to 30 on entry.
  void AddKey(Fileblock* fb, int key, int32_t ref, std::string_view text);
  void DeleteKey(Fileblock* fb, int key, int32_t ref, std::string_view text);
  bool KeyExists(Fileblock* fb, int key, int32_t ref, std::string_view text);
  int32_t UsedKeys(Fileblock* fb, int key);
  void ClearKey(Fileblock* fb, int key);
  void NextKey(Fileblock* fb, int key, int32_t& ref, std::string& text);
  void PrevKey(Fileblock* fb, int key, int32_t& ref, std::string& text);
  void SearchKey(Fileblock* fb, int key, int32_t& ref, std::string& text);
  void FindKeyAndRef(Fileblock* fb, int key, int32_t& ref, std::string& text, int direction);
  void FindKeyAndRefOrLast(Fileblock* fb, int key, int32_t& ref, std::string& text);
  int KeyToRelative(Fileblock* fb, int key, std::string_view text, int32_t ref, int scale);
  void RelativeToKey(Fileblock* fb, int key, int position, int scale, int32_t& ref,
                     std::string& text);

  // Rebuilds (the Fileblock must not be open; both leave it closed).
  //
  // The reindex keeps InUse set in the data file from before it touches the
  // index until the new index is complete and synced, so a reindex that
  // fails, is abandoned or dies leaves a Fileblock whose next open asks for
  // another rebuild.
  //
  // The reorganisation keeps the save copy (.SAV) as the one true copy of the
  // records until the new data file is whole: it writes the new data file as
  // .NEW, syncs it and only then renames it to .DAT, and removes the .SAV
  // last. The new data file carries InUse until the reindex completes. A run
  // that finds a .SAV continues from it, discarding a .DAT that carries InUse
  // (a new file of an interrupted run); a clean .DAT beside a .SAV gives 10465
  // and both files stay as they are. A failed run moves a save copy it made
  // itself back to .DAT beside the old index; the save copy of an earlier
  // interrupted run stays where it is.
  void SetProgressCallback(ProgressCallback callback) { progress_ = std::move(callback); }
  // Builds a new index of `keys` from the records. Returns whether entries
  // were reported in the message file (.MSG).
  bool ReindexFileblock(const std::string& path, std::span<const KeyDef> keys,
                        const KeyBuilder& key_builder, const RebuildOptions& options = {});
  // Copies the records the converter keeps into a new, compact data file for
  // `keys` (whose index the reindex that follows builds).
  void ReorganizeFileblock(const std::string& path, RecordLengths lengths,
                           std::span<const KeyDef> keys, const RecordConverter& converter,
                           const RebuildOptions& options = {});

  platform::FileSystem& file_system() { return fs_; }

 private:
  friend class Rebuilder;
  class ChangeScope;

  bool Begin();
  bool Check(Fileblock* fb);
  bool CheckWritable(Fileblock* fb);
  bool CheckKey(Fileblock* fb, int key);
  bool CheckRef(Fileblock* fb, int32_t ref, int below_one, int above_count);
  // A failure that may have left the files half changed (class 3 or 4)
  // marks the Fileblock damaged and InUse set.
  void NoteFailure(Fileblock* fb);
  Fileblock* Register(std::unique_ptr<Fileblock> fb);
  // Closes a Fileblock without the clean close: InUse stays set on disk.
  void Abandon(Fileblock* fb);
  std::list<std::unique_ptr<Fileblock>>::iterator Find(Fileblock* fb);

  platform::FileSystem& fs_;
  Status status_;
  FileblockFiles files_{fs_, status_};
  bool initialised_ = false;
  std::unique_ptr<PageCache> cache_;
  std::list<std::unique_ptr<Fileblock>> open_;
  std::vector<uint8_t> var_buffer_;
  ProgressCallback progress_;
};

}  // namespace tessary::isam
