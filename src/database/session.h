// The database session: the one open Fileblock of the program, the record
// buffers every window shares, and the record operations with their questions,
// error reports and undo rules. Every engine failure reaches the user as
// "IsamError: <n> -- <text>.  <location>".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "database/quotation_record.h"
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

class Session {
 public:
  Session(ui::Host& host, platform::FileSystem& fs);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Where the Fileblock lives: `directory`/`base_name`.
  std::string directory = ".";
  std::string base_name = kDefaultBaseName;
  std::string FileblockPath() const;

  // Seams for start-up: runs after the engine started and before the open
  // (start values, options file, command line).
  std::function<void(Session&)> before_open;
  // Shows a text in the main window's third status panel.
  std::function<void(const std::string&)> show_status;
  // Re-attaches the record list after a rebuild; true when it worked.
  std::function<bool()> reattach_list;

  // The database state.
  isam::Engine engine;
  isam::Fileblock* fileblock = nullptr;
  QuotationRecord current_record = EmptyRecord();
  QuotationRecord saved_record = EmptyRecord();
  QuotationRecord previous_record = EmptyRecord();
  int32_t current_ref = 0;
  int32_t add_ref = 0;
  std::string current_key_text;
  int current_key_number = 1;
  int search_key_number = 1;
  int32_t highest_record_number = 0;
  uint16_t record_length = 0;
  bool restart = false;
  bool delete_cancelled = false;
  bool records_equal = false;
  bool record_changed = false;
  std::string location;

  bool StartDatabase();
  bool OpenDatabase();
  // A save copy is present: an earlier rebuild was interrupted. Asks, then
  // finishes it from the save copy; false when the user declines or the
  // rebuild fails (both reported).
  bool FinishInterruptedRebuild();
  bool CreateFileblock();
  void ReportEngineError();
  bool YesNo(std::string_view text);
  bool LockAbort();
  bool LockAllRetry();
  bool SearchKeyRetry(int32_t& ref, std::string& key_text);
  bool FindAndRead(int key, int32_t& ref, const std::string& key_text);
  bool StepAndRead(int key, int32_t& ref, std::string& key_text, bool forward);
  bool AddRecord();
  bool UpdateRecord(int32_t ref);
  bool DeleteRecord(const QuotationRecord& record, int32_t ref);
  // True when the files were rebuilt and opened again. After a failed or
  // abandoned rebuild the failure is reported and the Fileblock opened as it
  // is (fileblock stays null when the user declines a further rebuild).
  bool RebuildDataAndIndexes();
  bool RebuildFiles();
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
  void ReadHighestRecordNumber();
  // The open Fileblock has the record length and keys of a quotation
  // database; a header that says otherwise is damaged.
  bool FormatMatches();
  bool OfferIndexRebuild();
  std::string FileName(const char* extension) const;

  ui::Host& host_;
  platform::FileSystem& fs_;
  bool lock_blocked_ = false;
};

}  // namespace tessary::database
