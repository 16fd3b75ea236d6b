// Viewing filters: ten flags over the record's code bytes and a master switch.
// A record passes when any set flag accepts it, so the filters widen each other.
#pragma once

#include <array>
#include <string_view>

#include "database/quotation_record.h"

namespace tessary::search {

struct ViewingFilters {
  bool ancient_times = false;       // Author_Age_Code 1
  bool middle_ages = false;         // Author_Age_Code 2
  bool modern_era = false;          // Author_Age_Code 3
  bool short_selections = false;    // Number_of_Lines below 3
  bool long_selections = false;     // Number_of_Lines above 2
  bool mixed_favorites = false;     // Quote_Rank 1
  bool americans_only = false;      // Author_Country_Code 1
  bool english_language = false;    // Author_Country_Code 2
  bool foreign_language_3 = false;  // Author_Country_Code 3
  bool foreign_language_4 = false;  // Author_Country_Code 4
  bool filters_on = false;          // the master switch

  bool AnySet() const;
  bool operator==(const ViewingFilters&) const = default;
};

// True when a set flag's condition holds for the record; false with no flag
// set. The master switch is the caller's business.
bool FilterAccepts(const ViewingFilters& filters, const database::QuotationRecord& record);

// Clears the ten flags (not the master switch).
void ClearAllFilters(ViewingFilters& filters);

// Sets the flag(s) a command-line letter names (either case); false for a
// letter that names no filter.
bool SetFilterByLetter(ViewingFilters& filters, char letter);

// The filters dialog ("Filters are Electronic Gate Keepers"): nine check boxes
// in three groups; the one "Foreign Language" box stands for both foreign
// flags.
enum FilterBox : int {
  kAncientTimesBox,
  kMiddleAgesBox,
  kModernEraBox,
  kShortSelectionsBox,
  kLongSelectionsBox,
  kMixedFavoritesBox,
  kAmericansOnlyBox,
  kEnglishLanguageBox,
  kForeignLanguageBox,
  kFilterBoxCount
};
using FilterBoxes = std::array<bool, kFilterBoxCount>;

inline constexpr char kFiltersDialogTitle[] = "Filters are Electronic Gate Keepers";
inline constexpr int kFiltersHelpTopic = 230;
inline constexpr char kFiltersOffMessage[] = "Filter(s) are now OFF.";
// Captions, in FilterBox order, and the three groups' headings.
inline constexpr std::array<const char*, kFilterBoxCount> kFilterBoxCaptions = {
    "Ancient Times",     "Middle Ages  ",     "Modern Era   ",
    "Short Selections ", "Long Selections  ", "Mixed Favorites  ",
    "Americans Only   ", "English Language ", "Foreign Language"};
inline constexpr std::array<const char*, 3> kFilterGroupCaptions = {"Time Filters", "Size Filters ",
                                                                    "Origin Filters"};

// What the boxes show on activation: each its flag, "Foreign Language" the
// code-3 flag.
FilterBoxes BoxesFromFlags(const ViewingFilters& filters);

// Closing the dialog, by OK or Cancel alike: every flag is set from its box,
// and filters on is cleared when no box counts as checked. The Mixed
// Favorites box counts only when option flag 1 is set.
void CloseFiltersDialog(ViewingFilters& filters, const FilterBoxes& boxes, bool option_flag_1);

// The filters the command-line letters switch on ("oe", "y"); false with the
// first character that names no filter.
bool FiltersFromLetters(std::string_view letters, ViewingFilters* filters, char* bad_letter);

}  // namespace tessary::search
