#include "reading/selected_file.h"

#include <errno.h>

#include <memory>

#include "platform/program_dir.h"
#include "platform/text.h"
#include "reading/layout.h"
#include "reading/write_error.h"

namespace tessary::reading {
namespace {

using database::FieldText;
using database::QuotationRecord;

enum class Blanks { kBehind, kInFront };

// Fills the field's text to `width` and ends it with a NUL; every width is
// below the field's size, so the NUL always fits.
template <size_t N>
void PadField(char (&field)[N], size_t width, Blanks blanks) {
  static_assert(N > 1);
  std::string_view text = FieldText(field);
  if (text.size() >= width) return;
  std::string padded =
      blanks == Blanks::kBehind ? platform::Pad(text, width) : platform::LeftPad(text, width);
  padded.copy(field, padded.size());
  field[padded.size()] = '\0';
}

constexpr char kCrLf[] = "\r\n";

}  // namespace

void PadForOutput(QuotationRecord& record) {
  PadField(record.Book_Code, 2, Blanks::kBehind);
  PadField(record.Page_Number, 4, Blanks::kInFront);
  PadField(record.Subject, 13, Blanks::kBehind);
  PadField(record.Section, 1, Blanks::kBehind);
  PadField(record.Section_Name, 9, Blanks::kBehind);
  PadField(record.Subtitle, 13, Blanks::kBehind);
  PadField(record.User_Code, 13, Blanks::kBehind);
  PadField(record.Authors_LName, 16, Blanks::kBehind);
  PadField(record.FirstName, 15, Blanks::kBehind);
  PadField(record.Authors_Full_Name, 41, Blanks::kInFront);
  PadField(record.Author_Bio_Snapshot, 50, Blanks::kBehind);
  PadField(record.Book_Name, 57, Blanks::kBehind);
  for (int n = 1; n <= database::kLineCount; ++n) {
    PadField(database::Line(record, n), database::kLineCapacity, Blanks::kBehind);
  }
}

std::vector<std::string> SelectedEntry(const QuotationRecord& original,
                                       bool& previous_entry_continued) {
  QuotationRecord record = original;
  PadForOutput(record);
  std::vector<std::string> lines;
  if (!previous_entry_continued) lines.emplace_back();
  previous_entry_continued = record.Multi_Page_Flag == 1;

  lines.push_back("  " + platform::LeftPad(platform::Trim(FieldText(record.Record_Number)), 6) +
                  std::string(7, ' ') + std::string(FieldText(record.Line1)));
  for (int n = 2; n <= database::kLineCount; ++n) {
    std::string_view line = FieldText(database::Line(record, n));
    if (IsPresentLine(line)) lines.push_back(std::string(15, ' ') + std::string(line));
  }
  if (record.Multi_Page_Flag == 1) return lines;

  lines.emplace_back();
  lines.push_back(std::string(36, ' ') +
                  platform::LeftPad(FieldText(record.Authors_Full_Name), 41));
  // The padded book name holds a visible character when it sorts after 58 blanks.
  std::string_view book = FieldText(record.Book_Name);
  if (SortsAfterBlanks(book, 58)) {
    lines.push_back(std::string(20, ' ') + platform::LeftPad(platform::Trim(book), 57));
  }
  lines.emplace_back();
  return lines;
}

std::string SelectedEntryText(const QuotationRecord& record, bool& previous_entry_continued) {
  std::string text;
  for (const std::string& line : SelectedEntry(record, previous_entry_continued)) {
    text += line + kCrLf;
  }
  return text;
}

SelectedOutcome AppendSelectedEntry(platform::FileSystem& fs, const std::string& directory,
                                    const QuotationRecord& record, bool& previous_entry_continued,
                                    ui::Host& host) {
  std::string path = platform::JoinPath(directory, kSelectedFileName);
  bool existed = fs.Exists(path);
  std::unique_ptr<platform::File> file;
  int rc = fs.Open(path, platform::OpenMode::kAppend, &file);
  if (rc == 0) {
    uint64_t offset = 0;
    rc = file->Size(&offset);
    bool continued = previous_entry_continued;
    std::vector<std::string> lines = SelectedEntry(record, continued);
    for (size_t i = 0; rc == 0 && i < lines.size(); ++i) {
      std::string data = lines[i] + kCrLf;
      platform::IoResult w = file->WriteAt(offset, data.data(), data.size());
      offset += w.bytes;
      if (w.error != 0) {
        rc = w.error;
      } else if (w.bytes != data.size()) {
        rc = EIO;
      }
    }
    // Syncing makes a late failure (delayed allocation, quota) show up here.
    if (rc == 0) rc = file->Sync();
    int close_rc = file->Close();
    if (rc == 0) rc = close_rc;
    if (rc == 0) previous_entry_continued = continued;
  }
  if (rc != 0) {
    WriteErrorReport(host, WriteErrorCode(rc));
    return SelectedOutcome::kFailed;
  }
  return existed ? SelectedOutcome::kAppended : SelectedOutcome::kCreated;
}

SelectedOutcome WriteQuotationToFile(platform::FileSystem& fs, const std::string& directory,
                                     const QuotationRecord& record, bool& previous_entry_continued,
                                     ui::Host& host) {
  SelectedOutcome outcome =
      AppendSelectedEntry(fs, directory, record, previous_entry_continued, host);
  if (outcome == SelectedOutcome::kAppended) host.ShowInformation(kSelectedAppendedMessage);
  if (outcome == SelectedOutcome::kCreated) host.ShowInformation(kSelectedCreatedMessage);
  return outcome;
}

}  // namespace tessary::reading
