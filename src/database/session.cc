#include "database/session.h"

#include <errno.h>

#include <cstdio>
#include <cstring>

#include "platform/text.h"

namespace tessary::database {
namespace {

constexpr const char* kRebuildFixed1 = "Warning!! - Interrupting this procedure before";
constexpr const char* kRebuildFixed2 = "it is finished will cause unpredictable results.";

std::string Decimal(int64_t n) { return std::to_string(n); }

// Engine numbers that mean a damaged file rather than a refused request.
bool IsDamage(int error) {
  return error == isam::kErrIndexDefect || error == isam::kErrReindexInconsistent ||
         error == isam::kErrTooMuchRecords || IsRepairableAtOpen(error);
}

std::string WayOutFor(int os_error) {
  switch (os_error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return "Free up some disk space and try again.";
    case EACCES:
    case EPERM:
    case EROFS:
      return "Check that you may write to the database files and their directory.";
    case EISDIR:
      return "A directory has the name of a database file: rename it or choose another "
             "database.";
    case ENOENT:
    case ENOTDIR:
      return "Check the path of the database.";
    case EIO:
      return "The disk failed to read or write the files: copy them to a sound disk or restore "
             "a backup.";
    default:
      return "";
  }
}

}  // namespace

std::string FailureAdvice(int error, int os_error) {
  std::string advice;
  if (os_error != 0) {
    advice = std::strerror(os_error);
    advice += ".";
    std::string way = WayOutFor(os_error);
    if (!way.empty()) advice += "  " + way;
  } else if (IsDamage(error)) {
    advice = "The database files are damaged: rebuild the data and indexes, or restore a backup.";
  }
  return advice;
}

bool IsRepairableAtOpen(int error) {
  switch (error) {
    case isam::kErrRecordLength:
    case isam::kErrTooManyKeys:
    case isam::kErrRead:
    case isam::kErrPageSizeIncompatible:
    case isam::kErrMaxKeyLenTooSmall:
    case isam::kErrMaxPageSizeTooSmall:
    case isam::kErrConsistency:
      return true;
    default:
      return false;
  }
}

std::optional<StoredRecord> ReadRecord(isam::Engine& engine, isam::Fileblock* fileblock,
                                       int32_t ref, const QuotationRecord& fill) {
  StoredRecord stored{fill, sizeof(QuotationRecord)};
  engine.GetVarRecord(fileblock, ref, &stored.record, stored.length);
  if (!engine.EngineOk()) return std::nullopt;
  return stored;
}

Session::Session(ui::Host& host, platform::FileSystem& fs) : host_(host), fs_(fs), engine_(fs) {}

Session::~Session() = default;

std::string Session::FileblockPath() const {
  if (base_name_.empty()) return directory_ + "/" + kDefaultBaseName;
  if (base_name_[0] == '/') return base_name_;
  return directory_ + "/" + base_name_;
}

std::string Session::FileName(const char* extension) const {
  isam::FileblockNames names;
  isam::DeriveNames(FileblockPath(), &names);
  return isam::WithExtension(names.data, extension);
}

bool Session::Fail(const std::string& where) {
  ReportEngineError(where);
  return false;
}

std::optional<QuotationRecord> Session::Read(int32_t ref) {
  std::optional<StoredRecord> stored = ReadStored(ref);
  if (!stored) return std::nullopt;
  return stored->record;
}

std::optional<StoredRecord> Session::ReadStored(int32_t ref, const QuotationRecord& fill) {
  return ReadRecord(engine_, fileblock_, ref, fill);
}

bool Session::ReadCurrent(int32_t ref) {
  std::optional<StoredRecord> stored = ReadStored(ref);
  current_record = stored ? stored->record : EmptyRecord();
  if (!stored) return false;
  current_ref_ = ref;
  record_length_ = static_cast<uint16_t>(stored->length);
  return true;
}

void Session::SetCurrent(const QuotationRecord& record, int32_t ref) {
  current_record = record;
  current_ref_ = ref;
}

bool Session::ReadFound(int32_t ref, const char* where) {
  if (!ReadCurrent(ref)) return Fail(where);
  return true;
}

// The fixed form first; the system's reason and the way out follow on a line
// of their own.
void Session::ReportEngineError(std::string_view location) {
  location_ = location;
  ReportEngineError();
}

void Session::ReportEngineError() {
  int error = engine_.EngineError();
  if (error == 0) return;
  std::string text =
      "IsamError: " + Decimal(error) + " -- " + isam::ErrorMessage(error) + ".  " + location_;
  std::string advice = FailureAdvice(error, engine_.OsError());
  if (!advice.empty()) text += "\n" + advice;
  host_.ShowError(text);
}

bool Session::YesNo(std::string_view text) { return host_.AskYesNo(std::string(text) + "?"); }

bool Session::StartDatabase() {
  engine_.InitEngine(kPageBuffers);
  if (!engine_.EngineOk()) return false;
  if (before_open) before_open(*this);
  if (!OpenDatabase()) return false;
  if (show_status) show_status("Active Records: " + Decimal(engine_.UsedKeys(fileblock_, 1)));
  return true;
}

bool Session::OpenDatabase() {
  const std::string path = FileblockPath();
  const std::string where = "Opening " + path;
  bool damage_reported = false;
  while (true) {
    // A save copy holds the records of an interrupted rebuild, whatever the
    // data file beside it looks like: it is never opened in that state.
    if (fs_.Exists(FileName("SAV"))) {
      if (!FinishInterruptedRebuild()) return false;
      continue;
    }
    fileblock_ = engine_.OpenFileblock(path);
    if (engine_.EngineOk() && !FormatMatches()) {
      engine_.CloseFileblock(fileblock_);
      engine_.SetError(isam::kErrIndexDefect);
      if (!damage_reported) Fail(where);
      damage_reported = true;
    }
    if (engine_.EngineOk()) break;
    fileblock_ = nullptr;
    int error = engine_.EngineError();
    if (error == isam::kErrIndexDefect || IsRepairableAtOpen(error)) {
      // A damaged header or a file cut short is named once, then repaired as
      // an index left open is.
      if (error != isam::kErrIndexDefect && !damage_reported) Fail(where);
      damage_reported = true;
      if (!OfferIndexRebuild()) return false;
      continue;
    }
    if (error == isam::kErrFileNotFound) {
      if (!YesNo("Data file does not exist. Create")) {
        host_.ShowInformation("The program requires a data file to run.  Exiting now.");
        return false;
      }
      if (!CreateFileblock()) return Fail("Creating " + path);
      continue;
    }
    return Fail(where);
  }
  if (!engine_.SetVarBuffer(512)) return Fail(where);
  ReadHighestRecordNumber();
  return true;
}

// Asks once; on Yes rebuilds the data and index files. False only when the
// rebuild failed, which is reported and ends the program with exit code 17.
bool Session::OfferIndexRebuild() {
  if (!YesNo("Index defective. Rebuild")) return true;
  if (!RebuildFiles()) {
    Fail("Rebuild not completed.");
    host_.ShowWarning("Unable to rebuild index.  Free up some disk space and try again.");
    host_.ExitProgram(kExitRebuildFailed);
    return false;
  }
  host_.CloseProgress();
  return true;
}

bool Session::FinishInterruptedRebuild() {
  const std::string save = FileName("SAV");
  if (!YesNo("The last rebuild of the data and index files was interrupted.  The records are "
             "safe in " +
             save + ".  Finish the rebuild")) {
    host_.ShowInformation(
        "The database can be used when the rebuild is finished.  The records "
        "stay in " +
        save + ".  Exiting now.");
    return false;
  }
  bool rebuilt = RebuildFiles();
  if (!rebuilt && engine_.EngineError() == isam::kErrDataAndSaveExist) {
    // A cleanly closed data file beside the save copy was not written by the
    // rebuild (it may be a restored backup): it is kept under another name
    // and the rebuild goes on from the save copy.
    isam::FileblockNames names;
    isam::DeriveNames(FileblockPath(), &names);
    const std::string kept = FileName("OLD");
    if (int rc = fs_.Rename(names.data, kept)) {
      engine_.SetError(isam::kErrDataAndSaveExist, rc);
      Fail("Rebuild not completed.  Move " + names.data + " or " + save +
           " out of the way, keeping the one that holds your records.");
      return false;
    }
    fs_.SyncDirectoryOf(kept);
    host_.ShowInformation("IsamError: 10465 -- " + isam::ErrorMessage(isam::kErrDataAndSaveExist) +
                          ".  The data file was kept as " + kept + "; the rebuild goes on from " +
                          save + ".");
    rebuilt = RebuildFiles();
  }
  if (!rebuilt) {
    Fail("Rebuild not completed.");
    if (fs_.Exists(save)) {
      host_.ShowInformation("The records stay in " + save +
                            ".  The rebuild is finished the next time the database is opened.");
    }
    return false;
  }
  host_.CloseProgress();
  return true;
}

bool Session::FormatMatches() {
  isam::FileblockInfo info = engine_.Describe(fileblock_);
  if (!engine_.EngineOk()) return false;
  if (info.data.record_length != kDataSectionLength) return false;
  if (static_cast<int>(info.key_lengths.size()) != kKeyCount) return false;
  for (const KeyInfo& key : Keys()) {
    if (info.key_lengths[key.number - 1] != key.length) return false;
  }
  return true;
}

void Session::ReadHighestRecordNumber() {
  highest_record_number_ = 0;
  engine_.ClearKey(fileblock_, 1);
  int32_t ref = 0;
  std::string text;
  engine_.PrevKey(fileblock_, 1, ref, text);
  if (!engine_.EngineOk()) {
    engine_.ResetStatus();  // an empty index: no record numbers in use yet
    return;
  }
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  int32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
  }
  highest_record_number_ = value;
}

