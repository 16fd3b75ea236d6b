// A database of generated quotations in a temporary directory, built through
// the session's AddRecord so every record has its six keys. The generated
// fields come from small vocabularies, so keys 2 to 6 hold many duplicates;
// every tenth record has a fifth line and is stored whole (two slots).
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "database/quotation_record.h"
#include "database/session.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::testing {

// Quotation `number` (1-based) of the generated database; always the same for
// the same number. Record_Number holds the plain digits of `number`.
database::QuotationRecord GeneratedQuotation(int number);

// One entry of a key: its text and the head slot it points at.
struct KeyEntry {
  std::string key;
  int32_t ref = 0;
  bool operator==(const KeyEntry&) const = default;
};
std::ostream& operator<<(std::ostream& out, const KeyEntry& e);

// Every entry of `key` in the engine's order, read through the engine apart
// from the code under test; the walk must end at the end of the key.
std::vector<KeyEntry> WalkKey(database::Session& session, int key);
// The record at `ref`, read directly from the engine.
database::QuotationRecord ReadRecord(database::Session& session, int32_t ref);

class QuotationFixture {
 public:
  // Creates the Fileblock and adds quotations 1 to `count` in that order;
  // a failure fails the calling test.
  explicit QuotationFixture(int count);
  ~QuotationFixture();
  QuotationFixture(const QuotationFixture&) = delete;
  QuotationFixture& operator=(const QuotationFixture&) = delete;

  database::Session& session() { return *session_; }
  isam::Engine& engine() { return session_->engine(); }
  isam::Fileblock* fileblock() { return session_->fileblock(); }
  ScriptedHost& host() { return host_; }
  const TempDir& dir() const { return dir_; }

  int count() const { return static_cast<int>(refs_.size()); }
  // The head slot of quotation `number` (1 to count()).
  int32_t ref(int number) const { return refs_[static_cast<size_t>(number - 1)]; }

 private:
  TempDir dir_;
  ScriptedHost host_;
  std::unique_ptr<database::Session> session_;
  std::vector<int32_t> refs_;
};

}  // namespace tessary::testing
