#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include "app/row_text.h"
#include "database/keys.h"
#include "entry/entry_window_commands.h"
#include "exchange/exchange_menu.h"
#include "platform/codepage.h"
#include "subjects/subject_commands.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

namespace tessary::app {
namespace {

constexpr int kTimerMs = 100;
constexpr int kListRows = 50;

}  // namespace

TMain_Menu::TMain_Menu(ui::Host& host, platform::FileSystem& fs, std::string program_dir,
                       std::vector<std::string> args, QWidget* parent)
    : QMainWindow(parent),
      host_(host),
      fs_(fs),
      program_dir_(std::move(program_dir)),
      args_(std::move(args)),
      session_(host, fs) {
  setWindowTitle(kProgramTitle);
  state_.saved_caption = kProgramTitle;
  resize(980, 640);

  list_ = new browser::TListBrowser(this);
  list_->setObjectName("ListBrowser1");
  setCentralWidget(list_);
  list_->OnBuildRow = [this](browser::RowRec& row) { return BuildRow(row); };
  list_->OnKeyPress = [](char& c) {
    c = static_cast<char>(platform::UpperAnsi(static_cast<unsigned char>(c)));
  };
  connect(list_, &browser::TListBrowser::RowDoubleClicked, this, [this] { ViewHighlighted(); });
  connect(list_, &browser::TListBrowser::RowActivated, this, [this] { ViewHighlighted(); });
  connect(list_, &browser::TListBrowser::EngineFailed, this,
          [this](const QString& message) { host_.ShowError(ui::ToAnsi(message)); });

  const char* starts[3] = {"Filter Status", "Active Index", "Records"};
  const int widths[3] = {160, 312, 160};
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(starts[i], this);
    panels_[i]->setAlignment(Qt::AlignCenter);
    panels_[i]->setFixedWidth(widths[i]);
    panels_[i]->setFrameShape(QFrame::Panel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    statusBar()->addWidget(panels_[i]);
  }

  search::SearchSeam seam;
  seam.window = this;
  seam.list = list_;
  seam.session = &session_;
  seam.filters = &state_.filters;
  seam.saved_caption = &state_.saved_caption;
  seam.option_flag_1 = [this] { return options_.SevenSectionNaming(); };
  seam.refresh_header_and_status = [this] { RefreshHeaderAndStatus(); };
  seam.position_list_on = [this](int key, int32_t ref) { PositionListOn(key, ref); };
  seam.show_filter_state = [this](bool on) {
    panels_[0]->setText(ui::FromAnsi(FilterPanelText(on)));
    if (QAction* button = action("hint:Set Viewing Filters")) button->setChecked(on);
  };
  search_ = std::make_unique<search::TSearch_Commands>(host_, std::move(seam));

  subjects::SubjectCommands::Hooks hooks;
  hooks.show_in_list = [this](int key, int32_t ref) { PositionListOn(key, ref); };
  hooks.show_in_reading_window = &show_in_reading_window;
  hooks.quote_a_day = &quote_a_day;
  hooks.editions = [this] {
    return subjects::EditionSwitches{options_.flags[0] != 0, options_.flags[1] != 0,
                                     options_.flags[2] != 0};
  };
  subject_commands_ =
      std::make_unique<subjects::SubjectCommands>(this, session_, host_, std::move(hooks));
  show_quick_start = [this] { subject_commands_->QuickStart(); };

  entry_ = new entry::EntryWindowCommands(
      session_, host_, list_, timer_, [this] { RefreshHeaderAndStatus(); }, this);
  BuildMenus();
  BuildToolBar();
  BuildPopup();

  timer_.setSingleShot(true);
  timer_.setInterval(kTimerMs);
  connect(&timer_, &QTimer::timeout, this, &TMain_Menu::TimerTick);

  session_.set_directory(program_dir_);
  session_.before_open = [this](database::Session& session) {
    state_ = MainState{};
    state_.saved_caption = kProgramTitle;
    options_loaded_ = ReadOptions(fs_, program_dir_, host_, &options_);
    session.set_base_name(options_.fileblock_name);
    ReadCommandLine(args_, state_);
  };
  session_.show_status = [this](const std::string& text) {
    panels_[2]->setText(ui::FromAnsi(text));
  };
  session_.reattach_list = [this] { return AttachList(); };
}

TMain_Menu::~TMain_Menu() {
  search_.reset();
  if (database_open_) session_.CloseDatabase();
}

QAction* TMain_Menu::action(const QString& text) const {
  auto it = actions_.find(text);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* TMain_Menu::AddCommand(QMenu* menu, const QString& text, std::function<void()> run,
                                bool enabled) {
  QAction* action = menu->addAction(text);
  action->setEnabled(enabled && run != nullptr);
  if (run) connect(action, &QAction::triggered, this, [run] { run(); });
  actions_[text] = action;
  return action;
}

void TMain_Menu::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  AddCommand(file, "Repeat Opening Menu...", [this] { RepeatOpeningMenu(); });
  file->addSeparator();
  AddCommand(file, "E&xit", [this] { close(); });
  file->addSeparator();
  exchange_ = new exchange::ExchangeMenu(this, session_, host_, program_dir_,
                                         [this] { return AttachList(); });
  AddCommand(file, "Back Up Database...", [this] { exchange_->BackUpDatabase(); });
  AddCommand(file, "Import Quotations...", [this] { exchange_->ImportQuotations(); });
  AddCommand(file, "Export Quotations...", [this] { exchange_->ExportQuotations(); });

  QMenu* edit = menuBar()->addMenu("&Edit");
  AddCommand(edit, "Edit Existing Record ", [this] { entry_->Edit(); });
  AddCommand(edit, "Add New Record - Keyboard", [this] { entry_->Add(); });
  AddCommand(edit, "Add New Record - Clipboard", [this] { entry_->AddFromClipboard(); });
  AddCommand(edit, "Delete Highlighted Record", [this] { entry_->Delete(); });

  QAction* view = menuBar()->addAction("&View");
  connect(view, &QAction::triggered, this, [this] { ViewHighlighted(); });
  actions_["&View"] = view;

  QMenu* search = menuBar()->addMenu("&Search");
  AddCommand(search, "Index Key Search...", [this] { search_->IndexKeySearchCommand(); });
  AddCommand(search, "Word Search...", [this] { search_->WordSearchCommand(); });

  QMenu* key = menuBar()->addMenu("&Key");
  const std::pair<const char*, int> sorts[] = {
      {"Sort by Record Number", 1}, {"Sort by Subject", 3},   {"Sort by Author", 2},
      {"Sort by Subtitle", 5},      {"Sort by User Code", 6}, {"Sort by Book Code", 4}};
  for (const auto& [text, number] : sorts) {
    int k = number;
    AddCommand(key, text, [this, k] { ChangeSortKey(k); });
  }

  QMenu* subjects = menuBar()->addMenu("S&ubjects");
  AddCommand(subjects, "Subject Icons...", [this] { SubjectIcons(); });
  AddCommand(subjects, "Subject List...", [this] { SubjectList(); });
  AddCommand(subjects, "Subject Finder...", [this] { SubjectFinder(); });

  QMenu* options = menuBar()->addMenu("&Options");
  AddCommand(options, "Filter(s) ON...", [this] { search_->FiltersOnCommand(); });
  AddCommand(options, "Filter(s) OFF", [this] { search_->FiltersOffCommand(); });
  AddCommand(options, "Quote A Day", [this] {
    if (quote_a_day) quote_a_day();
  });
  options->addSeparator();
  AddCommand(options, "Save Options", [this] { SaveOptions(); });

  QMenu* tools = menuBar()->addMenu("&Tools");
  AddCommand(tools, "Rebuild Data and Indexes", [this] { RebuildDataAndIndexes(); });

  QMenu* help = menuBar()->addMenu("&Help");
  AddCommand(help, "&Contents", [this] { ShowHelp(0); });
  AddCommand(help, "Index of Help Topics", [this] { ShowHelp(ui::kHelpIndex); });
  AddCommand(help, "Key Word Search", [this] { ShowHelp(ui::kHelpSearch); });
  help->addSeparator();
  AddCommand(help, "&About", [this] { ShowAbout(); });
}

void TMain_Menu::BuildToolBar() {
  QToolBar* bar = addToolBar("Commands");
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  bar->setIconSize(QSize(24, 24));
  struct Button {
    const char* label;
    const char* hint;
    std::function<void()> run;
  };
  const Button buttons[] = {
      {"Edit", "Edit Highlighted Record", [this] { entry_->Edit(); }},
      {"Add", "Add New Record - Keyboard", [this] { entry_->Add(); }},
      {"Paste", "Add New Record - Clipboard", [this] { entry_->AddFromClipboard(); }},
      {"Delete", "Delete Highlighted Record", [this] { entry_->Delete(); }},
      {"View", "View Highlighted Record", [this] { ViewHighlighted(); }},
      {"Index", "Search by Index Key", [this] { search_->IndexKeySearchCommand(); }},
      {"Words", "Word Search", [this] { search_->WordSearchCommand(); }},
      {"Author", "Sort by Author", [this] { ChangeSortKey(2); }},
      {"Subtitle", "Sort by Link or Subtitle", [this] { ChangeSortKey(5); }},
      {"Icons", "Select Subject by Iconic Menu", [this] { SubjectIcons(); }},
      {"Subjects", "Subject List Dialog", [this] { SubjectList(); }},
      {"Finder", "Subject Finder Dialog", [this] { SubjectFinder(); }},
      {"Filters", "Set Viewing Filters", [this] { search_->FiltersOnCommand(); }},
      {"Quote", "Spin for Quote-A-Day",
       [this] {
         if (quote_a_day) quote_a_day();
       }},
      {"Help", "Help", [this] { ShowHelp(0); }},
  };
  for (const Button& button : buttons) {
    QAction* action = bar->addAction(button.label);
    action->setIcon(ui::ToolIconForHint(button.hint));
    action->setToolTip(button.hint);
    action->setStatusTip(button.hint);
    action->setEnabled(button.run != nullptr);
    if (button.run) connect(action, &QAction::triggered, this, button.run);
    if (QString(button.hint) == "Set Viewing Filters") action->setCheckable(true);
    actions_[QString("hint:") + button.hint] = action;
  }
}

void TMain_Menu::BuildPopup() {
  auto* popup = new QMenu(this);
  popup->setObjectName("PopupMenu1");
  AddCommand(popup, "Edit Record", [this] { entry_->Edit(); });
  AddCommand(popup, "Add Record - by Keyboard", [this] { entry_->Add(); });
  AddCommand(popup, "Add Record - by Clipboard", [this] { entry_->AddFromClipboard(); });
  AddCommand(popup, "Delete Record", [this] { entry_->Delete(); });
  popup->addSeparator();
  AddCommand(popup, "Search - Index Key", [this] { search_->IndexKeySearchCommand(); });
  AddCommand(popup, "Search - Word", [this] { search_->WordSearchCommand(); });
  popup->addSeparator();
  QAction* author = AddCommand(popup, "Sort - Author", [this] { ChangeSortKey(2); });
  popup->setDefaultAction(author);
  AddCommand(popup, "Sort - Subject", [this] { ChangeSortKey(3); });
  AddCommand(popup, "Sort - Subtitle", [this] { ChangeSortKey(5); });
  AddCommand(popup, "Sort - User Code", [this] { ChangeSortKey(6); });
  popup->addSeparator();
  AddCommand(popup, "Help - Browser Hints and Tips", [this] { ShowHelp(120); });
  AddCommand(popup, "Help - Browser Keyboard Commands", [this] { ShowHelp(115); });
  AddCommand(popup, "Help - Sections", [this] { ShowHelp(350); });
  popup->addSeparator();
  AddCommand(popup, "Open New Data File", nullptr);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this,
          // A scroll area reports the position in its viewport's coordinates.
          [this, popup](const QPoint& at) { popup->popup(list_->viewport()->mapToGlobal(at)); });
}

