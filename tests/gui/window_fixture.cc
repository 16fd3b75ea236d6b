#include "gui/window_fixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <filesystem>

#include "app/row_text.h"
#include "database/keys.h"
#include "isam/verify.h"
#include "platform/file.h"
#include "support/quotation_fixture.h"

namespace tessary::testing {
namespace {

constexpr auto kOverwrite =
    std::filesystem::copy_options::overwrite_existing | std::filesystem::copy_options::recursive;
constexpr const char* kExtraAuthors[kExtra][2] = {
    {"Miller", "Arthur"}, {"Mann", "Thomas"}, {"Nash", "Ogden"}, {"Mann", "Anna"}};

database::QuotationRecord SharedQuotation(int number) {
  database::QuotationRecord record = GeneratedQuotation(number);
  if (number > kGenerated && number <= kTotal) {
    const auto& author = kExtraAuthors[number - kGenerated - 1];
    database::SetField(record.Authors_LName, author[0]);
    database::SetField(record.FirstName, author[1]);
  }
  return record;
}

}  // namespace

void BuildDatabase(int count, const std::string& directory) {
  QuotationFixture fixture(std::min(count, kGenerated));
  database::Session& session = fixture.session();
  for (int number = kGenerated + 1; number <= count; ++number) {
    session.current_record = SharedQuotation(number);
    ASSERT_TRUE(session.AddRecord()) << "adding quotation " << number;
  }
  session.CloseDatabase();
  std::filesystem::copy(fixture.dir().path(), directory, kOverwrite);
}

void CopySharedDatabase(const std::string& directory) {
  // Built on first use and removed at the end of the run.
  static TempDir shared;
  static const bool built = [] {
    BuildDatabase(kTotal, shared.path());
    return true;
  }();
  ASSERT_TRUE(built);
  std::filesystem::copy(shared.path(), directory, kOverwrite);
}

void ExpectSound(const std::string& directory, int records, int free_slots) {
  isam::VerifyOptions options;
  options.key_builder = database::BuildKeyFromBytes;
  isam::VerifyReport report =
      isam::Verify(platform::PosixFileSystem(), directory + "/Tes_Win", options);
  EXPECT_EQ(report.open_error, 0);
  EXPECT_TRUE(report.sound()) << ::testing::PrintToString(report.findings);
  EXPECT_EQ(report.records, records);
  if (free_slots >= 0) {
    EXPECT_EQ(report.free_slots, free_slots);
  }
}

KeyEntry FirstAtOrAfter(database::Session& session, int key, const std::string& text) {
  for (const KeyEntry& entry : WalkKey(session, key)) {
    if (entry.key >= text) return entry;
  }
  return {};
}

int RecordNumber(const database::QuotationRecord& record) {
  return std::stoi(std::string(database::FieldText(record.Record_Number)));
}

void ExpectListOnKey(app::TMain_Menu& window, int key, int32_t ref) {
  browser::TListBrowser* list = window.list();
  EXPECT_EQ(list->KeyNumber(), key);
  if (ref >= 0) {
    EXPECT_EQ(list->CurrentRef(), ref);
  }
  EXPECT_EQ(window.session().current_key(), key);
  EXPECT_EQ(list->Header(), app::HeaderText(key));
  EXPECT_EQ(window.panel(1)->text().toStdString(), database::SortKeyCaption(key));
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

std::vector<int32_t> PageRefs(const app::TMain_Menu& window) {
  std::vector<int32_t> refs;
  const browser::RowBrowser* engine = window.list()->engine();
  if (engine == nullptr) return refs;
  for (int i = 1; i <= engine->visible_rows(); ++i) refs.push_back(engine->row(i).ref);
  return refs;
}

void WhenModal(std::function<void(QWidget*)> act, const QString& name) {
  auto* timer = new QTimer;
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, clock, name, act] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool ready =
        modal != nullptr && modal->isVisible() && (name.isEmpty() || modal->objectName() == name);
    if (!ready && clock->elapsed() < 5000) return;
    timer->stop();
    timer->deleteLater();
    if (!ready) {
      ADD_FAILURE() << "no modal dialog " << name.toStdString() << " came up";
      return;
    }
    // Focus moves, and the status panels with them, only in the active window.
    QApplication::setActiveWindow(modal);
    act(modal);
  });
  timer->start();
}

QStringList ActionTexts(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) {
    if (!action->isSeparator()) texts.push_back(action->text());
  }
  return texts;
}

QStringList MenuTree(const QMenuBar* bar) {
  QStringList tree;
  for (const QAction* top : bar->actions()) {
    tree.push_back(top->menu() == nullptr
                       ? top->text()
                       : top->text() + ": " + ActionTexts(top->menu()->actions()).join('|'));
  }
  return tree;
}

QStringList ToolTips(const QWidget& window) {
  QStringList tips;
  for (const QToolBar* bar : window.findChildren<QToolBar*>()) {
    for (const QAction* action : bar->actions()) {
      if (!action->isSeparator()) tips.push_back(action->toolTip());
    }
  }
  return tips;
}

QStringList Sorted(QStringList list) {
  list.sort();
  return list;
}

app::TMain_Menu& MainWindowFixture::Create(std::vector<std::string> args) {
  window_ = std::make_unique<app::TMain_Menu>(host_, platform::PosixFileSystem(), dir_.path(),
                                              std::move(args));
  return *window_;
}

app::TMain_Menu& MainWindowFixture::Start(std::vector<std::string> args) {
  Create(std::move(args)).show_quick_start = [] {};
  window_->show();
  return *window_;
}

void MainWindowFixture::Settle() {
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  QCoreApplication::processEvents();
}

app::TMain_Menu& MainWindowFixture::StartQuiet(std::vector<std::string> args) {
  app::TMain_Menu& window = Start(std::move(args));
  window.timer().stop();
  Settle();
  return window;
}

app::TMain_Menu& MainWindowFixture::StartShared() {
  CopySharedDatabase(dir_.path());
  return StartQuiet();
}

}  // namespace tessary::testing
