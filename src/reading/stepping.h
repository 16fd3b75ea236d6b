// Stepping through the database one quotation at a time, as the reading
// window, the quote-a-day and `tessary-cli step` do: one entry forwards or
// backwards in a key, wrapping at either end, optionally on until a record
// passes the viewing filters.
#pragma once

#include <cstdint>
#include <functional>

#include "database/quotation_record.h"
#include "database/session.h"

namespace tessary::reading {

inline constexpr char kNothingPassesMessage[] =
    "No quotation passes the viewing filters that are on.  Every record was checked once.";

// Decides whether a record may be shown; empty means every record may.
using RecordTest = std::function<bool(const database::QuotationRecord&)>;

enum class StepOutcome {
  kFound,       // the record is in the session's current record
  kNonePassed,  // a full pass of the key found no record that `accepts`
  kFailed,      // an engine failure, already reported to the user
};

// Positions `key` on the entry of `from` (its key text and `ref`), so that the
// next step moves from that very entry even among duplicate key texts. When
// the entry is gone (the record was changed or deleted meanwhile) the step
// moves to the neighbour of the place where it stood.
void PositionOnEntry(database::Session& session, int key, int32_t ref,
                     const database::QuotationRecord& from, bool forward);

// Steps from the entry of `from` at `*ref` to the next (or previous) entry of
// `key`, wrapping, and reads its record into the session's current record;
// `*ref` becomes its reference. With `accepts`, steps on until a record passes,
// but at most once through the whole key: when nothing passes the result is
// kNonePassed and the session's current record is the last one read. Engine
// failures are reported through the session ("Location 29", "Location 30").
StepOutcome StepRecord(database::Session& session, int key, int32_t* ref,
                       const database::QuotationRecord& from, bool forward,
                       const RecordTest& accepts);

}  // namespace tessary::reading
