#include "search/sections.h"

#include <cstring>

#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::search {

char SectionDigit(int item, bool option_flag_1) {
  if (item < 1 || item > static_cast<int>(kSectionItems.size())) item = 1;
  if (item == 8 && option_flag_1) return '7';
  return static_cast<char>('0' + item);
}

std::string SectionKeyText(std::string_view subject, char digit) {
  std::string text = platform::UpperAnsi(platform::Pad(subject, 13)) +
                     platform::UpperAnsi(std::string(1, digit)) + platform::LeftPad("0", 6);
  if (text.size() > 20) text.resize(20);
  return text;
}

bool JumpToSection(database::Session& session, char digit) {
  session.SetCurrentKey(3);
  const std::string key_text =
      SectionKeyText(database::FieldText(session.current_record.Subject), digit);
  session.current_record = database::BlankLinesRecord();
  int32_t ref = 0;
  return session.FindAndRead(3, ref, key_text);
}

}  // namespace tessary::search
