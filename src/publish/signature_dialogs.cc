#include "publish/signature_dialogs.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "publish/dialog_parts.h"
#include "ui/qt_text.h"

namespace tessary::publish {
namespace {

constexpr int kDialogTopic = 215;
constexpr int kElementsTopic = 190;
constexpr int kFileNameTopic = 175;
// The header and footer boxes take eight lines of 80 characters, about.
constexpr int kMemoCapacity = 644;

const char kHeaderStatus[] = "The \"Signature Header\" appears before your quotation.";
const char kFooterStatus[] = "The \"Signature Footer\" appears after your quotation.";
const char kViewStatus[] = "This is your most recently generated E-Mail Signature.";

QPlainTextEdit* SignatureBox(QWidget* parent) {
  auto* box = new QPlainTextEdit(parent);
  box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  return box;
}

// Keeps a header or footer box within its capacity as the user types.
void LimitLength(QPlainTextEdit* box) {
  QObject::connect(box, &QPlainTextEdit::textChanged, box, [box] {
    QString text = box->toPlainText();
    if (text.size() <= kMemoCapacity) return;
    QTextCursor cursor = box->textCursor();
    int position = std::min<int>(cursor.position(), kMemoCapacity);
    box->setPlainText(text.left(kMemoCapacity));
    cursor = box->textCursor();
    cursor.setPosition(position);
    box->setTextCursor(cursor);
  });
}

QWidget* BoxPage(QWidget* parent, const QStringList& labels, QPlainTextEdit* box) {
  auto* page = new QWidget(parent);
  auto* layout = new QVBoxLayout(page);
  for (const QString& text : labels) layout->addWidget(new QLabel(text, page));
  layout->addWidget(box, 1);
  return page;
}

void ShowFile(QPlainTextEdit* box, const SignatureFileView& view) {
  box->setPlainText(view.text);
  box->setPlaceholderText(view.report);
}

}  // namespace

SignatureFileView LoadSignatureFile(platform::FileSystem& fs, const std::string& name) {
  std::string data;
  int rc = name.empty() ? ENOENT : platform::ReadWholeFile(fs, name, &data);
  if (rc != 0) {
    return {QString(), "Unable to read the signature file \"" + ui::FromAnsi(name) +
                           "\": " + QString::fromLocal8Bit(std::strerror(rc)) + "."};
  }
  QString text = ui::FromAnsi(data);
  text.replace("\r\n", "\n");
  return {text, QString()};
}

TESig_Form::TESig_Form(ui::Host& host, QWidget* parent)
    : ChoiceDialog("Generate E-Mail Signature with Current Quotation",
                   {"Generate New E-Mail Signature", "View Current E-Mail Signature",
                    "Set Options for E-Mail Signature"},
                   host, kDialogTopic, parent) {}

TESig_Form::Choice TESig_Form::choice() const {
  switch (RadioGroup_Choice->checkedId()) {
    case kView:
      return kView;
    case kSetOptions:
      return kSetOptions;
    default:
      return kGenerate;
  }
}

TESig_Options::TESig_Options(ui::Host& host, platform::FileSystem& fs, QWidget* parent)
    : QDialog(parent), fs_(fs) {
  hints_ = new ui::FocusHints(ui::MakeStatusPanel(this));
  hints_->AddHelpKey(this, host, kDialogTopic);
  pick_file = [](QWidget* parent, const QString& current) {
    // The dialog leaves the working directory alone and does not ask before
    // replacing: the signature file is rewritten every time.
    return QFileDialog::getSaveFileName(parent, "E-Mail Signature File", current,
                                        "Text files (*.txt);;All files (*)", nullptr,
                                        QFileDialog::DontConfirmOverwrite);
  };

  PageControl = new QTabWidget(this);
  Memo_Header = SignatureBox(this);
  Memo_Footer = SignatureBox(this);
  LimitLength(Memo_Header);
  LimitLength(Memo_Footer);
  PageControl->addTab(BoxPage(PageControl,
                              {"Signature Header", "Appears Above the Quotation",
                               "You can use a Maximum of 8 Lines; 80 Characters per Line"},
                              Memo_Header),
                      "Set Signature Header");
  PageControl->addTab(BoxPage(PageControl,
                              {"Signature Footer", "Appears Below Quotation",
                               "You can use a Maxium of 8 Lines; 80 Characters per Line"},
                              Memo_Footer),
                      "Set Signature Footer");

  auto* options = new QWidget(PageControl);
  auto* grid = new QGridLayout(options);
  RadioGroup_Elements = new QButtonGroup(this);
  RadioGroup_Target = new QButtonGroup(this);
  grid->addWidget(
      RadioGroup(options, "1. Select Signature Elements",
                 {"Header + Quotation + Footer", "Header + Quotation", "Quotation + Footer"},
                 RadioGroup_Elements),
      0, 0);
  auto* spacing = new QGroupBox("2. Spacing Between Elements", options);
  spacing->setToolTip(
      "Empty or blank lines in your Header and/or Footer can be left in or removed.");
  auto* spacing_column = new QVBoxLayout(spacing);
  CheckBox_RemoveEmpty = new QCheckBox(" Remove all empty lines except...", spacing);
  CheckBox_HeaderSpace = new QCheckBox("Between Header and Quotation", spacing);
  CheckBox_FooterSpace = new QCheckBox("Between Quotation and Footer", spacing);
  spacing_column->addWidget(CheckBox_RemoveEmpty);
  spacing_column->addWidget(CheckBox_HeaderSpace);
  spacing_column->addWidget(CheckBox_FooterSpace);
  grid->addWidget(spacing, 0, 1);
  grid->addWidget(RadioGroup(options, "3. Select Signature Target:",
                             {"File and Clipboard", "File Only"}, RadioGroup_Target),
                  1, 0);
  auto* file_box = new QWidget(options);
  auto* file_column = new QVBoxLayout(file_box);
  auto* file_row = new QHBoxLayout;
  SpeedButton_File = new QToolButton(file_box);
  SpeedButton_File->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  file_row->addWidget(new QLabel("4. Use File Dialog to Enter File Name", file_box));
  file_row->addWidget(SpeedButton_File);
  file_row->addStretch();
  file_column->addLayout(file_row);
  file_column->addWidget(new QLabel("or Type it in Edit Box Below.", file_box));
  Edit_FileName = new QLineEdit(file_box);
  Edit_FileName->setMaxLength(static_cast<int>(kSignatureFileNameCapacity));
  file_column->addWidget(Edit_FileName);
  file_column->addStretch();
  grid->addWidget(file_box, 1, 1);
  PageControl->addTab(options, "Set Display Options");

  Memo_View = SignatureBox(this);
  Memo_View->setReadOnly(true);
  auto* view = new QWidget(PageControl);
  (new QVBoxLayout(view))->addWidget(Memo_View);
  PageControl->addTab(view, "View Current Signature");

  const DialogButtons buttons = OkCancelHelp(this);
  BitBtn_OK = buttons.ok;
  BitBtn_Cancel = buttons.cancel;
  BitBtn_Help = buttons.help;
  BitBtn_OK->setToolTip("Save Header, Footer, Options and Generate New Signature.");
  BitBtn_Cancel->setToolTip("Cancel all changes; exit dialog.");
  BitBtn_Help->setToolTip("Help about Email Signatures");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl, 1);
  layout->addWidget(buttons.box);
  layout->addWidget(hints_->panel());
  resize(680, 440);

