#include "ui/help_viewer.h"

#include <QColor>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

namespace tessary::ui {

namespace {

constexpr int kTopicRole = Qt::UserRole;
// Marks an index keyword that belongs to several topics.
constexpr int kSeveralTopics = -1;

const QString kTopicScheme = QStringLiteral("topic");

// The topic number of a "topic:NNN" URL, or -1.
int TopicOf(const QUrl& url) {
  if (url.scheme() != kTopicScheme) return -1;
  bool ok = false;
  const int topic = url.path().toInt(&ok);
  return ok ? topic : -1;
}

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }

QString NotWrittenPage(int topic) {
  return QStringLiteral(
             "<h1>Topic %1 is not written yet</h1>"
             "<p>Sorry, the help page for this part of Tessary has not been written yet.</p>"
             "<p>You may find what you need on the <a href=\"topic:0\">contents page</a>, "
             "or by looking up a keyword on the <b>Index</b> tab or a word on the "
             "<b>Search</b> tab.</p>")
      .arg(topic);
}

QString BrokenCatalogPage(const QString& error) {
  return QStringLiteral(
             "<h1>Help is not available</h1>"
             "<p>The list of help topics could not be read:</p><p><tt>%1</tt></p>")
      .arg(Escaped(error));
}

// The regular expression that finds one query word in a page, as the search
// matches it: a whole word, or any word beginning with it when it ends in '*'.
QRegularExpression WordExpression(const QString& word) {
  const bool prefix = word.endsWith(QLatin1Char('*'));
  const QString stem = QRegularExpression::escape(prefix ? word.chopped(1) : word);
  const QString pattern = prefix ? QStringLiteral("\\b%1[\\p{L}\\p{N}]*").arg(stem)
                                 : QStringLiteral("\\b%1\\b").arg(stem);
  return QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption |
                                         QRegularExpression::UseUnicodePropertiesOption);
}

}  // namespace

// The topic pane. It fetches "topic:NNN" pages from the catalogue, so the
// text browser's own history gives Back and Forward.
class HelpBrowser : public QTextBrowser {
 public:
  HelpBrowser(const HelpCatalog* catalog, QWidget* parent)
      : QTextBrowser(parent), catalog_(catalog) {}

  QVariant loadResource(int type, const QUrl& name) override {
    if (type == QTextDocument::HtmlResource && name.scheme() == kTopicScheme) {
      if (!catalog_->Ok()) return BrokenCatalogPage(catalog_->Error());
      bool ok = false;
      const int topic = name.path().toInt(&ok);
      if (ok && catalog_->Find(topic) != nullptr) return catalog_->Html(topic);
      return NotWrittenPage(ok ? topic : -1);
    }
    return QTextBrowser::loadResource(type, name);
  }

 private:
  const HelpCatalog* catalog_;
};

HelpViewer::HelpViewer(QWidget* parent) : HelpViewer(HelpCatalog::Load(), parent) {}

HelpViewer::HelpViewer(HelpCatalog catalog, QWidget* parent)
    : QWidget(parent, Qt::Window), catalog_(std::move(catalog)) {
  setWindowTitle(QStringLiteral("Tessary Help"));
  // Closing the help window must not keep the program alive or end it.
  setAttribute(Qt::WA_QuitOnClose, false);
  BuildUi();
  FillContents();
  FillIndex();
  resize(920, 640);
}

HelpViewer::~HelpViewer() = default;

HelpViewer* HelpViewer::Instance() {
  static QPointer<HelpViewer> instance;
  if (instance.isNull()) instance = new HelpViewer();
  return instance.data();
}

QUrl HelpViewer::TopicUrl(int topic) {
  QUrl url;
  url.setScheme(kTopicScheme);
  url.setPath(QString::number(topic));
  return url;
}

int HelpViewer::CurrentTopic() const { return TopicOf(browser_->source()); }

QString HelpViewer::PageText() const { return browser_->toPlainText(); }

