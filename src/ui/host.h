// The one interface through which core code reaches the window system: message
// boxes, questions, the clipboard, help, pending input, progress and ending
// the program. All text is Windows-1252; the implementations convert.
#pragma once

#include <string>
#include <string_view>

namespace tessary::ui {

enum class MessageKind { kInformation, kWarning, kError, kQuestion, kStop };

inline constexpr int kHelpContents = 0;
inline constexpr int kHelpIndex = -1;
inline constexpr int kHelpSearch = -2;

class Host {
 public:
  virtual ~Host() = default;

  // Modal boxes with an OK button.
  virtual void ShowInformation(std::string_view text) = 0;
  virtual void ShowWarning(std::string_view text) = 0;
  virtual void ShowError(std::string_view text) = 0;
  // A stop box with its own caption (file-write failures).
  virtual void ShowStop(std::string_view caption, std::string_view text) = 0;

  // A Yes/No box showing `text` as is; true for Yes. `icon` is kQuestion or
  // kInformation.
  virtual bool AskYesNo(std::string_view text, MessageKind icon = MessageKind::kQuestion) = 0;

  virtual void SetClipboardText(std::string_view text) = 0;
  virtual std::string ClipboardText() = 0;

  // Opens help at a numbered topic, or at its contents (kHelpContents), index
  // (kHelpIndex) or search page (kHelpSearch).
  virtual void ShowHelp(int topic) = 0;

  // Lets the window system handle input that arrived during long work.
  virtual void ProcessPendingInput() = 0;

  // The wait cursor while `busy`.
  virtual void SetBusy(bool busy) = 0;

  // A modeless progress window with a title, fixed lines and an abandon button.
  virtual void OpenProgress(std::string_view title, std::string_view fixed1,
                            std::string_view fixed2) = 0;
  // Sets variable line `index` (0 based) of the progress window.
  virtual void SetProgressLine(int index, std::string_view text) = 0;
  // Whether the user pressed the abandon button since the window opened.
  virtual bool ProgressAbandoned() = 0;
  virtual void CloseProgress() = 0;

  // Ends the program at once with `code`, leaving files as they are. A test
  // host records the code and returns, so callers return right after it.
  virtual void ExitProgram(int code) = 0;
};

}  // namespace tessary::ui
