// The subject catalogue: the 81 subjects under which quotations are filed,
// with the three icon menus that show them, and the 362 subtitles (other
// words a subject is known by) with the subject each one leads to.
//
// Subject words are stored in records upper case, as `word` holds them
// ("NON-BEING", "THE ETERNAL"). Lookups take Windows-1252 text and ignore
// case by the code page's own upper-casing.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary::subjects {

inline constexpr size_t kSubjectCount = 81;
inline constexpr size_t kSubtitleCount = 362;
inline constexpr int kMenuCount = 3;
inline constexpr size_t kSubjectsPerMenu = 27;
// Width of one item of the subtitle list.
inline constexpr size_t kSubtitleItemWidth = 36;

struct SubjectInfo {
  std::string_view name;         // mixed case: button tooltip and subject list item
  std::string_view word;         // upper case, as stored in a record's Subject
  std::string_view description;  // the menu's description panel
  int menu;                      // icon menu 1 to 3
};

struct SubtitleInfo {
  std::string_view subtitle;  // mixed case, as the subtitle list shows it
  std::string_view subject;   // upper-case word of the subject it leads to
};

// The subjects in menu order: menu 1, then 2, then 3, 27 each. This is also
// the order of the subject list (Tessary stands between Will and Words).
const std::array<SubjectInfo, kSubjectCount>& Subjects();

// The subtitles grouped by subject, as the catalogue lists them. "Order" is
// listed twice, under RESTRICTION and under WORLD.
const std::array<SubtitleInfo, kSubtitleCount>& Subtitles();

// "Subject Menu n of 3:  ..." for menu 1 to 3; empty for any other number.
std::string_view MenuCaption(int menu);

// The subjects of menu 1 to 3 (empty for any other number).
std::vector<const SubjectInfo*> MenuSubjects(int menu);

// The subject whose word equals `word` ignoring case; null when none.
const SubjectInfo* FindSubject(std::string_view word);

// The description of a subject; empty when `word` is no subject.
std::string_view Description(std::string_view word);

// Upper-case words of the subjects a subtitle leads to, in catalogue order;
// empty when `subtitle` is no subtitle. Case is ignored.
std::vector<std::string_view> SubjectsOfSubtitle(std::string_view subtitle);

// The subtitles that lead to a subject, in catalogue order.
std::vector<const SubtitleInfo*> SubtitlesOfSubject(std::string_view word);

// The first catalogue entry for a subtitle (case ignored); null when none.
const SubtitleInfo* FindSubtitle(std::string_view subtitle);

// What a single word names in the catalogue. `subject` is the upper-case
// subject word; `subtitle` is the upper-case subtitle when the word is one
// (for a subject word that is its own subtitle, like LOVE, both are set).
struct CatalogueMatch {
  std::string subject;
  std::string subtitle;
};

// Looks `word` up as a subject, then as a subtitle. A subtitle listed under
// two subjects leads to the first of them (ORDER gives RESTRICTION).
std::optional<CatalogueMatch> LookUpWord(std::string_view word);

// One item of the subtitle list, 36 characters: the subtitle at the left, the
// subject's mixed-case name at the right, and between them "..." groups
// standing at every fourth column from column 8 on, each kept at least one
// blank clear of both texts: "Absence ... ... ... ...   Separation".
std::string SubtitleListItem(const SubtitleInfo& subtitle);

// The 362 subtitle list items sorted ignoring case (without the empty item
// the list box shows first).
std::vector<std::string> SubtitleListItems();

// The subject part of a subtitle list item: the text after its last "..."
// with blanks removed from both ends; empty when the item has no leader.
std::string SubjectOfListItem(std::string_view item);

}  // namespace tessary::subjects
