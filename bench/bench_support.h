// Shared pieces of the benchmark programs: a wall clock, peak memory, a
// scratch directory, size lists from the command line, a host that answers
// every question with Yes, and running one measurement in a child process so
// that each reports its own peak memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/host.h"

namespace tessary::bench {

// Seconds since construction (or the last Restart): wall-clock time, or the
// CPU time of this process (user and system) when `cpu_time` is set, which
// other load on the machine does not inflate (but which leaves out waiting
// for the disk).
class Stopwatch {
 public:
  static inline bool cpu_time = false;

  Stopwatch() { Restart(); }
  void Restart() { start_ = Now(); }
  double Seconds() const { return Now() - start_; }

 private:
  static double Now();
  double start_ = 0;
};

// Peak resident memory of this process in MiB (getrusage ru_maxrss).
double PeakRssMiB();

// A fresh directory under `parent` (TMPDIR or /tmp when empty); removed with
// everything in it by the destructor.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& parent, const char* prefix);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Total size in MiB of the regular files in `dir`.
double DirectoryMiB(const std::string& dir);

// Parses "10000,100000,1e6"-style lists; `corpus_word`, when given, is
// accepted as an item and stands for 0. Returns false on a malformed list.
bool ParseSizes(std::string_view text, std::vector<int64_t>* sizes,
                std::string_view corpus_word = {});

// The command line of a benchmark program. Every program takes --cpu-time
// (Stopwatch::cpu_time); the other options are declared before Parse.
class ArgParser {
 public:
  explicit ArgParser(std::string usage) : usage_(std::move(usage)) {}

  // An option without a value.
  void Flag(const char* name, std::function<void()> set);
  // A size list (ParseSizes) that replaces `sizes`.
  void Sizes(const char* name, std::vector<int64_t>* sizes, std::string_view corpus_word = {});
  // One whole number of at least `minimum`.
  void Number(const char* name, int64_t minimum, std::function<void(int64_t)> set);
  void Text(const char* name, std::string* value);

  // False, after printing the usage on standard error, on an unknown option,
  // a missing value or a malformed one.
  bool Parse(int argc, char** argv) const;

 private:
  struct Option {
    std::string name;
    bool takes_value;
    std::function<bool(const char* value)> take;
  };

  std::string usage_;
  std::vector<Option> options_;
};

// Runs `work` in a child process and waits for it; false when the child
// failed. Standard output is flushed first so lines stay in order.
bool RunInChild(const std::function<bool()>& work);

// Anonymous memory shared with child processes started later.
void* MapShared(size_t bytes);
void UnmapShared(void* address, size_t bytes);

// A `T` in memory shared with child processes started after it, so that a
// child can hand its figures back. `T` must be trivially copyable.
template <typename T>
class Shared {
 public:
  Shared() : value_(static_cast<T*>(MapShared(sizeof(T)))) { *value_ = T{}; }
  ~Shared() { UnmapShared(value_, sizeof(T)); }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;
  T& operator*() const { return *value_; }
  T* operator->() const { return value_; }

 private:
  T* value_;
};

// "12,345,678" for readable rates and counts.
std::string Grouped(double value);

// A host for unattended runs: every question is answered Yes, messages are
// written to standard error, progress is ignored.
class QuietHost : public ui::Host {
 public:
  void ShowInformation(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  void ShowError(std::string_view text) override;
  void ShowStop(std::string_view caption, std::string_view text) override;
  bool AskYesNo(std::string_view text, ui::MessageKind icon) override;
  void SetClipboardText(std::string_view) override {}
  std::string ClipboardText() override { return std::string(); }
  void ShowHelp(int) override {}
  void ProcessPendingInput() override {}
  void SetBusy(bool) override {}
  void OpenProgress(std::string_view, std::string_view, std::string_view) override {}
  void SetProgressLine(int, std::string_view) override {}
  bool ProgressAbandoned() override { return false; }
  void CloseProgress() override {}
  void ExitProgram(int code) override;

  int exit_code() const { return exit_code_; }

 private:
  int exit_code_ = 0;
};

}  // namespace tessary::bench
