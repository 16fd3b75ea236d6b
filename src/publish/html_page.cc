#include "publish/html_page.h"

#include <cstdio>

#include "platform/text.h"
#include "publish/output_file.h"
#include "reading/layout.h"

namespace tessary::publish {
namespace {

using database::FieldText;

constexpr char kCrLf[] = "\r\n";
constexpr size_t kSectionNameWidth = 21;

std::string TwoDigits(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

// The first two characters of a designator in two places.
std::string DesignatorPlaces(std::string_view designator) {
  return platform::Pad(designator.substr(0, 2), 2);
}

std::string DividerLine(const HtmlOptions& options) {
  return options.Rainbow()
             ? R"(<img align=bottom src="rainbow7.gif" ALT ="------------------------">)"
             : "<HR SIZE=4  WIDTH=80%  ALIGN=CENTER>";
}

std::string BodyLine(std::string_view image) {
  return "<BODY BACKGROUND=\"" + std::string(image) +
         R"(" TEXT="#000000" LINK="#0000FF" VLINK="#FF0000">)";
}

class PageText {
 public:
  void Line(std::string_view text) {
    text_ += text;
    text_ += kCrLf;
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

}  // namespace

std::string DateStampLine(const platform::LocalTime& now, const platform::TimeLocale& locale) {
  const bool twelve_hour = !(locale.morning.empty() && locale.evening.empty());
  int hour = now.hour;
  std::string designator = "  ";
  if (twelve_hour) {
    designator = DesignatorPlaces(hour < 12 ? locale.morning : locale.evening);
    hour %= 12;
    if (hour == 0) hour = 12;
  }
  std::string weekday =
      now.weekday >= 0 && now.weekday < 7 ? locale.weekday_names[now.weekday] : std::string();
  char year[8];
  std::snprintf(year, sizeof year, "%04d", now.year % 10000);
  std::string date = std::to_string(now.month) + locale.date_separator + std::to_string(now.day) +
                     locale.date_separator + year;
  std::string time = TwoDigits(hour) + locale.time_separator + TwoDigits(now.minute) +
                     locale.time_separator + TwoDigits(now.second) + " " + designator;
  return "Quotation generated on:  " + weekday + ", " + date + " at " + time + ".";
}

std::string HtmlPage(const database::QuotationRecord& record, const HtmlOptions& options,
                     const PageContext& context) {
  const bool continued = record.Multi_Page_Flag == 1;
  const char section = record.Section[0];
  PageText page;
  page.Line("<HTML>");
  page.Line("<HEAD>");
  page.Line("<TITLE>");
  std::string section_name = reading::SectionCaption(section, context.seven_section_naming);
  page.Line("Subject: " + std::string(FieldText(record.Subject)) +
            "  Section:  " + section_name.substr(0, kSectionNameWidth));
  page.Line("</TITLE>");
  page.Line("</HEAD>");

  // A file from elsewhere may set several flags: each writes its own line.
  for (int item = 1; item < kBackgroundItems; ++item) {
    if (options.background_flags[item - 1] == 0) continue;
    std::string_view image = item == 1 ? VariableBackgroundImage(section) : BackgroundImage(item);
    if (!image.empty()) page.Line(BodyLine(image));
  }

  const std::string divider = DividerLine(options);
  page.Line("<P>");
  page.Line(divider);
  page.Line("</P>");
  page.Line("<font size=+1>");
  page.Line(std::string(FieldText(record.Line1)) + "<br>");
  for (int n = 2; n <= database::kLineCount; ++n) {
    std::string_view line = FieldText(database::Line(record, n));
    if (reading::IsPresentLine(line)) page.Line(std::string(line) + "<br>");
  }

  page.Line(continued ? "<br> <Pre>" : "<br> <PRE>");
  page.Line("   " + platform::Trim(FieldText(record.Authors_Full_Name)) + "<I>");
  page.Line("   " + std::string(FieldText(record.Author_Bio_Snapshot)) +
            (continued ? "<br> </I> </PRE>" : "<br></I></PRE>"));
  page.Line("<P>");
  page.Line(divider);
  page.Line("</P>");
  page.Line("</Font>");
  page.Line("<P>");
  page.Line("<br><font size=-1>");
  page.Line(std::string("<I>") + kPublisherCredit + "<br>");
  if (options.DateStampOn()) page.Line(DateStampLine(context.now, context.locale));
  page.Line(continued ? "</I> </Font>" : "<I> </Font>");
  page.Line("</Body>");
  page.Line("</HTML>");
  if (!continued) page.Line("");
  return page.Take();
}

bool WriteHtmlPage(platform::FileSystem& fs, const database::QuotationRecord& record,
                   const HtmlOptions& options, const PageContext& context, ui::Host& host) {
  return WriteOutputFile(fs, options.output_file_name, HtmlPage(record, options, context), host);
}

}  // namespace tessary::publish
