// TMain_Menu: the main window. A tool bar, the record list over the current
// sort key, a three-panel status bar and the menu bar; it opens the database
// when first shown and runs the program's commands.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_state.h"
#include "app/options.h"
#include "browser/list_browser.h"
#include "database/session.h"
#include "platform/file.h"
#include "search/search_commands.h"
#include "ui/host.h"

class QAction;
class QMenu;

namespace tessary::subjects {
class SubjectCommands;
}  // namespace tessary::subjects
namespace tessary::entry {
class EntryWindowCommands;
}  // namespace tessary::entry
namespace tessary::exchange {
class ExchangeMenu;
}  // namespace tessary::exchange

namespace tessary::app {

class TMain_Menu : public QMainWindow {
  Q_OBJECT

 public:
  // `program_dir` holds the options file and the Fileblock; `args` is the
  // command line without the program name.
  TMain_Menu(ui::Host& host, platform::FileSystem& fs, std::string program_dir,
             std::vector<std::string> args, QWidget* parent = nullptr);
  ~TMain_Menu() override;

  // Shows the quick-start menu and runs the command chosen there (set to the
  // subject commands' menu; tests may replace it).
  std::function<void()> show_quick_start;
  // Quote-a-day (set by the reading window's link; tests may replace it).
  std::function<void()> quote_a_day;
  // Hands the session's current record (read at `ref`) to the reading window
  // and shows it in front; empty while the program has no reading window.
  std::function<void(int32_t ref)> show_in_reading_window;

  // The View command (menu, button, double-click, Enter): reads the
  // highlighted record and hands it to the reading window.
  void ViewHighlighted();

  void ChangeSortKey(int key);
  // Makes `key` the sort key and positions the list on the record at `ref`,
  // which is read into the current record.
  void PositionListOn(int key, int32_t ref);
  void RefreshHeaderAndStatus();
  // FormShow: opens the database and attaches the list; false when the
  // database could not be opened (the program then ends).
  bool FormShow();

  // For tests and the other windows.
  database::Session& session() { return session_; }
  MainState& state() { return state_; }
  Options& options() { return options_; }
  // Whether the options file was read at start-up or written since.
  bool options_loaded() const { return options_loaded_; }
  browser::TListBrowser* list() const { return list_; }
  QLabel* panel(int index) const { return panels_[index]; }
  QAction* action(const QString& text) const;
  subjects::SubjectCommands& subject_commands() { return *subject_commands_; }
  QTimer& timer() { return timer_; }
  search::TSearch_Commands& search() { return *search_; }
  bool database_open() const { return database_open_; }
  entry::EntryWindowCommands* entry_commands() const { return entry_; }

  void TimerTick();
  void RepeatOpeningMenu();
  bool SaveOptions();
  void ShowAbout();
  void RebuildDataAndIndexes();
  void SetFiltersOn(bool on);
  void SubjectIcons();
  void SubjectList();
  void SubjectFinder();

 signals:
  // The database could not be opened; the program ends.
  void StartFailed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildPopup();
  QAction* AddCommand(QMenu* menu, const QString& text, std::function<void()> run,
                      bool enabled = true);
  bool AttachList();
  int BuildRow(browser::RowRec& row);
  void ShowHelp(int topic);

  ui::Host& host_;
  platform::FileSystem& fs_;
  std::string program_dir_;
  std::vector<std::string> args_;
  database::Session session_;
  MainState state_;
  Options options_;
  browser::TListBrowser* list_ = nullptr;
  QLabel* panels_[3] = {};
  QTimer timer_;
  bool shown_ = false;
  bool database_open_ = false;
  bool options_loaded_ = false;
  std::map<QString, QAction*> actions_;
  std::unique_ptr<subjects::SubjectCommands> subject_commands_;
  entry::EntryWindowCommands* entry_ = nullptr;  // owned as a child
  std::unique_ptr<search::TSearch_Commands> search_;
  exchange::ExchangeMenu* exchange_ = nullptr;  // the quotation file commands
};

}  // namespace tessary::app
