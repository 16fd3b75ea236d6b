#include <iterator>

#include "isam/fileblock.h"

namespace tessary::isam {

PageCache::PageCache(size_t buffers) : ring_(buffers) {}

PageCache::Buffer* PageCache::Find(Fileblock* fb, int key, int32_t page) {
  auto found = index_.find(Tag{fb, key, page});
  if (found == index_.end()) return nullptr;
  ring_.splice(ring_.begin(), ring_, found->second);
  return &*found->second;
}

void PageCache::Untag(std::list<Buffer>::iterator it) {
  if (it->fb != nullptr) index_.erase(Tag{it->fb, it->key, it->page});
  it->fb = nullptr;
  it->dirty = false;
}

PageCache::Buffer* PageCache::Take(Fileblock* fb, int key, int32_t page, Writer writer,
                                   void* context) {
  auto it = std::prev(ring_.end());
  if (it->fb != nullptr && it->dirty && !writer(context, *it)) return nullptr;
  Untag(it);
  it->fb = fb;
  it->key = key;
  it->page = page;
  index_[Tag{fb, key, page}] = it;
  ring_.splice(ring_.begin(), ring_, it);
  return &*it;
}

void PageCache::Discard(Fileblock* fb, int key, int32_t page) {
  auto found = index_.find(Tag{fb, key, page});
  if (found == index_.end()) return;
  auto it = found->second;
  Untag(it);
  ring_.splice(ring_.end(), ring_, it);
}

bool PageCache::Flush(Fileblock* fb, Writer writer, void* context) {
  for (Buffer& buffer : ring_) {
    if (buffer.fb == fb && buffer.dirty) {
      if (!writer(context, buffer)) return false;
      buffer.dirty = false;
    }
  }
  return true;
}

void PageCache::Drop(Fileblock* fb) {
  for (auto it = ring_.begin(); it != ring_.end(); ++it) {
    if (it->fb == fb) Untag(it);
  }
}

}  // namespace tessary::isam
