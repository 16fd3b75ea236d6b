// add, edit and paste: records entered without windows, through the entry
// forms' own rules and the session's add and update.
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/cli_session.h"
#include "cli/cli_text.h"
#include "cli/command_table.h"
#include "database/session.h"
#include "entry/clipboard_entry.h"
#include "entry/entry_form.h"
#include "exchange/record_fields.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::cli {
namespace {

using database::QuotationRecord;
using database::Session;

// Reads FILE, or standard input for "-" or no file.
bool ReadInput(const std::string& file, std::string* text, std::ostream& err) {
  if (file.empty() || file == "-") {
    text->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    err << "tessary-cli: cannot read " << file << ": " << std::strerror(errno) << "\n";
    return false;
  }
  text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The record number as the keyboard form stores it (right-aligned in 6).
std::string RightAlignRecordNumber(QuotationRecord& record) {
  std::string stored;
  if (!entry::NormaliseRecordNumber(database::FieldText(record.Record_Number), &stored)) {
    return "Record_Number: not a number 0 to 999999";
  }
  database::SetField(record.Record_Number, stored);
  return "";
}

std::string Number(const QuotationRecord& record) {
  return platform::Trim(database::FieldText(record.Record_Number));
}

int AddCommand(const SessionOptions& options, const std::string& file, std::ostream& out,
               std::ostream& err) {
  std::string input;
  if (!ReadInput(file, &input, err)) return 1;
  // Every object is checked before anything is added.
  struct Entry {
    QuotationRecord record;
    bool numbered;
  };
  std::vector<Entry> entries;
  std::istringstream lines(input);
  std::string line;
  for (int line_number = 1; std::getline(lines, line); ++line_number) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    exchange::Json object = exchange::Json::parse(line, nullptr, false);
    Entry entry{entry::EmptyEntryAsStored(), false};
    std::string refused = object.is_discarded()
                              ? "not a JSON object"
                              : exchange::RecordFromJson(object, &entry.record, &entry.numbered);
    if (refused.empty() && entry.numbered) refused = RightAlignRecordNumber(entry.record);
    if (!refused.empty()) {
      err << "tessary-cli: line " << line_number << ": " << refused << "; nothing added\n";
      return 1;
    }
    entries.push_back(entry);
  }
  if (entries.empty()) {
    err << "tessary-cli: no record given\n";
    return 1;
  }

  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  Session& session = cli.session();
  for (Entry& entry : entries) {
    if (!entry.numbered) {
      if (session.highest_record_number() >= 999999) {
        err << "tessary-cli: no record number is left after 999999\n";
        return 1;
      }
      // The next number, as the form offers it.
      database::SetField(entry.record.Record_Number,
                         platform::LeftPad(std::to_string(session.TakeNextRecordNumber()), 6));
    }
    session.current_record = entry.record;
    if (!session.AddRecord()) {
      cli.host().ShowError("Error adding record");
      return 1;
    }
    entry::NoteRecordNumberAdded(session, entry.record);
    out << "added record " << Number(entry.record) << "\n";
  }
  return 0;
}

int EditCommand(const SessionOptions& options, const std::string& number,
                const std::vector<std::string>& assignments, std::ostream& out, std::ostream& err) {
  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  Session& session = cli.session();
  int32_t ref = 0;
  if (!FindRecordNumber(session, number, &ref, err)) return 1;
  session.saved_record = session.current_record;
  QuotationRecord edited = session.current_record;
  for (const std::string& assignment : assignments) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
      err << "tessary-cli: '" << assignment << "' is not FIELD=VALUE; nothing changed\n";
      return 1;
    }
    const std::string name = assignment.substr(0, equals);
    std::string refused = exchange::SetFieldByName(edited, name, assignment.substr(equals + 1));
    if (refused.empty() && name == "Record_Number") refused = RightAlignRecordNumber(edited);
    if (!refused.empty()) {
      err << "tessary-cli: " << refused << "; nothing changed\n";
      return 1;
    }
  }
  session.current_record = edited;
  const database::UpdateOutcome outcome = session.UpdateRecord(ref);
  if (outcome == database::UpdateOutcome::kUnchanged) {
    out << "record " << platform::Trim(number) << " unchanged\n";
    return 0;
  }
  if (outcome == database::UpdateOutcome::kFailed) {
    cli.host().ShowError("Error updating record");
    return 1;
  }
  out << "changed record " << Number(edited) << "\n";
  return 0;
}

