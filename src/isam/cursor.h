// The cursor of one key: a path of (page, item) pairs from the root down.
// Depth 0 stands before the first or after the last entry; at depth d > 0 the
// cursor stands on item i of the page at level d (0: before item 1).
//
// The cursor is valid after a clear, a search or a step, and invalid after
// the Fileblock is opened and whenever an entry is added to or deleted from
// its key. An invalid cursor is placed again from the entry the caller passes
// back (the entry it was given last).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "isam/btree.h"
#include "isam/status.h"

namespace tessary::isam {

class KeyCursor {
 public:
  KeyCursor(Status& status, KeyTree& tree) : status_(&status), tree_(&tree) {}

  void Clear() {
    depth_ = 0;
    valid_ = true;
  }
  void Invalidate() { valid_ = false; }

  // The next or previous entry; 10250 or 10260 at the ends, after which the
  // cursor stands at depth 0 (so the next step wraps around). `ref` and
  // `text` carry the caller's entry in and the entry found out.
  void Next(int32_t& ref, std::string& text);
  void Prev(int32_t& ref, std::string& text);
  // The first entry at or after `text`; 10210 when there is none.
  void Search(int32_t& ref, std::string& text);
  // The entry (text, ref); without it: by `direction`, the next greater one
  // (+1), none (0, 10270) or the greatest smaller one (-1).
  void Find(int32_t& ref, std::string& text, int direction);

 private:
  struct Level {
    int32_t page;
    int index;  // 0..ItemCount; 0 stands before item 1
  };
  bool Position(std::string_view text, int32_t ref, bool with_ref, bool* exact);
  bool Descend(int32_t child, bool leftmost);
  bool StepNext(int32_t& ref, std::string& text);
  bool StepPrev(int32_t& ref, std::string& text);
  bool Entry(int32_t& ref, std::string& text);
  bool Reestablish(const std::string& text, int32_t ref, bool* exact);

  Status* status_;
  KeyTree* tree_;
  bool valid_ = false;
  int depth_ = 0;
  std::array<Level, kMaxHeight> path_{};
};

}  // namespace tessary::isam
