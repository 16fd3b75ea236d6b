// The record list of the main window driven by keys, typed characters, the
// mouse and the vertical scroll bar, checked against independent walks of the
// index and against what the list repainted.
#include "browser/list_browser.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
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
    Flush();
    return list_;
  }
  // Handles pending events (repaints included) and clears the paint count.
  void Flush() {
    QCoreApplication::processEvents();
    list_->TakePaintedRows();
  }
  // Presses a key (or types a character) and returns the number of lines
  // painted because of it.
  template <typename Key>
  int Press(Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Flush();
    QTest::keyClick(list_, key, modifiers);
    QCoreApplication::processEvents();
    return list_->TakePaintedRows();
  }
  const browser::RowBrowser& Engine() const { return *list_->engine(); }
  int Thumb() const { return list_->verticalScrollBar()->value(); }
  // The position of the current entry in `walk`, -1 when absent.
  int IndexOfCurrent(const std::vector<KeyEntry>& walk) const {
    KeyEntry current{list_->CurrentKey(), list_->CurrentRef()};
    auto at = std::find(walk.begin(), walk.end(), current);
    return at == walk.end() ? -1 : static_cast<int>(at - walk.begin());
  }
  std::vector<int32_t> Refs(const std::vector<KeyEntry>& walk, size_t from, size_t count) const {
    std::vector<int32_t> refs;
    for (size_t i = from; i < from + count && i < walk.size(); ++i) refs.push_back(walk[i].ref);
    return refs;
  }

  browser::TListBrowser* list_ = nullptr;
};

TEST_F(ListBrowserTest, DownMovesTheHighlightRepaintingOnlyTheLinesConcerned) {
  StartList();
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 1);
  const int rows = list_->VisibleRows();
  ASSERT_GT(rows, 5);
  ASSERT_EQ(Engine().visible_rows(), rows);
  const std::vector<int32_t> first_page = Refs(walk, 0, static_cast<size_t>(rows));
  EXPECT_EQ(PageRefs(*window_), first_page);
  EXPECT_EQ(Engine().current_row(), 1);

  EXPECT_EQ(Press(Qt::Key_Down), 2);
  EXPECT_EQ(Engine().current_row(), 2);
  EXPECT_EQ(list_->CurrentRef(), walk[1].ref);
  EXPECT_EQ(PageRefs(*window_), first_page);

  EXPECT_EQ(Press(Qt::Key_Up), 2);
  EXPECT_EQ(list_->CurrentRef(), walk[0].ref);
  EXPECT_EQ(Press(Qt::Key_Up), 0) << "Up on the first entry changes nothing";
  EXPECT_EQ(list_->CurrentRef(), walk[0].ref);

  // On the last line Down scrolls the page by one entry: the content moves up
  // and only the new line and the old highlight are painted.
  for (int i = 1; i < rows; ++i) Press(Qt::Key_Down);
  ASSERT_EQ(Engine().current_row(), rows);
  const int painted = Press(Qt::Key_Down);
  EXPECT_EQ(Engine().current_row(), rows);
  EXPECT_EQ(list_->CurrentRef(), walk[static_cast<size_t>(rows)].ref);
  EXPECT_EQ(PageRefs(*window_), Refs(walk, 1, static_cast<size_t>(rows)));
  EXPECT_EQ(painted, 2) << "a one-line scroll must not repaint the page of " << rows;
}

TEST_F(ListBrowserTest, PageDownReachesTheEndAndThenChangesNothing) {
  StartList();
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 1);
  const size_t rows = static_cast<size_t>(list_->VisibleRows());
  Press(Qt::Key_PageDown);
  EXPECT_EQ(PageRefs(*window_), Refs(walk, rows, rows));
  EXPECT_EQ(Engine().current_row(), 1);
  EXPECT_EQ(list_->CurrentRef(), walk[rows].ref);

  const int limit = static_cast<int>(walk.size() / rows) + 3;
  bool settled = false;
  for (int presses = 0; presses < limit && !settled; ++presses) {
    const std::vector<int32_t> before = PageRefs(*window_);
    const int current = Engine().current_row();
    const int painted = Press(Qt::Key_PageDown);
    if (PageRefs(*window_) == before && Engine().current_row() == current) {
      settled = true;
      EXPECT_EQ(painted, 0) << "Page Down on the last page repaints nothing";
    }
  }
  ASSERT_TRUE(settled) << "Page Down never reached the end";
  EXPECT_EQ(Engine().filled_rows(), static_cast<int>(rows));
  EXPECT_EQ(Engine().row(Engine().filled_rows()).ref, walk.back().ref);
}