// ---- Start-up ------------------------------------------------------------------

void TMain_Menu::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  if (!FormShow()) emit StartFailed();
}

bool TMain_Menu::FormShow() {
  list_->SetHeader(HeaderText(1));
  panels_[1]->setText(ui::FromAnsi(database::SortKeyCaption(1)));
  panels_[0]->setText(ui::FromAnsi(FilterPanelText(false)));
  if (!session_.StartDatabase()) {
    if (session_.engine().Initialised()) session_.CloseDatabase();
    host_.ShowInformation("Unable to open database");
    return false;
  }
  database_open_ = true;
  state_.filters.filters_on = false;
  if (!AttachList()) {
    host_.ExitProgram(1);
    return false;
  }
  timer_.start();
  if (state_.direct_start) state_.show_opening_menu = false;
  return true;
}

bool TMain_Menu::AttachList() {
  if (!session_.is_open()) return false;
  auto engine = std::make_unique<browser::RowBrowser>(
      session_.engine(), session_.fileblock(), session_.current_key(), &session_.current_record,
      sizeof session_.current_record, "", "", kListRows, 1, true);
  if (!list_->AttachEngine(std::move(engine))) return false;
  list_->SetFilterEnabled(state_.filters.filters_on);
  list_->FirstPage();
  RefreshHeaderAndStatus();
  return true;
}

