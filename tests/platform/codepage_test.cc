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

TEST(UpperAnsi, EveryByteAgainstTheLetterPairs) {
  ASSERT_EQ(kLower.size(), kUpper.size());
  std::string all;
  std::string expected;
  for (int c = 0; c < 256; ++c) {
    size_t pair = kLower.find(static_cast<char>(c));
    unsigned char want = pair == std::string::npos ? static_cast<unsigned char>(c)
                                                   : static_cast<unsigned char>(kUpper[pair]);
    EXPECT_EQ(UpperAnsi(static_cast<unsigned char>(c)), want) << "byte " << c;
    all.push_back(static_cast<char>(c));
    expected.push_back(static_cast<char>(want));
  }
  EXPECT_EQ(UpperAnsi(all), expected);
  std::string in_place = all;
  UpperAnsiInPlace(in_place);
  EXPECT_EQ(in_place, expected);
  // Sharp s, micro sign, division sign and multiplication sign stay.
  EXPECT_EQ(UpperAnsi("\xDF\xB5\xF7\xD7"), "\xDF\xB5\xF7\xD7");
}

TEST(UpperAnsi, LowerIsTheInverseOnThePairs) {
  for (int c = 0; c < 256; ++c) {
    size_t pair = kUpper.find(static_cast<char>(c));
    unsigned char want = pair == std::string::npos ? static_cast<unsigned char>(c)
                                                   : static_cast<unsigned char>(kLower[pair]);
    EXPECT_EQ(LowerAnsi(static_cast<unsigned char>(c)), want) << "byte " << c;
  }
}

TEST(Utf8, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
  std::string utf8 = AnsiToUtf8(all);
  size_t replaced = 99;
  EXPECT_EQ(Utf8ToAnsi(utf8, '?', &replaced), all);
  EXPECT_EQ(replaced, 0u);
  // ASCII passes unchanged, Latin-1 letters take two bytes, the 0x80 row its
  // own characters.
  EXPECT_EQ(AnsiToUtf8("Tessary 1.0"), "Tessary 1.0");
  EXPECT_EQ(AnsiToUtf8("\xE9"), "\xC3\xA9");                      // é
  EXPECT_EQ(AnsiToUtf8("\xFF"), "\xC3\xBF");                      // ÿ
  EXPECT_EQ(AnsiToUtf8("\xA0"), "\xC2\xA0");                      // no-break space
  EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");                  // euro sign
  EXPECT_EQ(AnsiToUtf8("\x85"), "\xE2\x80\xA6");                  // ellipsis
  EXPECT_EQ(AnsiToUtf8("\x93\x94"), "\xE2\x80\x9C\xE2\x80\x9D");  // curly quotes
  EXPECT_EQ(AnsiToUtf8("\x9F"), "\xC5\xB8");                      // Y diaeresis
  EXPECT_EQ(AnsiToUtf8("\x8A"), "\xC5\xA0");                      // S caron
  EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(Utf8ToAnsi("M\xC3\xBCller \xE2\x82\xAC"), "M\xFCller \x80");
}

TEST(Utf8, CharactersOutsideTheCodePageBecomeTheReplacement) {
  size_t replaced = 0;
  EXPECT_EQ(Utf8ToAnsi("a\xC4\x80z", '?', &replaced), "a?z");  // A macron
  EXPECT_EQ(replaced, 1u);
  EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD"), "?");                          // a CJK character
  EXPECT_EQ(Utf8ToAnsi("x\xF0\x9F\x98\x80y"), "x?y");                  // an emoji
  EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC\xE2\x84\xA2", '_'), "\x80\x99");  // euro, trade mark
  EXPECT_EQ(Utf8ToAnsi("\xE2\x84\x96", '_'), "_");                     // numero sign
}

TEST(Utf8, MalformedInputBecomesTheReplacement) {
  const std::string cases[] = {
      "\x80",              // a lone continuation byte
      "\xC3",              // a sequence cut at the end
      "\xC0\xAF",          // an overlong slash
      "\xE0\x80\xAF",      // another overlong slash
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xF8\x88\x80\x80\x80",
      "\xFF",
      "\xFE",
  };
  for (const std::string& bad : cases) {
    size_t replaced = 0;
    std::string out = Utf8ToAnsi("<" + bad + ">", '?', &replaced);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out.front(), '<');
    EXPECT_EQ(out.back(), '>');
    std::string middle = out.substr(1, out.size() - 2);
    EXPECT_EQ(middle.find_first_not_of('?'), std::string::npos) << middle;
    EXPECT_GE(replaced, 1u);
    EXPECT_EQ(replaced, middle.size());
  }
  // The character after a malformed lead byte is kept.
  EXPECT_EQ(Utf8ToAnsi("\xC3("), "?(");
}

TEST(Text, TrimPadAndLeftPadNeverShorten) {
  EXPECT_EQ(Trim(" \t\x01 word  x \r\n\x1F"), "word  x");
  EXPECT_EQ(Trim("\x20\x21\x20"), "!");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  // Bytes above 0x7F are characters, not control codes.
  EXPECT_EQ(Trim("\xA0\xE9t\xE9\x80"), "\xA0\xE9t\xE9\x80");
  EXPECT_EQ(Pad("ab", 5), "ab   ");
  EXPECT_EQ(Pad("abcdef", 5), "abcdef");
  EXPECT_EQ(Pad("", 3), "   ");
  EXPECT_EQ(LeftPad("42", 6), "    42");
  EXPECT_EQ(LeftPad("1234567", 6), "1234567");
  EXPECT_EQ(LeftPad("", 2), "  ");
}

}  // namespace
}  // namespace tessary::platform
