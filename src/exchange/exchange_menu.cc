#include "exchange/exchange_menu.h"

#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "exchange/exporter.h"
#include "exchange/importer.h"
#include "exchange/session_backup.h"
#include "platform/codepage.h"
#include "platform/file.h"

namespace tessary::exchange {
namespace {

constexpr size_t kListedFiles = 12;

const QString kJsonFilter = "JSON lines (*.jsonl *.json)";
const QString kCsvFilter = "CSV (*.csv)";
const QString kFortuneFilter = "Fortune text (*)";

// File names are UTF-8; the host shows Windows-1252. Messages of the core
// start in lower case, as command-line output does; a box starts a sentence.
std::string Ansi(const std::string& utf8) {
  std::string text = platform::Utf8ToAnsi(utf8);
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
  return text;
}

}  // namespace

ExchangeMenu::ExchangeMenu(QWidget* window, database::Session& session, ui::Host& host,
                           std::string start_dir, std::function<bool()> reattach)
    : QObject(window),
      window_(window),
      session_(session),
      host_(host),
      start_dir_(std::move(start_dir)),
      reattach_(std::move(reattach)) {}

bool ExchangeMenu::Open() const { return session_.is_open(); }

std::string ExchangeMenu::ChooseFolder() {
  QString dir = QFileDialog::getExistingDirectory(window_, "Back Up Database",
                                                  QString::fromStdString(start_dir_));
  return dir.toStdString();
}

void ExchangeMenu::BackUpDatabase() {
  if (!Open()) return;
  std::string dir = ChooseFolder();
  if (dir.empty()) return;
  host_.SetBusy(true);
  CopyOutcome outcome = BackUpOpenDatabase(session_, dir, std::time(nullptr));
  host_.SetBusy(false);
  if (!Open()) return;  // the reopen failed and said why
  reattach_();
  if (outcome.ok) {
    host_.ShowInformation(Ansi(outcome.message));
  } else {
    host_.ShowWarning(Ansi(outcome.message));
  }
}

bool ExchangeMenu::BeforeRebuild() {
  if (!Open()) return true;
  std::string chosen;  // a backup closes and reopens the Fileblock under the list
  bool go_on = OfferBackupBeforeRebuild(
      session_, host_, [&] { return chosen = ChooseFolder(); }, std::time(nullptr));
  if (!chosen.empty() && Open()) reattach_();
  return go_on && Open();
}

void ExchangeMenu::ImportQuotations() {
  if (!Open()) return;
  QStringList files = QFileDialog::getOpenFileNames(
      window_, "Import Quotations", QString::fromStdString(start_dir_),
      "Quotation files (*);;" + kJsonFilter + ";;" + kCsvFilter);
  if (files.isEmpty()) return;
  std::vector<std::string> paths;
  for (const QString& file : files) paths.push_back(file.toStdString());

  QProgressDialog progress("Importing quotations...", "Stop", 0, static_cast<int>(paths.size()),
                           window_);
  progress.setWindowTitle("Import Quotations");
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  Importer importer(session_, ImportOptions{});
  importer.progress = [&](const ImportProgress& at) {
    progress.setMaximum(static_cast<int>(at.files));
    progress.setValue(static_cast<int>(at.file - 1));
    progress.setLabelText(
        QString("%1\n%2 records added").arg(QString::fromStdString(at.path)).arg(at.records_added));
    QApplication::processEvents();
    return !progress.wasCanceled();
  };
  ImportReport report = importer.Run(paths);
  progress.setValue(progress.maximum());
  reattach_();

  std::string text = ImportSummary(report, kListedFiles);
  if (report.ok()) {
    host_.ShowInformation(Ansi(text));
  } else {
    host_.ShowWarning(Ansi(text));
  }
}

void ExchangeMenu::ExportQuotations() {
  if (!Open()) return;
  QString filter = kJsonFilter;
  QString file = QFileDialog::getSaveFileName(
      window_, "Export Quotations", QString::fromStdString(start_dir_),
      kJsonFilter + ";;" + kCsvFilter + ";;" + kFortuneFilter, &filter);
  if (file.isEmpty()) return;
  FileFormat format = filter == kCsvFilter       ? FileFormat::kCsv
                      : filter == kFortuneFilter ? FileFormat::kFortune
                                                 : FileFormat::kJson;
  if (format == FileFormat::kJson && !file.contains('.')) file += ".jsonl";
  if (format == FileFormat::kCsv && !file.contains('.')) file += ".csv";

  const int key = database::ValidKey(session_.current_key());
  host_.SetBusy(true);
  std::string text;
  ExportResult result = ExportRecords(session_.engine(), session_.fileblock(), key, format, &text);
  int rc = result.error.empty() ? platform::ReplaceFileAtomically(session_.engine().file_system(),
                                                                  file.toStdString(), text)
                                : 0;
  host_.SetBusy(false);
  reattach_();  // the export moved the key's position under the list
  if (!result.error.empty()) {
    host_.ShowWarning(Ansi("The export failed: " + result.error));
  } else if (rc != 0) {
    host_.ShowWarning(Ansi("Cannot write " + file.toStdString() + ": " + std::strerror(rc)));
  } else {
    host_.ShowInformation(Ansi("Exported " + std::to_string(result.records) + " records to " +
                               file.toStdString() + "."));
  }
}

}  // namespace tessary::exchange
