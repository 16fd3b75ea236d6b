#include "reading/read_window.h"

#include <QAction>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

#include "platform/text.h"
#include "reading/clipboard.h"
#include "reading/selected_file.h"
#include "reading/stepping.h"
#include "search/sections.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

namespace tessary::reading {
namespace {

constexpr int kIndent = 10;

// The font dialog with a colour choice for the text, as one dialog.
bool RunFontDialog(QWidget* parent, QFont& font, QColor& colour) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Font");
  auto* layout = new QVBoxLayout(&dialog);
  auto* fonts = new QFontDialog(font, &dialog);
  fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  fonts->setWindowFlags(Qt::Widget);
  layout->addWidget(fonts);
  QColor chosen = colour;
  auto* colour_button = new QPushButton("Font &Color...", &dialog);
  auto show_colour = [colour_button, &chosen] {
    colour_button->setStyleSheet(
        QString("QPushButton { border-left: 24px solid %1; }").arg(chosen.name()));
  };
  show_colour();
  QObject::connect(colour_button, &QPushButton::clicked, &dialog, [&] {
    QColor picked = QColorDialog::getColor(chosen, &dialog, "Font Color");
    if (picked.isValid()) chosen = picked;
    show_colour();
  });
  layout->addWidget(colour_button);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  font = fonts->currentFont();
  colour = chosen;
  return true;
}

// Replaces the view's text by the paragraphs, in `colour`.
void Fill(QTextEdit* view, const std::vector<Paragraph>& paragraphs, const QColor& colour) {
  view->clear();
  QTextCursor cursor(view->document());
  QTextCharFormat text_format;
  text_format.setForeground(colour);
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    QTextBlockFormat block;
    switch (paragraphs[i].style) {
      case ParagraphStyle::kCentred:
        block.setAlignment(Qt::AlignHCenter);
        break;
      case ParagraphStyle::kLeftIndented:
        block.setAlignment(Qt::AlignLeft);
        block.setTextIndent(kIndent);
        break;
      case ParagraphStyle::kRightIndented:
        block.setAlignment(Qt::AlignRight);
        block.setRightMargin(kIndent);
        break;
    }
    if (i == 0) {
      cursor.setBlockFormat(block);
      cursor.setBlockCharFormat(text_format);
    } else {
      cursor.insertBlock(block, text_format);
    }
    cursor.insertText(ui::FromAnsi(paragraphs[i].text), text_format);
  }
  view->moveCursor(QTextCursor::Start);
}

void SetBackground(QTextEdit* view, const QColor& colour) {
  QPalette palette = view->palette();
  palette.setColor(QPalette::Base, colour);
  view->setPalette(palette);
}

}  // namespace

