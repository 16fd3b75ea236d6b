// Connects the reading window to the main window: the View command and
// quote-a-day open it, its options come from the options file, and leaving it
// brings the main window's list back as it was.
#pragma once

#include "app/main_window.h"
#include "reading/read_window.h"

namespace tessary::app {

void LinkReadingWindow(TMain_Menu& main, reading::TRead_Window& read);

// The quote-a-day: draws with the clock seed and shows the pick in the
// reading window; says so when the database is empty or nothing passes the
// filters that are on.
void RunQuoteADay(TMain_Menu& main, reading::TRead_Window& read, uint32_t seed);

}  // namespace tessary::app
