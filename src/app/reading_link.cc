#include "app/reading_link.h"

#include <memory>
#include <optional>
#include <string>

#include "publish/html_dialogs.h"
#include "publish/signature_dialogs.h"
#include "reading/quote_a_day.h"
#include "search/index_key_dialog.h"
#include "search/index_key_search.h"
#include "search/search_status.h"
#include "search/sections_dialog.h"
#include "search/word_search.h"
#include "search/word_search_dialog.h"
#include "ui/qt_text.h"

namespace tessary::app {
namespace {

// The reading window's font and colours between the options block and the
// window's own description, which name them alike.
template <typename From, typename To>
void CopyLook(const From& from, To& to) {
  to.font_name = from.font_name;
  to.font_size = from.font_size;
  to.font_colour = from.font_colour;
  to.bold = from.bold;
  to.italic = from.italic;
  to.underline = from.underline;
  to.strike_out = from.strike_out;
  to.background_colour = from.background_colour;
}

void ShowInFront(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

// The main window in front again with its list as it was.
void BringBack(TMain_Menu& main) {
  ShowInFront(main);
  main.list()->setFocus();
}

// The main window's word search status window, as the reading window's
// search loop drives it.
class StatusWindow : public reading::WordSearchStatus {
 public:
  explicit StatusWindow(search::TWord_Search_Status& window) : window_(window) {}
  void Open(std::string_view first_line) override {
    window_.Open(search::kWordSearchStatusTitle, std::string(first_line));
  }
  void Update(std::string_view line1, std::string_view line2, std::string_view line3) override {
    window_.Update(std::string(line1), std::string(line2), std::string(line3));
  }
  bool Cancelled() override { return window_.StopPressed(); }
  void Close() override { window_.hide(); }

 private:
  search::TWord_Search_Status& window_;
};

}  // namespace

void RunQuoteADay(TMain_Menu& main, reading::TRead_Window& read, uint32_t seed) {
  if (!main.database_open()) return;
  database::Session& session = main.session();
  const QString caption = main.windowTitle();
  main.state().saved_caption = ui::ToAnsi(caption);
  reading::RecordTest accepts;
  const search::ViewingFilters& filters = main.state().filters;
  if (filters.filters_on) {
    accepts = [filters](const database::QuotationRecord& r) {
      return search::FilterAccepts(filters, r);
    };
  }
  int32_t ref = 0;
  switch (reading::QuoteADay(session, seed, accepts, &ref)) {
    case reading::QuoteOutcome::kFound:
      read.ShowRecord(session.current_record, ref, 1);
      ShowInFront(read);
      break;
    case reading::QuoteOutcome::kEmpty:
      session.host().ShowInformation(reading::kEmptyDatabaseMessage);
      break;
    case reading::QuoteOutcome::kNonePassed:
      session.host().ShowInformation(reading::kNothingPassesMessage);
      break;
    case reading::QuoteOutcome::kFailed:
      break;
  }
  main.setWindowTitle(caption);
}

void LinkReadingWindow(TMain_Menu& main, reading::TRead_Window& read, platform::FileSystem& fs,
                       const std::string& program_dir) {
  main.show_in_reading_window = [&main, &read](int32_t ref) {
    read.ShowRecord(main.session().current_record, ref, main.list()->KeyNumber());
    ShowInFront(read);
  };
  main.quote_a_day = [&main, &read] { RunQuoteADay(main, read, reading::ClockSeed()); };

  read.options = [&main] {
    reading::ReadingOptions o;
    o.loaded = main.options_loaded();
    CopyLook(main.options(), o.look);
    o.seven_section_naming = main.options().SevenSectionNaming();
    return o;
  };
  read.save_look = [&main](const reading::TextLook& look) {
    CopyLook(look, main.options());
    return main.SaveOptions();
  };
  read.exit_to_main = [&main] {
    main.setWindowTitle(ui::FromAnsi(main.state().saved_caption));
    BringBack(main);
  };
  read.show_main = [&main] { BringBack(main); };
  read.exit_program = [&main] { main.close(); };
  read.show_about = [&main] { main.ShowAbout(); };
  // The web page and the e-mail signature, on the shown record. Their
  // dialogs are made once and kept by the commands, which the lambdas own.
  auto html = std::make_shared<publish::HtmlCommand>(&read, main.session().host(), fs, program_dir);
  read.html_page = [html, &main](const database::QuotationRecord& shown) {
    html->Run(shown, main.options().SevenSectionNaming());
  };
  auto signature =
      std::make_shared<publish::SignatureCommand>(&read, main.session().host(), fs, program_dir);
  read.email_signature = [signature](const database::QuotationRecord& shown) {
    signature->Run(shown);
  };

  read.filters_on_command = [&main] { main.search().FiltersOnCommand(); };
  read.filters_off_command = [&main] { main.search().FiltersOffCommand(); };

  // The search dialogs, and the word matching rules the list uses too.
  read.index_key_dialog = [&main, &read](int) -> std::optional<reading::KeySearchChoice> {
    search::IndexSearchFields fields{};
    search::TIndex_Key_Search dialog(main.session().host(), &read);
    if (!dialog.Run(&fields)) return std::nullopt;
    const database::QuotationRecord record = search::IndexSearchRecord(fields);
    const int key = search::ChooseSearchKey(record);
    if (key == 0) return std::nullopt;
    return reading::KeySearchChoice{key, database::BuildKey(record, key)};
  };
  read.section_dialog = [&main, &read] {
    return search::ChooseSection(&read, main.session().host(), main.options().SevenSectionNaming());
  };
  read.word_search_dialog = [&main]() -> std::optional<reading::WordTarget> {
    search::WordSearch state;
    if (main.search().word_dialog() == nullptr || !main.search().word_dialog()->Run(state)) {
      return std::nullopt;
    }
    return reading::WordTarget{state.target, state.case_sensitive, state.whole_words};
  };
  read.word_match = [](const database::QuotationRecord& record, const reading::WordTarget& t) {
    return search::WordMatch(record, t.text, t.case_sensitive, t.whole_words);
  };
  read.word_search_status = [&main]() -> std::unique_ptr<reading::WordSearchStatus> {
    if (main.search().status_window() == nullptr) {
      return std::make_unique<reading::HostWordSearchStatus>(main.session().host());
    }
    return std::make_unique<StatusWindow>(*main.search().status_window());
  };
}

}  // namespace tessary::app