void HelpViewer::BuildUi() {
  QStyle* style = this->style();

  // Left: the three ways into the topics.
  tabs_ = new QTabWidget;
  tabs_->setObjectName(QStringLiteral("helpTabs"));
  tabs_->setDocumentMode(true);

  contents_ = new QTreeWidget;
  contents_->setObjectName(QStringLiteral("contentsTree"));
  contents_->setHeaderHidden(true);
  contents_->setColumnCount(1);
  tabs_->addTab(contents_, QStringLiteral("Contents"));
  connect(contents_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { OpenTopic(item->data(0, kTopicRole).toInt()); });
  connect(contents_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { OpenTopic(item->data(0, kTopicRole).toInt()); });

  auto* index_page = new QWidget;
  auto* index_layout = new QVBoxLayout(index_page);
  index_layout->setContentsMargins(6, 8, 6, 6);
  index_layout->addWidget(new QLabel(QStringLiteral("Type the keyword to find:")));
  index_filter_ = new QLineEdit;
  index_filter_->setObjectName(QStringLiteral("indexFilter"));
  index_filter_->setClearButtonEnabled(true);
  index_filter_->setPlaceholderText(QStringLiteral("for example: filters"));
  index_layout->addWidget(index_filter_);
  index_ = new QTreeWidget;
  index_->setObjectName(QStringLiteral("indexTree"));
  index_->setHeaderHidden(true);
  index_->setColumnCount(1);
  index_layout->addWidget(index_, 1);
  index_status_ = new QLabel;
  index_status_->setObjectName(QStringLiteral("indexStatus"));
  index_layout->addWidget(index_status_);
  tabs_->addTab(index_page, QStringLiteral("Index"));
  connect(index_filter_, &QLineEdit::textChanged, this, &HelpViewer::FilterIndex);
  connect(index_filter_, &QLineEdit::returnPressed, this, [this] {
    for (int i = 0; i < index_->topLevelItemCount(); ++i) {
      if (!index_->topLevelItem(i)->isHidden()) {
        index_->setCurrentItem(index_->topLevelItem(i));
        OnIndexItem(index_->topLevelItem(i));
        return;
      }
    }
  });
  connect(index_, &QTreeWidget::itemClicked, this, &HelpViewer::OnIndexItem);
  connect(index_, &QTreeWidget::itemActivated, this, &HelpViewer::OnIndexItem);

  auto* search_page = new QWidget;
  auto* search_layout = new QVBoxLayout(search_page);
  search_layout->setContentsMargins(6, 8, 6, 6);
  search_layout->addWidget(new QLabel(QStringLiteral("Type the word(s) to search for:")));
  auto* search_row = new QHBoxLayout;
  search_line_ = new QLineEdit;
  search_line_->setObjectName(QStringLiteral("searchLine"));
  search_line_->setClearButtonEnabled(true);
  search_row->addWidget(search_line_, 1);
  auto* search_button = new QPushButton(QStringLiteral("List Topics"));
  search_button->setObjectName(QStringLiteral("searchButton"));
  search_row->addWidget(search_button);
  search_layout->addLayout(search_row);
  auto* search_hint = new QLabel(
      QStringLiteral("Topics holding all the words are listed. End a word with * to find "
                     "every word that begins with it."));
  search_hint->setWordWrap(true);
  search_hint->setEnabled(false);
  search_layout->addWidget(search_hint);
  search_results_ = new QListWidget;
  search_results_->setObjectName(QStringLiteral("searchResults"));
  search_layout->addWidget(search_results_, 1);
  search_status_ = new QLabel;
  search_status_->setObjectName(QStringLiteral("searchStatus"));
  search_layout->addWidget(search_status_);
  tabs_->addTab(search_page, QStringLiteral("Search"));
  connect(search_line_, &QLineEdit::returnPressed, this, &HelpViewer::RunSearch);
  connect(search_button, &QPushButton::clicked, this, &HelpViewer::RunSearch);
  connect(search_results_, &QListWidget::itemClicked, this, &HelpViewer::OnSearchResult);
  connect(search_results_, &QListWidget::itemActivated, this, &HelpViewer::OnSearchResult);

  // Right: navigation buttons over the topic.
  auto make_button = [style](const QString& name, const QString& text, QStyle::StandardPixmap icon,
                             const QString& tip) {
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setText(text);
    button->setIcon(style->standardIcon(icon));
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
  };
  back_ = make_button(QStringLiteral("backButton"), QStringLiteral("Back"), QStyle::SP_ArrowBack,
                      QStringLiteral("Back to the previous topic (Alt+Left)"));
  back_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  back_->setEnabled(false);
  forward_ = make_button(QStringLiteral("forwardButton"), QStringLiteral("Forward"),
                         QStyle::SP_ArrowForward, QStringLiteral("Forward again (Alt+Right)"));
  forward_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  forward_->setEnabled(false);
  QToolButton* home =
      make_button(QStringLiteral("homeButton"), QStringLiteral("Contents"),
                  QStyle::SP_FileDialogContentsView, QStringLiteral("The contents page"));

  browser_ = new HelpBrowser(&catalog_, nullptr);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setOpenLinks(false);  // OnLinkClicked decides where a link goes.
  QFile css(QStringLiteral(":/help/help.css"));
  if (css.open(QIODevice::ReadOnly)) {
    browser_->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
  }
  browser_->document()->setDocumentMargin(14);

  // Going back or forward is a new visit of a page: it starts without marks.
  connect(back_, &QToolButton::clicked, this, [this] {
    browser_->backward();
    browser_->setExtraSelections({});
  });
  connect(forward_, &QToolButton::clicked, this, [this] {
    browser_->forward();
    browser_->setExtraSelections({});
  });
  connect(home, &QToolButton::clicked, this, [this] { OpenTopic(HomeTopic()); });
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::anchorClicked, this, &HelpViewer::OnLinkClicked);
  connect(browser_, &QTextBrowser::sourceChanged, this, &HelpViewer::OnSourceChanged);

  auto* right = new QWidget;
  auto* right_layout = new QVBoxLayout(right);
  right_layout->setContentsMargins(0, 0, 0, 0);
  right_layout->setSpacing(2);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 4, 4, 0);
  bar->addWidget(back_);
  bar->addWidget(forward_);
  bar->addWidget(home);
  bar->addStretch(1);
  right_layout->addLayout(bar);
  right_layout->addWidget(browser_, 1);

  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->addWidget(tabs_);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({270, 650});
  splitter->setChildrenCollapsible(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(splitter);
}

