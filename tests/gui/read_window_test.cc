// The reading window with the main window on the offscreen platform: its
// command table, opening it from the list and coming back, stepping,
// searching, the section name, fonts and colours, the options file, output
// and the quote-a-day.
#include "reading/read_window.h"

#include <QCheckBox>
#include <QMenuBar>
#include <QPrinter>
#include <QTextEdit>
#include <filesystem>

#include "app/reading_link.h"
#include "gui/window_fixture.h"
#include "platform/file.h"
#include "reading/stepping.h"
#include "search/filters_dialog.h"

namespace tessary::testing {
namespace {

using reading::TRead_Window;
using ui::MessageKind;

class ReadWindowTest : public MainWindowFixture {
 protected:
  // The main window on the shared database with the reading window linked.
  TRead_Window& Open() {
    CopySharedDatabase(dir_.path());
    app::TMain_Menu& main = StartQuiet();
    read_ = new TRead_Window(host_, main.session(), main.state().filters,
                             platform::PosixFileSystem(), dir_.path(), &main);
    app::LinkReadingWindow(main, *read_, platform::PosixFileSystem(), dir_.path());
    host_.messages.clear();
    return *read_;
  }
  // Opens the reading window on the list's record `rows` rows down.
  void ViewRow(int rows) {
    for (int i = 0; i < rows; ++i) window_->list()->NextRow();
    QTest::keyClick(window_->list(), Qt::Key_Return);
    ASSERT_TRUE(read_->isVisible());
  }
  std::string Caption(const QWidget& w) { return w.windowTitle().toStdString(); }

  TRead_Window* read_ = nullptr;
};

TEST_F(ReadWindowTest, MenusButtonsAndPopupHoldTheirItemsInOrder) {
  TRead_Window& read = Open();
  EXPECT_EQ(Caption(read), "Viewing Screen");
  EXPECT_EQ(MenuTree(read.menuBar()),
            QStringList({"&File: &Print Quote|P&rinter setup...|&Write Quote|&Exit to Main",
                         "&Edit: &Copy to Clipboard",
                         "&Search: Index Key Search...|Word Search...|Word Search Again",
                         "&Options: Font Style...|Background Color...|Save Options - Font/Color|"
                         "Jump to Section...|Filter(s) ON...|Filter(s): OFF",
                         "&Next", "&Prev", "&Main", "E&xit",
                         "&Help: &Contents|Index of Help Topics|Key Word Search|&About"}));
  EXPECT_EQ(ToolTips(read),
            QStringList({"Text Font and Font Color Dialog", "Text Background Color Dialog",
                         "Search by Index Key", "Word Search", "Word Search Repeat",
                         "Jump to Section Dialog", "Print Quotation on Screen",
                         "Write Quotation to Disk File", "Copy Quotation to Clipboard",
                         "Copy Quotation to your E-Mail Signature File",
                         "Generate HTML Code for your Web Page", "Exit to Browser Screen",
                         "Previous Quotation", "Next Quotation"}));
  EXPECT_EQ(
      ActionTexts(read.popup()->actions()),
      QStringList({"Set Font and Font Color...", "Print Quotation on the Screen",
                   "Write Quotation to a Disk File", "Copy Quotation to Clipboard",
                   "Copy Quotation to E-Mail Signature...", "Generate HTML Code for a Web Page...",
                   "Set Viewing Filters...", "Make Currently Selected Font the Default",
                   "Make Subject Section Name Invisible", "Make Subject Section Name Visible"}));

  // The section name (record 1 is in section 2) hides for the run, not for
  // one record, on the screen and in print.
  ViewRow(0);
  auto section_shown = [&] {
    return std::pair(read.view()->toPlainText().contains("3. Insight"),
                     read.print_view()->toPlainText().contains("3. Insight"));
  };
  read.action("Make Subject Section Name Invisible")->trigger();
  read.action("&Next")->trigger();
  EXPECT_EQ(section_shown(), std::pair(false, false));
  read.action("Make Subject Section Name Visible")->trigger();
  EXPECT_EQ(section_shown(), std::pair(true, true));

  // A command whose window the program has not connected is disabled the next
  // time the window is shown; a connected one runs.
  EXPECT_TRUE(read.action("hint:Generate HTML Code for your Web Page")->isEnabled());
  read.html_page = nullptr;
  read.hide();
  read.show();
  EXPECT_FALSE(read.action("Generate HTML Code for a Web Page...")->isEnabled());
  std::vector<int> published;
  read.html_page = [&](const database::QuotationRecord& r) {
    published.push_back(RecordNumber(r));
  };
  read.hide();
  read.show();
  read.action("Generate HTML Code for a Web Page...")->trigger();
  EXPECT_EQ(published, std::vector<int>{RecordNumber(read.shown_record())});

  for (const char* item : {"&Contents", "Index of Help Topics", "Key Word Search"}) {
    read.action(item)->trigger();
  }
  read.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&read));
  read.view()->setFocus();
  QTest::keyClick(read.view(), Qt::Key_F1);
  EXPECT_EQ(host_.help_topics, (std::vector<int>{ui::kHelpContents, ui::kHelpIndex, ui::kHelpSearch,
                                                 reading::kReadingHelpTopic}));
}

