// The File menu's commands for quotation files and backup copies in the
// desktop program: "Back Up Database...", "Import Quotations..." and
// "Export Quotations...", and the backup offered before a rebuild. The work
// is done by the exchange core; this class asks for files and folders with
// the standard dialogs and shows progress.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "database/session.h"
#include "ui/host.h"

class QWidget;

namespace tessary::exchange {

class ExchangeMenu : public QObject {
  Q_OBJECT

 public:
  // `reattach` shows the list again after the database changed or was
  // reopened; it gives false when that failed.
  ExchangeMenu(QWidget* window, database::Session& session, ui::Host& host, std::string start_dir,
               std::function<bool()> reattach);

  void BackUpDatabase();
  void ImportQuotations();
  void ExportQuotations();
  // Before "Rebuild Data and Indexes": offers a backup; false when the
  // rebuild is not to go on.
  bool BeforeRebuild();

 private:
  std::string ChooseFolder();
  bool Open() const;

  QWidget* window_;
  database::Session& session_;
  ui::Host& host_;
  std::string start_dir_;
  std::function<bool()> reattach_;
};

}  // namespace tessary::exchange
