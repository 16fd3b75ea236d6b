#include "exchange/exporter.h"

#include <map>
#include <vector>

#include "database/session.h"
#include "isam/errors.h"
#include "platform/text.h"

namespace tessary::exchange {
namespace {

using database::QuotationRecord;

constexpr size_t kProgressEvery = 250;

using Stored = database::StoredRecord;

std::string EngineFailure(const std::string& what, const isam::Engine& engine) {
  return what + ": IsamError " + std::to_string(engine.EngineError()) + " -- " +
         isam::ErrorMessage(engine.EngineError());
}

int NumberOf(const QuotationRecord& record) {
  std::string digits = platform::Trim(database::FieldText(record.Record_Number));
  return digits.empty() ? -1 : std::stoi(digits);
}

// The fortune entries: each quotation with the records that continue it.
void WriteFortunes(const std::vector<Stored>& records, std::string* out, ExportResult& result) {
  std::map<int, size_t> by_number;
  for (size_t i = 0; i < records.size(); ++i) {
    by_number.emplace(NumberOf(records[i].record), i);  // the first of a number
  }
  auto continued_by = [&](const QuotationRecord& record) -> const Stored* {
    if (record.Multi_Page_Flag != 1 || NumberOf(record) < 0) return nullptr;
    auto next = by_number.find(NumberOf(record) + 1);
    return next == by_number.end() ? nullptr : &records[next->second];
  };
  std::vector<bool> in_chain(records.size(), false);
  for (const Stored& stored : records) {
    if (const Stored* next = continued_by(stored.record)) in_chain[next - records.data()] = true;
  }
  for (size_t i = 0; i < records.size(); ++i) {
    if (in_chain[i]) continue;
    std::vector<QuotationRecord> chain = {records[i].record};
    // Numbers rise along a chain, so it ends.
    for (const Stored* next = continued_by(records[i].record); next != nullptr;
         next = continued_by(next->record)) {
      chain.push_back(next->record);
    }
    *out += FortuneEntryText(chain);
    result.records += chain.size();
    ++result.entries;
  }
}

}  // namespace

ExportResult ExportRecords(isam::Engine& engine, isam::Fileblock* fileblock, int key,
                           FileFormat format, std::string* out,
                           const std::function<bool(size_t read, size_t total)>& progress) {
  ExportResult result;
  const size_t total = static_cast<size_t>(engine.UsedKeys(fileblock, key));
  std::vector<Stored> records;
  engine.ClearKey(fileblock, key);
  if (!engine.EngineOk()) {
    result.error = EngineFailure("key " + std::to_string(key), engine);
    return result;
  }
  int32_t ref = 0;
  std::string text;
  while (true) {
    engine.NextKey(fileblock, key, ref, text);
    if (!engine.EngineOk()) break;
    const std::optional<Stored> stored = database::ReadRecord(engine, fileblock, ref);
    if (!stored) {
      result.error = EngineFailure("the record at slot " + std::to_string(ref), engine);
      return result;
    }
    records.push_back(*stored);
    if (progress && records.size() % kProgressEvery == 0 && !progress(records.size(), total)) {
      result.error = "abandoned";
      return result;
    }
  }
  if (engine.EngineError() != isam::kErrNoLargerKey) {
    result.error = EngineFailure("walking key " + std::to_string(key), engine);
    return result;
  }
  switch (format) {
    case FileFormat::kJson:
      for (const Stored& stored : records) *out += JsonRecordLine(stored.record, stored.length);
      result.records = result.entries = records.size();
      break;
    case FileFormat::kCsv:
      *out += CsvHeaderLine();
      for (const Stored& stored : records) *out += CsvRecordLine(stored.record);
      result.records = result.entries = records.size();
      break;
    case FileFormat::kFortune:
      WriteFortunes(records, out, result);
      break;
  }
  return result;
}

}  // namespace tessary::exchange
