// Creating, opening and closing the files of a Fileblock. Opening validates
// every header and refuses files that no clean close can leave behind.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "isam/fileblock.h"
#include "isam/page_cache.h"
#include "isam/status.h"
#include "platform/file.h"

namespace tessary::isam {

struct KeyDef {
  int key_len;
  bool allow_duplicates;
};

enum class Access { kReadWrite, kReadOnly };

class FileblockFiles {
 public:
  FileblockFiles(platform::FileSystem& fs, Status& status) : fs_(fs), status_(status) {}

  // A new, empty Fileblock's files (replacing any of that name).
  bool Make(const FileblockNames& names, int record_length, int key_count,
            std::span<const KeyDef> keys);
  // A new index file holding only the key headers; removed again when it
  // cannot be written whole.
  bool MakeIndexFile(const std::string& name, std::span<const KeyDef> keys);

  // Opens and validates a Fileblock. A data file marked in use (or whose
  // counts no clean close leaves) gives 10010, unless `in_use_is_ours`: the
  // rebuild opens a data file whose InUse it set itself.
  std::unique_ptr<Fileblock> Open(const std::string& path, Access access, PageCache& cache,
                                  bool in_use_is_ours = false);
  // A clean close's writes: pages, headers, both files synced, then InUse
  // cleared and synced (kept set when the Fileblock is damaged). A crash at
  // any point leaves InUse set.
  bool Flush(Fileblock& fb, PageCache& cache);
  // Closes the files; false when closing either failed.
  bool CloseFiles(Fileblock& fb, PageCache& cache);

 private:
  bool MakeDataFile(const std::string& name, int record_length, int key_count);
  bool OpenDataFile(Fileblock& fb, platform::OpenMode mode, bool* sound);
  bool OpenIndexFile(Fileblock& fb, platform::OpenMode mode, PageCache& cache, int key_count,
                     bool* sound);
  bool ValidateIndexSize(Fileblock& fb);

  platform::FileSystem& fs_;
  Status& status_;
};

}  // namespace tessary::isam
