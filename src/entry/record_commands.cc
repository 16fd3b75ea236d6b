#include "entry/record_commands.h"

namespace tessary::entry {
namespace {

using database::QuotationRecord;
using database::Session;

ListLanding LandOn(const Session& session, const QuotationRecord& record, int32_t ref) {
  return {true, true, database::BuildKey(record, database::ValidKey(session.current_key())), ref};
}

}  // namespace

ListLanding AddByKeyboard(Session& session, EntryForm& form, const ShowForm& show) {
  session.current_record = database::EmptyRecord();
  form.Open(EntryMode::kAdd);
  ListLanding landing;
  if (show() && form.accepted) {
    // The list may have read rows into the shared buffer while the form was
    // open; what OK stored is the form's.
    session.current_record = form.buffer();
    if (session.AddRecord()) {
      NoteRecordNumberAdded(session, form.buffer());
      landing = LandOn(session, form.buffer(), session.add_ref());
    } else {
      session.host().ShowError("Error adding record");
    }
  }
  form.accepted = false;
  return landing;
}

ListLanding EditRecord(Session& session, EntryForm& form, int32_t ref, const ShowForm& show) {
  session.saved_record = database::EmptyRecord();
  session.current_record = database::EmptyRecord();
  QuotationRecord record;
  if (!ReadEntryRecord(session, ref, false, &record)) return {};
  session.current_record = record;
  session.saved_record = record;
  form.Open(EntryMode::kEdit);
  if (!show()) return {};
  session.current_record = form.buffer();
  const database::UpdateOutcome outcome = session.UpdateRecord(ref);
  if (outcome == database::UpdateOutcome::kFailed) {
    session.host().ShowError("Error updating record");
    // The data may be rewritten even though a key was not: show what is there.
    return {true, false, "", 0};
  }
  if (outcome == database::UpdateOutcome::kUnchanged) return {};
  if (!ReadEntryRecord(session, ref, false, &record)) return {true, false, "", 0};
  session.current_record = record;
  return LandOn(session, record, ref);
}

ListLanding DeleteRecord(Session& session, EntryForm& form, int32_t ref, const ShowForm& show) {
  QuotationRecord copy;
  if (!ReadEntryRecord(session, ref, false, &copy)) return {};
  session.current_record = copy;
  if (!form.Open(EntryMode::kDelete, ref) || !show()) return {};
  session.current_record = copy;
  if (session.DeleteRecord(copy, ref) == database::DeleteOutcome::kFailed) {
    session.host().ShowError("Error deleting record");
    return {};
  }
  return {true, false, "", 0};
}

ListLanding AddFromClipboard(Session& session, ClipboardEntry& entry, const ShowForm& show) {
  entry.Activate();
  if (!show()) return {};
  std::vector<ClipboardEntry::Added> added = entry.AddRecords();
  if (added.empty()) return {};
  session.current_record = added.back().record;
  return LandOn(session, added.back().record, added.back().ref);
}

}  // namespace tessary::entry
