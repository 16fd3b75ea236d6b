// The page cache: a ring of page buffers in most-recently-used order, shared
// by every key of every open Fileblock. A buffer holds one index page in its
// unpacked form and is tagged with the tree that owns the page and the page
// number. Dirty buffers are written back through their owner when they are
// reused, flushed or let go of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <unordered_map>

#include "isam/format.h"

namespace tessary::isam {

// What owns cached pages: it writes a page back to its file.
class PageOwner {
 public:
  // False when the write failed (the engine's status tells why).
  virtual bool WritePage(int32_t page, const Page& data) = 0;

 protected:
  ~PageOwner() = default;
};

struct PageBuffer {
  PageOwner* owner = nullptr;
  int32_t page = 0;
  bool dirty = false;
  Page data;
};

// Only the least recently used buffer is ever reused, so a caller may hold the
// last few buffers it touched (never more than kMaxHeight, the fewest buffers
// the cache has) while it fetches another.
class PageCache {
 public:
  explicit PageCache(size_t buffers);
  size_t size() const { return ring_.size(); }

  // The buffer tagged (owner, page), moved to the front; nullptr on a miss.
  PageBuffer* Find(PageOwner* owner, int32_t page);
  // The least recently used buffer, written back first when dirty, retagged
  // and moved to the front; nullptr when the write-back failed.
  PageBuffer* Take(PageOwner* owner, int32_t page);
  // Untags the buffer of a page without writing it (the page was freed, or
  // could not be read).
  void Discard(PageOwner* owner, int32_t page);
  // Writes back every dirty buffer of `owner`; false at the first failure.
  bool Flush(PageOwner* owner);
  // Untags every buffer of `owner` without writing it.
  void Drop(PageOwner* owner);

 private:
  struct Tag {
    PageOwner* owner;
    int32_t page;
    bool operator==(const Tag&) const = default;
  };
  struct TagHash {
    size_t operator()(const Tag& t) const {
      return std::hash<const void*>()(t.owner) ^
             static_cast<size_t>(static_cast<uint32_t>(t.page)) * 0x9E3779B97F4A7C15ull;
    }
  };
  using Ring = std::list<PageBuffer>;
  void Untag(Ring::iterator it);
  static bool WriteBack(PageBuffer& buffer);

  Ring ring_;  // front: most recently used
  std::unordered_map<Tag, Ring::iterator, TagHash> index_;
};

}  // namespace tessary::isam
