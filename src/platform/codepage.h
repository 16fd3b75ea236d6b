// Windows-1252 text: upper-casing with the code page's own letter pairs, and
// conversion to and from UTF-8. Record text is kept as Windows-1252 bytes
// throughout the core; these are the only conversions.
#pragma once

#include <string>
#include <string_view>

namespace tessary::platform {

// Upper case of one Windows-1252 byte: a-z, the accented letters 0xE0..0xFE
// except the division sign 0xF7, and the pairs s/S, oe/OE, z/Z with caron and
// y-diaeresis. Sharp s (0xDF) and micro sign (0xB5) have no upper case and stay.
unsigned char UpperAnsi(unsigned char c);

// Upper-cases every byte of `text`.
std::string UpperAnsi(std::string_view text);
void UpperAnsiInPlace(std::string& text);

// Lower case of one byte, the inverse of UpperAnsi on its letter pairs.
unsigned char LowerAnsi(unsigned char c);

// Unicode code point of a Windows-1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of
// the same value, so every byte survives a round trip.
char32_t AnsiToCodePoint(unsigned char c);

// The byte for a code point, or -1 when the code page has no such character.
int CodePointToAnsi(char32_t cp);

std::string AnsiToUtf8(std::string_view ansi);

// Converts UTF-8 to Windows-1252; characters without a Windows-1252 form and
// malformed sequences become `replacement`. `replaced` (when given) counts them.
std::string Utf8ToAnsi(std::string_view utf8, char replacement = '?', size_t* replaced = nullptr);

}  // namespace tessary::platform
