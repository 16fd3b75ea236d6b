// tessary-cli search and find: the word search and the index key search of
// the program, through the same core code.
#include <array>
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
#include "search/index_key_search.h"
#include "search/list_filter.h"
#include "search/word_search.h"

namespace tessary::cli {
namespace {

using database::QuotationRecord;
using database::Session;
using Json = nlohmann::ordered_json;

struct SearchArgs {
  std::string word;
  bool case_sensitive = false;
  bool whole_words = false;
  int key = 1;
  bool all = false;
  int rows = 20;
};

// Every record of key `key` whose text matches, in key order.
int SearchAll(Session& session, const search::WordSearch& word, int key, std::ostream& out,
              std::ostream& err) {
  return WalkKey(
      session, key, err, [&](int32_t ref, const std::string& text, const QuotationRecord& record) {
        if (!search::WordMatch(record, word.target, word.case_sensitive, word.whole_words)) return;
        Json j;
        j["ref"] = ref;
        j["Record_Number"] = Utf8(database::FieldText(record.Record_Number));
        j["key"] = Utf8(text);
        out << j.dump() << "\n";
      });
}

// The pass the main window runs, on a page of `rows` rows from the first entry.
int SearchRows(CliSession& cli, search::WordSearch& word, int key, int rows, std::ostream& out,
               std::ostream& err) {
  Session& session = cli.session();
  browser::RowBrowser page(session.engine(), session.fileblock(), key, &session.current_record,
                           sizeof session.current_record, "", "", rows, 1, true);
  page.BuildRow = [&](browser::RowRec& row) {
    return app::BuildRow(row, session.current_record, key);
  };
  search::ViewingFilters filters;
  search::BrowserFilterList list(page, session.engine(), session.current_record);
  const std::string caption;
  search::ListFilter filter(filters, word, list, caption);
  search::AttachFilter(page, filter);

  word.Reset(session.engine().UsedKeys(session.fileblock(), 1));
  word.BeginPass(database::SortKeyCaption(key), "", 0);
  page.SetFilterActive(true);
  const int rc = page.SetPosition(key, "", 0, 1);
  if (word.EndPass()) cli.host().ShowInformation(search::kNoMoreMatches + word.target);
  if (rc > browser::kNoEntry) {
    PrintIsamError(err, "searching key " + std::to_string(key), rc);
    return 1;
  }
  for (int i = 1; i <= page.filled_rows(); ++i) {
    std::string text = page.row(i).elements[0];
    text.erase(text.find_last_not_of(' ') + 1);
    out << Utf8(text) << "\n";
  }
  return 0;
}

int SearchCommand(const SessionOptions& options, const SearchArgs& a, std::ostream& out,
                  std::ostream& err) {
  search::WordSearch word;
  if (!word.TakeDialog(platform::Utf8ToAnsi(a.word), a.case_sensitive, a.whole_words)) {
    err << "tessary-cli: the target is empty once blanks and control characters are trimmed; "
           "nothing is searched\n";
    return 1;
  }
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  if (a.all) return SearchAll(cli.session(), word, a.key, out, err);
  return SearchRows(cli, word, a.key, a.rows, out, err);
}

struct FindArgs {
  std::array<std::string, search::kIndexFieldCount> values;
};

int FindCommand(const SessionOptions& options, const FindArgs& a, std::ostream& out,
                std::ostream& err) {
  search::IndexSearchFields fields;
  for (int f = 0; f < search::kIndexFieldCount; ++f) {
    const std::string& value = a.values[static_cast<size_t>(f)];
    size_t replaced = 0;
    std::string ansi = platform::Utf8ToAnsi(value, '?', &replaced);
    std::string problem = search::CheckIndexField(static_cast<search::IndexField>(f), ansi);
    if (replaced > 0) problem = "a character without a Windows-1252 form in '" + value + "'";
    if (!problem.empty()) {
      err << "tessary-cli: " << problem << "\n";
      return 1;
    }
    fields[static_cast<size_t>(f)] = std::move(ansi);
  }
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  Session& session = cli.session();
  int key = 0;
  int32_t ref = 0;
  std::string key_text;
  switch (search::RunIndexKeySearch(session, fields, &key, &ref, &key_text)) {
    case search::IndexSearchResult::kNoField:
      err << "tessary-cli: no search field is filled (a value counts when it sorts after "
             "zeros); nothing is searched\n";
      return 1;
    case search::IndexSearchResult::kNotFound: {
      const std::string text =
          database::BuildKey(session.saved_record, session.search_key_number());
      if (session.engine().ErrorClass() == isam::ErrorClass::kExpected) {
        err << "tessary-cli: no entry of key " << session.search_key_number()
            << " lies at or after \"" << Utf8(text) << "\"\n";
      } else {
        PrintEngineError(err, "searching key " + std::to_string(session.search_key_number()),
                         session.engine());
      }
      return 1;
    }
    case search::IndexSearchResult::kFound:
      break;
  }
  const std::optional<QuotationRecord> record = session.Read(ref);
  if (!record) {
    PrintEngineError(err, "record at slot " + std::to_string(ref) + " cannot be read",
                     session.engine());
    return 1;
  }
  Json j;
  j["key"] = key;
  j["ref"] = ref;
  j["Record_Number"] = Utf8(database::FieldText(record->Record_Number));
  j["key_text"] = Utf8(key_text);
  out << j.dump() << "\n";
  return 0;
}

}  // namespace

void AddSearchCommands(CommandTable& table) {
  auto session = std::make_shared<SessionOptions>();

  auto search_args = std::make_shared<SearchArgs>();
  CLI::App* search =
      table.Add("search", "Word search: the records whose text holds a word or phrase",
                [session, search_args](std::ostream& out, std::ostream& err) {
                  return SearchCommand(*session, *search_args, out, err);
                });
  CommandTable::AddSessionOptions(search, *session);
  search->add_option("--word", search_args->word, "the word(s) to find (at most 32 characters)")
      ->required();
  search->add_flag("--case", search_args->case_sensitive, "case sensitive");
  search->add_flag("--whole", search_args->whole_words, "whole words only");
  search->add_option("--key", search_args->key, "key number 1 to 6")
      ->check(CLI::Range(1, database::kKeyCount));
  auto* all = search->add_flag("--all", search_args->all,
                               "every matching record as JSON lines (ref, Record_Number, key)");
  search->add_option("--rows", search_args->rows, "the list's pass: a page of N rows (default 20)")
      ->check(CLI::Range(1, 1000))
      ->excludes(all);

  auto find_args = std::make_shared<FindArgs>();
  CLI::App* find = table.Add("find",
                             "Index key search: the first record at or after the typed key "
                             "fields (the highest filled group's key)",
                             [session, find_args](std::ostream& out, std::ostream& err) {
                               return FindCommand(*session, *find_args, out, err);
                             });
  CommandTable::AddSessionOptions(find, *session);
  const char* names[search::kIndexFieldCount] = {"--number",  "--last",     "--first",
                                                 "--subject", "--section",  "--book",
                                                 "--page",    "--subtitle", "--user"};
  for (int f = 0; f < search::kIndexFieldCount; ++f) {
    const search::IndexFieldInfo& info = search::IndexFields()[static_cast<size_t>(f)];
    find->add_option(names[f], find_args->values[static_cast<size_t>(f)],
                     std::string(info.record_field) + ", at most " + std::to_string(info.longest) +
                         " characters");
  }
}

}  // namespace tessary::cli
