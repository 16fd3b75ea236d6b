#include "app/main_state.h"

#include "database/keys.h"
#include "platform/text.h"

namespace tessary::app {

using platform::Pad;

void ReadCommandLine(const std::vector<std::string>& args, MainState& state) {
  if (!args.empty() && (args[0] == "d" || args[0] == "D")) state.direct_start = true;
  for (size_t i = 1; i < args.size() && i < 3; ++i) {
    if (args[i].size() == 1 && search::SetFilterByLetter(state.filters, args[i][0])) {
      state.command_line_filters = true;
    }
  }
}

std::string HeaderText(int key) {
  std::string text = Pad("Number ", 7) + " ";
  for (const database::HeaderPiece& piece : database::Key(key).header) {
    text += Pad(piece.title, piece.width) + piece.gap;
  }
  text += Pad("First Line of Quote", 60) + " ";
  return Pad(text, 128);
}

std::string FilterPanelText(bool filters_on) {
  return filters_on ? "Filters are ON" : "Filters are OFF";
}

std::string RecordPanelText(int entries) { return "Active Records: " + std::to_string(entries); }

}  // namespace tessary::app
