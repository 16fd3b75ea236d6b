// Quotation files in and out, and backup copies: import, export, backup,
// restore.
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <ostream>

#include "cli/cli_session.h"
#include "cli/cli_text.h"
#include "cli/command_table.h"
#include "exchange/backup.h"
#include "exchange/exporter.h"
#include "exchange/importer.h"
#include "isam/engine.h"
#include "platform/file.h"

namespace tessary::cli {
namespace {

constexpr size_t kReportEvery = 1000;

struct ImportArgs {
  std::string format;  // empty: by extension
  exchange::ImportOptions options;
  std::vector<std::string> files;
};

int ImportCommand(const SessionOptions& options, ImportArgs& args, std::ostream& out,
                  std::ostream& err) {
  CliSession cli(options, out, err);
  // Importing into a Fileblock that does not exist yet creates it.
  if (options.answer() != ui::ConsoleHost::Answer::kNo) {
    cli.host().PreAnswer("Data file does not exist. Create?", true);
  }
  if (!args.format.empty()) args.options.format = exchange::FormatFromName(args.format);
  if (!cli.Start(isam::kBulkPageBuffers)) return 1;
  database::Session& session = cli.session();
  exchange::Importer importer(session, args.options);
  size_t reported = 0;
  importer.progress = [&](const exchange::ImportProgress& at) {
    if (at.records_added >= reported + kReportEvery) {
      reported = at.records_added - at.records_added % kReportEvery;
      err << at.path << ": " << at.records_added << " records added so far\n";
    }
    return true;
  };
  exchange::ImportReport report = importer.Run(args.files);
  for (const exchange::FileOutcome& file : report.files) {
    out << Utf8(exchange::DescribeFile(file)) << "\n";
  }
  out << exchange::DescribeTotal(report, session.engine().UsedKeys(session.fileblock(), 1)) << "\n";
  return report.ok() ? 0 : 1;
}

struct ExportArgs {
  std::string db;
  std::string format;
  int key = 1;
  std::string out_file;
};

int ExportCommand(const ExportArgs& args, std::ostream& out, std::ostream& err) {
  isam::Engine engine;
  engine.InitEngine(isam::kBulkPageBuffers);
  isam::Fileblock* fileblock = engine.OpenFileblock(args.db, isam::Access::kReadOnly);
  if (!engine.EngineOk()) {
    PrintIsamError(err, "cannot open " + args.db, engine.EngineError());
    return 1;
  }
  std::string text;
  exchange::ExportResult result = exchange::ExportRecords(
      engine, fileblock, args.key, *exchange::FormatFromName(args.format), &text);
  engine.CloseFileblock(fileblock);
  if (!result.error.empty()) {
    err << "tessary-cli: " << result.error << "; nothing written\n";
    return 1;
  }
  if (args.out_file.empty()) {
    out << text;
    return 0;
  }
  if (int rc = platform::ReplaceFileAtomically(platform::PosixFileSystem(), args.out_file, text)) {
    err << "tessary-cli: cannot write " << args.out_file << ": " << std::strerror(rc) << "\n";
    return 1;
  }
  out << "exported " << result.records << " records";
  if (result.entries != result.records) out << " as " << result.entries << " entries";
  out << " to " << args.out_file << "\n";
  return 0;
}

int Outcome(const exchange::CopyOutcome& outcome, std::ostream& out, std::ostream& err) {
  if (!outcome.ok) {
    err << "tessary-cli: " << outcome.message << "\n";
    return 1;
  }
  out << outcome.message << "\n";
  return 0;
}

}  // namespace

void AddExchangeCommands(CommandTable& table) {
  auto session = std::make_shared<SessionOptions>();
  auto import = std::make_shared<ImportArgs>();
  CLI::App* import_command =
      table.Add("import", "Add the quotations of fortune, CSV or JSON-lines files",
                [session, import](std::ostream& out, std::ostream& err) {
                  return ImportCommand(*session, *import, out, err);
                });
  CommandTable::AddSessionOptions(import_command, *session);
  import_command
      ->add_option("--format", import->format,
                   "fortune, csv or json (default: by extension: .csv, .json, .jsonl; "
                   "fortune otherwise)")
      ->check(CLI::IsMember({"fortune", "csv", "json"}));
  import_command->add_option("--subject", import->options.subject,
                             "fortune files: subject of every quotation");
  import_command->add_option("--section", import->options.section, "section digit 1 to 9")
      ->check(CLI::IsMember({"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  import_command->add_flag("--allow-duplicates", import->options.allow_duplicates,
                           "add quotations the database holds already");
  import_command->add_option("FILE", import->files, "files, or directories of files")->required();

  auto export_args = std::make_shared<ExportArgs>();
  CLI::App* export_command = table.Add("export", "Write every record in the order of a key",
                                       [export_args](std::ostream& out, std::ostream& err) {
                                         return ExportCommand(*export_args, out, err);
                                       });
  export_command->add_option("--db", export_args->db, "Fileblock base name (without extension)")
      ->required();
  export_command->add_option("--format", export_args->format, "json, csv or fortune")
      ->required()
      ->check(CLI::IsMember({"json", "csv", "fortune"}));
  export_command->add_option("--key", export_args->key, "key number 1 to 6 (default 1)")
      ->check(CLI::Range(1, database::kKeyCount));
  export_command->add_option("--out", export_args->out_file,
                             "file to write (replaced whole); standard output when not given");

  struct CopyArgs {
    std::string db;
    std::string path;
  };
  auto backup_args = std::make_shared<CopyArgs>();
  CLI::App* backup =
      table.Add("backup", "Copy a cleanly closed Fileblock to DIR/Tes_Win-YYYYMMDD-HHMMSS",
                [backup_args](std::ostream& out, std::ostream& err) {
                  // A backup directory that does not exist yet is made.
                  std::error_code ec;
                  std::filesystem::create_directories(backup_args->path, ec);
                  if (ec) {
                    err << "tessary-cli: cannot make the directory " << backup_args->path << ": "
                        << ec.message() << "\n";
                    return 1;
                  }
                  return Outcome(exchange::BackUp(platform::PosixFileSystem(), backup_args->db,
                                                  backup_args->path, std::time(nullptr)),
                                 out, err);
                });
  backup->add_option("--db", backup_args->db, "Fileblock base name (without extension)")
      ->required();
  backup->add_option("--to", backup_args->path, "directory for the copy")->required();

  auto restore_args = std::make_shared<CopyArgs>();
  CLI::App* restore = table.Add(
      "restore", "Replace a Fileblock by a backup copy that checks",
      [restore_args](std::ostream& out, std::ostream& err) {
        return Outcome(
            exchange::Restore(platform::PosixFileSystem(), restore_args->db, restore_args->path),
            out, err);
      });
  restore->add_option("--db", restore_args->db, "Fileblock base name (without extension)")
      ->required();
  restore->add_option("--from", restore_args->path, "base name of the backup copy")->required();
}

}  // namespace tessary::cli
