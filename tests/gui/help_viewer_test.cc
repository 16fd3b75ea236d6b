// The help catalogue (index, keywords, word search) and the help window
// (topics, links, history, the three tabs), on the built-in topics and on
// small catalogues written to a temporary folder.
#include "ui/help_viewer.h"

#include <QFile>
#include <QListWidget>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <set>

#include "gui/window_fixture.h"
#include "ui/help_catalog.h"

namespace tessary::ui {
namespace {

// The topic numbers the program opens directly.
const std::set<int> kProgramTopics = {0,   100, 115, 120, 130, 165, 175, 190, 215,
                                      220, 230, 240, 245, 250, 260, 265, 270, 300,
                                      305, 310, 345, 350, 360, 365, 370, 400};

void Write(const QString& path, const QString& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(text.toUtf8());
}

// A small catalogue whose title order (Alpha, Beta, Gamma) is the reverse of
// both its number order and its file order.
class SmallCatalog {
 public:
  SmallCatalog() {
    Write(Path("topics.json"), R"({"topics": [
      {"number": 10, "title": "Gamma page", "file": "gamma.html", "keywords": ["zeta", "Shared"]},
      {"number": 20, "title": "Beta page", "file": "beta.html", "keywords": ["shared", "alpha"],
       "parent": 10},
      {"number": 30, "title": "Alpha page", "file": "alpha.html", "keywords": ["Beta"]}
    ]})");
    Write(Path("gamma.html"),
          "<h1>Gamma page</h1><p>Foxes are clever. See <a href=\"topic:30\">alpha</a>.</p>");
    Write(Path("beta.html"), "<h1>Beta page</h1><p>A lazy dog sleeps; the FOX watches.</p>");
    Write(Path("alpha.html"), "<h1>Alpha page</h1><p>The quick brown fox jumps. Fox!</p>");
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }
  HelpCatalog Load() const { return HelpCatalog::Load(Path("topics.json")); }

 private:
  QTemporaryDir dir_;
};

// Clicks the first link to `href` in the browser, as the user would.
bool ClickLink(QTextBrowser* browser, const QString& href) {
  for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.charFormat().anchorHref() != href) continue;
      QTextCursor cursor(browser->document());
      cursor.setPosition(fragment.position() + 1);
      browser->setTextCursor(cursor);
      browser->ensureCursorVisible();
      const QPoint point = browser->cursorRect(cursor).center();
      QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, point);
      return true;
    }
  }
  return false;
}

