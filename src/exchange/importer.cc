#include "exchange/importer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <unordered_set>
#include <utility>

#include "exchange/record_fields.h"
#include "platform/file.h"
#include "platform/text.h"

namespace tessary::exchange {

using database::QuotationRecord;

namespace {

constexpr int kMaxRecordNumber = 999'999;
constexpr size_t kProgressEvery = 250;

// "1 record", "2 records".
std::string Count(size_t n, const std::string& word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The lines, the author and the source: what makes two fortune entries the
// same. (Two sources for one text are two entries, so that neither is lost.)
std::string TextKey(const QuotationRecord& record) {
  std::string key;
  for (int n = 1; n <= database::kLineCount; ++n) {
    key += database::FieldText(database::Line(record, n));
    key += '\x1F';
  }
  key += database::FieldText(record.Authors_Full_Name);
  key += '\x1F';
  key += database::FieldText(record.Authors_LName);
  key += '\x1F';
  key += database::FieldText(record.FirstName);
  key += '\x1F';
  key += database::FieldText(record.Book_Name);
  return key;
}

// Every field but Record_Number: what makes two records of a CSV or JSON
// file the same.
std::string RecordKey(const QuotationRecord& record) {
  std::string key;
  for (const std::string& name : RecordFieldNames()) {
    if (name == "Record_Number") continue;
    key += FieldValueByName(record, name);
    key += '\x1F';
  }
  return key;
}

std::string NumberKey(const QuotationRecord& record) {
  return platform::Trim(database::FieldText(record.Record_Number));
}

int NumberOf(const QuotationRecord& record) {
  std::string digits = NumberKey(record);
  return digits.empty() ? 0 : std::stoi(digits);
}

struct Source {
  std::string path;
  bool named = true;
  std::string problem;  // the file cannot be listed or read
};

// The files `paths` stand for: directories give their files in name order.
std::vector<Source> ListSources(const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  std::vector<Source> sources;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
      sources.push_back({path, true, ""});
      continue;
    }
    std::vector<std::string> found;
    for (const auto& item : fs::directory_iterator(path, ec)) {
      const std::string name = item.path().filename().string();
      std::error_code type_ec;
      if (name.starts_with('.') || !item.is_regular_file(type_ec)) continue;
      found.push_back(item.path().string());
    }
    if (ec) {
      sources.push_back({path, true, "cannot list the directory: " + ec.message()});
      continue;
    }
    std::sort(found.begin(), found.end());
    for (std::string& file : found) sources.push_back({std::move(file), false, ""});
  }
  return sources;
}

}  // namespace

// What the database holds, for the duplicate and number checks.
struct Importer::Known {
  std::unordered_set<std::string> text_keys;
  std::unordered_set<std::string> record_keys;  // every field but the number
  std::set<int> numbers;

  void Note(const QuotationRecord& record) {
    text_keys.insert(TextKey(record));
    record_keys.insert(RecordKey(record));
    numbers.insert(NumberOf(record));
  }
};

bool ImportReport::ok() const {
  if (add_failed || abandoned) return false;
  return std::none_of(files.begin(), files.end(),
                      [](const FileOutcome& f) { return f.named && !f.refused.empty(); });
}

Importer::Importer(database::Session& session, ImportOptions options)
    : session_(session), options_(std::move(options)), known_(std::make_shared<Known>()) {}

void Importer::LearnDatabase() {
  isam::Engine& engine = session_.engine();
  engine.ClearKey(session_.fileblock(), 1);
  int32_t ref = 0;
  std::string text;
  while (true) {
    engine.NextKey(session_.fileblock(), 1, ref, text);
    if (!engine.EngineOk()) break;
    if (std::optional<QuotationRecord> record = session_.Read(ref)) known_->Note(*record);
  }
  engine.ClearKey(session_.fileblock(), 1);
}

bool Importer::KeepGoing(const std::string& path) {
  at_.path = path;
  at_.records_added = report_.records_added;
  if (progress && !progress(at_)) {
    report_.abandoned = true;
    stop_ = true;
  }
  return !stop_;
}