void HelpViewer::FillContents() {
  contents_->clear();
  QHash<int, QTreeWidgetItem*> items;
  for (const HelpTopic& topic : catalog_.Topics()) {
    auto* item = new QTreeWidgetItem(QStringList{topic.title});
    item->setData(0, kTopicRole, topic.number);
    item->setToolTip(0, topic.title);
    items.insert(topic.number, item);
  }
  // Parents first gather their children, so a parent may come after a child
  // in the index file.
  for (const HelpTopic& topic : catalog_.Topics()) {
    QTreeWidgetItem* item = items.value(topic.number);
    if (topic.parent == -1) {
      contents_->addTopLevelItem(item);
    } else {
      items.value(topic.parent)->addChild(item);
    }
  }
  const QIcon book = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon page = style()->standardIcon(QStyle::SP_FileIcon);
  for (QTreeWidgetItem* item : std::as_const(items)) {
    item->setIcon(0, item->childCount() > 0 ? book : page);
  }
  contents_->expandAll();
}

void HelpViewer::FillIndex() {
  index_->clear();
  for (const HelpIndexEntry& entry : catalog_.Index()) {
    auto* item = new QTreeWidgetItem(QStringList{entry.keyword});
    if (entry.topics.size() == 1) {
      item->setData(0, kTopicRole, entry.topics.first());
    } else {
      item->setData(0, kTopicRole, kSeveralTopics);
      for (int topic : entry.topics) {
        auto* child = new QTreeWidgetItem(QStringList{catalog_.Find(topic)->title});
        child->setData(0, kTopicRole, topic);
        item->addChild(child);
      }
    }
    index_->addTopLevelItem(item);
  }
  FilterIndex(index_filter_->text());
}

int HelpViewer::HomeTopic() const {
  if (catalog_.Find(0) != nullptr || catalog_.Topics().isEmpty()) return 0;
  return catalog_.Topics().first().number;
}

void HelpViewer::Present() {
  if (!browser_->source().isValid()) OpenTopic(HomeTopic());
  show();
  raise();
  activateWindow();
}

void HelpViewer::ShowContents() {
  tabs_->setCurrentWidget(contents_);
  OpenTopic(HomeTopic());
  Present();
}

void HelpViewer::ShowIndex() {
  tabs_->setCurrentIndex(1);
  Present();
  index_filter_->setFocus();
  index_filter_->selectAll();
}

void HelpViewer::ShowSearch() {
  tabs_->setCurrentIndex(2);
  Present();
  search_line_->setFocus();
  search_line_->selectAll();
}

void HelpViewer::ShowTopic(int topic) {
  OpenTopic(topic);
  Present();
}

