#include "reading/clipboard.h"

namespace tessary::reading {

bool PutClipboardText(ui::Host& host, std::string_view text) {
  if (text.empty()) return false;
  host.SetClipboardText(text);
  return true;
}

bool CopyQuotationToClipboard(ui::Host& host, std::string_view clipboard_text) {
  if (PutClipboardText(host, clipboard_text)) {
    host.ShowInformation(kClipboardCopiedMessage);
    return true;
  }
  host.ShowError(kClipboardFailedMessage);
  return false;
}

}  // namespace tessary::reading
