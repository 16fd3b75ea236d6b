// Long seeded runs of mixed record and key operations checked against an
// in-memory model: the entries of every key, each record's bytes and slots,
// the data file's free chain and every key's cursor. The Fileblock is closed
// and reopened along the way and verified after each phase.
//
// TESSARY_MODEL_SEED and TESSARY_MODEL_OPS choose the seed and the number of
// operations (default: a fixed seed and 200,000 operations).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "isam/verify.h"
#include "support/crash_fs.h"
#include "support/temp_dir.h"

namespace tessary::isam {
namespace {

constexpr int kKeys = 3;
// Key 1: duplicates, texts of 0..3 characters from 4; key 2: unique texts of
// 0..8 characters; key 3: duplicates, texts of 0..1 characters from 3, so it
// holds a few huge runs of equal texts ordered by ref.
const KeyDef kKeyDefs[kKeys] = {{3, true}, {8, false}, {1, true}};
const char* const kAlphabets[kKeys] = {"AaZ\xC4", "ABCDEFab", "Ab\xC4"};

using Entry = std::pair<std::string, int32_t>;

// The key texts sit at the front of the record, after the 4 zero bytes that
// mark a used slot: per key one length byte and the text.
std::string KeyTextOf(std::string_view record, int key) {
  size_t at = 4;
  for (int k = 1; k <= kKeys; ++k) {
    if (at >= record.size()) return {};
    size_t len = static_cast<uint8_t>(record[at]);
    if (k == key) return std::string(record.substr(at + 1, len));
    at += 1 + len;
  }
  return {};
}

struct Record {
  std::string bytes;
  std::array<std::string, kKeys> texts;
  std::vector<int32_t> slots;  // head, then the continuations in chain order
};

struct Cursor {
  bool valid = false;
  std::optional<Entry> pos;  // none: depth 0
  Entry vars;                // the caller's (text, ref) passed back in
};

// Where positioning on an entry leaves the cursor.
struct Positioned {
  bool exact;
  std::optional<Entry> at;  // the exact entry, else the greatest smaller one
};

uint64_t EnvOr(const char* name, uint64_t fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  return std::strtoull(v, nullptr, 10);
}

class ModelRun {
 public:
  ModelRun(uint64_t seed, const std::string& base) : rng_(seed), base_(base) {}
  ~ModelRun() {
    if (engine_.Initialised()) engine_.ExitEngine();
  }

  void Run(int64_t total_ops) {
    engine_.InitEngine(30);
    ASSERT_TRUE(engine_.EngineOk());
    const int kLengths[] = {64, 512, 40, 100};
    const int64_t per_round = 40000;
    for (int round = 0; op_ < total_ops; ++round) {
      record_length_ = kLengths[round % 4];
      SCOPED_TRACE("round " + std::to_string(round) + ", record length " +
                   std::to_string(record_length_));
      engine_.MakeFileblock(base_, record_length_, kKeys, kKeyDefs);
      ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError();
      // The previous round ended with every record deleted.
      free_.clear();
      slot_count_ = 0;
      ASSERT_NO_FATAL_FAILURE(Open());
      const int64_t budget = std::clamp<int64_t>(total_ops - op_, 100, per_round);
      const int64_t round_start = op_;
      // Grow to a few thousand records (deep trees), churn, then shrink to
      // nothing, which frees every page again.
      ASSERT_NO_FATAL_FAILURE(
          RunPhase("grow", budget * 3 / 10, {50, 5, 10, 10, 20, 5}, 4500, false));
      ASSERT_NO_FATAL_FAILURE(RunPhase("churn", round_start + budget * 7 / 10 - op_,
                                       {20, 20, 20, 15, 20, 5}, SIZE_MAX, false));
      ASSERT_NO_FATAL_FAILURE(
          RunPhase("shrink", budget * 3 / 10, {5, 45, 10, 10, 25, 5}, SIZE_MAX, true));
      what_ = "delete the rest";
      for (; !refs_.empty(); ++op_) ASSERT_NO_FATAL_FAILURE(DeleteRecord(refs_.back()));
      // Verify also finds every page free again.
      ASSERT_NO_FATAL_FAILURE(VerifyFiles("emptying"));
      ASSERT_NO_FATAL_FAILURE(Close());
    }
  }

