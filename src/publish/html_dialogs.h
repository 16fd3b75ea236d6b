// The HTML page command's windows: the publish dialog THTML, the options
// dialog THTML_Options, and HtmlCommand, which runs the whole command on the
// reading window's record. The dialogs only show and collect values; what
// the buttons do lives in HtmlPublisher.
#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <string>

#include "database/quotation_record.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "publish/dialog_parts.h"
#include "publish/html_command.h"
#include "ui/focus_hints.h"
#include "ui/host.h"

namespace tessary::publish {

// "Prepare Quotation for Web Page Display": write the page, or set the
// options first.
class THTML : public ChoiceDialog {
  Q_OBJECT

 public:
  enum Choice { kWritePage = 0, kSetOptions = 1 };

  THTML(ui::Host& host, QWidget* parent = nullptr);

  Choice choice() const;
};

// "Set HTML Code Generation Options".
class THTML_Options : public QDialog {
  Q_OBJECT

 public:
  // What ended the dialog: exec() gives one of these.
  enum Outcome { kCancelled = 0, kAccepted = 1, kSaveOptions = 2 };

  THTML_Options(ui::Host& host, QWidget* parent = nullptr);

  // Shows `values` in the controls.
  void Load(const HtmlDialogValues& values);
  HtmlDialogValues values() const;

  ui::FocusHints* hints() const { return hints_; }

  QButtonGroup* RadioGroup_Divider;
  QButtonGroup* RadioGroup_DateStamp;
  QButtonGroup* RadioGroup_Backgrounds;
  QLineEdit* Edit_FileName;
  QPushButton* BitBtn_OK;
  QPushButton* BitBtn_SaveOptions;
  QPushButton* BitBtn_Cancel;

 protected:
  // The focus starts on the divider group.
  void showEvent(QShowEvent* event) override;

 private:
  ui::FocusHints* hints_;
};

// The HTML page command of the reading window. The dialogs are created once
// and kept, as is the publisher with the run's live settings.
class HtmlCommand {
 public:
  HtmlCommand(QWidget* parent, ui::Host& host, platform::FileSystem& fs, std::string program_dir,
              const platform::Clock& clock = platform::SystemClock(),
              platform::TimeLocale locale = platform::SystemTimeLocale());
  ~HtmlCommand();

  // Runs the command on `shown`: the publish dialog, then the page or the
  // options dialog with its page and options file, and their messages.
  void Run(const database::QuotationRecord& shown, bool seven_section_naming);

  HtmlPublisher& publisher() { return publisher_; }
  THTML* publish_dialog() const { return publish_dialog_; }
  THTML_Options* options_dialog() const { return options_dialog_; }

 private:
  HtmlPublisher publisher_;
  // Children of the parent window, which may delete them first.
  QPointer<THTML> publish_dialog_;
  QPointer<THTML_Options> options_dialog_;
};

}  // namespace tessary::publish