bool Session::CreateFileblock() {
  const auto defs = EngineKeyDefs();
  engine_.MakeFileblock(FileblockPath(), kDataSectionLength, kKeyCount, defs);
  return engine_.EngineOk();
}

bool Session::LockAbort() {
  if (engine_.ErrorClass() == isam::ErrorClass::kTemporary) {
    lock_blocked_ = true;
    return host_.AskYesNo("A lock prevents this operation. Abort?");
  }
  lock_blocked_ = false;
  return false;
}

bool Session::LockAllRetry() {
  engine_.LockFileblock(fileblock_);
  while (!engine_.EngineOk()) {
    if (!YesNo("The file is presently in use. Try again?")) return false;
    engine_.LockFileblock(fileblock_);
  }
  return true;
}

bool Session::SearchKeyRetry(int key, int32_t& ref, std::string& key_text) {
  search_key_number_ = key;
  while (true) {
    engine_.SearchKey(fileblock_, key, ref, key_text);
    if (LockAbort()) return false;
    if (lock_blocked_) continue;
    return engine_.EngineOk();
  }
}

bool Session::FindAndRead(int key, int32_t& ref, const std::string& key_text) {
  std::string text = key_text;
  engine_.SearchKey(fileblock_, key, ref, text);
  if (!engine_.EngineOk()) return Fail("Location 45");
  return ReadFound(ref, "Location 45B");
}