QColor ColourFromWindows(int32_t colour, const QColor& system) {
  if (colour < 0) return system;
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int32_t ColourToWindows(const QColor& colour) {
  return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QFont FontFromLook(const TextLook& look) {
  QFont font(ui::FromAnsi(look.font_name));
  if (look.font_size > 0) font.setPointSize(look.font_size);
  font.setBold(look.bold);
  font.setItalic(look.italic);
  font.setUnderline(look.underline);
  font.setStrikeOut(look.strike_out);
  return font;
}

TextLook LookOf(const QFont& font, const QColor& colour, const QColor& background) {
  TextLook look;
  look.font_name = ui::ToAnsi(font.family());
  look.font_size = static_cast<int32_t>(std::lround(font.pointSizeF()));
  look.font_colour = ColourToWindows(colour);
  look.bold = font.bold();
  look.italic = font.italic();
  look.underline = font.underline();
  look.strike_out = font.strikeOut();
  look.background_colour = ColourToWindows(background);
  return look;
}

std::string BioPanelText(const database::QuotationRecord& record) {
  std::string_view bio = database::FieldText(record.Author_Bio_Snapshot);
  return bio.size() > 1 ? platform::Trim(bio) : std::string();
}

std::string NumberPanelText(const database::QuotationRecord& record) {
  return "Number:  " + platform::Trim(database::FieldText(record.Record_Number));
}

TRead_Window::TRead_Window(ui::Host& host, database::Session& session,
                           search::ViewingFilters& filters, platform::FileSystem& fs,
                           std::string output_dir, QWidget* parent)
    : QMainWindow(parent),
      host_(host),
      session_(session),
      filters_(filters),
      fs_(fs),
      output_dir_(std::move(output_dir)) {
  setObjectName("Read_Window");
  setWindowFlag(Qt::Window);
  setWindowTitle(kViewingScreenCaption);
  resize(760, 560);

  view_ = new QTextEdit(this);
  view_->setObjectName("RichEdit1");
  view_->setReadOnly(true);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setCentralWidget(view_);
  // The print image lives in a view of its own that is never shown.
  print_view_ = new QTextEdit(this);
  print_view_->setObjectName("RichEdit2");
  print_view_->setReadOnly(true);
  print_view_->hide();
  view_font_ = print_font_ = view_->font();

  const char* starts[3] = {"Filters", "Bio Snapshot", "Record Number"};
  const int widths[3] = {160, 400, 160};
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(starts[i], this);
    panels_[i]->setAlignment(Qt::AlignCenter);
    panels_[i]->setMinimumWidth(widths[i]);
    panels_[i]->setFrameShape(QFrame::Panel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    statusBar()->addWidget(panels_[i], i == 1 ? 1 : 0);
  }

  choose_font = [this](QFont& font, QColor& colour) { return RunFontDialog(this, font, colour); };
  choose_background = [this](QColor& colour) {
    QColor picked = QColorDialog::getColor(colour, this, "Background Color");
    if (!picked.isValid()) return false;
    colour = picked;
    return true;
  };
  choose_printer = [this](QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
  };
  setup_printer = [this](QPrinter& printer) {
    QPageSetupDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
  };
  word_search_status = [this] { return std::make_unique<HostWordSearchStatus>(host_); };

  BuildMenus();
  BuildToolBar();
  BuildPopup();
}

TRead_Window::~TRead_Window() = default;

QAction* TRead_Window::action(const QString& text) const {
  auto it = actions_.find(text);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* TRead_Window::AddCommand(QMenu* menu, const QString& text, std::function<void()> run) {
  QAction* action = menu->addAction(text);
  connect(action, &QAction::triggered, this, [run] { run(); });
  actions_[text] = action;
  return action;
}

void TRead_Window::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  AddCommand(file, "&Print Quote", [this] { Print(); });
  AddCommand(file, "P&rinter setup...", [this] { PrinterSetup(); });
  AddCommand(file, "&Write Quote", [this] { WriteToFile(); });
  file->addSeparator();
  AddCommand(file, "&Exit to Main", [this] { ExitToMain(); });

  QMenu* edit = menuBar()->addMenu("&Edit");
  AddCommand(edit, "&Copy to Clipboard", [this] { CopyToClipboard(); });

  QMenu* search = menuBar()->addMenu("&Search");
  AddCommand(search, "Index Key Search...", [this] { IndexKeySearch(); });
  AddCommand(search, "Word Search...", [this] { WordSearch(); });
  AddCommand(search, "Word Search Again", [this] { WordSearchAgain(); });

  QMenu* options = menuBar()->addMenu("&Options");
  AddCommand(options, "Font Style...", [this] { ChooseFont(); });
  AddCommand(options, "Background Color...", [this] { ChooseBackground(); });
  AddCommand(options, "Save Options - Font/Color", [this] { SaveFontAndColour(); });
  options->addSeparator();
  AddCommand(options, "Jump to Section...", [this] { JumpToSection(); });
  options->addSeparator();
  AddCommand(options, "Filter(s) ON...", [this] { FiltersOn(); });
  AddCommand(options, "Filter(s): OFF", [this] { FiltersOff(); });

  auto top = [this](const QString& text, std::function<void()> run) {
    QAction* action = menuBar()->addAction(text);
    connect(action, &QAction::triggered, this, [run] { run(); });
    actions_[text] = action;
  };
  top("&Next", [this] { Step(true); });
  top("&Prev", [this] { Step(false); });
  top("&Main", [this] { Main(); });
  top("E&xit", [this] {
    if (exit_program) exit_program();
  });

  QMenu* help = menuBar()->addMenu("&Help");
  AddCommand(help, "&Contents", [this] { host_.ShowHelp(ui::kHelpContents); });
  AddCommand(help, "Index of Help Topics", [this] { host_.ShowHelp(ui::kHelpIndex); });
  AddCommand(help, "Key Word Search", [this] { host_.ShowHelp(ui::kHelpSearch); });
  help->addSeparator();
  AddCommand(help, "&About", [this] {
    if (show_about) show_about();
  });
}

// F1 opens the reading window's own help topic.
void TRead_Window::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    host_.ShowHelp(kReadingHelpTopic);
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TRead_Window::BuildToolBar() {
  QToolBar* bar = addToolBar("Commands");
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  struct Button {
    const char* label;
    const char* hint;
    std::function<void()> run;
  };
  const Button buttons[] = {
      {"Font", "Text Font and Font Color Dialog", [this] { ChooseFont(); }},
      {"Color", "Text Background Color Dialog", [this] { ChooseBackground(); }},
      {"Index", "Search by Index Key", [this] { IndexKeySearch(); }},
      {"Words", "Word Search", [this] { WordSearch(); }},
      {"Again", "Word Search Repeat", [this] { WordSearchAgain(); }},
      {"Section", "Jump to Section Dialog", [this] { JumpToSection(); }},
      {"Print", "Print Quotation on Screen", [this] { Print(); }},
      {"Write", "Write Quotation to Disk File", [this] { WriteToFile(); }},
      {"Copy", "Copy Quotation to Clipboard", [this] { CopyToClipboard(); }},
      {"E-Mail", "Copy Quotation to your E-Mail Signature File",
       [this] {
         if (email_signature) email_signature(shown_);
       }},
      {"HTML", "Generate HTML Code for your Web Page",
       [this] {
         if (html_page) html_page(shown_);
       }},
      {"Browser", "Exit to Browser Screen", [this] { ExitToMain(); }},
      {"Prev", "Previous Quotation", [this] { Step(false); }},
      {"Next", "Next Quotation", [this] { Step(true); }},
  };
  for (const Button& button : buttons) {
    QAction* action = bar->addAction(button.label);
    action->setIcon(ui::ToolIconForHint(button.hint));
    action->setToolTip(button.hint);
    action->setStatusTip(button.hint);
    connect(action, &QAction::triggered, this, button.run);
    actions_[QString("hint:") + button.hint] = action;
  }
}

void TRead_Window::BuildPopup() {
  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  AddCommand(popup_, "Set Font and Font Color...", [this] { ChooseFont(); });
  popup_->addSeparator();
  AddCommand(popup_, "Print Quotation on the Screen", [this] { Print(); });
  AddCommand(popup_, "Write Quotation to a Disk File", [this] { WriteToFile(); });
  AddCommand(popup_, "Copy Quotation to Clipboard", [this] { CopyToClipboard(); });
  AddCommand(popup_, "Copy Quotation to E-Mail Signature...", [this] {
    if (email_signature) email_signature(shown_);
  });
  AddCommand(popup_, "Generate HTML Code for a Web Page...", [this] {
    if (html_page) html_page(shown_);
  });
  popup_->addSeparator();
  AddCommand(popup_, "Set Viewing Filters...", [this] { FiltersOn(); });
  AddCommand(popup_, "Make Currently Selected Font the Default", [this] { SaveFontAndColour(); });
  AddCommand(popup_, "Make Subject Section Name Invisible", [this] { SetSectionNameShown(false); });
  AddCommand(popup_, "Make Subject Section Name Visible", [this] { SetSectionNameShown(true); });
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    UpdateCommandStates();
    popup_->popup(view_->viewport()->mapToGlobal(at));
  });
}

