#include "entry/entry_form.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "platform/text.h"

namespace tessary::entry {
namespace {

using database::QuotationRecord;

#define FIELD(f) offsetof(QuotationRecord, f), sizeof(QuotationRecord::f)

constexpr char kDigitHint[] = "Optional:  Enter a number from 0 to 9.";

constexpr FormBox kBoxes[] = {
    {"Edit_Line1", "Line 1:", 60, BoxKind::kText, FIELD(Line1), "Enter Line 1 text.", false},
    {"Edit_Line2", "Line 2:", 60, BoxKind::kText, FIELD(Line2), "Enter Line 2 text.", false},
    {"Edit_Line3", "Line 3:", 60, BoxKind::kText, FIELD(Line3), "Enter Line 3 text.", false},
    {"Edit_Line4", "Line 4:", 60, BoxKind::kText, FIELD(Line4), "Enter Line 4 text.", false},
    {"Edit_Line5", "Line 5:", 60, BoxKind::kText, FIELD(Line5), "Enter Line 5 text.", false},
    {"Edit_Line6", "Line 6:", 60, BoxKind::kText, FIELD(Line6), "Enter Line 6 text.", false},
    {"Edit_Line7", "Line 7:", 60, BoxKind::kText, FIELD(Line7), "Enter Line 7 text.", false},
    {"Edit_Line8", "Line 8:", 60, BoxKind::kText, FIELD(Line8), "Enter Line 8 text.", false},
    {"Edit_Line9", "Line 9:", 60, BoxKind::kText, FIELD(Line9), "Enter Line 9 text.", false},
    {"Edit_Line10", "Line 10:", 60, BoxKind::kText, FIELD(Line10), "Enter Line 10 text.", false},
    {"Edit_Line11", "Line 11:", 60, BoxKind::kText, FIELD(Line11),
     "Enter Line 11 text.  Make Multi-Page Switch \"True\" if quotation continues.", false},
    {"Edit_RecordNumber", "Record Number:", 6, BoxKind::kRecordNumber, FIELD(Record_Number),
     "Enter a Record Number from 0 to 999,999 - Key Field.", true},
    {"Edit_BookCode", "Book Code:", 2, BoxKind::kText, FIELD(Book_Code),
     " Enter the Book Code for your source, i.e. AA, BA -  Key Field.", true},
    {"Edit_Page", "Page:", 4, BoxKind::kText, FIELD(Page_Number),
     "Enter the Page Number of your source - book, magazine, etc. - Key Field.", true},
    {"Edit_Subject", "Subject:", 13, BoxKind::kText, FIELD(Subject),
     "Enter the Subject of your quote, thought or idea - Key Field.", true},
    {"Edit_Section", "Section:", 1, BoxKind::kText, FIELD(Section),
     "Enter a section number from 1 to 9 - Key Field.", true},
    {"Edit_SectionName", "Section Name:", 9, BoxKind::kText, FIELD(Section_Name),
     "Enter name for your section number.", true},
    {"Edit_Subtitle", "Subtitle:", 13, BoxKind::kText, FIELD(Subtitle),
     "Enter the Subtitle of your quote, thought or idea - Key Field.", true},
    {"Edit_UserCode", "User Code:", 13, BoxKind::kText, FIELD(User_Code),
     "Enter the User Code for your idea - Key Field.", true},
    {"Edit_LastName", "Author's Last Name:", 16, BoxKind::kText, FIELD(Authors_LName),
     "Enter the last name of the Author - Key Field.", true},
    {"Edit_FirstName", "Author's First Name:", 15, BoxKind::kText, FIELD(FirstName),
     "Enter the first name of the Author - Key Field.", true},
    {"Edit_DisplayName", "Author's Display Name:", 41, BoxKind::kText, FIELD(Authors_Full_Name),
     "Enter Author information that will appear on View Screen.", true},
    {"Edit_Bio", "Author's Bio Description:", 50, BoxKind::kText, FIELD(Author_Bio_Snapshot),
     "Enter a Biographical snapshot about the author.", true},
    {"Edit_BookName", "Book Name:", 57, BoxKind::kText, FIELD(Book_Name),
     "Enter the name of the book or magazine, if relevant.", true},
    {"Edit_MultiPage", "Multi-Page Switch:", 1, BoxKind::kSwitch, FIELD(Multi_Page_Flag),
     "Make this <T>rue if you want your quote to continue with the next record.", true},
    {"Edit_AgeCode", "Age Code:", 1, BoxKind::kDigit, FIELD(Author_Age_Code), kDigitHint, true},
    {"Edit_Rank", "Rank:", 1, BoxKind::kDigit, FIELD(Quote_Rank), kDigitHint, true},
    {"Edit_NumberOfLines", "Number of Lines:", 1, BoxKind::kDigit, FIELD(Number_of_Lines),
     kDigitHint, true},
    {"Edit_CountryCode", "Country Code:", 1, BoxKind::kDigit, FIELD(Author_Country_Code),
     kDigitHint, true},
};
static_assert(std::size(kBoxes) == kBoxCount, "one row per box");

#undef FIELD

char* FieldOf(QuotationRecord& record, const FormBox& box) {
  return reinterpret_cast<char*>(&record) + box.offset;
}

// The field's text up to its NUL (or its end without one).
std::string TextOf(const QuotationRecord& record, const FormBox& box) {
  const char* field = reinterpret_cast<const char*>(&record) + box.offset;
  return std::string(field, strnlen(field, box.size));
}

std::string WithoutTrailingBlanks(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// The label without its colon, for messages.
std::string Name(const FormBox& box) {
  std::string label = box.label;
  if (!label.empty() && label.back() == ':') label.pop_back();
  return label;
}

}  // namespace

const std::array<FormBox, kBoxCount>& FormBoxes() {
  static const std::array<FormBox, kBoxCount> boxes = std::to_array(kBoxes);
  return boxes;
}

const std::vector<CopyItem>& CopyMenu() {
  static const std::vector<CopyItem> items = {
      {"Copy Book Code and Page from Previous Record", {kBookCode, kPage}},
      {"Copy Subtitle from Previous Record", {kSubtitle}},
      {"Copy User Code from Previous Record", {kUserCode}},
      {"Copy Subject and Section from Previous Record", {kSubject, kSection}},
      {"Copy Author's Name, Display Name and Bio Description",
       {kLastName, kFirstName, kDisplayName, kBio}},
      {"Copy Book Name from Previous Record", {kBookName}},
      {"Copy ALL Key Fields from Previous Record",
       {kBookCode, kPage, kSubject, kSection, kSectionName, kSubtitle, kUserCode, kLastName,
        kFirstName, kDisplayName, kBio, kBookName}},
  };
  return items;
}

std::string_view Caption(EntryMode mode) {
  switch (mode) {
    case EntryMode::kAdd:
      return "Add New Record";
    case EntryMode::kEdit:
      return "Edit Existing Record";
    case EntryMode::kDelete:
      return "Delete Record?";
  }
  return "";
}

int HelpTopic(EntryMode mode) {
  switch (mode) {
    case EntryMode::kAdd:
      return 100;
    case EntryMode::kEdit:
      return 220;
    case EntryMode::kDelete:
      return 165;
  }
  return 100;
}

QuotationRecord BlankEntryRecord() { return database::BlankLinesRecord(); }

QuotationRecord EmptyEntryAsStored() {
  QuotationRecord record = BlankEntryRecord();
  for (int n = 5; n <= database::kLineCount; ++n) database::Line(record, n)[0] = '\0';
  return record;
}

bool ReadEntryRecord(database::Session& session, int32_t ref, bool blank_lines,
                     QuotationRecord* record) {
  if (!session.is_open() || ref < 1) return false;
  const std::optional<database::StoredRecord> stored =
      session.ReadStored(ref, blank_lines ? BlankEntryRecord() : database::EmptyRecord());
  if (!stored) return false;
  *record = stored->record;
  return record->Deleted_Link == 0;
}

bool EntryForm::Open(EntryMode mode, int32_t ref) {
  mode_ = mode;
  accepted = false;
  switch (mode) {
    case EntryMode::kAdd:
      buffer_ = BlankEntryRecord();
      session_.current_record = buffer_;
      ShowBuffer();
      boxes[kRecordNumber] = std::to_string(session_.TakeNextRecordNumber());
      return true;
    case EntryMode::kEdit:
      buffer_ = session_.current_record;
      ShowBuffer();
      return true;
    case EntryMode::kDelete:
      if (!ReadEntryRecord(session_, ref, true, &buffer_)) return false;
      session_.current_record = buffer_;
      ShowBuffer();
      return true;
  }
  return false;
}

void EntryForm::ShowBuffer() {
  const auto& table = FormBoxes();
  for (int i = 0; i < kBoxCount; ++i) {
    const FormBox& box = table[i];
    const auto byte = static_cast<unsigned char>(*FieldOf(buffer_, box));
    switch (box.kind) {
      case BoxKind::kText:
      case BoxKind::kRecordNumber:
        boxes[i] = WithoutTrailingBlanks(TextOf(buffer_, box));
        break;
      case BoxKind::kSwitch:
        boxes[i] = byte == 1 ? "T" : "F";
        break;
      case BoxKind::kDigit:
        boxes[i] = std::to_string(byte);
        break;
    }
  }
}

bool NormaliseRecordNumber(std::string_view typed, std::string* stored) {
  std::string digits;
  for (char c : typed) {
    if (c == ' ') continue;
    if (c < '0' || c > '9') return false;
    digits += c;
  }
  if (digits.size() > 6) return false;
  *stored = platform::LeftPad(digits, 6);
  return true;
}

std::string EntryForm::Accept() {
  if (mode_ == EntryMode::kDelete) return "";
  const auto& table = FormBoxes();
  // Check every box before anything is stored.
  std::string record_number;
  for (int i = 0; i < kBoxCount; ++i) {
    const FormBox& box = table[i];
    const std::string& text = boxes[i];
    switch (box.kind) {
      case BoxKind::kText:
        if (text.size() > static_cast<size_t>(box.max_length)) {
          return Name(box) + ": " + std::to_string(text.size()) + " characters, at most " +
                 std::to_string(box.max_length) + ".";
        }
        break;
      case BoxKind::kRecordNumber:
        if (!NormaliseRecordNumber(text, &record_number)) {
          return Name(box) + ": \"" + text + "\" is not a number from 0 to 999,999.";
        }
        break;
      case BoxKind::kSwitch:
        break;
      case BoxKind::kDigit:
        if (text.size() != 1 || text[0] < '0' || text[0] > '9') {
          return Name(box) + ": \"" + text + "\" is not a number.  Enter a number from 0 to 9.";
        }
        break;
    }
  }

  for (int i = 0; i < kBoxCount; ++i) {
    const FormBox& box = table[i];
    char* field = FieldOf(buffer_, box);
    const std::string& text = boxes[i];
    switch (box.kind) {
      case BoxKind::kText:
        // The typed characters and a NUL; whatever follows the NUL stays.
        std::memcpy(field, text.data(), text.size());
        field[text.size()] = '\0';
        break;
      case BoxKind::kRecordNumber:
        std::memcpy(field, record_number.data(), record_number.size());
        field[record_number.size()] = '\0';
        boxes[i] = record_number;
        break;
      case BoxKind::kSwitch:
        if (text == "T") *field = 1;
        if (text == "F") *field = 0;
        break;
      case BoxKind::kDigit:
        *field = static_cast<char>(text[0] - '0');
        break;
    }
  }
  session_.current_record = buffer_;
  session_.previous_record = buffer_;
  if (mode_ == EntryMode::kAdd) accepted = true;
  return "";
}

void EntryForm::CopyFromPrevious(size_t item) {
  const auto& menu = CopyMenu();
  if (item >= menu.size()) return;
  const auto& table = FormBoxes();
  for (int i : menu[item].boxes) {
    std::string text = TextOf(session_.previous_record, table[i]);
    // A field filled to its end without a NUL holds one character more than
    // the box takes.
    if (text.size() > static_cast<size_t>(table[i].max_length)) text.resize(table[i].max_length);
    boxes[i] = text;
  }
}

void NoteRecordNumberAdded(database::Session& session, const QuotationRecord& record) {
  std::string number = platform::Trim(database::FieldText(record.Record_Number));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return;
  const long value = std::strtol(number.c_str(), nullptr, 10);
  session.NoteRecordNumber(static_cast<int32_t>(value));
}

}  // namespace tessary::entry
