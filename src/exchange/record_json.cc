#include "exchange/record_json.h"

#include "database/keys.h"
#include "platform/codepage.h"

namespace tessary::exchange {

Json RecordToJson(int32_t ref, const database::QuotationRecord& record, size_t length) {
  auto utf8 = [](std::string_view ansi) { return platform::AnsiToUtf8(ansi); };
  Json j;
  j["ref"] = ref;
  for (const auto& field : database::TextFields()) {
    j[field.name] = utf8(database::FieldText(record, field));
  }
  j["Multi_Page_Flag"] = record.Multi_Page_Flag;
  j["Author_Age_Code"] = record.Author_Age_Code;
  j["Quote_Rank"] = record.Quote_Rank;
  j["Number_of_Lines"] = record.Number_of_Lines;
  j["Author_Country_Code"] = record.Author_Country_Code;
  j["length"] = length;
  Json keys = Json::array();
  for (int k = 1; k <= database::kKeyCount; ++k)
    keys.push_back(utf8(database::BuildKey(record, k)));
  j["keys"] = keys;
  return j;
}

}  // namespace tessary::exchange
