#include "support/fileblock_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/temp_dir.h"

namespace tessary::testing {
namespace {

// Little-endian writers into a byte string that must be long enough.
void PutLe32(std::string& bytes, size_t offset, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<char>((u >> (8 * i)) & 0xFF);
}

void PutLe16(std::string& bytes, size_t offset, uint16_t value) {
  bytes.at(offset) = static_cast<char>(value & 0xFF);
  bytes.at(offset + 1) = static_cast<char>(value >> 8);
}

}  // namespace

DataFileBuilder::DataFileBuilder(int record_length, int key_count)
    : key_count(key_count), record_length_(record_length) {}

int32_t DataFileBuilder::NewSlot() {
  slots_.emplace_back(static_cast<size_t>(record_length_), '\0');
  return slots();
}

void DataFileBuilder::SetTrailer(int32_t slot, uint16_t count, int32_t next) {
  std::string& s = slots_.at(static_cast<size_t>(slot) - 1);
  PutLe16(s, s.size() - 6, count);
  PutLe32(s, s.size() - 4, next);
}

void DataFileBuilder::Poke(int32_t slot, size_t offset, std::string_view bytes) {
  std::string& s = slots_.at(static_cast<size_t>(slot) - 1);
  ASSERT_LE(offset + bytes.size(), s.size());
  std::copy(bytes.begin(), bytes.end(), s.begin() + static_cast<ptrdiff_t>(offset));
}

void DataFileBuilder::SetLink(int32_t slot, int32_t link) {
  PutLe32(slots_.at(static_cast<size_t>(slot) - 1), 0, link);
}

void DataFileBuilder::SetHead(int32_t slot, std::string_view bytes, int32_t next) {
  ASSERT_LE(bytes.size(), static_cast<size_t>(record_length_ - 6));
  Poke(slot, 0, bytes);
  SetTrailer(slot, static_cast<uint16_t>(bytes.size()), next);
}

void DataFileBuilder::SetContinuation(int32_t slot, std::string_view bytes, int32_t next) {
  ASSERT_LE(bytes.size(), static_cast<size_t>(record_length_ - 7));
  Poke(slot, 0, std::string(1, '\1'));
  Poke(slot, 1, bytes);
  SetTrailer(slot, static_cast<uint16_t>(bytes.size()), next);
}

int32_t DataFileBuilder::AddRecord(std::string_view bytes) {
  const size_t head_bytes = static_cast<size_t>(record_length_ - 6);
  const size_t piece_bytes = static_cast<size_t>(record_length_ - 7);
  std::vector<std::string_view> pieces;
  for (size_t at = head_bytes; at < bytes.size(); at += piece_bytes) {
    pieces.push_back(bytes.substr(at, piece_bytes));
  }
  int32_t next = 0;
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
    int32_t slot = NewSlot();
    SetContinuation(slot, *it, next);
    next = slot;
  }
  int32_t head = NewSlot();
  SetHead(head, bytes.substr(0, std::min(bytes.size(), head_bytes)), next);
  return head;
}

void DataFileBuilder::FreeSlots(const std::vector<int32_t>& chain) {
  for (size_t i = 0; i < chain.size(); ++i) {
    int32_t link = i + 1 < chain.size() ? chain[i + 1] : -1;
    PutLe32(slots_.at(static_cast<size_t>(chain[i]) - 1), 0, link);
  }
  free_chain_ = chain;
}

std::string DataFileBuilder::Bytes() const {
  std::string header(static_cast<size_t>(record_length_), '\0');
  PutLe32(header, 0, first_free.value_or(free_chain_.empty() ? -1 : free_chain_.front()));
  PutLe32(header, 4, free_count.value_or(static_cast<int32_t>(free_chain_.size())));
  PutLe32(header, 8, slot_count.value_or(slots()));
  PutLe32(header, 12, record_length_);
  PutLe32(header, 16, key_count);
  header[20] = static_cast<char>(in_use);
  std::string out = header;
  for (const std::string& slot : slots_) out += slot;
  return out;
}

