// TWord_Search_Status: the "Word Search Status" window, three lines and a
// stop button, shown while a search pass runs. It stays on top and does not
// block the code that shows it; while it is up it takes the program's input,
// so the list cannot be moved under a running pass. Its stop flag is cleared
// whenever it is shown or activated. A long viewing-filter pass uses the same
// window under another title.
#pragma once

#include <QDialog>
#include <string>

#include "search/word_search.h"

class QLabel;
class QPushButton;

namespace tessary::search {

class TWord_Search_Status : public QDialog, public WordSearchStatus {
  Q_OBJECT

 public:
  explicit TWord_Search_Status(QWidget* parent = nullptr);

  // Shows the window (without waiting) with its title and first line.
  void Open(const std::string& title, const std::string& line1);
  void Update(const std::string& line1, const std::string& line2,
              const std::string& line3) override;
  bool StopPressed() override { return stop_pressed_; }

  QString Line(int index) const;
  QPushButton* stop_button() const { return stop_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* lines_[3] = {};
  QPushButton* stop_ = nullptr;
  bool stop_pressed_ = false;
};

}  // namespace tessary::search
