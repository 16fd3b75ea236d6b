// The data file of an open Fileblock: its header as the engine holds it, the
// free chain, the record slots, and the InUse byte that marks the file changed
// since its last clean close.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "isam/format.h"
#include "isam/status.h"
#include "platform/file.h"

namespace tessary::isam {

class SlotFile {
 public:
  SlotFile(Status& status, std::unique_ptr<platform::File> file, const DataHeader& header);

  const DataHeader& header() const { return header_; }
  int record_length() const { return header_.record_length; }
  int32_t slot_count() const { return header_.slot_count; }
  platform::File& file() { return *file_; }
  // InUse has been written in this open (or was found set by a rebuild that
  // set it itself).
  bool changed() const { return changed_; }
  void AdoptInUse() { changed_ = header_.in_use != 0; }

  // Sets InUse on disk, durably, before the first change of this open.
  bool MarkChanged();
  // Takes a slot (the free chain's head first) and writes `record` into it;
  // the slot number, or 0 on failure, which leaves the chain as it was.
  int32_t Add(const uint8_t* record);
  // Whole slots, read or rewritten in place (no header changes).
  bool Read(int32_t slot, uint8_t* buffer);
  bool Write(int32_t slot, const uint8_t* record);
  // Reads a slot for a pass over the records in slot order, through a window
  // of slots read ahead in one call. Every write drops the window.
  bool ReadAhead(int32_t slot, uint8_t* buffer);
  // The trailer of a variable-length record's slot.
  bool ReadLink(int32_t slot, ChainLink* link);
  // Puts a slot on the free chain (the slot must be in use).
  bool Free(int32_t slot);
  // The first used slot from `ref` on in `direction` (-1, 0, +1); 10275 when
  // there is none.
  int32_t SeekUsed(int32_t ref, int direction);

  // A clean close: the header, then InUse cleared; each made durable.
  bool WriteHeader();
  bool Sync() { return status_.Sync(*file_); }
  bool ClearInUse();
  // Closes the file: 0, or the errno of a failed close.
  int Close() { return file_->Close(); }

 private:
  bool WriteBytes(uint64_t offset, const void* bytes, size_t n);
  bool TakeFreeSlot(int32_t* slot);
  bool ReadWindow(int32_t slot, uint8_t* buffer);
  void DropWindow();

  Status& status_;
  std::unique_ptr<platform::File> file_;
  DataHeader header_;
  bool changed_ = false;
  // The read-ahead window of ReadAhead, and the slot read last.
  std::vector<uint8_t> window_;
  uint64_t window_offset_ = 0;
  int32_t last_read_slot_ = 0;
};

}  // namespace tessary::isam
