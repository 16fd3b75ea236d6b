#include "isam/verify.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

#include "isam/chain.h"
#include "isam/errors.h"
#include "isam/format.h"

namespace tessary::isam {
namespace {

using platform::File;

constexpr size_t kMaxFindings = 200;

enum SlotState : uint8_t { kUnseen, kFree, kHead, kContinuation, kClaimed };

class Verifier {
 public:
  Verifier(platform::FileSystem& fs, const VerifyOptions& options, VerifyReport& report)
      : fs_(fs), options_(options), report_(report) {}

  void Run(const std::string& path) {
    FileblockNames names;
    if (int rc = DeriveNames(path, &names)) {
      report_.open_error = rc;
      return;
    }
    if (int rc = fs_.Open(names.data, platform::OpenMode::kRead, &data_)) {
      report_.open_error = MapOsError(OsAction::kOpen, rc);
      return;
    }
    if (!CheckDataFile()) return;
    if (key_count_ > 0) {
      if (int rc = fs_.Open(names.index, platform::OpenMode::kRead, &index_)) {
        Finding("the index file cannot be opened: " +
                ErrorMessage(MapOsError(OsAction::kOpen, rc)));
        return;
      }
      CheckIndexFile();
    }
  }

 private:
  void Finding(const std::string& text) {
    if (report_.findings.size() < kMaxFindings) report_.findings.push_back(text);
    if (report_.findings.size() == kMaxFindings) {
      report_.findings.back() = "too many findings; the rest are not listed";
    }
  }

  bool ReadSlot(int32_t slot, std::vector<uint8_t>& buffer) {
    buffer.resize(static_cast<size_t>(record_length_));
    auto r = data_->ReadAt(SlotOffset(slot, record_length_), buffer.data(), buffer.size());
    return r.bytes == buffer.size();
  }

  bool CheckDataFile() {
    uint8_t bytes[kDataHeaderSize];
    if (data_->ReadAt(0, bytes, sizeof bytes).bytes != sizeof bytes) {
      report_.open_error = kErrRead;
      return false;
    }
    header_ = DecodeDataHeader(bytes);
    record_length_ = header_.record_length;
    key_count_ = header_.key_count & 0xFF;
    report_.slot_count = header_.slot_count;
    report_.free_slots = header_.free_count;
    if (record_length_ < kMinRecordLength) {
      Finding("data header: RecordLength " + std::to_string(record_length_) + " is below 21");
      return false;
    }
    if (key_count_ > kMaxKeys) {
      Finding("data header: KeyCount " + std::to_string(key_count_) + " is above 100");
      return false;
    }
    if (header_.in_use != 0)
      Finding("data header: InUse is set; the Fileblock was not closed cleanly");
    uint64_t size = 0;
    data_->Size(&size);
    uint64_t slots_in_file = size / static_cast<uint64_t>(record_length_);
    if (header_.slot_count < 0) {
      Finding("data header: SlotCount " + std::to_string(header_.slot_count) + " is negative");
      return false;
    }
    if (size % static_cast<uint64_t>(record_length_) != 0 ||
        slots_in_file != static_cast<uint64_t>(header_.slot_count) + 1) {
      Finding("data file: " + std::to_string(size) + " bytes, expected " +
              std::to_string((static_cast<uint64_t>(header_.slot_count) + 1) *
                             static_cast<uint64_t>(record_length_)) +
              " for SlotCount " + std::to_string(header_.slot_count));
    }
    // Slots the file does not hold are checked as far as it goes.
    slot_limit_ = static_cast<int32_t>(std::min<uint64_t>(
        static_cast<uint64_t>(header_.slot_count), slots_in_file > 0 ? slots_in_file - 1 : 0));
    state_.assign(static_cast<size_t>(slot_limit_) + 1, kUnseen);
    CheckFreeChain();
    CheckRecords();
    return true;
  }

  void CheckFreeChain() {
    int32_t slot = header_.first_free;
    int32_t length = 0;
    std::vector<uint8_t> buffer;
    while (slot != -1) {
      if (slot < 1 || slot > slot_limit_) {
        Finding("free chain: link " + std::to_string(slot) + " is outside the slots 1.." +
                std::to_string(slot_limit_));
        break;
      }
      if (state_[slot] == kFree) {
        Finding("free chain: slot " + std::to_string(slot) + " is reached twice (a cycle)");
        break;
      }
      state_[slot] = kFree;
      ++length;
      if (!ReadSlot(slot, buffer)) break;
      slot = GetI32(buffer.data());  // the free link
      if (slot == 0) {
        Finding("free chain: a free slot holds the link 0");
        break;
      }
    }
    if (length != header_.free_count) {
      Finding("free chain: " + std::to_string(length) + " slots on the chain, FreeCount says " +
              std::to_string(header_.free_count));
    }
  }

