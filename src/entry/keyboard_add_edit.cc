#include "entry/keyboard_add_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include "entry/entry_widgets.h"
#include "ui/qt_text.h"

namespace tessary::entry {
namespace {

constexpr int kQuotationPage = 0;
constexpr int kKeyPage = 1;

QLabel* StatusPanel(QWidget* parent) {
  auto* panel = new QLabel(parent);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setTextFormat(Qt::PlainText);  // "<T>rue" is text, not markup
  panel->setMinimumHeight(panel->fontMetrics().height() + 8);
  return panel;
}

}  // namespace

TKeyboard_Add_Edit::TKeyboard_Add_Edit(EntryForm& form, ui::Host& host, QWidget* parent)
    : QDialog(parent), form_(form), host_(host) {
  setObjectName("TKeyboard_Add_Edit");
  setWindowTitle("Edit Screen");
  setModal(true);

  pages_ = new QTabWidget(this);
  auto* quotation = new QWidget;
  auto* keys = new QWidget;
  pages_->addTab(quotation, "Quotation");
  pages_->addTab(keys, "Key Fields");

  auto* line_grid = new QGridLayout;
  auto* key_form = new QFormLayout;
  key_form->setLabelAlignment(Qt::AlignRight);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const auto& table = FormBoxes();
  for (int i = 0; i < kBoxCount; ++i) {
    const FormBox& info = table[i];
    auto* edit = new QLineEdit;
    edit->setObjectName(info.object_name);
    edit->setMaxLength(info.max_length);
    switch (info.kind) {
      case BoxKind::kText:
        edit->setValidator(new StorableValidator(edit));
        break;
      case BoxKind::kRecordNumber:
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9 ]*"), edit));
        break;
      case BoxKind::kSwitch:
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[TFtf]?"), edit));
        connect(edit, &QLineEdit::textEdited, edit,
                [edit](const QString& text) { edit->setText(text.toUpper()); });
        break;
      case BoxKind::kDigit:
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]?"), edit));
        break;
    }
    const int chars = info.max_length < 4 ? 4 : info.max_length;
    if (!info.on_key_page) {
      // Sixty characters side by side in a fixed-pitch font, as a line prints.
      edit->setFont(fixed);
      edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(61, 'M')));
      auto* label = new QLabel(info.label);
      label->setBuddy(edit);
      line_grid->addWidget(label, i, 0, Qt::AlignRight);
      line_grid->addWidget(edit, i, 1);
    } else {
      edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QString(chars + 2, 'M')));
      key_form->addRow(info.label, edit);
    }
    boxes_[i] = edit;
    box_index_.insert(edit, i);
  }

  auto* quotation_layout = new QVBoxLayout(quotation);
  quotation_layout->addLayout(line_grid);
  quotation_layout->addStretch();
  panels_[kQuotationPage] = StatusPanel(quotation);
  quotation_layout->addWidget(panels_[kQuotationPage]);
  auto* keys_layout = new QVBoxLayout(keys);
  keys_layout->addLayout(key_form);
  keys_layout->addStretch();
  panels_[kKeyPage] = StatusPanel(keys);
  keys_layout->addWidget(panels_[kKeyPage]);

  ok_ = new QPushButton("OK");
  ok_->setObjectName("BitBtn_OK");
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel");
  cancel_->setObjectName("BitBtn_Cancel");
  help_ = new QPushButton("Help");
  help_->setObjectName("BitBtn_Help");
  connect(ok_, &QPushButton::clicked, this, &TKeyboard_Add_Edit::Ok);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(help_, &QPushButton::clicked, this, [this] { host_.ShowHelp(HelpTopic(form_.mode())); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addWidget(help_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addLayout(buttons);

  copy_menu_ = new QMenu(this);
  copy_menu_->setObjectName("PopupMenu_Copy");
  const auto& items = CopyMenu();
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* action = copy_menu_->addAction(items[i].text);
    connect(action, &QAction::triggered, this, [this, i] {
      ReadBoxes();
      form_.CopyFromPrevious(i);
      ShowBoxes();
    });
  }

  focus_connection_ = connect(qApp, &QApplication::focusChanged, this,
                              [this](QWidget*, QWidget* now) { FocusMoved(now); });
}

// The base class's destructor moves the focus while this part is gone.
TKeyboard_Add_Edit::~TKeyboard_Add_Edit() { disconnect(focus_connection_); }

bool TKeyboard_Add_Edit::Run() {
  const EntryMode mode = form_.mode();
  setWindowTitle(QString::fromLatin1(Caption(mode).data(), Caption(mode).size()));
  ShowBoxes();
  for (QLineEdit* edit : boxes_) edit->setReadOnly(mode == EntryMode::kDelete);
  copy_menu_->setEnabled(mode != EntryMode::kDelete);
  SetPanels(mode == EntryMode::kDelete ? kDeleteHint : "");
  return exec() == QDialog::Accepted;
}

void TKeyboard_Add_Edit::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  pages_->setCurrentIndex(kKeyPage);
  boxes_[kBookCode]->setFocus();
  FocusMoved(boxes_[kBookCode]);
}

void TKeyboard_Add_Edit::ShowBoxes() {
  for (int i = 0; i < kBoxCount; ++i) boxes_[i]->setText(ui::FromAnsi(form_.boxes[i]));
}

void TKeyboard_Add_Edit::ReadBoxes() {
  for (int i = 0; i < kBoxCount; ++i) form_.boxes[i] = ui::ToAnsi(boxes_[i]->text());
}

void TKeyboard_Add_Edit::Ok() {
  ReadBoxes();
  if (std::string refused = form_.Accept(); !refused.empty()) {
    host_.ShowError(refused);
    return;
  }
  ShowBoxes();
  accept();
}

void TKeyboard_Add_Edit::contextMenuEvent(QContextMenuEvent* event) {
  if (form_.mode() != EntryMode::kDelete) copy_menu_->popup(event->globalPos());
}

void TKeyboard_Add_Edit::SetPanels(const QString& text) {
  panels_[kQuotationPage]->setText(text);
  panels_[kKeyPage]->setText(text);
}

void TKeyboard_Add_Edit::FocusMoved(QWidget* now) {
  if (now == nullptr || now->window() != this) return;
  // Deleting shows the one instruction that matters.
  if (form_.mode() == EntryMode::kDelete) return SetPanels(kDeleteHint);
  if (now == ok_) return SetPanels(kAcceptHint);
  if (now == cancel_) return SetPanels(kCancelHint);
  if (now == help_) return SetPanels(kHelpHint);
  auto it = box_index_.find(now);
  if (it == box_index_.end()) return;
  const FormBox& info = FormBoxes()[it.value()];
  panels_[info.on_key_page ? kKeyPage : kQuotationPage]->setText(info.hint);
}

}  // namespace tessary::entry
