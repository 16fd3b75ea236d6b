// Rebuilding a Fileblock from its data file, one method per step.
//
// ReindexFileblock: check the data file and mark it in use with the new key
// count (PrepareData); create a fresh index (CreateIndex); open; one pass over
// the records per key (IndexKey), reporting entries that cannot be added in
// the message file (ReportDuplicate) and deleting their records when asked
// (DeleteBadRecord); close cleanly, which clears InUse last.
//
// ReorganizeFileblock: move the data file to the save copy (PrepareSaveCopy);
// copy the records through the converter into a new data file written as
// .NEW and synced (CopyIntoNewDataFile); rename it into place
// (InstallNewDataFile); then remove the old index and the save copy
// (RemoveLeftovers). A failure moves a save copy made by this run back
// (RestoreSaveCopy).
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "isam/rebuild_io.h"

namespace tessary::isam {

class Rebuilder {
 public:
  explicit Rebuilder(Engine& engine);
  ~Rebuilder();

  bool Reindex(const std::string& path, std::span<const KeyDef> keys, const KeyBuilder& key_builder,
               const RebuildOptions& options);
  void Reorganize(const std::string& path, RecordLengths lengths, int key_count,
                  const RecordConverter& converter, const RebuildOptions& options);

 private:
  // Reindex.
  bool PrepareData(const FileblockNames& names, int key_count, RecordLayout layout);
  bool CreateIndex(const FileblockNames& names, std::span<const KeyDef> keys);
  bool IndexKey(Fileblock* fb, int key, const KeyBuilder& key_builder,
                const RebuildOptions& options);
  bool ReportDuplicate(Fileblock* fb, int key, int32_t ref, const std::string& text,
                       const KeyBuilder& key_builder, const RebuildOptions& options);
  bool DeleteBadRecord(Fileblock* fb, int key, int32_t ref, const KeyBuilder& key_builder,
                       RecordLayout layout);
  bool WriteMessage(const std::string& text);
  // Reorganisation.
  bool CheckLengths(RecordLengths lengths, int key_count, RecordLayout layout);
  bool PrepareSaveCopy(const FileblockNames& names);
  bool CopyIntoNewDataFile(platform::File& save, RecordLengths lengths, int key_count,
                           const RecordConverter& converter, const RebuildOptions& options);
  bool CopyRecords(SlotReader& reader, SlotWriter& writer, int old_length,
                   const RecordConverter& converter, const RebuildOptions& options);
  bool InstallNewDataFile(const FileblockNames& names);
  void RestoreSaveCopy(const FileblockNames& names);
  void RemoveLeftovers(const FileblockNames& names);
  // Both: the progress callback; false when it asked to stop (10460).
  bool Progress(int pass, int32_t read, int32_t written, int length);

  Engine& engine_;
  platform::FileSystem& fs_;
  Status& status_;
  std::string record_;  // the record as read
  // Reindex: records deleted during this run, which later passes skip; the
  // message file and its name, once the first entry is reported.
  std::vector<bool> deleted_;
  std::unique_ptr<platform::File> message_;
  std::string message_name_;
  // Reorganisation: the new data file's name, and whether this run made the
  // save copy.
  std::string new_data_;
  bool made_save_copy_ = false;
};

}  // namespace tessary::isam
