#include "app/reading_link.h"

#include "reading/quote_a_day.h"
#include "ui/qt_text.h"

namespace tessary::app {
namespace {

reading::TextLook LookOf(const Options& o) {
  reading::TextLook look;
  look.font_name = o.font_name;
  look.font_size = o.font_size;
  look.font_colour = o.font_colour;
  look.bold = o.bold;
  look.italic = o.italic;
  look.underline = o.underline;
  look.strike_out = o.strike_out;
  look.background_colour = o.background_colour;
  return look;
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

void LinkReadingWindow(TMain_Menu& main, reading::TRead_Window& read) {
  main.show_in_reading_window = [&main, &read](int32_t ref) {
    read.ShowRecord(main.session().current_record, ref, main.list()->KeyNumber());
    ShowInFront(read);
  };
  main.quote_a_day = [&main, &read] { RunQuoteADay(main, read, reading::ClockSeed()); };

  read.options = [&main] {
    reading::ReadingOptions o;
    o.loaded = main.options_loaded();
    o.look = LookOf(main.options());
    o.seven_section_naming = main.options().SevenSectionNaming();
    return o;
  };
  read.save_look = [&main](const reading::TextLook& look) {
    Options& o = main.options();
    o.font_name = look.font_name;
    o.font_size = look.font_size;
    o.font_colour = look.font_colour;
    o.bold = look.bold;
    o.italic = look.italic;
    o.underline = look.underline;
    o.strike_out = look.strike_out;
    o.background_colour = look.background_colour;
    return main.SaveOptions();
  };
  read.exit_to_main = [&main] {
    main.setWindowTitle(ui::FromAnsi(main.state().saved_caption));
    BringBack(main);
  };
  read.show_main = [&main] { BringBack(main); };
  read.exit_program = [&main] { main.close(); };
  read.show_about = [&main] { main.ShowAbout(); };
  read.filters_changed = [&main] { main.SetFiltersOn(main.state().filters.filters_on); };
  // The main window's filter command, once the program has one.
  read.set_viewing_filters = [&main] {
    if (QAction* command = main.action("Filter(s) ON...")) command->trigger();
  };
  read.can_set_viewing_filters = [&main] {
    QAction* command = main.action("Filter(s) ON...");
    return command != nullptr && command->isEnabled();
  };
}

}  // namespace tessary::app
