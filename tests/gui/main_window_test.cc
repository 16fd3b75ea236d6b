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

#include "exchange/session_backup.h"
#include "gui/verify_database.h"
#include "gui/window_fixture.h"

namespace tessary::testing {
namespace {

using ui::MessageKind;

constexpr char kOptionsMissing[] = "Unable to locate file \"OPTIONS.CGF\"; using default settings.";

std::string Blanks(size_t n) { return std::string(n, ' '); }

// The list header of each sort key, column titles as the user sees them.
std::string ExpectedHeader(int key) {
  const std::string tail = "Subject Section" + Blanks(2) + "First Line of Quote";
  switch (key) {
    case 4:
      return "Number" + Blanks(2) + "Book Page" + Blanks(2) + tail + Blanks(73);
    case 5:
      return "Number" + Blanks(2) + "Subtitle" + Blanks(7) + tail + Blanks(69);
    case 6:
      return "Number" + Blanks(2) + "User Code" + Blanks(6) + tail + Blanks(69);
    default:
      return "Number" + Blanks(2) + "Subject Section" + Blanks(2) + "Author's Name" + Blanks(8) +
             "First Line of Quote" + Blanks(63);
  }
}

std::string PanelText(const app::TMain_Menu& window, int index) {
  return window.panel(index)->text().toStdString();
}

// The non-separator item texts of a menu, in order.
QStringList ItemTexts(const QMenu* menu) {
  QStringList texts;
  for (const QAction* action : menu->actions()) {
    if (!action->isSeparator()) texts.push_back(action->text());
  }
  return texts;
}

// The texts of `joined`, separated by '|', sorted.
QStringList Sorted(const QString& joined) {
  QStringList list = joined.split('|');
  list.sort();
  return list;
}

// Checks that the list shows a contiguous run of the key's entries with the
// current row on (current key, current ref).
void ExpectPageInKeyOrder(app::TMain_Menu& window, int key) {
  const browser::RowBrowser& engine = *window.list()->engine();
  std::vector<KeyEntry> walk = WalkKey(window.session(), key);
  KeyEntry current{window.list()->CurrentKey(), window.list()->CurrentRef()};
  auto at = std::find(walk.begin(), walk.end(), current);
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
  EXPECT_EQ(window.list()->Header(), ExpectedHeader(1));
  EXPECT_EQ(window.list()->engine()->filled_rows(), 0);
  // Moves on the empty list stay harmless.
  QTest::keyClick(window.list(), Qt::Key_Down);
  QTest::keyClick(window.list(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(window.list(), 'm');
  EXPECT_EQ(window.list()->CurrentRef(), 0);
  EXPECT_EQ(host_.messages.size(), 2u) << "an empty key is no error";

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
  EXPECT_EQ(host_.Texts(MessageKind::kQuestion),
            std::vector<std::string>{"Data file does not exist. Create?"});
  // After the question: the information box, then the failed start.
  ASSERT_GE(host_.messages.size(), 2u);
  const std::vector<HostMessage> last(host_.messages.end() - 2, host_.messages.end());
  EXPECT_EQ(last[0], (HostMessage{MessageKind::kInformation,
                                  "The program requires a data file to run.  Exiting now.", ""}));
  EXPECT_EQ(last[1].text, "Unable to open database");
  EXPECT_FALSE(window.timer().isActive());
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << "no files may be created";

  // FormShow itself says no as well.
  host_.SetNextAnswer(false);
  EXPECT_FALSE(window.FormShow());
}

TEST_F(MainWindowTest, SavedOptionsAreFoundAtTheNextStart) {
  CopySharedDatabase(dir_.path());
  StartQuiet();
  EXPECT_EQ(host_.messages,
            (std::vector<HostMessage>{{MessageKind::kInformation, kOptionsMissing, ""}}));
  EXPECT_EQ(PanelText(*window_, 2), "Active Records: 304");
  window_->action("Save Options")->trigger();
  EXPECT_EQ(std::filesystem::file_size(dir_.File("Options.CFG")), 1232u);

  window_.reset();
  host_.messages.clear();
  StartQuiet();
  EXPECT_TRUE(host_.messages.empty()) << host_.messages.front().text;
  EXPECT_TRUE(window_->database_open());
}

TEST_F(MainWindowTest, ExitClosesTheDatabaseCleanly) {
  CopySharedDatabase(dir_.path());
  app::TMain_Menu& window = StartQuiet();
  window.action("E&xit")->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.database_open());
  DatabaseCheck report = VerifyDatabase(dir_.path());
  EXPECT_TRUE(report.sound) << ::testing::PrintToString(report.findings);
  EXPECT_EQ(report.records, kTotal);
}

TEST_F(MainWindowTest, DirectStartWithAncientTimesFiltersAtTheFirstTick) {
  CopySharedDatabase(dir_.path());
  int menus = 0;
  int quotes = 0;
  app::TMain_Menu& window = Create({"d", "o"});
  window.show_quick_start = [&] { ++menus; };
  window.quote_a_day = [&] {
    ++quotes;
    // The filters are on before the quotation is drawn.
    EXPECT_TRUE(window.state().filters.filters_on);
  };
  window.show();

  // Before the tick: the flags are set, the filters still off.
  const app::MainState& state = window.state();
  EXPECT_TRUE(state.direct_start);
  EXPECT_FALSE(state.show_opening_menu);
  EXPECT_TRUE(state.command_line_filters);
  EXPECT_TRUE(state.filters.ancient_times);
  EXPECT_FALSE(state.filters.middle_ages || state.filters.modern_era);
  EXPECT_FALSE(state.filters.filters_on);
  EXPECT_FALSE(window.list()->FilterEnabled());
  EXPECT_EQ(PanelText(window, 0), "Filters are OFF");
  EXPECT_TRUE(window.timer().isActive());

  ASSERT_TRUE(QTest::qWaitFor([&] { return quotes > 0; }, 2000));
  EXPECT_EQ(quotes, 1);
  EXPECT_EQ(menus, 0);
  EXPECT_FALSE(state.direct_start);
  EXPECT_FALSE(state.command_line_filters);
  EXPECT_TRUE(state.filters.filters_on);
  EXPECT_TRUE(window.list()->FilterEnabled());
  EXPECT_EQ(PanelText(window, 0), "Filters are ON");
  EXPECT_TRUE(window.action("hint:Set Viewing Filters")->isChecked());
  EXPECT_FALSE(window.timer().isActive());

  // The list holds exactly the first Ancient Times records of key 1.
  std::vector<int32_t> ancient;
  for (const KeyEntry& entry : WalkKey(window.session(), 1)) {
    if (ReadRecord(window.session(), entry.ref).Author_Age_Code == 1) ancient.push_back(entry.ref);
  }
  ASSERT_EQ(ancient.size(), 101u);  // every third generated quotation and number 303
  std::vector<int32_t> page = PageRefs(window);
  ASSERT_FALSE(page.empty());
  ASSERT_LT(page.size(), ancient.size());
  EXPECT_EQ(page, std::vector<int32_t>(ancient.begin(), ancient.begin() + page.size()));

  // Page Down keeps to the filter.
  QTest::keyClick(window.list(), Qt::Key_PageDown);
  page = PageRefs(window);
  EXPECT_EQ(page,
            std::vector<int32_t>(ancient.begin() + page.size(), ancient.begin() + 2 * page.size()));

  QTest::qWait(300);
  EXPECT_EQ(quotes, 1) << "the timer is a one-shot";
  EXPECT_EQ(menus, 0);
}

TEST_F(MainWindowTest, ModernEraLetterWithoutDirectStartKeepsFiltersOff) {
  CopySharedDatabase(dir_.path());
  int menus = 0;
  int quotes = 0;
  app::TMain_Menu& window = Create({"x", "Y"});
  window.show_quick_start = [&] { ++menus; };
  window.quote_a_day = [&] { ++quotes; };
  window.show();
  const app::MainState& state = window.state();
  EXPECT_FALSE(state.direct_start);
  EXPECT_TRUE(state.show_opening_menu);
  EXPECT_TRUE(state.filters.modern_era);
  EXPECT_FALSE(state.filters.ancient_times || state.filters.middle_ages);

  ASSERT_TRUE(QTest::qWaitFor([&] { return menus > 0; }, 2000));
  QTest::qWait(300);
  EXPECT_EQ(menus, 1);
  EXPECT_EQ(quotes, 0);
  EXPECT_FALSE(state.show_opening_menu);
  EXPECT_FALSE(state.filters.filters_on);
  EXPECT_FALSE(window.list()->FilterEnabled());
  EXPECT_EQ(PanelText(window, 0), "Filters are OFF");
  EXPECT_FALSE(window.action("hint:Set Viewing Filters")->isChecked());
  // Every record is listed, from record 1 on.
  std::vector<KeyEntry> walk = WalkKey(window.session(), 1);
  std::vector<int32_t> page = PageRefs(window);
  ASSERT_FALSE(page.empty());
  for (size_t i = 0; i < page.size(); ++i) EXPECT_EQ(page[i], walk[i].ref) << i;
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
  ASSERT_GT(ref, 0);
  EXPECT_EQ(ref, WalkKey(window.session(), 1)[2 * list->VisibleRows() + 3].ref);

  const std::pair<const char*, int> items[] = {
      {"Sort by Subject", 3},   {"Sort by Author", 2},    {"Sort by Subtitle", 5},
      {"Sort by User Code", 6}, {"Sort by Book Code", 4}, {"Sort by Record Number", 1}};
  for (const auto& [item, key] : items) {
    SCOPED_TRACE(item);
    QAction* action = window.action(item);
    ASSERT_NE(action, nullptr);
    action->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(list->KeyNumber(), key);
    EXPECT_EQ(window.session().current_key(), key);
    EXPECT_EQ(list->CurrentRef(), ref);
    ExpectPageInKeyOrder(window, key);
    EXPECT_EQ(list->Header(), ExpectedHeader(key));
    EXPECT_EQ(PanelText(window, 0), "Filters are OFF");
    EXPECT_EQ(PanelText(window, 1), database::SortKeyCaption(key));
    EXPECT_EQ(PanelText(window, 2), "Active Records: 304");
  }
}

TEST_F(MainWindowTest, SortKeyChangeKeepsTheLastRecordOfADuplicateRun) {
  // Key 6 holds long runs of equal user codes; the highlighted record must be
  // found by its reference within its run, also at the very end of the key.
  CopySharedDatabase(dir_.path());
  app::TMain_Menu& window = StartQuiet();
  browser::TListBrowser* list = window.list();
  window.ChangeSortKey(6);
  QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
  const int32_t last = list->CurrentRef();
  EXPECT_EQ(last, WalkKey(window.session(), 6).back().ref);
  for (int key : {2, 4, 6, 1, 6}) {
    window.ChangeSortKey(key);
    EXPECT_EQ(list->CurrentRef(), last) << "key " << key;
    ExpectPageInKeyOrder(window, key);
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
    database::QuotationRecord record = ReadRecord(session, ref);
    ASSERT_EQ(database::FieldText(record.Record_Number), std::to_string(number));
    host_.SetNextAnswer(true);  // " Are you sure you want to delete this record.?"
    ASSERT_EQ(session.DeleteRecord(record, ref), database::DeleteOutcome::kDeleted);
  }
  ASSERT_EQ(session.engine().FreeSlots(session.fileblock()), 5);
  window.action("Sort by Subject")->trigger();
  host_.messages.clear();

  host_.SetNextAnswer(false);  // no backup copy first
  window.action("Rebuild Data and Indexes")->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(
      host_.messages,
      (std::vector<HostMessage>{{ui::MessageKind::kQuestion, exchange::kBackupBeforeRebuild, ""}}));
  EXPECT_EQ(host_.progress_title, "Rebuild Status");
  EXPECT_FALSE(host_.progress_open) << "the progress window closes after the re-attach";
  EXPECT_EQ(host_.progress_lines[0].rfind("   Key number: ", 0), 0u) << host_.progress_lines[0];

  ASSERT_TRUE(window.database_open());
  EXPECT_EQ(session.engine().FreeSlots(session.fileblock()), 0);
  EXPECT_EQ(PanelText(window, 2), "Active Records: 301");
  // The list works on the new files, on the key it had.
  browser::TListBrowser* list = window.list();
  const int key = list->KeyNumber();
  EXPECT_EQ(key, 3);
  EXPECT_EQ(session.current_key(), key);
  EXPECT_EQ(list->Header(), ExpectedHeader(key));
  EXPECT_EQ(PanelText(window, 1), database::SortKeyCaption(key));
  EXPECT_EQ(list->engine()->filled_rows(), list->VisibleRows());
  ASSERT_GT(list->CurrentRef(), 0);
  ExpectPageInKeyOrder(window, key);
  QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(list->CurrentRef(), WalkKey(session, key).back().ref);

  window.close();
  EXPECT_FALSE(window.database_open());
  DatabaseCheck report = VerifyDatabase(dir_.path());
  EXPECT_TRUE(report.sound) << ::testing::PrintToString(report.findings);
  EXPECT_EQ(report.free_slots, 0);
  EXPECT_EQ(report.records, kTotal - 3);
}

// ---- Command table --------------------------------------------------------------------

TEST_F(MainWindowTest, MenusHoldTheirItems) {
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
      found[title] = ItemTexts(top->menu());
    } else if (top->text() == "&View") {
      view_found = true;
    }
  }
  EXPECT_EQ(found, expected);
  EXPECT_TRUE(view_found) << "\"&View\" is a top-level item";
}

TEST_F(MainWindowTest, ToolBarButtonsCarryTheirHints) {
  CopySharedDatabase(dir_.path());
  app::TMain_Menu& window = StartQuiet();
  QStringList found;
  for (QToolBar* bar : window.findChildren<QToolBar*>()) {
    for (QAction* action : bar->actions()) {
      if (!action->isSeparator()) found.append(action->toolTip());
    }
  }
  found.sort();
  EXPECT_EQ(found, Sorted("Edit Highlighted Record|Add New Record - Keyboard|"
                          "Add New Record - Clipboard|Delete Highlighted Record|"
                          "View Highlighted Record|Search by Index Key|Word Search|Sort by Author|"
                          "Sort by Link or Subtitle|Select Subject by Iconic Menu|"
                          "Subject List Dialog|Subject Finder Dialog|Set Viewing Filters|"
                          "Spin for Quote-A-Day|Help"));
  EXPECT_TRUE(window.action("hint:Set Viewing Filters")->isCheckable());

  browser::TListBrowser* list = window.list();
  const int32_t ref = list->CurrentRef();
  window.action("hint:Sort by Author")->trigger();
  EXPECT_EQ(list->KeyNumber(), 2);
  window.action("hint:Sort by Link or Subtitle")->trigger();
  EXPECT_EQ(list->KeyNumber(), 5);
  EXPECT_EQ(list->CurrentRef(), ref);
  window.action("hint:Help")->trigger();
  EXPECT_EQ(host_.help_topics, std::vector<int>{ui::kHelpContents});
}

TEST_F(MainWindowTest, ListPopupHoldsItsItems) {
  CopySharedDatabase(dir_.path());
  app::TMain_Menu& window = StartQuiet();
  browser::TListBrowser* list = window.list();
  const QPoint at = list->RowRect(2).center();
  // The context menu event as the window system delivers it to the rows.
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
  QApplication::sendEvent(list->viewport(), &event);
  auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(popup, nullptr) << "the list's context menu did not open";
  const QPoint pointer = list->viewport()->mapToGlobal(at);
  EXPECT_EQ(popup->pos().x(), pointer.x()) << "the menu opens at the pointer";
  EXPECT_EQ(popup->pos().y(), pointer.y()) << "the menu opens at the pointer";
  QStringList items = ItemTexts(popup);
  items.sort();
  EXPECT_EQ(items, Sorted("Edit Record|Add Record - by Keyboard|Add Record - by Clipboard|"
                          "Delete Record|Search - Index Key|Search - Word|Sort - Author|"
                          "Sort - Subject|Sort - Subtitle|Sort - User Code|"
                          "Help - Browser Hints and Tips|Help - Browser Keyboard Commands|"
                          "Help - Sections|Open New Data File"));
  ASSERT_NE(popup->defaultAction(), nullptr);
  EXPECT_EQ(popup->defaultAction()->text(), "Sort - Author");
  popup->close();
  EXPECT_FALSE(window.action("Open New Data File")->isEnabled());

  const std::pair<const char*, int> sorts[] = {
      {"Sort - Subject", 3}, {"Sort - User Code", 6}, {"Sort - Subtitle", 5}, {"Sort - Author", 2}};
  for (const auto& [item, key] : sorts) {
    window.action(item)->trigger();
    EXPECT_EQ(list->KeyNumber(), key) << item;
  }
  for (const char* item :
       {"Help - Browser Hints and Tips", "Help - Browser Keyboard Commands", "Help - Sections",
        "&Contents", "Index of Help Topics", "Key Word Search"}) {
    window.action(item)->trigger();
  }
  EXPECT_EQ(host_.help_topics,
            (std::vector<int>{120, 115, 350, ui::kHelpContents, ui::kHelpIndex, ui::kHelpSearch}));
}

}  // namespace
}  // namespace tessary::testing
