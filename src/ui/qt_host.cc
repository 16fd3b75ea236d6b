#include "ui/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "ui/help_viewer.h"
#include "ui/qt_text.h"

namespace tessary::ui {

QtHost::QtHost(QWidget* parent) : parent_(parent) {}

QtHost::~QtHost() { CloseProgress(); }

namespace {

void Box(QWidget* parent, QMessageBox::Icon icon, const QString& caption, std::string_view text) {
  QMessageBox box(icon, caption, FromAnsi(text), QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

void QtHost::ShowInformation(std::string_view text) {
  Box(parent_, QMessageBox::Information, QApplication::applicationName(), text);
}

void QtHost::ShowWarning(std::string_view text) {
  Box(parent_, QMessageBox::Warning, QApplication::applicationName(), text);
}

void QtHost::ShowError(std::string_view text) {
  Box(parent_, QMessageBox::Critical, QApplication::applicationName(), text);
}

void QtHost::ShowStop(std::string_view caption, std::string_view text) {
  Box(parent_, QMessageBox::Critical, FromAnsi(caption), text);
}

bool QtHost::AskYesNo(std::string_view text, MessageKind icon) {
  QMessageBox box(
      icon == MessageKind::kInformation ? QMessageBox::Information : QMessageBox::Question,
      QApplication::applicationName(), FromAnsi(text), QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

void QtHost::SetClipboardText(std::string_view text) {
  QApplication::clipboard()->setText(FromAnsi(text));
}

std::string QtHost::ClipboardText() { return ToAnsi(QApplication::clipboard()->text()); }

void QtHost::ShowHelp(int topic) {
  HelpViewer* viewer = HelpViewer::Instance();
  // While a dialog is modal every other window is blocked; the help window
  // becomes a window of that dialog then, so it can be read and used beside it.
  QWidget* modal = QApplication::activeModalWidget();
  if (viewer->parentWidget() != modal) viewer->setParent(modal, Qt::Window);
  if (topic == kHelpIndex) {
    viewer->ShowIndex();
  } else if (topic == kHelpSearch) {
    viewer->ShowSearch();
  } else if (topic <= kHelpContents) {
    viewer->ShowContents();
  } else {
    viewer->ShowTopic(topic);
  }
}

void QtHost::ProcessPendingInput() { QApplication::processEvents(); }

void QtHost::SetBusy(bool busy) {
  if (busy) {
    if (busy_depth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busy_depth_ > 0 && --busy_depth_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}

void QtHost::OpenProgress(std::string_view title, std::string_view fixed1,
                          std::string_view fixed2) {
  CloseProgress();
  abandoned_ = false;
  auto* dialog = new QDialog(parent_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(FromAnsi(title));
  dialog->setObjectName("RebuildStatus");
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(new QLabel(FromAnsi(fixed1), dialog));
  layout->addWidget(new QLabel(FromAnsi(fixed2), dialog));
  for (QLabel*& line : progress_lines_) {
    line = new QLabel(dialog);
    layout->addWidget(line);
  }
  auto* abandon = new QPushButton(QObject::tr("Abandon"), dialog);
  abandon->setObjectName("AbandonButton");
  QObject::connect(abandon, &QPushButton::clicked, dialog, [this] { abandoned_ = true; });
  layout->addWidget(abandon);
  progress_ = dialog;
  dialog->show();
  QApplication::processEvents();
}

void QtHost::SetProgressLine(int index, std::string_view text) {
  if (!progress_ || index < 0 || index > 2) return;
  progress_lines_[index]->setText(FromAnsi(text));
}

void QtHost::CloseProgress() {
  if (progress_) progress_->close();
  progress_ = nullptr;
  for (QLabel*& line : progress_lines_) line = nullptr;
}

void QtHost::ExitProgram(int code) { std::_Exit(code); }

}  // namespace tessary::ui
