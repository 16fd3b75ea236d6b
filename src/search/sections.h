// Sections: every quotation belongs to a numbered section of its subject, and
// key 3 (Subject + Section + Number) keeps a subject's quotations grouped by
// section. The sections dialog lets the reader jump to the start of another
// section of the subject being read.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "database/session.h"

namespace tessary::search {

inline constexpr char kSectionsTitle[] = "SECTIONS";
inline constexpr int kSectionsHelpTopic = 350;
inline constexpr std::array<const char*, 8> kSectionItems = {
    "1. Essence",  "2. Opposites", "3. Insight",   "4. Positive",
    "5. Negative", "6. Advice",    "7. Potpourri", "8. Jokes"};

// The section digit of dialog item 1 to 8; item 8 (Jokes) is folded into
// section 7 when option flag 1 (seven-section naming) is set.
char SectionDigit(int item, bool option_flag_1);

// The key 3 text of a record number 0 in that section: the subject padded to
// 13, the digit, "0" left-padded to 6, upper-cased, cut to 20. Every record of
// the section sorts at or after it.
std::string SectionKeyText(std::string_view subject, char digit);

// Jumps to the first record of section `digit` of the current record's
// subject, or the next entry of key 3 when that section is empty: the current
// key number becomes 3 and the record found becomes the current record
// (FindAndRead; a failure is reported there and gives false).
bool JumpToSection(database::Session& session, char digit);

}  // namespace tessary::search
