#include "reading/quote_a_day.h"

#include <ctime>
#include <string>

#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::reading {

uint32_t ClockSeed() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return static_cast<uint32_t>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                               now.tv_nsec / 1000000);
}

uint32_t DrawGenerator::Random(uint32_t range) {
  seed_ = seed_ * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * range) >> 32);
}

QuoteOutcome QuoteADay(database::Session& session, uint32_t seed, const RecordTest& accepts,
                       int32_t* ref) {
  isam::Engine& engine = session.engine();
  const int32_t count = engine.UsedKeys(session.fileblock(), 1);
  if (!engine.EngineOk()) return QuoteOutcome::kFailed;
  if (count <= 0) return QuoteOutcome::kEmpty;

  DrawGenerator generator(seed);
  int32_t at = 0;
  if (count > kUndrawnTail) {
    const uint32_t r = generator.Random(static_cast<uint32_t>(count - kUndrawnTail));
    std::string text = platform::LeftPad(std::to_string(r), 6).substr(0, 6);
    if (!session.FindAndRead(1, at, platform::UpperAnsi(text))) return QuoteOutcome::kFailed;
  } else {
    // Few records: walk to the drawn entry, so the last ones can come up too.
    const uint32_t r = generator.Random(static_cast<uint32_t>(count));
    std::string text;
    engine.ClearKey(session.fileblock(), 1);
    for (uint32_t i = 0; i <= r; ++i) engine.NextKey(session.fileblock(), 1, at, text);
    if (!engine.EngineOk()) {
      session.ReportEngineError("Location 45");
      return QuoteOutcome::kFailed;
    }
    if (!session.FindAndRead(1, at, text)) return QuoteOutcome::kFailed;
  }
  *ref = at;
  if (!accepts) return QuoteOutcome::kFound;

  // The drawn record itself is not tested: the pick is the first passing one
  // after it.
  const database::QuotationRecord drawn = session.current_record;
  switch (StepRecord(session, 1, ref, drawn, true, accepts)) {
    case StepOutcome::kFound:
      return QuoteOutcome::kFound;
    case StepOutcome::kNonePassed:
      return QuoteOutcome::kNonePassed;
    case StepOutcome::kFailed:
      break;
  }
  return QuoteOutcome::kFailed;
}

}  // namespace tessary::reading
