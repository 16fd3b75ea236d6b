// The host of the desktop program: modal message boxes with the system's
// exact texts, the clipboard, the help viewer, the wait cursor and the rebuild
// progress window.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include "ui/host.h"

class QLabel;

namespace tessary::ui {

class QtHost : public Host {
 public:
  // `parent` owns the boxes (the main window); the caption of ordinary boxes
  // is the application's title.
  explicit QtHost(QWidget* parent = nullptr);
  ~QtHost() override;

  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowInformation(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  void ShowError(std::string_view text) override;
  void ShowStop(std::string_view caption, std::string_view text) override;
  bool AskYesNo(std::string_view text, MessageKind icon) override;
  void SetClipboardText(std::string_view text) override;
  std::string ClipboardText() override;
  void ShowHelp(int topic) override;
  void ProcessPendingInput() override;
  void SetBusy(bool busy) override;
  void OpenProgress(std::string_view title, std::string_view fixed1,
                    std::string_view fixed2) override;
  void SetProgressLine(int index, std::string_view text) override;
  bool ProgressAbandoned() override { return abandoned_; }
  void CloseProgress() override;
  // Ends the process at once; the Fileblock stays as it is, so its InUse byte
  // makes the next start offer a rebuild.
  void ExitProgram(int code) override;

  // The open progress window, for tests.
  QDialog* progress_window() const { return progress_; }

 private:
  QPointer<QWidget> parent_;
  QPointer<QDialog> progress_;
  QLabel* progress_lines_[3] = {};
  bool abandoned_ = false;
  int busy_depth_ = 0;
};

}  // namespace tessary::ui
