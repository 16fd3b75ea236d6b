// The HTML page of one quotation. The record's text goes into the page
// exactly as stored (Windows-1252, nothing escaped); every line ends with
// CR LF.
//
//   <HTML> <HEAD> <TITLE>               one per line
//   Subject: <Subject>  Section:  <section name>
//   </TITLE> </HEAD>
//   <BODY BACKGROUND="<image>" ...>     per set background flag that names an image
//   <P> <divider> </P>
//   <font size=+1>
//   Line1<br>, then each present line 2 to 11 + <br>
//   closing block: author, bio, divider, credit, date stamp
#pragma once

#include <string>

#include "database/quotation_record.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "publish/html_options.h"
#include "ui/host.h"

namespace tessary::publish {

// The page's one-line publisher credit, between <I> and <br>.
inline constexpr char kPublisherCredit[] = "Published with Tessary, the quotation keeper";

struct PageContext {
  bool seven_section_naming = true;  // option flag 1: section 7 is "7. Potpourri "
  platform::LocalTime now;
  platform::TimeLocale locale;
};

// "Quotation generated on:  <weekday>, <m/d/yyyy> at <hh:mm:ss tt>." with the
// locale's separators. Hours run 12, 1 .. 11 with the first two characters of
// the morning or evening designator in two places; when the locale has no
// designators at all they run 0 to 23 and the two places are blanks.
std::string DateStampLine(const platform::LocalTime& now, const platform::TimeLocale& locale);

// The whole page, CR LF after every line.
std::string HtmlPage(const database::QuotationRecord& record, const HtmlOptions& options,
                     const PageContext& context);

// Writes the page to the options' output file, whole or not at all; a
// failure shows the write-error report and gives false.
bool WriteHtmlPage(platform::FileSystem& fs, const database::QuotationRecord& record,
                   const HtmlOptions& options, const PageContext& context, ui::Host& host);

}  // namespace tessary::publish
