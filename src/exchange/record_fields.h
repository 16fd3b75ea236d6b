// A record's fields by the names `dump` prints, set from UTF-8 values with
// every check a user would expect: nothing is cut or replaced silently. The
// JSON importer, the CSV importer and the CLI's add and edit commands all set
// fields through here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "database/quotation_record.h"
#include "exchange/record_json.h"

namespace tessary::exchange {

// The fields a record has by name: the 24 text fields, Multi_Page_Flag and the
// four code bytes, in layout order.
const std::vector<std::string>& RecordFieldNames();
bool IsRecordField(std::string_view name);
// Members of dump's object that describe a record but are not stored in it
// ("ref", "length", "keys"); importers accept and ignore them.
bool IsDerivedMember(std::string_view name);

// Sets field `name` from `utf8`, as the entry form stores a typed value: the
// text (converted to Windows-1252) followed by a NUL, the bytes after it kept.
// Multi_Page_Flag takes 0, 1, "F" or "T"; each code takes one digit 0 to 9.
// Returns "" on success, else the reason, naming the field ("Subject: 15
// characters, at most 13"), and leaves the record unchanged.
std::string SetFieldByName(database::QuotationRecord& record, std::string_view name,
                           std::string_view utf8);

// The value of field `name` as SetFieldByName takes it: the text as UTF-8,
// the flag and the codes as decimal numbers. "" for an unknown name.
std::string FieldValueByName(const database::QuotationRecord& record, std::string_view name);

// Fills `record` (which the caller has prepared, normally all zero) from one
// of dump's objects. Unknown members are refused; the derived members are
// ignored. `has_record_number` tells whether the object named one. Returns ""
// or the first reason a value was refused.
std::string RecordFromJson(const Json& object, database::QuotationRecord* record,
                           bool* has_record_number);

}  // namespace tessary::exchange