template <typename T>
T* Child(const QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

QStringList VisibleKeywords(const QTreeWidget* index) {
  QStringList shown;
  for (int i = 0; i < index->topLevelItemCount(); ++i) {
    if (!index->topLevelItem(i)->isHidden()) shown.append(index->topLevelItem(i)->text(0));
  }
  return shown;
}

// Every built-in topic has keywords and opens with its own title, so the tree
// and the page agree; its links lead to existing topics, and the contents
// reach every topic the program opens.
TEST(HelpCatalogTest, BuiltInTopicsOpenWithTheirTitlesAndLinkToExistingTopics) {
  HelpViewer viewer;
  const HelpCatalog& catalog = viewer.Catalog();
  ASSERT_TRUE(catalog.Ok()) << catalog.Error().toStdString();
  const QRegularExpression link(QStringLiteral("href=\"topic:(\\d+)"));
  std::set<int> linked = {0};
  for (const HelpTopic& topic : catalog.Topics()) {
    SCOPED_TRACE(topic.number);
    EXPECT_FALSE(topic.keywords.isEmpty());
    viewer.ShowTopic(topic.number);
    EXPECT_EQ(viewer.CurrentTopic(), topic.number);
    EXPECT_TRUE(viewer.PageText().startsWith(topic.title)) << topic.title.toStdString();
    EXPECT_TRUE(catalog.PlainText(topic.number).trimmed().startsWith(topic.title));
    auto it = link.globalMatch(catalog.Html(topic.number));
    while (it.hasNext()) {
      const int target = it.next().captured(1).toInt();
      EXPECT_NE(catalog.Find(target), nullptr) << "links to " << target;
      linked.insert(target);
    }
  }
  for (int topic : kProgramTopics) EXPECT_TRUE(linked.count(topic)) << topic;
}

// Results are sorted by title (Alpha 30, Beta 20, Gamma 10).
TEST(HelpCatalogTest, SearchFindsWholeWordsIgnoringCaseSortedByTitle) {
  SmallCatalog files;
  const HelpCatalog catalog = files.Load();
  ASSERT_TRUE(catalog.Ok()) << catalog.Error().toStdString();
  const struct {
    const char* query;
    QList<int> topics;
  } cases[] = {
      {"fox", {30, 20}},                          // "Foxes" in Gamma is another word
      {"FOX", {30, 20}}, {"fox lazy", {20}},      // every word must be present
      {"fox zebra", {}}, {"fox*", {30, 20, 10}},  // a trailing star matches the beginnings of words
      {"gamma", {10}},                            // titles are searched too
      {"  ...  ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(catalog.Search(c.query), c.topics) << c.query;
  EXPECT_EQ(HelpCatalog::QueryWords("Page  DOWN, page* down"),
            (QStringList{"page", "down", "page*"}));
}

TEST(HelpCatalogTest, BadIndexesAreRefused) {
  SmallCatalog files;
  const QString index = files.Path("topics.json");
  const QList<std::pair<const char*, const char*>> cases = {
      {"{not json", "offset"},
      {R"({"pages": []})", "topics"},
      {R"({"topics": [{"number": 1, "title": "A", "file": "missing.html"}]})", "missing.html"},
      {R"({"topics": [{"number": 1, "title": "A", "file": "alpha.html"},
                      {"number": 1, "title": "B", "file": "beta.html"}]})",
       "twice"},
      {R"({"topics": [{"number": 1, "title": "", "file": "alpha.html"}]})", "no title"},
      {R"({"topics": [{"number": 1, "title": "A", "file": "alpha.html", "parent": 7}]})",
       "parent 7"},
  };
  for (const auto& [json, reason] : cases) {
    SCOPED_TRACE(json);
    Write(index, QString::fromUtf8(json));
    const HelpCatalog catalog = HelpCatalog::Load(index);
    EXPECT_FALSE(catalog.Ok());
    EXPECT_TRUE(catalog.Topics().isEmpty());
    EXPECT_TRUE(catalog.Error().contains(QLatin1String(reason))) << catalog.Error().toStdString();
  }
}

// The one help window has three tabs; links navigate, and Back and Forward
// retrace them.
TEST(HelpViewerTest, LinksNavigateAndBackForwardRetraceThem) {
  HelpViewer viewer;
  viewer.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
  EXPECT_EQ(viewer.windowTitle(), "Tessary Help");
  auto* tabs = Child<QTabWidget>(viewer, "helpTabs");
  EXPECT_EQ((QStringList{tabs->tabText(0), tabs->tabText(1), tabs->tabText(2)}),
            (QStringList{"Contents", "Index", "Search"}));
  viewer.ShowContents();
  auto* browser = Child<QTextBrowser>(viewer, "helpBrowser");
  auto* back = Child<QToolButton>(viewer, "backButton");
  auto* forward = Child<QToolButton>(viewer, "forwardButton");
  EXPECT_FALSE(back->isEnabled());
  ASSERT_TRUE(ClickLink(browser, "topic:115"));
  EXPECT_EQ(viewer.CurrentTopic(), 115);
  ASSERT_TRUE(ClickLink(browser, "topic:120"));
  EXPECT_EQ(viewer.CurrentTopic(), 120);
  ASSERT_TRUE(back->isEnabled());
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentTopic(), 115);
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentTopic(), 0);
  EXPECT_FALSE(back->isEnabled());
  ASSERT_TRUE(forward->isEnabled());
  QTest::mouseClick(forward, Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentTopic(), 115);
  QTest::mouseClick(Child<QToolButton>(viewer, "homeButton"), Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentTopic(), 0);

  // An unknown topic says so and links to the contents.
  viewer.ShowTopic(999);
  EXPECT_EQ(viewer.CurrentTopic(), 999);
  EXPECT_TRUE(viewer.PageText().contains("Topic 999 is not written yet"));
  ASSERT_TRUE(ClickLink(browser, "topic:0"));
  EXPECT_EQ(viewer.CurrentTopic(), 0);
  EXPECT_TRUE(viewer.PageText().startsWith("Welcome to Tessary"));
}

