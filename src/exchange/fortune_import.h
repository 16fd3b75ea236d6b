// Import of quotations from fortune files: plain UTF-8 text in which a line
// holding only "%" separates one entry from the next.
//
// An entry becomes one record, or several with consecutive record numbers
// when it needs more than 11 lines (Multi_Page_Flag 1 on all but the last).
// The text is converted to Windows-1252 ("?" for characters it lacks, each
// counted) and laid out in lines of at most 60 characters:
//  - a tab moves to the next multiple of 8 columns (the layout fortune files
//    are written for); a backspace erases the character before it, so
//    overstruck text keeps its last character; other control characters go;
//  - trailing blanks, and blank lines at the start and end, are dropped;
//  - prose wrapped for a wider page is joined and wrapped again at 60, text
//    laid out on purpose keeps its line breaks (see text_layout.h);
//  - blank lines falling at a record boundary are dropped, so every record
//    starts and ends with text.
// A trailing attribution ("-- Name, Source" or "<em dash> Name, Source",
// indented or not; an indented one may run on over up to three more
// indented lines) fills the author and book fields instead of a line:
// Authors_Full_Name is the name as written (up to the first comma that a
// blank follows), Authors_LName its last word, FirstName the words before it
// without a leading "by", and Book_Name the text after that comma. An attribution
// whose name or source does not fit its field stays in the text instead, so
// that nothing is cut; the last and first names are cut to their fields (the
// full name keeps them whole).
//
// Number_of_Lines holds the number of lines the record uses; 10 and 11 are
// stored as 9, the largest value of the one-digit field (all that readers of
// the field distinguish is short against long).
//
// Subject, first rule that applies: the explicit subject, upper-cased (the
// catalogue's word when it names a subject); the file's name, or the name
// without its extension, when it is a catalogue subject or subtitle (a
// subtitle also fills Subtitle, upper case, cut to 13); the first catalogue
// subtitle among the words of the quotation (also filling Subtitle; phrases
// like "The Eternal" count); "TESSARY". User_Code is the file's name without
// its directory, cut to 13. Section is the context's section (default "1");
// Book_Code, Page_Number, Section_Name and the other code bytes stay empty.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "database/quotation_record.h"

namespace tessary::exchange {

struct FortuneEntry {
  std::string text;    // UTF-8, lines joined by '\n', without the separators
  int first_line = 0;  // line of the file (from 1) on which the entry starts
};

// Splits a fortune file into its entries. Carriage returns at line ends and
// a leading byte-order mark are dropped. Empty pieces before the first and
// after the last separator are not entries; an empty piece between two
// separators is (it is skipped on import, and so counted).
std::vector<FortuneEntry> ParseFortunes(std::string_view utf8);

struct ImportContext {
  std::string file_name;        // path or name of the source file; may be empty
  std::string subject;          // explicit subject (UTF-8); empty for none
  std::string section = "1";    // section digit
  int first_record_number = 1;  // number of the entry's first record
};

enum class SkipReason {
  kNone,
  kEmpty,             // nothing but blanks
  kNumberOutOfRange,  // a record number would leave 0 to 999,999
};

// "empty", "record number beyond 999,999"; "" for kNone.
std::string_view SkipReasonText(SkipReason reason);

struct ImportResult {
  std::vector<database::QuotationRecord> records;  // empty when skipped
  SkipReason skipped = SkipReason::kNone;
  size_t replaced = 0;  // characters stored as "?"
};

ImportResult EntryToRecords(const FortuneEntry& entry, const ImportContext& context);

struct SkippedEntry {
  int first_line = 0;
  SkipReason reason = SkipReason::kNone;
};

struct FileImport {
  std::vector<database::QuotationRecord> records;  // numbered on without gaps
  size_t entries_imported = 0;
  std::vector<SkippedEntry> skipped;
  size_t replaced = 0;
};

// Parses a whole file and turns every entry into records, numbering them on
// from `context.first_record_number`.
FileImport ImportFortunes(std::string_view utf8, const ImportContext& context);

// The skipped entries counted by reason, e.g. "2 empty, 1 record number
// beyond 999,999";
// "" when nothing was skipped.
std::string SkipSummary(const std::vector<SkippedEntry>& skipped);

}  // namespace tessary::exchange
