// Reads a closed Fileblock's bytes back for assertions, independently of the
// engine's own decoders: little-endian fields at the offsets of the on-disk
// layout, nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tessary::isam::bytes {

inline int32_t I32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b.at(at + i));
  return static_cast<int32_t>(v);
}

inline int U16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b.at(at)) | static_cast<uint8_t>(b.at(at + 1)) << 8;
}

struct DataHead {
  int32_t first_free, free_count, slot_count, record_length, key_count;
  int in_use;
  bool operator==(const DataHead&) const = default;
};

inline DataHead ReadDataHead(const std::string& dat) {
  return {I32(dat, 0),  I32(dat, 4),  I32(dat, 8),
          I32(dat, 12), I32(dat, 16), static_cast<uint8_t>(dat.at(20))};
}

struct KeyHead {
  int32_t first_free_page, free_page_count, page_count, page_bytes, root_page;
  int allow_duplicates;
  int32_t entry_count;
  int page_size;
};

inline KeyHead ReadKeyHead(const std::string& ix, size_t key_offset) {
  return {I32(ix, key_offset),      I32(ix, key_offset + 4),
          I32(ix, key_offset + 8),  I32(ix, key_offset + 12),
          I32(ix, key_offset + 16), static_cast<uint8_t>(ix.at(key_offset + 20)),
          I32(ix, key_offset + 22), U16(ix, key_offset + 26)};
}

struct ItemBytes {
  int32_t ref, right_child;
  std::string key;
  bool operator==(const ItemBytes&) const = default;
};

struct PageBytes {
  int count;
  int32_t left_child;
  std::vector<ItemBytes> items;
  // The first 4 bytes as i32: the next free page when the page is free.
  int32_t free_link;
};

// Page `page` of the key whose stretch starts at `key_offset` in every row.
inline PageBytes ReadPage(const std::string& ix, size_t row_bytes, size_t key_offset, int key_len,
                          int32_t page) {
  size_t at = static_cast<size_t>(page) * row_bytes + key_offset;
  PageBytes p;
  p.count = U16(ix, at);
  p.left_child = I32(ix, at + 2);
  p.free_link = I32(ix, at);
  size_t item_bytes = static_cast<size_t>(key_len) + 9;
  for (int i = 0; i < p.count && i < 62; ++i) {
    size_t it = at + 6 + static_cast<size_t>(i) * item_bytes;
    int len = static_cast<uint8_t>(ix.at(it + 8));
    p.items.push_back({I32(ix, it), I32(ix, it + 4), ix.substr(it + 9, static_cast<size_t>(len))});
  }
  return p;
}

inline size_t PageBytesOf(int key_len) { return static_cast<size_t>(key_len + 9) * 62 + 6; }

}  // namespace tessary::isam::bytes
