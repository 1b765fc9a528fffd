#include "core/utf8_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Valid(const std::string& bytes) {
  return IsWellFormedUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The shortest encoding of a code point.
std::string Encode(uint32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

// An encoding of c in exactly n bytes (longer than needed: an overlong form).
std::string EncodeIn(uint32_t c, int n) {
  std::string s(static_cast<size_t>(n), '\0');
  for (int k = n - 1; k > 0; --k) {
    s[static_cast<size_t>(k)] = static_cast<char>(0x80 | (c & 0x3F));
    c >>= 6;
  }
  const uint8_t marks[] = {0, 0, 0xC0, 0xE0, 0xF0};
  s[0] = static_cast<char>(marks[n] | c);
  return s;
}

TEST(Utf8Text, EveryScalarValueInItsShortestFormIsWellFormed) {
  for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    ASSERT_TRUE(Valid(Encode(c))) << std::hex << c;
  }
  EXPECT_TRUE(Valid(""));
  EXPECT_TRUE(Valid("plain ASCII/NAME.TXT"));
  // What python and 7z store for the names of the tests, one after another.
  EXPECT_TRUE(
      Valid("caf\xC3\xA9.txt"
            "\xC3\x9Cn\xC3\xAF"
            "c\xC3\xB6"
            "d\xC3\xA9/na\xC3\xAFve.txt"
            "stra\xC3\x9F"
            "e.txt"
            "se\xC3\xB1or \xC3\xB1.txt"
            "\xE2\x82\xAC"
            "\xF0\x9F\x98\x80"));
}

TEST(Utf8Text, OverlongSurrogateAndOutOfRangeFormsAreNot) {
  // Every overlong form of the boundaries and of a few characters.
  for (uint32_t c : {0u, 0x2Fu, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu}) {
    for (int n = 2; n <= 4; ++n) {
      if (Encode(c).size() >= static_cast<size_t>(n)) continue;
      EXPECT_FALSE(Valid(EncodeIn(c, n))) << std::hex << c << " in " << n;
    }
  }
  for (uint32_t c = 0xD800; c <= 0xDFFF; ++c) ASSERT_FALSE(Valid(EncodeIn(c, 3))) << std::hex << c;
  EXPECT_FALSE(Valid("\xF4\x90\x80\x80"));  // U+110000
  EXPECT_FALSE(Valid("\xF7\xBF\xBF\xBF"));
  EXPECT_TRUE(Valid("\xF4\x8F\xBF\xBF"));  // U+10FFFF
  EXPECT_TRUE(Valid("\xED\x9F\xBF"));      // U+D7FF
  EXPECT_TRUE(Valid("\xEE\x80\x80"));      // U+E000
}

TEST(Utf8Text, StrayCutAndWrongBytesAreNot) {
  struct Case {
    const char* bytes;
    bool valid;
  };
  const Case cases[] = {
      {"caf\xE9.txt", false},  // Latin-1 é
      {"CAF\x90.TXT", false},  // CP437 É
      {"\x80", false},         // a continuation byte alone
      {"a\xBF"
       "b",
       false},
      {"\xC3", false},  // cut at the end
      {"\xE2\x82", false},
      {"\xF0\x9F\x98", false},
      {"\xC3(", false},  // no continuation byte
      {"\xE2(\xAC", false},
      {"\xE2\x82(", false},
      {"\xF0\x9F(\x80", false},
      {"\xF0\x9F\x98(", false},
      {"\xC0\x80", false},  // C0 and C1 only ever start overlong forms
      {"\xC1\xBF", false},
      {"\xF5\x80\x80\x80", false},  // F5 to FF start nothing
      {"\xFE", false},
      {"\xFF", false},
      {"\xC3\xA9\xC3\xA9", true},
      {"\xC2\x80", true},      // U+0080
      {"\xDF\xBF", true},      // U+07FF
      {"\xE0\xA0\x80", true},  // U+0800
  };
  for (const Case& c : cases) EXPECT_EQ(c.valid, Valid(c.bytes)) << c.bytes;
  // Every pair of bytes: well-formed exactly when both are ASCII or they are one two-byte form.
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string pair{static_cast<char>(a), static_cast<char>(b)};
      const bool expected =
          (a < 0x80 && b < 0x80) || (a >= 0xC2 && a <= 0xDF && (b & 0xC0) == 0x80);
      ASSERT_EQ(expected, Valid(pair)) << std::hex << a << " " << b;
    }
  }
  // The length given is what counts: a NUL inside is a character, a cut inside a form is not.
  const std::string withNul("a\0\xC3\xA9", 4);
  EXPECT_TRUE(Valid(withNul));
  EXPECT_FALSE(IsWellFormedUtf8(reinterpret_cast<const uint8_t*>(withNul.data()), 3));
}

TEST(Utf8Text, HasNonAscii) {
  const std::vector<std::pair<std::string, bool>> cases = {{"", false},
                                                           {"ABC/DEF.TXT", false},
                                                           {std::string("\x7F", 1), false},
                                                           {"caf\xC3\xA9", true},
                                                           {"\x80", true}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(expected, HasNonAscii(reinterpret_cast<const uint8_t*>(text.data()), text.size()))
        << text;
  }
}

}  // namespace