// The clipboard entry's key boxes by the record field each fills, in the
// order of its boxes.
constexpr const char* kKeyFields[entry::kClipboardKeyCount] = {
    "Subject",       "Section",   "Subtitle",          "User_Code",
    "Authors_LName", "FirstName", "Authors_Full_Name", "Author_Bio_Snapshot",
    "Book_Name"};

struct PasteArgs {
  std::string keys[entry::kClipboardKeyCount];
  std::string file;
};

int PasteCommand(const SessionOptions& options, const PasteArgs& args, std::ostream& out,
                 std::ostream& err) {
  std::string input;
  if (!ReadInput(args.file, &input, err)) return 1;
  size_t replaced = 0;
  const std::string text = platform::Utf8ToAnsi(input, '?', &replaced);
  if (replaced > 0) {
    err << "tessary-cli: the text holds " << replaced
        << " character(s) without a Windows-1252 form or not UTF-8; nothing added\n";
    return 1;
  }
  // The key values with the checks of their record fields.
  QuotationRecord keys = database::EmptyRecord();
  for (int i = 0; i < entry::kClipboardKeyCount; ++i) {
    if (std::string refused = exchange::SetFieldByName(keys, kKeyFields[i], args.keys[i]);
        !refused.empty()) {
      err << "tessary-cli: " << refused << "; nothing added\n";
      return 1;
    }
  }

  CliSession cli(options, out, err);
  if (!cli.Start()) return 1;
  Session& session = cli.session();
  entry::ClipboardEntry paste(session);
  paste.Activate();
  for (int i = 0; i < entry::kClipboardKeyCount; ++i) {
    const entry::ClipboardKeyBox& box = entry::ClipboardKeyBoxes()[i];
    const char* field = reinterpret_cast<const char*>(&keys) + box.offset;
    paste.keys[i] = std::string(field, strnlen(field, box.size));
  }
  if (std::string refused = paste.Accept(text); !refused.empty()) {
    err << "tessary-cli: " << refused << "  Nothing added.\n";
    return 1;
  }
  const size_t wanted = paste.continuation() ? 2 : 1;
  const auto added = paste.AddRecords();
  for (const auto& record : added) out << "added record " << Number(record.record) << "\n";
  return added.size() == wanted ? 0 : 1;
}

}  // namespace

void AddEntryCommands(CommandTable& table) {
  auto session = std::make_shared<SessionOptions>();

  auto add_file = std::make_shared<std::string>();
  CLI::App* add =
      table.Add("add", "Add records given as JSON objects, one a line (dump's field names)",
                [session, add_file](std::ostream& out, std::ostream& err) {
                  return AddCommand(*session, *add_file, out, err);
                });
  CommandTable::AddSessionOptions(add, *session);
  add->add_option("FILE", *add_file, "JSON lines; - or none for standard input");

  struct EditArgs {
    std::string number;
    std::vector<std::string> assignments;
  };
  auto edit_args = std::make_shared<EditArgs>();
  CLI::App* edit =
      table.Add("edit", "Change fields of one record",
                [session, edit_args](std::ostream& out, std::ostream& err) {
                  return EditCommand(*session, edit_args->number, edit_args->assignments, out, err);
                });
  CommandTable::AddSessionOptions(edit, *session);
  edit->add_option("NUMBER", edit_args->number, "record number")->required();
  edit->add_option("FIELD=VALUE", edit_args->assignments, "fields by dump's names")->required();

  auto paste_args = std::make_shared<PasteArgs>();
  CLI::App* paste = table.Add(
      "paste", "Add a quotation from plain text as the clipboard entry does: one record, or two",
      [session, paste_args](std::ostream& out, std::ostream& err) {
        return PasteCommand(*session, *paste_args, out, err);
      });
  CommandTable::AddSessionOptions(paste, *session);
  const char* flags[entry::kClipboardKeyCount][2] = {{"--subject", "Subject"},
                                                     {"--section", "Section"},
                                                     {"--subtitle", "Subtitle"},
                                                     {"--user", "User Code"},
                                                     {"--last", "author's last name"},
                                                     {"--first", "author's first name"},
                                                     {"--display", "author's display name"},
                                                     {"--bio", "author's bio description"},
                                                     {"--book", "book name"}};
  for (int i = 0; i < entry::kClipboardKeyCount; ++i) {
    paste->add_option(flags[i][0], paste_args->keys[i], flags[i][1]);
  }
  paste->add_option("FILE", paste_args->file, "UTF-8 text; - or none for standard input");
}

}  // namespace tessary::cli
