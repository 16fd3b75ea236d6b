// quote, step and fortune: the quote-a-day pick, the reading window's
// stepping, and a random quotation for a terminal.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_session.h"
#include "cli/cli_text.h"
#include "cli/command_table.h"
#include "exchange/record_json.h"
#include "reading/layout.h"
#include "reading/quote_a_day.h"
#include "reading/stepping.h"
#include "search/viewing_filters.h"

namespace tessary::cli {
namespace {

using database::QuotationRecord;

struct ReadingArgs {
  std::string filter;  // viewing-filter letters; none: the filters are off
  int64_t seed = -1;   // -1: the local time now
  std::string number;
  int key = 1;
  bool prev = false;
  int count = 1;
};

// The record test of the filter letters, or an empty test without letters.
// False (with a message) for a letter that names no filter.
bool FilterTest(const std::string& letters, reading::RecordTest* test, std::ostream& err) {
  if (letters.empty()) return true;
  search::ViewingFilters filters;
  for (char letter : letters) {
    if (!search::SetFilterByLetter(filters, letter)) {
      err << "tessary-cli: '" << letter << "' names no viewing filter (letters omyslcaef)\n";
      return false;
    }
  }
  *test = [filters](const QuotationRecord& r) { return search::FilterAccepts(filters, r); };
  return true;
}

// Draws the pick into the session's current record; false with a message.
bool Draw(CliSession& cli, uint32_t seed, const reading::RecordTest& test, int32_t* ref,
          std::ostream& err) {
  switch (reading::QuoteADay(cli.session(), seed, test, ref)) {
    case reading::QuoteOutcome::kFound:
      return true;
    case reading::QuoteOutcome::kEmpty:
      err << "tessary-cli: " << reading::kEmptyDatabaseMessage << "\n";
      return false;
    case reading::QuoteOutcome::kNonePassed:
      err << "tessary-cli: " << reading::kNothingPassesMessage << "\n";
      return false;
    case reading::QuoteOutcome::kFailed:
      break;
  }
  return false;
}

int QuoteCommand(const SessionOptions& options, const ReadingArgs& args, std::ostream& out,
                 std::ostream& err) {
  reading::RecordTest test;
  if (!FilterTest(args.filter, &test, err)) return 2;
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  int32_t ref = 0;
  if (!Draw(cli, args.seed >= 0 ? static_cast<uint32_t>(args.seed) : reading::ClockSeed(), test,
            &ref, err))
    return 1;
  database::Session& session = cli.session();
  out << exchange::RecordToJson(ref, session.current_record, session.record_length()).dump()
      << "\n";
  return 0;
}

int FortuneCommand(const SessionOptions& options, const ReadingArgs& args, std::ostream& out,
                   std::ostream& err) {
  reading::RecordTest test;
  if (!FilterTest(args.filter, &test, err)) return 2;
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  int32_t ref = 0;
  if (!Draw(cli, reading::ClockSeed(), test, &ref, err)) return 1;
  // The clipboard's CR LF line ends become the terminal's LF.
  std::string text = Utf8(reading::ClipboardText(cli.session().current_record));
  std::string lines;
  lines.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  out << lines << "\n";
  return 0;
}

int StepCommand(const SessionOptions& options, const ReadingArgs& args, std::ostream& out,
                std::ostream& err) {
  reading::RecordTest test;
  if (!FilterTest(args.filter, &test, err)) return 2;
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  database::Session& session = cli.session();
  int32_t ref = 0;
  if (!FindRecordNumber(session, args.number, &ref, err)) return 1;
  for (int i = 0; i < args.count; ++i) {
    const QuotationRecord from = session.current_record;
    switch (reading::StepRecord(session, args.key, &ref, from, !args.prev, test)) {
      case reading::StepOutcome::kFound:
        break;
      case reading::StepOutcome::kNonePassed:
        err << "tessary-cli: " << reading::kNothingPassesMessage << "\n";
        return 1;
      case reading::StepOutcome::kFailed:
        return 1;
    }
    exchange::Json j;
    j["ref"] = ref;
    j["Record_Number"] = Utf8(database::FieldText(session.current_record.Record_Number));
    out << j.dump() << "\n";
  }
  return 0;
}

}  // namespace

void AddReadingCommands(CommandTable& table) {
  auto session = std::make_shared<SessionOptions>();
  auto args = std::make_shared<ReadingArgs>();
  auto run_with = [session, args](auto command) {
    return [session, args, command](std::ostream& out, std::ostream& err) {
      return command(*session, *args, out, err);
    };
  };
  auto add_filter = [args](CLI::App* command) {
    command->add_option("--filter", args->filter,
                        "viewing-filter letters (o m y s l c a e f); the filters are on with any");
  };

  CLI::App* quote = table.Add("quote", "Print the quote-a-day pick as dump prints a record",
                              run_with(QuoteCommand));
  CommandTable::AddSessionOptions(quote, *session);
  quote
      ->add_option("--seed", args->seed,
                   "the clock seed, milliseconds of the day (default: the local time now)")
      ->check(CLI::Range(int64_t{0}, int64_t{4294967295}));
  add_filter(quote);

  CLI::App* step = table.Add("step", "Step from a record through a key as the reading window does",
                             run_with(StepCommand));
  CommandTable::AddSessionOptions(step, *session);
  step->add_option("NUMBER", args->number, "record number to start from")->required();
  step->add_option("--key", args->key, "key number 1 to 6")
      ->check(CLI::Range(1, database::kKeyCount));
  step->add_flag("--prev", args->prev, "step backwards");
  step->add_option("--count", args->count, "number of steps")->check(CLI::Range(1, 1000000));
  add_filter(step);

  CLI::App* fortune =
      table.Add("fortune", "Print a random quotation as plain text", run_with(FortuneCommand));
  CommandTable::AddSessionOptions(fortune, *session);
  add_filter(fortune);
}

}  // namespace tessary::cli
