#include "isam/slot_file.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace tessary::isam {
namespace {

// A window of 512 slots of 512 bytes, starting a few slots before the slot
// asked for so that the continuation slots written just before a record's
// head are in it too. (A quarter of this size made a pass over 100,000
// records a third slower.)
constexpr uint64_t kWindowBytes = 256 * 1024;
constexpr int32_t kWindowSlotsBefore = 4;
// Reads at most this many slots further on than the last one count as
// sequential (deleted slots and continuations lie in between).
constexpr int32_t kSequentialGap = 16;

}  // namespace

SlotFile::SlotFile(Status& status, std::unique_ptr<platform::File> file, const DataHeader& header)
    : status_(status), file_(std::move(file)), header_(header) {}

bool SlotFile::WriteBytes(uint64_t offset, const void* bytes, size_t n) {
  DropWindow();
  return status_.WriteAt(*file_, offset, bytes, n);
}

bool SlotFile::MarkChanged() {
  if (changed_) return true;
  const uint8_t one = 1;
  if (!WriteBytes(kInUseOffset, &one, 1) || !Sync()) return false;
  header_.in_use = 1;
  changed_ = true;
  return true;
}

// Takes the free chain's head after checking it and its link; 10170 (and no
// change) when either is not a slot of the file.
bool SlotFile::TakeFreeSlot(int32_t* slot) {
  const int32_t f = header_.first_free;
  if (f <= 0 || f > header_.slot_count) return status_.Fail(kErrConsistency);
  uint8_t link_bytes[kLinkSize];
  if (!status_.ReadAt(*file_, SlotOffset(f, record_length()), link_bytes, kLinkSize)) return false;
  const int32_t link = GetI32(link_bytes);
  if (link == 0 || link > header_.slot_count || link < -1) return status_.Fail(kErrConsistency);
  header_.first_free = link;
  --header_.free_count;
  *slot = f;
  return true;
}

int32_t SlotFile::Add(const uint8_t* record) {
  if (!MarkChanged()) return 0;
  const DataHeader before = header_;
  int32_t slot = 0;
  if (header_.first_free == -1) {
    if (header_.slot_count == INT32_MAX) return status_.Fail(kErrConsistency);
    slot = ++header_.slot_count;
  } else if (!TakeFreeSlot(&slot)) {
    return 0;
  }
  if (!Write(slot, record)) {
    header_ = before;
    return 0;
  }
  return slot;
}

bool SlotFile::Read(int32_t slot, uint8_t* buffer) {
  return status_.ReadAt(*file_, SlotOffset(slot, record_length()), buffer,
                        static_cast<size_t>(record_length()));
}

bool SlotFile::Write(int32_t slot, const uint8_t* record) {
  return WriteBytes(SlotOffset(slot, record_length()), record,
                    static_cast<size_t>(record_length()));
}

bool SlotFile::ReadLink(int32_t slot, ChainLink* link) {
  const int l = record_length();
  uint8_t trailer[kTrailerSize];
  if (!status_.ReadAt(*file_, SlotOffset(slot, l) + HeadCapacity(l), trailer, kTrailerSize)) {
    return false;
  }
  *link = {GetU16(trailer), GetI32(trailer + 2)};
  return true;
}

bool SlotFile::Free(int32_t slot) {
  if (!MarkChanged()) return false;
  uint8_t link[kLinkSize];
  PutI32(link, header_.first_free);
  if (!WriteBytes(SlotOffset(slot, record_length()), link, kLinkSize)) return false;
  header_.first_free = slot;
  ++header_.free_count;
  return true;
}

int32_t SlotFile::SeekUsed(int32_t ref, int direction) {
  const int32_t count = header_.slot_count;
  int32_t slot = ref;
  if (direction > 0) slot = ref < 1 ? 1 : ref + 1;
  if (direction < 0) slot = ref > count ? count : ref - 1;
  const int step = direction > 0 ? 1 : -1;
  for (; slot >= 1 && slot <= count; slot += step) {
    uint8_t link[kLinkSize];
    if (!status_.ReadAt(*file_, SlotOffset(slot, record_length()), link, kLinkSize)) return 0;
    if (SlotInUse(link)) return slot;
    if (direction == 0) break;
  }
  status_.Fail(kErrNoMatchingReference);
  return 0;
}

bool SlotFile::WriteHeader() {
  uint8_t bytes[kDataHeaderSize];
  EncodeDataHeader(header_, bytes);
  return WriteBytes(0, bytes, sizeof bytes);
}

bool SlotFile::ClearInUse() {
  const uint8_t zero = 0;
  if (!WriteBytes(kInUseOffset, &zero, 1) || !Sync()) return false;
  header_.in_use = 0;
  changed_ = false;
  return true;
}

void SlotFile::DropWindow() {
  window_.clear();
  last_read_slot_ = 0;
}

bool SlotFile::ReadAhead(int32_t slot, uint8_t* buffer) {
  const size_t l = static_cast<size_t>(record_length());
  const uint64_t at = SlotOffset(slot, record_length());
  if (!window_.empty() && at >= window_offset_ && at + l <= window_offset_ + window_.size()) {
    std::memcpy(buffer, window_.data() + (at - window_offset_), l);
    last_read_slot_ = slot;
    return true;
  }
  const bool sequential =
      last_read_slot_ != 0 && slot > last_read_slot_ && slot <= last_read_slot_ + kSequentialGap;
  last_read_slot_ = slot;
  if (sequential && l <= kWindowBytes / 4 && ReadWindow(slot, buffer)) return true;
  return status_.ok() && Read(slot, buffer);
}

// Reads the window around `slot`; false when it does not reach the slot
// (the plain read then tells) or the read failed (the status tells).
bool SlotFile::ReadWindow(int32_t slot, uint8_t* buffer) {
  const size_t l = static_cast<size_t>(record_length());
  const uint64_t at = SlotOffset(slot, record_length());
  const uint64_t start =
      SlotOffset(std::max<int32_t>(1, slot - kWindowSlotsBefore), record_length());
  window_.resize(static_cast<size_t>(kWindowBytes / l * l));
  platform::IoResult r = file_->ReadAt(start, window_.data(), window_.size());
  if (r.error != 0 || start + r.bytes < at + l) {
    window_.clear();
    if (r.error != 0) status_.ReadFailed(r);
    return false;
  }
  window_.resize(r.bytes);
  window_offset_ = start;
  std::memcpy(buffer, window_.data() + (at - start), l);
  return true;
}

}  // namespace tessary::isam