void TRead_Window::showEvent(QShowEvent* event) {
  UpdateCommandStates();
  QMainWindow::showEvent(event);
}

// Commands whose window belongs to other parts of the program are enabled
// once the program has connected them.
void TRead_Window::UpdateCommandStates() {
  auto enable = [this](const char* text, bool on) {
    if (QAction* a = action(text)) a->setEnabled(on);
  };
  const bool html = html_page != nullptr;
  const bool mail = email_signature != nullptr;
  enable("hint:Generate HTML Code for your Web Page", html);
  enable("Generate HTML Code for a Web Page...", html);
  enable("hint:Copy Quotation to your E-Mail Signature File", mail);
  enable("Copy Quotation to E-Mail Signature...", mail);
  const bool index = index_key_dialog != nullptr;
  enable("hint:Search by Index Key", index);
  enable("Index Key Search...", index);
  const bool words = word_search_dialog != nullptr && word_match != nullptr;
  enable("hint:Word Search", words);
  enable("Word Search...", words);
  enable("hint:Word Search Repeat", words);
  enable("Word Search Again", words);
  const bool sections = section_dialog != nullptr;
  enable("hint:Jump to Section Dialog", sections);
  enable("Jump to Section...", sections);
  enable("Filter(s) ON...", filters_on_command != nullptr);
  enable("Set Viewing Filters...", filters_on_command != nullptr);
  enable("Filter(s): OFF", filters_off_command != nullptr);
  enable("&About", show_about != nullptr);
  enable("E&xit", exit_program != nullptr);
}

