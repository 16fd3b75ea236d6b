// Backup copies taken by the desktop program, which holds its Fileblock open:
// the Fileblock is closed for the copy, so that every page is written and the
// in-use byte cleared, and opened again right after.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "database/session.h"
#include "exchange/backup.h"
#include "ui/host.h"

namespace tessary::exchange {

inline constexpr char kBackupBeforeRebuild[] =
    "Make a backup copy of the database before the rebuild?";

// Closes the session's Fileblock, copies it into `dir` (BackUp) and opens it
// again as the program does (OpenDatabase, which reports its own failures;
// session.fileblock() is then null). The caller re-attaches its list.
CopyOutcome BackUpOpenDatabase(database::Session& session, const std::string& dir, std::time_t now);

// Asks kBackupBeforeRebuild; on Yes asks `choose_directory` for the folder
// (empty: the user cancelled) and makes the copy, showing the outcome. A
// failed backup asks whether to rebuild anyway. Returns whether the rebuild
// is to go on.
bool OfferBackupBeforeRebuild(database::Session& session, ui::Host& host,
                              const std::function<std::string()>& choose_directory,
                              std::time_t now);

}  // namespace tessary::exchange
