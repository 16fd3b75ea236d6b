// The engine's error numbers: every class and text of the message table, the
// operating-system range, numbers without a text, and the mapping of failed
// system calls.
#include "isam/errors.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessary::isam {
namespace {

struct Row {
  std::vector<int> numbers;
  int error_class;
  const char* text;
};

// The message table, copied by hand.
const Row kTable[] = {
    {{9900}, 2, "Invalid path name"},
    {{9901}, 4, "Too many open files"},
    {{9903}, 1, "File not found"},
    {{9904}, 4, "Invalid handle"},
    {{9908}, 4, "Invalid access code"},
    {{10000}, 4, "Page buffer is smaller than MaxHeight"},
    {{10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10009},
     3,
     "Serious I/O error occurred while in save mode"},
    {{10010}, 4, "File defect, that can be corrected by reindexing"},
    {{10020}, 4, "Record length less than 22 or more than 2147483647 bytes"},
    {{10030, 10040}, 4, "Insufficient memory"},
    {{10050}, 4, "Invalid number of keys specified"},
    {{10055, 10125}, 4, "Key too long"},
    {{10060}, 4, "Too many keys, or file read error"},
    {{10065}, 2, "Attempt to write to read only Fileblock"},
    {{10070}, 4, "File read error"},
    {{10075}, 4, "File write error"},
    {{10080}, 4, "Fileblock not open"},
    {{10090, 10100, 10356}, 4, "Insufficient memory to allocate Fileblock"},
    {{10110}, 2, "Drive not ready"},
    {{10120}, 4, "PageSize incompatible with Fileblock"},
    {{10121}, 4, "MaxKeyLen too small"},
    {{10122}, 4, "MaxPageSize too small"},
    {{10130, 10135}, 4, "Record 0 must not be accessed"},
    {{10140}, 4, "Access not possible, undefined error"},
    {{10150}, 4, "Insufficient handles for flush of network Fileblock"},
    {{10160}, 4, "Fileblock not correctly closed"},
    {{10164}, 4, "Invalid key number"},
    {{10170}, 4, "Consistency of Fileblock endangered"},
    {{10180}, 4, "Attempt to repair Fileblock failed"},
    {{10190}, 4, "Extend handle function requires DOS 3.3 or later"},
    {{10191}, 4, "Insufficient memory for new file handle table"},
    {{10192}, 4, "Unable to initialize new file handle table"},
    {{10200}, 1, "No matching key found"},
    {{10205}, 1, "Data record is currently locked"},
    {{10210}, 1, "No key found and no larger keys available"},
    {{10215}, 1, "Reindex failed, the data file is inconsistent"},
    {{10220}, 1, "Key to delete was not found"},
    {{10230}, 1, "Cannot add duplicate key"},
    {{10240, 10250}, 1, "No larger key found"},
    {{10245, 10260}, 1, "No smaller key found"},
    {{10255, 10265}, 1, "Sequential access not allowed"},
    {{10270}, 1, "No matching key and record number found"},
    {{10275}, 1, "No matching reference found"},
    {{10280, 10285}, 1, "Index empty"},
    {{10306}, 2, "Too many Fileblock accesses"},
    {{10310}, 4, "Network initialization error"},
    {{10315}, 4, "Network exit error"},
    {{10322, 10323}, 4, "Close of Fileblock not possible because of a non-removeable lock"},
    {{10330}, 2, "Fileblock lock attempt failed"},
    {{10332}, 2, "Fileblock readlock attempt failed"},
    {{10335}, 2, "Record lock attempt failed"},
    {{10337}, 4, "Record lock attempt failed because of insufficient memory"},
    {{10340, 10341, 10342}, 4, "Fileblock unlock attempt failed"},
    {{10345}, 4, "Record unlock attempt failed"},
    {{10355, 10390, 10397, 10399}, 2, "A lock prevents the operation"},
    {{10360}, 2, "No repair during open, because theFileblock is not exclusively used"},
    {{10398}, 4, "Fileblock must be locked"},
    {{10410}, 1, "Data file not found"},
    {{10411}, 4, "Insufficient heap space for work buffers"},
    {{10412}, 4, "Record section length exceeds 64K"},
    {{10415}, 4, "Too much records"},
    {{10420, 10425}, 4, "Relative position or scale invalid"},
    {{10430}, 4, "No repair in read only mode"},
    {{10435}, 4, "Tree page greater than 16k"},
    {{10440}, 4, "No creating of dialog file in read only mode"},
    {{10445}, 4, "Invalid Fileblock"},
    {{10446}, 4, "Recursive call of the Isam engine"},
    {{10450}, 4, "Initialization already done"},
    {{10455}, 4, "Initialization not yet done"},
    {{10460}, 4, "Reorganization aborted"},
    {{10465}, 4, "Data and save file exist simultaneously"},
    {{10470}, 4, "Error while building a key"},
    {{10475}, 4, "Error while restructing the data record"},
    {{10480}, 4, "Fileblock cannot be opened in net mode"},
};

TEST(ErrorTable, EveryNumberHasItsClassAndTextAndOthersHaveNone) {
  std::vector<bool> listed(20000, false);
  int numbers = 0;
  for (const Row& row : kTable) {
    for (int n : row.numbers) {
      EXPECT_EQ(ClassNumber(ErrorClassOf(n)), row.error_class) << n;
      EXPECT_EQ(ErrorMessage(n), row.text) << n;
      listed[static_cast<size_t>(n)] = true;
      ++numbers;
    }
  }
  EXPECT_EQ(numbers, 98);
  // The rest of the engine's own range has no text, and is class 4 outside
  // the search results.
  for (int n = 9900; n <= 10500; ++n) {
    if (listed[static_cast<size_t>(n)]) continue;
    EXPECT_EQ(ErrorMessage(n), "") << n;
    if (n < 10200 || n > 10299) {
      EXPECT_EQ(ErrorClassOf(n), ErrorClass::kSerious) << n;
    }
  }
  for (int n : {-1, 1, 42, 9499, 20000, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(ErrorMessage(n), "") << n;
    EXPECT_EQ(ErrorClassOf(n), ErrorClass::kSerious) << n;
  }
  EXPECT_EQ(ErrorClassOf(0), ErrorClass::kNone);
  // The operating-system range names the code.
  for (int n = 9500; n <= 9899; ++n) {
    EXPECT_EQ(ErrorMessage(n), "DOS error code <" + std::to_string(n - 9500) + ">") << n;
    EXPECT_EQ(ErrorClassOf(n), ErrorClass::kSerious) << n;
  }
}

TEST(ErrorTable, FailedFileCallsMapOntoEngineNumbers) {
  EXPECT_EQ(MapOsError(OsAction::kOpen, ENOENT), kErrFileNotFound);
  EXPECT_EQ(MapOsError(OsAction::kOpen, EMFILE), kErrTooManyOpenFiles);
  EXPECT_EQ(MapOsError(OsAction::kOpen, ENOTDIR), kErrInvalidPath);
  EXPECT_EQ(MapOsError(OsAction::kOpen, EACCES), kErrInvalidAccess);
  EXPECT_EQ(MapOsError(OsAction::kCreate, ENOENT), kErrInvalidPath);
  EXPECT_EQ(MapOsError(OsAction::kCreate, EMFILE), kErrTooManyOpenFiles);
  EXPECT_EQ(MapOsError(OsAction::kDeleteOrRename, ENOENT), kErrFileNotFound);
  EXPECT_EQ(MapOsError(OsAction::kIo, EBADF), kErrInvalidHandle);
  for (OsAction action :
       {OsAction::kOpen, OsAction::kCreate, OsAction::kDeleteOrRename, OsAction::kIo}) {
    EXPECT_EQ(MapOsError(action, EIO), kErrUndefined);
  }
  // The rebuild's message file reports its failures by run-time error number.
  EXPECT_EQ(MapMessageFileError(ENOENT), 9502);
  EXPECT_EQ(MapMessageFileError(ENOTDIR), 9503);
  EXPECT_EQ(MapMessageFileError(EMFILE), 9504);
  EXPECT_EQ(MapMessageFileError(EROFS), 9505);
  EXPECT_EQ(MapMessageFileError(ENOSPC), 9601);
}

}  // namespace
}  // namespace tessary::isam
