// The rebuild's sequential file work: reading an old data file slot by slot
// through a read-ahead window, and writing a new one through a write-behind
// window that numbers the slots itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "isam/status.h"
#include "platform/file.h"

namespace tessary::isam {

class SlotReader {
 public:
  SlotReader(platform::File& file, int record_length);

  // The bytes of `slot`, or nullptr past the end of the file. *error is the
  // errno of a read that failed on the way (0 when none did).
  const uint8_t* Slot(int32_t slot, int* error);

  enum class Found { kRecord, kSkip, kEnd, kFailed };
  // The record at `slot` into *record: variable-length records at their
  // heads (a damaged chain is skipped), plain slots when in use or, with
  // `free_slots_too`, always. kFailed when a read failed (the status tells).
  Found RecordAt(int32_t slot, RecordLayout layout, bool free_slots_too, Status& status,
                 std::string* record);

 private:
  platform::File& file_;
  int record_length_;
  std::vector<uint8_t> window_;
  std::vector<uint8_t> chain_;  // a record as its chain is read
  int32_t first_ = 0;
  size_t count_ = 0;
};

class SlotWriter {
 public:
  SlotWriter(Status& status, platform::File& file, int record_length);

  // The slot number the next Append gives.
  int32_t next_slot() const { return written_ + static_cast<int32_t>(count_) + 1; }
  // Slots written to the file so far.
  int32_t written() const { return written_; }
  // Appends a record: variable-length as a head followed by its
  // continuations, plain as one slot (cut to the slot).
  bool AppendRecord(const std::string& bytes, RecordLayout layout);
  // Writes the slots still in the window.
  bool Flush();

 private:
  // The next slot's bytes, zeroed; nullptr when writing the window failed.
  uint8_t* Append();

  Status& status_;
  platform::File& file_;
  int record_length_;
  std::vector<uint8_t> window_;
  size_t capacity_;
  size_t count_ = 0;
  int32_t written_ = 0;
};

// Slots a rebuild's window holds: 32 KiB worth, at least 2; one for slots
// above 16 KiB.
size_t WindowSlots(int record_length);

}  // namespace tessary::isam
