// Connects the reading window to the main window: the View command and
// quote-a-day open it, its options come from the options file, and leaving it
// brings the main window's list back as it was.
#pragma once

#include <string>

#include "app/main_window.h"
#include "platform/file.h"
#include "reading/read_window.h"

namespace tessary::app {

// `fs` and `program_dir` are where the HTML page and the e-mail signature
// keep their option files and write their output.
void LinkReadingWindow(TMain_Menu& main, reading::TRead_Window& read, platform::FileSystem& fs,
                       const std::string& program_dir);

// The quote-a-day: draws with the clock seed and shows the pick in the
// reading window; says so when the database is empty or nothing passes the
// filters that are on.
void RunQuoteADay(TMain_Menu& main, reading::TRead_Window& read, uint32_t seed);

}  // namespace tessary::app
