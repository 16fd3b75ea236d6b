// The text layout of one quotation for the reading window's screen view, its
// print image and the clipboard. The renderings share which lines are present,
// how a continued quotation ends and how the attribution is placed, and differ
// in detail. All text is Windows-1252.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "database/quotation_record.h"

namespace tessary::reading {

// Ends a quotation that continues in the record with the next number.
inline constexpr char kContinuationMarker[] = "- - - Record Continues - - -";

enum class ParagraphStyle {
  kCentred,
  kLeftIndented,   // left-aligned, first-line indent of 10
  kRightIndented,  // right-aligned, right indent of 10
};

struct Paragraph {
  std::string text;
  ParagraphStyle style;
  bool operator==(const Paragraph&) const = default;
};

struct LayoutSettings {
  // Whether the section caption is shown (the reading window can hide it).
  bool section_name_shown = true;
  // Option flag 1: section 7 is captioned "7. Potpourri ".
  bool seven_section_naming = true;
};

// The caption of a section digit, trailing blanks included; 15 blanks for "9"
// and for any byte that is no section digit.
std::string SectionCaption(char section, bool seven_section_naming);

// Whether `text` sorts after a text of `blanks` blanks, comparing bytes as
// unsigned and a proper prefix first.
bool SortsAfterBlanks(std::string_view text, size_t blanks);

// Whether line 2 to 11 is output: its text sorts after 61 blanks, so empty and
// all-blank lines and lines whose first non-blank is a control byte are left out.
bool IsPresentLine(std::string_view line);

// Whether the author's name or the book's name is output on screen, printer and
// clipboard: it has more than one character.
bool IsLongEnough(std::string_view text);

// `text` in the middle of `width` columns; an odd blank goes in front. A text
// of `width` or more characters is unchanged.
std::string Centre(std::string_view text, size_t width);

// The first paragraphs of the screen view and the print image: an empty
// paragraph, the section caption (left out when hidden) and an empty paragraph.
std::vector<Paragraph> LayoutHeader(const database::QuotationRecord& record,
                                    const LayoutSettings& settings);

// The text placed on the clipboard: lines separated by CR LF, none after the
// last.
std::string ClipboardText(const database::QuotationRecord& record);

struct ScreenImage {
  std::vector<Paragraph> paragraphs;
  std::string clipboard_text;  // made with every screen layout, copied by the clipboard command
};

// The screen view. A separator paragraph takes the style of the paragraph
// before it, as a rich-text view does when lines are added.
ScreenImage ScreenLayout(const database::QuotationRecord& record, const LayoutSettings& settings);

// The print image, built afresh for every print job.
std::vector<Paragraph> PrintLayout(const database::QuotationRecord& record,
                                   const LayoutSettings& settings);

}  // namespace tessary::reading
