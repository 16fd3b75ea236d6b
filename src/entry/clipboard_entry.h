// Adding a quotation from pasted text: the text is laid out in lines of at
// most 60 characters as the entry box wraps it, and stored as one record, or
// as two with consecutive record numbers when it needs more than 11 lines (the
// first marked as continuing). Nine key boxes give the fields both share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "database/quotation_record.h"
#include "database/session.h"

namespace tessary::entry {

inline constexpr size_t kClipboardColumns = 60;
inline constexpr size_t kClipboardMaxLines = 22;

// The key boxes of the clipboard entry.
struct ClipboardKeyBox {
  const char* object_name;
  const char* label;
  int max_length;
  size_t offset;  // the record field
  size_t size;
  const char* hint;
};
inline constexpr int kClipboardKeyCount = 9;
const std::array<ClipboardKeyBox, kClipboardKeyCount>& ClipboardKeyBoxes();

inline constexpr char kReplicateHint[] =
    "Optionally replicates key and selected data fields from previous record entered - saves "
    "retyping.";
inline constexpr char kReplicateTip[] =
    "Replicate key fields from previous record - saves retyping.";
inline constexpr char kTextBoxHint[] =
    "Use \"Ctrl-Ins\" or \"Edit | Paste\" to insert previously selected text into Lines 1 to 11.";
inline constexpr char kClipboardHelpHint[] = "Help about Clipboard Add.";
inline constexpr char kNothingToDuplicate[] =
    "Nothing to Duplicate!  Try again after you've added a record.";
inline constexpr int kClipboardHelpTopic = 130;

// Splits Windows-1252 text into the lines it shows in a box 60 characters
// wide. Each line break (CR LF, LF or CR) ends a line. A line longer than 60
// breaks after its last word that ends within 60 characters, the blanks at
// the break dropped; a word longer than 60 is cut at 60. Tabs advance to the
// next multiple of 8 columns; other control characters are dropped. Lines
// that are empty or blank at the end of the text are dropped. Every line
// returned holds at most 60 characters, and no character but the blanks at a
// break is lost.
std::vector<std::string> WrapClipboardText(std::string_view ansi);

class ClipboardEntry {
 public:
  explicit ClipboardEntry(database::Session& session) : session_(session) {}

  // The dialog became active: the key boxes are emptied and the continuation
  // flag cleared.
  void Activate();

  // The key boxes' texts, Windows-1252, indexed like ClipboardKeyBoxes().
  std::array<std::string, kClipboardKeyCount> keys;

  // Fills the key boxes from the previous record (trailing blanks removed,
  // the section as stored) when a record was added here in this run; else
  // shows the warning and gives false.
  bool Replicate();

  // OK: lays out `ansi` in lines. More than 22 lines are refused: gives the
  // message and keeps nothing. Else builds the text of the first record (and
  // keeps the continuation lines) and gives "".
  std::string Accept(std::string_view ansi);

  // The command after OK: numbers the record(s), stores the key boxes and
  // adds them with `add` (the session's AddRecord when empty), showing "Error
  // adding record" for each add that fails; the second record of a continued
  // text is tried even when the first failed. The last record built becomes
  // the previous record. Gives the records added with their references.
  struct Added {
    int32_t ref;
    database::QuotationRecord record;
  };
  // `add` gives the reference of the record it stored, 0 when it failed.
  std::vector<Added> AddRecords(std::function<int32_t()> add = nullptr);

  bool continuation() const { return continuation_; }
  bool record_added() const { return record_added_; }

 private:
  database::Session& session_;
  bool continuation_ = false;
  bool record_added_ = false;
  database::QuotationRecord first_ = database::EmptyRecord();
  std::vector<std::string> continuation_lines_;
};

// The message when a text makes more lines than two records hold; "" when it
// fits.
std::string TooManyLinesMessage(size_t lines);

}  // namespace tessary::entry
