// The help topics: a catalogue read from a JSON index (number, title, file,
// keywords, parent) with one HTML file per topic, a keyword index and a
// full-text word search. The built-in catalogue lives in the program's
// resources under :/help; a catalogue can also be read from a folder on disk.
//
// Index format:
//   {"topics": [{"number": 115, "title": "...", "file": "browser_keys.html",
//                "keywords": ["...", ...], "parent": 120}, ...]}
// "file" is relative to the index file's folder; "parent" (optional) places
// the topic under another one in the contents tree. The order of the list is
// the order of the contents tree.
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tessary::ui {

struct HelpTopic {
  int number = 0;
  QString title;
  QString file;  // full path of the topic's HTML file
  QStringList keywords;
  int parent = -1;  // -1: a top-level entry of the contents tree
};

// One keyword of the index with the topics that declare it, in catalogue order.
struct HelpIndexEntry {
  QString keyword;
  QList<int> topics;
};

class HelpCatalog {
 public:
  // The index of the built-in topics.
  static QString BuiltInIndexPath();

  // Reads the index at `index_path` and every topic file it names. On any
  // failure the catalogue is empty and Error() says what went wrong.
  static HelpCatalog Load(const QString& index_path = BuiltInIndexPath());

  bool Ok() const { return error_.isEmpty(); }
  const QString& Error() const { return error_; }

  // All topics, in index order.
  const QList<HelpTopic>& Topics() const { return topics_; }
  // The topic numbered `number`, or nullptr.
  const HelpTopic* Find(int number) const;
  // The topic's HTML, or an empty string for an unknown number.
  QString Html(int number) const;
  // The topic's title and text without markup.
  QString PlainText(int number) const;

  // Every keyword once, sorted without regard to case; keywords that differ
  // only in case are merged.
  QList<HelpIndexEntry> Index() const;

  // Splits a query into lower-case words. A word may end in '*', which makes
  // it match every word that begins with it.
  static QStringList QueryWords(const QString& query);
  // The topics whose text holds every word of `query` as a whole word,
  // ignoring case, sorted by title. An empty query finds nothing.
  QList<int> Search(const QString& query) const;

 private:
  QString error_;
  QList<HelpTopic> topics_;
  QHash<int, qsizetype> position_;  // topic number -> index in topics_
  QHash<int, QString> html_;
  QHash<int, QString> plain_;
  QHash<int, QSet<QString>> words_;  // lower-case words of title and text
};

}  // namespace tessary::ui
