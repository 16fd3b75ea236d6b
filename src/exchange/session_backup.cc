#include "exchange/session_backup.h"

#include "platform/codepage.h"

namespace tessary::exchange {

CopyOutcome BackUpOpenDatabase(database::Session& session, const std::string& dir,
                               std::time_t now) {
  session.CloseFileblock();
  CopyOutcome outcome = BackUp(session.engine().file_system(), session.FileblockPath(), dir, now);
  session.OpenDatabase();
  return outcome;
}

bool OfferBackupBeforeRebuild(database::Session& session, ui::Host& host,
                              const std::function<std::string()>& choose_directory,
                              std::time_t now) {
  if (!host.AskYesNo(kBackupBeforeRebuild)) return true;
  std::string dir = choose_directory();
  if (dir.empty()) return false;
  CopyOutcome outcome = BackUpOpenDatabase(session, dir, now);
  if (!session.is_open()) return false;
  // Messages are Windows-1252; paths come as UTF-8.
  std::string message = platform::Utf8ToAnsi(outcome.message);
  if (outcome.ok) {
    host.ShowInformation(message);
    return true;
  }
  return host.AskYesNo("The backup copy was not made: " + message + "\n\nRebuild anyway?",
                       ui::MessageKind::kQuestion);
}

}  // namespace tessary::exchange
