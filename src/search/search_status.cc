#include "search/search_status.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace tessary::search {

TWord_Search_Status::TWord_Search_Status(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint) {
  setObjectName("Word_Search_Status");
  setWindowTitle(kWordSearchStatusTitle);
  // Shown with show(), so the pass goes on; modal so that nothing else in the
  // program runs while it does.
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  for (QLabel*& line : lines_) {
    line = new QLabel(this);
    line->setMinimumWidth(380);
    line->setTextFormat(Qt::PlainText);
    layout->addWidget(line);
  }
  stop_ = new QPushButton("&Stop", this);
  stop_->setObjectName("BitBtn_Stop");
  stop_->setToolTip("Stop the search here");
  connect(stop_, &QPushButton::clicked, this, [this] { stop_pressed_ = true; });
  layout->addWidget(stop_, 0, Qt::AlignCenter);
}

void TWord_Search_Status::Open(const std::string& title, const std::string& line1) {
  setWindowTitle(ui::FromAnsi(title));
  lines_[0]->setText(ui::FromAnsi(line1));
  lines_[1]->clear();
  lines_[2]->clear();
  stop_pressed_ = false;
  show();
  raise();
  QApplication::processEvents();
}

void TWord_Search_Status::Update(const std::string& line1, const std::string& line2,
                                 const std::string& line3) {
  lines_[0]->setText(ui::FromAnsi(line1));
  lines_[1]->setText(ui::FromAnsi(line2));
  lines_[2]->setText(ui::FromAnsi(line3));
  for (QLabel* line : lines_) line->repaint();
  QApplication::processEvents();
}

QString TWord_Search_Status::Line(int index) const { return lines_[index]->text(); }

void TWord_Search_Status::showEvent(QShowEvent* event) {
  stop_pressed_ = false;
  QDialog::showEvent(event);
}

void TWord_Search_Status::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) stop_pressed_ = false;
  QDialog::changeEvent(event);
}

// Closing the window or pressing Escape stops the pass; the pass hides the
// window itself when it ends.
void TWord_Search_Status::closeEvent(QCloseEvent* event) {
  stop_pressed_ = true;
  event->ignore();
}

void TWord_Search_Status::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    stop_pressed_ = true;
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace tessary::search