void TMain_Menu::TimerTick() {
  if (state_.show_opening_menu) {
    state_.show_opening_menu = false;
    timer_.stop();
    if (show_quick_start) show_quick_start();
  }
  if (state_.direct_start) {
    state_.direct_start = false;
    timer_.stop();
    if (state_.command_line_filters) SetFiltersOn(true);
    state_.command_line_filters = false;
    if (quote_a_day) quote_a_day();
  }
}

void TMain_Menu::RepeatOpeningMenu() {
  state_.show_opening_menu = true;
  timer_.start();
}

void TMain_Menu::SetFiltersOn(bool on) {
  state_.filters.filters_on = on;
  panels_[0]->setText(ui::FromAnsi(FilterPanelText(on)));
  if (QAction* button = action("hint:Set Viewing Filters")) button->setChecked(on);
  search_->Invalidate();
  list_->SetFilterEnabled(on);
}

// ---- Commands --------------------------------------------------------------------

void TMain_Menu::ChangeSortKey(int key) {
  if (!database_open_) return;
  session_.SetCurrentKey(key);
  const int32_t ref = list_->CurrentRef();
  list_->SetKeyNumber(key);
  RefreshHeaderAndStatus();
  if (ref >= 1) PositionListOn(key, ref);
}

void TMain_Menu::PositionListOn(int key, int32_t ref) {
  if (!database_open_) return;
  session_.SetCurrentKey(key);
  if (list_->KeyNumber() != key) list_->SetKeyNumber(key);
  RefreshHeaderAndStatus();
  if (!session_.ReadCurrent(ref)) return;
  list_->SetCurrentEntry(database::BuildKey(session_.current_record, key), ref);
  // The list reads its rows through the current record; it holds the record
  // at `ref` again for whoever shows it next.
  session_.ReadCurrent(ref);
}

