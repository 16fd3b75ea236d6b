#include "isam/format.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "isam/errors.h"

namespace tessary::isam {

namespace {

// The i32 fields of each header at their offsets; the one-byte and two-byte
// fields are coded on their own below.
template <typename Header>
using I32Field = std::pair<size_t, int32_t Header::*>;
constexpr I32Field<DataHeader> kDataFields[] = {{0, &DataHeader::first_free},
                                                {4, &DataHeader::free_count},
                                                {8, &DataHeader::slot_count},
                                                {12, &DataHeader::record_length},
                                                {16, &DataHeader::key_count}};
constexpr I32Field<KeyHeader> kKeyFields[] = {
    {0, &KeyHeader::first_free_page}, {4, &KeyHeader::free_page_count},
    {8, &KeyHeader::page_count},      {12, &KeyHeader::page_bytes},
    {16, &KeyHeader::root_page},      {22, &KeyHeader::entry_count}};
constexpr size_t kAllowDuplicatesOffset = 20;
constexpr size_t kReservedOffset = 21;
constexpr size_t kPageSizeOffset = 26;

template <typename Header, size_t N>
void DecodeFields(const I32Field<Header> (&fields)[N], const uint8_t* bytes, Header* header) {
  for (const auto& [offset, member] : fields) header->*member = GetI32(bytes + offset);
}

template <typename Header, size_t N>
void EncodeFields(const I32Field<Header> (&fields)[N], const Header& header, uint8_t* bytes) {
  for (const auto& [offset, member] : fields) PutI32(bytes + offset, header.*member);
}

// A page: the u16 ItemCount and i32 LeftChild, then the items, each an i32
// Ref, an i32 RightChild, the key's length byte and KeyLen key bytes.
constexpr size_t kItemCountOffset = 0;
constexpr size_t kLeftChildOffset = 2;
constexpr size_t kItemRightChild = 4;
constexpr size_t kItemKeyLength = 8;
constexpr size_t kItemKey = 9;

}  // namespace

DataHeader DecodeDataHeader(const uint8_t* bytes) {
  DataHeader h;
  DecodeFields(kDataFields, bytes, &h);
  h.in_use = bytes[kInUseOffset];
  return h;
}

void EncodeDataHeader(const DataHeader& h, uint8_t* bytes) {
  EncodeFields(kDataFields, h, bytes);
  bytes[kInUseOffset] = h.in_use;
}

KeyHeader DecodeKeyHeader(const uint8_t* bytes) {
  KeyHeader h;
  DecodeFields(kKeyFields, bytes, &h);
  h.allow_duplicates = bytes[kAllowDuplicatesOffset];
  h.reserved = bytes[kReservedOffset];
  h.page_size = GetU16(bytes + kPageSizeOffset);
  return h;
}

void EncodeKeyHeader(const KeyHeader& h, uint8_t* bytes) {
  EncodeFields(kKeyFields, h, bytes);
  bytes[kAllowDuplicatesOffset] = h.allow_duplicates;
  bytes[kReservedOffset] = 0;
  PutU16(bytes + kPageSizeOffset, h.page_size);
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
  int count = GetU16(bytes + kItemCountOffset);
  if (count > page_size || PackedPageSize(key_len, count) > size) return kErrConsistency;
  page->count = count;
  page->left_child = GetI32(bytes + kLeftChildOffset);
  const uint8_t* p = bytes + kPageHeaderSize;
  for (int i = 1; i <= count; ++i, p += ItemBytes(key_len)) {
    Item& item = page->item(i);
    item.ref = GetI32(p);
    item.right_child = GetI32(p + kItemRightChild);
    uint8_t len = p[kItemKeyLength];
    if (len > key_len) return kErrConsistency;
    item.SetKey(std::string_view(reinterpret_cast<const char*>(p + kItemKey), len));
  }
  return 0;
}

void EncodePage(const Page& page, int key_len, uint8_t* bytes) {
  PutU16(bytes + kItemCountOffset, static_cast<uint16_t>(page.count));
  PutI32(bytes + kLeftChildOffset, page.left_child);
  uint8_t* p = bytes + kPageHeaderSize;
  for (int i = 1; i <= page.count; ++i, p += ItemBytes(key_len)) {
    const Item& item = page.item(i);
    PutI32(p, item.ref);
    PutI32(p + kItemRightChild, item.right_child);
    p[kItemKeyLength] = item.len;
    std::memset(p + kItemKey, 0, static_cast<size_t>(key_len));
    std::memcpy(p + kItemKey, item.key.data(), item.len);
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

ChainLink DecodeChainLink(const uint8_t* slot, int record_length) {
  const uint8_t* trailer = slot + HeadCapacity(record_length);
  return {GetU16(trailer), GetI32(trailer + 2)};
}

void EncodeChainLink(uint8_t* slot, int record_length, ChainLink link) {
  uint8_t* trailer = slot + HeadCapacity(record_length);
  PutU16(trailer, static_cast<uint16_t>(link.count));
  PutI32(trailer + 2, link.next);
}

size_t ContinuationCount(size_t length, int record_length) {
  const size_t head = HeadCapacity(record_length);
  if (length <= head) return 0;
  const size_t chunk = ContinuationCapacity(record_length);
  return (length - head + chunk - 1) / chunk;
}

void EncodeHeadSlot(uint8_t* slot, int record_length, std::string_view bytes, int32_t next) {
  const size_t n = std::min(bytes.size(), HeadCapacity(record_length));
  std::memset(slot, 0, static_cast<size_t>(record_length));
  std::memcpy(slot, bytes.data(), n);
  EncodeChainLink(slot, record_length, {n, next});
}

void EncodeContinuationSlot(uint8_t* slot, int record_length, std::string_view bytes, size_t index,
                            int32_t next) {
  const size_t chunk = ContinuationCapacity(record_length);
  const size_t from = HeadCapacity(record_length) + index * chunk;
  const size_t n = std::min(chunk, bytes.size() - from);
  std::memset(slot, 0, static_cast<size_t>(record_length));
  slot[0] = kContinuationMark;
  std::memcpy(slot + 1, bytes.data() + from, n);
  EncodeChainLink(slot, record_length, {n, next});
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
