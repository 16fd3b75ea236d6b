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

// Clicks the first link to `href` in the browser, as the user would, and
// returns the topic then on show (-1: no such link).
int Follow(HelpViewer& viewer, const QString& href) {
  auto* browser = viewer.findChild<QTextBrowser*>("helpBrowser");
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
      return viewer.CurrentTopic();
    }
  }
  return -1;
}

template <typename T>
T* Child(const QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

// Clicks the named button and returns the topic then on show.
int Press(HelpViewer& viewer, const char* button) {
  QTest::mouseClick(Child<QAbstractButton>(viewer, button), Qt::LeftButton);
  return viewer.CurrentTopic();
}

// Clicks the item at `rect` of `view` and returns the topic then on show.
int ClickItem(HelpViewer& viewer, QAbstractItemView* view, const QRect& rect) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  return viewer.CurrentTopic();
}

// The shown top-level items as "text" or "text: child|child".
QStringList Tree(const QTreeWidget* tree, bool children = true) {
  QStringList shown;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = tree->topLevelItem(i);
    if (item->isHidden()) continue;
    QStringList below;
    for (int j = 0; children && j < item->childCount(); ++j) below.append(item->child(j)->text(0));
    shown.append(below.isEmpty() ? item->text(0) : item->text(0) + ": " + below.join('|'));
  }
  return shown;
}

QStringList Marks(const QTextBrowser* browser) {
  QStringList marked;
  for (const auto& mark : browser->extraSelections()) marked.append(mark.cursor.selectedText());
  return marked;
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
// retrace them. An unknown topic says so and links to the contents.
TEST(HelpViewerTest, LinksNavigateAndBackForwardRetraceThem) {
  HelpViewer viewer;
  viewer.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
  EXPECT_EQ(viewer.windowTitle(), "Tessary Help");
  auto* tabs = Child<QTabWidget>(viewer, "helpTabs");
  EXPECT_EQ((QStringList{tabs->tabText(0), tabs->tabText(1), tabs->tabText(2)}),
            (QStringList{"Contents", "Index", "Search"}));
  viewer.ShowContents();
  auto* back = Child<QToolButton>(viewer, "backButton");
  EXPECT_FALSE(back->isEnabled());
  EXPECT_EQ(Follow(viewer, "topic:115"), 115);
  EXPECT_EQ(Follow(viewer, "topic:120"), 120);
  EXPECT_EQ(Press(viewer, "backButton"), 115);
  EXPECT_EQ(Press(viewer, "backButton"), 0);
  EXPECT_FALSE(back->isEnabled());
  EXPECT_EQ(Press(viewer, "forwardButton"), 115);
  EXPECT_EQ(Press(viewer, "homeButton"), 0);
  viewer.ShowTopic(999);
  EXPECT_EQ(viewer.CurrentTopic(), 999);
  EXPECT_TRUE(viewer.PageText().contains("Topic 999 is not written yet"));
  EXPECT_EQ(Follow(viewer, "topic:0"), 0);
  EXPECT_TRUE(viewer.PageText().startsWith("Welcome to Tessary"));
}

// The three tabs on the small catalogue: the index filter narrows the
// keywords and opens their topics, the contents tree holds every topic, and
// the search lists topics by title and marks the words on their pages.
TEST(HelpViewerTest, TabsFindAndOpenTheTopics) {
  SmallCatalog files;
  HelpViewer viewer(files.Load());
  auto* tabs = Child<QTabWidget>(viewer, "helpTabs");
  viewer.ShowIndex();
  EXPECT_EQ(tabs->currentIndex(), 1);
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
    EXPECT_EQ(Tree(index, false), f.shown) << f.typed;
    filter->clear();
  }
  // Enter opens the first keyword left by the filter; a keyword of two topics
  // lists both under it.
  filter->setText("bet");
  QTest::keyClick(filter, Qt::Key_Return);
  EXPECT_EQ(viewer.CurrentTopic(), 30);
  filter->clear();
  EXPECT_TRUE(Tree(index).contains("Shared: Gamma page|Beta page"));

  // Gamma holds Beta; Alpha stands alone; file order is kept.
  auto* contents = Child<QTreeWidget>(viewer, "contentsTree");
  EXPECT_EQ(Tree(contents), QStringList({"Gamma page: Beta page", "Alpha page"}));
  tabs->setCurrentIndex(0);
  QTreeWidgetItem* beta = contents->topLevelItem(0)->child(0);
  contents->scrollToItem(beta);
  EXPECT_EQ(ClickItem(viewer, contents, contents->visualItemRect(beta)), 20);
  EXPECT_TRUE(viewer.PageText().contains("lazy dog"));

  viewer.ShowSearch();
  EXPECT_EQ(tabs->currentIndex(), 2);
  auto* line = Child<QLineEdit>(viewer, "searchLine");
  auto* results = Child<QListWidget>(viewer, "searchResults");
  line->setText("Fox");
  Press(viewer, "searchButton");
  ASSERT_EQ(results->count(), 2);
  EXPECT_EQ(results->item(0)->text(), "Alpha page");
  EXPECT_EQ(results->item(1)->text(), "Beta page");
  auto* browser = Child<QTextBrowser>(viewer, "helpBrowser");
  EXPECT_EQ(ClickItem(viewer, results, results->visualItemRect(results->item(1))), 20);
  EXPECT_EQ(Marks(browser), QStringList({"FOX"}));
  EXPECT_EQ(ClickItem(viewer, results, results->visualItemRect(results->item(0))), 30);
  EXPECT_EQ(Marks(browser), QStringList({"fox", "Fox"}));
  // Marks belong to the search visit: going back to a page starts clean.
  EXPECT_EQ(Press(viewer, "backButton"), 20);
  EXPECT_TRUE(Marks(browser).isEmpty());
  line->setText("zebra");
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(results->count(), 0);
  EXPECT_EQ(Child<QLabel>(viewer, "searchStatus")->text(), "No topic holds all of these words.");
}

}  // namespace
}  // namespace tessary::ui
