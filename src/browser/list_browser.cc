#include "browser/list_browser.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "isam/errors.h"
#include "ui/qt_text.h"

namespace tessary::browser {
namespace {

constexpr int kMargin = 4;
constexpr int kAutoScrollMs = 40;
// Windows-1252 letters that start a search besides digits and A to Z.
constexpr unsigned char kSearchLetters[] = {196, 214, 220, 223, 228, 246, 252};

bool StartsSearch(unsigned char c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return true;
  return std::find(std::begin(kSearchLetters), std::end(kSearchLetters), c) !=
         std::end(kSearchLetters);
}

}  // namespace

TListBrowser::TListBrowser(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::Box);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setAutoFillBackground(false);
  // paintEvent covers every pixel it is asked for, so a scrolled page can be
  // moved on screen and only the uncovered lines painted.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  resize(200, 100);
  verticalScrollBar()->setRange(0, kScrollMax);
  verticalScrollBar()->setPageStep(8);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &TListBrowser::OnVerticalAction);
  connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
    if (dragged_vertical_ >= 0) {
      int position = dragged_vertical_;
      dragged_vertical_ = -1;
      PositionFromScroll(position);
    }
  });
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          &TListBrowser::OnHorizontalAction);
  connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
    if (dragged_horizontal_ >= 0) {
      int offset = dragged_horizontal_;
      dragged_horizontal_ = -1;
      SetHorizOfs(offset);
    }
  });
  auto_scroll_.setInterval(kAutoScrollMs);
  connect(&auto_scroll_, &QTimer::timeout, this, &TListBrowser::AutoScroll);
  Measure();
}

TListBrowser::~TListBrowser() = default;

// ---- Layout ----------------------------------------------------------------

void TListBrowser::Measure() {
  QFontMetrics metrics(font());
  row_height_ = std::max(1, metrics.height() + metrics.leading());
  char_width_ = std::max(1, metrics.averageCharWidth());
  horizontal_step_ = std::max(1, (metrics.maxWidth() + metrics.averageCharWidth()) / 2);
}

void TListBrowser::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    Measure();
    UpdateRows();
  }
}

int TListBrowser::VisibleRows() const {
  int rows = viewport()->height() / row_height_;
  rows = std::min(rows, engine_ ? engine_->capacity() : 50);
  if (!header_.empty()) --rows;
  if (!footer_.empty()) --rows;
  return std::max(rows, 1);
}

int TListBrowser::RowsTop() const { return header_.empty() ? 0 : row_height_ + 1; }

QRect TListBrowser::RowRect(int row) const {
  return QRect(0, RowsTop() + (row - 1) * row_height_, viewport()->width(), row_height_);
}

int TListBrowser::RowAt(int y) const { return (y - RowsTop()) / row_height_ + 1; }

int TListBrowser::MaxHorizOfs() const {
  int widest = static_cast<int>(kRowEltLength) * char_width_ + 2 * kMargin;
  return std::max(0, widest - viewport()->width());
}

void TListBrowser::UpdateRows() {
  if (!engine_) return;
  int wanted = VisibleRows();
  if (wanted != engine_->visible_rows()) Report(engine_->SetVisibleRows(wanted));
  UpdateScrollBars();
  painted_.clear();
  viewport()->update();
}

void TListBrowser::UpdateScrollBars() {
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, MaxHorizOfs());
  horizontal->setSingleStep(horizontal_step_);
  horizontal->setPageStep(10 * horizontal_step_);
  horiz_ofs_ = std::clamp(horiz_ofs_, 0, MaxHorizOfs());
  horizontal->setValue(horiz_ofs_);
  if (engine_ && dragged_vertical_ < 0) {
    QSignalBlocker block(verticalScrollBar());
    verticalScrollBar()->setValue(engine_->ScrollPosition());
  }
}

void TListBrowser::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (moving_ > 0) {
    resize_pending_ = true;
    return;
  }
  UpdateRows();
}

// ---- Operations ---------------------------------------------------------------

bool TListBrowser::AttachEngine(std::unique_ptr<RowBrowser> engine) {
  if (!engine) return false;
  engine_ = std::move(engine);
  engine_->BuildRow = [this](RowRec& row) {
    if (OnBuildRow) return OnBuildRow(row);
    row.elements[0] = "You do not have an OnBuildRow event defined";
    return 0;
  };
  engine_->PerformFilter = [this](RowRec& row, bool& use_it) {
    return OnPerformFilter ? OnPerformFilter(row, use_it) : 0;
  };
  engine_->ShowFilterWorking = [this](int state, bool rejected) {
    if (OnShowFilterWorking) OnShowFilterWorking(state, rejected);
  };
  engine_->PreCompletePage = [this] {
    if (OnPreCompletePage) OnPreCompletePage();
  };
  engine_->PostCompletePage = [this] {
    if (OnPostCompletePage) OnPostCompletePage();
  };
  engine_->SetFilterActive(filter_enabled_);
  Measure();
  engine_->SetVisibleRows(VisibleRows());
  UpdateScrollBars();
  painted_.clear();
  viewport()->update();
  first_display_ = true;
  emit FirstUserInit();
  return true;
}

