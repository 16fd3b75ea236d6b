// The keyboard entry form without its window: the boxes of its two pages with
// their record fields, what each mode puts into the boxes when the form opens,
// how OK stores the boxes, and the copy menu that fills boxes from the record
// added or edited last.
//
// The form works on a buffer of its own, taken from (or laid into) the
// session's current record when it opens and handed back by OK, so that the
// list reading rows into the shared buffer while the form is open cannot
// change what OK stores.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/quotation_record.h"
#include "database/session.h"

namespace tessary::entry {

enum class EntryMode { kAdd, kEdit, kDelete };

enum class BoxKind {
  kText,          // stored as typed, followed by a NUL
  kRecordNumber,  // blanks removed, left-padded to 6
  kSwitch,        // "T" stores 1, "F" stores 0
  kDigit,         // one digit 0 to 9 stored as a number
};

struct FormBox {
  const char* object_name;  // the box's control name, e.g. "Edit_Line1"
  const char* label;        // "Line 1:"
  int max_length;           // characters the box takes
  BoxKind kind;
  size_t offset;  // the record field
  size_t size;
  const char* hint;  // the status panel text while the box has the focus
  bool on_key_page;  // "Key Fields" page, else "Quotation"
};

// Indexes into FormBoxes(): the eleven lines come first.
enum Box : int {
  kLine1 = 0,
  kLine11 = 10,
  kRecordNumber,
  kBookCode,
  kPage,
  kSubject,
  kSection,
  kSectionName,
  kSubtitle,
  kUserCode,
  kLastName,
  kFirstName,
  kDisplayName,
  kBio,
  kBookName,
  kMultiPage,
  kAgeCode,
  kRank,
  kNumberOfLines,
  kCountryCode,
  kBoxCount,
};

const std::array<FormBox, kBoxCount>& FormBoxes();

// The right-click menu: each item fills some boxes from the previous record.
struct CopyItem {
  const char* text;
  std::vector<int> boxes;
};
const std::vector<CopyItem>& CopyMenu();

// Status panel texts of the buttons and the captions by mode.
inline constexpr char kAcceptHint[] = "Accept data entered.";
inline constexpr char kDeleteHint[] = "Delete This Record.";
inline constexpr char kCancelHint[] = "Cancel.";
inline constexpr char kHelpHint[] = "Context Sensitive Help";
std::string_view Caption(EntryMode mode);
// Help topic of the form in `mode`: 100 add, 220 edit, 165 delete.
int HelpTopic(EntryMode mode);

// A record as a new entry starts: every byte zero, then lines 5 to 11 filled
// with blanks (lines 1 to 4 stay zero).
database::QuotationRecord BlankEntryRecord();

// What OK stores for a new entry whose boxes were left empty: every line an
// empty text (lines 5 to 11 followed by their blanks), codes and switch 0.
database::QuotationRecord EmptyEntryAsStored();

// Reads the record at `ref` into `record`, which is first set to
// BlankEntryRecord() when `blank_lines` is set, else to zero bytes. False when
// the engine fails or the slot holds no live record.
bool ReadEntryRecord(database::Session& session, int32_t ref, bool blank_lines,
                     database::QuotationRecord* record);

class EntryForm {
 public:
  explicit EntryForm(database::Session& session) : session_(session) {}

  // Opens the form in `mode` and fills the boxes:
  //  - add: the buffer becomes BlankEntryRecord(), the record-number counter
  //    goes up by one and its value fills "Record Number:";
  //  - edit: the buffer is the session's current record, each box its field
  //    with trailing blanks removed;
  //  - delete: the record at `ref` is read again (lines 5 to 11 blank first)
  //    into the buffer and the current record; false when it cannot be read.
  bool Open(EntryMode mode, int32_t ref = 0);

  EntryMode mode() const { return mode_; }
  // The texts the boxes show, Windows-1252, indexed like FormBoxes().
  std::array<std::string, kBoxCount> boxes;

  // OK. In add and edit mode the boxes are checked and stored into the
  // buffer, which then becomes the session's current and previous record; add
  // mode also sets `accepted`. Gives "" on success, else the reason the entry
  // was refused (nothing is stored). Delete mode stores nothing.
  std::string Accept();
  bool accepted = false;

  // Fills the boxes of copy item `item` from the session's previous record.
  void CopyFromPrevious(size_t item);

  const database::QuotationRecord& buffer() const { return buffer_; }

 private:
  // Every box shows its field with trailing blanks removed.
  void ShowBuffer();

  database::Session& session_;
  EntryMode mode_ = EntryMode::kAdd;
  database::QuotationRecord buffer_ = database::EmptyRecord();
};

// The record number as OK stores it: blanks removed, left-padded with blanks
// to 6. False when what is left is not 0 to 6 digits.
bool NormaliseRecordNumber(std::string_view typed, std::string* stored);

// After a record was added: the counter moves past a number typed above it,
// so that the next entry is not offered a number already in use.
void NoteRecordNumberAdded(database::Session& session, const database::QuotationRecord& record);

}  // namespace tessary::entry
