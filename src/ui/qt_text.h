// Conversion between the core's Windows-1252 text and QString; the only place
// where record text changes its encoding.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tessary::ui {

QString FromAnsi(std::string_view ansi);
// Characters without a Windows-1252 form become '?'.
std::string ToAnsi(const QString& text);

}  // namespace tessary::ui
