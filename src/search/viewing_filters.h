// Viewing filters: ten flags over the record's code bytes and a master switch.
// A record passes when any set flag accepts it, so the filters widen each other.
#pragma once

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

}  // namespace tessary::search
