#include "ui/icons.h"

#include <QFile>
#include <QHash>

// Registers the resources of icons.qrc; the library is static, so nothing else
// would pull them in. Must be called from the global namespace.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace tessary::ui {
namespace {

void EnsureResources() {
  static const bool done = [] {
    InitIconResources();
    return true;
  }();
  (void)done;
}

}  // namespace

QIcon ToolIcon(const QString& name) {
  EnsureResources();
  const QString path = QStringLiteral(":/icons/tool/%1.png").arg(name);
  if (!QFile::exists(path)) return {};
  QIcon icon;
  icon.addFile(path);
  icon.addFile(QStringLiteral(":/icons/tool/%1@2x.png").arg(name));
  return icon;
}

QIcon ToolIconForHint(const QString& hint) {
  static const QHash<QString, QString> names = {
      // main window
      {"Edit Highlighted Record", "edit"},
      {"Add New Record - Keyboard", "add"},
      {"Add New Record - Clipboard", "paste"},
      {"Delete Highlighted Record", "delete"},
      {"View Highlighted Record", "view"},
      {"Search by Index Key", "index-key"},
      {"Word Search", "word-search"},
      {"Sort by Author", "sort-author"},
      {"Sort by Link or Subtitle", "sort-subtitle"},
      {"Select Subject by Iconic Menu", "subject-icons"},
      {"Subject List Dialog", "subject-list"},
      {"Subject Finder Dialog", "subject-finder"},
      {"Set Viewing Filters", "filters"},
      {"Spin for Quote-A-Day", "quote-a-day"},
      {"Help", "help"},
      // reading window
      {"Text Font and Font Color Dialog", "font"},
      {"Text Background Color Dialog", "background"},
      {"Word Search Repeat", "word-search-again"},
      {"Jump to Section Dialog", "jump-to-section"},
      {"Print Quotation on Screen", "print"},
      {"Write Quotation to Disk File", "write-to-file"},
      {"Copy Quotation to Clipboard", "copy"},
      {"Copy Quotation to your E-Mail Signature File", "email-signature"},
      {"Generate HTML Code for your Web Page", "html-page"},
      {"Exit to Browser Screen", "exit-to-main"},
      {"Previous Quotation", "previous"},
      {"Next Quotation", "next"},
  };
  auto it = names.find(hint);
  return it == names.end() ? QIcon() : ToolIcon(it.value());
}

QIcon ApplicationIcon() {
  EnsureResources();
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/app/tessary-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace tessary::ui
