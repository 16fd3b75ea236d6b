// The main window end to end on the offscreen platform: start-up with and
// without a database, the command line and the first timer tick, the sort-key
// commands with their header and status texts, the rebuild command and the
// command table.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <filesystem>
#include <map>

#include "app/row_text.h"
#include "exchange/session_backup.h"
#include "gui/window_fixture.h"

namespace tessary::testing {
namespace {

using ui::MessageKind;

constexpr char kOptionsMissing[] = "Unable to locate file \"OPTIONS.CGF\"; using default settings.";

std::string PanelText(const app::TMain_Menu& window, int index) {
  return window.panel(index)->text().toStdString();
}

// The non-separator item texts of `actions`, sorted when asked.
QStringList ItemTexts(const QList<QAction*>& actions, bool sorted = false) {
  QStringList texts;
  for (const QAction* action : actions) {
    if (!action->isSeparator()) texts.push_back(action->text());
  }
  if (sorted) texts.sort();
  return texts;
}

// The texts of `joined`, separated by '|', sorted.
QStringList Sorted(const QString& joined) {
  QStringList list = joined.split('|');
  list.sort();
  return list;
}

// The list shows a contiguous run of the key's entries with the current row on
// (current key, current ref), under the key's header and status texts.
void ExpectListOnKey(app::TMain_Menu& window, int key) {
  browser::TListBrowser* list = window.list();
  EXPECT_EQ(list->KeyNumber(), key);
  EXPECT_EQ(window.session().current_key(), key);
  EXPECT_EQ(list->Header(), app::HeaderText(key));
  EXPECT_EQ(PanelText(window, 1), database::SortKeyCaption(key));
  const browser::RowBrowser& engine = *list->engine();
  std::vector<KeyEntry> walk = WalkKey(window.session(), key);
  auto at = std::find(walk.begin(), walk.end(), KeyEntry{list->CurrentKey(), list->CurrentRef()});
  ASSERT_NE(at, walk.end()) << "current entry not in key " << key;
  const int first = static_cast<int>(at - walk.begin()) - (engine.current_row() - 1);
  ASSERT_GE(first, 0);
  for (int i = 1; i <= engine.filled_rows(); ++i) {
    ASSERT_LT(first + i - 1, static_cast<int>(walk.size()));
    EXPECT_EQ(engine.row(i).ref, walk[first + i - 1].ref) << "key " << key << " row " << i;
  }
}

class MainWindowTest : public MainWindowFixture {};

// ---- Start-up ----------------------------------------------------------------------

TEST_F(MainWindowTest, CreatingTheMissingDatabaseGivesAnEmptyList) {
  host_.SetNextAnswer(true);
  app::TMain_Menu& window = Start();
  Settle();
  ASSERT_TRUE(window.database_open());
  EXPECT_EQ(host_.messages,
            (std::vector<HostMessage>{
                {MessageKind::kInformation, kOptionsMissing, ""},
                {MessageKind::kQuestion, "Data file does not exist. Create?", ""}}));
  EXPECT_EQ(PanelText(window, 0), "Filters are OFF");
  EXPECT_EQ(PanelText(window, 1), "Sort Key = Record Number");
  EXPECT_EQ(PanelText(window, 2), "Active Records: 0");
  EXPECT_EQ(window.list()->Header(), app::HeaderText(1));
  // Moves on the empty list stay harmless: an empty key is no error.
  QTest::keyClick(window.list(), Qt::Key_Down);
  QTest::keyClick(window.list(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(window.list(), 'm');
  EXPECT_EQ(window.list()->CurrentRef(), 0);
  EXPECT_EQ(host_.messages.size(), 2u);

  window_.reset();
  DatabaseCheck report = VerifyDatabase(dir_.path());
  EXPECT_TRUE(report.sound) << ::testing::PrintToString(report.findings);
  EXPECT_EQ(report.records, 0);
}

TEST_F(MainWindowTest, DecliningToCreateTheDatabaseEndsTheStart) {
  host_.SetNextAnswer(false);
  app::TMain_Menu& window = Create();
  QSignalSpy failed(&window, &app::TMain_Menu::StartFailed);
  window.show();
  EXPECT_EQ(failed.count(), 1);
  EXPECT_FALSE(window.database_open());
  EXPECT_EQ(
      host_.messages,
      (std::vector<HostMessage>{
          {MessageKind::kInformation, kOptionsMissing, ""},
          {MessageKind::kQuestion, "Data file does not exist. Create?", ""},
          {MessageKind::kInformation, "The program requires a data file to run.  Exiting now.", ""},
          {MessageKind::kInformation, "Unable to open database", ""}}));
  EXPECT_FALSE(window.timer().isActive());
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << "no files may be created";
}

// Save Options writes the file the next start finds; Exit closes the database
// soundly.
TEST_F(MainWindowTest, SavedOptionsAreFoundAtTheNextStartAndExitCloses) {
  CopySharedDatabase(dir_.path());
  StartQuiet();
  EXPECT_EQ(PanelText(*window_, 2), "Active Records: 304");
  window_->action("Save Options")->trigger();
  EXPECT_EQ(std::filesystem::file_size(dir_.File("Options.CFG")), 1232u);

  window_.reset();
  host_.messages.clear();
  app::TMain_Menu& window = StartQuiet();
  EXPECT_TRUE(host_.messages.empty()) << host_.messages.front().text;
  window.action("E&xit")->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.database_open());
  DatabaseCheck report = VerifyDatabase(dir_.path());
  EXPECT_TRUE(report.sound) << ::testing::PrintToString(report.findings);
  EXPECT_EQ(report.records, kTotal);
}

// "d" starts with the quote-a-day, and a filter letter after it turns the
// filters on at the first tick; without "d" the tick shows the opening menu and
// the letter only sets its flag.
TEST_F(MainWindowTest, CommandLineDecidesTheFirstTick) {
  CopySharedDatabase(dir_.path());
  const struct {
    std::vector<std::string> args;
    bool ancient, modern, direct;
  } cases[] = {{{"d", "o"}, true, false, true}, {{"x", "Y"}, false, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    int menus = 0;
    int quotes = 0;
    app::TMain_Menu& window = Create(c.args);
    window.show_quick_start = [&] { ++menus; };
    window.quote_a_day = [&] {
      ++quotes;
      EXPECT_TRUE(window.state().filters.filters_on) << "filters go on before the draw";
    };
    window.show();
    const app::MainState& state = window.state();
    EXPECT_EQ(state.filters.ancient_times, c.ancient);
    EXPECT_EQ(state.filters.modern_era, c.modern);
    EXPECT_FALSE(state.filters.middle_ages);
    EXPECT_FALSE(state.filters.filters_on) << "not before the tick";

    ASSERT_TRUE(QTest::qWaitFor([&] { return menus + quotes > 0; }, 2000));
    QTest::qWait(300);
    EXPECT_EQ(quotes, c.direct ? 1 : 0) << "the timer is a one-shot";
    EXPECT_EQ(menus, c.direct ? 0 : 1);
    EXPECT_FALSE(window.timer().isActive());
    EXPECT_EQ(state.filters.filters_on, c.direct);
    EXPECT_EQ(window.list()->FilterEnabled(), c.direct);
    EXPECT_EQ(PanelText(window, 0), c.direct ? "Filters are ON" : "Filters are OFF");
    EXPECT_EQ(window.action("hint:Set Viewing Filters")->isChecked(), c.direct);
    window_.reset();
  }
}

TEST_F(MainWindowTest, RepeatOpeningMenuShowsTheMenuOnceAfterATick) {
  CopySharedDatabase(dir_.path());
  int menus = 0;
  app::TMain_Menu& window = Create();
  window.show_quick_start = [&] { ++menus; };
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menus == 1; }, 2000));
  EXPECT_FALSE(window.timer().isActive());

