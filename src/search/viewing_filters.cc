#include "search/viewing_filters.h"

namespace tessary::search {

bool ViewingFilters::AnySet() const {
  return ancient_times || middle_ages || modern_era || short_selections || long_selections ||
         mixed_favorites || americans_only || english_language || foreign_language_3 ||
         foreign_language_4;
}

bool FilterAccepts(const ViewingFilters& f, const database::QuotationRecord& r) {
  // The order of the tests decides nothing but what is read first.
  if (f.americans_only && r.Author_Country_Code == 1) return true;
  if (f.foreign_language_4 && r.Author_Country_Code == 4) return true;
  if (f.english_language && r.Author_Country_Code == 2) return true;
  if (f.foreign_language_3 && r.Author_Country_Code == 3) return true;
  if (f.mixed_favorites && r.Quote_Rank == 1) return true;
  if (f.long_selections && r.Number_of_Lines > 2) return true;
  if (f.short_selections && r.Number_of_Lines < 3) return true;
  if (f.ancient_times && r.Author_Age_Code == 1) return true;
  if (f.middle_ages && r.Author_Age_Code == 2) return true;
  if (f.modern_era && r.Author_Age_Code == 3) return true;
  return false;
}

void ClearAllFilters(ViewingFilters& f) {
  bool on = f.filters_on;
  f = ViewingFilters{};
  f.filters_on = on;
}

bool SetFilterByLetter(ViewingFilters& f, char letter) {
  switch (letter | 0x20) {
    case 'o':
      f.ancient_times = true;
      return true;
    case 'm':
      f.middle_ages = true;
      return true;
    case 'y':
      f.modern_era = true;
      return true;
    case 's':
      f.short_selections = true;
      return true;
    case 'l':
      f.long_selections = true;
      return true;
    case 'c':
      f.mixed_favorites = true;
      return true;
    case 'a':
      f.americans_only = true;
      return true;
    case 'e':
      f.americans_only = f.english_language = true;
      return true;
    case 'f':
      f.foreign_language_3 = f.foreign_language_4 = true;
      return true;
    default:
      return false;
  }
}

FilterBoxes BoxesFromFlags(const ViewingFilters& f) {
  FilterBoxes boxes{};
  boxes[kAncientTimesBox] = f.ancient_times;
  boxes[kMiddleAgesBox] = f.middle_ages;
  boxes[kModernEraBox] = f.modern_era;
  boxes[kShortSelectionsBox] = f.short_selections;
  boxes[kLongSelectionsBox] = f.long_selections;
  boxes[kMixedFavoritesBox] = f.mixed_favorites;
  boxes[kAmericansOnlyBox] = f.americans_only;
  boxes[kEnglishLanguageBox] = f.english_language;
  boxes[kForeignLanguageBox] = f.foreign_language_3;
  return boxes;
}

void CloseFiltersDialog(ViewingFilters& f, const FilterBoxes& boxes, bool option_flag_1) {
  f.ancient_times = boxes[kAncientTimesBox];
  f.middle_ages = boxes[kMiddleAgesBox];
  f.modern_era = boxes[kModernEraBox];
  f.short_selections = boxes[kShortSelectionsBox];
  f.long_selections = boxes[kLongSelectionsBox];
  f.mixed_favorites = boxes[kMixedFavoritesBox];
  f.americans_only = boxes[kAmericansOnlyBox];
  f.english_language = boxes[kEnglishLanguageBox];
  f.foreign_language_3 = f.foreign_language_4 = boxes[kForeignLanguageBox];
  bool any = false;
  for (int box = 0; box < kFilterBoxCount; ++box) {
    if (box == kMixedFavoritesBox && !option_flag_1) continue;
    any = any || boxes[static_cast<size_t>(box)];
  }
  if (!any) f.filters_on = false;
}

bool FiltersFromLetters(std::string_view letters, ViewingFilters* filters, char* bad_letter) {
  for (char letter : letters) {
    if (!SetFilterByLetter(*filters, letter)) {
      if (bad_letter != nullptr) *bad_letter = letter;
      return false;
    }
  }
  return true;
}

}  // namespace tessary::search
