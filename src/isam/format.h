// The Fileblock's on-disk structures: a data file of fixed-size slots and an
// index file holding one B-tree per key. All integers are little-endian; i32 is
// signed 32-bit, u16 unsigned 16-bit, u8 one byte. Refs (slot numbers) and page
// numbers count from 1; 0 names nothing and -1 ends a free chain.
//
// Data file: slot n of RecordLength bytes starts at n * RecordLength. Slot 0
// is the header; its first 21 bytes are:
//
//   offset width field         meaning
//   0      i32   FirstFree     most recently freed slot, -1 when none
//   4      i32   FreeCount     slots on the free chain
//   8      i32   SlotCount     highest slot ever allocated
//   12     i32   RecordLength  slot size, at least 21
//   16     i32   KeyCount      0..100 (only the low byte is read)
//   20     u8    InUse         1 while changed and not yet closed cleanly
//
// A record slot whose first 4 bytes are 0 is in use; a free slot holds the next
// free slot there (or -1). Variable-length records (L = RecordLength):
//
//   slot kind     bytes 0..L-7                      L-6..L-5 (u16)  L-4..L-1 (i32)
//   head          first up to L-6 record bytes      bytes in slot   first continuation, 0 none
//   continuation  byte 0 = 1, then up to L-7 bytes  bytes in slot   next continuation, 0 at end
//
// Index file: rows of RowBytes = sum of PageBytes(k) bytes, PageBytes(k) =
// (KeyLen(k) + 9) * 62 + 6. Key k owns the stretch at KeyOffset(k) (the sum of
// the earlier keys' PageBytes) of every row. Row 0 holds the key headers, row
// p >= 1 page p of each key. Key header (first 28 bytes of the stretch):
//
//   offset width field            meaning
//   0      i32   FirstFreePage    most recently freed page, -1 when none
//   4      i32   FreePageCount    pages on the free chain
//   8      i32   PageCount        highest page ever allocated
//   12     i32   PageBytes        page size in bytes
//   16     i32   RootPage         0 when the tree is empty
//   20     u8    AllowDuplicates  1 when entries may share a key text
//   21     u8    reserved         written as 0, ignored
//   22     i32   EntryCount       entries in the tree
//   26     u16   PageSize         items per page, 62; 0 reads as 62
//
// Page (only the first 6 + n * (KeyLen + 9) bytes are meaningful):
//
//   offset width            field
//   0      u16              ItemCount   n, 1..62
//   2      i32              LeftChild   page of entries below item 1, 0 in a leaf
//   6      n * (KeyLen+9)   items, ascending
//
// Item: i32 Ref (head slot of the record), i32 RightChild (page of entries
// between this item and the next, 0 in a leaf), u8 key length m, m key bytes,
// KeyLen - m undefined bytes (written as 0). A free page holds the next free
// page of its key (or -1) in its first 4 bytes.
//
// Entries order by key text (unsigned bytes, a proper prefix first), then, in
// keys with duplicates, by Ref.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessary::isam {

inline constexpr int kMaxKeyLen = 30;
inline constexpr int kMaxPageSize = 62;
inline constexpr int kMaxHeight = 8;
inline constexpr int kMaxKeys = 100;
inline constexpr int kMinRecordLength = 21;
inline constexpr size_t kMaxVarRecord = 65520;

// Sizes of the headers and of a page's own fields (offsets in the tables
// above), and the data header's InUse byte, which is written on its own.
inline constexpr size_t kDataHeaderSize = 21;
inline constexpr size_t kInUseOffset = 20;
inline constexpr size_t kKeyHeaderSize = 28;
inline constexpr size_t kPageHeaderSize = 6;

