// The subject list and the subtitle list without windows: their items, the
// choices the dialogs collect, the search key record they prepare, and the
// search the main window runs with it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/quotation_record.h"
#include "database/session.h"

namespace tessary::subjects {

inline constexpr int kSubjectListHelpTopic = 365;
inline constexpr int kSubtitleListHelpTopic = 360;
inline constexpr size_t kTypedTextLimit = 13;
inline constexpr char kListHint[] =
    "Type one or more characters; click down button to show entries that most closely match "
    "your input.";

// The section choices, position 0 to 7.
inline constexpr std::array<std::string_view, 8> kSectionItems = {
    "1. Essence",  "2. Opposites", "3. Insight",   "4. Positive",
    "5. Negative", "6. Advice",    "7. Potpourri", "8. Jokes"};
// The view choices, position 0 to 1.
inline constexpr std::array<std::string_view, 2> kViewItems = {"Browser", "View Screen"};

// An empty item, then the 81 subjects in mixed case, in catalogue order.
std::vector<std::string> SubjectListItems();
// An empty item, then the 362 subtitle items (SubtitleListItems).
std::vector<std::string> SubtitleListBoxItems();

// The item a typed text jumps to: the first item that begins with the text,
// ignoring case; failing that, the first item (after the empty one) that sorts
// at or after it; failing that, the last item. 0 (the empty item) for an
// empty text.
size_t ClosestItem(const std::vector<std::string>& items, std::string_view typed);

enum class ListKind { kSubjects, kSubtitles };

// What a list dialog collects. Activate() gives the state every showing
// starts from.
struct ListChoices {
  bool ok = false;
  bool cancel = false;
  bool nothing_chosen = true;
  bool show_in_list = true;
  bool show_in_reading_window = false;
  std::string chosen_subject;  // up to 13 characters
  std::string chosen_section;  // one digit, empty until the section group is left
  database::QuotationRecord search_key = database::EmptyRecord();
  int sort_key = 0;  // 3 once a subject was chosen, else 0 (unchanged)

  void Activate();

  // Leaving the list with `text` in it: the subject list takes the text as
  // the subject, the subtitle list the subject part of the item.
  void LeaveList(ListKind kind, std::string_view text);
  // Leaving the view group at position 0 (Browser) or 1 (View Screen). The
  // two flags exclude each other, so the last choice counts.
  void LeaveViewGroup(int position);
  // Leaving the section group at `position` (0 to 7). With the seven-section
  // naming "8. Jokes" becomes "7. Potpourri". Returns the position the group
  // must show.
  int LeaveSectionGroup(int position, bool seven_section);

  // Copies subject and section into the search key record; a chosen subject
  // makes key 3 the sort key and clears the nothing-chosen flag.
  void PrepareSearch();
  // Whether the command goes on to search: OK was pressed and a subject chosen.
  bool Searches() const { return ok && !cancel && !nothing_chosen; }
  // The key 3 text of the search key record.
  std::string SearchKeyText() const;
};

// Reads the first record whose key 3 text is at or after `key_text` into the
// session's current record (cleared for reading first). Gives its reference,
// or 0 when there is none (the session has reported why).
int32_t FindFromKey3(database::Session& session, const std::string& key_text);

}  // namespace tessary::subjects