bool Importer::Add(const QuotationRecord& record, FileOutcome& outcome) {
  session_.current_record = record;
  if (!session_.AddRecord()) {
    outcome.stopped = true;
    report_.add_failed = true;
    stop_ = true;
    return false;
  }
  known_->Note(record);
  session_.NoteRecordNumber(NumberOf(record));
  ++outcome.records_added;
  ++report_.records_added;
  if (report_.records_added % kProgressEvery == 0) KeepGoing(outcome.path);
  return !stop_;
}

void Importer::ImportFortuneFile(const std::string& path, const std::string& text,
                                 FileOutcome& outcome) {
  ImportContext context;
  context.file_name = BaseName(path);
  context.subject = options_.subject;
  context.section = options_.section;
  for (const FortuneEntry& entry : ParseFortunes(text)) {
    context.first_record_number = session_.highest_record_number() + 1;
    ImportResult result = EntryToRecords(entry, context);
    outcome.replaced += result.replaced;
    if (result.skipped != SkipReason::kNone) {
      outcome.skipped.push_back({entry.first_line, result.skipped});
      continue;
    }
    bool duplicate =
        !options_.allow_duplicates &&
        std::all_of(result.records.begin(), result.records.end(), [&](const QuotationRecord& r) {
          return known_->text_keys.contains(TextKey(r));
        });
    if (duplicate) {
      ++outcome.duplicates;
      continue;
    }
    for (const QuotationRecord& record : result.records) {
      if (!Add(record, outcome)) return;
    }
    ++outcome.quotations_added;
  }
}

void Importer::ImportRecordFile(FileFormat format, const std::string& text, FileOutcome& outcome) {
  RecordRows read = format == FileFormat::kCsv ? ReadCsvRecords(text) : ReadJsonRecords(text);
  if (!read.error.empty()) {
    outcome.refused = read.error + "; nothing added from the file";
    return;
  }
  // Quotations: a record and those its Multi_Page_Flag continues into.
  std::vector<std::vector<RecordRow>> quotations;
  bool continues = false;
  for (RecordRow& row : read.rows) {
    if (!continues) quotations.emplace_back();
    quotations.back().push_back(row);
    continues = row.record.Multi_Page_Flag == 1;
  }
  auto is_duplicate = [&](const RecordRow& row) {
    return known_->record_keys.contains(RecordKey(row.record));
  };
  std::vector<RecordRow> to_add;
  std::vector<size_t> quotation_ends;
  for (const auto& quotation : quotations) {
    if (!options_.allow_duplicates &&
        std::all_of(quotation.begin(), quotation.end(), is_duplicate)) {
      ++outcome.duplicates;
      continue;
    }
    to_add.insert(to_add.end(), quotation.begin(), quotation.end());
    quotation_ends.push_back(to_add.size());
  }

  // Numbers: kept when free and given once, else all numbered on.
  std::set<int> given;
  int highest = session_.highest_record_number();
  bool clash = false;
  for (RecordRow& row : to_add) {
    row.has_number = row.has_number && !NumberKey(row.record).empty();
    if (!row.has_number) continue;
    int number = NumberOf(row.record);
    highest = std::max(highest, number);
    if (!given.insert(number).second || known_->numbers.contains(number)) clash = true;
  }
  int number = clash ? session_.highest_record_number() : highest;
  for (RecordRow& row : to_add) {
    if (!clash && row.has_number) continue;
    if (++number > kMaxRecordNumber) {
      outcome.refused = "record numbers would go beyond 999,999; nothing added from the file";
      return;
    }
    database::SetField(row.record.Record_Number, std::to_string(number));
  }
  outcome.renumbered = clash;

  size_t quotation = 0;
  for (size_t r = 0; r < to_add.size(); ++r) {
    if (!Add(to_add[r].record, outcome)) return;
    if (r + 1 == quotation_ends[quotation]) {
      ++outcome.quotations_added;
      ++quotation;
    }
  }
}

