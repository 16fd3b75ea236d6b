#include "bench_support.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace tessary::bench {

double Stopwatch::Now() {
  timespec now{};
  clock_gettime(cpu_time ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

ScratchDir::ScratchDir(const std::string& parent, const char* prefix) {
  std::string base = parent;
  if (base.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  std::string pattern = base + "/" + prefix + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror(("mkdtemp " + pattern).c_str());
    std::exit(2);
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

double DirectoryMiB(const std::string& dir) {
  uintmax_t total = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.is_regular_file(ec)) total += entry.file_size(ec);
  }
  return static_cast<double>(total) / (1024.0 * 1024.0);
}

bool ParseSizes(std::string_view text, std::vector<int64_t>* sizes, std::string_view corpus_word) {
  sizes->clear();
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string item(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (!corpus_word.empty() && item == corpus_word) {
      sizes->push_back(0);
      continue;
    }
    char* end = nullptr;
    double value = std::strtod(item.c_str(), &end);
    if (item.empty() || *end != '\0' || value < 1 || value > 1e9 || value != std::floor(value)) {
      return false;
    }
    sizes->push_back(static_cast<int64_t>(value));
  }
  return !sizes->empty();
}

void ArgParser::Flag(const char* name, std::function<void()> set) {
  options_.push_back({name, false, [set = std::move(set)](const char*) {
                        set();
                        return true;
                      }});
}

void ArgParser::Sizes(const char* name, std::vector<int64_t>* sizes, std::string_view corpus_word) {
  options_.push_back({name, true, [sizes, corpus_word](const char* value) {
                        return ParseSizes(value, sizes, corpus_word);
                      }});
}

void ArgParser::Number(const char* name, int64_t minimum, std::function<void(int64_t)> set) {
  options_.push_back({name, true, [minimum, set = std::move(set)](const char* value) {
                        std::vector<int64_t> number;
                        if (!ParseSizes(value, &number) || number.size() != 1 ||
                            number[0] < minimum) {
                          return false;
                        }
                        set(number[0]);
                        return true;
                      }});
}

void ArgParser::Text(const char* name, std::string* value) {
  options_.push_back({name, true, [value](const char* text) {
                        *value = text;
                        return true;
                      }});
}

bool ArgParser::Parse(int argc, char** argv) const {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--cpu-time") {
      Stopwatch::cpu_time = true;
      continue;
    }
    bool taken = false;
    for (const Option& option : options_) {
      if (option.name != arg) continue;
      if (option.takes_value && i + 1 >= argc) break;
      taken = option.take(option.takes_value ? argv[++i] : nullptr);
      break;
    }
    if (!taken) {
      std::cerr << usage_;
      return false;
    }
  }
  return true;
}

bool RunInChild(const std::function<bool()>& work) {
  std::cout.flush();
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    return false;
  }
  if (pid == 0) {
    bool ok = work();
    std::cout.flush();
    std::fflush(stdout);
    std::_Exit(ok ? 0 : 1);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void* MapShared(size_t bytes) {
  void* address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (address == MAP_FAILED) {
    std::perror("mmap");
    std::exit(2);
  }
  return address;
}

void UnmapShared(void* address, size_t bytes) { munmap(address, bytes); }

std::string Grouped(double value) {
  std::string digits = std::to_string(static_cast<long long>(std::llround(value)));
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0 && digits[i - 1] != '-') out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

void QuietHost::ShowInformation(std::string_view text) { std::cerr << "info: " << text << "\n"; }
void QuietHost::ShowWarning(std::string_view text) { std::cerr << "warning: " << text << "\n"; }
void QuietHost::ShowError(std::string_view text) { std::cerr << "error: " << text << "\n"; }
void QuietHost::ShowStop(std::string_view caption, std::string_view text) {
  std::cerr << "stop: " << caption << ": " << text << "\n";
}
bool QuietHost::AskYesNo(std::string_view, ui::MessageKind) { return true; }
void QuietHost::ExitProgram(int code) {
  std::cerr << "exit requested: " << code << "\n";
  exit_code_ = code;
}

}  // namespace tessary::bench
