#include "isam/page_cache.h"

#include <iterator>

namespace tessary::isam {

PageCache::PageCache(size_t buffers) : ring_(buffers) { index_.reserve(buffers); }

bool PageCache::WriteBack(PageBuffer& buffer) {
  if (buffer.owner == nullptr || !buffer.dirty) return true;
  if (!buffer.owner->WritePage(buffer.page, buffer.data)) return false;
  buffer.dirty = false;
  return true;
}

PageBuffer* PageCache::Find(PageOwner* owner, int32_t page) {
  auto found = index_.find(Tag{owner, page});
  if (found == index_.end()) return nullptr;
  ring_.splice(ring_.begin(), ring_, found->second);
  return &*found->second;
}

void PageCache::Untag(Ring::iterator it) {
  if (it->owner != nullptr) index_.erase(Tag{it->owner, it->page});
  it->owner = nullptr;
  it->dirty = false;
}

PageBuffer* PageCache::Take(PageOwner* owner, int32_t page) {
  auto it = std::prev(ring_.end());
  if (!WriteBack(*it)) return nullptr;
  Untag(it);
  it->owner = owner;
  it->page = page;
  index_[Tag{owner, page}] = it;
  ring_.splice(ring_.begin(), ring_, it);
  return &*it;
}

void PageCache::Discard(PageOwner* owner, int32_t page) {
  auto found = index_.find(Tag{owner, page});
  if (found == index_.end()) return;
  auto it = found->second;
  Untag(it);
  ring_.splice(ring_.end(), ring_, it);
}

bool PageCache::Flush(PageOwner* owner) {
  for (PageBuffer& buffer : ring_) {
    if (buffer.owner == owner && !WriteBack(buffer)) return false;
  }
  return true;
}

void PageCache::Drop(PageOwner* owner) {
  for (auto it = ring_.begin(); it != ring_.end(); ++it) {
    if (it->owner == owner) Untag(it);
  }
}

}  // namespace tessary::isam
