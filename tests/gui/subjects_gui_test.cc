// The ways in by subject on the offscreen platform: the icon menus, the
// subject and subtitle lists and the quick-start menu, driven through their
// real dialogs from the main window.

#include <QFocusEvent>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "gui/window_fixture.h"
#include "subjects/catalogue.h"
#include "subjects/quick_start_gui.h"
#include "subjects/subject_commands.h"
#include "subjects/subject_lists_gui.h"
#include "subjects/subject_menus_gui.h"
#include "ui/help_viewer.h"
#include "ui/qt_host.h"

namespace tessary::testing {
namespace {

using subjects::QuickStartButton;
using subjects::TSubjectIconMenu;

// Runs `act` on the next modal dialog named `name`, as its own type.
template <typename Dialog = QDialog>
void OnModal(const QString& name, std::type_identity_t<std::function<void(Dialog*)>> act) {
  WhenModal([act](QWidget* modal) { act(static_cast<Dialog*>(modal)); }, name);
}

QToolButton* SubjectButton(TSubjectIconMenu& menu, const QString& name) {
  for (QToolButton* button : menu.subject_buttons()) {
    if (button->text() == name) return button;
  }
  return nullptr;
}

class SubjectsGuiTest : public MainWindowFixture {
 protected:
  app::TMain_Menu& StartWithReadingWindow() {
    app::TMain_Menu& window = StartShared();
    window.show_in_reading_window = [this, &window](int32_t ref) {
      shown_.push_back(ref);
      shown_record_ = window.session().current_record;
    };
    return window;
  }
  std::string ShownSubject() const {
    return std::string(database::FieldText(shown_record_.Subject));
  }

