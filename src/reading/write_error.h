// The report shown when writing an output file fails. Failures are numbered
// with the classic run-time I/O error codes:
//
//   code text                        caption
//   101  "Disk is full."             "Operation Cancelled"
//   102  "File not Assigned."        "Operation Cancelled"
//   103  "File not open."            "Operation Cancelled"
//   105  "Drive is not ready."       "Operation Cancelled"
//   150  "Disk is write-protected."  "Operation Cancelled"
//   152  "Drive is not ready."       "Operation Cancelled"
//   159  "Printer is out of paper."  "Correct Problem"
//   160  "Device write error."       "Operation Cancelled"
//   162  "General failure."          "Operation Cancelled"
//
// An operating-system failure without a counterpart in the table gets the code
// kSystemWriteError + errno, so the errno survives the mapping; any code
// outside the table is reported under the caption "Disk Write Problem".
#pragma once

#include <string>

#include "ui/host.h"

namespace tessary::reading {

inline constexpr int kDiskFull = 101;
inline constexpr int kWriteProtected = 150;
inline constexpr int kDeviceWriteError = 160;
inline constexpr int kSystemWriteError = 1000;

// The code of an errno: ENOSPC and EDQUOT are 101; EROFS, EACCES and EPERM
// (read-only file system, directory or file) are 150; EIO is 160; any other
// errno e is kSystemWriteError + e.
int WriteErrorCode(int error);

struct WriteErrorMessage {
  std::string text;
  std::string caption;
};

// The text and caption for `code`. Outside the table the text is
// "Unable to write the file (error N)." where N is the code, and for a
// kSystemWriteError code "Unable to write the file (error N: <system text>)."
// with the operating system's text for the errno.
WriteErrorMessage WriteErrorReportText(int code);

// Shows the report for `code` as a stop box.
void WriteErrorReport(ui::Host& host, int code);

}  // namespace tessary::reading
