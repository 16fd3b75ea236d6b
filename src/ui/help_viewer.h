// The program's help window: a Contents tree, a keyword Index and a full-text
// Search on the left, the topic on the right, with Back and Forward. Topics
// link to each other with "topic:NNN" URLs; an unknown number shows a page
// saying the topic is not written yet.
#pragma once

#include <QStringList>
#include <QWidget>

#include "ui/help_catalog.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

namespace tessary::ui {

class HelpBrowser;

class HelpViewer : public QWidget {
  Q_OBJECT

 public:
  // A viewer over the built-in topics.
  explicit HelpViewer(QWidget* parent = nullptr);
  // A viewer over `catalog` (tests, or topics read from disk).
  explicit HelpViewer(HelpCatalog catalog, QWidget* parent = nullptr);
  ~HelpViewer() override;

  // The program's one help window, made on first use. It hides on close and
  // keeps its place and history for the next use.
  static HelpViewer* Instance();

  const HelpCatalog& Catalog() const { return catalog_; }
  // The number of the topic on show, -1 before the first.
  int CurrentTopic() const;
  // The text of the page on show, without markup.
  QString PageText() const;

  // URL of a topic ("topic:115").
  static QUrl TopicUrl(int topic);

 public slots:
  // Each shows and raises the window. The contents page (topic 0) and the
  // Contents tab; the other two show the contents page when nothing is on
  // show yet.
  void ShowContents();
  // The Index tab with the focus in its keyword box.
  void ShowIndex();
  // The Search tab with the focus in its word box.
  void ShowSearch();
  // Topic `topic`, or the not-written page for a number not in the catalogue.
  void ShowTopic(int topic);

 private:
  void BuildUi();
  // Topic 0 (the contents page), or the first topic when there is none.
  int HomeTopic() const;
  void FillContents();
  void FillIndex();
  void Present();
  // Opens `topic` and marks every occurrence of `highlight` (query words).
  void OpenTopic(int topic, const QStringList& highlight = {});
  void Highlight(const QStringList& words);
  void OnLinkClicked(const QUrl& url);
  void OnSourceChanged(const QUrl& url);
  void FilterIndex(const QString& text);
  void OnIndexItem(QTreeWidgetItem* item);
  void RunSearch();
  void OnSearchResult(QListWidgetItem* item);

  HelpCatalog catalog_;
  QStringList last_search_;
  QTabWidget* tabs_ = nullptr;
  QTreeWidget* contents_ = nullptr;
  QLineEdit* index_filter_ = nullptr;
  QTreeWidget* index_ = nullptr;
  QLabel* index_status_ = nullptr;
  QLineEdit* search_line_ = nullptr;
  QListWidget* search_results_ = nullptr;
  QLabel* search_status_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* forward_ = nullptr;
  HelpBrowser* browser_ = nullptr;
};

}  // namespace tessary::ui
