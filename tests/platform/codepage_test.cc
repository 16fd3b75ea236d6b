// Windows-1252 upper-casing and the conversions to and from UTF-8, checked
// over every byte against hand-written expectations.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace tessary::platform {
namespace {

// The code page's letter pairs: lower[i] is raised to upper[i]. Every other
// byte has no upper case of its own.
const std::string kLower =
    "abcdefghijklmnopqrstuvwxyz"
    "\x9A\x9C\x9E\xFF"  // s caron, oe, z caron, y diaeresis
    "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
    "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF8\xF9\xFA\xFB\xFC\xFD\xFE";
const std::string kUpper =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "\x8A\x8C\x8E\x9F"
    "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
    "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD8\xD9\xDA\xDB\xDC\xDD\xDE";

// Raising and lowering every byte: a letter pair maps both ways, every other
// byte (sharp s, micro sign, the signs and controls) stays.
TEST(UpperAnsi, EveryByteAgainstTheLetterPairs) {
  ASSERT_EQ(kLower.size(), kUpper.size());
  std::string all;
  std::string expected;
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    const size_t lower = kLower.find(ch);
    const size_t upper = kUpper.find(ch);
    const char up = lower == std::string::npos ? ch : kUpper[lower];
    const char down = upper == std::string::npos ? ch : kLower[upper];
    EXPECT_EQ(UpperAnsi(static_cast<unsigned char>(c)), static_cast<unsigned char>(up)) << c;
    EXPECT_EQ(LowerAnsi(static_cast<unsigned char>(c)), static_cast<unsigned char>(down)) << c;
    all.push_back(ch);
    expected.push_back(up);
  }
  EXPECT_EQ(UpperAnsi(all), expected);
  UpperAnsiInPlace(all);
  EXPECT_EQ(all, expected);
}

// Every byte survives the round trip: ASCII and NUL pass unchanged, Latin-1
// letters take two bytes, the 0x80 row its own characters. Characters
// outside the code page become the replacement.
TEST(Utf8, EveryByteSurvivesTheRoundTripAndOthersAreReplaced) {
  std::string all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
  size_t replaced = 99;
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all), '?', &replaced), all);
  EXPECT_EQ(replaced, 0u);
  EXPECT_EQ(AnsiToUtf8(std::string("Tes\0y", 5)), std::string("Tes\0y", 5));
  EXPECT_EQ(AnsiToUtf8("\xE9\xA0"), "\xC3\xA9\xC2\xA0");          // e acute, no-break space
  EXPECT_EQ(AnsiToUtf8("\x80\x85"), "\xE2\x82\xAC\xE2\x80\xA6");  // euro, ellipsis
  EXPECT_EQ(AnsiToUtf8("\x93\x9F\x8A"),
            "\xE2\x80\x9C\xC5\xB8\xC5\xA0");  // quote, Y diaeresis, S caron

  EXPECT_EQ(Utf8ToAnsi("a\xC4\x80z", '?', &replaced), "a?z");  // A macron
  EXPECT_EQ(replaced, 1u);
  EXPECT_EQ(Utf8ToAnsi("x\xF0\x9F\x98\x80y"), "x?y");                  // an emoji
  EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC\xE2\x84\xA2", '_'), "\x80\x99");  // euro, trade mark
  EXPECT_EQ(Utf8ToAnsi("\xE2\x84\x96", '_'), "_");                     // numero sign
}

// A lone continuation byte, a cut sequence, overlong slashes, a surrogate,
// code points beyond U+10FFFF, five-byte forms and bytes that never occur.
TEST(Utf8, MalformedInputBecomesTheReplacement) {
  for (const std::string bad : {"\x80", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF", "\xFE"}) {
    size_t replaced = 0;
    std::string out = Utf8ToAnsi("<" + bad + ">", '?', &replaced);
    EXPECT_GE(replaced, 1u);
    EXPECT_EQ(out, "<" + std::string(replaced, '?') + ">");
  }
  // The character after a malformed lead byte is kept.
  EXPECT_EQ(Utf8ToAnsi("\xC3("), "?(");
}

TEST(Text, TrimPadAndLeftPadNeverShorten) {
  EXPECT_EQ(Trim(" \t\x01 word  x \r\n\x1F"), "word  x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  // Bytes above 0x7F are characters, not control codes.
  EXPECT_EQ(Trim("\xA0\xE9t\xE9\x80"), "\xA0\xE9t\xE9\x80");
  EXPECT_EQ(Pad("ab", 5), "ab   ");
  EXPECT_EQ(Pad("abcdef", 5), "abcdef");
  EXPECT_EQ(LeftPad("42", 6), "    42");
  EXPECT_EQ(LeftPad("1234567", 6), "1234567");
}

}  // namespace
}  // namespace tessary::platform
