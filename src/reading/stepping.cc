#include "reading/stepping.h"

#include <algorithm>
#include <string>

#include "isam/errors.h"

namespace tessary::reading {

void PositionOnEntry(database::Session& session, int key, int32_t ref,
                     const database::QuotationRecord& from, bool forward) {
  isam::Engine& engine = session.engine();
  std::string text = database::BuildKey(from, key);
  int32_t at = ref;
  engine.FindKeyAndRef(session.fileblock(), key, at, text, 0);
  session.SetRestart(false);
  if (engine.EngineOk()) return;
  if (engine.EngineError() == isam::kErrNoMatchingKeyAndRef) {
    // The cursor stands on the greatest entry below the vanished one, where a
    // forward step starts. A backward step must start one further on.
    if (!forward) engine.NextKey(session.fileblock(), key, at, text);
    engine.ResetStatus();
    return;
  }
  // Anything else: let the step search its place afresh from the key text.
  engine.ResetStatus();
  session.SetRestart(true);
}

StepOutcome StepRecord(database::Session& session, int key, int32_t* ref,
                       const database::QuotationRecord& from, bool forward,
                       const RecordTest& accepts) {
  key = database::ValidKey(key);
  PositionOnEntry(session, key, *ref, from, forward);
  std::string text = database::BuildKey(from, key);
  int32_t at = *ref;
  // One pass through the key visits every entry once, the start included.
  const int32_t entries = accepts ? session.engine().UsedKeys(session.fileblock(), key) : 1;
  for (int32_t step = 0; step < std::max<int32_t>(entries, 1); ++step) {
    if (!session.StepAndRead(key, at, text, forward)) return StepOutcome::kFailed;
    *ref = at;
    if (!accepts || accepts(session.current_record)) return StepOutcome::kFound;
  }
  return StepOutcome::kNonePassed;
}

}  // namespace tessary::reading
