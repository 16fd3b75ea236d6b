#include "cli/cli_session.h"

#include <ostream>

#include "cli/cli_text.h"
#include "platform/file.h"
#include "platform/text.h"

namespace tessary::cli {

using database::QuotationRecord;
using database::Session;

CliSession::CliSession(const SessionOptions& options, std::ostream& out, std::ostream& err)
    : host_(out, err, options.answer()), session_(host_, platform::PosixFileSystem()) {
  const std::string& db = options.db;
  size_t slash = db.find_last_of('/');
  session_.directory = platform::DirectoryOf(db);
  session_.base_name = slash == std::string::npos ? db : db.substr(slash + 1);
}

CliSession::~CliSession() {
  if (started_) session_.CloseDatabase();
}

bool CliSession::Start() {
  started_ = session_.StartDatabase();
  if (!started_ && session_.engine.Initialised()) session_.CloseDatabase();
  return started_;
}

bool FindRecordNumber(Session& session, const std::string& number, int32_t* ref,
                      std::ostream& err) {
  std::string trimmed = platform::Trim(number);
  bool digits = !trimmed.empty() && trimmed.size() <= 6 &&
                trimmed.find_first_not_of("0123456789") == std::string::npos;
  if (!digits) {
    err << "tessary-cli: '" << number << "' is no record number (0 to 999999)\n";
    return false;
  }
  std::string key = platform::LeftPad(trimmed, 6);
  int32_t found = 0;
  std::string text = key;
  session.engine.SearchKey(session.fileblock, 1, found, text);
  if (!session.engine.EngineOk() || text != key) {
    err << "tessary-cli: no record number " << trimmed << "\n";
    return false;
  }
  QuotationRecord record = database::EmptyRecord();
  size_t length = sizeof record;
  session.engine.GetVarRecord(session.fileblock, found, &record, length);
  if (!session.engine.EngineOk()) {
    PrintIsamError(err, "record number " + trimmed + " cannot be read",
                   session.engine.EngineError());
    return false;
  }
  session.current_record = record;
  session.current_ref = found;
  *ref = found;
  return true;
}

}  // namespace tessary::cli