void TListBrowser::Report(int result) {
  if (result <= kNoEntry) return;
  int error_class = isam::ClassNumber(isam::ErrorClassOf(result));
  if (error_class < 2) return;
  emit EngineFailed(QString::asprintf("Class %d error.  Isam Error %d", error_class, result));
}

std::vector<TListBrowser::Painted> TListBrowser::Snapshot() const {
  std::vector<Painted> lines;
  if (!engine_) return lines;
  for (int i = 1; i <= engine_->visible_rows(); ++i) {
    const RowRec& row = engine_->row(i);
    Painted line;
    line.ref = row.ref;
    line.text = row.empty() || row.elements.empty() ? std::string() : row.elements[0];
    line.highlighted = i == engine_->current_row();
    lines.push_back(std::move(line));
  }
  return lines;
}

// Repaints what a move changed: when the page scrolled, the window content
// is scrolled and only the uncovered lines and the highlight are painted.
void TListBrowser::RepaintChanges() {
  std::vector<Painted> now = Snapshot();
  const int n = static_cast<int>(now.size());
  if (static_cast<int>(painted_.size()) != n) {
    painted_ = std::move(now);
    viewport()->update();
    return;
  }
  auto same = [](const Painted& a, const Painted& b) {
    return a.ref == b.ref && a.text == b.text && a.highlighted == b.highlighted;
  };
  int shift = 0;
  for (int k = 1; k < n && shift == 0; ++k) {
    int overlap = 0;
    bool down = true;
    bool up = true;
    for (int i = 0; i + k < n; ++i) {
      down = down && now[i].ref == painted_[i + k].ref && now[i].text == painted_[i + k].text;
      up = up && now[i + k].ref == painted_[i].ref && now[i + k].text == painted_[i].text;
      ++overlap;
    }
    if (overlap * 2 < n) break;
    if (down && now[0].ref > 0) shift = k;
    if (up && now[k].ref > 0 && shift == 0) shift = -k;
  }
  std::vector<Painted> base = painted_;
  if (shift != 0) {
    QRect area(0, RowsTop(), viewport()->width(), n * row_height_);
    viewport()->scroll(0, -shift * row_height_, area);
    std::vector<Painted> moved(n);
    for (int i = 0; i < n; ++i) {
      int from = i + shift;
      if (from >= 0 && from < n) moved[i] = painted_[from];
    }
    base = std::move(moved);
  }
  for (int i = 0; i < n; ++i) {
    if (!same(base[i], now[i])) viewport()->update(RowRect(i + 1));
  }
  painted_ = std::move(now);
}

void TListBrowser::AfterMove(int result) {
  Report(result);
  RepaintChanges();
  UpdateScrollBars();
  emit RowChanged();
}

void TListBrowser::Move(const std::function<int()>& move) {
  if (!engine_) return;
  ++moving_;
  const int result = move();
  --moving_;
  AfterMove(result);
  if (moving_ == 0 && resize_pending_) {
    resize_pending_ = false;
    UpdateRows();
  }
}

void TListBrowser::FirstPage() {
  Move([this] { return engine_->FirstPage(); });
}
void TListBrowser::LastPage() {
  Move([this] { return engine_->LastPage(); });
}
void TListBrowser::NextRow() {
  Move([this] { return engine_->NextRow(); });
}
void TListBrowser::PrevRow() {
  Move([this] { return engine_->PrevRow(); });
}
void TListBrowser::NextPage() {
  Move([this] { return engine_->NextPage(); });
}
void TListBrowser::PrevPage() {
  Move([this] { return engine_->PrevPage(); });
}
void TListBrowser::Resync() {
  Move([this] { return engine_->Resync(); });
}
void TListBrowser::PositionFromScroll(int position) {
  Move([this, position] { return engine_->PositionFromScroll(position); });
}

void TListBrowser::SetCurrentEntry(const std::string& key_text, int32_t ref) {
  Move([&] {
    return engine_->SetPosition(engine_->key_number(), key_text, ref, engine_->current_row());
  });
}

void TListBrowser::SetKeyNumber(int key) {
  if (!engine_) return;
  engine_->SetKeyNumber(key);
  Resync();
}

int32_t TListBrowser::CurrentRef() const { return engine_ ? engine_->CurrentRef() : 0; }
std::string TListBrowser::CurrentKey() const {
  return engine_ ? engine_->CurrentKey() : std::string();
}
int TListBrowser::KeyNumber() const { return engine_ ? engine_->key_number() : 65535; }