 private:
  // ---- Random choices ----
  uint64_t Below(uint64_t n) { return n == 0 ? 0 : rng_() % n; }
  bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }
  std::string RandomText(int k, int max_len) {
    std::string alphabet = kAlphabets[k];
    size_t len = Below(static_cast<uint64_t>(max_len) + 1);
    std::string out;
    for (size_t i = 0; i < len; ++i) out += alphabet[Below(alphabet.size())];
    return out;
  }
  std::string NewText(int k) {
    if (kKeyDefs[k].allow_duplicates) return RandomText(k, kKeyDefs[k].key_len);
    for (;;) {
      std::string t = RandomText(k, kKeyDefs[k].key_len);
      if (!Position(k, t, 0, false).exact) return t;
    }
  }
  // A record of `slots` slots: its length lies in that slot count's range.
  std::string MakeBytes(const std::array<std::string, kKeys>& texts, int slots) {
    const size_t l = static_cast<size_t>(record_length_);
    std::string out(4, '\0');
    for (const auto& t : texts) {
      out += static_cast<char>(t.size());
      out += t;
    }
    size_t low = slots == 1 ? out.size() : (l - 6) + (static_cast<size_t>(slots) - 2) * (l - 7) + 1;
    size_t high = (l - 6) + (static_cast<size_t>(slots) - 1) * (l - 7);
    size_t n = std::max(out.size(), low + Below(high - low + 1));
    // Filler that differs between records and within one.
    uint64_t salt = rng_();
    for (size_t i = out.size(); i < n; ++i) out += static_cast<char>((salt >> (i % 57)) + i * 131);
    return out;
  }
  // Mostly short records; one in ten of 1 to 40 slots.
  int RandomSlotCount() {
    return Chance(90) ? 1 + static_cast<int>(Below(3)) : 1 + static_cast<int>(Below(40));
  }
  int32_t RandomRecordRef() { return refs_[Below(refs_.size())]; }

  // ---- Model ----
  int ChunksOf(size_t n) const {
    size_t l = static_cast<size_t>(record_length_);
    if (n <= l - 6) return 0;
    return static_cast<int>((n - (l - 6) + (l - 8)) / (l - 7));
  }
  int32_t AllocSlot() {
    if (free_.empty()) return ++slot_count_;
    int32_t s = free_.back();
    free_.pop_back();
    return s;
  }
  // Continuation slots for a record of n bytes, allocated last chunk first;
  // returned in chain order.
  std::vector<int32_t> AllocChain(size_t n) {
    std::vector<int32_t> chain(static_cast<size_t>(ChunksOf(n)));
    for (size_t i = chain.size(); i-- > 0;) chain[i] = AllocSlot();
    return chain;
  }
  bool Dup(int k) const { return kKeyDefs[k].allow_duplicates; }
  Positioned Position(int k, const std::string& text, int32_t ref, bool with_ref) const {
    const auto& s = keys_[k];
    auto it = s.lower_bound({text, with_ref ? ref : INT32_MIN});
    if (it != s.end() && it->first == text && (!with_ref || it->second == ref)) return {true, *it};
    return {false, it == s.begin() ? std::nullopt : std::optional(*std::prev(it))};
  }
  std::optional<Entry> First(int k) const {
    return keys_[k].empty() ? std::nullopt : std::optional(*keys_[k].begin());
  }
  std::optional<Entry> Last(int k) const {
    return keys_[k].empty() ? std::nullopt : std::optional(*keys_[k].rbegin());
  }
  std::optional<Entry> Succ(int k, const Entry& e) const {
    auto it = keys_[k].upper_bound(Dup(k) ? e : Entry{e.first, INT32_MAX});
    return it == keys_[k].end() ? std::nullopt : std::optional(*it);
  }
  std::optional<Entry> Pred(int k, const Entry& e) const {
    auto it = keys_[k].lower_bound(Dup(k) ? e : Entry{e.first, INT32_MIN});
    return it == keys_[k].begin() ? std::nullopt : std::optional(*std::prev(it));
  }
  void Invalidate(int k) { cursors_[k].valid = false; }