bool Session::StepAndRead(int key, int32_t& ref, std::string& key_text, bool forward) {
  if (restart_) {
    engine_.ClearKey(fileblock_, key);
    engine_.SearchKey(fileblock_, key, ref, key_text);
    restart_ = false;
  }
  if (forward) {
    engine_.NextKey(fileblock_, key, ref, key_text);
    if (engine_.EngineError() == isam::kErrNoLargerKey)
      engine_.NextKey(fileblock_, key, ref, key_text);
  } else {
    engine_.PrevKey(fileblock_, key, ref, key_text);
    if (engine_.EngineError() == isam::kErrNoSmallerKey)
      engine_.PrevKey(fileblock_, key, ref, key_text);
  }
  if (!engine_.EngineOk()) return Fail("Location 29");
  return ReadFound(ref, "Location 30");
}

bool Session::AddRecord() {
  if (!LockAllRetry()) return false;
  const size_t length = StoredLength(current_record);
  while (true) {
    add_ref_ = engine_.AddVarRecord(fileblock_, &current_record, length);
    if (engine_.EngineOk()) break;
    if (LockAbort()) {
      Fail("Location 35");
    } else if (lock_blocked_) {
      continue;
    } else {
      Fail("Location 1");
    }
    host_.ShowError("Unable to add record. Location 13");
    engine_.UnlockFileblock(fileblock_);
    return false;
  }
  for (int k = 1; k <= kKeyCount; ++k) {
    std::string key_text = BuildKey(current_record, k);
    engine_.ClearKey(fileblock_, k);
    engine_.AddKey(fileblock_, k, add_ref_, key_text);
    if (engine_.EngineOk()) continue;
    // Undo: the keys added so far, then the record.
    Fail("Location 13B");
    host_.ShowError(key_text);
    engine_.ClearKey(fileblock_, k);
    for (int j = 1; j < k; ++j) {
      std::string added = BuildKey(current_record, j);
      if (engine_.KeyExists(fileblock_, j, add_ref_, added)) {
        engine_.DeleteKey(fileblock_, j, add_ref_, added);
        if (!engine_.EngineOk()) {
          Fail(" Location 12");
          host_.ExitProgram(kExitUndoAddFailed);
          return false;
        }
      }
    }
    engine_.DeleteVarRecord(fileblock_, add_ref_);
    if (!engine_.EngineOk()) Fail("Location 13C");
    engine_.UnlockFileblock(fileblock_);
    return false;
  }
  previous_record = current_record;
  engine_.UnlockFileblock(fileblock_);
  return true;
}

