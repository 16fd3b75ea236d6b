#include "exchange/record_fields.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tessary::exchange {
namespace {

using database::QuotationRecord;

TEST(RecordFieldsTest, RefusesWhatDoesNotFitAndChangesNothing) {
  QuotationRecord record = database::EmptyRecord();
  const QuotationRecord before = record;
  const char* const cases[][3] = {
      {"Subject", "12345678901234", "Subject: 14 characters, at most 13"},
      {"Section", "\xE2\x82\xAC\xE2\x82\xAC", "Section: 2 characters, at most 1"},  // two euros
      {"Line1", "\xE4\xB8\xAD", "Line1: 1 character(s) without a Windows-1252 form or not UTF-8"},
      {"Quote_Rank", "10", "Quote_Rank: '10' is not one digit 0 to 9"},
      {"Author_Age_Code", "", "Author_Age_Code: '' is not one digit 0 to 9"},
      {"Multi_Page_Flag", "2", "Multi_Page_Flag: '2' is not 0, 1, T or F"},
      {"Colour", "red", "Colour: no such field"},
      {"Record_Number", "12a", "Record_Number: '12a' is not a number 0 to 999999"},
  };
  for (const auto& [field, value, reason] : cases) {
    EXPECT_EQ(SetFieldByName(record, field, value), reason) << field;
  }
  EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
}

TEST(RecordFieldsTest, JsonObjectsOfDumpAreReadBackWhole) {
  QuotationRecord record = database::EmptyRecord();
  bool has_number = false;
  EXPECT_EQ(RecordFromJson(Json::parse(R"({"ref":7,"Record_Number":"  42","Subject":"LOVE",)"
                                       R"("Quote_Rank":1,"length":506,"keys":[]})"),
                           &record, &has_number),
            "");
  EXPECT_TRUE(has_number);
  EXPECT_EQ(database::FieldText(record.Record_Number), "  42");
  EXPECT_EQ(record.Quote_Rank, 1);

  QuotationRecord untouched = database::EmptyRecord();
  for (const auto& [text, reason] :
       {std::pair{R"({"Subject":"LOVE","Shade":1})", "Shade: no such field"},
        std::pair{R"({"Subject":"LOVE","Line1":[1]})",
                  "Line1: array where text or a number belongs"}}) {
    EXPECT_EQ(RecordFromJson(Json::parse(text), &untouched, &has_number), reason);
  }
  EXPECT_EQ(database::FieldText(untouched.Subject), "");
}

}  // namespace
}  // namespace tessary::exchange
