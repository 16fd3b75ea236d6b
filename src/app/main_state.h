// The main window's state and texts that do not need a window: the start
// values, the command line, the list header and the status-bar texts.
#pragma once

#include <string>
#include <vector>

#include "search/viewing_filters.h"

namespace tessary::app {

inline constexpr char kProgramTitle[] = "Tessary";

struct MainState {
  bool show_opening_menu = true;
  bool direct_start = false;
  bool command_line_filters = false;
  search::ViewingFilters filters;
  std::string saved_caption = kProgramTitle;
};

// Argument 1 "d" or "D" is a direct start; arguments 2 and 3 may each name a
// viewing filter by letter. `args` excludes the program name.
void ReadCommandLine(const std::vector<std::string>& args, MainState& state);

// The list's column header for sort key 1 to 6 (128 characters).
std::string HeaderText(int key);

std::string FilterPanelText(bool filters_on);
std::string RecordPanelText(int entries);

}  // namespace tessary::app