void HelpViewer::OpenTopic(int topic, const QStringList& highlight) {
  const QUrl url = TopicUrl(topic);
  if (browser_->source() == url) {
    // Same page: setSource would not reload it, so only the marks change.
    browser_->setExtraSelections({});
  } else {
    browser_->setSource(url);
  }
  Highlight(highlight);
}

void HelpViewer::Highlight(const QStringList& words) {
  QList<QTextEdit::ExtraSelection> marks;
  QTextCharFormat format;
  format.setBackground(QColor(0xff, 0xe0, 0x66));
  format.setForeground(Qt::black);
  QTextDocument* document = browser_->document();
  for (const QString& word : words) {
    const QRegularExpression expression = WordExpression(word);
    for (QTextCursor found = document->find(expression); !found.isNull();
         found = document->find(expression, found)) {
      marks.append({found, format});
    }
  }
  browser_->setExtraSelections(marks);
  if (!marks.isEmpty()) {
    QTextCursor first = marks.first().cursor;
    for (const auto& mark : marks) {
      if (mark.cursor.position() < first.position()) first = mark.cursor;
    }
    first.setPosition(first.selectionStart());
    browser_->setTextCursor(first);
    // Bring the first mark to the upper part of the pane, not its bottom edge.
    QScrollBar* bar = browser_->verticalScrollBar();
    bar->setValue(bar->value() + browser_->cursorRect(first).top() -
                  browser_->viewport()->height() / 4);
  }
}

void HelpViewer::OnLinkClicked(const QUrl& url) {
  if (url.scheme() == kTopicScheme) {
    browser_->setSource(url);
  } else if (!url.isRelative()) {
    QDesktopServices::openUrl(url);
  }
}

void HelpViewer::OnSourceChanged(const QUrl& url) {
  // Marks belong to the visit that set them: a new page starts clean.
  browser_->setExtraSelections({});
  // The browser announces the new page before source() gives it.
  const int topic = TopicOf(url);
  QTreeWidgetItemIterator it(contents_);
  for (; *it != nullptr; ++it) {
    if ((*it)->data(0, kTopicRole).toInt() == topic) {
      contents_->setCurrentItem(*it);
      contents_->scrollToItem(*it);
      return;
    }
  }
  contents_->clearSelection();
}

void HelpViewer::FilterIndex(const QString& text) {
  const QString wanted = text.trimmed();
  int shown = 0;
  QTreeWidgetItem* first = nullptr;
  for (int i = 0; i < index_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = index_->topLevelItem(i);
    const bool match = item->text(0).contains(wanted, Qt::CaseInsensitive);
    item->setHidden(!match);
    if (match) {
      ++shown;
      if (first == nullptr) first = item;
    }
  }
  if (first != nullptr && !wanted.isEmpty()) {
    index_->setCurrentItem(first);
    index_->scrollToItem(first);
  }
  const int total = index_->topLevelItemCount();
  if (wanted.isEmpty()) {
    index_status_->setText(QStringLiteral("%1 keywords").arg(total));
  } else if (shown == 0) {
    index_status_->setText(QStringLiteral("No keyword contains \"%1\".").arg(wanted));
  } else {
    index_status_->setText(QStringLiteral("%1 of %2 keywords").arg(shown).arg(total));
  }
}

void HelpViewer::OnIndexItem(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  const int topic = item->data(0, kTopicRole).toInt();
  if (topic == kSeveralTopics) {
    item->setExpanded(!item->isExpanded());
    return;
  }
  OpenTopic(topic);
}

void HelpViewer::RunSearch() {
  search_results_->clear();
  last_search_ = HelpCatalog::QueryWords(search_line_->text());
  if (last_search_.isEmpty()) {
    search_status_->setText(QStringLiteral("Type a word to search for."));
    return;
  }
  const QList<int> found = catalog_.Search(search_line_->text());
  for (int topic : found) {
    auto* item = new QListWidgetItem(catalog_.Find(topic)->title, search_results_);
    item->setData(kTopicRole, topic);
  }
  if (found.isEmpty()) {
    search_status_->setText(QStringLiteral("No topic holds all of these words."));
  } else {
    search_status_->setText(found.size() == 1
                                ? QStringLiteral("1 topic found.")
                                : QStringLiteral("%1 topics found.").arg(found.size()));
  }
}

void HelpViewer::OnSearchResult(QListWidgetItem* item) {
  if (item == nullptr) return;
  OpenTopic(item->data(kTopicRole).toInt(), last_search_);
}

}  // namespace tessary::ui
