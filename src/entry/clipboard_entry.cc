#include "entry/clipboard_entry.h"

#include <cstring>
#include <iterator>

#include "entry/entry_form.h"

namespace tessary::entry {
namespace {

using database::QuotationRecord;

constexpr int32_t kHighestRecordNumber = 999999;

#define FIELD(f) offsetof(QuotationRecord, f), sizeof(QuotationRecord::f)

constexpr ClipboardKeyBox kKeyBoxTable[] = {
    {"Edit_Subject", "Subject:", 13, FIELD(Subject),
     "Enter the Subject of your quote, thought or idea - Key Field."},
    {"Edit_Section", "Section:", 1, FIELD(Section),
     "Enter a section number from 1 to 9 - Key Field."},
    {"Edit_Subtitle", "Subtitle:", 13, FIELD(Subtitle),
     "Enter the Subtitle of your quote, thought or idea - Key Field."},
    {"Edit_UserCode", "User Code:", 13, FIELD(User_Code),
     "Enter the User Code for your idea - Key Field."},
    {"Edit_LastName", "Author's LName:", 16, FIELD(Authors_LName),
     "Enter the last name of the Author - Key Field."},
    {"Edit_FirstName", "FName:", 15, FIELD(FirstName),
     "Enter the first name of the Author - Key Field."},
    {"Edit_DisplayName", "Display Name:", 41, FIELD(Authors_Full_Name),
     "Enter Author information that will appear on View Screen."},
    {"Edit_Bio", "Bio Desc:", 50, FIELD(Author_Bio_Snapshot),
     "Enter a Biographical Snapshot about the author."},
    {"Edit_BookName", "Book Name", 57, FIELD(Book_Name),
     "Enter the name of the book or magazine, if relevant."},
};
static_assert(std::size(kKeyBoxTable) == kClipboardKeyCount, "one row per key box");
const std::array<ClipboardKeyBox, kClipboardKeyCount> kKeyBoxes = std::to_array(kKeyBoxTable);

#undef FIELD

char* FieldOf(QuotationRecord& record, const ClipboardKeyBox& box) {
  return reinterpret_cast<char*>(&record) + box.offset;
}

// Stores `text` (at most the field's capacity) followed by a NUL.
void Store(char* field, size_t size, std::string_view text) {
  const size_t n = text.size() < size ? text.size() : size - 1;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// A record's text part: lines 1 to 11 from `lines` starting at `first`
// (missing lines empty) on a new entry's buffer.
QuotationRecord TextRecord(const std::vector<std::string>& lines, size_t first) {
  QuotationRecord record = BlankEntryRecord();
  for (int n = 1; n <= database::kLineCount; ++n) {
    const size_t i = first + static_cast<size_t>(n - 1);
    Store(database::Line(record, n), sizeof record.Line1, i < lines.size() ? lines[i] : "");
  }
  return record;
}

// Appends the pieces of one line of the text, wrapped at 60 columns.
void WrapLine(std::string line, std::vector<std::string>* out) {
  while (line.size() > kClipboardColumns) {
    // The last blank that ends a word within the first 60 characters (a blank
    // right after character 60 lets all 60 stand).
    size_t end = std::string::npos;
    for (size_t i = kClipboardColumns; i > 0; --i) {
      if (line[i] == ' ' && line[i - 1] != ' ') {
        end = i;
        break;
      }
    }
    size_t next;
    if (end == std::string::npos) {
      end = kClipboardColumns;  // one word longer than the line
      next = end;
    } else {
      next = line.find_first_not_of(' ', end);
    }
    out->push_back(line.substr(0, end));
    if (next == std::string::npos) return;
    line.erase(0, next);
  }
  out->push_back(std::move(line));
}

}  // namespace

const std::array<ClipboardKeyBox, kClipboardKeyCount>& ClipboardKeyBoxes() { return kKeyBoxes; }

std::vector<std::string> WrapClipboardText(std::string_view ansi) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // a line has started
  for (size_t i = 0; i < ansi.size(); ++i) {
    const char c = ansi[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < ansi.size() && ansi[i + 1] == '\n') ++i;
      WrapLine(std::move(line), &lines);
      line.clear();
      open = false;
      continue;
    }
    open = true;
    if (c == '\t') {
      line.append(8 - line.size() % 8, ' ');
    } else if (static_cast<unsigned char>(c) >= 32) {
      line += c;
    }
  }
  if (open) WrapLine(std::move(line), &lines);
  while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string::npos) {
    lines.pop_back();
  }
  return lines;
}

std::string TooManyLinesMessage(size_t lines) {
  if (lines <= kClipboardMaxLines) return "";
  return "The text takes " + std::to_string(lines) +
         " lines of 60 characters; at most 22 lines (two records of 11) can be added at once.  "
         "Shorten the text or add it in parts.";
}

void ClipboardEntry::Activate() {
  for (std::string& key : keys) key.clear();
  continuation_ = false;
}

bool ClipboardEntry::Replicate() {
  if (!record_added_) {
    session_.host().ShowWarning(kNothingToDuplicate);
    return false;
  }
  for (int i = 0; i < kClipboardKeyCount; ++i) {
    const ClipboardKeyBox& box = kKeyBoxes[i];
    const char* field = reinterpret_cast<const char*>(&session_.previous_record) + box.offset;
    std::string text(field, strnlen(field, box.size));
    if (i != 1) text.erase(text.find_last_not_of(' ') + 1);  // the section stays as stored
    if (text.size() > static_cast<size_t>(box.max_length)) text.resize(box.max_length);
    keys[i] = text;
  }
  return true;
}

std::string ClipboardEntry::Accept(std::string_view ansi) {
  std::vector<std::string> lines = WrapClipboardText(ansi);
  if (std::string message = TooManyLinesMessage(lines.size()); !message.empty()) return message;
  continuation_ = lines.size() > static_cast<size_t>(database::kLineCount);
  first_ = TextRecord(lines, 0);
  if (continuation_) first_.Multi_Page_Flag = 1;
  continuation_lines_.assign(lines.begin() + (continuation_ ? database::kLineCount : lines.size()),
                             lines.end());
  record_added_ = true;
  return "";
}

std::vector<ClipboardEntry::Added> ClipboardEntry::AddRecords(std::function<int32_t()> add) {
  if (!add) add = [this] { return session_.AddRecord() ? session_.add_ref() : 0; };
  std::vector<QuotationRecord> records = {first_};
  if (continuation_) records.push_back(TextRecord(continuation_lines_, 0));

  std::vector<Added> added;
  for (size_t r = 0; r < records.size(); ++r) {
    QuotationRecord& record = records[r];
    if (session_.highest_record_number() >= kHighestRecordNumber) {
      session_.host().ShowError(
          "Record numbers end at 999,999 and none is left for this record.  Error adding record");
      break;
    }
    Store(record.Record_Number, sizeof record.Record_Number,
          std::to_string(session_.TakeNextRecordNumber()));
    record.Multi_Page_Flag = continuation_ && r == 0 ? 1 : 0;
    for (int i = 0; i < kClipboardKeyCount; ++i) {
      Store(FieldOf(record, kKeyBoxes[i]), kKeyBoxes[i].size, keys[i]);
    }
    session_.current_record = record;
    session_.previous_record = record;
    if (const int32_t ref = add()) {
      added.push_back({ref, record});
    } else {
      session_.host().ShowError("Error adding record");
    }
  }
  record_added_ = true;
  return added;
}

}  // namespace tessary::entry
