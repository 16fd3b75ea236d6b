// The storage engine: Fileblocks of fixed-size slots with variable-length
// records, and one B-tree per key with a per-key cursor, behind a shared page
// cache. Every operation reports through the status: it first sets EngineOk()
// true and EngineError() 0, and the first failing step sets the error number.
// No exception leaves the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "isam/errors.h"
#include "isam/format.h"
#include "platform/file.h"

namespace tessary::isam {

struct KeyDef {
  int key_len;
  bool allow_duplicates;
};

// The headers of an open Fileblock as the engine holds them.
struct FileblockInfo {
  DataHeader data;
  std::vector<KeyHeader> keys;   // key 1 first
  std::vector<int> key_lengths;  // derived from each key's page geometry
  int64_t row_bytes = 0;
};

struct Fileblock;
struct PageBuffer;
class PageCache;

// Progress of a rebuild: pass (0 while reorganising, else the key number),
// records read, records written, the record length and the record as read.
// A callback that fails the status (Engine::SetError) stops the run.
using ProgressCallback = std::function<void(int pass, int32_t read, int32_t written,
                                            int record_length, std::string_view record)>;

class Engine {
 public:
  explicit Engine(platform::FileSystem& fs = platform::PosixFileSystem());
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Status of the last operation.
  bool EngineOk() const { return ok_; }
  int EngineError() const { return error_; }
  int ErrorClass() const { return ErrorClassOf(error_); }
  // The errno of the system call behind the last failure (ENOSPC, EACCES,
  // ...), 0 when the failure came from the engine itself.
  int OsError() const { return os_error_; }
  // Lets a caller-supplied routine fail the running operation; callers that
  // put back a status they saved pass its OsError() too.
  void SetError(int error, int os_error = 0);
  void ResetStatus() {
    ok_ = true;
    error_ = 0;
    os_error_ = 0;
  }

  void InitEngine(int page_buffers);
  void ExitEngine();
  bool EngineReady() const { return true; }
  bool NetModeActive() const { return false; }
  bool Initialised() const { return initialised_; }

  // Fileblocks.
  void MakeFileblock(const std::string& path, int record_length, int key_count,
                     std::span<const KeyDef> keys);
  Fileblock* OpenFileblock(const std::string& path, bool read_only = false,
                           bool all_read_only = false, bool save_mode = false,
                           bool net_mode = false);
  void CloseFileblock(Fileblock* fb);
  void DeleteFileblock(const std::string& path);
  FileblockInfo Describe(Fileblock* fb);
  void LockFileblock(Fileblock* fb);
  void UnlockFileblock(Fileblock* fb);
  void LockRecord(Fileblock* fb, int32_t ref);
  void UnlockRecord(Fileblock* fb, int32_t ref);

  // Record slots of RecordLength bytes.
  int32_t AddSlot(Fileblock* fb, const void* record);
  void GetSlot(Fileblock* fb, int32_t ref, void* buffer);
  void PutSlot(Fileblock* fb, int32_t ref, const void* record);
  void DeleteSlot(Fileblock* fb, int32_t ref);
  int32_t UsedSlots(Fileblock* fb);
  int32_t FreeSlots(Fileblock* fb);
  int32_t FileLength(Fileblock* fb);
  int32_t GetRecordLength(Fileblock* fb);
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

  // Rebuilds (the Fileblock must not be open; both leave it closed). A
  // caller-supplied routine reports failure by failing the status
  // (SetError); the engine then ends the run with its own number.
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
  using KeyBuilder = std::function<std::string(std::string_view record, int key)>;
  using RecordConverter = std::function<bool(std::string_view old_record, std::string& new_record)>;
  // `as_read`: true for each record as read, false for a converted record
  // before it is written.
  using RecordHook = std::function<void(std::string_view record, bool as_read)>;
  void SetProgressCallback(ProgressCallback callback) { progress_ = std::move(callback); }
  void ReindexFileblock(const std::string& path, int key_count, std::span<const KeyDef> keys,
                        const KeyBuilder& key_builder, const RecordHook& hook,
                        bool delete_bad_records, bool variable_length, bool& message_written);
  void ReorganizeFileblock(const std::string& path, int new_record_length, int old_record_length,
                           int key_count, std::span<const KeyDef> keys,
                           const RecordConverter& converter, const RecordHook& hook,
                           bool variable_length);

  platform::FileSystem& file_system() { return fs_; }

 private:
  enum class Insert { kDone, kOverflow, kFailed };
  enum class Remove { kDone, kUnderflow, kNotFound, kFailed };

  bool Fail(int error);
  // Fails with the engine's number for a failed system call and keeps its
  // errno for OsError().
  bool FailOs(OsAction action, int os_error);
  bool Begin();
  bool Check(Fileblock* fb);
  bool CheckWritable(Fileblock* fb);
  bool CheckKey(Fileblock* fb, int key);
  bool ReadFail(const platform::IoResult& r);
  bool WriteFail(const platform::IoResult& r);

