#include "isam/btree.h"

#include <vector>

namespace tessary::isam {
namespace {

void InsertItem(Page& page, int after, const Item& item) {
  for (int i = page.count; i > after; --i) page.items[i] = page.items[i - 1];
  page.items[after] = item;
  ++page.count;
}

void RemoveItem(Page& page, int position) {
  for (int i = position; i < page.count; ++i) page.items[i - 1] = page.items[i];
  --page.count;
}

// The items of a pair of sibling pages with their separator between them, in
// key order; the separator's right child becomes the right page's left child.
struct Run {
  int32_t left_child = 0;
  std::vector<Item> items;
};

void AppendPage(Run& run, const Page& page, bool first) {
  if (first) run.left_child = page.left_child;
  for (int i = 1; i <= page.count; ++i) run.items.push_back(page.item(i));
}

// Spreads a run over the pair: the left page takes `left_count` items, the
// next item becomes the separator, the right page takes the rest.
Item SpreadRun(const Run& run, int left_count, Page& left, Page& right, int32_t right_no) {
  left.left_child = run.left_child;
  left.count = 0;
  for (int i = 0; i < left_count; ++i) left.items[left.count++] = run.items[i];
  Item separator = run.items[left_count];
  right.left_child = separator.right_child;
  right.count = 0;
  for (size_t i = left_count + 1; i < run.items.size(); ++i) {
    right.items[right.count++] = run.items[i];
  }
  separator.right_child = right_no;
  return separator;
}

}  // namespace

PagePosition SearchPage(const Page& page, std::string_view text, int32_t ref, bool with_ref) {
  int left = 1;
  int right = page.count;
  int mid = 0;
  while (left <= right) {
    mid = (left + right) / 2;
    const Item& item = page.item(mid);
    int c = CompareEntries(text, ref, item.Key(), item.ref, with_ref);
    if (c <= 0) right = mid - 1;
    if (c >= 0) left = mid + 1;
  }
  if (left - right > 1) return {mid, true};
  return {right, false};
}

// An item being inserted that its page has no room for: it goes in after
// item `position`.
struct KeyTree::Carry {
  Item item;
  int position = 0;
};

KeyTree::KeyTree(Status& status, PageCache& cache, IndexFile& index, const KeyHeader& header,
                 int key_len, int page_size, int64_t key_offset)
    : status_(status),
      cache_(cache),
      index_(index),
      header_(header),
      key_len_(key_len),
      page_size_(page_size),
      key_offset_(key_offset) {}

// ---- Pages ----------------------------------------------------------------

bool KeyTree::WritePage(int32_t page, const Page& data) {
  std::vector<uint8_t> bytes(PackedPageSize(key_len_, data.count));
  EncodePage(data, key_len_, bytes.data());
  return status_.WriteAt(*index_.file, PageAt(page), bytes.data(), bytes.size());
}

bool KeyTree::WriteHeader() {
  if (!header_changed_) return true;
  uint8_t bytes[kKeyHeaderSize];
  EncodeKeyHeader(header_, bytes);
  if (!status_.WriteAt(*index_.file, static_cast<uint64_t>(key_offset_), bytes, sizeof bytes)) {
    return false;
  }
  header_changed_ = false;
  return true;
}

PageBuffer* KeyTree::Fetch(int32_t page) {
  if (page < 1 || page > header_.page_count) {
    status_.Fail(kErrConsistency);
    return nullptr;
  }
  if (PageBuffer* hit = cache_.Find(this, page)) return hit;
  PageBuffer* buffer = cache_.Take(this, page);
  if (buffer == nullptr) return nullptr;
  std::vector<uint8_t> bytes(static_cast<size_t>(header_.page_bytes));
  if (!status_.ReadAt(*index_.file, PageAt(page), bytes.data(), bytes.size())) {
    cache_.Discard(this, page);
    return nullptr;
  }
  if (int rc = DecodePage(bytes.data(), bytes.size(), key_len_, page_size_, &buffer->data)) {
    cache_.Discard(this, page);
    status_.Fail(rc);
    return nullptr;
  }
  return buffer;
}

PageBuffer* KeyTree::NewPage(int32_t page) {
  PageBuffer* buffer = cache_.Take(this, page);
  if (buffer == nullptr) return nullptr;
  buffer->data.count = 0;
  buffer->data.left_child = 0;
  buffer->dirty = true;
  return buffer;
}

// A new row holds a page of every key; it is written whole, zeroed.
bool KeyTree::AddRow() {
  std::vector<uint8_t> row(static_cast<size_t>(index_.row_bytes), 0);
  if (!status_.WriteAt(*index_.file, PageOffset(index_.row_count + 1, index_.row_bytes, 0),
                       row.data(), row.size())) {
    return false;
  }
  ++index_.row_count;
  return true;
}

// Takes the key's free chain head after checking it and its link (10170 and
// no change when either is not a page of the key), else a new page number.
bool KeyTree::AllocPage(int32_t* page) {
  KeyHeader& h = header_;
  if (h.first_free_page == -1) {
    const int32_t next = h.page_count + 1;
    if (next > index_.row_count && !AddRow()) return false;
    h.page_count = next;
    header_changed_ = true;
    *page = next;
    return true;
  }
  const int32_t f = h.first_free_page;
  if (f <= 0 || f > h.page_count) return status_.Fail(kErrConsistency);
  uint8_t link_bytes[kLinkSize];
  if (!status_.ReadAt(*index_.file, PageAt(f), link_bytes, kLinkSize)) return false;
  const int32_t link = GetI32(link_bytes);
  if (link == 0 || link > h.page_count || link < -1) return status_.Fail(kErrConsistency);
  h.first_free_page = link;
  --h.free_page_count;
  header_changed_ = true;
  *page = f;
  return true;
}

bool KeyTree::FreePage(int32_t page) {
  cache_.Discard(this, page);
  uint8_t link[kLinkSize];
  PutI32(link, header_.first_free_page);
  if (!status_.WriteAt(*index_.file, PageAt(page), link, kLinkSize)) return false;
  header_.first_free_page = page;
  ++header_.free_page_count;
  header_changed_ = true;
  return true;
}

bool KeyTree::Contains(std::string_view text, int32_t ref, bool with_ref, bool* found) {
  *found = false;
  int32_t page_no = root();
  for (int depth = 0; page_no != 0; ++depth) {
    if (depth == kMaxHeight) return status_.Fail(kErrConsistency);
    PageBuffer* buffer = Fetch(page_no);
    if (buffer == nullptr) return false;
    PagePosition at = SearchPage(buffer->data, text, ref, with_ref);
    if (at.exact) {
      *found = true;
      return true;
    }
    page_no = ChildAt(buffer->data, at.index);
  }
  return true;
}

// ---- Insertion ------------------------------------------------------------

bool KeyTree::Insert(std::string_view text, int32_t ref) {
  Item entry;
  entry.ref = ref;
  entry.SetKey(text);
  if (root() == 0) {
    if (!NewRoot(entry, 0)) return false;
  } else {
    Carry carry;
    Insertion result = InsertInto(root(), entry, 0, &carry);
    if (result == Insertion::kFailed) return false;
    if (result == Insertion::kOverflow) {
      const int32_t old_root = root();
      Item promoted;
      if (!Split(old_root, carry, &promoted) || !NewRoot(promoted, old_root)) return false;
    }
  }
  ++header_.entry_count;
  header_changed_ = true;
  return true;
}

// A new root page holding `first`, over `left_child` (0 for a first leaf).
bool KeyTree::NewRoot(const Item& first, int32_t left_child) {
  int32_t page_no;
  if (!AllocPage(&page_no)) return false;
  PageBuffer* root = NewPage(page_no);
  if (root == nullptr) return false;
  root->data.left_child = left_child;
  InsertItem(root->data, 0, first);
  header_.root_page = page_no;
  return true;
}

// Inserts `entry` below `page_no`. kOverflow: the page is full and *carry
// still has to go in; the caller resolves it with a sibling or a split.
KeyTree::Insertion KeyTree::InsertInto(int32_t page_no, const Item& entry, int depth,
                                       Carry* carry) {
  if (depth == kMaxHeight) {
    status_.Fail(kErrConsistency);
    return Insertion::kFailed;
  }
  PageBuffer* buffer = Fetch(page_no);
  if (buffer == nullptr) return Insertion::kFailed;
  const PagePosition at = SearchPage(buffer->data, entry.Key(), entry.ref, duplicates());
  if (at.exact) {
    status_.Fail(kErrDuplicateKey);
    return Insertion::kFailed;
  }
  const int32_t child = ChildAt(buffer->data, at.index);
  Item x = entry;
  x.right_child = 0;
  if (child != 0) {
    Carry below;
    Insertion result = InsertInto(child, entry, depth + 1, &below);
    if (result != Insertion::kOverflow) return result;
    bool done = false;
    if (!Redistribute(page_no, at.index, below, &done)) return Insertion::kFailed;
    if (done) return Insertion::kDone;
    if (!Split(child, below, &x)) return Insertion::kFailed;
    buffer = Fetch(page_no);
    if (buffer == nullptr) return Insertion::kFailed;
  }
  if (buffer->data.count < page_size_) {
    InsertItem(buffer->data, at.index, x);
    buffer->dirty = true;
    return Insertion::kDone;
  }
  *carry = {x, at.index};
  return Insertion::kOverflow;
}

// The full child at `child_pos` of the parent needs the carried item. Spreads
// the child's items, the item, the separator and a sibling's items over the
// pair when the sibling has room: the overflowing page keeps the larger half.
bool KeyTree::Redistribute(int32_t parent_no, int child_pos, const Carry& carry, bool* done) {
  *done = false;
  PageBuffer* parent = Fetch(parent_no);
  if (parent == nullptr) return false;
  const bool overflow_left = child_pos < parent->data.count;
  const int separator_pos = overflow_left ? child_pos + 1 : child_pos;
  const int32_t left_no = ChildAt(parent->data, separator_pos - 1);
  const int32_t right_no = ChildAt(parent->data, separator_pos);
  Item separator = parent->data.item(separator_pos);

  PageBuffer* sibling = Fetch(overflow_left ? right_no : left_no);
  if (sibling == nullptr) return false;
  const int s = sibling->data.count;
  if (s >= page_size_) return true;
  PageBuffer* left = overflow_left ? Fetch(left_no) : sibling;
  if (left == nullptr) return false;
  PageBuffer* right = overflow_left ? sibling : Fetch(right_no);
  if (right == nullptr || (parent = Fetch(parent_no)) == nullptr) return false;

  Run run;
  AppendPage(run, left->data, true);
  if (overflow_left) run.items.insert(run.items.begin() + carry.position, carry.item);
  separator.right_child = right->data.left_child;
  run.items.push_back(separator);
  const size_t right_start = run.items.size();
  AppendPage(run, right->data, false);
  if (!overflow_left) {
    run.items.insert(run.items.begin() + static_cast<ptrdiff_t>(right_start) + carry.position,
                     carry.item);
  }
  const int total = page_size_ + s + 1;  // items of the pair, the separator aside
  const int keep = (total + 1) / 2;      // the overflowing page keeps the larger half
  const int left_count = overflow_left ? keep : total - keep;
  parent->data.item(separator_pos) = SpreadRun(run, left_count, left->data, right->data, right_no);
  left->dirty = right->dirty = parent->dirty = true;
  *done = true;
  return true;
}

// Splits the full page with the carried item: the lower half stays, the
// middle item is promoted, the upper half moves to a new page.
bool KeyTree::Split(int32_t page_no, const Carry& carry, Item* promoted) {
  int32_t new_no;
  if (!AllocPage(&new_no)) return false;
  PageBuffer* fresh = NewPage(new_no);
  if (fresh == nullptr) return false;
  PageBuffer* page = Fetch(page_no);
  if (page == nullptr) return false;
  Run run;
  AppendPage(run, page->data, true);
  run.items.insert(run.items.begin() + carry.position, carry.item);
  *promoted = SpreadRun(run, page_size_ / 2, page->data, fresh->data, new_no);
  page->dirty = fresh->dirty = true;
  return true;
}

// ---- Deletion -------------------------------------------------------------

bool KeyTree::Remove(std::string_view text, int32_t ref) {
  if (root() == 0) return status_.Fail(kErrKeyToDeleteNotFound);
  Removal result = RemoveFrom(root(), text, ref, 0);
  if (result == Removal::kFailed) return false;
  if (result == Removal::kNotFound) return status_.Fail(kErrKeyToDeleteNotFound);
  PageBuffer* root_page = Fetch(root());
  if (root_page == nullptr) return false;
  if (root_page->data.count == 0) {
    const int32_t old_root = root();
    header_.root_page = root_page->data.left_child;
    header_changed_ = true;
    if (!FreePage(old_root)) return false;
  }
  --header_.entry_count;
  header_changed_ = true;
  return true;
}

KeyTree::Removal KeyTree::RemoveFrom(int32_t page_no, std::string_view text, int32_t ref,
                                     int depth) {
  if (depth == kMaxHeight) {
    status_.Fail(kErrConsistency);
    return Removal::kFailed;
  }
  PageBuffer* buffer = Fetch(page_no);
  if (buffer == nullptr) return Removal::kFailed;
  const PagePosition at = SearchPage(buffer->data, text, ref, duplicates());
  if (at.exact && buffer->data.IsLeaf()) {
    RemoveItem(buffer->data, at.index);
    buffer->dirty = true;
    return buffer->data.count < min_items() ? Removal::kUnderflow : Removal::kDone;
  }
  if (at.exact) return RemoveInner(buffer, page_no, at.index, depth);
  const int32_t child = ChildAt(buffer->data, at.index);
  if (child == 0) return Removal::kNotFound;
  Removal below = RemoveFrom(child, text, ref, depth + 1);
  if (below == Removal::kFailed || below == Removal::kNotFound) return below;
  return Balance(page_no, at.index, below);
}

// Item `index` of an inner page gives way to its predecessor, the last entry
// of the subtree on its left.
KeyTree::Removal KeyTree::RemoveInner(PageBuffer* buffer, int32_t page_no, int index, int depth) {
  Item predecessor;
  Removal below = RemovePredecessor(ChildAt(buffer->data, index - 1), &predecessor, depth + 1);
  if (below == Removal::kFailed) return below;
  buffer = Fetch(page_no);
  if (buffer == nullptr) return Removal::kFailed;
  predecessor.right_child = buffer->data.item(index).right_child;
  buffer->data.item(index) = predecessor;
  buffer->dirty = true;
  return Balance(page_no, index - 1, below);
}

KeyTree::Removal KeyTree::RemovePredecessor(int32_t page_no, Item* out, int depth) {
  if (depth == kMaxHeight) {
    status_.Fail(kErrConsistency);
    return Removal::kFailed;
  }
  PageBuffer* buffer = Fetch(page_no);
  if (buffer == nullptr) return Removal::kFailed;
  const int n = buffer->data.count;
  if (n == 0) {
    status_.Fail(kErrConsistency);
    return Removal::kFailed;
  }
  if (buffer->data.IsLeaf()) {
    *out = buffer->data.item(n);
    --buffer->data.count;
    buffer->dirty = true;
    return buffer->data.count < min_items() ? Removal::kUnderflow : Removal::kDone;
  }
  Removal below = RemovePredecessor(buffer->data.item(n).right_child, out, depth + 1);
  if (below == Removal::kFailed) return below;
  return Balance(page_no, n, below);
}

// After a removal below child `child_pos` of `page_no`: repairs that child
// when it underflowed, then tells whether this page underflows in turn.
KeyTree::Removal KeyTree::Balance(int32_t page_no, int child_pos, Removal below) {
  if (below == Removal::kUnderflow && !Repair(page_no, child_pos)) return Removal::kFailed;
  PageBuffer* buffer = Fetch(page_no);
  if (buffer == nullptr) return Removal::kFailed;
  return buffer->data.count < min_items() ? Removal::kUnderflow : Removal::kDone;
}

// Repairs the underflowing child at `child_pos` with its right sibling (its
// left one when it is the last child): merge when the sibling holds exactly
// the minimum, else borrow (s - min + 1) div 2 items through the separator.
bool KeyTree::Repair(int32_t parent_no, int child_pos) {
  PageBuffer* parent = Fetch(parent_no);
  if (parent == nullptr) return false;
  const bool under_left = child_pos < parent->data.count;
  const int separator_pos = under_left ? child_pos + 1 : child_pos;
  if (separator_pos < 1) return status_.Fail(kErrConsistency);
  const int32_t left_no = ChildAt(parent->data, separator_pos - 1);
  const int32_t right_no = ChildAt(parent->data, separator_pos);
  Item separator = parent->data.item(separator_pos);

  PageBuffer* left = Fetch(left_no);
  if (left == nullptr) return false;
  PageBuffer* right = Fetch(right_no);
  if (right == nullptr || (parent = Fetch(parent_no)) == nullptr) return false;
  PageBuffer* under = under_left ? left : right;
  const int s = (under_left ? right : left)->data.count;
  const int borrow = (s - min_items() + 1) / 2;
  if (borrow <= 0) return Merge(parent, separator_pos, left, right);

  separator.right_child = right->data.left_child;
  Run run;
  AppendPage(run, left->data, true);
  run.items.push_back(separator);
  AppendPage(run, right->data, false);
  const int under_count = under->data.count + borrow;
  const int left_count = under_left ? under_count : s - borrow;
  parent->data.item(separator_pos) = SpreadRun(run, left_count, left->data, right->data, right_no);
  left->dirty = right->dirty = parent->dirty = true;
  return true;
}

// The left page takes the separator and every item of the right page, which
// goes to the free chain.
bool KeyTree::Merge(PageBuffer* parent, int separator_pos, PageBuffer* left, PageBuffer* right) {
  if (left->data.count + 1 + right->data.count > page_size_) {
    return status_.Fail(kErrConsistency);
  }
  Item separator = parent->data.item(separator_pos);
  const int32_t right_no = separator.right_child;
  separator.right_child = right->data.left_child;
  left->data.items[left->data.count++] = separator;
  for (int i = 1; i <= right->data.count; ++i) {
    left->data.items[left->data.count++] = right->data.item(i);
  }
  RemoveItem(parent->data, separator_pos);
  left->dirty = parent->dirty = true;
  return FreePage(right_no);
}

}  // namespace tessary::isam