  void CheckRecords() {
    std::vector<uint8_t> slot;
    for (int32_t s = 1; s <= slot_limit_; ++s) {
      if (state_[s] == kFree) continue;
      if (!ReadSlot(s, slot)) break;
      if (!SlotInUse(slot.data())) continue;  // continuation or stray; settled below
      if (state_[s] != kUnseen) {
        Finding("slot " + std::to_string(s) + " is both a record head and claimed elsewhere");
        continue;
      }
      state_[s] = kHead;
      ++report_.records;
      if (options_.variable_length) CheckChain(s, DecodeChainLink(slot.data(), record_length_));
    }
    for (int32_t s = 1; s <= slot_limit_; ++s) {
      if (state_[s] == kUnseen) {
        Finding("slot " + std::to_string(s) + " is neither free nor part of a record");
      }
    }
  }

  // The continuations of the record whose head is `head`: each claimed once,
  // marked, and full but for the last.
  void CheckChain(int32_t head, ChainLink link) {
    const std::string name = "record " + std::to_string(head) + ": ";
    if (link.count > HeadCapacity(record_length_)) {
      Finding(name + "the head claims " + std::to_string(link.count) + " bytes");
    } else if (link.next != 0 && link.count != HeadCapacity(record_length_)) {
      Finding(name + "a head with continuations is not full");
    }
    const int max_slots = MaxChainSlots(record_length_);
    const size_t capacity = ContinuationCapacity(record_length_);
    std::vector<uint8_t> slot;
    for (int chain = 2; link.next != 0; ++chain) {
      const int32_t next = link.next;
      if (chain > max_slots) {
        return Finding(name + "the chain exceeds " + std::to_string(max_slots) + " slots");
      }
      if (next < 1 || next > slot_limit_) {
        return Finding(name + "link " + std::to_string(next) + " is outside the slots");
      }
      if (state_[next] != kUnseen) {
        return Finding(
            name + "continuation slot " + std::to_string(next) +
            (state_[next] == kFree ? " is on the free chain" : " belongs to another record"));
      }
      if (!ReadSlot(next, slot)) return;
      if (slot[0] != kContinuationMark) {
        return Finding(name + "slot " + std::to_string(next) + " is not marked as a continuation");
      }
      state_[next] = kClaimed;
      link = DecodeChainLink(slot.data(), record_length_);
      if (link.count > capacity || (link.next != 0 && link.count != capacity)) {
        Finding(name + "continuation slot " + std::to_string(next) + " holds " +
                std::to_string(link.count) + " bytes");
      }
    }
  }

  struct KeyInfo {
    KeyHeader header;
    int key_len = 0;
    int page_size = 0;
    int64_t offset = 0;
  };

  void CheckIndexFile() {
    std::vector<KeyInfo> keys(static_cast<size_t>(key_count_) + 1);
    int64_t offset = 0;
    for (int k = 1; k <= key_count_; ++k) {
      uint8_t bytes[kKeyHeaderSize];
      if (index_->ReadAt(static_cast<uint64_t>(offset), bytes, sizeof bytes).bytes !=
          sizeof bytes) {
        Finding("key " + std::to_string(k) + ": the header cannot be read");
        return;
      }
      KeyInfo& info = keys[k];
      info.header = DecodeKeyHeader(bytes);
      info.offset = offset;
      if (int rc = DeriveKeyLen(info.header, &info.key_len, &info.page_size)) {
        Finding("key " + std::to_string(k) + ": header geometry fails with " + std::to_string(rc) +
                " (" + ErrorMessage(rc) + ")");
        return;
      }
      offset += info.header.page_bytes;
    }
    row_bytes_ = offset;
    report_.entries.assign(static_cast<size_t>(key_count_), 0);
    for (int k = 1; k <= key_count_; ++k) CheckKey(k, keys[k]);
  }

  std::optional<Page> ReadPage(const KeyInfo& info, int32_t page_no) {
    std::vector<uint8_t> bytes(static_cast<size_t>(info.header.page_bytes));
    const uint64_t at = PageOffset(page_no, row_bytes_, info.offset);
    if (index_->ReadAt(at, bytes.data(), bytes.size()).bytes != bytes.size()) return std::nullopt;
    Page page;
    if (DecodePage(bytes.data(), bytes.size(), info.key_len, info.page_size, &page) != 0) {
      return std::nullopt;
    }
    return page;
  }

  struct Bound {
    std::string key;
    int32_t ref;
  };

