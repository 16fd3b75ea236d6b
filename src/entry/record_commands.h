// The main window's record commands without the window: add by keyboard,
// edit, delete and add from the clipboard. Each runs its form through a
// callback that shows it modally (true when it closed with OK), changes the
// database through the session and tells the caller where the list should
// land afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "database/session.h"
#include "entry/clipboard_entry.h"
#include "entry/entry_form.h"

namespace tessary::entry {

// What the list does after a command.
struct ListLanding {
  bool changed = false;   // the database changed: refresh the list and status
  bool position = false;  // put the highlight on (key_text, ref)
  std::string key_text;
  int32_t ref = 0;
};

using ShowForm = std::function<bool()>;

// Opens the form in add mode; when it was accepted adds the record ("Error
// adding record" when that fails) and lands on it under the current key.
ListLanding AddByKeyboard(database::Session& session, EntryForm& form, const ShowForm& show);

// Edits the record at `ref`: reads it, keeps it as the saved record, opens the
// form in edit mode and, after OK, rewrites it. Lands on the record when it
// changed. Nothing happens when the record cannot be read.
ListLanding EditRecord(database::Session& session, EntryForm& form, int32_t ref,
                       const ShowForm& show);

// Shows the record at `ref` in delete mode and, after OK, deletes it once the
// user confirms. The list is refreshed unless the delete failed.
ListLanding DeleteRecord(database::Session& session, EntryForm& form, int32_t ref,
                         const ShowForm& show);

// Activates the clipboard entry, shows its dialog and, unless cancelled, adds
// the record(s); lands on the last record added.
ListLanding AddFromClipboard(database::Session& session, ClipboardEntry& entry,
                             const ShowForm& show);

}  // namespace tessary::entry
