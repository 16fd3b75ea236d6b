// Variable-length records in a slot file: a head slot whose number is the
// record's reference, and a chain of continuation slots (layout in format.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "isam/slot_file.h"
#include "isam/status.h"

namespace tessary::isam {

class VarRecords {
 public:
  // `scratch` is a work buffer of at least one slot.
  VarRecords(Status& status, SlotFile& slots, std::vector<uint8_t>& scratch)
      : status_(status), slots_(slots), scratch_(scratch) {}

  // Writes the continuations (last chunk first, each naming the one written
  // before it), then the head; the head's slot, or 0 on failure, which frees
  // what was written.
  int32_t Add(std::string_view bytes);
  // Reads up to `size` bytes of the record at `ref` into `out`; the bytes
  // delivered. A slot that holds no live record is delivered as it is (its
  // non-zero first bytes tell the caller the record is gone).
  size_t Get(int32_t ref, uint8_t* out, size_t size);
  // Rewrites the record in its head slot: the new chain first, then the head,
  // then the old chain is freed. A crash in between leaves stray slots behind,
  // never a head pointing into freed ones.
  bool Put(int32_t ref, std::string_view bytes);
  // Frees the head and every continuation.
  bool Delete(int32_t ref) { return FreeChain(ref); }

 private:
  bool WriteContinuations(std::string_view bytes, int32_t* first);
  bool FreeChain(int32_t first);

  Status& status_;
  SlotFile& slots_;
  std::vector<uint8_t>& scratch_;
};

}  // namespace tessary::isam
