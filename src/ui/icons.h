// The program's own pictures for buttons and windows: the tool button icons
// (kept as resources under :/icons/tool/NAME.png with a @2x twin) and the
// application icon.
#pragma once

#include <QIcon>
#include <QString>

namespace tessary::ui {

// The tool button icon NAME (see icons/README.md for the names); a null icon
// for an unknown name.
QIcon ToolIcon(const QString& name);

// The icon of the tool button whose hint is `hint`, for the hints of the main
// window's and the reading window's tool bars; a null icon for other hints.
QIcon ToolIconForHint(const QString& hint);

// Tessary's application icon in every size it has.
QIcon ApplicationIcon();

}  // namespace tessary::ui