  QElapsedTimer clock;
  clock.start();
  window.action("Repeat Opening Menu...")->trigger();
  EXPECT_EQ(menus, 1) << "the menu waits for the tick";
  ASSERT_TRUE(QTest::qWaitFor([&] { return menus == 2; }, 2000));
  EXPECT_GE(clock.elapsed(), 90);
  QTest::qWait(300);
  EXPECT_EQ(menus, 2);
}

// ---- Sort keys ------------------------------------------------------------------------

TEST_F(MainWindowTest, EverySortKeyKeepsTheHighlightedRecord) {
  CopySharedDatabase(dir_.path());
  app::TMain_Menu& window = StartQuiet();
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
    QAction* action = window.action(item);
    ASSERT_NE(action, nullptr);
    action->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(list->CurrentRef(), ref);
    ExpectListOnKey(window, key);
    EXPECT_EQ(PanelText(window, 0), "Filters are OFF");
    EXPECT_EQ(PanelText(window, 2), "Active Records: 304");
  }

  // Key 6 holds long runs of equal user codes: the highlighted record is found
  // by its reference within its run, also at the very end of the key.
  window.ChangeSortKey(6);
  QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
  const int32_t last = list->CurrentRef();
  EXPECT_EQ(last, WalkKey(window.session(), 6).back().ref);
  for (int key : {2, 4, 6, 1, 6}) {
    window.ChangeSortKey(key);
    EXPECT_EQ(list->CurrentRef(), last) << "key " << key;
    ExpectListOnKey(window, key);
  }
}