  void CheckKey(int k, const KeyInfo& info) {
    key_ = k;
    info_ = &info;
    name_ = "key " + std::to_string(k) + ": ";
    const KeyHeader& h = info.header;
    if (h.page_count < 0) return Finding(name_ + "PageCount is negative");
    SetPageLimit();
    pages_.assign(static_cast<size_t>(page_limit_) + 1, kPageUnseen);
    leaf_depth_ = -1;
    entries_ = 0;
    heads_seen_.clear();
    if (h.root_page < 0 || h.root_page > h.page_count) {
      Finding(name_ + "RootPage " + std::to_string(h.root_page) + " is outside the pages");
    } else if (h.root_page != 0 && h.root_page <= page_limit_) {
      Walk(h.root_page, 0, nullptr, nullptr);
    }
    report_.entries[k - 1] = entries_;
    if (entries_ != h.entry_count) {
      Finding(name_ + std::to_string(entries_) + " entries in the tree, EntryCount says " +
              std::to_string(h.entry_count));
    }
    CheckFreePages();
    for (int32_t p = 1; p <= page_limit_; ++p) {
      if (pages_[p] == kPageUnseen) {
        Finding(name_ + "page " + std::to_string(p) + " is neither in the tree nor free");
      }
    }
    if (options_.key_builder && options_.variable_length) {
      int32_t missing = 0;
      for (int32_t s = 1; s <= slot_limit_; ++s) {
        if (state_[s] == kHead && !heads_seen_.count(s)) ++missing;
      }
      if (missing > 0) Finding(name_ + std::to_string(missing) + " records have no entry");
    }
  }

  // Pages the file does not hold are reported, never allocated for.
  void SetPageLimit() {
    const KeyHeader& h = info_->header;
    uint64_t index_size = 0;
    index_->Size(&index_size);
    const int64_t rows = row_bytes_ > 0 ? static_cast<int64_t>(index_size) / row_bytes_ : 0;
    page_limit_ = h.page_count;
    if (h.page_count >= rows) {
      Finding(name_ + "PageCount " + std::to_string(h.page_count) + " exceeds the " +
              std::to_string(rows > 0 ? rows - 1 : 0) + " page rows of the index file");
      page_limit_ = static_cast<int32_t>(std::max<int64_t>(rows - 1, 0));
    }
  }

  void CheckFreePages() {
    int32_t page = info_->header.first_free_page;
    int32_t length = 0;
    while (page != -1) {
      const std::string at = "page " + std::to_string(page);
      if (page < 1 || page > page_limit_) {
        Finding(name_ + "free page link " + std::to_string(page) + " is outside the pages");
        break;
      }
      if (pages_[page] != kPageUnseen) {
        Finding(name_ + (pages_[page] == kPageFree ? "free " + at + " is reached twice (a cycle)"
                                                   : at + " is both free and in the tree"));
        break;
      }
      pages_[page] = kPageFree;
      ++length;
      uint8_t link[kLinkSize];
      if (index_->ReadAt(PageOffset(page, row_bytes_, info_->offset), link, kLinkSize).bytes !=
          kLinkSize) {
        Finding(name_ + "free " + at + " cannot be read");
        break;
      }
      page = GetI32(link);
    }
    if (length != info_->header.free_page_count) {
      Finding(name_ + std::to_string(length) + " pages on the free chain, FreePageCount says " +
              std::to_string(info_->header.free_page_count));
    }
  }

  // Page `page_no` of the tree at `depth`, whose entries must lie between
  // `low` and `high` (none: unbounded), and the subtrees below it.
  void Walk(int32_t page_no, int depth, const Bound* low, const Bound* high) {
    std::optional<Page> page = EnterPage(page_no, depth);
    if (!page) return;
    CheckItems(*page, page_no, low, high);
    if (page->IsLeaf()) return CheckLeaf(*page, page_no, depth);
    for (int i = 0; i <= page->count; ++i) {
      Bound child_low;
      Bound child_high;
      const Bound* lo = low;
      const Bound* hi = high;
      if (i > 0) {
        child_low = {std::string(page->item(i).Key()), page->item(i).ref};
        lo = &child_low;
      }
      if (i < page->count) {
        child_high = {std::string(page->item(i + 1).Key()), page->item(i + 1).ref};
        hi = &child_high;
      }
      const int32_t child = ChildAt(*page, i);
      if (child == 0) {
        Finding(name_ + "inner page " + std::to_string(page_no) + " lacks a child");
        continue;
      }
      Walk(child, depth + 1, lo, hi);
    }
  }