// The three tabs on the small catalogue: the index filter narrows the
// keywords and opens their topics, the contents tree holds every topic, and
// the search lists topics by title and marks the words on their pages.
TEST(HelpViewerTest, TabsFindAndOpenTheTopics) {
  SmallCatalog files;
  HelpViewer viewer(files.Load());
  viewer.ShowIndex();
  EXPECT_EQ(Child<QTabWidget>(viewer, "helpTabs")->currentIndex(), 1);
  // Opening the index with nothing on show shows the contents page.
  EXPECT_EQ(viewer.CurrentTopic(), 10);
  auto* filter = Child<QLineEdit>(viewer, "indexFilter");
  auto* index = Child<QTreeWidget>(viewer, "indexTree");
  const struct {
    const char* typed;
    QStringList shown;
  } filters[] = {{"", {"alpha", "Beta", "Shared", "zeta"}},
                 {"ETA", {"Beta", "zeta"}},
                 {"zzzz", {}},
                 {"", {"alpha", "Beta", "Shared", "zeta"}}};
  for (const auto& f : filters) {
    QTest::keyClicks(filter, f.typed);
    EXPECT_EQ(VisibleKeywords(index), f.shown) << f.typed;
    filter->clear();
  }
  // Enter opens the first keyword left by the filter.
  filter->setText("bet");
  QTest::keyClick(filter, Qt::Key_Return);
  EXPECT_EQ(viewer.CurrentTopic(), 30);
  // A keyword of two topics lists both under it.
  const QList<QTreeWidgetItem*> shared = index->findItems("Shared", Qt::MatchExactly);
  ASSERT_EQ(shared.size(), 1);
  ASSERT_EQ(shared[0]->childCount(), 2);
  EXPECT_EQ(shared[0]->child(0)->text(0), "Gamma page");
  EXPECT_EQ(shared[0]->child(1)->text(0), "Beta page");

  // Gamma holds Beta; Alpha stands alone; file order is kept.
  auto* contents = Child<QTreeWidget>(viewer, "contentsTree");
  ASSERT_EQ(contents->topLevelItemCount(), 2);
  EXPECT_EQ(contents->topLevelItem(0)->text(0), "Gamma page");
  ASSERT_EQ(contents->topLevelItem(0)->childCount(), 1);
  EXPECT_EQ(contents->topLevelItem(1)->text(0), "Alpha page");
  QTreeWidgetItem* beta = contents->topLevelItem(0)->child(0);
  EXPECT_EQ(beta->text(0), "Beta page");
  Child<QTabWidget>(viewer, "helpTabs")->setCurrentIndex(0);
  contents->scrollToItem(beta);
  QTest::mouseClick(contents->viewport(), Qt::LeftButton, Qt::NoModifier,
                    contents->visualItemRect(beta).center());
  EXPECT_EQ(viewer.CurrentTopic(), 20);
  EXPECT_TRUE(viewer.PageText().contains("lazy dog"));

  viewer.ShowSearch();
  EXPECT_EQ(Child<QTabWidget>(viewer, "helpTabs")->currentIndex(), 2);
  auto* line = Child<QLineEdit>(viewer, "searchLine");
  auto* results = Child<QListWidget>(viewer, "searchResults");
  line->setText("Fox");
  QTest::mouseClick(Child<QPushButton>(viewer, "searchButton"), Qt::LeftButton);
  ASSERT_EQ(results->count(), 2);
  EXPECT_EQ(results->item(0)->text(), "Alpha page");
  EXPECT_EQ(results->item(1)->text(), "Beta page");
  QTest::mouseClick(results->viewport(), Qt::LeftButton, Qt::NoModifier,
                    results->visualItemRect(results->item(1)).center());
  EXPECT_EQ(viewer.CurrentTopic(), 20);
  auto* browser = Child<QTextBrowser>(viewer, "helpBrowser");
  ASSERT_EQ(browser->extraSelections().size(), 1);
  EXPECT_EQ(browser->extraSelections()[0].cursor.selectedText(), "FOX");
  QTest::mouseClick(results->viewport(), Qt::LeftButton, Qt::NoModifier,
                    results->visualItemRect(results->item(0)).center());
  EXPECT_EQ(viewer.CurrentTopic(), 30);
  QStringList marked;
  for (const auto& mark : browser->extraSelections()) marked.append(mark.cursor.selectedText());
  EXPECT_EQ(marked, (QStringList{"fox", "Fox"}));

  // Marks belong to the search visit: going back to a page starts clean.
  QTest::mouseClick(Child<QToolButton>(viewer, "backButton"), Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentTopic(), 20);
  EXPECT_TRUE(browser->extraSelections().isEmpty());
  line->setText("zebra");
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(results->count(), 0);
  EXPECT_EQ(Child<QLabel>(viewer, "searchStatus")->text(), "No topic holds all of these words.");
}

}  // namespace
}  // namespace tessary::ui
