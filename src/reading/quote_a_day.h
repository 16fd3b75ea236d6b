// The quote-a-day: a record number drawn at random from the clock, looked up
// through key 1, and with the viewing filters on the first passing quotation
// after it.
#pragma once

#include <cstdint>

#include "database/session.h"
#include "reading/stepping.h"

namespace tessary::reading {

inline constexpr char kEmptyDatabaseMessage[] = "There are no quotations in the database yet.";

// Milliseconds since local midnight: the clock seed of the draw.
uint32_t ClockSeed();

// The random generator of the draw: each call first moves the seed on
// (seed * 134775813 + 1, modulo 2^32) and gives the upper 32 bits of
// seed * range, a number from 0 to range - 1 (0 for range 0).
class DrawGenerator {
 public:
  explicit DrawGenerator(uint32_t seed) : seed_(seed) {}
  uint32_t Random(uint32_t range);
  uint32_t seed() const { return seed_; }

 private:
  uint32_t seed_;
};

// Records whose last 20 numbers are never drawn directly; a database of this
// many records or fewer is drawn from as a whole.
inline constexpr int32_t kUndrawnTail = 20;

enum class QuoteOutcome {
  kFound,       // the session's current record and `*ref` hold the pick
  kEmpty,       // the database holds no record
  kNonePassed,  // no record passes `accepts`
  kFailed,      // an engine failure, already reported (none while counting)
};

// Draws with `seed` and reads the pick into the session's current record.
// With more than kUndrawnTail records the draw is r = Random(N - 20) and the
// pick the record with the smallest number not below r; with fewer it is
// entry Random(N) of key 1, counted from 0, so every record can come up.
// With `accepts` the pick moves forward through key 1 (wrapping) to the first
// record after the drawn one that passes, at most once round the key.
QuoteOutcome QuoteADay(database::Session& session, uint32_t seed, const RecordTest& accepts,
                       int32_t* ref);

}  // namespace tessary::reading
