// The database session: the one open Fileblock of the program, the record
// buffers every window shares, and the record operations with their questions,
// error reports and undo rules. Every engine failure reaches the user as
// "IsamError: <n> -- <text>.  <location>".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "database/keys.h"
#include "isam/engine.h"
#include "platform/file.h"
#include "ui/host.h"

namespace tessary::database {

// Exit codes of steps that cannot be undone.
enum ExitCode : int {
  kExitReopenFailed = 3,
  kExitCloseFailed = 4,
  kExitNoDiskSpace = 7,
  kExitRebuildFailed = 17,
  kExitUndoAddFailed = 19,
  kExitUndoDeleteFailed = 26,
};

inline constexpr int kPageBuffers = 30;
inline constexpr const char* kDefaultBaseName = "Tes_Win";

// What the user reads after an engine failure besides its number and text:
// the system's reason ("No space left on device") and the way out (free
// space, check permissions, rebuild, restore a backup), as lines that follow
// the message; empty when there is nothing to add.
std::string FailureAdvice(int error, int os_error);

// Engine errors at open that mean a damaged header or a file cut short: the
// rebuild repairs them as it repairs an index left open.
bool IsRepairableAtOpen(int error);

// A record read by reference: the record over what the reader filled its
// buffer with, and the number of bytes the file holds for it.
struct StoredRecord {
  QuotationRecord record;
  size_t length;
};

// Reads the record at `ref` over `fill` (a short record leaves lines 5 to 11
// as `fill` has them). Empty when the engine cannot read it; the engine's
// status then says why. For readers that hold an engine without a session.
std::optional<StoredRecord> ReadRecord(isam::Engine& engine, isam::Fileblock* fileblock,
                                       int32_t ref, const QuotationRecord& fill = EmptyRecord());

// What UpdateRecord did.
enum class UpdateOutcome {
  kUpdated,    // the record and its changed keys were rewritten
  kUnchanged,  // the edited record equals the saved one: nothing was written
  kFailed,     // reported to the user; the keys after the failing one are as they were
};

// What DeleteRecord did.
enum class DeleteOutcome {
  kDeleted,
  kCancelled,  // the user answered No
  kFailed,     // reported to the user
};

class Session {
 public:
  Session(ui::Host& host, platform::FileSystem& fs);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Where the Fileblock lives: `directory`/`base_name` (an absolute base name
  // stands alone). Set before the open.
  void set_directory(std::string directory) { directory_ = std::move(directory); }
  void set_base_name(std::string base_name) { base_name_ = std::move(base_name); }
  const std::string& directory() const { return directory_; }
  std::string FileblockPath() const;

  // Seams the owner installs before StartDatabase. `before_open` runs after
  // the engine started and before the open (start values, options file,
  // command line); `show_status` shows a text in the main window's third
  // status panel; `reattach_list` re-attaches the record list after a
  // rebuild and gives true when it worked.
  std::function<void(Session&)> before_open;
  std::function<void(const std::string&)> show_status;
  std::function<bool()> reattach_list;

  // The shared record buffers. Windows fill them by design: the entry forms
  // build the current record, the edit keeps the saved one, the list reads
  // its rows through the current record, the forms copy from the previous.
  QuotationRecord current_record = EmptyRecord();
  QuotationRecord saved_record = EmptyRecord();
  QuotationRecord previous_record = EmptyRecord();

  // The engine and the open Fileblock, for what walks the data itself (the
  // record list, exports, the command-line tool's listings and checks).
  isam::Engine& engine() { return engine_; }
  const isam::Engine& engine() const { return engine_; }
  isam::Fileblock* fileblock() const { return fileblock_; }
  bool is_open() const { return fileblock_ != nullptr; }

  // The reference of the current record, as the last read through the
  // session or SetCurrent left it.
  int32_t current_ref() const { return current_ref_; }
  // Length the engine gave for the record the session read last.
  uint16_t record_length() const { return record_length_; }
  // Reference the last add received.
  int32_t add_ref() const { return add_ref_; }

  // The sort key of the main list; a number outside 1 to 6 counts as 1.
  int current_key() const { return current_key_; }
  void SetCurrentKey(int key) { current_key_ = ValidKey(key); }
  // The key the last SearchKeyRetry searched.
  int search_key_number() const { return search_key_number_; }

  // The highest record number in use; a new record receives the next one.
  int32_t highest_record_number() const { return highest_record_number_; }
  // Takes the next record number for a new record and gives it.
  int32_t TakeNextRecordNumber() { return ++highest_record_number_; }
  // A record numbered `number` was stored: the highest number follows it.
  void NoteRecordNumber(int32_t number) {
    if (number > highest_record_number_) highest_record_number_ = number;
  }

  // The next StepAndRead searches its start position afresh from the key
  // text (after the list or another window moved the key's position).
  void SetRestart(bool restart) { restart_ = restart; }
  bool restart() const { return restart_; }

  // The record at `ref`, zero beyond what is stored (see ReadRecord).
  std::optional<QuotationRecord> Read(int32_t ref);
  std::optional<StoredRecord> ReadStored(int32_t ref, const QuotationRecord& fill = EmptyRecord());
  // Reads the record at `ref` into the current record (zeroed first) and
  // makes `ref` the current reference; false when it cannot be read (the
  // engine's status says why; nothing is reported).
  bool ReadCurrent(int32_t ref);
  // `record`, found elsewhere at `ref`, becomes the current record.
  void SetCurrent(const QuotationRecord& record, int32_t ref);

  // `page_buffers`: the engine's page cache (isam::kBulkPageBuffers for bulk
  // work such as an import or a full rebuild).
  bool StartDatabase(int page_buffers = kPageBuffers);
  bool OpenDatabase();
  // A save copy is present: an earlier rebuild was interrupted. Asks, then
  // finishes it from the save copy; false when the user declines or the
  // rebuild fails (both reported).
  bool FinishInterruptedRebuild();
  bool CreateFileblock();
  // The error box "IsamError: <n> -- <text>.  <location>" when the engine's
  // error number is not 0. The location is stored and stays the one shown by
  // a report without a location of its own.
  void ReportEngineError(std::string_view location);
  void ReportEngineError();
  bool YesNo(std::string_view text);
  bool LockAbort();
  bool LockAllRetry();
  // Positions `key` (which becomes the search key number) on the first entry
  // not less than `key_text`, asking before it retries a lock.
  bool SearchKeyRetry(int key, int32_t& ref, std::string& key_text);
  bool FindAndRead(int key, int32_t& ref, const std::string& key_text);
  bool StepAndRead(int key, int32_t& ref, std::string& key_text, bool forward);
  bool AddRecord();
  UpdateOutcome UpdateRecord(int32_t ref);
  DeleteOutcome DeleteRecord(const QuotationRecord& record, int32_t ref);
  // True when the files were rebuilt and opened again. After a failed or
  // abandoned rebuild the failure is reported and the Fileblock opened as it
  // is (it stays closed when the user declines a further rebuild).
  bool RebuildDataAndIndexes();
  bool RebuildFiles();
  // Closes the Fileblock (when open) and releases the record buffer; the
  // engine keeps running for OpenDatabase. False when the close failed.
  bool CloseFileblock();
  void CloseDatabase();

  // The records in use (head and continuation slots), for the free-space test.
  // Returns false when the user abandoned the count at a lock.
  bool CountRecords(int32_t* count);
  // Bytes a full rebuild needs for `used_slots` slots in use.
  static double RequiredSpace(int32_t used_slots) { return used_slots * 512.0 + 10000.0; }

  ui::Host& host() { return host_; }

 private:
  void PositionKey(std::string key_text, int32_t ref, int key);
  void ReAddKeys(const QuotationRecord& record, int32_t ref, int count);
  bool Fail(const std::string& where);
  // Reads the record at `ref` into the current record for FindAndRead and
  // StepAndRead; false (reported at `where`) when it cannot be read.
  bool ReadFound(int32_t ref, const char* where);
  void ReadHighestRecordNumber();
  // The open Fileblock has the record length and keys of a quotation
  // database; a header that says otherwise is damaged.
  bool FormatMatches();
  bool OfferIndexRebuild();
  std::string FileName(const char* extension) const;

  ui::Host& host_;
  platform::FileSystem& fs_;
  std::string directory_ = ".";
  std::string base_name_ = kDefaultBaseName;
  isam::Engine engine_;
  isam::Fileblock* fileblock_ = nullptr;
  int32_t current_ref_ = 0;
  int32_t add_ref_ = 0;
  int current_key_ = 1;
  int search_key_number_ = 1;
  int32_t highest_record_number_ = 0;
  uint16_t record_length_ = 0;
  bool restart_ = false;
  bool lock_blocked_ = false;
  std::string location_;
};

}  // namespace tessary::database
