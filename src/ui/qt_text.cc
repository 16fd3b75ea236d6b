#include "ui/qt_text.h"

#include <QList>

#include "platform/codepage.h"

namespace tessary::ui {

QString FromAnsi(std::string_view ansi) {
  QString out;
  out.reserve(static_cast<qsizetype>(ansi.size()));
  for (char ch : ansi) {
    out.append(
        QChar(static_cast<char16_t>(platform::AnsiToCodePoint(static_cast<unsigned char>(ch)))));
  }
  return out;
}

std::string ToAnsi(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (char32_t cp : text.toUcs4()) {
    int byte = platform::CodePointToAnsi(cp);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return out;
}

}  // namespace tessary::ui
