// Assembles Fileblock data and index files byte by byte for tests. The layout
// is written out here from the format tables with its own little-endian
// writers, so a fault that the engine's reader and writer share cannot hide.
//
// Data file: slot 0 holds the 21-byte header (FirstFree, FreeCount, SlotCount,
// RecordLength, KeyCount as i32, then the InUse byte); slot n starts at
// n * RecordLength. A head slot carries record bytes from byte 0, a
// continuation slot byte 1 and then record bytes from byte 1; both end with the
// u16 byte count at L-6 and the i32 next link at L-4.
//
// Index file: rows of the keys' page stretches side by side; row 0 the 28-byte
// key headers, row p page p of every key. A page is the u16 item count, the
// i32 left child, then items of i32 ref, i32 right child, a length byte and
// KeyLen key bytes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessary::testing {

class DataFileBuilder {
 public:
  explicit DataFileBuilder(int record_length = 512, int key_count = 0);

  int record_length() const { return record_length_; }
  int32_t slots() const { return static_cast<int32_t>(slots_.size()); }

  // Header fields; SlotCount, FirstFree and FreeCount follow the slots and the
  // free chain unless set here.
  std::optional<int32_t> first_free;
  std::optional<int32_t> free_count;
  std::optional<int32_t> slot_count;
  int32_t key_count = 0;
  uint8_t in_use = 0;

  // Appends a slot of zero bytes and returns its number.
  int32_t NewSlot();
  // Writes a head slot: `bytes` (at most L-6) from byte 0, the count, the link.
  void SetHead(int32_t slot, std::string_view bytes, int32_t next);
  // Writes a continuation slot: byte 0 = 1, `bytes` (at most L-7) from byte 1.
  void SetContinuation(int32_t slot, std::string_view bytes, int32_t next);
  // Writes `count` and `next` into a slot's trailer, whatever they claim.
  void SetTrailer(int32_t slot, uint16_t count, int32_t next);
  // Writes `link` into a slot's first 4 bytes (the free-chain link).
  void SetLink(int32_t slot, int32_t link);
  // Stores a record as the program does: the continuation chunks from the last
  // to the first in new slots, each linking to the one written before it, then
  // the head. Returns the head's slot.
  int32_t AddRecord(std::string_view bytes);

  // Puts the slots of `chain` on the free chain in that order: the first is
  // FirstFree, each links to the next, the last to -1. The rest of each slot
  // keeps its old bytes.
  void FreeSlots(const std::vector<int32_t>& chain);

  // The whole file.
  std::string Bytes() const;

 private:
  int record_length_;
  // Overwrites `bytes` at `offset` inside slot `slot`.
  void Poke(int32_t slot, size_t offset, std::string_view bytes);

  std::vector<std::string> slots_;  // slot n at index n - 1
  std::vector<int32_t> free_chain_;
};

struct FixtureItem {
  FixtureItem(int32_t ref, std::string key, int32_t right_child = 0)
      : ref(ref), key(std::move(key)), right_child(right_child) {}

  int32_t ref = 0;
  std::string key;
  int32_t right_child = 0;
};

struct FixturePage {
  FixturePage(int32_t left_child = 0, std::vector<FixtureItem> items = {})
      : left_child(left_child), items(std::move(items)) {}

  int32_t left_child = 0;
  std::vector<FixtureItem> items;
};

struct FixtureKey {
  FixtureKey(int key_len, bool allow_duplicates)
      : key_len(key_len), allow_duplicates(allow_duplicates) {}

  int key_len;
  bool allow_duplicates;
  int32_t root_page = 0;
  std::map<int32_t, FixturePage> pages;   // page number -> page in the tree
  std::map<int32_t, int32_t> free_pages;  // page number -> link written into it
  int32_t first_free_page = -1;
  int32_t free_page_count = 0;

  // Header fields that follow the pages unless set: PageCount (the highest
  // page number held), EntryCount (the items in the pages), PageBytes (by the
  // page size and key length), PageSize (62).
  std::optional<int32_t> page_count;
  std::optional<int32_t> entry_count;
  std::optional<int32_t> page_bytes;
  uint16_t page_size = 62;

  // Bytes of this key's stretch in every row: (KeyLen + 9) * PageSize + 6,
  // with a PageSize of 0 taken as 62.
  int32_t StretchBytes() const;
};

// The index file of `keys`, key 1 first. The file holds rows up to the
// highest page number any key holds.
std::string BuildIndexFile(const std::vector<FixtureKey>& keys);

// The records of a data file read straight from its bytes by the layout above,
// in the order of their head slots (a slot whose link is 0); a continuation
// without its marker byte fails the calling test.
std::vector<std::string> ReadDataFileRecords(const std::string& bytes, int record_length = 512);

// Writes `data` to `<base>.DAT` and, when given, `index` to `<base>.IX`.
void WriteFileblock(const std::string& base, const std::string& data,
                    const std::optional<std::string>& index);

}  // namespace tessary::testing
