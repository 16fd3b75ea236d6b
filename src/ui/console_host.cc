#include "ui/console_host.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "platform/codepage.h"

namespace tessary::ui {

ConsoleHost::ConsoleHost(std::ostream& out, std::ostream& err, Answer answer)
    : out_(out), err_(err), answer_(answer), interactive_(isatty(STDIN_FILENO) != 0) {}

void ConsoleHost::Line(std::ostream& stream, std::string_view prefix, std::string_view text) {
  stream << prefix << platform::AnsiToUtf8(text) << "\n";
  stream.flush();
}

void ConsoleHost::ShowInformation(std::string_view text) {
  Line(information_to_output_ ? out_ : err_, "", text);
}
void ConsoleHost::ShowWarning(std::string_view text) { Line(err_, "warning: ", text); }
void ConsoleHost::ShowError(std::string_view text) { Line(err_, "error: ", text); }
void ConsoleHost::ShowStop(std::string_view caption, std::string_view text) {
  Line(err_, std::string(caption) + ": ", text);
}

bool ConsoleHost::AskYesNo(std::string_view text, MessageKind) {
  std::string question(text);
  if (auto it = pre_answers_.find(question); it != pre_answers_.end()) return it->second;
  if (answer_ == Answer::kYes || answer_ == Answer::kNo) {
    bool yes = answer_ == Answer::kYes;
    Line(err_, "", question + (yes ? " yes" : " no"));
    if (!yes && ++automatic_noes_[question] > 1) {
      // The session asks some questions again after No; without a person to
      // change their mind the answer will not change.
      Line(err_, "tessary-cli: ",
           "stopped: the question comes again and the answer is No (--yes answers Yes)");
      std::exit(1);
    }
    return yes;
  }
  if (!interactive_) {
    Line(err_, "", question + " no (no terminal; answer with --yes or --no)");
    if (++automatic_noes_[question] > 1) {
      Line(err_, "tessary-cli: ",
           "stopped: the question comes again and the answer is No (--yes answers Yes)");
      std::exit(1);
    }
    return false;
  }
  while (true) {
    err_ << platform::AnsiToUtf8(question) << " [y/n] ";
    err_.flush();
    std::string reply;
    if (!std::getline(std::cin, reply)) return false;
    if (reply == "y" || reply == "Y" || reply == "yes") return true;
    if (reply == "n" || reply == "N" || reply == "no") return false;
  }
}

void ConsoleHost::ShowHelp(int topic) { Line(err_, "help topic ", std::to_string(topic)); }

void ConsoleHost::OpenProgress(std::string_view title, std::string_view fixed1,
                               std::string_view fixed2) {
  progress_open_ = true;
  Line(err_, "", title);
  Line(err_, "", fixed1);
  Line(err_, "", fixed2);
}

void ConsoleHost::SetProgressLine(int index, std::string_view text) {
  if (index < 0 || index > 2) return;
  progress_[index] = std::string(text);
  if (index == 2) {
    err_ << platform::AnsiToUtf8(progress_[0]) << " |" << platform::AnsiToUtf8(progress_[1]) << " |"
         << platform::AnsiToUtf8(progress_[2]) << "\n";
    err_.flush();
  }
}

void ConsoleHost::CloseProgress() { progress_open_ = false; }

void ConsoleHost::ExitProgram(int code) {
  err_.flush();
  out_.flush();
  std::exit(code);
}

}  // namespace tessary::ui