  bool MakeFiles(const FileblockNames& names, int record_length, int key_count,
                 std::span<const KeyDef> keys);
  bool MakeDataFile(const std::string& name, int record_length, int key_count);
  bool MakeIndexFile(const std::string& name, int key_count, std::span<const KeyDef> keys);
  // Opens and validates a Fileblock. `rebuilding`: the reindex opens a data
  // file whose InUse it set itself; the open then counts as changed.
  Fileblock* OpenFiles(const std::string& path, bool read_only, bool rebuilding);
  bool ValidateIndexSize(Fileblock* fb);
  // Reorganisation steps (rebuild.cc).
  bool PrepareSaveCopy(const FileblockNames& names, bool* made_here);
  bool CopyIntoNewDataFile(platform::File& save, const std::string& new_data, int old_length,
                           int new_length, int key_count, const RecordConverter& converter,
                           const RecordHook& hook, bool variable_length);
  bool InstallNewDataFile(const FileblockNames& names, const std::string& new_data);
  void RestoreSaveCopy(const FileblockNames& names, const std::string& new_data, bool made_here);
  bool PrepareDataForReindex(const FileblockNames& names, int key_count, bool variable_length);
  bool MarkChanged(Fileblock* fb);
  // Ends a changing operation: a failure that may have left the files half
  // changed (class 3 or 4) marks the Fileblock damaged and InUse set.
  class ChangeScope;
  void NoteFailure(Fileblock* fb);
  void AbandonFileblock(Fileblock* fb);
  bool ReadAt(platform::File& file, uint64_t offset, void* buf, size_t n);
  bool WriteAt(platform::File& file, uint64_t offset, const void* buf, size_t n);
  // Reads data slot `slot` (`l` bytes) for GetVarRecord; see window_.
  bool ReadDataSlot(Fileblock* fb, int32_t slot, uint8_t* buf, size_t l);
  void DropReadWindow();
  bool AllocSlot(Fileblock* fb, int32_t* slot, int32_t* undo_head);
  void UndoAllocSlot(Fileblock* fb, int32_t slot, bool from_free, int32_t old_head);
  bool FreeSlot(Fileblock* fb, int32_t slot);
  int32_t AddSlotRaw(Fileblock* fb, const uint8_t* record);
  bool DeleteChain(Fileblock* fb, int32_t first, bool include_first);
  bool WriteContinuations(Fileblock* fb, const uint8_t* bytes, size_t length, int32_t* first);
  bool FlushAndClose(Fileblock* fb);
  bool WriteHeaders(Fileblock* fb);

  // B-tree.
  bool AllocPage(Fileblock* fb, int key, int32_t* page);
  bool FreePage(Fileblock* fb, int key, int32_t page);
  static bool WriteBuffer(void* engine, PageBuffer& buffer);
  PageBuffer* FetchPage(Fileblock* fb, int key, int32_t page);
  PageBuffer* NewPage(Fileblock* fb, int key, int32_t page);
  bool Position(Fileblock* fb, int key, std::string_view text, int32_t ref, bool with_ref,
                bool* exact);
  bool StepNext(Fileblock* fb, int key, int32_t& ref, std::string& text);
  bool StepPrev(Fileblock* fb, int key, int32_t& ref, std::string& text);
  bool CursorEntry(Fileblock* fb, int key, int32_t& ref, std::string& text);
  Insert InsertInto(Fileblock* fb, int key, int32_t page_no, const Item& entry, int depth,
                    Item* carry, int* position);
  bool Redistribute(Fileblock* fb, int key, int32_t parent_no, int child_pos, const Item& x,
                    int x_pos, bool* done);
  bool SplitPage(Fileblock* fb, int key, int32_t page_no, const Item& x, int x_pos, Item* promoted);
  Remove RemoveFrom(Fileblock* fb, int key, int32_t page_no, std::string_view text, int32_t ref,
                    int depth);
  Remove RemovePredecessor(Fileblock* fb, int key, int32_t page_no, Item* out, int depth);
  bool Repair(Fileblock* fb, int key, int32_t parent_no, int child_pos);

  platform::FileSystem& fs_;
  bool ok_ = true;
  int error_ = 0;
  int os_error_ = 0;
  bool initialised_ = false;
  std::unique_ptr<PageCache> cache_;
  std::list<std::unique_ptr<Fileblock>> open_;
  std::vector<uint8_t> var_buffer_;
  ProgressCallback progress_;
  // Variable-length records read one after another in slot order (a pass
  // over the records in the order they were added) are served from a window
  // of slots read ahead in one system call. Every write to the file, and every
  // open, close and rebuild, drops the window, so it never shows stale bytes.
  platform::File* window_file_ = nullptr;
  uint64_t window_offset_ = 0;
  std::vector<uint8_t> window_;
  platform::File* last_read_file_ = nullptr;
  int32_t last_read_slot_ = 0;
};

}  // namespace tessary::isam
