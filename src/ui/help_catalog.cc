#include "ui/help_catalog.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QMap>
#include <QRegularExpression>
#include <QTextDocument>
#include <algorithm>

// Registers the resources of help.qrc. The library is static, so nothing else
// would pull the generated resource object into the program. Must be called
// from the global namespace.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace tessary::ui {

namespace {

// Letters and digits in any script make up a word.
const QRegularExpression& WordPattern() {
  static const QRegularExpression pattern(QStringLiteral("[\\p{L}\\p{N}]+"));
  return pattern;
}

QString ReadTextFile(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return {};
  }
  return QString::fromUtf8(file.readAll());
}

}  // namespace

QString HelpCatalog::BuiltInIndexPath() {
  InitHelpResources();
  return QStringLiteral(":/help/topics.json");
}

HelpCatalog HelpCatalog::Load(const QString& index_path) {
  HelpCatalog catalog;
  auto fail = [&catalog](const QString& error) {
    catalog = HelpCatalog();
    catalog.error_ = error;
    return catalog;
  };

  QString error;
  const QString index_text = ReadTextFile(index_path, &error);
  if (!error.isEmpty()) return fail(error);
  QJsonParseError parse_error;
  const QJsonDocument document = QJsonDocument::fromJson(index_text.toUtf8(), &parse_error);
  if (parse_error.error != QJsonParseError::NoError) {
    return fail(QStringLiteral("%1: %2 at offset %3")
                    .arg(index_path, parse_error.errorString())
                    .arg(parse_error.offset));
  }
  const QJsonValue topics = document.object().value(QStringLiteral("topics"));
  if (!topics.isArray()) return fail(index_path + QStringLiteral(": no \"topics\" list"));

  const QString folder = QFileInfo(index_path).path();
  for (const QJsonValue& value : topics.toArray()) {
    const QJsonObject entry = value.toObject();
    HelpTopic topic;
    const QJsonValue number = entry.value(QStringLiteral("number"));
    if (!number.isDouble() || number.toDouble() != number.toInt() || number.toInt() < 0) {
      return fail(index_path + QStringLiteral(": a topic without a proper number"));
    }
    topic.number = number.toInt();
    const QString where = QStringLiteral("%1: topic %2").arg(index_path).arg(topic.number);
    if (catalog.position_.contains(topic.number)) return fail(where + QStringLiteral(" twice"));
    topic.title = entry.value(QStringLiteral("title")).toString().trimmed();
    if (topic.title.isEmpty()) return fail(where + QStringLiteral(" has no title"));
    const QString file = entry.value(QStringLiteral("file")).toString();
    if (file.isEmpty()) return fail(where + QStringLiteral(" has no file"));
    topic.file = folder + QLatin1Char('/') + file;
    for (const QJsonValue& keyword : entry.value(QStringLiteral("keywords")).toArray()) {
      const QString text = keyword.toString().trimmed();
      if (!text.isEmpty()) topic.keywords.append(text);
    }
    topic.parent = entry.value(QStringLiteral("parent")).toInt(-1);

    const QString html = ReadTextFile(topic.file, &error);
    if (!error.isEmpty()) return fail(error);
    QTextDocument document_text;
    document_text.setHtml(html);
    const QString plain = document_text.toPlainText();
    QSet<QString> words;
    for (const QString& text : {topic.title, plain}) {
      auto it = WordPattern().globalMatch(text);
      while (it.hasNext()) words.insert(it.next().captured().toLower());
    }

    catalog.position_.insert(topic.number, catalog.topics_.size());
    catalog.html_.insert(topic.number, html);
    catalog.plain_.insert(topic.number, plain);
    catalog.words_.insert(topic.number, words);
    catalog.topics_.append(topic);
  }
  for (const HelpTopic& topic : catalog.topics_) {
    if (topic.parent != -1 && !catalog.position_.contains(topic.parent)) {
      return fail(QStringLiteral("%1: topic %2 names parent %3, which does not exist")
                      .arg(index_path)
                      .arg(topic.number)
                      .arg(topic.parent));
    }
  }
  return catalog;
}

const HelpTopic* HelpCatalog::Find(int number) const {
  const auto it = position_.constFind(number);
  return it == position_.constEnd() ? nullptr : &topics_[*it];
}

QString HelpCatalog::Html(int number) const { return html_.value(number); }

QString HelpCatalog::PlainText(int number) const { return plain_.value(number); }

QList<HelpIndexEntry> HelpCatalog::Index() const {
  QMap<QString, HelpIndexEntry> by_folded;
  for (const HelpTopic& topic : topics_) {
    for (const QString& keyword : topic.keywords) {
      HelpIndexEntry& entry = by_folded[keyword.toCaseFolded()];
      if (entry.keyword.isEmpty()) entry.keyword = keyword;
      if (!entry.topics.contains(topic.number)) entry.topics.append(topic.number);
    }
  }
  QList<HelpIndexEntry> index = by_folded.values();
  std::stable_sort(index.begin(), index.end(), [](const auto& a, const auto& b) {
    return a.keyword.compare(b.keyword, Qt::CaseInsensitive) < 0;
  });
  return index;
}

QStringList HelpCatalog::QueryWords(const QString& query) {
  static const QRegularExpression pattern(QStringLiteral("[\\p{L}\\p{N}]+\\*?"));
  QStringList words;
  auto it = pattern.globalMatch(query);
  while (it.hasNext()) {
    const QString word = it.next().captured().toLower();
    if (!words.contains(word)) words.append(word);
  }
  return words;
}

QList<int> HelpCatalog::Search(const QString& query) const {
  const QStringList query_words = QueryWords(query);
  QList<int> found;
  if (query_words.isEmpty()) return found;
  for (const HelpTopic& topic : topics_) {
    const QSet<QString> words = words_.value(topic.number);
    const bool all = std::all_of(query_words.begin(), query_words.end(), [&](const QString& q) {
      if (!q.endsWith(QLatin1Char('*'))) return words.contains(q);
      const QString stem = q.chopped(1);
      return std::any_of(words.begin(), words.end(),
                         [&](const QString& word) { return word.startsWith(stem); });
    });
    if (all) found.append(topic.number);
  }
  std::stable_sort(found.begin(), found.end(), [this](int a, int b) {
    return Find(a)->title.compare(Find(b)->title, Qt::CaseInsensitive) < 0;
  });
  return found;
}

}  // namespace tessary::ui
