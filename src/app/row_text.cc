#include "app/row_text.h"

#include "database/keys.h"
#include "platform/text.h"

namespace tessary::app {
namespace {

using database::FieldText;
using platform::LeftPad;
using platform::Pad;

std::string Fit(std::string text) {
  text = Pad(text, kRowWidth);
  text.resize(kRowWidth);
  return text;
}

}  // namespace

std::string AuthorColumn(const database::QuotationRecord& r) {
  std::string author = platform::Trim(FieldText(r.Authors_LName)) + ", " +
                       std::string(platform::TrimEnd(FieldText(r.FirstName)));
  author = Pad(author, 20);
  author.resize(20);
  return author;
}

std::string RowText(const database::QuotationRecord& r, int key) {
  if (!database::IsKey(key)) return std::string();
  const std::string number = LeftPad(FieldText(r.Record_Number), 6);
  const std::string subject_section =
      Pad(FieldText(r.Subject), 13) + " " + Pad(FieldText(r.Section), 1);
  const std::string line1 = Pad(FieldText(r.Line1), 60) + " ";
  std::string column;
  switch (database::Key(key).column) {
    case database::ListColumn::kAuthor:
      return Fit(number + ", " + subject_section + "  " + AuthorColumn(r) + " " + line1);
    case database::ListColumn::kBookPage:
      column = Pad(FieldText(r.Book_Code), 2) + "  " + Pad(FieldText(r.Page_Number), 4) + " ";
      break;
    case database::ListColumn::kSubtitle:
      column = Pad(FieldText(r.Subtitle), 13);
      break;
    case database::ListColumn::kUserCode:
      column = Pad(FieldText(r.User_Code), 13);
      break;
  }
  return Fit(number + ",  " + column + " " + subject_section + "  " + line1);
}

std::string BadRowText(const std::string& key_text) { return Fit("****  " + key_text); }

int BuildRow(browser::RowRec& row, const database::QuotationRecord& record, int key) {
  if (row.elements.empty()) row.elements.resize(1);
  if (row.status != 0) {
    row.elements[0] = BadRowText(row.key);
  } else if (database::IsKey(key)) {
    row.elements[0] = RowText(record, key);
  }
  return 0;
}

}  // namespace tessary::app