TEST_F(ListBrowserTest, ControlEndAndControlHomeMoveThroughTheList) {
  StartList();
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 1);
  const size_t rows = static_cast<size_t>(list_->VisibleRows());
  EXPECT_EQ(Thumb(), 0);

  Press(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(list_->CurrentRef(), walk.back().ref);
  EXPECT_EQ(Engine().current_row(), static_cast<int>(rows));
  EXPECT_EQ(PageRefs(*window_), Refs(walk, walk.size() - rows, rows));
  EXPECT_EQ(Thumb(), 63);
  EXPECT_EQ(list_->HorizOfs(), 0);

  Press(Qt::Key_Up);
  EXPECT_EQ(list_->CurrentRef(), walk[walk.size() - 2].ref);
  EXPECT_GE(Thumb(), 62) << "the next-to-last entry sits at the end of the bar";

  Press(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(list_->CurrentRef(), walk.front().ref);
  EXPECT_EQ(Engine().current_row(), 1);
  EXPECT_EQ(PageRefs(*window_), Refs(walk, 0, rows));
  EXPECT_EQ(Thumb(), 0);
}

TEST_F(ListBrowserTest, HomeEndLeftAndRightMoveTheTextSidewaysOnly) {
  StartList();
  window_->resize(640, 480);
  Flush();
  const int max = list_->MaxHorizOfs();
  ASSERT_GT(max, 0) << "rows of 128 characters must be wider than the window";
  Press(Qt::Key_Down);
  const std::vector<int32_t> page = PageRefs(*window_);
  const int32_t ref = list_->CurrentRef();

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
  EXPECT_EQ(list_->CurrentRef(), ref);
  EXPECT_EQ(Engine().current_row(), 2);
}

TEST_F(ListBrowserTest, TypedLetterJumpsToTheFirstEntryAtOrAfterIt) {
  StartList();
  window_->action("Sort by Author")->trigger();
  ASSERT_EQ(list_->KeyNumber(), 2);
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 2);
  auto first_at_or_after = [&](const std::string& text) {
    for (const KeyEntry& entry : walk) {
      if (entry.key >= text) return entry;
    }
    return KeyEntry{};
  };
  const KeyEntry m = first_at_or_after("M");
  const KeyEntry n = first_at_or_after("N");
  ASSERT_GT(m.ref, 0);
  ASSERT_EQ(m.key.substr(0, 4), "MANN");
  ASSERT_NE(m, n);

  Press('m');
  EXPECT_EQ(list_->CurrentKey(), m.key);
  EXPECT_EQ(list_->CurrentRef(), m.ref);
  // Each keystroke is a new one-character search: "n" finds N, not "MN".
  Press('n');
  EXPECT_EQ(list_->CurrentKey(), n.key);
  EXPECT_EQ(list_->CurrentRef(), n.ref);
  Press('B');
  const KeyEntry b = first_at_or_after("B");
  EXPECT_EQ(list_->CurrentRef(), b.ref);
  EXPECT_EQ(PageRefs(*window_)[static_cast<size_t>(Engine().current_row() - 1)], b.ref);
  // Characters that start no search leave the list alone.
  const std::vector<int32_t> page = PageRefs(*window_);
  Press('-');
  Press(' ');
  EXPECT_EQ(list_->CurrentRef(), b.ref);
  EXPECT_EQ(PageRefs(*window_), page);
}

TEST_F(ListBrowserTest, PlusRereadsThePage) {
  StartList();
  database::Session& session = window_->session();
  const int32_t ref = Engine().row(3).ref;
  database::QuotationRecord record = ReadRecord(session, ref);
  database::SetField(record.Line1, "Changed behind the list's back.");
  session.engine().PutVarRecord(session.fileblock(), ref, &record, database::StoredLength(record));
  ASSERT_TRUE(session.engine().EngineOk());
  EXPECT_EQ(Engine().row(3).elements[0].find("Changed behind"), std::string::npos);
  EXPECT_EQ(Press('+'), 1) << "only the changed line is painted";
  EXPECT_NE(Engine().row(3).elements[0].find("Changed behind the list's back."), std::string::npos)
      << Engine().row(3).elements[0];
  EXPECT_EQ(list_->CurrentRef(), Engine().row(1).ref);
  EXPECT_EQ(Engine().row(3).ref, ref);
}

TEST_F(ListBrowserTest, DraggedThumbMovesTheListOnlyWhenReleased) {
  StartList();
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 1);
  QScrollBar* bar = list_->verticalScrollBar();
  const std::vector<int32_t> page = PageRefs(*window_);
  const int32_t ref = list_->CurrentRef();

  bar->setSliderDown(true);
  bar->setSliderPosition(20);
  bar->setSliderPosition(40);
  QCoreApplication::processEvents();
  EXPECT_EQ(PageRefs(*window_), page);
  EXPECT_EQ(list_->CurrentRef(), ref);
  EXPECT_EQ(list_->TakePaintedRows(), 0);

  bar->setSliderDown(false);
  QCoreApplication::processEvents();
  const int index = IndexOfCurrent(walk);
  ASSERT_GE(index, 0);
  const double expected = 40.0 / 63.0 * static_cast<double>(walk.size() - 1);
  const double tolerance = 2.0 * static_cast<double>(walk.size()) / 63.0 + 1.0;
  EXPECT_LE(std::abs(index - expected), tolerance) << "entry " << index << " for position 40";
  EXPECT_LE(std::abs(Thumb() - 40), 1);

  // The drag is over: later moves set the thumb again.
  Press(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Thumb(), 0);
  Press(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Thumb(), 63);
}

