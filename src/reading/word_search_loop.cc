#include "reading/word_search_loop.h"

#include "reading/stepping.h"

namespace tessary::reading {

WordSearchResult RunWordSearch(database::Session& session, int key, int32_t ref,
                               const database::QuotationRecord& from, const WordTarget& target,
                               const WordMatcher& matches, WordSearchStatus& status, bool again) {
  ui::Host& host = session.host();
  const int32_t total = session.engine().UsedKeys(session.fileblock(), 1);
  key = database::ValidKey(key);
  const std::string caption = database::SortKeyCaption(key);
  const std::string first_line = "Searching for:  " + target.text;

  host.SetBusy(true);
  status.Open(first_line);
  WordSearchResult result;
  result.ref = ref;
  PositionOnEntry(session, key, ref, from, true);
  std::string text = database::BuildKey(from, key);
  int counter = 1;
  while (true) {
    if (!session.StepAndRead(key, result.ref, text, true)) {
      result.end = WordSearchEnd::kFailed;
      break;
    }
    const bool matched = matches(session.current_record, target);
    ++counter;
    if (counter > total) {
      result.end = WordSearchEnd::kFullCycle;
      break;
    }
    if (matched) {
      result.end = WordSearchEnd::kMatch;
      break;
    }
    if ((counter - 1) % kWordSearchUpdateEvery == 0) {
      status.Update(first_line, caption,
                    "Number of records read: " + std::to_string(counter) + "  Selected:  0");
      host.ProcessPendingInput();
      if (status.Cancelled()) {
        result.end = WordSearchEnd::kCancelled;
        break;
      }
    }
  }
  result.records_read = counter - 1;
  status.Close();
  host.SetBusy(false);
  if (result.end == WordSearchEnd::kFullCycle) {
    host.ShowInformation((again ? kNoFurtherMatchMessage : kNoMatchMessage) + target.text);
  }
  return result;
}

void HostWordSearchStatus::Open(std::string_view first_line) {
  host_.OpenProgress("Word Search Status", "", "");
  host_.SetProgressLine(0, first_line);
}

void HostWordSearchStatus::Update(std::string_view line1, std::string_view line2,
                                  std::string_view line3) {
  host_.SetProgressLine(0, line1);
  host_.SetProgressLine(1, line2);
  host_.SetProgressLine(2, line3);
}

}  // namespace tessary::reading