// ---- Showing -----------------------------------------------------------------------

LayoutSettings TRead_Window::Settings() const {
  LayoutSettings settings;
  settings.section_name_shown = section_name_shown_;
  settings.seven_section_naming = options ? options().seven_section_naming : true;
  return settings;
}

void TRead_Window::ShowRecord(const database::QuotationRecord& record, int32_t ref, int key) {
  shown_ = record;
  shown_ref_ = ref;
  key_ = database::ValidKey(key);
  has_record_ = true;
  setWindowTitle(ui::FromAnsi(platform::Trim(database::FieldText(shown_.Subject))));
  Refresh();
}

void TRead_Window::ShowSessionRecord(int32_t ref, int key) {
  ShowRecord(session_.current_record, ref, key);
}

void TRead_Window::ApplyLook() {
  const ReadingOptions saved = options ? options() : ReadingOptions{};
  if (saved.loaded && saved_font_in_use_) {
    view_font_ = print_font_ = FontFromLook(saved.look);
    view_colour_ = print_colour_ = ColourFromWindows(saved.look.font_colour, Qt::black);
  }
  if (saved.loaded && saved_colour_in_use_) {
    view_background_ = print_background_ =
        ColourFromWindows(saved.look.background_colour, Qt::white);
  }
  view_->setFont(view_font_);
  print_view_->setFont(print_font_);
  SetBackground(view_, view_background_);
  SetBackground(print_view_, print_background_);
}

void TRead_Window::Refresh() {
  ApplyLook();
  const LayoutSettings settings = Settings();
  ScreenImage screen = ScreenLayout(shown_, settings);
  clipboard_text_ = screen.clipboard_text;
  Fill(view_, screen.paragraphs, view_colour_);
  Fill(print_view_, PrintLayout(shown_, settings), print_colour_);
  SetFilterPanel();
  panels_[1]->setText(ui::FromAnsi(BioPanelText(shown_)));
  panels_[2]->setText(ui::FromAnsi(NumberPanelText(shown_)));
}

void TRead_Window::SetFilterPanel() {
  panels_[0]->setText(filters_.filters_on ? "Filters are ON" : "Filters are OFF");
}

// ---- Stepping and searching ----------------------------------------------------------

void TRead_Window::Step(bool forward) {
  if (!has_record_ || !session_.is_open()) return;
  RecordTest accepts;
  if (filters_.filters_on) {
    search::ViewingFilters filters = filters_;
    accepts = [filters](const database::QuotationRecord& r) {
      return search::FilterAccepts(filters, r);
    };
  }
  int32_t ref = shown_ref_;
  switch (StepRecord(session_, key_, &ref, shown_, forward, accepts)) {
    case StepOutcome::kFound:
      ShowSessionRecord(ref, key_);
      break;
    case StepOutcome::kNonePassed:
      host_.ShowInformation(kNothingPassesMessage);
      break;
    case StepOutcome::kFailed:
      break;
  }
}

void TRead_Window::RunWordSearch(const WordTarget& target, bool again) {
  if (!has_record_ || !session_.is_open() || !word_match) return;
  std::unique_ptr<WordSearchStatus> status = word_search_status();
  WordSearchResult result = reading::RunWordSearch(session_, key_, shown_ref_, shown_, target,
                                                   word_match, *status, again);
  if (result.end != WordSearchEnd::kFailed) ShowSessionRecord(result.ref, key_);
  word_searched_ = true;
}

void TRead_Window::WordSearch() {
  if (!word_search_dialog) return;
  std::optional<WordTarget> target = word_search_dialog();
  if (!target || target->text.empty()) return;
  last_target_ = *target;
  RunWordSearch(last_target_, false);
}