void TMain_Menu::SubjectIcons() {
  if (database_open_) subject_commands_->SubjectIcons();
}

void TMain_Menu::SubjectList() {
  if (database_open_) subject_commands_->SubjectList();
}

void TMain_Menu::SubjectFinder() {
  if (database_open_) subject_commands_->SubjectFinder();
}

void TMain_Menu::RefreshHeaderAndStatus() {
  int key = session_.current_key();
  panels_[1]->setText(ui::FromAnsi(database::SortKeyCaption(key)));
  list_->SetHeader(HeaderText(key));
  panels_[0]->setText(ui::FromAnsi(FilterPanelText(state_.filters.filters_on)));
  // Records or the key may have changed: a filter that let nothing through may now.
  search_->Invalidate();
  if (session_.is_open()) {
    panels_[2]->setText(
        ui::FromAnsi(RecordPanelText(session_.engine().UsedKeys(session_.fileblock(), 1))));
  }
}

bool TMain_Menu::SaveOptions() {
  if (!WriteOptions(fs_, program_dir_, host_, options_)) return false;
  options_loaded_ = true;
  return true;
}

void TMain_Menu::ViewHighlighted() {
  if (!database_open_ || !show_in_reading_window) return;
  const int32_t ref = list_->CurrentRef();
  if (ref < 1) return;
  state_.saved_caption = ui::ToAnsi(windowTitle());
  if (!session_.ReadCurrent(ref)) {
    session_.ReportEngineError("Location 45B");
    return;
  }
  session_.SetRestart(true);
  show_in_reading_window(ref);
}

void TMain_Menu::RebuildDataAndIndexes() {
  timer_.stop();
  const bool go_on = exchange_->BeforeRebuild();
  database_open_ = session_.is_open();
  if (!go_on) return;
  session_.RebuildDataAndIndexes();
  database_open_ = session_.is_open();
}

void TMain_Menu::ShowHelp(int topic) { host_.ShowHelp(topic); }

void TMain_Menu::ShowAbout() {
  QMessageBox::about(
      this, "About Tessary",
      "<h3>Tessary</h3><p>A program for reading and keeping a database of quotations.</p>"
      "<p>Browse them sorted six ways, read them, and keep the ones you like.</p>");
}

int TMain_Menu::BuildRow(browser::RowRec& row) {
  return app::BuildRow(row, session_.current_record, list_->KeyNumber());
}

void TMain_Menu::closeEvent(QCloseEvent* event) {
  timer_.stop();
  if (database_open_) {
    session_.CloseDatabase();
    database_open_ = false;
  }
  event->accept();
}

}  // namespace tessary::app
