// The text of one row of the record list: a fixed-column line whose columns
// depend on the sort key and line up with the list's header.
#pragma once

#include <string>

#include "browser/row_browser.h"
#include "database/quotation_record.h"

namespace tessary::app {

inline constexpr size_t kRowWidth = 128;

// "Last, First" cut to 20: the last name trimmed of blanks and control
// characters at both ends, the first name at its end.
std::string AuthorColumn(const database::QuotationRecord& record);

// The row text of a good row for sort key 1 to 6 (128 characters); empty for
// any other key.
std::string RowText(const database::QuotationRecord& record, int key);

// "****  " and the key text: a row whose record cannot be read.
std::string BadRowText(const std::string& key_text);

// Fills the row's first element: the bad-row form when its status is not 0,
// else the row text of `record` (the record the list has just read). Rows of
// another key number keep their text.
int BuildRow(browser::RowRec& row, const database::QuotationRecord& record, int key);

}  // namespace tessary::app
