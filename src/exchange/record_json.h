// A quotation record as one JSON object: the form `tessary-cli dump` prints and
// every command and file format that exchanges whole records shares. Text is
// converted from Windows-1252 to UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "database/quotation_record.h"

namespace tessary::exchange {

using Json = nlohmann::ordered_json;

// {"ref", every text field by name, the flag and code bytes, "length" (bytes
// stored), "keys" (the six key texts)}.
Json RecordToJson(int32_t ref, const database::QuotationRecord& record, size_t length);

}  // namespace tessary::exchange
