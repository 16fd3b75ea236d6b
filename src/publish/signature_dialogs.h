// The e-mail signature command's windows: the command dialog TESig_Form, the
// configuration dialog TESig_Options with its four pages, the viewer
// TESig_Viewer, and SignatureCommand, which runs the whole command on the
// reading window's record. What the buttons do lives in SignaturePublisher.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <functional>
#include <string>

#include "database/quotation_record.h"
#include "platform/file.h"
#include "publish/dialog_parts.h"
#include "publish/signature.h"
#include "ui/focus_hints.h"
#include "ui/host.h"

namespace tessary::publish {

// The text of a signature file for the viewers, or the report of why it
// cannot be read (shown in the empty text box).
struct SignatureFileView {
  QString text;
  QString report;
};
SignatureFileView LoadSignatureFile(platform::FileSystem& fs, const std::string& name);

// "Generate E-Mail Signature with Current Quotation".
class TESig_Form : public ChoiceDialog {
  Q_OBJECT

 public:
  enum Choice { kGenerate = 0, kView = 1, kSetOptions = 2 };

  TESig_Form(ui::Host& host, QWidget* parent = nullptr);

  Choice choice() const;
};

// "E-Mail Signature Configuration".
class TESig_Options : public QDialog {
  Q_OBJECT

 public:
  enum Page { kHeaderPage = 0, kFooterPage = 1, kOptionsPage = 2, kViewPage = 3 };

  TESig_Options(ui::Host& host, platform::FileSystem& fs, QWidget* parent = nullptr);

  // Fills the controls from `values`; the header and footer boxes only with
  // `boxes` (they keep what was typed otherwise).
  void Load(const SignatureDialogValues& values, bool boxes);
  SignatureDialogValues values() const;
  // Empties the header and footer boxes.
  void ClearBoxes();
  // The file the view page shows.
  void SetSignatureFile(const std::string& name) { signature_file_ = name; }

  // Opens the save-file dialog; gives the picked name or an empty text.
  // Replaceable for tests.
  std::function<QString(QWidget* parent, const QString& current)> pick_file;

  ui::FocusHints* hints() const { return hints_; }

  QTabWidget* PageControl;
  QPlainTextEdit* Memo_Header;
  QPlainTextEdit* Memo_Footer;
  QButtonGroup* RadioGroup_Elements;
  QCheckBox* CheckBox_RemoveEmpty;
  QCheckBox* CheckBox_HeaderSpace;
  QCheckBox* CheckBox_FooterSpace;
  QButtonGroup* RadioGroup_Target;
  QToolButton* SpeedButton_File;
  QLineEdit* Edit_FileName;
  QPlainTextEdit* Memo_View;
  QPushButton* BitBtn_OK;
  QPushButton* BitBtn_Cancel;
  QPushButton* BitBtn_Help;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PageChanged(int page);
  void PickFile();

  platform::FileSystem& fs_;
  ui::FocusHints* hints_;
  std::string signature_file_;
};

// "Viewing current Email Signature in:  <file>".
class TESig_Viewer : public QDialog {
  Q_OBJECT

 public:
  TESig_Viewer(platform::FileSystem& fs, QWidget* parent = nullptr);

  // Loads the signature file `name` and sets the caption.
  void Load(const std::string& name);

  QPlainTextEdit* Memo_Signature;
  QPushButton* BitBtn_OK;

 private:
  platform::FileSystem& fs_;
};

// The e-mail signature command of the reading window. The dialogs are
// created once and kept, as is the publisher with the run's image.
class SignatureCommand {
 public:
  SignatureCommand(QWidget* parent, ui::Host& host, platform::FileSystem& fs,
                   std::string program_dir);
  ~SignatureCommand();

  // Runs the command on `shown`: the command dialog, then the configuration
  // dialog or the viewer as chosen, then the closing message.
  void Run(const database::QuotationRecord& shown);

  SignaturePublisher& publisher() { return publisher_; }
  TESig_Form* form() const { return form_; }
  TESig_Options* options_dialog() const { return options_; }
  TESig_Viewer* viewer() const { return viewer_; }

 private:
  SignaturePublisher publisher_;
  // Children of the parent window, which may delete them first.
  QPointer<TESig_Form> form_;
  QPointer<TESig_Options> options_;
  QPointer<TESig_Viewer> viewer_;
};

}  // namespace tessary::publish
