// Pieces the entry windows share.
#pragma once

#include <QString>
#include <QValidator>

namespace tessary::entry {

// Whether every character of `text` has a Windows-1252 form, the only text a
// record can hold.
bool Storable(const QString& text);

// Refuses input that a record could not store, so that nothing typed or
// pasted into a box is changed to "?" on the way into the record.
class StorableValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};

}  // namespace tessary::entry