  std::vector<int32_t> shown_;
  database::QuotationRecord shown_record_ = database::EmptyRecord();
};

TEST_F(SubjectsGuiTest, ChoosingAPictureReadsTheFirstRecordOfItsSubject) {
  app::TMain_Menu& window = StartWithReadingWindow();
  subjects::SubjectCommands& commands = window.subject_commands();
  std::vector<int> menus;
  commands.draw_first_menu = [] { return 150; };
  commands.before_icon_menu = [&](TSubjectIconMenu& menu) {
    menus.push_back(menu.objectName().back().digitValue());
  };
  // The first command opens the drawn menu 2; on to menu 3, then Truth.
  OnModal<TSubjectIconMenu>("TSUBJECTS_2", [](TSubjectIconMenu* menu) {
    EXPECT_EQ(menu->windowTitle(), "Subject Menu 2 of 3:  Health to Science");
    EXPECT_EQ(menu->subject_buttons().size(), 27u);
    QTest::mouseClick(menu->navigation_button(1), Qt::LeftButton);
    OnModal<TSubjectIconMenu>("TSUBJECTS_3", [](TSubjectIconMenu* third) {
      QTest::mouseClick(SubjectButton(*third, "Truth"), Qt::LeftButton);
    });
  });
  window.action("Subject Icons...")->trigger();
  EXPECT_EQ(menus, (std::vector<int>{2, 3}));
  const KeyEntry truth = FirstAtOrAfter(window.session(), 3, "TRUTH");
  ExpectListOnKey(window, 3, truth.ref);
  EXPECT_EQ(shown_, std::vector<int32_t>{truth.ref});
  EXPECT_EQ(ShownSubject(), "Truth");
  // Later commands start at menu 1 without a new draw. Its panels follow the
  // focus and the pointer; Help keeps it open, and Cancel changes nothing.
  OnModal<TSubjectIconMenu>("TSUBJECTS_1", [this](TSubjectIconMenu* menu) {
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(SubjectButton(*menu, "Cunning"), &focus);
    EXPECT_EQ(menu->subject_panel()->text(), "CUNNING");
    EXPECT_EQ(menu->description_panel()->text(),
              "Deceit, Dishonesty, Lying, Treachery, Treason --> Disgrace and Shame");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(menu->navigation_button(0), &enter);
    EXPECT_EQ(menu->subject_panel()->text(), "Subject Menu 2");
    EXPECT_EQ(menu->description_panel()->text(), "Subjects from HEALTH to SCIENCE");
    EXPECT_EQ(menu->help_button()->toolTip(), "Help on Iconic Subject Menus");
    QTest::mouseClick(menu->help_button(), Qt::LeftButton);
    EXPECT_EQ(host_.help_topics, std::vector<int>{370});
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->subject_panel()->text(), "HELP");
    QTest::mouseClick(menu->cancel_button(), Qt::LeftButton);
  });
  window.action("hint:Select Subject by Iconic Menu")->trigger();
  EXPECT_EQ(menus, (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(shown_.size(), 1u);
  ExpectListOnKey(window, 3, truth.ref);
  EXPECT_EQ(host_.messages.size(), 1u) << "only the missing options file was reported";
}

// Fills in a list dialog and presses OK (or closes it when `ok` is false).
void FillList(QDialog* dialog, const QString& text, int view, int section, bool ok = true) {
  auto* list = static_cast<subjects::SubjectListDialog*>(dialog);
  EXPECT_EQ(list->list()->currentText(), "") << "every showing starts empty";
  EXPECT_TRUE(list->view_button(0)->isChecked());
  EXPECT_TRUE(list->section_button(0)->isChecked());
  list->list()->setEditText(text);
  list->view_button(view)->setChecked(true);
  list->section_button(section)->setChecked(true);
  if (ok) {
    QTest::mouseClick(list->ok_button(), Qt::LeftButton);
  } else {
    dialog->close();
  }
}

TEST_F(SubjectsGuiTest, ListsLandInTheBrowserOrTheReadingWindow) {
  app::TMain_Menu& window = StartWithReadingWindow();
  database::Session& session = window.session();

  OnModal("TSUB_LB", [](QDialog* d) { FillList(d, "Love", 0, 1); });
  window.action("Subject List...")->trigger();
  ExpectListOnKey(window, 3, FirstAtOrAfter(session, 3, "LOVE         2").ref);
  EXPECT_TRUE(shown_.empty()) << "Browser stays in the list";

  // The Eternal has no quotations: Time follows it.
  OnModal("TSubtitle_List_Box",
          [](QDialog* d) { FillList(d, "God     ... ... ... ...  The Eternal", 1, 0); });
  window.action("hint:Subject Finder Dialog")->trigger();
  const KeyEntry time = FirstAtOrAfter(session, 3, "THE ETERNAL  1");
  EXPECT_EQ(time.key.substr(0, 4), "TIME");
  ExpectListOnKey(window, 3, time.ref);
  EXPECT_EQ(shown_, std::vector<int32_t>{time.ref});
  EXPECT_EQ(ShownSubject(), "Time");

  // "8. Jokes" is folded into "7. Potpourri" with the seven-section naming;
  // typed text stops at 13 characters.
  subjects::SubjectListDialog& finder = window.subject_commands().subject_finder();
  const QString hope = QString::fromStdString(subjects::SubtitleListItem({"Hope", "HOPE"}));
  OnModal("TSubtitle_List_Box", [hope](QDialog* d) {
    auto* list = static_cast<subjects::SubjectListDialog*>(d);
    QTest::keyClicks(list->list()->lineEdit(), "abcdefghijklmnopq");
    EXPECT_EQ(list->list()->currentText(), "abcdefghijklm");
    list->list()->setEditText("");
    FillList(d, hope, 0, 7);
  });
  window.action("Subject Finder...")->trigger();
  EXPECT_TRUE(finder.section_button(6)->isChecked());
  ExpectListOnKey(window, 3, FirstAtOrAfter(session, 3, "HOPE         7").ref);

  // OK on the empty item, and the close box, change nothing.
  window.ChangeSortKey(2);
  const int32_t ref = window.list()->CurrentRef();
  OnModal("TSUB_LB", [](QDialog* d) { FillList(d, "", 1, 3); });
  window.action("hint:Subject List Dialog")->trigger();
  OnModal("TSUB_LB", [](QDialog* d) { FillList(d, "Love", 1, 3, false); });
  window.action("Subject List...")->trigger();
  EXPECT_EQ(window.list()->KeyNumber(), 2);
  EXPECT_EQ(window.list()->CurrentRef(), ref);
  EXPECT_EQ(shown_.size(), 1u);
}

// The dialogs' Help buttons open help while the dialog is modal: the help
// window must not be blocked by it.
TEST(ModalHelpTest, HelpOpenedFromAModalDialogBelongsToIt) {
  ui::QtHost host;
  QDialog dialog;
  dialog.setObjectName("Modal");
  ui::HelpViewer* viewer = nullptr;
  OnModal("Modal", [&](QDialog* d) {
    host.ShowHelp(370);
    viewer = ui::HelpViewer::Instance();
    EXPECT_EQ(viewer->parentWidget(), d);
    EXPECT_TRUE(viewer->isWindow());
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->CurrentTopic(), 370);
    d->close();
  });
  dialog.exec();
  ASSERT_NE(viewer, nullptr);
  host.ShowHelp(365);
  EXPECT_EQ(ui::HelpViewer::Instance(), viewer) << "the same window, its history kept";
  EXPECT_EQ(viewer->parentWidget(), nullptr);
  EXPECT_TRUE(viewer->isVisible());
  viewer->close();
}

// Presses one of the quick-start menu's buttons.
std::function<void(subjects::TQS_MENU_TESSARY*)> Click(QuickStartButton button) {
  return [button](subjects::TQS_MENU_TESSARY* menu) {
    QTest::mouseClick(menu->button(button), Qt::LeftButton);
  };
}

// The first tick shows the quick-start menu. Enter (Browser is the default
// button) and the close box leave the list as it is; each other button runs
// its command.
TEST_F(SubjectsGuiTest, EachQuickStartButtonRunsItsCommand) {
  CopySharedDatabase(dir_.path());
  const struct {
    std::function<void(subjects::TQS_MENU_TESSARY*)> press;
    QString dialog;  // the dialog the command opens, if any
    int quotes;
    std::vector<int> help;
  } cases[] = {
      {[](auto* menu) { QTest::keyClick(menu, Qt::Key_Return); }, "", 0, {}},
      {[](auto* menu) { menu->close(); }, "", 0, {}},
      {Click(QuickStartButton::kSubjectList), "TSUB_LB", 0, {}},
      {Click(QuickStartButton::kSubjectFinder), "TSubtitle_List_Box", 0, {}},
      {Click(QuickStartButton::kSubjectIcons), "TSUBJECTS_1", 0, {}},
      {Click(QuickStartButton::kQuoteADay), "", 1, {}},
      {Click(QuickStartButton::kHintsAndTips), "", 0, {270}},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(index++);
    bool opened = false;
    if (!c.dialog.isEmpty()) {
      OnModal(c.dialog, [&opened](QDialog* d) {
        opened = true;
        d->close();
      });
    }
    int quotes = 0;
    host_.help_topics.clear();
    app::TMain_Menu& window = Create();
    window.quote_a_day = [&] { ++quotes; };
    window.subject_commands().draw_first_menu = [] { return 0; };
    OnModal<subjects::TQS_MENU_TESSARY>("TQS_MENU_TESSARY", [&](auto* menu) {
      EXPECT_EQ(menu->windowTitle(), "Quick Start Menu");
      EXPECT_TRUE(menu->button(QuickStartButton::kBrowser)->isDefault());
      c.press(menu);
    });
    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.state().show_opening_menu; }, 2000));
    QTest::qWait(50);
    EXPECT_FALSE(window.subject_commands().quick_start().isVisible());
    EXPECT_EQ(opened, !c.dialog.isEmpty());
    EXPECT_EQ(quotes, c.quotes);
    EXPECT_EQ(host_.help_topics, c.help);
    EXPECT_EQ(window.list()->KeyNumber(), 1);
    EXPECT_EQ(PageRefs(window).front(), WalkKey(window.session(), 1).front().ref);
    EXPECT_FALSE(window.timer().isActive());
    window_.reset();
  }
}

}  // namespace
}  // namespace tessary::testing
