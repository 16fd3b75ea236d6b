// Copying the quotation on the screen to the clipboard as plain text.
#pragma once

#include <string_view>

#include "ui/host.h"

namespace tessary::reading {

inline constexpr char kClipboardCopiedMessage[] = "This quote has been copied to the Clipboard.";
inline constexpr char kClipboardFailedMessage[] =
    "Unable to put this quote in the Clipboard.  Check free memory.";

// Puts `text` on the clipboard and gives true; an empty text fails at once.
bool PutClipboardText(ui::Host& host, std::string_view text);

// The clipboard command: PutClipboardText, then the information box on
// success or the error box on failure.
bool CopyQuotationToClipboard(ui::Host& host, std::string_view clipboard_text);

}  // namespace tessary::reading
