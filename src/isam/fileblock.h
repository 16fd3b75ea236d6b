// An open Fileblock: its data file, its index file with one tree and one
// cursor per key, and the flags that decide what its close writes. Internal
// to the engine; callers hold it as an opaque handle.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "isam/btree.h"
#include "isam/cursor.h"
#include "isam/format.h"
#include "isam/slot_file.h"

namespace tessary::isam {

struct Fileblock {
  static constexpr uint32_t kValidMark = 0x46424C4B;  // "FBLK"
  uint32_t mark = kValidMark;
  FileblockNames names;
  bool read_only = false;
  // A change failed part-way: the close keeps InUse set so the next open
  // asks for a rebuild instead of trusting the files.
  bool damaged = false;
  std::unique_ptr<SlotFile> data;
  IndexFile index;
  std::vector<std::unique_ptr<KeyTree>> trees;  // key k at k - 1
  std::vector<KeyCursor> cursors;

  int key_count() const { return static_cast<int>(trees.size()); }
  KeyTree& tree(int key) { return *trees[static_cast<size_t>(key - 1)]; }
  KeyCursor& cursor(int key) { return cursors[static_cast<size_t>(key - 1)]; }
};

}  // namespace tessary::isam
