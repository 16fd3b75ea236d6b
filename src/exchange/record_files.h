// Quotation files in and out, record by record.
//
// In: CSV (a header row of the record's field names as `dump` names them,
// then one record a row; an empty cell leaves its field empty, or 0 for the
// flag and the codes) and JSON lines (one of dump's objects a line). Every
// value goes through SetFieldByName, so a value longer than its field, a code
// that is not one digit, an unknown column or member is refused with its line
// and field, and a file with one refusal gives no records at all.
//
// Out, one record or entry at a time:
//  - json: dump's object without "ref" (a slot number belongs to one data
//    file, not to the record), one a line;
//  - csv: CsvHeader, then the fields in layout order, text as UTF-8, the flag
//    and the codes as numbers; rows end in CRLF;
//  - fortune: the lines of a quotation and of the records that continue it,
//    "-- Display Name, Book Name" on a line of its own, then "%".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/quotation_record.h"

namespace tessary::exchange {

enum class FileFormat { kFortune, kCsv, kJson };

// "fortune", "csv", "json" (and "jsonl"); nullopt for anything else.
std::optional<FileFormat> FormatFromName(std::string_view name);
// By extension: .csv, .json or .jsonl (any case); fortune text otherwise.
FileFormat FormatOfPath(std::string_view path);

// Why `bytes` are not a text file to import, or "" when they are: a NUL byte
// (binary files, the strfile index of a fortune file), or more bytes that are
// not UTF-8 than a few strays.
std::string WhyNotText(std::string_view bytes);

struct RecordRow {
  database::QuotationRecord record;  // unnamed fields zero
  bool has_number = false;           // the row named a Record_Number
  int line = 0;                      // where the row starts in the file
};

struct RecordRows {
  std::vector<RecordRow> rows;  // empty when refused
  std::string error;            // "line N: Field: reason", "" when read
};

RecordRows ReadCsvRecords(std::string_view utf8);
RecordRows ReadJsonRecords(std::string_view utf8);

// One line each, with its line end.
std::string JsonRecordLine(const database::QuotationRecord& record, size_t stored_length);
std::string CsvHeaderLine();
std::string CsvRecordLine(const database::QuotationRecord& record);

// The fortune entry of a quotation stored in `chain` (a record and those that
// continue it), ending with its "%" line. The attribution comes from the
// first record.
std::string FortuneEntryText(const std::vector<database::QuotationRecord>& chain);

}  // namespace tessary::exchange