UpdateOutcome Session::UpdateRecord(int32_t ref) {
  const int remembered = current_key_;
  auto leave = [&](UpdateOutcome outcome) {
    current_key_ = remembered;
    return outcome;
  };
  if (RecordsEqual(saved_record, current_record)) return leave(UpdateOutcome::kUnchanged);
  engine_.PutVarRecord(fileblock_, ref, &current_record, StoredLength(current_record));
  if (!engine_.EngineOk()) {
    Fail("Location 23");
    engine_.UnlockFileblock(fileblock_);
    return leave(UpdateOutcome::kFailed);
  }
  for (int k = 1; k <= kKeyCount; ++k) {
    current_key_ = k;
    std::string old_key = BuildKey(saved_record, k);
    std::string new_key = BuildKey(current_record, k);
    if (old_key == new_key) continue;
    bool exists = engine_.KeyExists(fileblock_, k, ref, old_key);
    if (engine_.EngineOk() && exists) engine_.DeleteKey(fileblock_, k, ref, old_key);
    if (!engine_.EngineOk()) {
      Fail("Location 24");
      engine_.ClearKey(fileblock_, k);
      engine_.UnlockFileblock(fileblock_);
      return leave(UpdateOutcome::kFailed);
    }
    engine_.ClearKey(fileblock_, k);
    engine_.AddKey(fileblock_, k, ref, new_key);
    if (!engine_.EngineOk()) {
      Fail("Location 24K");
      engine_.ClearKey(fileblock_, k);
    }
  }
  return leave(UpdateOutcome::kUpdated);
}

void Session::PositionKey(std::string key_text, int32_t ref, int key) {
  if (key_text.size() > 30) key_text.resize(30);
  // Deleting the last entry leaves nothing to stand on; that is no failure.
  if (engine_.UsedKeys(fileblock_, key) == 0) {
    engine_.ClearKey(fileblock_, key);
    return;
  }
  engine_.FindKeyAndRefOrLast(fileblock_, key, ref, key_text);
  if (!engine_.EngineOk()) {
    Fail("Location 27G");
    engine_.ClearKey(fileblock_, current_key_);
  }
}

void Session::ReAddKeys(const QuotationRecord& record, int32_t ref, int count) {
  for (int k = 1; k <= count; ++k) {
    std::string key_text = BuildKey(record, k);
    engine_.ClearKey(fileblock_, k);
    engine_.AddKey(fileblock_, k, ref, key_text);
    if (!engine_.EngineOk()) {
      Fail("Location 26");
      engine_.ClearKey(fileblock_, k);
      host_.ExitProgram(kExitUndoDeleteFailed);
      return;
    }
    PositionKey(key_text, ref, k);
  }
}

DeleteOutcome Session::DeleteRecord(const QuotationRecord& record, int32_t ref) {
  const QuotationRecord copy = record;
  if (!YesNo(" Are you sure you want to delete this record.")) return DeleteOutcome::kCancelled;
  if (!LockAllRetry()) return DeleteOutcome::kFailed;
  if (copy.Deleted_Link != 0) {
    Fail("Location 27A");
    engine_.UnlockFileblock(fileblock_);
    return DeleteOutcome::kFailed;
  }
  for (int k = 1; k <= kKeyCount; ++k) {
    std::string key_text = BuildKey(copy, k);
    if (!engine_.KeyExists(fileblock_, k, ref, key_text)) {
      host_.ShowError(
          "Unable to delete key.  Cancelling record Deletion.  Suggest you Rebuild Index.");
      engine_.ClearKey(fileblock_, k);
      engine_.UnlockFileblock(fileblock_);
      return DeleteOutcome::kFailed;
    }
    engine_.DeleteKey(fileblock_, k, ref, key_text);
    if (!engine_.EngineOk()) {
      Fail("Location 27");
      PositionKey(key_text, ref, k);
      // The keys already deleted come back from the record being deleted.
      ReAddKeys(copy, ref, k - 1);
      engine_.UnlockFileblock(fileblock_);
      return DeleteOutcome::kFailed;
    }
    PositionKey(key_text, ref, k);
  }
  engine_.LockRecord(fileblock_, ref);
  engine_.DeleteVarRecord(fileblock_, ref);
  bool deleted = engine_.EngineOk();
  if (!deleted) Fail("Location 28");
  engine_.UnlockRecord(fileblock_, ref);
  engine_.UnlockFileblock(fileblock_);
  return deleted ? DeleteOutcome::kDeleted : DeleteOutcome::kFailed;
}

