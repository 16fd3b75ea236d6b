#include "database/session.h"

#include <errno.h>

#include <cstdio>
#include <cstring>

#include "platform/text.h"

namespace tessary::database {
namespace {

constexpr const char* kRebuildFixed1 = "Warning!! - Interrupting this procedure before";
constexpr const char* kRebuildFixed2 = "it is finished will cause unpredictable results.";

std::array<isam::KeyDef, kKeyCount> KeyDefs() {
  std::array<isam::KeyDef, kKeyCount> defs{};
  for (int k = 0; k < kKeyCount; ++k)
    defs[k] = {kKeySpecs[k].length, kKeySpecs[k].allow_duplicates};
  return defs;
}

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

Session::Session(ui::Host& host, platform::FileSystem& fs) : engine(fs), host_(host), fs_(fs) {}

Session::~Session() = default;

std::string Session::FileblockPath() const {
  if (base_name.empty()) return directory + "/" + kDefaultBaseName;
  if (base_name[0] == '/') return base_name;
  return directory + "/" + base_name;
}

std::string Session::FileName(const char* extension) const {
  isam::FileblockNames names;
  isam::DeriveNames(FileblockPath(), &names);
  return isam::WithExtension(names.data, extension);
}

bool Session::Fail(const std::string& where) {
  location = where;
  ReportEngineError();
  return false;
}

// The fixed form first; the system's reason and the way out follow on a line
// of their own.
void Session::ReportEngineError() {
  int error = engine.EngineError();
  if (error == 0) return;
  std::string text =
      "IsamError: " + Decimal(error) + " -- " + isam::ErrorMessage(error) + ".  " + location;
  std::string advice = FailureAdvice(error, engine.OsError());
  if (!advice.empty()) text += "\n" + advice;
  host_.ShowError(text);
}

bool Session::YesNo(std::string_view text) { return host_.AskYesNo(std::string(text) + "?"); }

bool Session::StartDatabase() {
  engine.InitEngine(kPageBuffers);
  if (!engine.EngineOk()) return false;
  if (before_open) before_open(*this);
  if (!OpenDatabase()) return false;
  if (show_status) show_status("Active Records: " + Decimal(engine.UsedKeys(fileblock, 1)));
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
    fileblock = engine.OpenFileblock(path);
    if (engine.EngineOk() && !FormatMatches()) {
      engine.CloseFileblock(fileblock);
      engine.SetError(isam::kErrIndexDefect);
      if (!damage_reported) Fail(where);
      damage_reported = true;
    }
    if (engine.EngineOk()) break;
    fileblock = nullptr;
    int error = engine.EngineError();
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
  if (!engine.SetVarBuffer(512)) return Fail(where);
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
  if (!rebuilt && engine.EngineError() == isam::kErrDataAndSaveExist) {
    // A cleanly closed data file beside the save copy was not written by the
    // rebuild (it may be a restored backup): it is kept under another name
    // and the rebuild goes on from the save copy.
    isam::FileblockNames names;
    isam::DeriveNames(FileblockPath(), &names);
    const std::string kept = FileName("OLD");
    if (int rc = fs_.Rename(names.data, kept)) {
      engine.SetError(isam::kErrDataAndSaveExist, rc);
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
  isam::FileblockInfo info = engine.Describe(fileblock);
  if (!engine.EngineOk()) return false;
  if (info.data.record_length != kDataSectionLength) return false;
  if (static_cast<int>(info.key_lengths.size()) != kKeyCount) return false;
  for (int k = 0; k < kKeyCount; ++k) {
    if (info.key_lengths[k] != kKeySpecs[k].length) return false;
  }
  return true;
}

void Session::ReadHighestRecordNumber() {
  highest_record_number = 0;
  engine.ClearKey(fileblock, 1);
  int32_t ref = 0;
  std::string text;
  engine.PrevKey(fileblock, 1, ref, text);
  if (!engine.EngineOk()) {
    engine.ResetStatus();  // an empty index: no record numbers in use yet
    return;
  }
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  int32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
  }
  highest_record_number = value;
}

bool Session::CreateFileblock() {
  auto defs = KeyDefs();
  engine.MakeFileblock(FileblockPath(), kDataSectionLength, kKeyCount, defs);
  return engine.EngineOk();
}

bool Session::LockAbort() {
  if (engine.ErrorClass() == isam::ErrorClass::kTemporary) {
    lock_blocked_ = true;
    return host_.AskYesNo("A lock prevents this operation. Abort?");
  }
  lock_blocked_ = false;
  return false;
}

bool Session::LockAllRetry() {
  engine.LockFileblock(fileblock);
  while (!engine.EngineOk()) {
    if (!YesNo("The file is presently in use. Try again?")) return false;
    engine.LockFileblock(fileblock);
  }
  return true;
}

bool Session::SearchKeyRetry(int32_t& ref, std::string& key_text) {
  while (true) {
    engine.SearchKey(fileblock, search_key_number, ref, key_text);
    if (LockAbort()) return false;
    if (lock_blocked_) continue;
    return engine.EngineOk();
  }
}

bool Session::FindAndRead(int key, int32_t& ref, const std::string& key_text) {
  std::string text = key_text;
  engine.SearchKey(fileblock, key, ref, text);
  if (!engine.EngineOk()) return Fail("Location 45");
  current_record = EmptyRecord();
  size_t length = sizeof current_record;
  engine.GetVarRecord(fileblock, ref, &current_record, length);
  if (!engine.EngineOk()) return Fail("Location 45B");
  record_length = static_cast<uint16_t>(length);
  return true;
}

bool Session::StepAndRead(int key, int32_t& ref, std::string& key_text, bool forward) {
  if (restart) {
    engine.ClearKey(fileblock, key);
    engine.SearchKey(fileblock, key, ref, key_text);
    restart = false;
  }
  if (forward) {
    engine.NextKey(fileblock, key, ref, key_text);
    if (engine.EngineError() == isam::kErrNoLargerKey)
      engine.NextKey(fileblock, key, ref, key_text);
  } else {
    engine.PrevKey(fileblock, key, ref, key_text);
    if (engine.EngineError() == isam::kErrNoSmallerKey)
      engine.PrevKey(fileblock, key, ref, key_text);
  }
  if (!engine.EngineOk()) return Fail("Location 29");
  current_record = EmptyRecord();
  size_t length = sizeof current_record;
  engine.GetVarRecord(fileblock, ref, &current_record, length);
  if (!engine.EngineOk()) return Fail("Location 30");
  record_length = static_cast<uint16_t>(length);
  return true;
}

bool Session::AddRecord() {
  if (!LockAllRetry()) return false;
  const size_t length = StoredLength(current_record);
  while (true) {
    add_ref = engine.AddVarRecord(fileblock, &current_record, length);
    if (engine.EngineOk()) break;
    if (LockAbort()) {
      Fail("Location 35");
    } else if (lock_blocked_) {
      continue;
    } else {
      Fail("Location 1");
    }
    host_.ShowError("Unable to add record. Location 13");
    engine.UnlockFileblock(fileblock);
    return false;
  }
  for (int k = 1; k <= kKeyCount; ++k) {
    std::string key_text = BuildKey(current_record, k);
    engine.ClearKey(fileblock, k);
    engine.AddKey(fileblock, k, add_ref, key_text);
    if (engine.EngineOk()) continue;
    // Undo: the keys added so far, then the record.
    Fail("Location 13B");
    host_.ShowError(key_text);
    engine.ClearKey(fileblock, k);
    for (int j = 1; j < k; ++j) {
      std::string added = BuildKey(current_record, j);
      if (engine.KeyExists(fileblock, j, add_ref, added)) {
        engine.DeleteKey(fileblock, j, add_ref, added);
        if (!engine.EngineOk()) {
          Fail(" Location 12");
          host_.ExitProgram(kExitUndoAddFailed);
          return false;
        }
      }
    }
    engine.DeleteVarRecord(fileblock, add_ref);
    if (!engine.EngineOk()) Fail("Location 13C");
    engine.UnlockFileblock(fileblock);
    return false;
  }
  previous_record = current_record;
  engine.UnlockFileblock(fileblock);
  return true;
}

bool Session::UpdateRecord(int32_t ref) {
  record_changed = false;
  records_equal = false;
  if (current_key_number == 0) current_key_number = 1;
  const int remembered = current_key_number;
  auto leave = [&](bool result) {
    current_key_number = remembered;
    return result;
  };
  if (RecordsEqual(saved_record, current_record)) {
    records_equal = true;
    return leave(false);
  }
  engine.PutVarRecord(fileblock, ref, &current_record, StoredLength(current_record));
  if (!engine.EngineOk()) {
    Fail("Location 23");
    engine.UnlockFileblock(fileblock);
    return leave(false);
  }
  for (int k = 1; k <= kKeyCount; ++k) {
    current_key_number = k;
    std::string old_key = BuildKey(saved_record, k);
    std::string new_key = BuildKey(current_record, k);
    if (old_key == new_key) continue;
    bool exists = engine.KeyExists(fileblock, k, ref, old_key);
    if (engine.EngineOk() && exists) engine.DeleteKey(fileblock, k, ref, old_key);
    if (!engine.EngineOk()) {
      Fail("Location 24");
      engine.ClearKey(fileblock, k);
      engine.UnlockFileblock(fileblock);
      return leave(false);
    }
    engine.ClearKey(fileblock, k);
    engine.AddKey(fileblock, k, ref, new_key);
    if (!engine.EngineOk()) {
      Fail("Location 24K");
      engine.ClearKey(fileblock, k);
    }
  }
  record_changed = true;
  return leave(true);
}

void Session::PositionKey(std::string key_text, int32_t ref, int key) {
  if (key_text.size() > 30) key_text.resize(30);
  // Deleting the last entry leaves nothing to stand on; that is no failure.
  if (engine.UsedKeys(fileblock, key) == 0) {
    engine.ClearKey(fileblock, key);
    return;
  }
  engine.FindKeyAndRefOrLast(fileblock, key, ref, key_text);
  if (!engine.EngineOk()) {
    Fail("Location 27G");
    engine.ClearKey(fileblock, current_key_number);
  }
}

void Session::ReAddKeys(const QuotationRecord& record, int32_t ref, int count) {
  for (int k = 1; k <= count; ++k) {
    std::string key_text = BuildKey(record, k);
    engine.ClearKey(fileblock, k);
    engine.AddKey(fileblock, k, ref, key_text);
    if (!engine.EngineOk()) {
      Fail("Location 26");
      engine.ClearKey(fileblock, k);
      host_.ExitProgram(kExitUndoDeleteFailed);
      return;
    }
    PositionKey(key_text, ref, k);
  }
}

bool Session::DeleteRecord(const QuotationRecord& record, int32_t ref) {
  const QuotationRecord copy = record;
  delete_cancelled = false;
  if (!YesNo(" Are you sure you want to delete this record.")) {
    delete_cancelled = true;
    return false;
  }
  if (!LockAllRetry()) return false;
  if (copy.Deleted_Link != 0) {
    Fail("Location 27A");
    engine.UnlockFileblock(fileblock);
    return false;
  }
  for (int k = 1; k <= kKeyCount; ++k) {
    std::string key_text = BuildKey(copy, k);
    if (!engine.KeyExists(fileblock, k, ref, key_text)) {
      host_.ShowError(
          "Unable to delete key.  Cancelling record Deletion.  Suggest you Rebuild Index.");
      engine.ClearKey(fileblock, k);
      engine.UnlockFileblock(fileblock);
      return false;
    }
    engine.DeleteKey(fileblock, k, ref, key_text);
    if (!engine.EngineOk()) {
      Fail("Location 27");
      PositionKey(key_text, ref, k);
      // The keys already deleted come back from the record being deleted.
      ReAddKeys(copy, ref, k - 1);
      engine.UnlockFileblock(fileblock);
      return false;
    }
    PositionKey(key_text, ref, k);
  }
  engine.LockRecord(fileblock, ref);
  engine.DeleteVarRecord(fileblock, ref);
  bool deleted = engine.EngineOk();
  if (!deleted) Fail("Location 28");
  engine.UnlockRecord(fileblock, ref);
  engine.UnlockFileblock(fileblock);
  return deleted;
}

bool Session::CountRecords(int32_t* count) {
  while (true) {
    *count = engine.UsedSlots(fileblock);
    if (engine.EngineOk() || engine.ErrorClass() != isam::ErrorClass::kTemporary) return true;
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

  engine.CloseFileblock(fileblock);
  if (!engine.EngineOk()) {
    Fail("Location 6. Unable to continue.");
    host_.ExitProgram(kExitCloseFailed);
    return false;
  }
  fileblock = nullptr;
  engine.ReleaseVarBuffer();

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
  engine.SetProgressCallback(
      [this](int pass, int32_t read, int32_t written, int, std::string_view) {
        host_.ProcessPendingInput();
        if (host_.ProgressAbandoned()) {
          engine.SetError(isam::kErrAborted);
          return;
        }
        if (read % 50 == 0) {
          host_.SetProgressLine(0, "   Key number: " + Decimal(pass) + " of 6");
          host_.SetProgressLine(1, "   Records read: " + Decimal(read));
          host_.SetProgressLine(2, "   Records written: " + Decimal(written));
        }
      });
  host_.OpenProgress("Rebuild Status", kRebuildFixed1, kRebuildFixed2);
  auto defs = KeyDefs();
  const std::string path = FileblockPath();
  engine.ReorganizeFileblock(path, {kDataSectionLength, kDataSectionLength}, defs,
                             [](std::string_view old_record, std::string& new_record) {
                               new_record.assign(old_record);
                               return true;
                             });
  bool ok = engine.EngineOk();
  if (ok) {
    engine.ReindexFileblock(path, defs, BuildKeyFromBytes);
    ok = engine.EngineOk();
  }
  const int error = engine.EngineError();
  const int os_error = engine.OsError();
  engine.SetProgressCallback(nullptr);
  if (!ok) host_.CloseProgress();
  engine.SetError(error, os_error);
  return ok;
}

void Session::CloseDatabase() {
  if (fileblock != nullptr) {
    engine.CloseFileblock(fileblock);
    fileblock = nullptr;
  }
  engine.ReleaseVarBuffer();
  if (engine.Initialised()) engine.ExitEngine();
}

}  // namespace tessary::database
