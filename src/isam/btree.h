// The B-tree of one key: pages of up to PageSize (62) items in the key's
// stretch of the index file, read and written through the page cache, kept
// at least half full except for the root.
//
// Invariants of a key's tree (checked by Verify):
//   1. Items within a page ascend strictly in entry order, and every entry of
//      the subtree left of an item sorts before it, of the subtree right of it
//      after it.
//   2. Every page but the root holds PageSize div 2 (31) to PageSize items; the
//      root holds 1 to PageSize; an empty tree has RootPage 0.
//   3. All leaves lie at the same depth, at most kMaxHeight.
//   4. EntryCount equals the number of items in the tree.
//   5. Every page 1..PageCount is either in the tree (exactly once) or on the
//      key's free chain, whose length is FreePageCount; none is both.
//
// Insertion puts the entry into its leaf. A full page first passes items to a
// sibling under the same parent (the right one unless it is the last child);
// only when that sibling is full too does it split, promoting its middle item.
// Deletion replaces an inner entry by its predecessor, then repairs pages that
// fell below half by borrowing from a sibling or merging with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "isam/format.h"
#include "isam/page_cache.h"
#include "isam/status.h"
#include "platform/file.h"

namespace tessary::isam {

// The index file of an open Fileblock: rows of every key's page stretch.
struct IndexFile {
  std::unique_ptr<platform::File> file;
  int64_t row_bytes = 0;
  int32_t row_count = 0;  // page rows present after row 0
};

// Where an entry lies in a page: the matching item, else R, the item it
// follows (0: before item 1).
struct PagePosition {
  int index;
  bool exact;
};
PagePosition SearchPage(const Page& page, std::string_view text, int32_t ref, bool with_ref);

class KeyTree final : public PageOwner {
 public:
  KeyTree(Status& status, PageCache& cache, IndexFile& index, const KeyHeader& header, int key_len,
          int page_size, int64_t key_offset);
  KeyTree(const KeyTree&) = delete;
  KeyTree& operator=(const KeyTree&) = delete;

  const KeyHeader& header() const { return header_; }
  bool duplicates() const { return header_.allow_duplicates != 0; }
  int key_len() const { return key_len_; }
  int32_t root() const { return header_.root_page; }

  // A page of the tree through the cache; nullptr on failure.
  PageBuffer* Fetch(int32_t page);
  // Adds the entry; 10230 when it exists.
  bool Insert(std::string_view text, int32_t ref);
  // Deletes the entry; 10220 when it does not exist.
  bool Remove(std::string_view text, int32_t ref);
  // Whether the entry exists (the ref counts when `with_ref`).
  bool Contains(std::string_view text, int32_t ref, bool with_ref, bool* found);
  // The approximate place of an entry on a scale of `scale`, for scroll bars,
  // and back (key_position.cc).
  int ToRelative(std::string_view text, int32_t ref, int scale);
  bool FromRelative(int position, int scale, int32_t& ref, std::string& text);

  // The header at close, when it changed; then the cached pages go.
  bool WriteHeader();
  bool WritePage(int32_t page, const Page& data) override;

 private:
  enum class Insertion { kDone, kOverflow, kFailed };
  enum class Removal { kDone, kUnderflow, kNotFound, kFailed };
  struct Carry;

  uint64_t PageAt(int32_t page) const { return PageOffset(page, index_.row_bytes, key_offset_); }
  PageBuffer* NewPage(int32_t page);
  bool AllocPage(int32_t* page);
  bool AddRow();
  bool FreePage(int32_t page);
  bool NewRoot(const Item& first, int32_t left_child);
  Insertion InsertInto(int32_t page_no, const Item& entry, int depth, Carry* carry);
  bool Redistribute(int32_t parent_no, int child_pos, const Carry& carry, bool* done);
  bool Split(int32_t page_no, const Carry& carry, Item* promoted);
  Removal RemoveFrom(int32_t page_no, std::string_view text, int32_t ref, int depth);
  Removal RemoveInner(PageBuffer* buffer, int32_t page_no, int index, int depth);
  Removal RemovePredecessor(int32_t page_no, Item* out, int depth);
  Removal Balance(int32_t page_no, int child_pos, Removal below);
  bool Repair(int32_t parent_no, int child_pos);
  bool Merge(PageBuffer* parent, int separator_pos, PageBuffer* left, PageBuffer* right);
  int min_items() const { return page_size_ / 2; }

  Status& status_;
  PageCache& cache_;
  IndexFile& index_;
  KeyHeader header_;
  int key_len_;
  int page_size_;
  int64_t key_offset_;
  bool header_changed_ = false;
};

}  // namespace tessary::isam