// ---- Rebuild --------------------------------------------------------------------------

TEST_F(MainWindowTest, RebuildFreesTheSlotsAndShowsTheListAgain) {
  CopySharedDatabase(dir_.path());
  app::TMain_Menu& window = StartQuiet();
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
  EXPECT_EQ(PanelText(window, 2), "Active Records: 301");
  browser::TListBrowser* list = window.list();
  EXPECT_EQ(list->engine()->filled_rows(), list->VisibleRows());
  ExpectListOnKey(window, 3);
  QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(list->CurrentRef(), WalkKey(session, 3).back().ref);

  window.close();
  EXPECT_FALSE(window.database_open());
  DatabaseCheck report = VerifyDatabase(dir_.path());
  EXPECT_TRUE(report.sound) << ::testing::PrintToString(report.findings);
  EXPECT_EQ(report.free_slots, 0);
  EXPECT_EQ(report.records, kTotal - 3);
}

// ---- Command table --------------------------------------------------------------------

TEST_F(MainWindowTest, MenusToolBarAndPopupHoldTheirItems) {
  CopySharedDatabase(dir_.path());
  app::TMain_Menu& window = StartQuiet();
  const std::map<QString, QStringList> expected = {
      {"File",
       {"Repeat Opening Menu...", "E&xit", "Back Up Database...", "Import Quotations...",
        "Export Quotations..."}},
      {"Edit",
       {"Edit Existing Record ", "Add New Record - Keyboard", "Add New Record - Clipboard",
        "Delete Highlighted Record"}},
      {"Search", {"Index Key Search...", "Word Search..."}},
      {"Key",
       {"Sort by Record Number", "Sort by Subject", "Sort by Author", "Sort by Subtitle",
        "Sort by User Code", "Sort by Book Code"}},
      {"Subjects", {"Subject Icons...", "Subject List...", "Subject Finder..."}},
      {"Options", {"Filter(s) ON...", "Filter(s) OFF", "Quote A Day", "Save Options"}},
      {"Tools", {"Rebuild Data and Indexes"}},
      {"Help", {"&Contents", "Index of Help Topics", "Key Word Search", "&About"}},
  };
  std::map<QString, QStringList> found;
  bool view_found = false;
  for (QAction* top : window.menuBar()->actions()) {
    QString title = top->text();
    title.remove('&');
    if (top->menu() != nullptr) {
      found[title] = ItemTexts(top->menu()->actions());
    } else if (top->text() == "&View") {
      view_found = true;
    }
  }
  EXPECT_EQ(found, expected);
  EXPECT_TRUE(view_found) << "\"&View\" is a top-level item";

  QStringList hints;
  for (QToolBar* bar : window.findChildren<QToolBar*>()) {
    for (QAction* action : bar->actions()) {
      if (!action->isSeparator()) hints.append(action->toolTip());
    }
  }
  hints.sort();
  EXPECT_EQ(hints, Sorted("Edit Highlighted Record|Add New Record - Keyboard|"
                          "Add New Record - Clipboard|Delete Highlighted Record|"
                          "View Highlighted Record|Search by Index Key|Word Search|Sort by Author|"
                          "Sort by Link or Subtitle|Select Subject by Iconic Menu|"
                          "Subject List Dialog|Subject Finder Dialog|Set Viewing Filters|"
                          "Spin for Quote-A-Day|Help"));
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
  EXPECT_EQ(ItemTexts(popup->actions(), true),
            Sorted("Edit Record|Add Record - by Keyboard|Add Record - by Clipboard|"
                   "Delete Record|Search - Index Key|Search - Word|Sort - Author|"
                   "Sort - Subject|Sort - Subtitle|Sort - User Code|"
                   "Help - Browser Hints and Tips|Help - Browser Keyboard Commands|"
                   "Help - Sections|Open New Data File"));
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
