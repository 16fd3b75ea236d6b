// The engine's error numbers, their classes and message texts, and the mapping
// of operating-system failures onto them.
#pragma once

#include <string>

namespace tessary::isam {

// Numbers the engine raises itself.
enum : int {
  // A failed write of the rebuild's message file: 9500 plus the run-time
  // error number of the failure.
  kErrRuntimeFileNotFound = 9502,
  kErrRuntimePathNotFound = 9503,
  kErrRuntimeTooManyOpenFiles = 9504,
  kErrRuntimeAccessDenied = 9505,
  kErrRuntimeDiskWrite = 9601,
  kErrInvalidPath = 9900,
  kErrTooManyOpenFiles = 9901,
  kErrFileNotFound = 9903,
  kErrInvalidHandle = 9904,
  kErrInvalidAccess = 9908,
  kErrTooFewBuffers = 10000,
  kErrIndexDefect = 10010,
  kErrRecordLength = 10020,
  kErrNoMemoryDescriptors = 10030,
  kErrNoMemoryVarBuffer = 10040,
  kErrKeyCount = 10050,
  kErrKeyLenAtCreate = 10055,
  kErrTooManyKeys = 10060,
  kErrReadOnly = 10065,
  kErrRead = 10070,
  kErrWrite = 10075,
  kErrNotOpen = 10080,
  kErrNoMemoryFileblock = 10090,
  kErrNoMemoryOpenList = 10100,
  kErrPageSizeIncompatible = 10120,
  kErrMaxKeyLenTooSmall = 10121,
  kErrMaxPageSizeTooSmall = 10122,
  kErrKeyTooLong = 10125,
  kErrPutSlotZero = 10130,
  kErrDeleteSlotZero = 10135,
  kErrUndefined = 10140,
  kErrCloseFailed = 10160,
  kErrInvalidKeyNumber = 10164,
  kErrConsistency = 10170,
  kErrNoKeyNoLarger = 10210,
  kErrReindexInconsistent = 10215,
  kErrKeyToDeleteNotFound = 10220,
  kErrDuplicateKey = 10230,
  kErrNoLargerKey = 10250,
  kErrNoSmallerKey = 10260,
  kErrNoMatchingKeyAndRef = 10270,
  kErrNoMatchingReference = 10275,
  kErrIndexEmpty = 10280,
  kErrIndexEmptyRelative = 10285,
  kErrLockPrevents = 10399,
  kErrDataFileNotFound = 10410,
  kErrNoHeapForBuffers = 10411,
  kErrRecordOver64K = 10412,
  kErrTooMuchRecords = 10415,
  kErrRelativePosition = 10420,
  kErrRelativeScale = 10425,
  kErrInvalidFileblock = 10445,
  kErrAlreadyInitialised = 10450,
  kErrTooFewBuffersRequested = 10451,
  kErrNotInitialised = 10455,
  kErrAborted = 10460,
  kErrDataAndSaveExist = 10465,
  kErrBuildingKey = 10470,
  kErrRestructuring = 10475,
};

// How a caller reacts to an error number. The values are the class numbers
// users see ("Class %d error.").
enum class ErrorClass {
  kNone = 0,
  kExpected = 1,    // a search result or an absent file: react and go on
  kTemporary = 2,   // a lock or a busy resource: retry or ask
  kSaveModeIo = 3,  // an I/O error in save mode
  kSerious = 4,
};
ErrorClass ErrorClassOf(int error);
inline int ClassNumber(ErrorClass c) { return static_cast<int>(c); }

// The message text of an error number, empty for numbers without one.
std::string ErrorMessage(int error);

// What the engine was doing when the operating system failed.
enum class OsAction { kOpen, kCreate, kDeleteOrRename, kIo };

// The engine's number for a failed file call with `os_error` (an errno value).
int MapOsError(OsAction action, int os_error);

// The number for a failed open or write of the rebuild's message file, which
// is reported by its run-time error (kErrRuntime...).
int MapMessageFileError(int os_error);

}  // namespace tessary::isam
