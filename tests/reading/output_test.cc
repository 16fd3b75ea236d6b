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
  // errno 101 (ENETUNREACH) must not pose as "Disk is full.".
  const int cases[][2] = {{ENOSPC, 101}, {EDQUOT, 101}, {EROFS, 150},       {EACCES, 150},
                          {EPERM, 150},  {EIO, 160},    {ENETUNREACH, 1101}};
  for (const auto& c : cases) EXPECT_EQ(WriteErrorCode(c[0]), c[1]) << c[0];
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
