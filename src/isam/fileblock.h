// In-memory state of an open Fileblock and the page cache. Internal to the
// engine.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "isam/engine.h"
#include "isam/format.h"
#include "platform/file.h"

namespace tessary::isam {

struct KeyState {
  KeyHeader header;
  int key_len = 0;
  int page_size = kMaxPageSize;
  int64_t key_offset = 0;
  bool header_changed = false;
  bool cursor_valid = false;
  int depth = 0;  // 0: before the first or after the last entry
  struct Level {
    int32_t page;
    int index;  // 0..ItemCount; 0 stands before item 1
  };
  std::array<Level, kMaxHeight> path{};

  bool duplicates() const { return header.allow_duplicates != 0; }
  int min_items() const { return page_size / 2; }
};

struct Fileblock {
  static constexpr uint32_t kValidMark = 0x46424C4B;  // "FBLK"
  uint32_t mark = kValidMark;
  FileblockNames names;
  std::unique_ptr<platform::File> data;
  std::unique_ptr<platform::File> index;
  bool read_only = false;
  bool changed = false;  // InUse has been written for this open
  // A change failed part-way: the close keeps InUse set so the next open
  // asks for a rebuild instead of trusting the files.
  bool damaged = false;
  DataHeader header;
  bool header_changed = false;
  int key_count = 0;
  int64_t row_bytes = 0;
  int32_t row_count = 0;
  std::vector<KeyState> keys;  // 1-based; keys[0] unused

  int32_t record_length() const { return header.record_length; }
};

// A ring of page buffers in most-recently-used order. A buffer is tagged with
// its Fileblock, key and page; dirty buffers are written when reused or when
// their Fileblock closes. Only the least recently used buffer is ever reused,
// so a caller may hold the last few pages it touched (never more than
// kMaxHeight, the fewest buffers the cache has) while it fetches another.
struct PageBuffer {
  Fileblock* fb = nullptr;
  int key = 0;
  int32_t page = 0;
  bool dirty = false;
  Page data;
};

class PageCache {
 public:
  using Buffer = PageBuffer;
  using Writer = bool (*)(void* context, Buffer& buffer);

  explicit PageCache(size_t buffers);
  size_t size() const { return ring_.size(); }

  // The buffer tagged (fb, key, page), moved to the front; nullptr on a miss.
  Buffer* Find(Fileblock* fb, int key, int32_t page);
  // The least recently used buffer, written first when dirty (through
  // `writer`), retagged and moved to the front; nullptr when the write failed.
  Buffer* Take(Fileblock* fb, int key, int32_t page, Writer writer, void* context);
  // Untags the buffer of a page without writing it (the page was freed).
  void Discard(Fileblock* fb, int key, int32_t page);
  // Writes every dirty buffer of `fb`; false at the first failed write.
  bool Flush(Fileblock* fb, Writer writer, void* context);
  // Untags every buffer of `fb`.
  void Drop(Fileblock* fb);

 private:
  struct Tag {
    Fileblock* fb;
    int key;
    int32_t page;
    bool operator==(const Tag&) const = default;
  };
  struct TagHash {
    size_t operator()(const Tag& t) const {
      return std::hash<const void*>()(t.fb) ^ (static_cast<size_t>(t.key) << 40) ^
             static_cast<size_t>(static_cast<uint32_t>(t.page)) * 0x9E3779B97F4A7C15ull;
    }
  };
  void Untag(std::list<Buffer>::iterator it);

  std::list<Buffer> ring_;  // front: most recently used
  std::unordered_map<Tag, std::list<Buffer>::iterator, TagHash> index_;
};

// Marks the Fileblock damaged when the changing operation it spans fails
// part-way.
class Engine::ChangeScope {
 public:
  ChangeScope(Engine* engine, Fileblock* fb) : engine_(engine), fb_(fb) {}
  ~ChangeScope() { engine_->NoteFailure(fb_); }
  ChangeScope(const ChangeScope&) = delete;
  ChangeScope& operator=(const ChangeScope&) = delete;

 private:
  Engine* engine_;
  Fileblock* fb_;
};

}  // namespace tessary::isam
