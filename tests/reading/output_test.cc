#include <errno.h>
#include <gtest/gtest.h>

#include "reading/clipboard.h"
#include "reading/write_error.h"
#include "support/scripted_host.h"

namespace tessary::reading {
namespace {

using testing::HostMessage;
using testing::ScriptedHost;

TEST(WriteErrorTest, SystemErrorsMapOntoTableCodes) {
  EXPECT_EQ(WriteErrorCode(ENOSPC), 101);
  EXPECT_EQ(WriteErrorCode(EDQUOT), 101);
  EXPECT_EQ(WriteErrorCode(EROFS), 150);
  EXPECT_EQ(WriteErrorCode(EACCES), 150);
  EXPECT_EQ(WriteErrorCode(EPERM), 150);
  EXPECT_EQ(WriteErrorCode(EIO), 160);
  // errno 101 (ENETUNREACH) must not pose as "Disk is full.".
  EXPECT_EQ(WriteErrorCode(ENETUNREACH), 1000 + ENETUNREACH);
}

TEST(WriteErrorTest, ReportShowsTextAndCaptionInAStopBox) {
  ScriptedHost host;
  for (int code : {101, 102, 103, 105, 150, 152, 159, 160, 162, 7, WriteErrorCode(ENOENT)}) {
    WriteErrorReport(host, code);
  }
  const std::string cancelled = "Operation Cancelled";
  const ui::MessageKind stop = ui::MessageKind::kStop;
  EXPECT_EQ(host.messages,
            (std::vector<HostMessage>{
                {stop, "Disk is full.", cancelled},
                {stop, "File not Assigned.", cancelled},
                {stop, "File not open.", cancelled},
                {stop, "Drive is not ready.", cancelled},
                {stop, "Disk is write-protected.", cancelled},
                {stop, "Drive is not ready.", cancelled},
                {stop, "Printer is out of paper.", "Correct Problem"},
                {stop, "Device write error.", cancelled},
                {stop, "General failure.", cancelled},
                {stop, "Unable to write the file (error 7).", "Disk Write Problem"},
                {stop, "Unable to write the file (error 1002: No such file or directory).",
                 "Disk Write Problem"},
            }));
}

TEST(ClipboardTest, EmptyTextFailsAndLeavesClipboard) {
  ScriptedHost host;
  host.clipboard = "before";
  EXPECT_FALSE(CopyQuotationToClipboard(host, ""));
  EXPECT_EQ(host.clipboard, "before");
  EXPECT_TRUE(CopyQuotationToClipboard(host, "Quote\r\nline"));
  EXPECT_EQ(host.clipboard, "Quote\r\nline");
  EXPECT_EQ(
      host.messages,
      (std::vector<HostMessage>{
          {ui::MessageKind::kError,
           "Unable to put this quote in the Clipboard.  Check free memory.", ""},
          {ui::MessageKind::kInformation, "This quote has been copied to the Clipboard.", ""}}));
}

}  // namespace
}  // namespace tessary::reading
