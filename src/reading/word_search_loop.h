// The reading window's word search: steps forward through the current key
// from the shown record, wrapping, until a record's text matches, the whole
// key has been read once, or the user cancels from the status window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "database/quotation_record.h"
#include "database/session.h"
#include "ui/host.h"

namespace tessary::reading {

inline constexpr char kNoMatchMessage[] =
    "No records matching your search criteria have been found.  Target was:  ";
inline constexpr char kNoFurtherMatchMessage[] =
    "No additional records matching your search criteria have been found.  Target was:  ";
inline constexpr int kWordSearchUpdateEvery = 51;

// What the word search dialog hands over.
struct WordTarget {
  std::string text;  // already trimmed, cut and (without case sensitivity) upper-cased
  bool case_sensitive = false;
  bool whole_words = false;
};

// The word matching rules; true when the record's text holds the target.
using WordMatcher = std::function<bool(const database::QuotationRecord&, const WordTarget&)>;

// The status window shown while the search runs: three lines and a Cancel
// button.
class WordSearchStatus {
 public:
  virtual ~WordSearchStatus() = default;
  virtual void Open(std::string_view first_line) = 0;
  virtual void Update(std::string_view line1, std::string_view line2, std::string_view line3) = 0;
  // Whether Cancel was pressed since Open.
  virtual bool Cancelled() = 0;
  virtual void Close() = 0;
};

enum class WordSearchEnd { kMatch, kFullCycle, kCancelled, kFailed };

struct WordSearchResult {
  WordSearchEnd end = WordSearchEnd::kFailed;
  int32_t ref = 0;  // of the last record read, which is in the session's current record
  int records_read = 0;
};

// Runs the search from the entry of `from` at `ref` in `key` (1 when outside
// 1 to 6). After every 51 records the status window shows the count and
// pending input is handled, so Cancel can stop it. When the whole key was read
// without a match (or the only match was the start) the user is told with
// kNoMatchMessage, or kNoFurtherMatchMessage for `again`, and the target.
WordSearchResult RunWordSearch(database::Session& session, int key, int32_t ref,
                               const database::QuotationRecord& from, const WordTarget& target,
                               const WordMatcher& matches, WordSearchStatus& status, bool again);

// A status window made of the host's progress window.
class HostWordSearchStatus : public WordSearchStatus {
 public:
  explicit HostWordSearchStatus(ui::Host& host) : host_(host) {}
  void Open(std::string_view first_line) override;
  void Update(std::string_view line1, std::string_view line2, std::string_view line3) override;
  bool Cancelled() override { return host_.ProgressAbandoned(); }
  void Close() override { host_.CloseProgress(); }

 private:
  ui::Host& host_;
};

}  // namespace tessary::reading