  // The page, when it may be visited and can be read.
  std::optional<Page> EnterPage(int32_t page_no, int depth) {
    const std::string at = "page " + std::to_string(page_no);
    if (depth >= kMaxHeight) {
      Finding(name_ + "the tree is deeper than " + std::to_string(kMaxHeight) + " levels");
      return std::nullopt;
    }
    if (page_no < 1 || page_no > page_limit_) {
      Finding(name_ + "child " + at + " is outside the pages");
      return std::nullopt;
    }
    if (pages_[page_no] != kPageUnseen) {
      Finding(name_ + at + " is reached twice");
      return std::nullopt;
    }
    pages_[page_no] = kPageInTree;
    std::optional<Page> page = ReadPage(*info_, page_no);
    if (!page) {
      Finding(name_ + at + " cannot be read or decoded");
      return std::nullopt;
    }
    const int min = depth == 0 ? 1 : info_->page_size / 2;
    if (page->count < min || page->count > info_->page_size) {
      Finding(name_ + at + " holds " + std::to_string(page->count) + " items");
    }
    entries_ += page->count;
    return page;
  }

  void CheckItems(const Page& page, int32_t page_no, const Bound* low, const Bound* high) {
    const bool dups = info_->header.allow_duplicates != 0;
    Bound previous;
    const Bound* lower = low;
    for (int i = 1; i <= page.count; ++i) {
      const Item& item = page.item(i);
      const std::string at = "page " + std::to_string(page_no) + " item " + std::to_string(i);
      if (lower && CompareEntries(lower->key, lower->ref, item.Key(), item.ref, dups) >= 0) {
        Finding(name_ + at + " is out of order");
      }
      if (high && CompareEntries(item.Key(), item.ref, high->key, high->ref, dups) >= 0) {
        Finding(name_ + at + " is above its parent's bound");
      }
      CheckEntry(key_, item, name_);
      previous = {std::string(item.Key()), item.ref};
      lower = &previous;
    }
  }

  void CheckLeaf(const Page& page, int32_t page_no, int depth) {
    const std::string at = "leaf page " + std::to_string(page_no);
    for (int i = 1; i <= page.count; ++i) {
      if (page.item(i).right_child != 0) {
        Finding(name_ + at + " has a child link");
        break;
      }
    }
    if (leaf_depth_ == -1) leaf_depth_ = depth;
    if (leaf_depth_ != depth) {
      Finding(name_ + at + " lies at depth " + std::to_string(depth) + ", others at " +
              std::to_string(leaf_depth_));
    }
  }

  void CheckEntry(int k, const Item& item, const std::string& name) {
    int32_t ref = item.ref;
    if (ref < 1 || ref > slot_limit_ || state_[ref] != kHead) {
      Finding(name + "entry '" + std::string(item.Key()) + "' names slot " + std::to_string(ref) +
              ", which is no record");
      return;
    }
    if (!options_.key_builder) return;
    if (!heads_seen_.insert(ref).second) {
      Finding(name + "record " + std::to_string(ref) + " has more than one entry");
    }
    std::string record = ReadRecord(ref);
    std::string expected = options_.key_builder(record, k);
    if (expected.size() > 30) expected.resize(30);
    if (expected != item.Key()) {
      Finding(name + "record " + std::to_string(ref) + " has the entry '" +
              std::string(item.Key()) + "' but its key is '" + expected + "'");
    }
  }

  // The record at `ref` for the key builder, as the engine reads it; as far
  // as it goes when its chain is damaged (which is a finding of its own).
  std::string ReadRecord(int32_t ref) {
    std::vector<uint8_t> head;
    if (!ReadSlot(ref, head)) return std::string();
    if (!options_.variable_length) return std::string(head.begin(), head.end());
    std::vector<uint8_t> slot;
    auto fetch = [&](int32_t s) { return ReadSlot(s, slot) ? slot.data() : nullptr; };
    std::string record(MaxChainBytes(record_length_), '\0');
    size_t length = 0;
    ReadChain(record_length_, ref, head.data(), slot_limit_, fetch,
              reinterpret_cast<uint8_t*>(record.data()), record.size(), &length);
    record.resize(length);
    return record;
  }

  platform::FileSystem& fs_;
  const VerifyOptions& options_;
  VerifyReport& report_;
  std::unique_ptr<File> data_;
  std::unique_ptr<File> index_;
  DataHeader header_;
  int32_t record_length_ = 0;
  int key_count_ = 0;
  int32_t slot_limit_ = 0;
  int64_t row_bytes_ = 0;
  int32_t page_limit_ = 0;
  std::vector<uint8_t> state_;
  enum PageState : uint8_t { kPageUnseen, kPageInTree, kPageFree };
  std::vector<uint8_t> pages_;
  // The key being checked.
  int key_ = 0;
  const KeyInfo* info_ = nullptr;
  std::string name_;
  int leaf_depth_ = -1;
  int32_t entries_ = 0;
  std::set<int32_t> heads_seen_;
};

}  // namespace

VerifyReport Verify(platform::FileSystem& fs, const std::string& path,
                    const VerifyOptions& options) {
  VerifyReport report;
  Verifier(fs, options, report).Run(path);
  return report;
}

}  // namespace tessary::isam
