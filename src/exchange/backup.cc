#include "exchange/backup.h"

#include <cstring>
#include <memory>
#include <vector>

#include "database/keys.h"
#include "isam/errors.h"
#include "isam/format.h"
#include "isam/verify.h"

namespace tessary::exchange {
namespace {

constexpr size_t kChunk = 1 << 20;

std::string Errno(int rc) { return std::strerror(rc); }

// Copies `from` to `to` (created or truncated) and syncs it.
int CopyFile(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  std::unique_ptr<platform::File> in;
  std::unique_ptr<platform::File> out;
  if (int rc = fs.Open(from, platform::OpenMode::kRead, &in)) return rc;
  if (int rc = fs.Open(to, platform::OpenMode::kCreate, &out)) return rc;
  std::vector<char> buffer(kChunk);
  uint64_t offset = 0;
  while (true) {
    platform::IoResult got = in->ReadAt(offset, buffer.data(), buffer.size());
    if (got.error != 0) return got.error;
    if (got.bytes == 0) break;
    platform::IoResult put = out->WriteAt(offset, buffer.data(), got.bytes);
    if (put.error != 0) return put.error;
    offset += got.bytes;
  }
  if (int rc = out->Sync()) return rc;
  return out->Close();
}

// The Verify findings of a Fileblock in a few words; "" when it checks.
std::string Problems(platform::FileSystem& fs, const std::string& base) {
  isam::VerifyOptions options;
  options.key_builder = database::BuildKeyFromBytes;
  isam::VerifyReport report = isam::Verify(fs, base, options);
  if (report.open_error != 0) {
    return "IsamError " + std::to_string(report.open_error) + " -- " +
           isam::ErrorMessage(report.open_error);
  }
  if (report.findings.empty()) return "";
  std::string text = report.findings.front();
  if (report.findings.size() > 1) {
    text += " (and " + std::to_string(report.findings.size() - 1) + " more)";
  }
  return text;
}

// Whether the data file's in-use byte is set; false when it cannot be read
// (Verify then says why).
bool InUse(platform::FileSystem& fs, const std::string& data_path) {
  std::unique_ptr<platform::File> file;
  if (fs.Open(data_path, platform::OpenMode::kRead, &file) != 0) return false;
  uint8_t header[21] = {};
  if (file->ReadAt(0, header, sizeof header).bytes != sizeof header) return false;
  return isam::DecodeDataHeader(header).in_use != 0;
}

std::string Stamp(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

std::string BaseNameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

CopyOutcome Fail(std::string message) { return {false, std::move(message), ""}; }

}  // namespace

CopyOutcome BackUp(platform::FileSystem& fs, const std::string& base, const std::string& dir,
                   std::time_t now) {
  isam::FileblockNames source;
  if (isam::DeriveNames(base, &source) != 0) return Fail(base + ": not a Fileblock name");
  if (!fs.Exists(source.data) || !fs.Exists(source.index)) {
    return Fail(base + ": no Fileblock here (" + source.data + " and " + source.index + ")");
  }
  if (InUse(fs, source.data)) {
    return Fail(source.data +
                " is marked in use: a program has it open with changes, or one stopped before "
                "closing it. Close the program; if none has it open, run rebuild first.");
  }
  const std::string copy = dir + "/" + BaseNameOf(base) + "-" + Stamp(now);
  isam::FileblockNames target;
  isam::DeriveNames(copy, &target);
  if (fs.Exists(target.data) || fs.Exists(target.index)) {
    return Fail(target.data + " exists already; not replaced");
  }
  auto remove_copy = [&] {
    fs.Remove(target.data);
    fs.Remove(target.index);
  };
  for (const auto& [from, to] :
       {std::pair{source.data, target.data}, {source.index, target.index}}) {
    if (int rc = CopyFile(fs, from, to)) {
      remove_copy();
      return Fail("cannot copy " + from + " to " + to + ": " + Errno(rc));
    }
  }
  fs.SyncDirectoryOf(target.data);
  if (std::string problems = Problems(fs, copy); !problems.empty()) {
    remove_copy();
    return Fail("the copy of " + base + " does not check, so it was removed: " + problems +
                ". Run check and rebuild on the database.");
  }
  return {true, "backed up " + base + " to " + target.data + " and " + target.index, copy};
}

CopyOutcome Restore(platform::FileSystem& fs, const std::string& base, const std::string& from) {
  isam::FileblockNames source;
  isam::FileblockNames current;
  if (isam::DeriveNames(from, &source) != 0) return Fail(from + ": not a Fileblock name");
  if (isam::DeriveNames(base, &current) != 0) return Fail(base + ": not a Fileblock name");
  const std::string from_base = source.data.substr(0, source.data.size() - 4);  // without .DAT
  if (std::string problems = Problems(fs, from_base); !problems.empty()) {
    return Fail(from_base + " does not check: " + problems + "; " + base + " is left as it was");
  }
  // The new pair is copied beside the database and checked there first.
  const std::string incoming = current.data.substr(0, current.data.size() - 4) + "-restoring";
  isam::FileblockNames fresh;
  isam::DeriveNames(incoming, &fresh);
  auto remove_fresh = [&] {
    fs.Remove(fresh.data);
    fs.Remove(fresh.index);
  };
  for (const auto& [in, out] : {std::pair{source.data, fresh.data}, {source.index, fresh.index}}) {
    if (int rc = CopyFile(fs, in, out)) {
      remove_fresh();
      return Fail("cannot copy " + in + " to " + out + ": " + Errno(rc) + "; " + base +
                  " is left as it was");
    }
  }
  if (std::string problems = Problems(fs, incoming); !problems.empty()) {
    remove_fresh();
    return Fail("the copy made for the restore does not check: " + problems + "; " + base +
                " is left as it was");
  }

  // The current files stay whole until each is replaced by an atomic rename;
  // their .bak copies put them back should a step fail.
  const std::string data_bak = current.data + ".bak";
  const std::string index_bak = current.index + ".bak";
  const bool had_files = fs.Exists(current.data) || fs.Exists(current.index);
  auto remove_baks = [&] {
    fs.Remove(data_bak);
    fs.Remove(index_bak);
  };
  if (had_files) {
    for (const auto& [in, out] : {std::pair{current.data, data_bak}, {current.index, index_bak}}) {
      if (!fs.Exists(in)) continue;
      if (int rc = CopyFile(fs, in, out)) {
        remove_fresh();
        remove_baks();
        return Fail("cannot keep " + in + " as " + out + ": " + Errno(rc) + "; " + base +
                    " is left as it was");
      }
    }
  }
  auto put_back = [&] {
    if (had_files) {
      if (fs.Exists(data_bak)) fs.Rename(data_bak, current.data);
      if (fs.Exists(index_bak)) fs.Rename(index_bak, current.index);
    }
    fs.SyncDirectoryOf(current.data);
  };
  if (int rc = fs.Rename(fresh.data, current.data)) {
    remove_fresh();
    remove_baks();
    return Fail("cannot put the copy in place: " + Errno(rc) + "; " + base + " is left as it was");
  }
  if (int rc = fs.Rename(fresh.index, current.index)) {
    put_back();
    remove_fresh();
    return Fail("cannot put the copy in place: " + Errno(rc) + "; the former files are back");
  }
  fs.SyncDirectoryOf(current.data);
  if (std::string problems = Problems(fs, base); !problems.empty()) {
    put_back();
    return Fail("the restored files do not check: " + problems + "; the former files are back");
  }
  remove_baks();
  fs.SyncDirectoryOf(current.data);
  return {true, "restored " + base + " from " + from_base, base};
}

}  // namespace tessary::exchange
