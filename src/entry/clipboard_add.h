// TClipboard_Add: the window for adding a quotation from pasted text. A text
// box in a fixed-pitch font that wraps words at 60 characters, a line count
// that tells how the text will be stored, the nine key boxes, Replicate, and
// OK, Cancel and Help. ClipboardEntry decides everything.
#pragma once

#include <QDialog>
#include <array>

#include "entry/clipboard_entry.h"
#include "ui/focus_hints.h"
#include "ui/host.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace tessary::entry {

class TClipboard_Add : public QDialog {
  Q_OBJECT

 public:
  TClipboard_Add(ClipboardEntry& entry, ui::Host& host, QWidget* parent = nullptr);
  ~TClipboard_Add() override;

  // Shows the dialog modally with an empty text box and the key boxes as the
  // entry holds them (activated by the caller); true when it closed with OK.
  bool Run();

  QTextEdit* text_box() const { return text_; }
  QLineEdit* key_box(int index) const { return keys_[index]; }
  QLabel* status_panel() const { return panel_; }
  QLabel* line_count() const { return line_count_; }
  QPushButton* replicate_button() const { return replicate_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowKeys();
  void Ok();
  void Replicate();
  void CountLines();

  ClipboardEntry& entry_;
  ui::Host& host_;
  QTextEdit* text_ = nullptr;
  std::array<QLineEdit*, kClipboardKeyCount> keys_{};
  QLabel* panel_ = nullptr;
  QLabel* line_count_ = nullptr;
  QPushButton* replicate_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* help_ = nullptr;
  ui::FocusHints* hints_ = nullptr;
};

}  // namespace tessary::entry
