#include "cli/cli_session.h"

#include <algorithm>
#include <ostream>

#include "cli/cli_text.h"
#include "platform/file.h"
#include "platform/text.h"

namespace tessary::cli {

using database::QuotationRecord;
using database::Session;
using isam::ErrorClassOf;

CliSession::CliSession(const SessionOptions& options, std::ostream& out, std::ostream& err)
    : host_(out, err, options.answer()), session_(host_, platform::PosixFileSystem()) {
  const std::string& db = options.db;
  size_t slash = db.find_last_of('/');
  session_.set_directory(platform::DirectoryOf(db));
  session_.set_base_name(slash == std::string::npos ? db : db.substr(slash + 1));
}

CliSession::~CliSession() {
  if (started_) session_.CloseDatabase();
}

bool CliSession::Start(int page_buffers) {
  started_ = session_.StartDatabase(page_buffers);
  if (!started_ && session_.engine().Initialised()) session_.CloseDatabase();
  return started_;
}

bool ParseRecordNumber(const std::string& text, int32_t* number) {
  std::string digits = platform::Trim(text);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() > 6) return false;
  *number = std::stoi(digits);
  return true;
}

bool FindRecordNumber(Session& session, const std::string& number, int32_t* ref,
                      std::ostream& err) {
  int32_t value = 0;
  if (!ParseRecordNumber(number, &value)) {
    err << "tessary-cli: '" << number << "' is no record number (0 to 999999)\n";
    return false;
  }
  const std::string key = platform::LeftPad(std::to_string(value), 6);
  int32_t found = 0;
  std::string text = key;
  session.engine().SearchKey(session.fileblock(), 1, found, text);
  if (!session.engine().EngineOk() || text != key) {
    const int error = session.engine().EngineError();
    if (ErrorClassOf(error) > isam::ErrorClass::kExpected) {
      PrintIsamError(err, "looking up record number " + std::to_string(value), error,
                     session.engine().OsError());
    } else {
      err << "tessary-cli: no record number " << value << "\n";
    }
    return false;
  }
  const std::optional<QuotationRecord> record = session.Read(found);
  if (!record) {
    PrintEngineError(err, "record number " + std::to_string(value) + " cannot be read",
                     session.engine());
    return false;
  }
  session.SetCurrent(*record, found);
  *ref = found;
  return true;
}

int WalkKey(Session& session, int key, std::ostream& err, const KeyVisitor& visit) {
  isam::Engine& engine = session.engine();
  engine.ClearKey(session.fileblock(), key);
  int32_t ref = 0;
  std::string text;
  while (true) {
    engine.NextKey(session.fileblock(), key, ref, text);
    if (!engine.EngineOk()) break;
    const std::optional<QuotationRecord> record = session.Read(ref);
    if (!record) {
      PrintEngineError(err, "record at slot " + std::to_string(ref) + " cannot be read", engine);
      return 1;
    }
    visit(ref, text, *record);
  }
  if (engine.EngineError() != isam::kErrNoLargerKey) {
    PrintEngineError(err, "walking key " + std::to_string(key), engine);
    return 1;
  }
  return 0;
}

bool FindRecordNumbers(Session& session, const std::vector<std::string>& numbers,
                       std::vector<FoundRecord>* found, std::ostream& err) {
  found->clear();
  bool all = true;
  for (const std::string& number : numbers) {
    int32_t ref = 0;
    if (!FindRecordNumber(session, number, &ref, err)) {
      all = false;
      continue;
    }
    bool named_before = std::any_of(found->begin(), found->end(),
                                    [ref](const FoundRecord& f) { return f.ref == ref; });
    if (named_before) continue;
    int32_t value = 0;
    ParseRecordNumber(number, &value);
    found->push_back({value, ref, session.current_record});
  }
  return all;
}

}  // namespace tessary::cli