void Importer::ImportFile(const std::string& path, const std::string& bytes, FileOutcome& outcome) {
  if (std::string why = WhyNotText(bytes); !why.empty()) {
    outcome.refused = why;
    return;
  }
  FileFormat format = options_.format.value_or(FormatOfPath(path));
  if (format == FileFormat::kFortune) {
    ImportFortuneFile(path, bytes, outcome);
  } else {
    ImportRecordFile(format, bytes, outcome);
  }
}

ImportReport Importer::Run(const std::vector<std::string>& paths) {
  report_ = ImportReport();
  stop_ = false;
  LearnDatabase();
  std::vector<Source> sources = ListSources(paths);
  std::map<std::pair<dev_t, ino_t>, std::string> seen;
  at_.files = sources.size();
  for (size_t n = 0; n < sources.size() && !stop_; ++n) {
    const Source& source = sources[n];
    at_.file = n + 1;
    if (!KeepGoing(source.path)) break;
    FileOutcome outcome;
    outcome.path = source.path;
    outcome.named = source.named;
    struct stat info;
    std::string bytes;
    if (!source.problem.empty()) {
      outcome.refused = source.problem;
    } else if (stat(source.path.c_str(), &info) != 0) {
      outcome.refused = std::string("cannot read it: ") + std::strerror(errno);
    } else if (auto [it, fresh] =
                   seen.emplace(std::make_pair(info.st_dev, info.st_ino), source.path);
               !fresh) {
      outcome.same_as = it->second;
    } else if (int rc = platform::ReadWholeFile(platform::PosixFileSystem(), source.path, &bytes)) {
      outcome.refused = std::string("cannot read it: ") + std::strerror(rc);
    } else {
      ImportFile(source.path, bytes, outcome);
    }
    if (!outcome.refused.empty()) ++report_.files_refused;
    report_.quotations_added += outcome.quotations_added;
    report_.duplicates += outcome.duplicates;
    report_.files.push_back(std::move(outcome));
  }
  return report_;
}

std::string DescribeFile(const FileOutcome& f) {
  if (!f.same_as.empty()) return f.path + ": the same file as " + f.same_as + "; read once";
  if (!f.refused.empty()) return f.path + (f.named ? ": refused: " : ": skipped: ") + f.refused;
  std::string line = f.path + ": added " + Count(f.quotations_added, "quotation") + " in " +
                     Count(f.records_added, "record");
  if (f.duplicates > 0) line += ", " + Count(f.duplicates, "duplicate") + " skipped";
  if (!f.skipped.empty()) {
    line += ", skipped " + std::to_string(f.skipped.size()) + " (" + SkipSummary(f.skipped) + ")";
  }
  if (f.replaced > 0) {
    line += ", " + Count(f.replaced, "character") + " without a Windows-1252 form stored as '?'";
  }
  if (f.renumbered) line += ", numbered on (its record numbers are in use)";
  if (f.stopped) line += "; stopped: a record could not be added";
  return line;
}

std::string DescribeTotal(const ImportReport& r, long in_database) {
  std::string line = "total: " + Count(r.records_added, "record") + " added (" +
                     Count(r.quotations_added, "quotation") + "), " +
                     Count(r.duplicates, "duplicate") + " skipped, " +
                     Count(r.files_refused, "file") + " refused or skipped; " +
                     std::to_string(in_database) + " in the database";
  if (r.add_failed) line += "; the import stopped when an add failed";
  if (r.abandoned) line += "; the import was abandoned";
  return line;
}

std::string ImportSummary(const ImportReport& r, size_t most_files) {
  std::string text = "Added " + Count(r.quotations_added, "quotation") + " in " +
                     Count(r.records_added, "record") + "; " + Count(r.duplicates, "duplicate") +
                     " skipped.";
  if (r.add_failed) text += "\nThe import stopped when a record could not be added.";
  if (r.abandoned) text += "\nThe import was stopped.";
  size_t listed = 0;
  for (const FileOutcome& file : r.files) {
    bool remarkable = !file.refused.empty() || file.stopped || !file.skipped.empty() ||
                      file.replaced > 0 || file.renumbered;
    if (!remarkable) continue;
    if (listed++ == most_files) {
      text += "\n...";
      break;
    }
    text += "\n" + DescribeFile(file);
  }
  return text;
}

}  // namespace tessary::exchange
