// The six index keys of the quotation database, described once: what the
// engine is told when it creates or rebuilds the index (length, duplicates),
// how a key text is made from a record (its pieces), and how the main list
// shows a key (status caption, header columns, row layout, search hint).
// Every layer reads this table instead of switching on the key number.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "database/quotation_record.h"
#include "isam/engine.h"

namespace tessary::database {

inline constexpr int kKeyCount = 6;
inline constexpr int kMaxKeyLength = 30;
inline constexpr int kDataSectionLength = 512;

// One piece of a key text: a text field padded with blanks to `width`, in
// front when `left_pad` (numbers), else behind.
struct KeyPiece {
  TextFieldInfo field;
  size_t width;
  bool left_pad;
};

// The column a list row shows besides number, subject, section and first line.
enum class ListColumn { kAuthor, kBookPage, kSubtitle, kUserCode };

// A title of the list header, padded to `width` and followed by `gap`.
struct HeaderPiece {
  const char* title;
  size_t width;
  const char* gap;
};

struct KeyInfo {
  int number;
  int length;  // the key text is cut to this many characters
  bool allow_duplicates;
  std::array<KeyPiece, 3> pieces;
  int piece_count;
  const char* caption;                // shown on the status bar while the list uses the key
  std::array<HeaderPiece, 2> header;  // between the number and the first line
  ListColumn column;
  const char* search_hint;  // the index key search's hint for the key's fields
};

// The keys in number order (Keys()[k - 1] is key k).
const std::array<KeyInfo, kKeyCount>& Keys();

// The key lengths and duplicate flags in key order, as the engine's create,
// rebuild and reindex take them.
std::array<isam::KeyDef, kKeyCount> EngineKeyDefs();

// Whether `number` names one of the six keys.
constexpr bool IsKey(int number) { return number >= 1 && number <= kKeyCount; }

// `number` when it names a key, else 1 (the record number key).
constexpr int ValidKey(int number) { return IsKey(number) ? number : 1; }

// The key `number`; any other number counts as key 1.
const KeyInfo& Key(int number);

// The text of key `key_number` (1 to 6) of `record`; empty for any other number.
std::string BuildKey(const QuotationRecord& record, int key_number);

// BuildKey of a record given as stored bytes (up to 933): the key builder the
// engine's rebuild and Verify take.
std::string BuildKeyFromBytes(std::string_view bytes, int key_number);

// "Sort Key = ..." for key 1 to 6; other numbers count as key 1.
std::string SortKeyCaption(int key_number);

}  // namespace tessary::database
