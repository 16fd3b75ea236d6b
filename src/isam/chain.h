// Reading a variable-length record: its head slot, then each continuation
// slot its links name. The engine's record reads, the rebuild's scans and
// Verify all read records through ReadChain, so all three agree on what a
// damaged chain is.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "isam/format.h"

namespace tessary::isam {

enum class ChainRead {
  kWhole,       // the record, or as much of it as the buffer holds
  kDamaged,     // a bad count, mark or link: the record cannot be trusted
  kUnreadable,  // a slot could not be fetched
};

// Reads the record whose head slot `head` holds `head_bytes` into `out`, at
// most `capacity` bytes; *delivered counts the bytes read so far (of a whole
// record, or up to the damage or the unreadable slot). The links are followed until a
// link of 0 or a full buffer. `fetch(slot)` gives a slot's bytes, or nullptr
// when it cannot be read. A link outside 1..`last_slot`, a chain that comes
// back to a slot it passed or grows longer than the longest readable record,
// a count beyond the slot and a continuation without its mark are damage.
template <typename Fetch>
ChainRead ReadChain(int record_length, int32_t head, const uint8_t* head_bytes, int32_t last_slot,
                    Fetch&& fetch, uint8_t* out, size_t capacity, size_t* delivered) {
  *delivered = 0;
  ChainLink link = DecodeChainLink(head_bytes, record_length);
  if (link.count > HeadCapacity(record_length)) return ChainRead::kDamaged;
  size_t n = std::min(capacity, link.count);
  std::memcpy(out, head_bytes, n);
  *delivered = n;
  const size_t max_slots = static_cast<size_t>(MaxChainSlots(record_length));
  std::vector<int32_t> seen{head};
  while (link.next != 0 && n < capacity) {
    const int32_t slot = link.next;
    if (slot < 1 || slot > last_slot || seen.size() >= max_slots ||
        std::find(seen.begin(), seen.end(), slot) != seen.end()) {
      return ChainRead::kDamaged;
    }
    seen.push_back(slot);
    const uint8_t* bytes = fetch(slot);
    if (bytes == nullptr) return ChainRead::kUnreadable;
    link = DecodeChainLink(bytes, record_length);
    if (bytes[0] != kContinuationMark || link.count > ContinuationCapacity(record_length)) {
      return ChainRead::kDamaged;
    }
    const size_t piece = std::min(capacity - n, link.count);
    std::memcpy(out + n, bytes + 1, piece);
    n += piece;
    *delivered = n;
  }
  return ChainRead::kWhole;
}

// Room for any record whose chain is not damaged.
inline size_t MaxChainBytes(int record_length) {
  return static_cast<size_t>(MaxChainSlots(record_length)) * HeadCapacity(record_length);
}

}  // namespace tessary::isam