void TRead_Window::WordSearchAgain() {
  if (!word_searched_) {
    WordSearch();
    return;
  }
  RunWordSearch(last_target_, true);
}

void TRead_Window::IndexKeySearch() {
  if (!index_key_dialog || !session_.is_open()) return;
  std::optional<KeySearchChoice> choice = index_key_dialog(key_);
  if (!choice) return;
  const int key = database::ValidKey(choice->key);
  int32_t ref = 0;
  std::string text = choice->key_text;
  if (!session_.SearchKeyRetry(key, ref, text)) {
    session_.ReportEngineError();
    return;
  }
  const std::optional<database::QuotationRecord> record = session_.Read(ref);
  if (!record) {
    session_.ReportEngineError("Location 45B");
    return;
  }
  session_.SetCurrent(*record, ref);
  ShowRecord(*record, ref, key);
}

void TRead_Window::JumpToSection() {
  if (!section_dialog || !session_.is_open()) return;
  std::optional<char> section = section_dialog();
  if (!section) return;
  // The first entry of key 3 at or after record number 0 in that section of
  // the shown subject; the key's texts are upper case, so the search text is
  // too.
  std::string text = search::SectionKeyText(database::FieldText(shown_.Subject), *section);
  int32_t ref = 0;
  if (session_.FindAndRead(3, ref, text)) ShowSessionRecord(ref, 3);
}

// ---- Output ----------------------------------------------------------------------------

void TRead_Window::Print() {
  if (!printer_) printer_ = std::make_unique<QPrinter>();
  if (choose_printer && !choose_printer(*printer_)) return;
  // The print image is made afresh for every job.
  print_view_->setFont(print_font_);
  Fill(print_view_, PrintLayout(shown_, Settings()), print_colour_);
  printer_->setDocName(kPrintJobTitle);
  print_view_->print(printer_.get());
}

void TRead_Window::PrinterSetup() {
  if (!printer_) printer_ = std::make_unique<QPrinter>();
  if (setup_printer) setup_printer(*printer_);
}

void TRead_Window::WriteToFile() {
  if (!has_record_) return;
  WriteQuotationToFile(fs_, output_dir_, shown_, previous_entry_continued_, host_);
}

void TRead_Window::CopyToClipboard() { CopyQuotationToClipboard(host_, clipboard_text_); }

void TRead_Window::ChooseFont() {
  // The dialog lists installed families: preset the one the view really uses.
  QFont font = view_font_;
  font.setFamily(QFontInfo(view_font_).family());
  QColor colour = view_colour_;
  if (!choose_font || !choose_font(font, colour)) return;
  view_font_ = font;
  view_colour_ = colour;
  saved_font_in_use_ = false;
  view_->setFont(view_font_);
  Fill(view_, ScreenLayout(shown_, Settings()).paragraphs, view_colour_);
}

void TRead_Window::ChooseBackground() {
  QColor colour = view_background_;
  if (!choose_background || !choose_background(colour)) return;
  view_background_ = colour;
  saved_colour_in_use_ = false;
  SetBackground(view_, view_background_);
}

void TRead_Window::SaveFontAndColour() {
  if (!save_look || !save_look(LookOf(view_font_, view_colour_, view_background_))) return;
  // The screen's look is now the saved one, so the next refresh gives it to
  // the print view as well.
  saved_font_in_use_ = true;
  saved_colour_in_use_ = true;
}

void TRead_Window::SetSectionNameShown(bool shown) {
  section_name_shown_ = shown;
  Refresh();
}

// ---- Filters -----------------------------------------------------------------------------

// Filter(s) ON... turns the filters off when they are on; both commands are
// the main window's, and this window's panel follows.
void TRead_Window::FiltersOn() {
  if (filters_on_command) filters_on_command();
  SetFilterPanel();
}

void TRead_Window::FiltersOff() {
  if (filters_off_command) filters_off_command();
  SetFilterPanel();
}

// ---- Leaving ------------------------------------------------------------------------------

void TRead_Window::ExitToMain() {
  hide();
  if (exit_to_main) exit_to_main();
}

void TRead_Window::Main() {
  hide();
  if (show_main) show_main();
}

}  // namespace tessary::reading