  connect(BitBtn_Help, &QPushButton::clicked, hints_, [&host] { host.ShowHelp(kDialogTopic); });
  connect(SpeedButton_File, &QToolButton::clicked, this, &TESig_Options::PickFile);
  connect(PageControl, &QTabWidget::currentChanged, this, &TESig_Options::PageChanged);

  hints_->Add(BitBtn_OK,
              "Save header; save footer; save options; and generate new signature file.");
  hints_->Add(BitBtn_Cancel, "Cancel current operation; close dialog.");
  hints_->Add(BitBtn_Help, "Show Help on E-Mail Signatures.");
  hints_->Add(Memo_Header, kHeaderStatus);
  hints_->Add(Memo_Footer, kFooterStatus);
  for (QAbstractButton* button : RadioGroup_Elements->buttons()) {
    hints_->Add(button, "Your E-Mail Signatures can have a Header, a Footer, or Both.",
                kElementsTopic);
  }
  for (QAbstractButton* button : RadioGroup_Target->buttons()) {
    hints_->Add(button, "Your E-Mail Signature can be Output to a Disk File, Clipboard or both.");
  }
  hints_->Add(Edit_FileName,
              "If your E-Mail Signature is going to a File; type file name here or click "
              "\"Disk\" icon.",
              kFileNameTopic);
  hints_->Add(SpeedButton_File,
              "Use File Dialog to enter E-Mail Signature target file - saves typing long paths.",
              kFileNameTopic);
  hints_->Add(CheckBox_RemoveEmpty, "Remove Blank or Empty lines in your Header and Footer.");
  hints_->Add(CheckBox_HeaderSpace, "Leave an empty line between your Header and Quotation.");
  hints_->Add(CheckBox_FooterSpace, "Leave an empty line between your Quotation and Footer.");
  // The tab bar, when it has the focus, explains the current page.
  PageControl->tabBar()->installEventFilter(this);
}

void TESig_Options::showEvent(QShowEvent* event) {
  setWindowTitle("E-Mail Signature Configuration");
  {
    QSignalBlocker quiet(PageControl);
    PageControl->setCurrentIndex(kOptionsPage);
  }
  hints_->ShowStatus("");
  QDialog::showEvent(event);
  QAbstractButton* element = RadioGroup_Elements->checkedButton();
  (element != nullptr ? element : RadioGroup_Elements->buttons().value(0))->setFocus();
}

