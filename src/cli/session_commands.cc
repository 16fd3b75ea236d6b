#include <algorithm>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/row_text.h"
#include "browser/row_browser.h"
#include "cli/cli_session.h"
#include "cli/cli_text.h"
#include "cli/command_table.h"
#include "database/session.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/text.h"
#include "reading/layout.h"
#include "reading/selected_file.h"
#include "search/list_filter.h"
#include "search/viewing_filters.h"

namespace tessary::cli {
namespace {

using database::QuotationRecord;
using database::Session;
using Json = nlohmann::ordered_json;

int CreateCommand(const SessionOptions& options, std::ostream& out, std::ostream& err) {
  CliSession cli(options, out, err);
  Session& session = cli.session();
  isam::FileblockNames names;
  isam::DeriveNames(session.FileblockPath(), &names);
  if (platform::PosixFileSystem().Exists(names.data)) {
    err << "tessary-cli: " << names.data << " exists already; not replaced\n";
    return 1;
  }
  session.engine().InitEngine(database::kPageBuffers);
  if (!session.CreateFileblock()) {
    PrintIsamError(err, "cannot create " + session.FileblockPath(), session.engine().EngineError(),
                   session.engine().OsError());
    return 1;
  }
  out << "created " << names.data << " and " << names.index << "\n";
  return 0;
}

// `filters` (when given) keeps only the records they accept.
int ListCommand(const SessionOptions& options, int key, const search::ViewingFilters* filters,
                std::ostream& out, std::ostream& err) {
  if (!database::IsKey(key)) {
    err << "tessary-cli: key " << key << " does not exist (keys 1 to 6)\n";
    return 1;
  }
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  Session& session = cli.session();
  return WalkKey(session, key, err,
                 [&](int32_t ref, const std::string& text, const QuotationRecord& record) {
                   if (filters != nullptr && !search::FilterAccepts(*filters, record)) return;
                   Json j;
                   j["ref"] = ref;
                   j["key"] = Utf8(text);
                   j["Record_Number"] = Utf8(database::FieldText(record.Record_Number));
                   j["Subject"] = Utf8(database::FieldText(record.Subject));
                   j["Authors_Full_Name"] = Utf8(database::FieldText(record.Authors_Full_Name));
                   j["Line1"] = Utf8(database::FieldText(record.Line1));
                   out << j.dump() << "\n";
                 });
}

int ListRowsCommand(const SessionOptions& options, int key, int rows, const std::string& from,
                    bool last, const search::ViewingFilters* filters, std::ostream& out,
                    std::ostream& err) {
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  Session& session = cli.session();
  browser::RowBrowser rows_browser(session.engine(), session.fileblock(), key,
                                   &session.current_record, sizeof session.current_record, "", "",
                                   rows, 1, true);
  rows_browser.BuildRow = [&](browser::RowRec& row) {
    return app::BuildRow(row, session.current_record, key);
  };
  // The main window's filter pass, when viewing filters are given.
  search::ViewingFilters viewing = filters != nullptr ? *filters : search::ViewingFilters{};
  search::WordSearch no_word_search;
  search::BrowserFilterList filter_list(rows_browser, session.engine(), session.current_record);
  const std::string caption;
  search::ListFilter filter(viewing, no_word_search, filter_list, caption);
  if (filters != nullptr) {
    search::AttachFilter(rows_browser, filter);
    rows_browser.SetFilterActive(true);
  }
  int rc;
  if (last) {
    rc = rows_browser.LastPage();
  } else if (from.empty()) {
    rc = rows_browser.FirstPage();
  } else {
    std::string text = platform::UpperAnsi(platform::Utf8ToAnsi(from));
    if (key == 1 && text.find_first_not_of("0123456789") == std::string::npos) {
      text = platform::LeftPad(text, 6);
    }
    rc = rows_browser.SetPosition(key, text, 0, 1);
  }
  if (rc > browser::kNoEntry) {
    PrintIsamError(err, "listing key " + std::to_string(key), rc);
    return 1;
  }
  for (int i = 1; i <= rows_browser.filled_rows(); ++i) {
    std::string text = rows_browser.row(i).elements[0];
    text.erase(text.find_last_not_of(' ') + 1);
    out << Utf8(text) << "\n";
  }
  return 0;
}

int DeleteCommand(const SessionOptions& options, const std::vector<std::string>& numbers,
                  std::ostream& out, std::ostream& err) {
  CliSession cli(options, out, err);
  // Naming the records on the command line confirms their deletion.
  if (options.answer() != ui::ConsoleHost::Answer::kNo) {
    cli.host().PreAnswer(" Are you sure you want to delete this record.?", true);
  }
  if (!cli.Start()) return 1;
  Session& session = cli.session();
  std::vector<FoundRecord> records;
  if (!FindRecordNumbers(session, numbers, &records, err)) {
    err << "tessary-cli: nothing deleted\n";
    return 1;
  }
  int failures = 0;
  for (const FoundRecord& found : records) {
    session.current_record = found.record;
    const database::DeleteOutcome outcome = session.DeleteRecord(found.record, found.ref);
    if (outcome == database::DeleteOutcome::kDeleted) {
      out << "deleted record " << found.number << "\n";
    } else {
      if (outcome == database::DeleteOutcome::kFailed)
        cli.host().ShowError("Error deleting record");
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}

int RebuildCommand(const SessionOptions& options, std::ostream& out, std::ostream& err) {
  CliSession cli(options, out, err);
  if (!cli.Start(isam::kBulkPageBuffers)) return 1;
  Session& session = cli.session();
  if (!session.RebuildDataAndIndexes()) return 1;
  out << "rebuilt: " << session.engine().UsedKeys(session.fileblock(), 1) << " records\n";
  return 0;
}

int ShowCommand(const SessionOptions& options, const std::string& number, const std::string& as,
                std::ostream& out, std::ostream& err) {
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  Session& session = cli.session();
  int32_t ref = 0;
  if (!FindRecordNumber(session, number, &ref, err)) return 1;
  const QuotationRecord& record = session.current_record;
  reading::LayoutSettings settings;
  auto print_paragraphs = [&](const std::vector<reading::Paragraph>& paragraphs) {
    for (const auto& p : paragraphs) {
      const char* style = p.style == reading::ParagraphStyle::kCentred        ? "C|"
                          : p.style == reading::ParagraphStyle::kLeftIndented ? "L|"
                                                                              : "R|";
      out << style << Utf8(p.text) << "\n";
    }
  };
  if (as == "screen") {
    print_paragraphs(reading::ScreenLayout(record, settings).paragraphs);
  } else if (as == "print") {
    print_paragraphs(reading::PrintLayout(record, settings));
  } else if (as == "clipboard") {
    out << Utf8(reading::ClipboardText(record));
  } else {
    bool continued = false;
    out << Utf8(reading::SelectedEntryText(record, continued));
  }
  return 0;
}

int WriteCommand(const SessionOptions& options, const std::vector<std::string>& numbers,
                 std::ostream& out, std::ostream& err) {
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  cli.host().InformationToOutput(true);
  Session& session = cli.session();
  std::vector<FoundRecord> records;
  if (!FindRecordNumbers(session, numbers, &records, err)) {
    err << "tessary-cli: nothing written\n";
    return 1;
  }
  bool continued = false;
  for (const FoundRecord& found : records) {
    auto outcome = reading::WriteQuotationToFile(platform::PosixFileSystem(), ".", found.record,
                                                 continued, cli.host());
    if (outcome == reading::SelectedOutcome::kFailed) return 1;
  }
  return 0;
}

}  // namespace

void AddSessionCommands(CommandTable& table) {
  auto session = std::make_shared<SessionOptions>();
  auto run_with = [session](auto command) {
    return [session, command](std::ostream& out, std::ostream& err) {
      return command(*session, out, err);
    };
  };

  CLI::App* create =
      table.Add("create", "Create an empty quotation Fileblock", run_with(CreateCommand));
  CommandTable::AddSessionOptions(create, *session);

  struct ListArgs {
    int key = 1;
    int rows = 0;
    std::string from;
    bool last = false;
    std::string filter;
  };
  auto list_args = std::make_shared<ListArgs>();
  CLI::App* list = table.Add(
      "list", "List the records in the order of a key as JSON",
      run_with([list_args](const SessionOptions& s, std::ostream& out, std::ostream& err) {
        const ListArgs& a = *list_args;
        search::ViewingFilters filters;
        filters.filters_on = true;
        char bad = 0;
        if (!a.filter.empty() && !search::FiltersFromLetters(a.filter, &filters, &bad)) {
          err << "tessary-cli: '" << bad << "' names no viewing filter (o m y s l c a e f)\n";
          return 1;
        }
        const search::ViewingFilters* use = a.filter.empty() ? nullptr : &filters;
        if (a.rows > 0) return ListRowsCommand(s, a.key, a.rows, a.from, a.last, use, out, err);
        return ListCommand(s, a.key, use, out, err);
      }));
  CommandTable::AddSessionOptions(list, *session);
  list->add_option("--key", list_args->key, "key number 1 to 6")
      ->check(CLI::Range(1, database::kKeyCount));
  auto* rows_option =
      list->add_option("--rows", list_args->rows, "print one page of N list rows instead of JSON")
          ->check(CLI::Range(1, 1000));
  auto* from_option = list->add_option("--from", list_args->from, "first page at or after TEXT")
                          ->needs(rows_option);
  list->add_flag("--last", list_args->last, "the last page")
      ->needs(rows_option)
      ->excludes(from_option);
  list->add_option("--filter", list_args->filter,
                   "only the records the viewing filters of these letters accept (o m y s l c a e "
                   "f, as the program's arguments 2 and 3)");

  auto numbers = std::make_shared<std::vector<std::string>>();
  CLI::App* remove =
      table.Add("delete", "Delete records by record number",
                run_with([numbers](const SessionOptions& s, std::ostream& out, std::ostream& err) {
                  return DeleteCommand(s, *numbers, out, err);
                }));
  CommandTable::AddSessionOptions(remove, *session);
  remove->add_option("NUMBER", *numbers, "record numbers")->required();

  CLI::App* rebuild =
      table.Add("rebuild", "Rebuild the data and index files", run_with(RebuildCommand));
  CommandTable::AddSessionOptions(rebuild, *session);

  struct ShowArgs {
    std::string number;
    std::string as = "screen";
  };
  auto show_args = std::make_shared<ShowArgs>();
  CLI::App* show = table.Add(
      "show", "Print a rendering of a record",
      run_with([show_args](const SessionOptions& s, std::ostream& out, std::ostream& err) {
        return ShowCommand(s, show_args->number, show_args->as, out, err);
      }));
  CommandTable::AddSessionOptions(show, *session);
  show->add_option("NUMBER", show_args->number, "record number")->required();
  show->add_option("--as", show_args->as, "screen, print, clipboard or selected")
      ->check(CLI::IsMember({"screen", "print", "clipboard", "selected"}));

  auto write_numbers = std::make_shared<std::vector<std::string>>();
  CLI::App* write = table.Add(
      "write", "Append records to Selected.Txt here",
      run_with([write_numbers](const SessionOptions& s, std::ostream& out, std::ostream& err) {
        return WriteCommand(s, *write_numbers, out, err);
      }));
  CommandTable::AddSessionOptions(write, *session);
  write->add_option("NUMBER", *write_numbers, "record numbers")->required();
}

}  // namespace tessary::cli
