#include "isam/format.h"

#include <climits>
#include <cstring>

#include "isam/errors.h"

namespace tessary::isam {

DataHeader DecodeDataHeader(const uint8_t* b) {
  DataHeader h;
  h.first_free = GetI32(b + 0);
  h.free_count = GetI32(b + 4);
  h.slot_count = GetI32(b + 8);
  h.record_length = GetI32(b + 12);
  h.key_count = GetI32(b + 16);
  h.in_use = b[20];
  return h;
}

void EncodeDataHeader(const DataHeader& h, uint8_t* b) {
  PutI32(b + 0, h.first_free);
  PutI32(b + 4, h.free_count);
  PutI32(b + 8, h.slot_count);
  PutI32(b + 12, h.record_length);
  PutI32(b + 16, h.key_count);
  b[20] = h.in_use;
}

KeyHeader DecodeKeyHeader(const uint8_t* b) {
  KeyHeader h;
  h.first_free_page = GetI32(b + 0);
  h.free_page_count = GetI32(b + 4);
  h.page_count = GetI32(b + 8);
  h.page_bytes = GetI32(b + 12);
  h.root_page = GetI32(b + 16);
  h.allow_duplicates = b[20];
  h.reserved = b[21];
  h.entry_count = GetI32(b + 22);
  h.page_size = GetU16(b + 26);
  return h;
}

void EncodeKeyHeader(const KeyHeader& h, uint8_t* b) {
  PutI32(b + 0, h.first_free_page);
  PutI32(b + 4, h.free_page_count);
  PutI32(b + 8, h.page_count);
  PutI32(b + 12, h.page_bytes);
  PutI32(b + 16, h.root_page);
  b[20] = h.allow_duplicates;
  b[21] = 0;
  PutI32(b + 22, h.entry_count);
  PutU16(b + 26, h.page_size);
}

int DeriveKeyLen(const KeyHeader& header, int* key_len, int* page_size) {
  int64_t size = header.page_size == 0 ? kMaxPageSize : header.page_size;
  if (size > kMaxPageSize) return kErrMaxPageSizeTooSmall;
  // Integer division truncating toward zero, as the geometry check is defined.
  int64_t x = (static_cast<int64_t>(header.page_bytes) * 10000 - 60000) / size - 90000;
  if (x % 10000 != 0) return kErrPageSizeIncompatible;
  int64_t len = x / 10000;
  if (len < 1 || len > kMaxKeyLen) return kErrMaxKeyLenTooSmall;
  *key_len = static_cast<int>(len);
  *page_size = static_cast<int>(size);
  return 0;
}

void Item::SetKey(std::string_view text) {
  len = static_cast<uint8_t>(text.size() < key.size() ? text.size() : key.size());
  key.fill('\0');
  std::memcpy(key.data(), text.data(), len);
}

int DecodePage(const uint8_t* bytes, size_t size, int key_len, int page_size, Page* page) {
  if (size < kPageHeaderSize) return kErrConsistency;
  int count = GetU16(bytes);
  if (count > page_size || PackedPageSize(key_len, count) > size) return kErrConsistency;
  page->count = count;
  page->left_child = GetI32(bytes + 2);
  const uint8_t* p = bytes + kPageHeaderSize;
  for (int i = 1; i <= count; ++i, p += ItemBytes(key_len)) {
    Item& item = page->item(i);
    item.ref = GetI32(p);
    item.right_child = GetI32(p + 4);
    uint8_t len = p[8];
    if (len > key_len) return kErrConsistency;
    item.SetKey(std::string_view(reinterpret_cast<const char*>(p + 9), len));
  }
  return 0;
}

void EncodePage(const Page& page, int key_len, uint8_t* bytes) {
  PutU16(bytes, static_cast<uint16_t>(page.count));
  PutI32(bytes + 2, page.left_child);
  uint8_t* p = bytes + kPageHeaderSize;
  for (int i = 1; i <= page.count; ++i, p += ItemBytes(key_len)) {
    const Item& item = page.item(i);
    PutI32(p, item.ref);
    PutI32(p + 4, item.right_child);
    p[8] = item.len;
    std::memset(p + 9, 0, static_cast<size_t>(key_len));
    std::memcpy(p + 9, item.key.data(), item.len);
  }
}

int CompareKeys(std::string_view a, std::string_view b) {
  size_t common = a.size() < b.size() ? a.size() : b.size();
  int c = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (c != 0) return c < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareEntries(std::string_view a_key, int32_t a_ref, std::string_view b_key, int32_t b_ref,
                   bool with_ref) {
  int c = CompareKeys(a_key, b_key);
  if (c != 0 || !with_ref) return c;
  if (a_ref == b_ref) return 0;
  return a_ref < b_ref ? -1 : 1;
}

std::string WithExtension(std::string_view name, std::string_view extension) {
  size_t dir_end = name.find_last_of("/\\");
  size_t dot = name.find_last_of('.');
  std::string out;
  if (dot != std::string_view::npos && (dir_end == std::string_view::npos || dot > dir_end)) {
    out = std::string(name.substr(0, dot));
  } else {
    out = std::string(name);
  }
  out += '.';
  out += extension;
  return out;
}

int DeriveNames(std::string_view path, FileblockNames* names) {
  // Linux paths are far longer than the 64 characters of the old file systems;
  // a name the system cannot take is refused rather than cut to another name.
  constexpr size_t kMaxName = PATH_MAX - 8;
  std::string_view data = path;
  std::string_view index = path;
  size_t semicolon = path.find(';');
  if (semicolon != std::string_view::npos) {
    data = path.substr(0, semicolon);
    index = path.substr(semicolon + 1);
  }
  if (data.empty() || index.empty() || data.size() > kMaxName || index.size() > kMaxName) {
    return kErrInvalidPath;
  }
  names->data = WithExtension(data, "DAT");
  names->index = WithExtension(index, "IX");
  names->journal = WithExtension(index, "DIA");
  names->save = WithExtension(data, "SAV");
  names->message = WithExtension(data, "MSG");
  return 0;
}

}  // namespace tessary::isam
