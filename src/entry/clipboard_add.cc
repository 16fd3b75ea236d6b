#include "entry/clipboard_add.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <cmath>

#include "entry/entry_form.h"
#include "entry/entry_widgets.h"
#include "ui/focus_hints.h"
#include "ui/qt_text.h"

namespace tessary::entry {

TClipboard_Add::TClipboard_Add(ClipboardEntry& entry, ui::Host& host, QWidget* parent)
    : QDialog(parent), entry_(entry), host_(host) {
  setObjectName("TClipboard_Add");
  setWindowTitle("Clipboard Import Screen");
  setModal(true);

  panel_ = new QLabel;
  panel_->setObjectName("StatusPanel");
  panel_->setTextFormat(Qt::PlainText);
  panel_->setFrameShape(QFrame::Panel);
  panel_->setFrameShadow(QFrame::Sunken);
  panel_->setMinimumHeight(panel_->fontMetrics().height() + 8);
  hints_ = new ui::FocusHints(panel_);

  text_ = new QTextEdit;
  text_->setObjectName("Memo_Text");
  text_->setAcceptRichText(false);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Each line shown is one line of the quotation: words wrap at 60 columns of
  // the fixed-pitch font. (A fixed column count would break words anywhere.)
  // Advances of a scaled font are fractional: measure them exactly.
  const QFontMetricsF metrics(text_->font());
  const qreal column = metrics.horizontalAdvance('M');
  const qreal margin = text_->document()->documentMargin();
  text_->setLineWrapMode(QTextEdit::FixedPixelWidth);
  text_->setLineWrapColumnOrWidth(
      static_cast<int>(std::ceil(kClipboardColumns * column + 2 * margin + column / 2)));
  text_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setMinimumWidth(static_cast<int>(std::ceil(62 * column)) +
                         text_->verticalScrollBar()->sizeHint().width() + 2 * text_->frameWidth());
  text_->setMinimumHeight(static_cast<int>(metrics.lineSpacing() * 12));
  hints_->Add(text_, kTextBoxHint);
  connect(text_, &QTextEdit::textChanged, this, &TClipboard_Add::CountLines);

  line_count_ = new QLabel;
  line_count_->setObjectName("Label_Lines");

  auto* key_form = new QFormLayout;
  key_form->setLabelAlignment(Qt::AlignRight);
  const auto& table = ClipboardKeyBoxes();
  for (int i = 0; i < kClipboardKeyCount; ++i) {
    auto* edit = new QLineEdit;
    edit->setObjectName(table[i].object_name);
    edit->setMaxLength(table[i].max_length);
    edit->setValidator(new StorableValidator(edit));
    const int chars = table[i].max_length < 4 ? 4 : table[i].max_length;
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QString(chars + 2, 'M')));
    key_form->addRow(table[i].label, edit);
    keys_[i] = edit;
    hints_->Add(edit, table[i].hint);
  }

  replicate_ = new QPushButton("Replicate");
  replicate_->setObjectName("BitBtn_Replicate");
  replicate_->setToolTip(kReplicateTip);
  hints_->Add(replicate_, kReplicateHint);
  connect(replicate_, &QPushButton::clicked, this, &TClipboard_Add::Replicate);
  ok_ = new QPushButton("OK");
  ok_->setObjectName("BitBtn_OK");
  hints_->Add(ok_, kAcceptHint);
  connect(ok_, &QPushButton::clicked, this, &TClipboard_Add::Ok);
  cancel_ = new QPushButton("Cancel");
  cancel_->setObjectName("BitBtn_Cancel");
  hints_->Add(cancel_, kCancelHint);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  help_ = new QPushButton("Help");
  help_->setObjectName("BitBtn_Help");
  hints_->Add(help_, kClipboardHelpHint);
  connect(help_, &QPushButton::clicked, this, [this] { host_.ShowHelp(kClipboardHelpTopic); });

  auto* left = new QVBoxLayout;
  left->addWidget(text_, 1);
  left->addWidget(line_count_);
  auto* right = new QVBoxLayout;
  right->addLayout(key_form);
  right->addWidget(replicate_, 0, Qt::AlignRight);
  right->addStretch();
  auto* body = new QHBoxLayout;
  body->addLayout(left, 1);
  body->addLayout(right);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addWidget(help_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addLayout(buttons);
  layout->addWidget(panel_);
}

TClipboard_Add::~TClipboard_Add() = default;

bool TClipboard_Add::Run() {
  text_->clear();
  ShowKeys();
  CountLines();
  return exec() == QDialog::Accepted;
}

void TClipboard_Add::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  text_->setFocus();
  panel_->setText(kTextBoxHint);
}

void TClipboard_Add::ShowKeys() {
  for (int i = 0; i < kClipboardKeyCount; ++i) keys_[i]->setText(ui::FromAnsi(entry_.keys[i]));
}

void TClipboard_Add::CountLines() {
  const size_t lines = WrapClipboardText(ui::ToAnsi(text_->toPlainText())).size();
  QString text = QString("Lines: %1 of %2").arg(lines).arg(kClipboardMaxLines);
  if (lines > kClipboardMaxLines) {
    text += " - too long to add";
  } else if (lines > static_cast<size_t>(database::kLineCount)) {
    text += " - stored as two records";
  }
  line_count_->setText(text);
}

void TClipboard_Add::Replicate() {
  if (entry_.Replicate()) {
    ShowKeys();
    text_->setFocus();
  }
}

void TClipboard_Add::Ok() {
  const QString text = text_->toPlainText();
  if (!Storable(text)) {
    host_.ShowWarning(
        "The text holds characters that a quotation cannot store (they have no Windows-1252 "
        "form).  Replace them and press OK again.");
    return;
  }
  for (int i = 0; i < kClipboardKeyCount; ++i) entry_.keys[i] = ui::ToAnsi(keys_[i]->text());
  if (std::string refused = entry_.Accept(ui::ToAnsi(text)); !refused.empty()) {
    host_.ShowWarning(refused);
    return;
  }
  accept();
}

}  // namespace tessary::entry
