#include "entry/entry_widgets.h"

#include "ui/qt_text.h"

namespace tessary::entry {

bool Storable(const QString& text) { return ui::FromAnsi(ui::ToAnsi(text)) == text; }

QValidator::State StorableValidator::validate(QString& input, int&) const {
  return Storable(input) ? Acceptable : Invalid;
}

}  // namespace tessary::entry
