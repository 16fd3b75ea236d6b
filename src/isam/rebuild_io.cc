#include "isam/rebuild_io.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "isam/chain.h"

namespace tessary::isam {

size_t WindowSlots(int record_length) {
  if (record_length > 16384) return 1;
  return std::max<size_t>(2, 32768 / static_cast<size_t>(record_length));
}

SlotReader::SlotReader(platform::File& file, int record_length)
    : file_(file), record_length_(record_length), chain_(MaxChainBytes(record_length)) {
  window_.resize(WindowSlots(record_length) * static_cast<size_t>(record_length));
}

const uint8_t* SlotReader::Slot(int32_t slot, int* error) {
  *error = 0;
  const size_t l = static_cast<size_t>(record_length_);
  if (slot < first_ || slot >= first_ + static_cast<int32_t>(count_)) {
    platform::IoResult r =
        file_.ReadAt(SlotOffset(slot, record_length_), window_.data(), window_.size());
    *error = r.error;
    first_ = slot;
    count_ = r.bytes / l;
    if (count_ == 0) return nullptr;
  }
  return window_.data() + static_cast<size_t>(slot - first_) * l;
}

SlotReader::Found SlotReader::RecordAt(int32_t slot, RecordLayout layout, bool free_slots_too,
                                       Status& status, std::string* record) {
  int error = 0;
  const uint8_t* bytes = Slot(slot, &error);
  if (bytes == nullptr) {
    // A short read ends the file; a failing one ends the run, since going on
    // would drop the records behind it.
    if (error == 0) return Found::kEnd;
    status.ReadFailed({0, error});
    return Found::kFailed;
  }
  if (layout == RecordLayout::kPlainSlots) {
    if (!free_slots_too && !SlotInUse(bytes)) return Found::kSkip;
    record->assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(record_length_));
    return Found::kRecord;
  }
  if (!SlotInUse(bytes)) return Found::kSkip;
  // A chain reaching past the end of the file is damaged; one whose slots
  // cannot be read ends the run.
  size_t length = 0;
  auto fetch = [&](int32_t s) { return Slot(s, &error); };
  const ChainRead read = ReadChain(record_length_, slot, bytes, INT32_MAX, fetch, chain_.data(),
                                   chain_.size(), &length);
  record->assign(reinterpret_cast<const char*>(chain_.data()), length);
  if (read == ChainRead::kWhole) return Found::kRecord;
  if (read == ChainRead::kUnreadable && error != 0) {
    status.ReadFailed({0, error});
    return Found::kFailed;
  }
  return Found::kSkip;
}

SlotWriter::SlotWriter(Status& status, platform::File& file, int record_length)
    : status_(status),
      file_(file),
      record_length_(record_length),
      capacity_(WindowSlots(record_length)) {
  window_.resize(capacity_ * static_cast<size_t>(record_length));
}

bool SlotWriter::Flush() {
  if (count_ == 0) return true;
  const size_t l = static_cast<size_t>(record_length_);
  if (!status_.WriteAt(file_, SlotOffset(written_ + 1, record_length_), window_.data(),
                       count_ * l)) {
    return false;
  }
  written_ += static_cast<int32_t>(count_);
  count_ = 0;
  return true;
}

uint8_t* SlotWriter::Append() {
  if (count_ == capacity_ && !Flush()) return nullptr;
  uint8_t* slot = window_.data() + count_ * static_cast<size_t>(record_length_);
  std::memset(slot, 0, static_cast<size_t>(record_length_));
  ++count_;
  return slot;
}

bool SlotWriter::AppendRecord(const std::string& bytes, RecordLayout layout) {
  const int l = record_length_;
  if (layout == RecordLayout::kPlainSlots) {
    uint8_t* slot = Append();
    if (slot == nullptr) return false;
    std::memcpy(slot, bytes.data(), std::min(bytes.size(), static_cast<size_t>(l)));
    return true;
  }
  // Head first, then its continuations in the slots that follow it.
  const size_t chunks = ContinuationCount(bytes.size(), l);
  const int32_t head_slot = next_slot();
  uint8_t* head = Append();
  if (head == nullptr) return false;
  EncodeHeadSlot(head, l, bytes, chunks > 0 ? head_slot + 1 : 0);
  for (size_t i = 0; i < chunks; ++i) {
    uint8_t* slot = Append();
    if (slot == nullptr) return false;
    const int32_t next = i + 1 < chunks ? head_slot + 2 + static_cast<int32_t>(i) : 0;
    EncodeContinuationSlot(slot, l, bytes, i, next);
  }
  return true;
}

}  // namespace tessary::isam