int TListBrowser::RefreshCurrentRow() {
  if (!engine_) return 5;
  RowRec& row = engine_->row(engine_->current_row());
  if (row.empty()) return 0;
  int status = engine_->ReadRowRecord(row);
  if (status == 1 || status == 2) row.status = -1;
  std::vector<std::string> before = row.elements;
  if (OnBuildRow) OnBuildRow(row);
  row.changed = row.elements != before;
  if (row.changed) viewport()->update(RowRect(engine_->current_row()));
  painted_ = Snapshot();
  return row.changed ? 1 : 0;
}

int TListBrowser::BuildRowNow(RowRec& row) {
  if (!engine_) return 5;
  int rc = OnBuildRow ? OnBuildRow(row) : 0;
  row.built = true;
  return rc;
}

int TListBrowser::ReadRowRecord(const RowRec& row) {
  return engine_ ? engine_->ReadRowRecord(row) : 5;
}

void TListBrowser::SetFilterEnabled(bool enabled) {
  if (enabled == filter_enabled_) return;
  filter_enabled_ = enabled;
  if (!engine_) return;
  engine_->SetFilterActive(enabled);
  Resync();
}

void TListBrowser::SetHeader(const std::string& text) {
  if (text == header_) return;
  header_ = text;
  UpdateRows();
}

void TListBrowser::SetFooter(const std::string& text) {
  if (text == footer_) return;
  footer_ = text;
  UpdateRows();
}

void TListBrowser::SetUseSeparator(bool use) {
  use_separator_ = use;
  viewport()->update();
}

void TListBrowser::SetHorizOfs(int offset) {
  horiz_ofs_ = std::clamp(offset, 0, MaxHorizOfs());
  QSignalBlocker block(horizontalScrollBar());
  horizontalScrollBar()->setValue(horiz_ofs_);
  painted_.clear();
  viewport()->update();
}

int TListBrowser::TakePaintedRows() {
  int n = painted_rows_;
  painted_rows_ = 0;
  return n;
}

// ---- Painting -----------------------------------------------------------------

void TListBrowser::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  const QPalette& pal = palette();
  const QRegion clip = event->region();
  const int width = viewport()->width();
  QFontMetrics metrics(font());
  const int baseline = metrics.ascent();
  auto draw_line = [&](const QRect& rect, const std::string& text, const QColor& background,
                       const QColor& foreground) {
    painter.fillRect(rect, background);
    painter.setPen(foreground);
    painter.drawText(kMargin - horiz_ofs_, rect.top() + baseline, ui::FromAnsi(text));
  };
  if (!header_.empty()) {
    QRect rect(0, 0, width, row_height_);
    draw_line(rect, header_, pal.color(QPalette::Button), pal.color(QPalette::ButtonText));
    painter.fillRect(QRect(0, row_height_, width, 1),
                     use_separator_ ? pal.color(QPalette::Dark) : pal.color(QPalette::Base));
  }
  const int rows = engine_ ? engine_->visible_rows() : 0;
  for (int i = 1; i <= rows; ++i) {
    QRect rect = RowRect(i);
    if (!clip.intersects(rect)) continue;
    ++painted_rows_;
    const RowRec& row = engine_->row(i);
    bool highlighted = i == engine_->current_row() && !row.empty();
    std::string text = row.empty() || row.elements.empty() ? std::string() : row.elements[0];
    draw_line(rect, text, highlighted ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base),
              highlighted ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
  }
  int bottom = RowsTop() + rows * row_height_;
  int footer_top = footer_.empty() ? viewport()->height() : viewport()->height() - row_height_;
  if (bottom < footer_top) {
    painter.fillRect(QRect(0, bottom, width, footer_top - bottom), pal.color(QPalette::Base));
  }
  if (!footer_.empty()) {
    if (use_separator_)
      painter.fillRect(QRect(0, footer_top - 1, width, 1), pal.color(QPalette::Dark));
    draw_line(QRect(0, footer_top, width, row_height_), footer_, pal.color(QPalette::Button),
              pal.color(QPalette::ButtonText));
  }
  if (painted_.empty()) painted_ = Snapshot();
}

// ---- Input ---------------------------------------------------------------------