bool Session::CountRecords(int32_t* count) {
  while (true) {
    *count = engine_.UsedSlots(fileblock_);
    if (engine_.EngineOk() || engine_.ErrorClass() != isam::ErrorClass::kTemporary) return true;
    if (host_.AskYesNo("Cannot get a lock.  Abort?", ui::MessageKind::kInformation)) return false;
  }
}

bool Session::RebuildDataAndIndexes() {
  int32_t records = 0;
  if (!CountRecords(&records)) return false;
  const double required = RequiredSpace(records);
  double free_space = 0;
  if (fs_.FreeSpace(FileblockPath(), &free_space) != 0) free_space = 0;
  if (required > free_space) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.0f", required);
    host_.ShowWarning(std::string("Not enough free disk space to complete this operation.Free up "
                                  "at least ") +
                      digits + " of hard disk space and try again.");
    host_.ExitProgram(kExitNoDiskSpace);
    return false;
  }
  if (required == free_space) return false;

  if (!CloseFileblock()) {
    Fail("Location 6. Unable to continue.");
    host_.ExitProgram(kExitCloseFailed);
    return false;
  }

  const bool rebuilt = RebuildFiles();
  if (!rebuilt) {
    // The rebuild failed or was abandoned: say so, then open what is there
    // (the open asks for another rebuild when the index is incomplete).
    Fail("Rebuild not completed.");
  }
  if (!OpenDatabase()) {
    Fail("Location 3. Unable to continue.");
    host_.CloseProgress();
    host_.ExitProgram(kExitReopenFailed);
    return false;
  }
  if (!reattach_list || reattach_list()) host_.CloseProgress();
  return rebuilt;
}

bool Session::RebuildFiles() {
  engine_.SetProgressCallback(
      [this](int pass, int32_t read, int32_t written, int, std::string_view) {
        host_.ProcessPendingInput();
        if (host_.ProgressAbandoned()) {
          engine_.SetError(isam::kErrAborted);
          return;
        }
        if (read % 50 == 0) {
          host_.SetProgressLine(0, "   Key number: " + Decimal(pass) + " of 6");
          host_.SetProgressLine(1, "   Records read: " + Decimal(read));
          host_.SetProgressLine(2, "   Records written: " + Decimal(written));
        }
      });
  host_.OpenProgress("Rebuild Status", kRebuildFixed1, kRebuildFixed2);
  const auto defs = EngineKeyDefs();
  const std::string path = FileblockPath();
  engine_.ReorganizeFileblock(path, {kDataSectionLength, kDataSectionLength}, defs,
                             [](std::string_view old_record, std::string& new_record) {
                               // A slot of zeros is one a crash kept the file's
                               // length for but never wrote: no record.
                               if (old_record.empty()) return false;
                               new_record.assign(old_record);
                               return true;
                             });
  bool ok = engine_.EngineOk();
  if (ok) {
    engine_.ReindexFileblock(path, defs, BuildKeyFromBytes);
    ok = engine_.EngineOk();
  }
  const int error = engine_.EngineError();
  const int os_error = engine_.OsError();
  engine_.SetProgressCallback(nullptr);
  if (!ok) host_.CloseProgress();
  engine_.SetError(error, os_error);
  return ok;
}

bool Session::CloseFileblock() {
  if (fileblock_ != nullptr) {
    engine_.CloseFileblock(fileblock_);
    if (!engine_.EngineOk()) return false;
    fileblock_ = nullptr;
  }
  engine_.ReleaseVarBuffer();
  return true;
}

void Session::CloseDatabase() {
  if (fileblock_ != nullptr) {
    engine_.CloseFileblock(fileblock_);
    fileblock_ = nullptr;
  }
  engine_.ReleaseVarBuffer();
  if (engine_.Initialised()) engine_.ExitEngine();
}

}  // namespace tessary::database
