// TListBrowser: the list control that shows a RowBrowser's page as lines of
// text with an optional header and footer line, a highlighted current row, a
// horizontal text offset and two scroll bars, and turns keys, mouse and scroll
// bar actions into moves of the engine. It never models the whole list.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/row_browser.h"

namespace tessary::browser {

class TListBrowser : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TListBrowser(QWidget* parent = nullptr);
  ~TListBrowser() override;

  // Takes ownership of `engine`, wires its callbacks to this control's
  // events, sizes its page to the window and becomes usable. Does not fill
  // the page. False when `engine` is missing.
  bool AttachEngine(std::unique_ptr<RowBrowser> engine);
  RowBrowser* engine() const { return engine_.get(); }
  bool usable() const { return engine_ != nullptr; }

  // Makes the entry the current row, keeping the highlight on its line.
  void SetCurrentEntry(const std::string& key_text, int32_t ref);
  void SetKeyNumber(int key);
  int32_t CurrentRef() const;
  std::string CurrentKey() const;
  // 65535 without an engine.
  int KeyNumber() const;
  // Re-reads and rebuilds the current row: 1 when its text changed, 0 when
  // not, 5 without an engine.
  int RefreshCurrentRow();
  // Builds a row at once and marks it built (the filter calls it for entries
  // it accepts while their record is in the buffer); 5 without an engine.
  int BuildRowNow(RowRec& row);
  // Reads a row's record: 0 live, 1 absent, 2 locked, 3/4 serious, 5 no engine.
  int ReadRowRecord(const RowRec& row);
  int VisibleRows() const;

  void SetFilterEnabled(bool enabled);
  bool FilterEnabled() const { return filter_enabled_; }
  void SetHeader(const std::string& text);
  void SetFooter(const std::string& text);
  const std::string& Header() const { return header_; }
  const std::string& Footer() const { return footer_; }
  void SetHorizOfs(int offset);
  int HorizOfs() const { return horiz_ofs_; }
  int MaxHorizOfs() const;
  void SetUseSeparator(bool use);

  // Moves, as the keys and the scroll bar run them; each repaints what it changed.
  void FirstPage();
  void LastPage();
  void NextRow();
  void PrevRow();
  void NextPage();
  void PrevPage();
  void Resync();
  void PositionFromScroll(int position);

  // Events.
  std::function<int(RowRec& row)> OnBuildRow;
  std::function<int(RowRec& row, bool& use_it)> OnPerformFilter;
  std::function<void(int call_state, bool rejected)> OnShowFilterWorking;
  std::function<int()> OnPreCompletePage;
  std::function<int()> OnPostCompletePage;
  // May replace a typed character (Windows-1252) before the list uses it.
  std::function<void(char& character)> OnKeyPress;

  // Layout, for tests.
  int RowHeight() const { return row_height_; }
  // The rectangle of page row `row` (1-based) in the viewport.
  QRect RowRect(int row) const;
  // Lines painted since the last call (a whole repaint counts every line).
  int TakePaintedRows();

 signals:
  void RowChanged();
  void FirstUserInit();
  void RowDoubleClicked();
  // Enter or Return on the list.
  void RowActivated();
  // "Class %d error.  Isam Error %d"
  void EngineFailed(const QString& message);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void scrollContentsBy(int, int) override {}
  void changeEvent(QEvent* event) override;

 private:
  struct Painted {
    int32_t ref = 0;
    std::string text;
    bool highlighted = false;
  };

  void Measure();
  void UpdateRows();
  void UpdateScrollBars();
  void Move(const std::function<int()>& move);
  void AfterMove(int result);
  void RepaintChanges();
  std::vector<Painted> Snapshot() const;
  int RowsTop() const;
  int RowAt(int y) const;
  void OnVerticalAction(int action);
  void OnHorizontalAction(int action);
  void AutoScroll();
  void Report(int result);

  std::unique_ptr<RowBrowser> engine_;
  std::string header_;
  std::string footer_;
  bool use_separator_ = true;
  bool filter_enabled_ = false;
  int horiz_ofs_ = 0;
  int row_height_ = 16;
  int char_width_ = 8;
  int horizontal_step_ = 8;
  int dragged_vertical_ = -1;
  int dragged_horizontal_ = -1;
  bool first_display_ = false;
  std::vector<Painted> painted_;
  int painted_rows_ = 0;
  QTimer auto_scroll_;
  int auto_scroll_direction_ = 0;
  // A filter pass may let pending input through in the middle of a move; a
  // resize then waits until the move has ended.
  int moving_ = 0;
  bool resize_pending_ = false;
};

}  // namespace tessary::browser