void TListBrowser::keyPressEvent(QKeyEvent* event) {
  if (!engine_) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  const bool control = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Down:
      NextRow();
      return;
    case Qt::Key_Up:
      PrevRow();
      return;
    case Qt::Key_PageDown:
      NextPage();
      return;
    case Qt::Key_PageUp:
      PrevPage();
      return;
    case Qt::Key_Home:
      control ? FirstPage() : SetHorizOfs(0);
      return;
    case Qt::Key_End:
      control ? LastPage() : SetHorizOfs(MaxHorizOfs());
      return;
    case Qt::Key_Left:
      SetHorizOfs(horiz_ofs_ - (control ? 10 : 1) * horizontal_step_);
      return;
    case Qt::Key_Right:
      SetHorizOfs(horiz_ofs_ + (control ? 10 : 1) * horizontal_step_);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit RowActivated();
      return;
    default:
      break;
  }
  QString text = event->text();
  if (text.size() != 1) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  std::string ansi = ui::ToAnsi(text);
  char character = ansi.empty() ? '\0' : ansi[0];
  if (OnKeyPress) OnKeyPress(character);
  unsigned char c = static_cast<unsigned char>(character);
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
  if (c == '+') {
    Resync();
  } else if (StartsSearch(c)) {
    SetCurrentEntry(std::string(1, static_cast<char>(c)), 0);
  }
}

void TListBrowser::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (!engine_) return;
  int y = static_cast<int>(event->position().y());
  int footer_top = footer_.empty() ? viewport()->height() : viewport()->height() - row_height_;
  if (y < RowsTop() || y >= footer_top) return;
  int filled = engine_->filled_rows();
  if (filled == 0) return;
  int row = std::clamp(RowAt(y), 1, filled);
  if (row != engine_->current_row()) {
    engine_->SetCurrentRow(row);
    RepaintChanges();
    UpdateScrollBars();
    emit RowChanged();
  }
  if (event->button() == Qt::LeftButton) {
    auto_scroll_direction_ = 0;
    auto_scroll_.start();
  }
}

void TListBrowser::mouseMoveEvent(QMouseEvent* event) {
  if (!engine_ || !(event->buttons() & Qt::LeftButton)) return;
  int y = static_cast<int>(event->position().y());
  int rows_bottom = RowsTop() + engine_->visible_rows() * row_height_;
  if (y >= rows_bottom) {
    auto_scroll_direction_ = 1;
  } else if (y < RowsTop()) {
    auto_scroll_direction_ = -1;
  } else {
    auto_scroll_direction_ = 0;
    int row = std::clamp(RowAt(y), 1, std::max(1, engine_->filled_rows()));
    if (row != engine_->current_row()) {
      engine_->SetCurrentRow(row);
      RepaintChanges();
      emit RowChanged();
    }
  }
}

void TListBrowser::mouseReleaseEvent(QMouseEvent*) {
  auto_scroll_.stop();
  auto_scroll_direction_ = 0;
}

void TListBrowser::AutoScroll() {
  if (!(QApplication::mouseButtons() & Qt::LeftButton)) {
    auto_scroll_.stop();
    return;
  }
  if (auto_scroll_direction_ > 0) NextRow();
  if (auto_scroll_direction_ < 0) PrevRow();
}

void TListBrowser::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!engine_) return;
  int y = static_cast<int>(event->position().y());
  if (y >= RowsTop() && RowAt(y) <= engine_->filled_rows()) emit RowDoubleClicked();
}

void TListBrowser::OnVerticalAction(int action) {
  QScrollBar* bar = verticalScrollBar();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      NextRow();
      break;
    case QAbstractSlider::SliderSingleStepSub:
      PrevRow();
      break;
    case QAbstractSlider::SliderPageStepAdd:
      NextPage();
      break;
    case QAbstractSlider::SliderPageStepSub:
      PrevPage();
      break;
    case QAbstractSlider::SliderToMinimum:
      FirstPage();
      break;
    case QAbstractSlider::SliderToMaximum:
      LastPage();
      break;
    case QAbstractSlider::SliderMove:
      // While the thumb is dragged only its position is remembered.
      dragged_vertical_ = bar->sliderPosition();
      return;
    default:
      return;
  }
  // The scroll bar takes the position the move set, not its own step.
  if (engine_) bar->setSliderPosition(engine_->ScrollPosition());
}

void TListBrowser::OnHorizontalAction(int action) {
  QScrollBar* bar = horizontalScrollBar();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      SetHorizOfs(horiz_ofs_ + horizontal_step_);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      SetHorizOfs(horiz_ofs_ - horizontal_step_);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      SetHorizOfs(horiz_ofs_ + 10 * horizontal_step_);
      break;
    case QAbstractSlider::SliderPageStepSub:
      SetHorizOfs(horiz_ofs_ - 10 * horizontal_step_);
      break;
    case QAbstractSlider::SliderToMinimum:
      SetHorizOfs(0);
      break;
    case QAbstractSlider::SliderToMaximum:
      SetHorizOfs(MaxHorizOfs());
      break;
    case QAbstractSlider::SliderMove:
      dragged_horizontal_ = bar->sliderPosition();
      return;
    default:
      return;
  }
  bar->setSliderPosition(horiz_ofs_);
}

}  // namespace tessary::browser