TEST_F(ReadWindowTest, OpensFromTheListStepsAndComesBackWhereTheListWas) {
  TRead_Window& read = Open();
  app::TMain_Menu& main = *window_;
  main.ChangeSortKey(2);
  main.setWindowTitle("Tessary");
  ViewRow(3);
  const int32_t list_ref = main.list()->CurrentRef();
  const std::vector<KeyEntry> walk = WalkKey(main.session(), 2);
  size_t at = 0;
  while (walk[at].ref != list_ref) ++at;
  const database::QuotationRecord record = ReadRecord(main.session(), list_ref);
  EXPECT_EQ(read.shown_ref(), list_ref);
  EXPECT_EQ(read.key(), 2);
  EXPECT_EQ(Caption(read), std::string(database::FieldText(record.Subject)));
  // The generated quotations have no biography.
  EXPECT_EQ(Panels(read),
            QStringList({"Filters are OFF", "", QString("Number:  %1").arg(RecordNumber(record))}));
  EXPECT_TRUE(read.view()->toPlainText().contains("line one."));
  const std::pair<const char*, size_t> steps[] = {{"&Next", at + 1},
                                                  {"hint:Next Quotation", at + 2},
                                                  {"hint:Previous Quotation", at + 1},
                                                  {"&Prev", at}};
  for (const auto& [item, expected] : steps) {
    read.action(item)->trigger();
    EXPECT_EQ(read.shown_ref(), walk[expected].ref) << item;
  }

  main.setWindowTitle("U s i n g   F i l t e r s   N o w");
  read.action("hint:Exit to Browser Screen")->trigger();
  EXPECT_FALSE(read.isVisible());
  EXPECT_EQ(Caption(main), "Tessary") << "the caption saved when the window opened";
  EXPECT_EQ(main.list()->CurrentRef(), list_ref);
  EXPECT_EQ(main.list()->KeyNumber(), 2);

  // Double-click and the View command open the highlighted record too; Main
  // leaves the caption alone.
  main.list()->NextRow();
  const QPoint row = main.list()->RowRect(main.list()->engine()->current_row()).center();
  QTest::mouseDClick(main.list()->viewport(), Qt::LeftButton, {}, row);
  ASSERT_TRUE(read.isVisible());
  EXPECT_EQ(read.shown_ref(), main.list()->CurrentRef());
  main.setWindowTitle("changed");
  read.action("&Main")->trigger();
  EXPECT_FALSE(read.isVisible());
  EXPECT_EQ(Caption(main), "changed");
  main.action("&View")->trigger();
  EXPECT_TRUE(read.isVisible());
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(ReadWindowTest, ChosenFontChangesTheScreenNotThePrintAndSavingWritesTheOptionsFile) {
  TRead_Window& read = Open();
  ViewRow(0);
  const QFont print_font = read.print_view()->font();
  read.choose_font = [](QFont& font, QColor& colour) {
    font = QFont("DejaVu Serif", 20);
    font.setItalic(true);
    font.setStrikeOut(true);
    colour = QColor(255, 0, 0);
    return true;
  };
  read.choose_background = [](QColor& colour) {
    colour = QColor(0, 0, 128);
    return true;
  };
  read.action("Font Style...")->trigger();
  read.action("hint:Text Background Color Dialog")->trigger();
  read.action("&Next")->trigger();
  EXPECT_EQ(read.view()->font().pointSize(), 20);
  EXPECT_TRUE(read.view()->font().italic());
  EXPECT_EQ(read.view_colour(), QColor(255, 0, 0));
  EXPECT_EQ(read.print_colour(), QColor(Qt::black));
  EXPECT_EQ(read.view()->palette().color(QPalette::Base), QColor(0, 0, 128));

  // Printing to a PDF file takes the print view's font, not the screen's.
  const std::string pdf = dir_.File("quote.pdf");
  read.choose_printer = [&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    return true;
  };
  read.action("&Print Quote")->trigger();
  EXPECT_EQ(ReadFile(pdf).substr(0, 5), "%PDF-");
  EXPECT_EQ(read.print_view()->font(), print_font);

  // Colours are stored as Windows values 0x00BBGGRR.
  read.action("Make Currently Selected Font the Default")->trigger();
  const std::string block = ReadFile(dir_.File("Options.CFG"));
  ASSERT_EQ(block.size(), 1232u);
  EXPECT_EQ(block.substr(256, 3), "\00220");
  EXPECT_EQ(block.substr(512, 4), "\003255");  // red
  EXPECT_EQ(block.substr(768, 8), std::string("\1n\1y\1n\1y", 8));
  EXPECT_EQ(block.substr(776, 8), "\0078388608");  // navy

  // The next run starts with the saved look on both views.
  window_.reset();
  TRead_Window& again = Open();
  ViewRow(0);
  EXPECT_EQ(again.view()->font().pointSize(), 20);
  EXPECT_EQ(again.print_view()->font().pointSize(), 20);
  EXPECT_TRUE(again.print_view()->font().strikeOut());
  EXPECT_EQ(again.print_colour(), QColor(255, 0, 0));
  EXPECT_EQ(again.view_background(), QColor(0, 0, 128));
}

// The clipboard and SELECTED.TXT get the shown quotation; filters set in the
// window steer its steps and the main list.
TEST_F(ReadWindowTest, OutputAndFiltersFromTheWindow) {
  TRead_Window& read = Open();
  app::TMain_Menu& main = *window_;
  ViewRow(4);  // record 5
  read.action("&Copy to Clipboard")->trigger();
  EXPECT_EQ(host_.clipboard, "Quotation number 5, line one.\r\nLine two of 5.\r\n\r\n" +
                                 std::string(50, ' ') + "Anna Frost");
  read.action("&Write Quote")->trigger();
  read.action("Write Quotation to a Disk File")->trigger();
  EXPECT_NE(ReadFile(dir_.File("Selected.Txt")).find("     5       Quotation number 5"),
            std::string::npos);

  // The main window's filters dialog opens modally: tick Ancient Times, OK.
  WhenModal([&](QWidget*) {
    search::TFILTERS_Dialog* dialog = main.search().filters_dialog();
    dialog->box(search::kAncientTimesBox)->setChecked(true);
    dialog->ok_button()->click();
  });
  read.action("Filter(s) ON...")->trigger();
  EXPECT_EQ(read.panel(0)->text(), "Filters are ON");
  EXPECT_EQ(main.panel(0)->text(), "Filters are ON");
  EXPECT_TRUE(main.list()->FilterEnabled());
  read.action("&Next")->trigger();
  EXPECT_EQ(read.shown_record().Author_Age_Code, 1) << "steps keep to the filter";
  read.action("Filter(s): OFF")->trigger();
  EXPECT_FALSE(main.state().filters.filters_on);
  EXPECT_FALSE(main.state().filters.ancient_times);
  EXPECT_FALSE(main.list()->FilterEnabled());
  EXPECT_EQ(read.panel(0)->text(), "Filters are OFF");
  EXPECT_EQ(main.panel(0)->text(), "Filters are OFF");
  EXPECT_EQ(host_.Texts(MessageKind::kInformation),
            (std::vector<std::string>{
                "This quote has been copied to the Clipboard.",
                "A file called SELECTED.TXT has been created.  This quote has been copied to it",
                "This quote has been appended to SELECTED.TXT.", "Filter(s) are now OFF."}));

  // Filters that nothing passes: one pass, a message, the record stays.
  main.state().filters.filters_on = true;
  const int32_t shown = read.shown_ref();
  read.action("&Prev")->trigger();
  EXPECT_EQ(read.shown_ref(), shown);
  EXPECT_EQ(host_.messages.back().text, reading::kNothingPassesMessage);
}

TEST_F(ReadWindowTest, WordSearchFindsCyclesAndCancels) {
  TRead_Window& read = Open();
  int dialogs = 0;
  std::string target = "number 25,";
  read.word_search_dialog = [&]() -> std::optional<reading::WordTarget> {
    ++dialogs;
    return reading::WordTarget{target, true, false};
  };
  read.word_match = [](const database::QuotationRecord& r, const reading::WordTarget& t) {
    return std::string(database::FieldText(r.Line1)).find(t.text) != std::string::npos;
  };
  read.word_search_status = [&] { return std::make_unique<reading::HostWordSearchStatus>(host_); };
  ViewRow(0);                                   // record 1, key 1
  read.action("Word Search Again")->trigger();  // none yet: runs the search
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(RecordNumber(read.shown_record()), 25);

  // The only match is the start: a full cycle back to it, and the message.
  read.action("Word Search Again")->trigger();
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(RecordNumber(read.shown_record()), 25);
  EXPECT_EQ(host_.Texts(MessageKind::kInformation),
            std::vector<std::string>{
                "No additional records matching your search criteria have been found.  Target "
                "was:  number 25,"});
  target = "no such words";
  read.action("Word Search...")->trigger();
  EXPECT_EQ(host_.messages.back().text,
            "No records matching your search criteria have been found.  Target was:  no such "
            "words");
  EXPECT_EQ(host_.progress_title, "Word Search Status");
  EXPECT_EQ(host_.progress_lines[2], "Number of records read: 256  Selected:  0");

  // Cancel at the first status update stops 51 records on.
  host_.AbandonProgressAfter(1);
  read.action("hint:Word Search")->trigger();
  EXPECT_EQ(RecordNumber(read.shown_record()), 25 + 51);
  EXPECT_FALSE(host_.progress_open);
}

TEST_F(ReadWindowTest, IndexKeySearchAndSectionJumpShowTheirRecord) {
  TRead_Window& read = Open();
  app::TMain_Menu& main = *window_;
  read.index_key_dialog = [](int) -> std::optional<reading::KeySearchChoice> {
    return reading::KeySearchChoice{2, "MANN"};
  };
  read.section_dialog = [] { return std::optional<char>('1'); };
  ViewRow(0);
  read.action("hint:Search by Index Key")->trigger();
  EXPECT_EQ(read.key(), 2);
  EXPECT_EQ(read.shown_ref(), WalkKey(main.session(), 1).back().ref) << "Mann, Anna";

  // From the third Love quotation, section 1 (Love's only one) is the first
  // Love quotation: the stored "Love" must be searched upper-cased, as the key
  // holds it.
  const std::vector<KeyEntry> key3 = WalkKey(main.session(), 3);
  size_t love = 0;
  while (love < key3.size() && key3[love].key.compare(0, 14, "LOVE         1") != 0) ++love;
  ASSERT_LT(love + 3, key3.size());
  read.ShowRecord(ReadRecord(main.session(), key3[love + 2].ref), key3[love + 2].ref, 1);
  ASSERT_EQ(std::string(database::FieldText(read.shown_record().Subject)), "Love");
  read.action("Jump to Section...")->trigger();
  EXPECT_EQ(read.shown_ref(), key3[love].ref);
  EXPECT_EQ(read.key(), 3);
  read.action("&Next")->trigger();
  EXPECT_EQ(read.shown_ref(), key3[love + 1].ref);
  read.action("hint:Jump to Section Dialog")->trigger();
  EXPECT_EQ(read.shown_ref(), key3[love].ref);
}

TEST_F(ReadWindowTest, QuoteADayShowsTheDrawAndSaysWhenNothingPasses) {
  TRead_Window& read = Open();
  app::TMain_Menu& main = *window_;
  main.ChangeSortKey(2);
  // 304 records: seed 12345 draws Random(284) = 109.
  app::RunQuoteADay(main, read, 12345);
  ASSERT_TRUE(read.isVisible());
  EXPECT_EQ(RecordNumber(read.shown_record()), 109);
  EXPECT_EQ(read.key(), 1) << "the quote-a-day steps in record-number order";
  EXPECT_EQ(main.list()->KeyNumber(), 2) << "the list keeps its order";
  read.action("&Next")->trigger();
  EXPECT_EQ(RecordNumber(read.shown_record()), 110);
  read.hide();

  main.state().filters.filters_on = true;  // and no filter set: nothing passes
  main.action("Quote A Day")->trigger();
  EXPECT_FALSE(read.isVisible());
  EXPECT_EQ(host_.Texts(MessageKind::kInformation),
            std::vector<std::string>{reading::kNothingPassesMessage});
  main.state().filters.filters_on = false;
  main.action("hint:Spin for Quote-A-Day")->trigger();
  EXPECT_TRUE(read.isVisible());
}

}  // namespace
}  // namespace tessary::testing
