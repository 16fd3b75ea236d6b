// The place of an entry on a scroll scale and back, estimated from the first
// two levels of the tree with an assumed average fill of three quarters.
#include <algorithm>

#include "isam/btree.h"

namespace tessary::isam {

int KeyTree::ToRelative(std::string_view text, int32_t ref, int scale) {
  if (scale <= 0) return status_.Fail(kErrRelativeScale);
  if (root() == 0) return status_.Fail(kErrIndexEmptyRelative);
  const int64_t m = page_size_ - page_size_ / 4;
  PageBuffer* root_page = Fetch(root());
  if (root_page == nullptr) return 0;
  const PagePosition r1 = SearchPage(root_page->data, text, ref, duplicates());
  const int64_t i1 = r1.index;
  const int64_t c1 = root_page->data.count;
  int64_t i2 = 0;
  int64_t c2 = m;
  const int32_t child = ChildAt(root_page->data, r1.index);
  if (!r1.exact && child != 0) {
    PageBuffer* second = Fetch(child);
    if (second == nullptr) return 0;
    i2 = SearchPage(second->data, text, ref, duplicates()).index;
    c2 = std::max(1, second->data.count);
  }
  int64_t p = 1;
  if (i2 != 1 || i1 != 0) {
    const int64_t v = i2 * (m + 1) * 2 / c2;
    p = (m + 1) * i1 + (v - v / 2);
  }
  const int64_t result = p * (scale + 1) / ((m + 1) * (c1 + 1));
  return static_cast<int>(std::min<int64_t>(result, scale));
}

bool KeyTree::FromRelative(int position, int scale, int32_t& ref, std::string& text) {
  if (scale <= 0 || position < 0 || position > scale) return status_.Fail(kErrRelativePosition);
  if (root() == 0) return status_.Fail(kErrIndexEmpty);
  PageBuffer* root_page = Fetch(root());
  if (root_page == nullptr) return false;
  const bool has_children = !root_page->data.IsLeaf();
  const int64_t m = has_children ? page_size_ - page_size_ / 4 : 0;
  const int64_t t = (m + 1) * (root_page->data.count + 1);
  int64_t x = t * position / (scale + 1) + t / scale - (t / scale) / 2;
  x = std::min(x, t - 1);
  const int i = static_cast<int>(x / (m + 1));
  const int64_t j = x % (m + 1);
  const Item* pick = nullptr;
  if (has_children && j > 0) {
    PageBuffer* child = Fetch(ChildAt(root_page->data, i));
    if (child == nullptr) return false;
    const int count = child->data.count;
    if (count == 0) return status_.Fail(kErrConsistency);
    int n = 2;
    if (j != 2 || i != 0) {
      const int64_t w = j * count * 2 / m;
      n = static_cast<int>(std::max<int64_t>(1, w - w / 2));
    }
    pick = &child->data.item(std::clamp(n, 1, count));
  } else if (i > 0) {
    pick = &root_page->data.item(i);
  }
  ref = pick != nullptr ? pick->ref : 0;
  text.assign(pick != nullptr ? pick->Key() : std::string_view());
  return true;
}

}  // namespace tessary::isam
