#include "publish/html_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "publish/dialog_parts.h"
#include "ui/qt_text.h"

namespace tessary::publish {
namespace {

constexpr int kDialogTopic = 240;
constexpr int kBackgroundTopic = 245;
constexpr int kDateStampTopic = 250;
constexpr int kFileNameTopic = 260;
constexpr int kDividerTopic = 265;

// The checked button, or the first, which takes the focus for the group.
QAbstractButton* FocusButton(QButtonGroup* group) {
  return group->checkedButton() != nullptr ? group->checkedButton() : group->buttons().value(0);
}

}  // namespace

THTML::THTML(ui::Host& host, QWidget* parent)
    : ChoiceDialog("Prepare Quotation for Web Page Display",
                   {"Write Quotation into HTML Code File", "Set HTML Code File Display Options"},
                   host, kDialogTopic, parent) {}

THTML::Choice THTML::choice() const {
  return RadioGroup_Choice->checkedId() == kSetOptions ? kSetOptions : kWritePage;
}

THTML_Options::THTML_Options(ui::Host& host, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Set HTML Code Generation Options");
  hints_ = new ui::FocusHints(ui::MakeStatusPanel(this));
  hints_->AddHelpKey(this, host, kDialogTopic);
  RadioGroup_Divider = new QButtonGroup(this);
  RadioGroup_DateStamp = new QButtonGroup(this);
  RadioGroup_Backgrounds = new QButtonGroup(this);

  QStringList backgrounds;
  for (int item = 0; item < kBackgroundItems; ++item) {
    backgrounds.push_back(ui::FromAnsi(BackgroundItemText(item)));
  }
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(
      RadioGroup(this, "DIVIDER LINE OPTIONS",
                 {"Plain Horizontal Divider Line", "Rainbow Colored Line (rainbow7.gif)"},
                 RadioGroup_Divider));
  top->addWidget(RadioGroup(this, "QUOTATION DATE STAMP OPTIONS",
                            {"Show Time and Date ", "Don't Show Time and Date"},
                            RadioGroup_DateStamp));
  layout->addLayout(top);
  layout->addWidget(
      RadioGroup(this, "BACKGROUND COLOR OPTIONS", backgrounds, RadioGroup_Backgrounds, 2));

  auto* name_row = new QHBoxLayout;
  auto* name_label = new QLabel("  HTML Output File Name", this);
  Edit_FileName = new QLineEdit(this);
  Edit_FileName->setMaxLength(kHtmlFileNameTyped);
  name_label->setBuddy(Edit_FileName);
  name_row->addWidget(name_label);
  name_row->addWidget(Edit_FileName, 1);
  layout->addLayout(name_row);

  auto* buttons = new QDialogButtonBox(this);
  BitBtn_OK = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  BitBtn_SaveOptions = buttons->addButton("Save Options", QDialogButtonBox::ActionRole);
  BitBtn_Cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  BitBtn_OK->setToolTip("Generate HTML Code");
  BitBtn_SaveOptions->setToolTip("Save Options for Future Sessions and Generate HTML Code");
  layout->addWidget(buttons);
  layout->addWidget(hints_->panel());
  connect(BitBtn_OK, &QPushButton::clicked, this, [this] { done(kAccepted); });
  connect(BitBtn_SaveOptions, &QPushButton::clicked, this, [this] { done(kSaveOptions); });
  connect(BitBtn_Cancel, &QPushButton::clicked, this, [this] { done(kCancelled); });

  auto hint_group = [this](QButtonGroup* group, const QString& status, int topic) {
    for (QAbstractButton* button : group->buttons()) hints_->Add(button, status, topic);
  };
  hint_group(RadioGroup_Divider,
             "Select type of horizontal divider; press <F1> key to learn what (file name) means.",
             kDividerTopic);
  hint_group(RadioGroup_DateStamp,
             "Optionally include the Time and Date your quotation was generated in your HTML "
             "file.",
             kDateStampTopic);
  hint_group(RadioGroup_Backgrounds,
             "Select a Background Color; press <F1> key to learn what (file name) means.",
             kBackgroundTopic);
  hints_->Add(Edit_FileName, "You can change the name of HTML Output File that will be generated.",
              kFileNameTopic);
  hints_->Add(BitBtn_OK, "Accept selected options for this session only.");
  hints_->Add(BitBtn_SaveOptions,
              "Make currently selected options persistent and default until changed.");
  hints_->Add(BitBtn_Cancel, "Cancel any changes made.");
}

void THTML_Options::Load(const HtmlDialogValues& values) {
  Check(RadioGroup_Divider, values.divider_item);
  Check(RadioGroup_DateStamp, values.stamp_item);
  Check(RadioGroup_Backgrounds, values.background_item);
  Edit_FileName->setText(ui::FromAnsi(values.file_name));
}

void THTML_Options::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FocusButton(RadioGroup_Divider)->setFocus();
}

HtmlDialogValues THTML_Options::values() const {
  HtmlDialogValues values;
  values.divider_item = RadioGroup_Divider->checkedId() == 1 ? 1 : 0;
  values.stamp_item = RadioGroup_DateStamp->checkedId() == 1 ? 1 : 0;
  values.background_item = std::max(0, RadioGroup_Backgrounds->checkedId());
  values.file_name = ui::ToAnsi(Edit_FileName->text());
  return values;
}

HtmlCommand::HtmlCommand(QWidget* parent, ui::Host& host, platform::FileSystem& fs,
                         std::string program_dir, const platform::Clock& clock,
                         platform::TimeLocale locale)
    : publisher_(fs, std::move(program_dir), host, clock, std::move(locale)),
      publish_dialog_(new THTML(host, parent)),
      options_dialog_(new THTML_Options(host, parent)) {}

HtmlCommand::~HtmlCommand() {
  delete publish_dialog_;
  delete options_dialog_;
}

void HtmlCommand::Run(const database::QuotationRecord& shown, bool seven_section_naming) {
  publish_dialog_->Reset();
  publisher_.Activate();
  if (publish_dialog_->exec() != QDialog::Accepted) return;
  if (publish_dialog_->choice() == THTML::kWritePage) {
    publisher_.Publish(shown, seven_section_naming);
    return;
  }
  options_dialog_->Load(HtmlDialogValuesOf(publisher_.live()));
  switch (options_dialog_->exec()) {
    case THTML_Options::kAccepted:
      publisher_.AcceptOptions(options_dialog_->values(), shown, seven_section_naming);
      break;
    case THTML_Options::kSaveOptions:
      publisher_.SaveOptions(options_dialog_->values(), shown, seven_section_naming);
      break;
    default:
      break;
  }
}

}  // namespace tessary::publish
