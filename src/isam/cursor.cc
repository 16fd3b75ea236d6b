#include "isam/cursor.h"

namespace tessary::isam {
namespace {

std::string_view Cut(const std::string& text) {
  return std::string_view(text).substr(0, kMaxKeyLen);
}

}  // namespace

// Puts the cursor on the entry, or on the greatest entry smaller than it
// (depth 0 when there is none). *exact tells which.
bool KeyCursor::Position(std::string_view text, int32_t ref, bool with_ref, bool* exact) {
  depth_ = 0;
  valid_ = false;
  *exact = false;
  int32_t page_no = tree_->root();
  while (page_no != 0) {
    if (depth_ == kMaxHeight) return status_->Fail(kErrConsistency);
    PageBuffer* buffer = tree_->Fetch(page_no);
    if (buffer == nullptr) return false;
    const PagePosition at = SearchPage(buffer->data, text, ref, with_ref);
    path_[depth_++] = {page_no, at.index};
    if (at.exact) {
      *exact = true;
      break;
    }
    page_no = ChildAt(buffer->data, at.index);
  }
  if (!*exact) {
    while (depth_ > 0 && path_[depth_ - 1].index == 0) --depth_;
  }
  valid_ = true;
  return true;
}

bool KeyCursor::Reestablish(const std::string& text, int32_t ref, bool* exact) {
  return Position(Cut(text), ref, tree_->duplicates(), exact);
}

bool KeyCursor::Entry(int32_t& ref, std::string& text) {
  const Level& level = path_[depth_ - 1];
  PageBuffer* buffer = tree_->Fetch(level.page);
  if (buffer == nullptr) return false;
  if (level.index < 1 || level.index > buffer->data.count) return status_->Fail(kErrConsistency);
  const Item& item = buffer->data.item(level.index);
  ref = item.ref;
  text.assign(item.Key());
  return true;
}

// Pushes the pages from `child` down to a leaf along the first (or, with
// `leftmost` false, the last) links.
bool KeyCursor::Descend(int32_t child, bool leftmost) {
  while (child != 0) {
    if (depth_ == kMaxHeight) return status_->Fail(kErrConsistency);
    PageBuffer* buffer = tree_->Fetch(child);
    if (buffer == nullptr) return false;
    const int count = buffer->data.count;
    path_[depth_++] = {child, leftmost ? 0 : count};
    if (leftmost) {
      child = buffer->data.left_child;
    } else {
      child = count == 0 ? 0 : buffer->data.item(count).right_child;
    }
  }
  return true;
}

// One step forward from a valid cursor.
bool KeyCursor::StepNext(int32_t& ref, std::string& text) {
  int32_t child = tree_->root();
  if (depth_ > 0) {
    const Level& top = path_[depth_ - 1];
    PageBuffer* buffer = tree_->Fetch(top.page);
    if (buffer == nullptr) return false;
    if (top.index > buffer->data.count) return status_->Fail(kErrConsistency);
    child = ChildAt(buffer->data, top.index);
  }
  if (!Descend(child, true)) return false;
  while (depth_ >= 1) {
    Level& top = path_[depth_ - 1];
    PageBuffer* buffer = tree_->Fetch(top.page);
    if (buffer == nullptr) return false;
    if (top.index < buffer->data.count) {
      ++top.index;
      return Entry(ref, text);
    }
    if (depth_ == 1) break;
    --depth_;
  }
  depth_ = 0;
  return status_->Fail(kErrNoLargerKey);
}

// One step back from a valid cursor.
bool KeyCursor::StepPrev(int32_t& ref, std::string& text) {
  int32_t child = tree_->root();
  if (depth_ > 0) {
    Level& top = path_[depth_ - 1];
    PageBuffer* buffer = tree_->Fetch(top.page);
    if (buffer == nullptr) return false;
    if (top.index < 1 || top.index > buffer->data.count) return status_->Fail(kErrConsistency);
    --top.index;
    child = ChildAt(buffer->data, top.index);
  }
  if (!Descend(child, false)) return false;
  while (depth_ >= 1 && path_[depth_ - 1].index == 0) --depth_;
  if (depth_ == 0) return status_->Fail(kErrNoSmallerKey);
  return Entry(ref, text);
}

void KeyCursor::Next(int32_t& ref, std::string& text) {
  if (depth_ == 0) valid_ = true;
  bool exact;
  if (!valid_ && !Reestablish(text, ref, &exact)) return;
  std::string found_text;
  int32_t found_ref = 0;
  if (StepNext(found_ref, found_text)) {
    ref = found_ref;
    text = std::move(found_text);
  }
}

void KeyCursor::Prev(int32_t& ref, std::string& text) {
  if (depth_ == 0) valid_ = true;
  std::string found_text;
  int32_t found_ref = 0;
  bool found;
  if (valid_) {
    found = StepPrev(found_ref, found_text);
  } else {
    // Placed again on a missing entry, the cursor already stands on the
    // greatest smaller one.
    bool exact;
    if (!Reestablish(text, ref, &exact)) return;
    if (exact) {
      found = StepPrev(found_ref, found_text);
    } else if (depth_ == 0) {
      found = status_->Fail(kErrNoSmallerKey);
    } else {
      found = Entry(found_ref, found_text);
    }
  }
  if (found) {
    ref = found_ref;
    text = std::move(found_text);
  }
}

void KeyCursor::Search(int32_t& ref, std::string& text) {
  bool exact;
  if (!Position(Cut(text), 0, tree_->duplicates(), &exact)) return;
  std::string found_text;
  int32_t found_ref = 0;
  const bool found = exact ? Entry(found_ref, found_text) : StepNext(found_ref, found_text);
  if (found) {
    ref = found_ref;
    text = std::move(found_text);
  } else if (status_->error() == 0 || (status_->error() >= 10200 && status_->error() <= 10299)) {
    status_->Renumber(kErrNoKeyNoLarger);
  }
}

void KeyCursor::Find(int32_t& ref, std::string& text, int direction) {
  bool exact;
  if (!Reestablish(text, ref, &exact)) return;
  if (exact) {
    Entry(ref, text);
    return;
  }
  std::string found_text;
  int32_t found_ref = 0;
  bool found = false;
  if (direction > 0) {
    found = StepNext(found_ref, found_text);
  } else if (direction == 0) {
    status_->Fail(kErrNoMatchingKeyAndRef);
  } else if (depth_ == 0) {
    status_->Fail(kErrNoSmallerKey);
  } else {
    found = Entry(found_ref, found_text);
  }
  if (found) {
    ref = found_ref;
    text = std::move(found_text);
  }
}

}  // namespace tessary::isam