void TESig_Options::PageChanged(int page) {
  switch (page) {
    case kHeaderPage:
      setWindowTitle("E-Mail Signature Element - Header");
      hints_->ShowStatus(kHeaderStatus);
      Memo_Header->setFocus();
      break;
    case kFooterPage:
      setWindowTitle("E-Mail Signature Element - Footer");
      hints_->ShowStatus(kFooterStatus);
      Memo_Footer->setFocus();
      break;
    case kOptionsPage: {
      setWindowTitle("Select E-Mail Signature Elements, Spacing, Targets and File Name.");
      QAbstractButton* element = RadioGroup_Elements->checkedButton();
      (element != nullptr ? element : RadioGroup_Elements->buttons().value(0))->setFocus();
      break;
    }
    case kViewPage:
      setWindowTitle("Current E-Mail Signature File");
      hints_->ShowStatus(kViewStatus);
      ShowFile(Memo_View, LoadSignatureFile(fs_, signature_file_));
      break;
    default:
      break;
  }
}

void TESig_Options::PickFile() {
  // A cancelled file dialog leaves the name that was typed.
  QString picked = pick_file(this, Edit_FileName->text());
  if (!picked.isEmpty()) Edit_FileName->setText(picked);
}

bool TESig_Options::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PageControl->tabBar() && event->type() == QEvent::FocusIn) {
    static const char* const kPageStatus[] = {
        "If your E-Mail Signature uses a Header enter it above.",
        "If your E-Mail Signature uses a Footer enter it above.",
        "Select Elements (Header, Quotation, Footer) for your E-Mail Signature.",
        "This is your most recently generated E-Mail Signature."};
    int page = PageControl->currentIndex();
    if (page >= 0 && page < 4) hints_->ShowStatus(kPageStatus[page]);
  }
  return QDialog::eventFilter(watched, event);
}

void TESig_Options::Load(const SignatureDialogValues& values, bool boxes) {
  if (boxes) {
    Memo_Header->setPlainText(ui::FromAnsi(values.header_box));
    Memo_Footer->setPlainText(ui::FromAnsi(values.footer_box));
  }
  Check(RadioGroup_Elements, values.element_item);
  CheckBox_RemoveEmpty->setChecked(values.remove_empty_lines);
  CheckBox_HeaderSpace->setChecked(values.space_after_header);
  CheckBox_FooterSpace->setChecked(values.space_before_footer);
  Check(RadioGroup_Target, values.target_item);
  Edit_FileName->setText(ui::FromAnsi(values.file_name));
}

SignatureDialogValues TESig_Options::values() const {
  SignatureDialogValues values;
  values.header_box = ui::ToAnsi(Memo_Header->toPlainText());
  values.footer_box = ui::ToAnsi(Memo_Footer->toPlainText());
  values.element_item = RadioGroup_Elements->checkedId();
  values.remove_empty_lines = CheckBox_RemoveEmpty->isChecked();
  values.space_after_header = CheckBox_HeaderSpace->isChecked();
  values.space_before_footer = CheckBox_FooterSpace->isChecked();
  values.target_item = RadioGroup_Target->checkedId();
  values.file_name = ui::ToAnsi(Edit_FileName->text());
  return values;
}

void TESig_Options::ClearBoxes() {
  Memo_Header->clear();
  Memo_Footer->clear();
}

TESig_Viewer::TESig_Viewer(platform::FileSystem& fs, QWidget* parent) : QDialog(parent), fs_(fs) {
  Memo_Signature = SignatureBox(this);
  Memo_Signature->setReadOnly(true);
  auto* buttons = new QDialogButtonBox(this);
  BitBtn_OK = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo_Signature, 1);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  resize(680, 360);
}

void TESig_Viewer::Load(const std::string& name) {
  setWindowTitle("Viewing current Email Signature in:  " + ui::FromAnsi(name));
  ShowFile(Memo_Signature, LoadSignatureFile(fs_, name));
}

SignatureCommand::SignatureCommand(QWidget* parent, ui::Host& host, platform::FileSystem& fs,
                                   std::string program_dir)
    : publisher_(fs, std::move(program_dir), host),
      form_(new TESig_Form(host, parent)),
      options_(new TESig_Options(host, fs, parent)),
      viewer_(new TESig_Viewer(fs, parent)) {}

SignatureCommand::~SignatureCommand() {
  delete form_;
  delete options_;
  delete viewer_;
}

void SignatureCommand::Run(const database::QuotationRecord& shown) {
  form_->Reset();
  publisher_.BeginCommand();
  // Without an options file the header and footer boxes are left as they are
  // (empty at first); with one they are refilled after every save.
  bool refill_boxes = publisher_.options_loaded() && publisher_.TakeMemoRefill();
  options_->Load(SignatureDialogValuesOf(publisher_.options()), refill_boxes);
  options_->SetSignatureFile(publisher_.options().FileName());
  if (form_->exec() == QDialog::Accepted) {
    switch (form_->choice()) {
      case TESig_Form::kGenerate:
        publisher_.Generate(shown);
        break;
      case TESig_Form::kSetOptions:
        if (options_->exec() == QDialog::Accepted &&
            publisher_.SaveOptions(options_->values(), shown)) {
          options_->ClearBoxes();
        }
        break;
      case TESig_Form::kView:
        viewer_->Load(publisher_.options().FileName());
        viewer_->exec();
        break;
    }
  }
  publisher_.ShowClosingMessage();
}

}  // namespace tessary::publish