int32_t FixtureKey::StretchBytes() const {
  int size = page_size == 0 ? 62 : page_size;
  return (key_len + 9) * size + 6;
}

std::string BuildIndexFile(const std::vector<FixtureKey>& keys) {
  int32_t rows = 0;
  int64_t row_bytes = 0;
  std::vector<int64_t> offsets;
  for (const FixtureKey& key : keys) {
    offsets.push_back(row_bytes);
    row_bytes += key.StretchBytes();
    if (!key.pages.empty()) rows = std::max(rows, key.pages.rbegin()->first);
    if (!key.free_pages.empty()) rows = std::max(rows, key.free_pages.rbegin()->first);
  }
  std::string out(static_cast<size_t>(row_bytes * (rows + 1)), '\0');
  for (size_t k = 0; k < keys.size(); ++k) {
    const FixtureKey& key = keys[k];
    const size_t base = static_cast<size_t>(offsets[k]);
    int32_t highest = 0;
    int32_t entries = 0;
    for (const auto& [number, page] : key.pages) {
      highest = std::max(highest, number);
      entries += static_cast<int32_t>(page.items.size());
    }
    for (const auto& entry : key.free_pages) highest = std::max(highest, entry.first);

    PutLe32(out, base + 0, key.first_free_page);
    PutLe32(out, base + 4, key.free_page_count);
    PutLe32(out, base + 8, key.page_count.value_or(highest));
    PutLe32(out, base + 12, key.page_bytes.value_or(key.StretchBytes()));
    PutLe32(out, base + 16, key.root_page);
    out[base + 20] = key.allow_duplicates ? 1 : 0;
    out[base + 21] = 0;
    PutLe32(out, base + 22, key.entry_count.value_or(entries));
    PutLe16(out, base + 26, key.page_size);

    const size_t item_bytes = static_cast<size_t>(key.key_len) + 9;
    for (const auto& [number, page] : key.pages) {
      size_t at = static_cast<size_t>(number) * static_cast<size_t>(row_bytes) + base;
      PutLe16(out, at, static_cast<uint16_t>(page.items.size()));
      PutLe32(out, at + 2, page.left_child);
      at += 6;
      for (const FixtureItem& item : page.items) {
        EXPECT_LE(item.key.size(), static_cast<size_t>(key.key_len)) << item.key;
        EXPECT_LE(at + item_bytes, static_cast<size_t>(number + 1) * row_bytes);
        PutLe32(out, at, item.ref);
        PutLe32(out, at + 4, item.right_child);
        out.at(at + 8) = static_cast<char>(item.key.size());
        for (size_t i = 0; i < item.key.size() && i < static_cast<size_t>(key.key_len); ++i) {
          out.at(at + 9 + i) = item.key[i];
        }
        at += item_bytes;
      }
    }
    for (const auto& [number, link] : key.free_pages) {
      PutLe32(out, static_cast<size_t>(number) * static_cast<size_t>(row_bytes) + base, link);
    }
  }
  return out;
}

std::vector<std::string> ReadDataFileRecords(const std::string& bytes, int record_length) {
  const size_t length = static_cast<size_t>(record_length);
  auto le = [&](size_t at, int width) {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return v;
  };
  std::vector<std::string> records;
  for (size_t head = 1; (head + 1) * length <= bytes.size(); ++head) {
    if (le(head * length, 4) != 0) continue;
    std::string record = bytes.substr(head * length, le(head * length + length - 6, 2));
    for (size_t next = le(head * length + length - 4, 4); next != 0;) {
      const size_t at = next * length;
      EXPECT_TRUE(at + length <= bytes.size() && bytes[at] == 1) << "continuation " << next;
      if (at + length > bytes.size() || bytes[at] != 1) break;
      record += bytes.substr(at + 1, le(at + length - 6, 2));
      next = le(at + length - 4, 4);
    }
    records.push_back(record);
  }
  return records;
}

void WriteFileblock(const std::string& base, const std::string& data,
                    const std::optional<std::string>& index) {
  WriteFile(base + ".DAT", data);
  if (index) WriteFile(base + ".IX", *index);
}

}  // namespace tessary::testing
