// The B-tree of each key: pages of up to PageSize (62) items, kept at least
// half full except for the root.
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
#include <algorithm>
#include <cstring>
#include <vector>

#include "isam/engine.h"
#include "isam/fileblock.h"

namespace tessary::isam {
namespace {

struct SearchResult {
  int index;  // the matching item, else R: the entry lies after item R
  bool exact;
};

SearchResult SearchPage(const Page& page, std::string_view text, int32_t ref, bool with_ref) {
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

// The child page left of item `position + 1`.
int32_t ChildAt(const Page& page, int position) {
  return position == 0 ? page.left_child : page.item(position).right_child;
}

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
  for (size_t i = left_count + 1; i < run.items.size(); ++i)
    right.items[right.count++] = run.items[i];
  separator.right_child = right_no;
  return separator;
}

}  // namespace

bool Engine::WriteBuffer(void* engine, PageBuffer& buffer) {
  auto* self = static_cast<Engine*>(engine);
  Fileblock* owner = buffer.fb;
  const KeyState& ks = owner->keys[buffer.key];
  std::vector<uint8_t> bytes(PackedPageSize(ks.key_len, buffer.data.count));
  EncodePage(buffer.data, ks.key_len, bytes.data());
  uint64_t at = static_cast<uint64_t>(buffer.page) * static_cast<uint64_t>(owner->row_bytes) +
                static_cast<uint64_t>(ks.key_offset);
  return self->WriteAt(*owner->index, at, bytes.data(), bytes.size());
}

PageBuffer* Engine::FetchPage(Fileblock* fb, int key, int32_t page) {
  KeyState& ks = fb->keys[key];
  if (page < 1 || page > ks.header.page_count) {
    Fail(kErrConsistency);
    return nullptr;
  }
  if (PageBuffer* hit = cache_->Find(fb, key, page)) return hit;
  PageBuffer* buffer = cache_->Take(fb, key, page, &Engine::WriteBuffer, this);
  if (buffer == nullptr) return nullptr;
  std::vector<uint8_t> bytes(static_cast<size_t>(ks.header.page_bytes));
  uint64_t at = static_cast<uint64_t>(page) * static_cast<uint64_t>(fb->row_bytes) +
                static_cast<uint64_t>(ks.key_offset);
  if (!ReadAt(*fb->index, at, bytes.data(), bytes.size())) {
    cache_->Discard(fb, key, page);
    return nullptr;
  }
  if (int rc = DecodePage(bytes.data(), bytes.size(), ks.key_len, ks.page_size, &buffer->data)) {
    cache_->Discard(fb, key, page);
    Fail(rc);
    return nullptr;
  }
  return buffer;
}

PageBuffer* Engine::NewPage(Fileblock* fb, int key, int32_t page) {
  PageBuffer* buffer = cache_->Take(fb, key, page, &Engine::WriteBuffer, this);
  if (buffer == nullptr) return nullptr;
  buffer->data.count = 0;
  buffer->data.left_child = 0;
  buffer->dirty = true;
  return buffer;
}

bool Engine::AllocPage(Fileblock* fb, int key, int32_t* page) {
  KeyState& ks = fb->keys[key];
  KeyHeader& h = ks.header;
  if (h.first_free_page == -1) {
    int32_t next = h.page_count + 1;
    if (next > fb->row_count) {
      // A new row holds a page of every key; it is written whole, zeroed.
      std::vector<uint8_t> row(static_cast<size_t>(fb->row_bytes), 0);
      uint64_t at = static_cast<uint64_t>(fb->row_count + 1) * static_cast<uint64_t>(fb->row_bytes);
      if (!WriteAt(*fb->index, at, row.data(), row.size())) return false;
      ++fb->row_count;
    }
    h.page_count = next;
    ks.header_changed = true;
    *page = next;
    return true;
  }
  int32_t f = h.first_free_page;
  if (f <= 0 || f > h.page_count) return Fail(kErrConsistency);
  uint8_t link_bytes[4];
  uint64_t at = static_cast<uint64_t>(f) * static_cast<uint64_t>(fb->row_bytes) +
                static_cast<uint64_t>(ks.key_offset);
  if (!ReadAt(*fb->index, at, link_bytes, 4)) return false;
  int32_t link = GetI32(link_bytes);
  if (link == 0 || link > h.page_count || link < -1) return Fail(kErrConsistency);
  h.first_free_page = link;
  --h.free_page_count;
  ks.header_changed = true;
  *page = f;
  return true;
}

bool Engine::FreePage(Fileblock* fb, int key, int32_t page) {
  KeyState& ks = fb->keys[key];
  cache_->Discard(fb, key, page);
  uint8_t link[4];
  PutI32(link, ks.header.first_free_page);
  uint64_t at = static_cast<uint64_t>(page) * static_cast<uint64_t>(fb->row_bytes) +
                static_cast<uint64_t>(ks.key_offset);
  if (!WriteAt(*fb->index, at, link, 4)) return false;
  ks.header.first_free_page = page;
  ++ks.header.free_page_count;
  ks.header_changed = true;
  return true;
}

// ---- Cursor ---------------------------------------------------------------

// Puts the cursor on the entry, or on the greatest entry smaller than it
// (depth 0 when there is none). *exact tells which.
bool Engine::Position(Fileblock* fb, int key, std::string_view text, int32_t ref, bool with_ref,
                      bool* exact) {
  KeyState& ks = fb->keys[key];
  ks.depth = 0;
  ks.cursor_valid = false;
  *exact = false;
  int32_t page_no = ks.header.root_page;
  while (page_no != 0) {
    if (ks.depth == kMaxHeight) return Fail(kErrConsistency);
    PageBuffer* buffer = FetchPage(fb, key, page_no);
    if (buffer == nullptr) return false;
    SearchResult sr = SearchPage(buffer->data, text, ref, with_ref);
    ks.path[ks.depth++] = {page_no, sr.index};
    if (sr.exact) {
      *exact = true;
      break;
    }
    page_no = ChildAt(buffer->data, sr.index);
  }
  if (!*exact) {
    while (ks.depth > 0 && ks.path[ks.depth - 1].index == 0) --ks.depth;
  }
  ks.cursor_valid = true;
  return true;
}

bool Engine::CursorEntry(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  KeyState& ks = fb->keys[key];
  const KeyState::Level& level = ks.path[ks.depth - 1];
  PageBuffer* buffer = FetchPage(fb, key, level.page);
  if (buffer == nullptr) return false;
  if (level.index < 1 || level.index > buffer->data.count) return Fail(kErrConsistency);
  const Item& item = buffer->data.item(level.index);
  ref = item.ref;
  text.assign(item.Key());
  return true;
}

// One step forward from a valid cursor.
bool Engine::StepNext(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  KeyState& ks = fb->keys[key];
  int32_t child;
  if (ks.depth == 0) {
    child = ks.header.root_page;
  } else {
    const KeyState::Level& top = ks.path[ks.depth - 1];
    PageBuffer* buffer = FetchPage(fb, key, top.page);
    if (buffer == nullptr) return false;
    if (top.index > buffer->data.count) return Fail(kErrConsistency);
    child = ChildAt(buffer->data, top.index);
  }
  while (child != 0) {
    if (ks.depth == kMaxHeight) return Fail(kErrConsistency);
    PageBuffer* buffer = FetchPage(fb, key, child);
    if (buffer == nullptr) return false;
    ks.path[ks.depth++] = {child, 0};
    child = buffer->data.left_child;
  }
  while (ks.depth >= 1) {
    KeyState::Level& top = ks.path[ks.depth - 1];
    PageBuffer* buffer = FetchPage(fb, key, top.page);
    if (buffer == nullptr) return false;
    if (top.index < buffer->data.count) {
      ++top.index;
      return CursorEntry(fb, key, ref, text);
    }
    if (ks.depth == 1) break;
    --ks.depth;
  }
  ks.depth = 0;
  return Fail(kErrNoLargerKey);
}

// One step back from a valid cursor.
bool Engine::StepPrev(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  KeyState& ks = fb->keys[key];
  int32_t child;
  if (ks.depth == 0) {
    child = ks.header.root_page;
  } else {
    KeyState::Level& top = ks.path[ks.depth - 1];
    PageBuffer* buffer = FetchPage(fb, key, top.page);
    if (buffer == nullptr) return false;
    if (top.index < 1 || top.index > buffer->data.count) return Fail(kErrConsistency);
    --top.index;
    child = ChildAt(buffer->data, top.index);
  }
  while (child != 0) {
    if (ks.depth == kMaxHeight) return Fail(kErrConsistency);
    PageBuffer* buffer = FetchPage(fb, key, child);
    if (buffer == nullptr) return false;
    int count = buffer->data.count;
    ks.path[ks.depth++] = {child, count};
    child = count == 0 ? 0 : buffer->data.item(count).right_child;
  }
  while (ks.depth >= 1 && ks.path[ks.depth - 1].index == 0) --ks.depth;
  if (ks.depth == 0) return Fail(kErrNoSmallerKey);
  return CursorEntry(fb, key, ref, text);
}

void Engine::ClearKey(Fileblock* fb, int key) {
  if (!Check(fb) || !CheckKey(fb, key)) return;
  fb->keys[key].depth = 0;
  fb->keys[key].cursor_valid = true;
}

void Engine::NextKey(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  if (!Check(fb) || !CheckKey(fb, key)) return;
  KeyState& ks = fb->keys[key];
  if (ks.depth == 0) ks.cursor_valid = true;
  if (!ks.cursor_valid) {
    bool exact;
    std::string cut = text.substr(0, kMaxKeyLen);
    if (!Position(fb, key, cut, ref, ks.duplicates(), &exact)) return;
  }
  std::string found_text;
  int32_t found_ref = 0;
  if (StepNext(fb, key, found_ref, found_text)) {
    ref = found_ref;
    text = std::move(found_text);
  }
}

void Engine::PrevKey(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  if (!Check(fb) || !CheckKey(fb, key)) return;
  KeyState& ks = fb->keys[key];
  if (ks.depth == 0) ks.cursor_valid = true;
  std::string found_text;
  int32_t found_ref = 0;
  if (!ks.cursor_valid) {
    bool exact;
    std::string cut = text.substr(0, kMaxKeyLen);
    if (!Position(fb, key, cut, ref, ks.duplicates(), &exact)) return;
    if (!exact) {
      // The cursor already stands on the greatest smaller entry.
      if (ks.depth == 0) {
        Fail(kErrNoSmallerKey);
      } else if (CursorEntry(fb, key, found_ref, found_text)) {
        ref = found_ref;
        text = std::move(found_text);
      }
      return;
    }
  }
  if (StepPrev(fb, key, found_ref, found_text)) {
    ref = found_ref;
    text = std::move(found_text);
  }
}

void Engine::SearchKey(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  if (!Check(fb) || !CheckKey(fb, key)) return;
  KeyState& ks = fb->keys[key];
  std::string cut = text.substr(0, kMaxKeyLen);
  bool exact;
  if (!Position(fb, key, cut, 0, ks.duplicates(), &exact)) return;
  std::string found_text;
  int32_t found_ref = 0;
  bool found = exact ? CursorEntry(fb, key, found_ref, found_text)
                     : StepNext(fb, key, found_ref, found_text);
  if (found) {
    ref = found_ref;
    text = std::move(found_text);
  } else if (error_ == 0 || (error_ >= 10200 && error_ <= 10299)) {
    error_ = kErrNoKeyNoLarger;
  }
}

void Engine::FindKeyAndRef(Fileblock* fb, int key, int32_t& ref, std::string& text, int direction) {
  if (!Check(fb) || !CheckKey(fb, key)) return;
  KeyState& ks = fb->keys[key];
  std::string cut = text.substr(0, kMaxKeyLen);
  bool exact;
  if (!Position(fb, key, cut, ref, ks.duplicates(), &exact)) return;
  if (exact) {
    CursorEntry(fb, key, ref, text);
    return;
  }
  std::string found_text;
  int32_t found_ref = 0;
  bool found = false;
  if (direction > 0) {
    found = StepNext(fb, key, found_ref, found_text);
  } else if (direction == 0) {
    Fail(kErrNoMatchingKeyAndRef);
  } else if (ks.depth == 0) {
    Fail(kErrNoSmallerKey);
  } else {
    found = CursorEntry(fb, key, found_ref, found_text);
  }
  if (found) {
    ref = found_ref;
    text = std::move(found_text);
  }
}

void Engine::FindKeyAndRefOrLast(Fileblock* fb, int key, int32_t& ref, std::string& text) {
  FindKeyAndRef(fb, key, ref, text, 1);
  if (!ok_ && error_ == kErrNoLargerKey) PrevKey(fb, key, ref, text);
}

bool Engine::KeyExists(Fileblock* fb, int key, int32_t ref, std::string_view text) {
  if (!Check(fb) || !CheckKey(fb, key)) return false;
  KeyState& ks = fb->keys[key];
  std::string_view cut = text.substr(0, std::min<size_t>(text.size(), kMaxKeyLen));
  bool with_ref = ks.duplicates() && ref != 0;
  int32_t page_no = ks.header.root_page;
  for (int depth = 0; page_no != 0; ++depth) {
    if (depth == kMaxHeight) return Fail(kErrConsistency);
    PageBuffer* buffer = FetchPage(fb, key, page_no);
    if (buffer == nullptr) return false;
    SearchResult sr = SearchPage(buffer->data, cut, ref, with_ref);
    if (sr.exact) return true;
    page_no = ChildAt(buffer->data, sr.index);
  }
  return false;
}

int32_t Engine::UsedKeys(Fileblock* fb, int key) {
  if (!Check(fb) || !CheckKey(fb, key)) return 0;
  return fb->keys[key].header.entry_count;
}

// ---- Insertion ------------------------------------------------------------

void Engine::AddKey(Fileblock* fb, int key, int32_t ref, std::string_view text) {
  if (!CheckWritable(fb) || !CheckKey(fb, key)) return;
  ChangeScope scope(this, fb);
  KeyState& ks = fb->keys[key];
  std::string_view cut = text.substr(0, std::min<size_t>(text.size(), kMaxKeyLen));
  if (cut.size() > static_cast<size_t>(ks.key_len)) {
    Fail(kErrKeyTooLong);
    return;
  }
  if (!MarkChanged(fb)) return;
  ks.cursor_valid = false;
  Item entry;
  entry.ref = ref;
  entry.SetKey(cut);

  if (ks.header.root_page == 0) {
    int32_t page_no;
    if (!AllocPage(fb, key, &page_no)) return;
    PageBuffer* buffer = NewPage(fb, key, page_no);
    if (buffer == nullptr) return;
    InsertItem(buffer->data, 0, entry);
    ks.header.root_page = page_no;
  } else {
    Item carry;
    int position = 0;
    Insert result = InsertInto(fb, key, ks.header.root_page, entry, 0, &carry, &position);
    if (result == Insert::kFailed) return;
    if (result == Insert::kOverflow) {
      int32_t old_root = ks.header.root_page;
      Item promoted;
      if (!SplitPage(fb, key, old_root, carry, position, &promoted)) return;
      int32_t root_no;
      if (!AllocPage(fb, key, &root_no)) return;
      PageBuffer* root = NewPage(fb, key, root_no);
      if (root == nullptr) return;
      root->data.left_child = old_root;
      InsertItem(root->data, 0, promoted);
      ks.header.root_page = root_no;
    }
  }
  ++ks.header.entry_count;
  ks.header_changed = true;
}

// Inserts `entry` below `page_no`. kOverflow: the page is full and *carry has
// to go in after item *position; the caller resolves it with a sibling or a
// split.
Engine::Insert Engine::InsertInto(Fileblock* fb, int key, int32_t page_no, const Item& entry,
                                  int depth, Item* carry, int* position) {
  KeyState& ks = fb->keys[key];
  if (depth == kMaxHeight) {
    Fail(kErrConsistency);
    return Insert::kFailed;
  }
  PageBuffer* buffer = FetchPage(fb, key, page_no);
  if (buffer == nullptr) return Insert::kFailed;
  SearchResult sr = SearchPage(buffer->data, entry.Key(), entry.ref, ks.duplicates());
  if (sr.exact) {
    Fail(kErrDuplicateKey);
    return Insert::kFailed;
  }
  int32_t child = ChildAt(buffer->data, sr.index);
  Item x = entry;
  x.right_child = 0;
  if (child != 0) {
    Item child_carry;
    int child_position = 0;
    Insert result = InsertInto(fb, key, child, entry, depth + 1, &child_carry, &child_position);
    if (result != Insert::kOverflow) return result;
    bool done = false;
    if (!Redistribute(fb, key, page_no, sr.index, child_carry, child_position, &done)) {
      return Insert::kFailed;
    }
    if (done) return Insert::kDone;
    if (!SplitPage(fb, key, child, child_carry, child_position, &x)) return Insert::kFailed;
    buffer = FetchPage(fb, key, page_no);
    if (buffer == nullptr) return Insert::kFailed;
  }
  if (buffer->data.count < ks.page_size) {
    InsertItem(buffer->data, sr.index, x);
    buffer->dirty = true;
    return Insert::kDone;
  }
  *carry = x;
  *position = sr.index;
  return Insert::kOverflow;
}

// The full child at `child_pos` of the parent needs `x` after item `x_pos`.
// Spreads the child's items, x, the separator and a sibling's items over the
// pair when the sibling has room: the overflowing page keeps the larger half.
bool Engine::Redistribute(Fileblock* fb, int key, int32_t parent_no, int child_pos, const Item& x,
                          int x_pos, bool* done) {
  KeyState& ks = fb->keys[key];
  *done = false;
  PageBuffer* parent = FetchPage(fb, key, parent_no);
  if (parent == nullptr) return false;
  const int n = parent->data.count;
  const bool overflow_left = child_pos < n;
  const int separator_pos = overflow_left ? child_pos + 1 : child_pos;
  const int32_t left_no = ChildAt(parent->data, separator_pos - 1);
  const int32_t right_no = ChildAt(parent->data, separator_pos);
  Item separator = parent->data.item(separator_pos);

  PageBuffer* sibling = FetchPage(fb, key, overflow_left ? right_no : left_no);
  if (sibling == nullptr) return false;
  const int s = sibling->data.count;
  if (s >= ks.page_size) return true;

  PageBuffer* left = overflow_left ? FetchPage(fb, key, left_no) : sibling;
  if (left == nullptr) return false;
  PageBuffer* right = overflow_left ? sibling : FetchPage(fb, key, right_no);
  if (right == nullptr) return false;
  parent = FetchPage(fb, key, parent_no);
  if (parent == nullptr) return false;

  Run run;
  AppendPage(run, left->data, true);
  if (overflow_left) run.items.insert(run.items.begin() + x_pos, x);
  separator.right_child = right->data.left_child;
  run.items.push_back(separator);
  size_t right_start = run.items.size();
  AppendPage(run, right->data, false);
  if (!overflow_left)
    run.items.insert(run.items.begin() + static_cast<ptrdiff_t>(right_start) + x_pos, x);

  const int total = ks.page_size + s + 1;  // items of the pair, the separator aside
  const int keep = (total + 1) / 2;        // the overflowing page keeps the larger half
  const int left_count = overflow_left ? keep : total - keep;
  parent->data.item(separator_pos) = SpreadRun(run, left_count, left->data, right->data, right_no);
  left->dirty = right->dirty = parent->dirty = true;
  *done = true;
  return true;
}

// Splits the full page with `x` after item `x_pos`: the lower half stays, the
// middle item is promoted, the upper half moves to a new page.
bool Engine::SplitPage(Fileblock* fb, int key, int32_t page_no, const Item& x, int x_pos,
                       Item* promoted) {
  KeyState& ks = fb->keys[key];
  int32_t new_no;
  if (!AllocPage(fb, key, &new_no)) return false;
  PageBuffer* fresh = NewPage(fb, key, new_no);
  if (fresh == nullptr) return false;
  PageBuffer* page = FetchPage(fb, key, page_no);
  if (page == nullptr) return false;
  Run run;
  AppendPage(run, page->data, true);
  run.items.insert(run.items.begin() + x_pos, x);
  *promoted = SpreadRun(run, ks.page_size / 2, page->data, fresh->data, new_no);
  page->dirty = fresh->dirty = true;
  return true;
}

// ---- Deletion -------------------------------------------------------------

void Engine::DeleteKey(Fileblock* fb, int key, int32_t ref, std::string_view text) {
  if (!CheckWritable(fb) || !CheckKey(fb, key)) return;
  ChangeScope scope(this, fb);
  KeyState& ks = fb->keys[key];
  std::string_view cut = text.substr(0, std::min<size_t>(text.size(), kMaxKeyLen));
  if (!MarkChanged(fb)) return;
  ks.cursor_valid = false;
  if (ks.header.root_page == 0) {
    Fail(kErrKeyToDeleteNotFound);
    return;
  }
  Remove result = RemoveFrom(fb, key, ks.header.root_page, cut, ref, 0);
  if (result == Remove::kFailed) return;
  if (result == Remove::kNotFound) {
    Fail(kErrKeyToDeleteNotFound);
    return;
  }
  PageBuffer* root = FetchPage(fb, key, ks.header.root_page);
  if (root == nullptr) return;
  if (root->data.count == 0) {
    int32_t old_root = ks.header.root_page;
    ks.header.root_page = root->data.left_child;
    ks.header_changed = true;
    if (!FreePage(fb, key, old_root)) return;
  }
  --ks.header.entry_count;
  ks.header_changed = true;
}

Engine::Remove Engine::RemoveFrom(Fileblock* fb, int key, int32_t page_no, std::string_view text,
                                  int32_t ref, int depth) {
  KeyState& ks = fb->keys[key];
  if (depth == kMaxHeight) {
    Fail(kErrConsistency);
    return Remove::kFailed;
  }
  PageBuffer* buffer = FetchPage(fb, key, page_no);
  if (buffer == nullptr) return Remove::kFailed;
  SearchResult sr = SearchPage(buffer->data, text, ref, ks.duplicates());
  int repair_at;
  Remove below;
  if (sr.exact && buffer->data.IsLeaf()) {
    RemoveItem(buffer->data, sr.index);
    buffer->dirty = true;
    return buffer->data.count < ks.min_items() ? Remove::kUnderflow : Remove::kDone;
  }
  if (sr.exact) {
    // An inner entry gives way to its predecessor, the last entry of the
    // subtree on its left.
    Item predecessor;
    repair_at = sr.index - 1;
    below = RemovePredecessor(fb, key, ChildAt(buffer->data, repair_at), &predecessor, depth + 1);
    if (below == Remove::kFailed) return below;
    buffer = FetchPage(fb, key, page_no);
    if (buffer == nullptr) return Remove::kFailed;
    predecessor.right_child = buffer->data.item(sr.index).right_child;
    buffer->data.item(sr.index) = predecessor;
    buffer->dirty = true;
  } else {
    int32_t child = ChildAt(buffer->data, sr.index);
    if (child == 0) return Remove::kNotFound;
    repair_at = sr.index;
    below = RemoveFrom(fb, key, child, text, ref, depth + 1);
    if (below == Remove::kFailed || below == Remove::kNotFound) return below;
  }
  if (below == Remove::kUnderflow && !Repair(fb, key, page_no, repair_at)) return Remove::kFailed;
  buffer = FetchPage(fb, key, page_no);
  if (buffer == nullptr) return Remove::kFailed;
  return buffer->data.count < ks.min_items() ? Remove::kUnderflow : Remove::kDone;
}

Engine::Remove Engine::RemovePredecessor(Fileblock* fb, int key, int32_t page_no, Item* out,
                                         int depth) {
  KeyState& ks = fb->keys[key];
  if (depth == kMaxHeight) {
    Fail(kErrConsistency);
    return Remove::kFailed;
  }
  PageBuffer* buffer = FetchPage(fb, key, page_no);
  if (buffer == nullptr) return Remove::kFailed;
  const int n = buffer->data.count;
  if (n == 0) {
    Fail(kErrConsistency);
    return Remove::kFailed;
  }
  if (buffer->data.IsLeaf()) {
    *out = buffer->data.item(n);
    --buffer->data.count;
    buffer->dirty = true;
    return buffer->data.count < ks.min_items() ? Remove::kUnderflow : Remove::kDone;
  }
  Remove below = RemovePredecessor(fb, key, buffer->data.item(n).right_child, out, depth + 1);
  if (below == Remove::kFailed) return below;
  if (below == Remove::kUnderflow && !Repair(fb, key, page_no, n)) return Remove::kFailed;
  buffer = FetchPage(fb, key, page_no);
  if (buffer == nullptr) return Remove::kFailed;
  return buffer->data.count < ks.min_items() ? Remove::kUnderflow : Remove::kDone;
}

// Repairs the underflowing child at `child_pos` with its right sibling (its
// left one when it is the last child): merge when the sibling holds exactly
// the minimum, else borrow (s - min + 1) div 2 items through the separator.
bool Engine::Repair(Fileblock* fb, int key, int32_t parent_no, int child_pos) {
  KeyState& ks = fb->keys[key];
  PageBuffer* parent = FetchPage(fb, key, parent_no);
  if (parent == nullptr) return false;
  const int n = parent->data.count;
  const bool under_left = child_pos < n;
  const int separator_pos = under_left ? child_pos + 1 : child_pos;
  if (separator_pos < 1) return Fail(kErrConsistency);
  const int32_t left_no = ChildAt(parent->data, separator_pos - 1);
  const int32_t right_no = ChildAt(parent->data, separator_pos);
  Item separator = parent->data.item(separator_pos);

  PageBuffer* left = FetchPage(fb, key, left_no);
  if (left == nullptr) return false;
  PageBuffer* right = FetchPage(fb, key, right_no);
  if (right == nullptr) return false;
  parent = FetchPage(fb, key, parent_no);
  if (parent == nullptr) return false;
  PageBuffer* under = under_left ? left : right;
  const int s = (under_left ? right : left)->data.count;
  const int borrow = (s - ks.min_items() + 1) / 2;

  separator.right_child = right->data.left_child;
  if (borrow <= 0) {
    if (left->data.count + 1 + right->data.count > ks.page_size) return Fail(kErrConsistency);
    left->data.items[left->data.count++] = separator;
    for (int i = 1; i <= right->data.count; ++i)
      left->data.items[left->data.count++] = right->data.item(i);
    RemoveItem(parent->data, separator_pos);
    left->dirty = parent->dirty = true;
    return FreePage(fb, key, right_no);
  }
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

// ---- Relative positions ---------------------------------------------------

int Engine::KeyToRelative(Fileblock* fb, int key, std::string_view text, int32_t ref, int scale) {
  if (!Check(fb) || !CheckKey(fb, key)) return 0;
  KeyState& ks = fb->keys[key];
  if (scale <= 0) {
    Fail(kErrRelativeScale);
    return 0;
  }
  if (ks.header.root_page == 0) {
    Fail(kErrIndexEmptyRelative);
    return 0;
  }
  std::string_view cut = text.substr(0, std::min<size_t>(text.size(), kMaxKeyLen));
  const int64_t m = ks.page_size - ks.page_size / 4;  // assumed average fill
  PageBuffer* root = FetchPage(fb, key, ks.header.root_page);
  if (root == nullptr) return 0;
  SearchResult r1 = SearchPage(root->data, cut, ref, ks.duplicates());
  const int64_t i1 = r1.index;
  const int64_t c1 = root->data.count;
  int64_t i2 = 0;
  int64_t c2 = m;
  int32_t child = ChildAt(root->data, r1.index);
  if (!r1.exact && child != 0) {
    PageBuffer* second = FetchPage(fb, key, child);
    if (second == nullptr) return 0;
    i2 = SearchPage(second->data, cut, ref, ks.duplicates()).index;
    c2 = std::max(1, second->data.count);
  }
  int64_t p;
  if (i2 == 1 && i1 == 0) {
    p = 1;
  } else {
    int64_t v = i2 * (m + 1) * 2 / c2;
    p = (m + 1) * i1 + (v - v / 2);
  }
  int64_t result = p * (scale + 1) / ((m + 1) * (c1 + 1));
  return static_cast<int>(std::min<int64_t>(result, scale));
}

void Engine::RelativeToKey(Fileblock* fb, int key, int position, int scale, int32_t& ref,
                           std::string& text) {
  if (!Check(fb) || !CheckKey(fb, key)) return;
  KeyState& ks = fb->keys[key];
  if (scale <= 0 || position < 0 || position > scale) {
    Fail(kErrRelativePosition);
    return;
  }
  if (ks.header.root_page == 0) {
    Fail(kErrIndexEmpty);
    return;
  }
  PageBuffer* root = FetchPage(fb, key, ks.header.root_page);
  if (root == nullptr) return;
  const bool has_children = !root->data.IsLeaf();
  const int64_t m = has_children ? ks.page_size - ks.page_size / 4 : 0;
  const int64_t t = (m + 1) * (root->data.count + 1);
  int64_t x = t * position / (scale + 1) + t / scale - (t / scale) / 2;
  x = std::min(x, t - 1);
  const int i = static_cast<int>(x / (m + 1));
  const int64_t j = x % (m + 1);
  if (has_children && j > 0) {
    int32_t child_no = ChildAt(root->data, i);
    PageBuffer* child = FetchPage(fb, key, child_no);
    if (child == nullptr) return;
    int count = child->data.count;
    int pick;
    if (j == 2 && i == 0) {
      pick = 2;
    } else {
      int64_t w = j * count * 2 / m;
      pick = static_cast<int>(std::max<int64_t>(1, w - w / 2));
    }
    pick = std::clamp(pick, 1, std::max(1, count));
    if (count == 0) {
      Fail(kErrConsistency);
      return;
    }
    ref = child->data.item(pick).ref;
    text.assign(child->data.item(pick).Key());
    return;
  }
  if (i == 0) {
    ref = 0;
    text.clear();
    return;
  }
  ref = root->data.item(i).ref;
  text.assign(root->data.item(i).Key());
}

}  // namespace tessary::isam
