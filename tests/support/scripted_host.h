// A host for tests: questions are answered from a queue, every message is
// recorded with its kind and exact text, and ending the program is recorded
// instead of exiting.
#pragma once

#include <deque>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ui/host.h"

namespace tessary::testing {

struct HostMessage {
  ui::MessageKind kind;
  std::string text;
  std::string caption;  // stop boxes only
  bool operator==(const HostMessage&) const = default;
};

// Messages print as their texts in test failures.
inline void PrintTo(const HostMessage& m, std::ostream* os) {
  *os << "{" << static_cast<int>(m.kind) << ", \"" << m.text << "\"}";
}

class ScriptedHost : public ui::Host {
 public:
  // Queues the answer of the next question.
  void SetNextAnswer(bool yes) { answers_.push_back(yes); }
  // Answer given when the queue is empty.
  void SetDefaultAnswer(bool yes) { default_answer_ = yes; }
  // Presses the progress window's abandon button after `calls` more
  // ProcessPendingInput calls.
  void AbandonProgressAfter(int calls) { abandon_after_ = calls; }

  void ShowInformation(std::string_view text) override {
    Record(ui::MessageKind::kInformation, text);
  }
  void ShowWarning(std::string_view text) override { Record(ui::MessageKind::kWarning, text); }
  void ShowError(std::string_view text) override { Record(ui::MessageKind::kError, text); }
  void ShowStop(std::string_view caption, std::string_view text) override {
    messages.push_back({ui::MessageKind::kStop, std::string(text), std::string(caption)});
  }
  bool AskYesNo(std::string_view text, ui::MessageKind) override {
    messages.push_back({ui::MessageKind::kQuestion, std::string(text), ""});
    if (answers_.empty()) return default_answer_;
    bool yes = answers_.front();
    answers_.pop_front();
    return yes;
  }
  void SetClipboardText(std::string_view text) override { clipboard = std::string(text); }
  std::string ClipboardText() override { return clipboard; }
  void ShowHelp(int topic) override { help_topics.push_back(topic); }
  void ProcessPendingInput() override {
    if (abandon_after_ > 0 && --abandon_after_ == 0) abandoned_ = true;
  }
  void SetBusy(bool) override {}
  void OpenProgress(std::string_view title, std::string_view fixed1,
                    std::string_view fixed2) override {
    progress_open = true;
    abandoned_ = false;
    progress_title = std::string(title);
    progress_fixed = {std::string(fixed1), std::string(fixed2)};
    progress_lines.assign(3, "");
  }
  void SetProgressLine(int index, std::string_view text) override {
    if (index >= 0 && static_cast<size_t>(index) >= progress_lines.size()) {
      progress_lines.resize(index + 1);
    }
    if (index >= 0) progress_lines[index] = std::string(text);
    progress_history.emplace_back(index, std::string(text));
  }
  bool ProgressAbandoned() override { return abandoned_; }
  void CloseProgress() override { progress_open = false; }
  void ExitProgram(int code) override { exit_codes.push_back(code); }

  // Texts of all messages of one kind, in order.
  std::vector<std::string> Texts(ui::MessageKind kind) const {
    std::vector<std::string> out;
    for (const auto& m : messages) {
      if (m.kind == kind) out.push_back(m.text);
    }
    return out;
  }

  std::vector<HostMessage> messages;
  std::vector<int> help_topics;
  std::vector<int> exit_codes;
  std::string clipboard;
  bool progress_open = false;
  std::string progress_title;
  std::vector<std::string> progress_fixed;
  std::vector<std::string> progress_lines;
  std::vector<std::pair<int, std::string>> progress_history;  // every line set, in order

 private:
  void Record(ui::MessageKind kind, std::string_view text) {
    messages.push_back({kind, std::string(text), ""});
  }

  std::deque<bool> answers_;
  bool default_answer_ = false;
  int abandon_after_ = 0;
  bool abandoned_ = false;
};

}  // namespace tessary::testing
