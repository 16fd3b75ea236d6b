#include "isam/var_records.h"

#include <algorithm>
#include <cstring>

#include "isam/chain.h"

namespace tessary::isam {

// *first is the slot of the first chunk (0 when the record fits its head). On
// failure the slots already written are freed again.
bool VarRecords::WriteContinuations(std::string_view bytes, int32_t* first) {
  const int l = slots_.record_length();
  *first = 0;
  int32_t next = 0;
  for (size_t i = ContinuationCount(bytes.size(), l); i-- > 0;) {
    EncodeContinuationSlot(scratch_.data(), l, bytes, i, next);
    const int32_t written = slots_.Add(scratch_.data());
    if (written == 0) {
      if (next != 0) {
        Status::Aside aside(status_);
        FreeChain(next);
      }
      return false;
    }
    next = written;
  }
  *first = next;
  return true;
}

// Frees the chain from `first` on, following each slot's link.
bool VarRecords::FreeChain(int32_t first) {
  const int max_slots = MaxChainSlots(slots_.record_length());
  int seen = 0;
  for (int32_t slot = first; slot != 0;) {
    if (slot < 1 || slot > slots_.slot_count() || ++seen > max_slots) {
      return status_.Fail(kErrTooMuchRecords);
    }
    ChainLink link;
    if (!slots_.ReadLink(slot, &link) || !slots_.Free(slot)) return false;
    slot = link.next;
  }
  return true;
}

int32_t VarRecords::Add(std::string_view bytes) {
  int32_t first = 0;
  if (!WriteContinuations(bytes, &first)) return 0;
  EncodeHeadSlot(scratch_.data(), slots_.record_length(), bytes, first);
  const int32_t ref = slots_.Add(scratch_.data());
  if (ref == 0 && first != 0) {
    Status::Aside aside(status_);
    FreeChain(first);
  }
  return ref;
}

size_t VarRecords::Get(int32_t ref, uint8_t* out, size_t size) {
  const int l = slots_.record_length();
  uint8_t* head = scratch_.data();
  if (!slots_.ReadAhead(ref, head)) return 0;
  if (!SlotInUse(head)) {
    // A freed slot or a continuation: its stale links are not followed.
    const size_t n = std::min({size, DecodeChainLink(head, l).count, HeadCapacity(l)});
    std::memcpy(out, head, n);
    return n;
  }
  // The continuations are read into the work buffer after the head's copy.
  auto fetch = [&](int32_t slot) -> const uint8_t* {
    return slots_.ReadAhead(slot, head) ? head : nullptr;
  };
  size_t delivered = 0;
  switch (ReadChain(l, ref, head, slots_.slot_count(), fetch, out, size, &delivered)) {
    case ChainRead::kWhole:
      return delivered;
    case ChainRead::kDamaged:
      status_.Fail(kErrTooMuchRecords);
      return 0;
    case ChainRead::kUnreadable:
      return 0;
  }
  return 0;
}

bool VarRecords::Put(int32_t ref, std::string_view bytes) {
  int32_t first = 0;
  if (!WriteContinuations(bytes, &first)) return false;
  ChainLink old;
  if (!slots_.ReadLink(ref, &old)) return false;
  // InUse before the head changes: a crash between this rewrite and the
  // caller's key changes, or the freeing of the old chain, must be seen at the
  // next open. (The head is rewritten before its old chain is freed, so a
  // record never points at free slots.)
  if (!slots_.MarkChanged()) return false;
  EncodeHeadSlot(scratch_.data(), slots_.record_length(), bytes, first);
  if (!slots_.Write(ref, scratch_.data())) return false;
  return old.next == 0 || FreeChain(old.next);
}

}  // namespace tessary::isam
