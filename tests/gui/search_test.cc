// The search and filter commands of the main window on the offscreen
// platform: the word search pass and its continuation, the filter commands
// from the menu and the toggle button, a filter set that lets nothing
// through, the index key search, and the dialogs' own rules.

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QTimer>

#include "gui/window_fixture.h"
#include "search/filters_dialog.h"
#include "search/index_key_dialog.h"
#include "search/search_commands.h"
#include "search/search_status.h"
#include "search/sections_dialog.h"
#include "search/word_search_dialog.h"

namespace tessary::testing {
namespace {

using ui::MessageKind;

// Answers the word search dialog with `target`.
void AnswerWordSearch(app::TMain_Menu& window, const QString& target, bool whole = false) {
  WhenModal([&window, target, whole](QWidget*) {
    search::TWord_Search_Dialog* dialog = window.search().word_dialog();
    dialog->target_box()->setEditText(target);
    dialog->whole_box()->setChecked(whole);
    dialog->ok_button()->click();
  });
}

// Presses the status window's stop button at the first count it shows, and
// keeps its title and lines as they were then.
class StopAtFirstCount {
 public:
  explicit StopAtFirstCount(search::TWord_Search_Status* status) {
    QObject::connect(&poll_, &QTimer::timeout, [this, status] {
      if (seen.isEmpty() && status->isVisible() && !status->Line(2).isEmpty()) {
        seen = {status->windowTitle(), status->Line(0), status->Line(1), status->Line(2)};
        status->stop_button()->click();
      }
    });
    poll_.start(0);
  }
  QStringList seen;