TEST_F(ListBrowserTest, ScrollBarButtonsMoveByRowAndPage) {
  StartList();
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 1);
  const size_t rows = static_cast<size_t>(list_->VisibleRows());
  QScrollBar* bar = list_->verticalScrollBar();
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(list_->CurrentRef(), walk[1].ref);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(PageRefs(*window_), Refs(walk, rows, rows));
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(list_->CurrentRef(), walk.back().ref);
  EXPECT_EQ(bar->value(), 63);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(list_->CurrentRef(), walk.front().ref);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(ListBrowserTest, HeaderLineTakesOneRow) {
  StartList();
  const int rows = list_->VisibleRows();
  const std::string header = list_->Header();
  ASSERT_FALSE(header.empty());
  list_->SetHeader("");
  EXPECT_EQ(list_->VisibleRows(), rows + 1);
  EXPECT_EQ(Engine().visible_rows(), rows + 1);
  EXPECT_EQ(Engine().filled_rows(), rows + 1);
  list_->SetHeader(header);
  EXPECT_EQ(list_->VisibleRows(), rows);
  EXPECT_EQ(Engine().visible_rows(), rows);
}

TEST_F(ListBrowserTest, HeldButtonBelowTheRowsScrollsTheList) {
  StartList();
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 1);
  const int rows = list_->VisibleRows();
  QWidget* viewport = list_->viewport();
  const QPoint on_row = list_->RowRect(2).center();
  const QPoint below(on_row.x(), list_->RowRect(rows).bottom() + 4);
  ASSERT_LT(below.y(), viewport->height());
  QTest::mousePress(viewport, Qt::LeftButton, {}, on_row);
  EXPECT_EQ(list_->CurrentRef(), walk[1].ref);
  QTest::mouseMove(viewport, below);
  // The highlight walks down to the last line, then the page scrolls.
  EXPECT_TRUE(QTest::qWaitFor([&] { return IndexOfCurrent(walk) >= rows + 2; }, 10000))
      << "the list did not scroll under the held button";
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
  const int reached = IndexOfCurrent(walk);
  EXPECT_EQ(Engine().current_row(), rows);
  QTest::qWait(200);
  EXPECT_EQ(IndexOfCurrent(walk), reached) << "releasing the button stops the scrolling";
}

TEST_F(ListBrowserTest, EngineFailureDuringAMoveReachesTheErrorBox) {
  StartList();
  // The Fileblock goes away under the list; its next move fails with
  // "Invalid Fileblock" (10445, a serious error of class 4).
  database::Session& session = window_->session();
  ASSERT_TRUE(session.CloseFileblock());
  host_.messages.clear();
  Press(Qt::Key_PageDown);
  EXPECT_EQ(host_.messages, (std::vector<HostMessage>{{ui::MessageKind::kError,
                                                       "Class 4 error.  Isam Error 10445", ""}}));
}

TEST_F(ListBrowserTest, ClickOnAShortListSelectsTheRowOrTheLastFilledRow) {
  StartList(5);
  const std::vector<KeyEntry> walk = WalkKey(window_->session(), 1);
  ASSERT_EQ(walk.size(), 5u);
  ASSERT_GT(list_->VisibleRows(), 8);
  EXPECT_EQ(Engine().filled_rows(), 5);
  EXPECT_EQ(Thumb(), 0);

  QWidget* viewport = list_->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, list_->RowRect(3).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(Engine().current_row(), 3);
  EXPECT_EQ(list_->CurrentRef(), walk[2].ref);
  EXPECT_EQ(list_->TakePaintedRows(), 2);

  QTest::mouseClick(viewport, Qt::LeftButton, {}, list_->RowRect(8).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(Engine().current_row(), 5);
  EXPECT_EQ(list_->CurrentRef(), walk[4].ref);

  // A click on the header line selects nothing.
  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, list_->RowHeight() / 2));
  EXPECT_EQ(list_->CurrentRef(), walk[4].ref);

  // Down on the last entry and Page Down on the only page change nothing.
  EXPECT_EQ(Press(Qt::Key_Down), 0);
  EXPECT_EQ(Press(Qt::Key_PageDown), 0);
  EXPECT_EQ(list_->CurrentRef(), walk[4].ref);
  Press(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Engine().current_row(), 5);
  EXPECT_EQ(PageRefs(*window_)[0], walk[0].ref) << "a short last page starts at row 1";

  // A double click on a row is reported; below the rows it is not.
  QSignalSpy double_clicks(list_, &browser::TListBrowser::RowDoubleClicked);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, list_->RowRect(2).center());
  EXPECT_EQ(double_clicks.count(), 1);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, list_->RowRect(8).center());
  EXPECT_EQ(double_clicks.count(), 1);
}

}  // namespace
}  // namespace tessary::testing
