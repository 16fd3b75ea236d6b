// Entries appended to the text file "Selected.Txt": each quotation is written
// as fixed columns from a blank-filled copy of its record, lines ended by CR LF.
// The file is never read back.
#pragma once

#include <string>
#include <vector>

#include "database/quotation_record.h"
#include "platform/file.h"
#include "ui/host.h"

namespace tessary::reading {

inline constexpr char kSelectedFileName[] = "Selected.Txt";
inline constexpr char kSelectedAppendedMessage[] = "This quote has been appended to SELECTED.TXT.";
inline constexpr char kSelectedCreatedMessage[] =
    "A file called SELECTED.TXT has been created.  This quote has been copied to it";

// Fills the text fields of `record` with blanks to their output widths, in
// place: Page_Number (4) and Authors_Full_Name (41) get blanks in front, the
// other fields behind (Book_Code 2, Subject 13, Section 1, Section_Name 9,
// Subtitle 13, User_Code 13, Authors_LName 16, FirstName 15,
// Author_Bio_Snapshot 50, Book_Name 57, each line 60). A longer text is left
// alone. Record_Number and the code bytes are untouched.
void PadForOutput(database::QuotationRecord& record);

// The lines of one entry, without line ends. `previous_entry_continued` tells
// whether the last entry written belonged to a continued quotation: then this
// entry follows it without an opening empty line. It is updated to this
// record's Multi_Page_Flag.
//
//   ""                                      unless the previous entry continued
//   "  " number(6, right-aligned) 7 blanks Line1(60)        75 columns
//   15 blanks LineN(60)                     for each present line 2 to 11
//   and, unless the quotation continues in the next record:
//   ""
//   36 blanks Authors_Full_Name(41, right-aligned)          77 columns
//   20 blanks Book_Name(57, trimmed, right-aligned)         only with a visible character
//   ""
std::vector<std::string> SelectedEntry(const database::QuotationRecord& record,
                                       bool& previous_entry_continued);

// The entry as it goes into the file: each line followed by CR LF.
std::string SelectedEntryText(const database::QuotationRecord& record,
                              bool& previous_entry_continued);

enum class SelectedOutcome { kCreated, kAppended, kFailed };

// Appends the entry of `record` to "Selected.Txt" in `directory`, creating the
// file when it is missing. Each line is written on its own, so a failure keeps
// the lines before it; the failure is reported once through WriteErrorReport
// and gives kFailed. `previous_entry_continued` changes only when the whole
// entry was written, so an entry cut short is never run on by the next one.
SelectedOutcome AppendSelectedEntry(platform::FileSystem& fs, const std::string& directory,
                                    const database::QuotationRecord& record,
                                    bool& previous_entry_continued, ui::Host& host);

// The write command: AppendSelectedEntry followed by its confirmation box,
// which a failure does not get.
SelectedOutcome WriteQuotationToFile(platform::FileSystem& fs, const std::string& directory,
                                     const database::QuotationRecord& record,
                                     bool& previous_entry_continued, ui::Host& host);

}  // namespace tessary::reading