  // ---- Steps ----
  std::string At() const { return " at op " + std::to_string(op_) + " (" + what_ + ")"; }
  void Open() {
    fb_ = engine_.OpenFileblock(base_);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError() << At();
    for (Cursor& c : cursors_) c = {false, std::nullopt, c.vars};
  }
  void Close() {
    engine_.CloseFileblock(fb_);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError() << At();
    fb_ = nullptr;
  }
  void VerifyFiles(const std::string& phase) {
    ASSERT_NO_FATAL_FAILURE(Close());
    VerifyOptions options;
    options.key_builder = KeyTextOf;
    VerifyReport report = Verify(fs_, base_, options);
    ASSERT_TRUE(report.sound()) << "after " << phase << At() << ", open error " << report.open_error
                                << ::testing::PrintToString(report.findings);
    EXPECT_EQ(report.slot_count, slot_count_);
    EXPECT_EQ(report.free_slots, static_cast<int32_t>(free_.size()));
    EXPECT_EQ(report.records, static_cast<int32_t>(records_.size()));
    ASSERT_EQ(report.entries.size(), static_cast<size_t>(kKeys));
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(report.entries[k], static_cast<int32_t>(keys_[k].size())) << "key " << k + 1;
    }
    ASSERT_NO_FATAL_FAILURE(Open());
  }
  void CheckCounts() {
    ASSERT_EQ(engine_.UsedSlots(fb_), slot_count_ - static_cast<int32_t>(free_.size())) << At();
    ASSERT_EQ(engine_.FreeSlots(fb_), static_cast<int32_t>(free_.size())) << At();
    ASSERT_EQ(engine_.FileLength(fb_), slot_count_ + 1) << At();
    for (int k = 0; k < kKeys; ++k) {
      ASSERT_EQ(engine_.UsedKeys(fb_, k + 1), static_cast<int32_t>(keys_[k].size()))
          << "key " << k + 1 << At();
    }
  }
  void ChangeKey(bool add, int k, int32_t ref, const std::string& text) {
    add ? engine_.AddKey(fb_, k + 1, ref, text) : engine_.DeleteKey(fb_, k + 1, ref, text);
    ASSERT_TRUE(engine_.EngineOk()) << (add ? "AddKey " : "DeleteKey ") << k + 1 << " '" << text
                                    << "' " << ref << ": " << engine_.EngineError() << At();
    add ? (void)keys_[k].insert({text, ref}) : (void)keys_[k].erase({text, ref});
    Invalidate(k);
  }
  void AddRecord() {
    Record rec;
    for (int k = 0; k < kKeys; ++k) rec.texts[k] = NewText(k);
    rec.bytes = MakeBytes(rec.texts, RandomSlotCount());
    rec.slots = AllocChain(rec.bytes.size());
    rec.slots.insert(rec.slots.begin(), AllocSlot());
    int32_t ref = engine_.AddVarRecord(fb_, rec.bytes.data(), rec.bytes.size());
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError() << At();
    ASSERT_EQ(ref, rec.slots[0]) << At();
    for (int k = 0; k < kKeys; ++k) ASSERT_NO_FATAL_FAILURE(ChangeKey(true, k, ref, rec.texts[k]));
    records_[ref] = std::move(rec);
    refs_.push_back(ref);
  }
  void DeleteRandomRecord() { DeleteRecord(RandomRecordRef()); }
  void DeleteRecord(int32_t ref) {
    Record& rec = records_.at(ref);
    for (int k = 0; k < kKeys; ++k) ASSERT_NO_FATAL_FAILURE(ChangeKey(false, k, ref, rec.texts[k]));
    engine_.DeleteVarRecord(fb_, ref);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError() << At();
    for (int32_t s : rec.slots) free_.push_back(s);
    records_.erase(ref);
    *std::find(refs_.begin(), refs_.end(), ref) = refs_.back();
    refs_.pop_back();
  }
  void UpdateRecord() {
    int32_t ref = RandomRecordRef();
    Record& rec = records_.at(ref);
    std::array<std::string, kKeys> texts = rec.texts;
    for (int k = 0; k < kKeys; ++k) {
      if (Chance(30)) texts[k] = NewText(k);
    }
    std::string bytes = MakeBytes(texts, RandomSlotCount());
    // New continuations first, then the old ones go back to the free chain.
    std::vector<int32_t> chain = AllocChain(bytes.size());
    for (size_t i = 1; i < rec.slots.size(); ++i) free_.push_back(rec.slots[i]);
    engine_.PutVarRecord(fb_, ref, bytes.data(), bytes.size());
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError() << At();
    rec.slots.resize(1);
    rec.slots.insert(rec.slots.end(), chain.begin(), chain.end());
    rec.bytes = bytes;
    for (int k = 0; k < kKeys; ++k) {
      if (texts[k] == rec.texts[k]) continue;
      ASSERT_NO_FATAL_FAILURE(ChangeKey(false, k, ref, rec.texts[k]));
      ASSERT_NO_FATAL_FAILURE(ChangeKey(true, k, ref, texts[k]));
      rec.texts[k] = texts[k];
    }
  }
  // One record, or a run of records in slot order (which the engine reads
  // through a window that every write must drop).
  void ReadRecords() {
    auto it = records_.find(RandomRecordRef());
    for (int n = Chance(50) ? 1 : 8; n > 0 && it != records_.end(); --n, ++it) {
      ASSERT_NO_FATAL_FAILURE(ReadRecord(it->first));
    }
  }
  void ReadRecord(int32_t ref) {
    const std::string& want = records_.at(ref).bytes;
    size_t size = Chance(50) ? buffer_.size() : 1 + Below(want.size() + 5);
    size_t length = size;
    engine_.GetVarRecord(fb_, ref, buffer_.data(), length);
    ASSERT_TRUE(engine_.EngineOk()) << engine_.EngineError() << At();
    size_t expect = std::min(size, want.size());
    ASSERT_EQ(length, expect) << At();
    ASSERT_EQ(buffer_.compare(0, length, want, 0, expect), 0) << "record " << ref << At();
  }
  // Adds that must fail as duplicates and deletes of entries that do not exist;
  // each invalidates the key's cursor and changes nothing else.
  void RejectedKeyChanges() {
    int k = static_cast<int>(Below(kKeys));
    if (!refs_.empty() && Chance(50)) {
      const Record& rec = records_.at(RandomRecordRef());
      int32_t ref = rec.slots[0];
      if (!Dup(k)) ref = static_cast<int32_t>(1 + Below(static_cast<uint64_t>(slot_count_) + 5));
      engine_.AddKey(fb_, k + 1, ref, rec.texts[k]);
      ASSERT_EQ(engine_.EngineError(), kErrDuplicateKey) << At();
    } else {
      std::string text = RandomText(k, kKeyDefs[k].key_len);
      int32_t ref = static_cast<int32_t>(1 + Below(static_cast<uint64_t>(slot_count_) + 5));
      if (Dup(k) ? keys_[k].count({text, ref}) > 0 : Position(k, text, 0, false).exact) return;
      engine_.DeleteKey(fb_, k + 1, ref, text);
      ASSERT_EQ(engine_.EngineError(), kErrKeyToDeleteNotFound) << At();
    }
    Invalidate(k);
  }
  // Checks a search or step result; on success the cursor stands on `want`.
  void ExpectResult(int k, const std::optional<Entry>& want, int fail_error, int32_t ref,
                    const std::string& text) {
    Cursor& c = cursors_[k];
    if (want) {
      ASSERT_TRUE(engine_.EngineOk()) << "error " << engine_.EngineError() << ", want '"
                                      << want->first << "' " << want->second << At();
      ASSERT_EQ(text, want->first) << At();
      ASSERT_EQ(ref, want->second) << At();
      c.pos = want;
      c.vars = *want;
    } else {
      ASSERT_EQ(engine_.EngineError(), fail_error)
          << "got '" << text << "' " << ref << " instead" << At();
      c.pos.reset();
    }
    c.valid = true;
  }
  void ExpectStep(int k, bool forward) {
    Cursor& c = cursors_[k];
    std::optional<Entry> want;
    if (!c.pos) {
      want = forward ? First(k) : Last(k);
    } else if (c.valid) {
      want = forward ? Succ(k, *c.pos) : Pred(k, *c.pos);
    } else {
      // Re-established from the caller's entry; going back from a missing
      // one gives the greatest smaller entry itself.
      Positioned p = Position(k, c.vars.first, c.vars.second, Dup(k));
      want = forward ? (p.at ? Succ(k, *p.at) : First(k)) : (p.exact ? Pred(k, *p.at) : p.at);
    }
    int32_t ref = c.vars.second;
    std::string text = c.vars.first;
    forward ? engine_.NextKey(fb_, k + 1, ref, text) : engine_.PrevKey(fb_, k + 1, ref, text);
    ExpectResult(k, want, forward ? kErrNoLargerKey : kErrNoSmallerKey, ref, text);
  }
  void Navigate() {
    int k = static_cast<int>(Below(kKeys));
    Cursor& c = cursors_[k];
    // A text to look for: an entry's own, or a random one.
    Entry probe{RandomText(k, kKeyDefs[k].key_len),
                static_cast<int32_t>(Below(static_cast<uint64_t>(slot_count_) + 2))};
    if (!refs_.empty() && Chance(40)) {
      const Record& rec = records_.at(RandomRecordRef());
      probe.first = rec.texts[k];
      if (Chance(50)) probe.second = rec.slots[0];
    }
    if (Chance(3)) probe.first = "\xFF\xFF";
    const uint64_t kind = Below(8);
    Positioned p = Position(k, probe.first, kind == 5 ? 0 : probe.second, Dup(k));
    // The entry found, or else the next larger one.
    std::optional<Entry> at_or_after = p.exact ? p.at : (p.at ? Succ(k, *p.at) : First(k));
    std::string text = probe.first;
    int32_t ref = probe.second;
    if (kind == 0) {
      what_ = "ClearKey";
      engine_.ClearKey(fb_, k + 1);
      ASSERT_TRUE(engine_.EngineOk()) << At();
      c.valid = true;
      c.pos.reset();
    } else if (kind <= 4) {
      what_ = kind <= 2 ? "NextKey" : "PrevKey";
      for (int i = 1 + static_cast<int>(Below(6)); i > 0; --i) {
        ASSERT_NO_FATAL_FAILURE(ExpectStep(k, kind <= 2));
      }
    } else if (kind == 5) {
      what_ = "SearchKey";
      c.vars = probe;
      engine_.SearchKey(fb_, k + 1, ref, text);
      ASSERT_NO_FATAL_FAILURE(ExpectResult(k, at_or_after, kErrNoKeyNoLarger, ref, text));
    } else if (kind == 6) {
      int direction = static_cast<int>(Below(3)) - 1;
      bool or_last = direction == 1 && Chance(40);
      what_ = or_last ? "FindKeyAndRefOrLast" : "FindKeyAndRef " + std::to_string(direction);
      c.vars = probe;
      if (or_last) {
        engine_.FindKeyAndRefOrLast(fb_, k + 1, ref, text);
        std::optional<Entry> want = at_or_after ? at_or_after : Last(k);
        ASSERT_NO_FATAL_FAILURE(ExpectResult(k, want, kErrNoSmallerKey, ref, text));
        return;
      }
      engine_.FindKeyAndRef(fb_, k + 1, ref, text, direction);
      if (p.exact || direction != 0) {
        ASSERT_NO_FATAL_FAILURE(ExpectResult(k, direction > 0 || p.exact ? at_or_after : p.at,
                                             direction > 0 ? kErrNoLargerKey : kErrNoSmallerKey,
                                             ref, text));
      } else {
        // No exact match with direction 0: the cursor stays on the greatest
        // smaller entry and the caller's variables keep the probe.
        ASSERT_EQ(engine_.EngineError(), kErrNoMatchingKeyAndRef) << At();
        ASSERT_EQ(text, probe.first) << At();
        ASSERT_EQ(ref, probe.second) << At();
        c.pos = p.at;
        c.valid = true;
      }
    } else {
      what_ = "KeyExists";
      bool want = Dup(k) && probe.second != 0 ? keys_[k].count(probe) > 0
                                              : Position(k, probe.first, 0, false).exact;
      bool got = engine_.KeyExists(fb_, k + 1, probe.second, probe.first);
      ASSERT_TRUE(engine_.EngineOk()) << At();
      ASSERT_EQ(got, want) << "'" << probe.first << "' " << probe.second << At();
    }
  }
  // weights: add, delete, update, read, navigate, rejected key changes.
  void RunPhase(const std::string& name, int64_t ops, const std::array<int, 6>& weights,
                size_t stop_at_records, bool stop_when_empty) {
    int total = 0;
    for (int w : weights) total += w;
    for (int64_t end = op_ + ops; op_ < end; ++op_) {
      if (records_.size() >= stop_at_records) break;
      if (stop_when_empty && records_.empty()) break;
      if (op_ >= next_reopen_) {
        what_ = "reopen";
        ASSERT_NO_FATAL_FAILURE(Close());
        ASSERT_NO_FATAL_FAILURE(Open());
        next_reopen_ = op_ + 500 + static_cast<int64_t>(Below(4500));
      }
      int pick = static_cast<int>(Below(static_cast<uint64_t>(total)));
      int kind = 0;
      while (pick >= weights[kind]) pick -= weights[kind++];
      if (refs_.empty() && (kind == 1 || kind == 2 || kind == 3)) kind = 0;
      static const char* const kNames[] = {"add record",  "delete record", "update record",
                                           "read record", "navigate",      "rejected key change"};
      what_ = kNames[kind];
      switch (kind) {
        case 0:
          ASSERT_NO_FATAL_FAILURE(AddRecord());
          break;
        case 1:
          ASSERT_NO_FATAL_FAILURE(DeleteRandomRecord());
          break;
        case 2:
          ASSERT_NO_FATAL_FAILURE(UpdateRecord());
          break;
        case 3:
          ASSERT_NO_FATAL_FAILURE(ReadRecords());
          break;
        case 4:
          ASSERT_NO_FATAL_FAILURE(Navigate());
          break;
        default:
          ASSERT_NO_FATAL_FAILURE(RejectedKeyChanges());
          break;
      }
      if (op_ % 64 == 0) {
        ASSERT_NO_FATAL_FAILURE(CheckCounts());
      }
    }
    ASSERT_NO_FATAL_FAILURE(CheckCounts());
    ASSERT_NO_FATAL_FAILURE(VerifyFiles(name));
  }