 private:
  QTimer poll_;
};

// Line two is "Line two of N.": the records numbered 1, 10 to 19 and 100 to 199.
bool NumberStartsWithOne(const database::QuotationRecord& r) {
  return std::string(database::FieldText(r.Line2)).find("two of 1") != std::string::npos;
}

// Key 1 references of the records `keep` accepts, from `from` on.
std::vector<int32_t> Matching(database::Session& session,
                              const std::function<bool(const database::QuotationRecord&)>& keep,
                              size_t count, size_t from = 0) {
  std::vector<int32_t> refs;
  size_t seen = 0;
  for (const KeyEntry& entry : WalkKey(session, 1)) {
    if (!keep(ReadRecord(session, entry.ref))) continue;
    if (seen++ >= from && refs.size() < count) refs.push_back(entry.ref);
  }
  return refs;
}

std::vector<int32_t> FilledRefs(const app::TMain_Menu& window) {
  std::vector<int32_t> refs;
  for (int32_t ref : PageRefs(window)) {
    if (ref > 0) refs.push_back(ref);
  }
  return refs;
}

class SearchTest : public MainWindowFixture {
 protected:
  app::TMain_Menu& Open() {
    app::TMain_Menu& window = StartShared();
    host_.messages.clear();  // the options file's absence
    return window;
  }
};

// A pass that finds nothing further empties the list and tells the user; a
// stopped pass says nothing.
TEST_F(SearchTest, WordSearchFillsTheListAndContinuesFromTheHighlightedRecord) {
  app::TMain_Menu& window = Open();
  const int rows = window.list()->engine()->visible_rows();
  ASSERT_GT(rows, 3);
  AnswerWordSearch(window, "two of 1");
  window.action("Word Search...")->trigger();
  EXPECT_EQ(FilledRefs(window), Matching(window.session(), NumberStartsWithOne, rows));
  EXPECT_FALSE(window.search().status_window()->isVisible());
  EXPECT_EQ(window.windowTitle(), "Tessary");

  // The last row highlighted, the tool button runs the search again: it goes
  // on from that record.
  window.list()->engine()->SetCurrentRow(rows);
  AnswerWordSearch(window, "two of 1");
  window.action("hint:Word Search")->trigger();
  EXPECT_EQ(FilledRefs(window), Matching(window.session(), NumberStartsWithOne, rows, rows - 1));

  AnswerWordSearch(window, "nowhere to be found", true);
  window.action("Search - Word")->trigger();
  EXPECT_TRUE(FilledRefs(window).empty());
  EXPECT_EQ(host_.Texts(MessageKind::kInformation),
            std::vector<std::string>{"No additional records matching your word search criteria "
                                     "have been found.  Target was:  NOWHERE TO BE FOUND"});

  StopAtFirstCount stop(window.search().status_window());
  AnswerWordSearch(window, "nowhere");
  window.action("Word Search...")->trigger();
  EXPECT_EQ(stop.seen,
            QStringList({"Word Search Status", "Searching for:  NOWHERE",
                         "Sort Key = Record Number", "Number of records read: 52  Selected:  0"}));
  EXPECT_TRUE(window.search().word_search().stopped);
  EXPECT_LT(window.search().word_search().records_read, 104u);
  EXPECT_EQ(host_.messages.size(), 1u) << "a stopped pass says nothing";
}

// The filter commands from the menu and the toggle button. Then filters on
// with no flag: nothing passes. A whole pass reads the key once; a long pass
// shows its status and can be stopped, which proves nothing.
TEST_F(SearchTest, FiltersFromTheMenuAndTheToggleAndASetThatPassesNothing) {
  app::TMain_Menu& window = Open();
  const int rows = window.list()->engine()->visible_rows();
  QAction* toggle = window.action("hint:Set Viewing Filters");

  WhenModal([&window](QWidget*) {
    search::TFILTERS_Dialog* dialog = window.search().filters_dialog();
    dialog->box(search::kAncientTimesBox)->setChecked(true);
    dialog->ok_button()->click();
  });
  window.action("Filter(s) ON...")->trigger();
  EXPECT_EQ(window.panel(0)->text(), "Filters are ON");
  EXPECT_TRUE(toggle->isChecked());
  EXPECT_EQ(FilledRefs(window),
            Matching(
                window.session(),
                [](const database::QuotationRecord& r) { return r.Author_Age_Code == 1; }, rows));

  // The toggle again: all off, with the message.
  toggle->trigger();
  EXPECT_EQ(window.panel(0)->text(), "Filters are OFF");
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_FALSE(window.state().filters.ancient_times);
  EXPECT_EQ(host_.Texts(MessageKind::kInformation),
            std::vector<std::string>{"Filter(s) are now OFF."});
  EXPECT_EQ(FilledRefs(window).size(), static_cast<size_t>(rows));

  // The toggle on, the dialog cancelled with a box checked: Cancel keeps it.
  WhenModal([&window](QWidget*) {
    search::TFILTERS_Dialog* dialog = window.search().filters_dialog();
    dialog->box(search::kForeignLanguageBox)->setChecked(true);
    dialog->cancel_button()->click();
  });
  toggle->trigger();
  EXPECT_TRUE(window.state().filters.foreign_language_3 &&
              window.state().filters.foreign_language_4);
  EXPECT_TRUE(toggle->isChecked());
  window.action("Filter(s) OFF")->trigger();
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_FALSE(window.list()->FilterEnabled());

  int calls = 0;
  auto inner = window.list()->OnPerformFilter;
  window.list()->OnPerformFilter = [&](browser::RowRec& row, bool& use_it) {
    ++calls;
    return inner(row, use_it);
  };
  window.state().filters.filters_on = true;
  window.SetFiltersOn(true);
  EXPECT_TRUE(FilledRefs(window).empty());
  // The whole key once (the highlighted entry is looked at three times).
  EXPECT_GE(calls, kTotal);
  EXPECT_LE(calls, kTotal + 4);
  QApplication::processEvents();
  EXPECT_TRUE(window.search().filter().nothing_passes());
  EXPECT_EQ(window.list()->Footer(), search::kNothingPassesFooter);

  // Moves, keys and resizing do not read the key again.
  calls = 0;
  QTest::keyClick(window.list(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(window.list(), Qt::Key_PageDown);
  QTest::keyClick(window.list(), Qt::Key_M);
  window.resize(window.width(), window.height() - 40);
  QApplication::processEvents();
  EXPECT_LE(calls, 6);
  EXPECT_TRUE(FilledRefs(window).empty());

  // Filters off: the records and the footer's place come back.
  window.action("Filter(s) OFF")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(window.list()->Footer(), "");
  EXPECT_FALSE(FilledRefs(window).empty());

  window.search().filter_status_after_ms = 0;
  window.state().filters.filters_on = true;
  StopAtFirstCount stop(window.search().status_window());
  window.SetFiltersOn(true);
  EXPECT_EQ(stop.seen.value(0), "Filter Status");
  EXPECT_EQ(stop.seen.value(3), "Number of records read: 51  Selected:  0");
  EXPECT_TRUE(window.search().filter().stopped());
  EXPECT_FALSE(window.search().status_window()->isVisible());
  QApplication::processEvents();
  EXPECT_EQ(window.list()->Footer(), "");
}

TEST_F(SearchTest, IndexKeySearchSwitchesTheKeyAndLandsOnTheRecord) {
  app::TMain_Menu& window = Open();
  window.search().index_dialog_override = [](search::IndexSearchFields* fields) {
    (*fields)[search::kLastNameField] = "mann";
    return true;
  };
  window.action("Index Key Search...")->trigger();
  EXPECT_EQ(window.list()->KeyNumber(), 2);
  EXPECT_EQ(window.panel(1)->text(), "Sort Key = Author's Name");
  // Mann, Anna (the last extra quotation) sorts before Mann, Thomas.
  const int32_t anna = WalkKey(window.session(), 1).back().ref;
  EXPECT_EQ(window.list()->CurrentRef(), anna);
  EXPECT_EQ(window.session().current_ref(), anna);

  // Cancel searches nothing; a name past the end reports the engine's error.
  window.search().index_dialog_override = [](search::IndexSearchFields* fields) {
    (*fields)[search::kNumberField] = "5";
    return false;
  };
  window.action("Search - Index Key")->trigger();
  EXPECT_EQ(window.list()->KeyNumber(), 2);
  window.search().index_dialog_override = [](search::IndexSearchFields* fields) {
    (*fields)[search::kLastNameField] = "zz";
    return true;
  };
  window.action("hint:Search by Index Key")->trigger();
  ASSERT_EQ(host_.Texts(MessageKind::kError).size(), 1u);
  EXPECT_EQ(host_.Texts(MessageKind::kError)[0].rfind("IsamError: ", 0), 0u);
  EXPECT_EQ(window.list()->CurrentRef(), anna);
}

TEST_F(SearchTest, FiltersResetAndSectionChoice) {
  ScriptedHost host;
  // Filters dialog: Reset clears the boxes and the flags.
  search::TFILTERS_Dialog filters(host);
  search::ViewingFilters flags;
  flags.modern_era = true;
  WhenModal([&filters](QWidget*) {
    EXPECT_TRUE(filters.box(search::kModernEraBox)->isChecked());
    EXPECT_EQ(filters.box(search::kMiddleAgesBox)->text(), "Middle Ages  ");
    filters.reset_button()->click();
    EXPECT_FALSE(filters.box(search::kModernEraBox)->isChecked());
    filters.ok_button()->click();
  });
  flags.filters_on = true;
  filters.Run(flags, true);
  EXPECT_FALSE(flags.modern_era);
  EXPECT_FALSE(flags.filters_on);

  // Sections: item 8 is section 7 with option flag 1.
  WhenModal([](QWidget* modal) {
    auto* dialog = qobject_cast<search::TSECTIONS_Dialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "SECTIONS");
    EXPECT_EQ(dialog->ChosenItem(), 1);
    dialog->list()->setCurrentRow(7);
    dialog->ok_button()->click();
  });
  EXPECT_EQ(search::ChooseSection(nullptr, host, true), std::optional<char>('7'));
  WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  EXPECT_EQ(search::ChooseSection(nullptr, host, false), std::nullopt);
}

}  // namespace
}  // namespace tessary::testing
