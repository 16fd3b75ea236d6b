// The main window end to end on the offscreen platform: start-up with and
// without a database, the command line and the first timer tick, the sort-key
// commands with their header and status texts, the rebuild command and the
// command table.
#include "app/main_window.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <algorithm>
#include <filesystem>

#include "exchange/session_backup.h"
#include "gui/window_fixture.h"

namespace tessary::testing {
namespace {

using ui::MessageKind;

class MainWindowTest : public MainWindowFixture {};

// Declining ends the start without a file; agreeing creates an empty database,
// and the options saved then are found at the next start, which Exit closes.
TEST_F(MainWindowTest, MissingDatabaseIsCreatedOnlyWhenTheUserAgrees) {
  const HostMessage options{MessageKind::kInformation,
                            "Unable to locate file \"OPTIONS.CGF\"; using default settings.", ""};
  const HostMessage ask{MessageKind::kQuestion, "Data file does not exist. Create?", ""};
  host_.SetNextAnswer(false);
  QSignalSpy failed(&Create(), &app::TMain_Menu::StartFailed);
  window_->show();
  EXPECT_EQ(failed.count(), 1);
  EXPECT_FALSE(window_->database_open());
  EXPECT_FALSE(window_->timer().isActive());
  EXPECT_EQ(
      host_.messages,
      (std::vector<HostMessage>{
          options,
          ask,
          {MessageKind::kInformation, "The program requires a data file to run.  Exiting now.", ""},
          {MessageKind::kInformation, "Unable to open database", ""}}));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << "no files may be created";

  host_.messages.clear();
  host_.SetNextAnswer(true);
  Start();
  Settle();
  ASSERT_TRUE(window_->database_open());
  EXPECT_EQ(host_.messages, (std::vector<HostMessage>{options, ask}));
  EXPECT_EQ(Panels(*window_),
            QStringList({"Filters are OFF", "Sort Key = Record Number", "Active Records: 0"}));
  window_->action("Save Options")->trigger();
  EXPECT_EQ(std::filesystem::file_size(dir_.File("Options.CFG")), 1232u);

  window_.reset();
  host_.messages.clear();
  StartQuiet().action("E&xit")->trigger();
  QCoreApplication::processEvents();
  EXPECT_TRUE(host_.messages.empty()) << host_.messages.front().text;
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(window_->database_open());
  ExpectSound(dir_.path(), 0);
}

// "d" starts with the quote-a-day, and a filter letter after it turns the
// filters on at the first tick; without "d" the tick shows the opening menu and
// the letter only sets its flag. Repeat Opening Menu waits for the next tick.
TEST_F(MainWindowTest, CommandLineDecidesTheFirstTick) {
  CopySharedDatabase(dir_.path());
  const struct {
    std::vector<std::string> args;
    bool ancient, modern, direct;
  } cases[] = {{{"d", "o"}, true, false, true}, {{"x", "Y"}, false, true, false}};
  int menus = 0;
  int quotes = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    menus = quotes = 0;
    app::TMain_Menu& window = Create(c.args);
    window.show_quick_start = [&] { ++menus; };
    window.quote_a_day = [&] {
      ++quotes;
      EXPECT_TRUE(window.state().filters.filters_on) << "filters go on before the draw";
    };
    window.show();
    const search::ViewingFilters& filters = window.state().filters;
    EXPECT_EQ(filters.ancient_times, c.ancient);
    EXPECT_EQ(filters.modern_era, c.modern);
    EXPECT_FALSE(filters.filters_on) << "not before the tick";

    ASSERT_TRUE(QTest::qWaitFor([&] { return menus + quotes > 0; }, 2000));
    QTest::qWait(300);
    EXPECT_EQ(quotes, c.direct ? 1 : 0) << "the timer is a one-shot";
    EXPECT_EQ(menus, c.direct ? 0 : 1);
    EXPECT_EQ(window.list()->FilterEnabled(), c.direct);
    EXPECT_EQ(window.panel(0)->text(), c.direct ? "Filters are ON" : "Filters are OFF");
  }
  QElapsedTimer clock;
  clock.start();
  window_->action("Repeat Opening Menu...")->trigger();
  EXPECT_EQ(menus, 1) << "the menu waits for the tick";
  ASSERT_TRUE(QTest::qWaitFor([&] { return menus == 2; }, 2000));
  EXPECT_GE(clock.elapsed(), 90);
}

TEST_F(MainWindowTest, EverySortKeyKeepsTheHighlightedRecord) {
  app::TMain_Menu& window = StartShared();
  browser::TListBrowser* list = window.list();
  QTest::keyClick(list, Qt::Key_PageDown);
  QTest::keyClick(list, Qt::Key_PageDown);
  for (int i = 0; i < 3; ++i) QTest::keyClick(list, Qt::Key_Down);
  const int32_t ref = list->CurrentRef();
  EXPECT_EQ(ref, WalkKey(window.session(), 1)[2 * list->VisibleRows() + 3].ref);

  const std::pair<const char*, int> items[] = {
      {"Sort by Subject", 3},   {"Sort by Author", 2},      {"Sort by Subtitle", 5},
      {"Sort by User Code", 6}, {"Sort by Book Code", 4},   {"Sort by Record Number", 1},
      {"Sort - Subject", 3},    {"Sort - User Code", 6},    {"Sort - Subtitle", 5},
      {"Sort - Author", 2},     {"hint:Sort by Author", 2}, {"hint:Sort by Link or Subtitle", 5}};
  for (const auto& [item, key] : items) {
    SCOPED_TRACE(item);
    window.action(item)->trigger();
    QCoreApplication::processEvents();
    ExpectListOnKey(window, key, ref);
    EXPECT_EQ(window.panel(2)->text(), "Active Records: 304");
  }

  // Key 6 holds long runs of equal user codes: the highlighted record is found
  // by its reference within its run, also at the very end of the key.
  window.ChangeSortKey(6);
  QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
  const int32_t last = list->CurrentRef();
  EXPECT_EQ(last, WalkKey(window.session(), 6).back().ref);
  for (int key : {2, 4, 6, 1, 6}) {
    window.ChangeSortKey(key);
    ExpectListOnKey(window, key, last);
  }
}

TEST_F(MainWindowTest, RebuildFreesTheSlotsAndShowsTheListAgain) {
  app::TMain_Menu& window = StartShared();
  database::Session& session = window.session();
  std::vector<KeyEntry> walk = WalkKey(session, 1);
  // Numbers 10 and 20 take two slots each.
  for (int number : {7, 10, 20}) {
    const int32_t ref = walk[static_cast<size_t>(number - 1)].ref;
    host_.SetNextAnswer(true);  // " Are you sure you want to delete this record.?"
    ASSERT_EQ(session.DeleteRecord(ReadRecord(session, ref), ref),
              database::DeleteOutcome::kDeleted);
  }
  ASSERT_EQ(session.engine().FreeSlots(session.fileblock()), 5);
  window.action("Sort by Subject")->trigger();
  host_.messages.clear();

  host_.SetNextAnswer(false);  // no backup copy first
  window.action("Rebuild Data and Indexes")->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(
      host_.messages,
      (std::vector<HostMessage>{{MessageKind::kQuestion, exchange::kBackupBeforeRebuild, ""}}));
  EXPECT_EQ(host_.progress_title, "Rebuild Status");
  EXPECT_FALSE(host_.progress_open) << "the progress window closes after the re-attach";
  EXPECT_EQ(host_.progress_lines[0].rfind("   Key number: ", 0), 0u) << host_.progress_lines[0];

  // The list works on the new files, on the key it had.
  ASSERT_TRUE(window.database_open());
  EXPECT_EQ(session.engine().FreeSlots(session.fileblock()), 0);
  EXPECT_EQ(window.panel(2)->text(), "Active Records: 301");
  ExpectListOnKey(window, 3);
  QTest::keyClick(window.list(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(window.list()->CurrentRef(), WalkKey(session, 3).back().ref);
  window.close();
  EXPECT_FALSE(window.database_open());
  ExpectSound(dir_.path(), kTotal - 3, 0);
}

TEST_F(MainWindowTest, MenusToolBarAndPopupHoldTheirItems) {
  app::TMain_Menu& window = StartShared();
  EXPECT_EQ(Sorted(MenuTree(window.menuBar())),
            Sorted({"&Edit: Edit Existing Record |Add New Record - Keyboard|"
                    "Add New Record - Clipboard|Delete Highlighted Record",
                    "&File: Repeat Opening Menu...|E&xit|Back Up Database...|"
                    "Import Quotations...|Export Quotations...",
                    "&Help: &Contents|Index of Help Topics|Key Word Search|&About",
                    "&Key: Sort by Record Number|Sort by Subject|Sort by Author|"
                    "Sort by Subtitle|Sort by User Code|Sort by Book Code",
                    "&Options: Filter(s) ON...|Filter(s) OFF|Quote A Day|Save Options",
                    "&Search: Index Key Search...|Word Search...",
                    "S&ubjects: Subject Icons...|Subject List...|Subject Finder...",
                    "&Tools: Rebuild Data and Indexes", "&View"}));
  EXPECT_EQ(
      Sorted(ToolTips(window)),
      Sorted({"Edit Highlighted Record", "Add New Record - Keyboard", "Add New Record - Clipboard",
              "Delete Highlighted Record", "View Highlighted Record", "Search by Index Key",
              "Word Search", "Sort by Author", "Sort by Link or Subtitle",
              "Select Subject by Iconic Menu", "Subject List Dialog", "Subject Finder Dialog",
              "Set Viewing Filters", "Spin for Quote-A-Day", "Help"}));
  EXPECT_TRUE(window.action("hint:Set Viewing Filters")->isCheckable());

  // The list's context menu, as the window system delivers it to the rows,
  // opens at the pointer.
  browser::TListBrowser* list = window.list();
  const QPoint at = list->RowRect(2).center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
  QApplication::sendEvent(list->viewport(), &event);
  auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(popup, nullptr) << "the list's context menu did not open";
  EXPECT_EQ(popup->pos(), list->viewport()->mapToGlobal(at));
  EXPECT_EQ(Sorted(ActionTexts(popup->actions())),
            Sorted({"Edit Record", "Add Record - by Keyboard", "Add Record - by Clipboard",
                    "Delete Record", "Search - Index Key", "Search - Word", "Sort - Author",
                    "Sort - Subject", "Sort - Subtitle", "Sort - User Code",
                    "Help - Browser Hints and Tips", "Help - Browser Keyboard Commands",
                    "Help - Sections", "Open New Data File"}));
  ASSERT_NE(popup->defaultAction(), nullptr);
  EXPECT_EQ(popup->defaultAction()->text(), "Sort - Author");
  popup->close();
  EXPECT_FALSE(window.action("Open New Data File")->isEnabled());

  for (const char* item :
       {"Help - Browser Hints and Tips", "Help - Browser Keyboard Commands", "Help - Sections",
        "&Contents", "Index of Help Topics", "Key Word Search", "hint:Help"}) {
    window.action(item)->trigger();
  }
  EXPECT_EQ(host_.help_topics, (std::vector<int>{120, 115, 350, ui::kHelpContents, ui::kHelpIndex,
                                                 ui::kHelpSearch, ui::kHelpContents}));
}

}  // namespace
}  // namespace tessary::testing
