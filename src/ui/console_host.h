// The host of tessary-cli: boxes become lines on the error stream (information
// optionally on the output stream), questions are answered by a fixed policy
// or at the terminal, and ending the program exits the process at once.
#pragma once

#include <iosfwd>
#include <map>
#include <string>

#include "ui/host.h"

namespace tessary::ui {

class ConsoleHost : public Host {
 public:
  enum class Answer { kAsk, kYes, kNo };

  ConsoleHost(std::ostream& out, std::ostream& err, Answer answer);

  // Answers the question `text` (as shown, "?" included) with `yes` without
  // asking: a command line that names what to do is its own confirmation.
  void PreAnswer(const std::string& text, bool yes) { pre_answers_[text] = yes; }
  // Sends information boxes to the output stream instead of the error stream.
  void InformationToOutput(bool on) { information_to_output_ = on; }

  void ShowInformation(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  void ShowError(std::string_view text) override;
  void ShowStop(std::string_view caption, std::string_view text) override;
  bool AskYesNo(std::string_view text, MessageKind icon) override;
  void SetClipboardText(std::string_view text) override { clipboard_ = std::string(text); }
  std::string ClipboardText() override { return clipboard_; }
  void ShowHelp(int topic) override;
  void ProcessPendingInput() override {}
  void SetBusy(bool) override {}
  void OpenProgress(std::string_view title, std::string_view fixed1,
                    std::string_view fixed2) override;
  void SetProgressLine(int index, std::string_view text) override;
  bool ProgressAbandoned() override { return false; }
  void CloseProgress() override;
  // Exits the process with `code`; open files stay as they are.
  void ExitProgram(int code) override;

 private:
  void Line(std::ostream& stream, std::string_view prefix, std::string_view text);

  std::ostream& out_;
  std::ostream& err_;
  Answer answer_;
  bool interactive_;
  bool information_to_output_ = false;
  std::map<std::string, bool> pre_answers_;
  std::map<std::string, int> automatic_noes_;
  std::string clipboard_;
  bool progress_open_ = false;
  std::string progress_[3];
};

}  // namespace tessary::ui
