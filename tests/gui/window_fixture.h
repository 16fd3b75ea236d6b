// The main window on a temporary program directory with the scripted host
// answering its questions, and a thin driving layer for the windows: modal
// dialogs answered when they come up, whole menus, tool tips and panels read
// in one call, and a key walked through the engine independently of the list.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "app/main_window.h"
#include "database/quotation_record.h"
#include "support/quotation_fixture.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

class QMenuBar;

// Qt strings and lists of them print as their texts in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
  *os << "{\"" << list.join("\", \"").toStdString() << "\"}";
}

namespace tessary::testing {

// The shared database: generated quotations 1 to kGenerated, then kExtra whose
// authors sort after every generated one; the last is Mann, Anna.
inline constexpr int kGenerated = 300;
inline constexpr int kExtra = 4;
inline constexpr int kTotal = kGenerated + kExtra;

// Builds a closed Fileblock of `count` quotations in `directory`.
void BuildDatabase(int count, const std::string& directory);
// Copies the shared database (built once per run) into `directory`.
void CopySharedDatabase(const std::string& directory);
// Verify on the closed Fileblock in `directory` finds it sound, holding
// `records` records (and `free_slots` free slots unless negative).
void ExpectSound(const std::string& directory, int records, int free_slots = -1);

// The first entry of `key` at or after `text`.
KeyEntry FirstAtOrAfter(database::Session& session, int key, const std::string& text);
int RecordNumber(const database::QuotationRecord& record);
// The list shows a contiguous run of the entries of `key` with the current row
// on (current key, current ref), under the key's header and status texts; the
// current ref is `ref` unless that is negative.
void ExpectListOnKey(app::TMain_Menu& window, int key, int32_t ref = -1);
// The references of the list's page rows, first to last visible row.
std::vector<int32_t> PageRefs(const app::TMain_Menu& window);

// Runs `act` on the next modal dialog (named `name`, if given) once it is up
// and active. Gives up with a failure after five seconds.
void WhenModal(std::function<void(QWidget*)> act, const QString& name = {});
// The texts of the non-separator `actions`, in order.
QStringList ActionTexts(const QList<QAction*>& actions);
// The menu bar as "Title: item|item" per menu and "Title" per plain command.
QStringList MenuTree(const QMenuBar* bar);
// The tool tips of the buttons of every tool bar of `window`, in order.
QStringList ToolTips(const QWidget& window);
QStringList Sorted(QStringList list);
template <typename Window>
QStringList Panels(const Window& window) {
  return {window.panel(0)->text(), window.panel(1)->text(), window.panel(2)->text()};
}

class MainWindowFixture : public ::testing::Test {
 protected:
  // Creates the main window on the program directory without showing it.
  app::TMain_Menu& Create(std::vector<std::string> args = {});
  // Shows the window, which opens the database and starts the one-shot
  // timer; with events not yet processed, the timer has not ticked.
  app::TMain_Menu& Start(std::vector<std::string> args = {});
  // Waits until the window is exposed and its pending events are handled.
  void Settle();
  // Starts with the start-up timer stopped, so that no opening menu comes.
  app::TMain_Menu& StartQuiet(std::vector<std::string> args = {});
  // StartQuiet on a copy of the shared database.
  app::TMain_Menu& StartShared();

  ScriptedHost host_;
  TempDir dir_;
  std::unique_ptr<app::TMain_Menu> window_;
};

}  // namespace tessary::testing
