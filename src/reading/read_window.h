// TRead_Window: the reading window. Shows one quotation at a time in a
// read-only rich-text view, steps through the database in the order of its
// key, and sends the quotation to the printer, Selected.Txt, the clipboard, an
// HTML page or an e-mail signature. Created once and hidden and shown again,
// so the shown record and the display settings survive between uses.
#pragma once

#include <QColor>
#include <QFont>
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/quotation_record.h"
#include "database/session.h"
#include "platform/file.h"
#include "reading/layout.h"
#include "reading/word_search_loop.h"
#include "search/viewing_filters.h"
#include "ui/host.h"

class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QTextEdit;

namespace tessary::reading {

inline constexpr char kViewingScreenCaption[] = "Viewing Screen";
inline constexpr char kPrintJobTitle[] = "My Document Name";
inline constexpr int kReadingHelpTopic = 300;

// The saved look of the text, as the options file keeps it: colours are
// Windows colour values (0x00BBGGRR; negative values name system colours).
struct TextLook {
  std::string font_name;  // Windows-1252
  int32_t font_size = 12;
  int32_t font_colour = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  int32_t background_colour = 0xFFFFFF;
};

// What the window takes from the options file at each refresh.
struct ReadingOptions {
  bool loaded = false;  // the options file was read (or written since)
  TextLook look;
  bool seven_section_naming = true;
};

// A key to position on, as the index key search dialog hands it over.
struct KeySearchChoice {
  int key = 1;
  std::string key_text;
};

// Windows colour values and QColor. A negative (system) colour gives `system`.
QColor ColourFromWindows(int32_t colour, const QColor& system);
int32_t ColourToWindows(const QColor& colour);
QFont FontFromLook(const TextLook& look);
// The look of `font` in `colour` on `background`.
TextLook LookOf(const QFont& font, const QColor& colour, const QColor& background);

// The three status panels of a record.
std::string BioPanelText(const database::QuotationRecord& record);
std::string NumberPanelText(const database::QuotationRecord& record);

class TRead_Window : public QMainWindow {
  Q_OBJECT

 public:
  // `output_dir` is where Selected.Txt is written. `filters` are the program's
  // viewing filters, shared with the main window.
  TRead_Window(ui::Host& host, database::Session& session, search::ViewingFilters& filters,
               platform::FileSystem& fs, std::string output_dir, QWidget* parent = nullptr);
  ~TRead_Window() override;

  // Shows `record`, read at `ref`, and steps from it in key `key` (1 when
  // outside 1 to 6).
  void ShowRecord(const database::QuotationRecord& record, int32_t ref, int key);
  // Lays the shown record out again with the current display settings.
  void Refresh();

  // Commands.
  void Step(bool forward);
  void Print();
  void PrinterSetup();
  void WriteToFile();
  void CopyToClipboard();
  void ChooseFont();
  void ChooseBackground();
  void SaveFontAndColour();
  void SetSectionNameShown(bool shown);
  void FiltersOn();
  void FiltersOff();
  void WordSearch();
  void WordSearchAgain();
  void IndexKeySearch();
  void JumpToSection();
  void ExitToMain();
  void Main();

  // Seams the program wires; a command whose seam is empty is disabled.
  std::function<ReadingOptions()> options;
  // Stores the look as the saved defaults in the options file; true on success.
  std::function<bool(const TextLook&)> save_look;
  std::function<void()> exit_to_main;  // after hiding: the main window's caption back
  std::function<void()> show_main;     // after hiding
  std::function<void()> exit_program;
  std::function<void()> show_about;
  // The main window's filter commands: the filters dialog, the list and the
  // main window's status follow them.
  std::function<void()> filters_on_command;
  std::function<void()> filters_off_command;
  std::function<void(const database::QuotationRecord&)> html_page;
  std::function<void(const database::QuotationRecord&)> email_signature;
  std::function<std::optional<KeySearchChoice>(int key)> index_key_dialog;
  std::function<std::optional<char>()> section_dialog;
  std::function<std::optional<WordTarget>()> word_search_dialog;
  WordMatcher word_match;
  std::function<std::unique_ptr<WordSearchStatus>()> word_search_status;
  // The platform dialogs; tests replace them.
  std::function<bool(QFont& font, QColor& colour)> choose_font;
  std::function<bool(QColor& colour)> choose_background;
  std::function<bool(QPrinter& printer)> choose_printer;
  std::function<bool(QPrinter& printer)> setup_printer;

  // For tests and the program.
  const database::QuotationRecord& shown_record() const { return shown_; }
  int32_t shown_ref() const { return shown_ref_; }
  int key() const { return key_; }
  bool has_record() const { return has_record_; }
  const std::string& clipboard_text() const { return clipboard_text_; }
  QTextEdit* view() const { return view_; }
  QTextEdit* print_view() const { return print_view_; }
  QLabel* panel(int index) const { return panels_[index]; }
  QMenu* popup() const { return popup_; }
  // A menu or pop-up item by its text, or a tool button as "hint:" + its hint.
  QAction* action(const QString& text) const;
  bool section_name_shown() const { return section_name_shown_; }
  QColor view_colour() const { return view_colour_; }
  QColor view_background() const { return view_background_; }
  QColor print_colour() const { return print_colour_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildPopup();
  QAction* AddCommand(QMenu* menu, const QString& text, std::function<void()> run);
  void UpdateCommandStates();
  void ApplyLook();
  LayoutSettings Settings() const;
  void RunWordSearch(const WordTarget& target, bool again);
  void ShowSessionRecord(int32_t ref, int key);
  void SetFilterPanel();

  ui::Host& host_;
  database::Session& session_;
  search::ViewingFilters& filters_;
  platform::FileSystem& fs_;
  std::string output_dir_;

  database::QuotationRecord shown_ = database::EmptyRecord();
  int32_t shown_ref_ = 0;
  int key_ = 1;
  bool has_record_ = false;
  std::string clipboard_text_;
  bool previous_entry_continued_ = false;

  bool section_name_shown_ = true;
  bool saved_font_in_use_ = true;
  bool saved_colour_in_use_ = true;
  QFont view_font_;
  QFont print_font_;
  QColor view_colour_ = Qt::black;
  QColor print_colour_ = Qt::black;
  QColor view_background_ = Qt::white;
  QColor print_background_ = Qt::white;

  bool word_searched_ = false;
  WordTarget last_target_;

  QTextEdit* view_ = nullptr;
  QTextEdit* print_view_ = nullptr;
  QLabel* panels_[3] = {};
  QMenu* popup_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
  std::map<QString, QAction*> actions_;
};

}  // namespace tessary::reading