  std::mt19937_64 rng_;
  std::string base_;
  // Durability is not under test here; syncs would make a long run wait on
  // the disk.
  testing::NoSyncFileSystem fs_{platform::PosixFileSystem()};
  Engine engine_{fs_};
  Fileblock* fb_ = nullptr;
  int record_length_ = 0;

  std::map<int32_t, Record> records_;
  std::vector<int32_t> refs_;
  std::array<std::set<Entry>, kKeys> keys_;
  std::vector<int32_t> free_;  // the free chain, head last
  int32_t slot_count_ = 0;
  std::array<Cursor, kKeys> cursors_;
  std::string buffer_ = std::string(kMaxVarRecord, '\0');

  int64_t op_ = 0;
  int64_t next_reopen_ = 0;
  std::string what_;
};

TEST(IsamModel, RandomOperationsMatchTheModel) {
  const uint64_t seed = EnvOr("TESSARY_MODEL_SEED", 20240611);
  const int64_t ops = static_cast<int64_t>(EnvOr("TESSARY_MODEL_OPS", 200000));
  SCOPED_TRACE("TESSARY_MODEL_SEED=" + std::to_string(seed) +
               " TESSARY_MODEL_OPS=" + std::to_string(ops));
  testing::TempDir dir;
  ModelRun run(seed, dir.File("model"));
  run.Run(ops);
}

}  // namespace
}  // namespace tessary::isam
