#include "platform/codepage.h"

#include <array>

namespace tessary::platform {
namespace {

// Code points of the bytes 0x80..0x9F; the rest of the code page equals
// Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

unsigned char UpperAnsi(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A:
      return 0x8A;  // s caron
    case 0x9C:
      return 0x8C;  // oe
    case 0x9E:
      return 0x8E;  // z caron
    case 0xFF:
      return 0x9F;  // y diaeresis
    default:
      return c;
  }
}

unsigned char LowerAnsi(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return c;
  }
}

void UpperAnsiInPlace(std::string& text) {
  for (char& ch : text) ch = static_cast<char>(UpperAnsi(static_cast<unsigned char>(ch)));
}

std::string UpperAnsi(std::string_view text) {
  std::string out(text);
  UpperAnsiInPlace(out);
  return out;
}

char32_t AnsiToCodePoint(unsigned char c) {
  if (c >= 0x80 && c <= 0x9F) return kHighControls[c - 0x80];
  return c;
}

int CodePointToAnsi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
  }
  return -1;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 4);
  for (char ch : ansi) {
    char32_t cp = AnsiToCodePoint(static_cast<unsigned char>(ch));
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8, char replacement, size_t* replaced) {
  std::string out;
  out.reserve(utf8.size());
  size_t bad = 0;
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    size_t len;
    if (lead < 0x80) {
      cp = lead;
      len = 1;
    } else if ((lead & 0xE0) == 0xC0) {
      cp = lead & 0x1F;
      len = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      cp = lead & 0x0F;
      len = 3;
    } else if ((lead & 0xF8) == 0xF0) {
      cp = lead & 0x07;
      len = 4;
    } else {
      out.push_back(replacement);
      ++bad;
      ++i;
      continue;
    }
    bool ok = i + len <= utf8.size();
    for (size_t k = 1; ok && k < len; ++k) {
      unsigned char cont = static_cast<unsigned char>(utf8[i + k]);
      if ((cont & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (cont & 0x3F);
    }
    // Overlong forms and surrogates are malformed.
    static constexpr char32_t kMinForLength[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (ok && (cp < kMinForLength[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) {
      ok = false;
    }
    if (!ok) {
      out.push_back(replacement);
      ++bad;
      ++i;
      continue;
    }
    int byte = CodePointToAnsi(cp);
    if (byte < 0) {
      out.push_back(replacement);
      ++bad;
    } else {
      out.push_back(static_cast<char>(byte));
    }
    i += len;
  }
  if (replaced) *replaced = bad;
  return out;
}

}  // namespace tessary::platform
