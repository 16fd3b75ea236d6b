// Checks a closed Fileblock against the engine's invariants by reading its
// files directly, and reports every violation in words. Damaged files give
// findings, never a crash.
//
// Data file:
//   D1. The header is readable, RecordLength >= 21, KeyCount <= 100, and the file
//       holds exactly SlotCount + 1 slots.
//   D2. InUse is 0 (the last open was closed cleanly).
//   D3. The free chain starts at FirstFree, stays within 1..SlotCount, has no
//       cycle, ends at -1, and its length is FreeCount.
//   D4. Every slot is free or belongs to exactly one record chain (a head whose
//       first 4 bytes are 0 and its continuation slots, each marked with byte 1);
//       every continuation but the last is full and no chain exceeds the
//       longest readable record.
// Index file, per key (the B-tree invariants 1-5 of the engine):
//   K1. The header's geometry is valid.
//   K2. Pages ascend, bound their subtrees, hold 31..62 items (the root 1..62),
//       and all leaves share one depth.
//   K3. EntryCount equals the entries in the tree; every entry names a record head.
//   K4. The free page chain is sound, its length is FreePageCount, no page is
//       both free and in the tree, and every page is one or the other.
//   K5. (With a key builder) every record has exactly one entry in each key,
//       whose text the builder gives for it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"

namespace tessary::isam {

struct VerifyOptions {
  bool variable_length = true;
  // When set: the key text a record must have in key k.
  std::function<std::string(std::string_view record, int key)> key_builder;
};

struct VerifyReport {
  int open_error = 0;  // engine error number when the files could not be read at all
  std::vector<std::string> findings;
  int32_t slot_count = 0;        // SlotCount
  int32_t free_slots = 0;        // FreeCount
  int32_t records = 0;           // record heads (or used slots without variable length)
  std::vector<int32_t> entries;  // entries in the tree of key 1, 2, ...
  bool sound() const { return open_error == 0 && findings.empty(); }
};

VerifyReport Verify(platform::FileSystem& fs, const std::string& path,
                    const VerifyOptions& options = {});

}  // namespace tessary::isam
