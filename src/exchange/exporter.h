// Writes every record of an open Fileblock in the order of one of its keys,
// as JSON lines, CSV or fortune text (record_files.h). In fortune text a
// quotation continued over several records (Multi_Page_Flag, the next record
// number) is one entry, placed where its first record comes in the key's
// order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "exchange/record_files.h"
#include "isam/engine.h"

namespace tessary::exchange {

struct ExportResult {
  std::string error;   // "" when every record was written
  size_t records = 0;  // records written
  size_t entries = 0;  // lines, rows or fortune entries written
};

// Appends the export to `out`. `progress` (may be empty) is called every few
// hundred records with the records read and the total; false abandons.
ExportResult ExportRecords(isam::Engine& engine, isam::Fileblock* fileblock, int key,
                           FileFormat format, std::string* out,
                           const std::function<bool(size_t read, size_t total)>& progress = {});

}  // namespace tessary::exchange
