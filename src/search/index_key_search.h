// Index key search: the user types the leading part of one of the six keys
// and the list moves to the first record at or after it, switching to that
// key. Which key is used follows from the fields that were filled: the
// highest-numbered group with a filled field wins.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "database/quotation_record.h"
#include "database/session.h"

namespace tessary::search {

inline constexpr char kIndexKeySearchTitle[] = "Index Key Search";
inline constexpr int kIndexKeySearchHelpTopic = 345;

enum IndexField : int {
  kNumberField,
  kLastNameField,
  kFirstNameField,
  kSubjectField,
  kSectionField,
  kBookCodeField,
  kPageField,
  kSubtitleField,
  kUserCodeField,
  kIndexFieldCount
};

struct IndexFieldInfo {
  const char* label;
  size_t longest;   // characters the box takes
  size_t compared;  // bytes compared with zeros to tell whether it is filled
  int group;        // the key it belongs to
  const char* record_field;
};

// The dialog's nine boxes in IndexField order.
const std::array<IndexFieldInfo, kIndexFieldCount>& IndexFields();

// The hint line while a box of `group` (1 to 6) has the focus.
const char* GroupHint(int group);
inline constexpr char kAcceptHint[] = "Accept data entered.";
inline constexpr char kCancelHint[] = "Cancel and return.";
inline constexpr char kHelpHint[] = "Get help on \"Index Key Search.\"";

using IndexSearchFields = std::array<std::string, kIndexFieldCount>;  // Windows-1252

// "" when `text` fits its box, else why not ("Last Name: 18 characters, at most 16").
std::string CheckIndexField(IndexField field, std::string_view text);

// The search fields copied into a zeroed record, each into the field of the
// same meaning (cut to the box's length).
database::QuotationRecord IndexSearchRecord(const IndexSearchFields& fields);

// Whether a record field counts as filled: its bytes compare greater than
// zeros over `compared` bytes (an empty field, "000" or a leading blank do not).
bool FieldFilled(std::string_view field_bytes, size_t compared);

// The key the search uses: every group (1 to 6, in order) with a filled field
// sets it, so the highest wins; 0 when no group counts.
int ChooseSearchKey(const database::QuotationRecord& search_record);

enum class IndexSearchResult { kNoField, kFound, kNotFound };

// Steps 3 to 5 of the command: copies the fields into the session's saved
// record, chooses the key and finds the first entry at or after its key text
// (SearchKeyRetry with the session's search key number). On kFound, *key,
// *ref and *key_text describe the entry found; on kNotFound the engine's
// status tells why (the caller reports it).
IndexSearchResult RunIndexKeySearch(database::Session& session, const IndexSearchFields& fields,
                                    int* key, int32_t* ref, std::string* key_text);

}  // namespace tessary::search