inline int32_t GetI32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline void PutI32(uint8_t* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

struct DataHeader {
  int32_t first_free = -1;
  int32_t free_count = 0;
  int32_t slot_count = 0;
  int32_t record_length = 0;
  int32_t key_count = 0;
  uint8_t in_use = 0;
};
DataHeader DecodeDataHeader(const uint8_t* bytes);
void EncodeDataHeader(const DataHeader& header, uint8_t* bytes);

struct KeyHeader {
  int32_t first_free_page = -1;
  int32_t free_page_count = 0;
  int32_t page_count = 0;
  int32_t page_bytes = 0;
  int32_t root_page = 0;
  uint8_t allow_duplicates = 0;
  uint8_t reserved = 0;
  int32_t entry_count = 0;
  uint16_t page_size = kMaxPageSize;
};
KeyHeader DecodeKeyHeader(const uint8_t* bytes);
void EncodeKeyHeader(const KeyHeader& header, uint8_t* bytes);

inline int32_t PageBytesFor(int key_len) {
  return (key_len + 9) * kMaxPageSize + static_cast<int32_t>(kPageHeaderSize);
}

// Derives the key length from a header's page geometry, taking a PageSize of 0
// as 62. Returns 0, or 10122 (PageSize above 62), 10120 (PageBytes not of the
// form PageSize * (KeyLen + 9) + 6) or 10121 (KeyLen outside 1..30).
int DeriveKeyLen(const KeyHeader& header, int* key_len, int* page_size);

// Where things lie: slot n of the data file, and page p of the key whose
// stretch starts at `key_offset` in every row of the index file.
inline uint64_t SlotOffset(int32_t slot, int record_length) {
  return static_cast<uint64_t>(slot) * static_cast<uint64_t>(record_length);
}
inline uint64_t PageOffset(int32_t page, int64_t row_bytes, int64_t key_offset) {
  return static_cast<uint64_t>(page) * static_cast<uint64_t>(row_bytes) +
         static_cast<uint64_t>(key_offset);
}

// A slot's first 4 bytes: 0 in a record in use, else the next slot of the
// free chain (-1 at its end). Free pages carry the same link.
inline constexpr size_t kLinkSize = 4;
inline bool SlotInUse(const uint8_t* slot) { return GetI32(slot) == 0; }

// One item of a page in memory; every key sits in a full 31-byte field.
struct Item {
  int32_t ref = 0;
  int32_t right_child = 0;
  uint8_t len = 0;
  std::array<char, kMaxKeyLen> key{};
  std::string_view Key() const { return std::string_view(key.data(), len); }
  void SetKey(std::string_view text);
};

// A page in memory. Items are numbered from 1 as on disk.
struct Page {
  int count = 0;
  int32_t left_child = 0;
  std::array<Item, kMaxPageSize> items;
  Item& item(int i) { return items[i - 1]; }
  const Item& item(int i) const { return items[i - 1]; }
  bool IsLeaf() const { return left_child == 0; }
};

// The child page left of item `position + 1` (of item 1: LeftChild).
inline int32_t ChildAt(const Page& page, int position) {
  return position == 0 ? page.left_child : page.item(position).right_child;
}

inline size_t ItemBytes(int key_len) { return static_cast<size_t>(key_len) + 9; }
inline size_t PackedPageSize(int key_len, int count) {
  return kPageHeaderSize + static_cast<size_t>(count) * ItemBytes(key_len);
}

// Unpacks a page stretch. Fails with 10170 when the item count exceeds
// `page_size` or an item's key length exceeds `key_len`.
int DecodePage(const uint8_t* bytes, size_t size, int key_len, int page_size, Page* page);
// Packs the meaningful part of a page: PackedPageSize(key_len, count) bytes.
void EncodePage(const Page& page, int key_len, uint8_t* bytes);

// Order of key texts: unsigned bytes over the common length, then the shorter first.
int CompareKeys(std::string_view a, std::string_view b);
// Order of entries; the refs decide between equal texts only when `with_ref`.
int CompareEntries(std::string_view a_key, int32_t a_ref, std::string_view b_key, int32_t b_ref,
                   bool with_ref);

// Variable-length records. Every slot of a record ends in a trailer: the
// record bytes the slot holds (u16 at L-6) and the next continuation slot
// (i32 at L-4, 0 at the end). A head carries record bytes from byte 0, a
// continuation the mark 1 in byte 0 and record bytes from byte 1.
inline constexpr size_t kTrailerSize = 6;
inline constexpr uint8_t kContinuationMark = 1;
struct ChainLink {
  size_t count = 0;  // record bytes in the slot
  int32_t next = 0;  // next continuation slot, 0 at the end
};
ChainLink DecodeChainLink(const uint8_t* slot, int record_length);
void EncodeChainLink(uint8_t* slot, int record_length, ChainLink link);

// Record bytes a head slot and a continuation slot hold.
inline size_t HeadCapacity(int record_length) {
  return static_cast<size_t>(record_length) - kTrailerSize;
}
inline size_t ContinuationCapacity(int record_length) {
  return static_cast<size_t>(record_length) - kTrailerSize - 1;
}
// Continuation slots that a record of `length` bytes needs.
size_t ContinuationCount(size_t length, int record_length);
// Fills `slot` (RecordLength bytes) as the head of the record `bytes`.
void EncodeHeadSlot(uint8_t* slot, int record_length, std::string_view bytes, int32_t next);
// Fills `slot` as continuation `index` (from 0) of the record `bytes`.
void EncodeContinuationSlot(uint8_t* slot, int record_length, std::string_view bytes, size_t index,
                            int32_t next);
// Longest chain (head plus continuations) that a readable record can have.
inline int MaxChainSlots(int record_length) {
  return (65525 - record_length) / (record_length - 6) + 2;
}

// The file names of a Fileblock. `path` names it with or without an
// extension; "data;index" names the two files apart. Both '/' and '\'
// separate directories.
struct FileblockNames {
  std::string data;     // .DAT
  std::string index;    // .IX
  std::string journal;  // .DIA
  std::string save;     // .SAV
  std::string message;  // .MSG
};
// Returns 0, or 9900 for an empty name or one longer than the system allows.
int DeriveNames(std::string_view path, FileblockNames* names);
// `name` with its extension replaced by, or extended with, `extension`.
std::string WithExtension(std::string_view name, std::string_view extension);

}  // namespace tessary::isam
