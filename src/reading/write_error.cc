#include "reading/write_error.h"

#include <errno.h>

#include <cstring>

namespace tessary::reading {

int WriteErrorCode(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return kDiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
      return kWriteProtected;
    case EIO:
      return kDeviceWriteError;
    default:
      return kSystemWriteError + error;
  }
}

WriteErrorMessage WriteErrorReportText(int code) {
  const std::string cancelled = "Operation Cancelled";
  switch (code) {
    case 101:
      return {"Disk is full.", cancelled};
    case 102:
      return {"File not Assigned.", cancelled};
    case 103:
      return {"File not open.", cancelled};
    case 105:
      return {"Drive is not ready.", cancelled};
    case 150:
      return {"Disk is write-protected.", cancelled};
    case 152:
      return {"Drive is not ready.", cancelled};
    case 159:
      return {"Printer is out of paper.", "Correct Problem"};
    case 160:
      return {"Device write error.", cancelled};
    case 162:
      return {"General failure.", cancelled};
    default:
      break;
  }
  std::string text = "Unable to write the file (error " + std::to_string(code);
  if (code > kSystemWriteError) {
    text += ": ";
    text += std::strerror(code - kSystemWriteError);
  }
  text += ").";
  return {text, "Disk Write Problem"};
}

void WriteErrorReport(ui::Host& host, int code) {
  WriteErrorMessage message = WriteErrorReportText(code);
  host.ShowStop(message.caption, message.text);
}

}  // namespace tessary::reading
