// The record list of the main window driven by keys, typed characters, the
// mouse and the vertical scroll bar, checked against independent walks of the
// index and against what the list repainted.
#include "browser/list_browser.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <algorithm>
#include <cstdlib>

#include "gui/window_fixture.h"

namespace tessary::testing {
namespace {

class ListBrowserTest : public MainWindowFixture {
 protected:
  // Starts on the shared database (or one of `count` records) with the paint
  // count cleared.
  browser::TListBrowser* StartList(int count = 0) {
    if (count > 0) {
      BuildDatabase(count, dir_.path());
    } else {
      CopySharedDatabase(dir_.path());
    }
    StartQuiet();
    list_ = window_->list();
    walk_ = WalkKey(window_->session(), 1);
    Flush();
    return list_;
  }
  // Handles pending events (repaints included) and clears the paint count.
  void Flush() {
    QCoreApplication::processEvents();
    list_->TakePaintedRows();
  }
  // Runs `act` and returns the number of lines painted because of it.
  int Painted(const std::function<void()>& act) {
    Flush();
    act();
    QCoreApplication::processEvents();
    return list_->TakePaintedRows();
  }
  // Presses a key (or types a character) and returns the lines painted.
  template <typename Key>
  int Press(Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return Painted([&] { QTest::keyClick(list_, key, modifiers); });
  }
  const browser::RowBrowser& Engine() const { return *list_->engine(); }
  int Thumb() const { return list_->verticalScrollBar()->value(); }
  // The position of the current entry in the walk of key 1, -1 when absent.
  int IndexOfCurrent() const {
    auto at =
        std::find(walk_.begin(), walk_.end(), KeyEntry{list_->CurrentKey(), list_->CurrentRef()});
    return at == walk_.end() ? -1 : static_cast<int>(at - walk_.begin());
  }
  std::vector<int32_t> Refs(size_t from, size_t count) const {
    std::vector<int32_t> refs;
    for (size_t i = from; i < from + count && i < walk_.size(); ++i) refs.push_back(walk_[i].ref);
    return refs;
  }

  browser::TListBrowser* list_ = nullptr;
  std::vector<KeyEntry> walk_;
};

// Each key and scroll-bar action in turn: the entry it highlights, the entry
// on the first row, the thumb and the lines painted (-1: not checked). A move
// of the highlight paints the two lines concerned; so does a one-line scroll.
TEST_F(ListBrowserTest, KeysAndScrollBarActionsMoveThroughTheList) {
  StartList();
  const size_t n = walk_.size();
  const size_t rows = static_cast<size_t>(list_->VisibleRows());
  ASSERT_GT(rows, 5u);
  QScrollBar* bar = list_->verticalScrollBar();
  auto key = [this](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    return [=, this] { QTest::keyClick(list_, k, m); };
  };
  auto slider = [bar](QAbstractSlider::SliderAction a) { return [=] { bar->triggerAction(a); }; };
  const struct {
    const char* name;
    std::function<void()> act;
    size_t current, first;
    int thumb, painted;
  } steps[] = {
      {"Down", key(Qt::Key_Down), 1, 0, -1, 2},
      {"Up", key(Qt::Key_Up), 0, 0, -1, 2},
      {"Up at the start", key(Qt::Key_Up), 0, 0, 0, 0},
      {"Down to the last line",
       [&] {
         for (size_t i = 1; i < rows; ++i) QTest::keyClick(list_, Qt::Key_Down);
       },
       rows - 1, 0, -1, -1},
      {"Down on the last line", key(Qt::Key_Down), rows, 1, -1, 2},
      {"Ctrl+Home", key(Qt::Key_Home, Qt::ControlModifier), 0, 0, 0, -1},
      {"Page Down", key(Qt::Key_PageDown), rows, rows, -1, -1},
      {"Ctrl+End", key(Qt::Key_End, Qt::ControlModifier), n - 1, n - rows, 63, -1},
      {"Page Down at the end", key(Qt::Key_PageDown), n - 1, n - rows, 63, 0},
      {"Ctrl+Home", key(Qt::Key_Home, Qt::ControlModifier), 0, 0, 0, -1},
      {"bar: one row", slider(QAbstractSlider::SliderSingleStepAdd), 1, 0, -1, -1},
      {"bar: one page", slider(QAbstractSlider::SliderPageStepAdd), rows + 1, rows, -1, -1},
      {"bar: to the end", slider(QAbstractSlider::SliderToMaximum), n - 1, n - rows, 63, -1},
      {"bar: to the start", slider(QAbstractSlider::SliderToMinimum), 0, 0, 0, -1},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    const int painted = Painted(step.act);
    EXPECT_EQ(IndexOfCurrent(), static_cast<int>(step.current));
    EXPECT_EQ(PageRefs(*window_), Refs(step.first, rows));
    if (step.thumb >= 0) {
      EXPECT_EQ(Thumb(), step.thumb);
    }
    if (step.painted >= 0) {
      EXPECT_EQ(painted, step.painted);
    }
  }
  Press(Qt::Key_End, Qt::ControlModifier);
  Press(Qt::Key_Up);
  EXPECT_GE(Thumb(), 62) << "the next-to-last entry sits at the end of the bar";
}

TEST_F(ListBrowserTest, HomeEndLeftAndRightMoveTheTextSidewaysOnly) {
  StartList();
  window_->resize(640, 480);
  Flush();
  const int max = list_->MaxHorizOfs();
  ASSERT_GT(max, 0) << "rows of 128 characters must be wider than the window";
  Press(Qt::Key_Down);
  const std::vector<int32_t> page = PageRefs(*window_);

  EXPECT_GT(Press(Qt::Key_End), 0);
  EXPECT_EQ(list_->HorizOfs(), max);
  EXPECT_EQ(list_->horizontalScrollBar()->value(), max);
  Press(Qt::Key_Right);
  EXPECT_EQ(list_->HorizOfs(), max) << "the offset stops at its largest useful value";
  Press(Qt::Key_Home);
  EXPECT_EQ(list_->HorizOfs(), 0);
  Press(Qt::Key_Left);
  EXPECT_EQ(list_->HorizOfs(), 0);
  Press(Qt::Key_Right);
  const int step = list_->HorizOfs();
  EXPECT_GT(step, 0);
  Press(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(list_->HorizOfs(), std::min(max, 11 * step));
  Press(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(list_->HorizOfs(), std::max(0, std::min(max, 11 * step) - 10 * step));

  EXPECT_EQ(PageRefs(*window_), page);
  EXPECT_EQ(list_->CurrentRef(), walk_[1].ref);
  EXPECT_EQ(Engine().current_row(), 2);
}

TEST_F(ListBrowserTest, TypedLetterJumpsToTheFirstEntryAtOrAfterIt) {
  StartList();
  window_->action("Sort by Author")->trigger();
  ASSERT_EQ(list_->KeyNumber(), 2);
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 2);
  auto first_at_or_after = [&](const std::string& text) {
    return *std::find_if(walk.begin(), walk.end(),
                         [&](const KeyEntry& e) { return e.key >= text; });
  };
  ASSERT_EQ(first_at_or_after("M").key.substr(0, 4), "MANN");
  // Each keystroke is a new one-character search: "n" finds N, not "MN".
  const std::pair<char, const char*> typed[] = {{'m', "M"}, {'n', "N"}, {'B', "B"}};
  for (const auto& [letter, text] : typed) {
    Press(letter);
    const KeyEntry expected = first_at_or_after(text);
    EXPECT_EQ(list_->CurrentKey(), expected.key) << letter;
    EXPECT_EQ(list_->CurrentRef(), expected.ref) << letter;
  }
  // Characters that start no search leave the list alone.
  const std::vector<int32_t> page = PageRefs(*window_);
  const int32_t ref = list_->CurrentRef();
  Press('-');
  Press(' ');
  EXPECT_EQ(list_->CurrentRef(), ref);
  EXPECT_EQ(PageRefs(*window_), page);
}

TEST_F(ListBrowserTest, DraggedThumbMovesTheListOnlyWhenReleased) {
  StartList();
  QScrollBar* bar = list_->verticalScrollBar();
  const std::vector<int32_t> page = PageRefs(*window_);
  bar->setSliderDown(true);
  bar->setSliderPosition(20);
  bar->setSliderPosition(40);
  QCoreApplication::processEvents();
  EXPECT_EQ(PageRefs(*window_), page);
  EXPECT_EQ(list_->TakePaintedRows(), 0);

  bar->setSliderDown(false);
  QCoreApplication::processEvents();
  const double n = static_cast<double>(walk_.size());
  EXPECT_LE(std::abs(IndexOfCurrent() - 40.0 / 63.0 * (n - 1)), 2.0 * n / 63.0 + 1.0)
      << "entry " << IndexOfCurrent() << " for position 40";
  EXPECT_LE(std::abs(Thumb() - 40), 1);
  // The drag is over: later moves set the thumb again.
  Press(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Thumb(), 63);
}

TEST_F(ListBrowserTest, HeldButtonBelowTheRowsScrollsTheList) {
  StartList();
  const int rows = list_->VisibleRows();
  QWidget* viewport = list_->viewport();
  const QPoint on_row = list_->RowRect(2).center();
  const QPoint below(on_row.x(), list_->RowRect(rows).bottom() + 4);
  ASSERT_LT(below.y(), viewport->height());
  QTest::mousePress(viewport, Qt::LeftButton, {}, on_row);
  EXPECT_EQ(list_->CurrentRef(), walk_[1].ref);
  QTest::mouseMove(viewport, below);
  // The highlight walks down to the last line, then the page scrolls.
  EXPECT_TRUE(QTest::qWaitFor([&] { return IndexOfCurrent() >= rows + 2; }, 10000))
      << "the list did not scroll under the held button";
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
  const int reached = IndexOfCurrent();
  EXPECT_EQ(Engine().current_row(), rows);
  QTest::qWait(200);
  EXPECT_EQ(IndexOfCurrent(), reached) << "releasing the button stops the scrolling";
}

// "+" rereads the page, painting only the line that changed; once the
// Fileblock goes away under the list, its next move fails with "Invalid
// Fileblock" (10445, a serious error of class 4).
TEST_F(ListBrowserTest, PlusRereadsThePageAndAFailedMoveReachesTheErrorBox) {
  StartList();
  database::Session& session = window_->session();
  const int32_t ref = Engine().row(3).ref;
  database::QuotationRecord record = ReadRecord(session, ref);
  database::SetField(record.Line1, "Changed behind the list's back.");
  session.engine().PutVarRecord(session.fileblock(), ref, &record, database::StoredLength(record));
  ASSERT_TRUE(session.engine().EngineOk());
  EXPECT_EQ(Press('+'), 1);
  EXPECT_NE(Engine().row(3).elements[0].find("Changed behind the list's back."), std::string::npos)
      << Engine().row(3).elements[0];
  EXPECT_EQ(list_->CurrentRef(), walk_[0].ref);

  ASSERT_TRUE(session.CloseFileblock());
  host_.messages.clear();
  Press(Qt::Key_PageDown);
  EXPECT_EQ(host_.messages, (std::vector<HostMessage>{{ui::MessageKind::kError,
                                                       "Class 4 error.  Isam Error 10445", ""}}));
}

TEST_F(ListBrowserTest, ClickOnAShortListSelectsTheRowOrTheLastFilledRow) {
  StartList(5);
  ASSERT_EQ(walk_.size(), 5u);
  ASSERT_GT(list_->VisibleRows(), 8);
  QWidget* viewport = list_->viewport();
  const struct {
    QPoint at;
    int row, painted;
  } clicks[] = {{list_->RowRect(3).center(), 3, 2},
                {list_->RowRect(8).center(), 5, 2},
                {QPoint(10, list_->RowHeight() / 2), 5, 0}};  // the header line selects nothing
  for (const auto& click : clicks) {
    EXPECT_EQ(Painted([&] { QTest::mouseClick(viewport, Qt::LeftButton, {}, click.at); }),
              click.painted);
    EXPECT_EQ(Engine().current_row(), click.row);
    EXPECT_EQ(list_->CurrentRef(), walk_[click.row - 1].ref);
  }
  // Down on the last entry and Page Down on the only page change nothing.
  EXPECT_EQ(Press(Qt::Key_Down), 0);
  EXPECT_EQ(Press(Qt::Key_PageDown), 0);
  Press(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(PageRefs(*window_)[0], walk_[0].ref) << "a short last page starts at row 1";

  // A double click on a row is reported; below the rows it is not.
  QSignalSpy double_clicks(list_, &browser::TListBrowser::RowDoubleClicked);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, list_->RowRect(2).center());
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, list_->RowRect(8).center());
  EXPECT_EQ(double_clicks.count(), 1);
}

}  // namespace
}  // namespace tessary::testing
