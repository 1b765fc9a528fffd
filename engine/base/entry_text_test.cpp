#include "base/entry_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/zip_records.h"

namespace {

constexpr uint16_t kUtf8 = zip::kFlagUtf8;

TEST(EntryText, NamesWithFlagBit11AreDecodedIntoTheOemCodePage) {
  struct Row {
    uint16_t flags;
    std::string stored;
    UINT codePage;
    std::string held;
  };
  const Row rows[] = {
      {kUtf8, "caf\xC3\xA9.txt", 437, "caf\x82.txt"},
      {kUtf8 | zip::kFlagEncrypted, "caf\xC3\xA9.txt", 437, "caf\x82.txt"},  // other bits aside
      {kUtf8,
       "\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9/stra\xC3\x9F"
       "e se\xC3\xB1or",
       437,
       "\x9An\x8B"
       "c\x94"
       "d\x82/stra\xE1"
       "e se\xA4or"},
      {kUtf8, "caf\xC3\xA9.txt", 850, "caf\x82.txt"},
      {kUtf8, "\xC3\x89T\xC3\x89", 850, "\x90T\x90"},
      {kUtf8, "plain/ascii.txt", 437, "plain/ascii.txt"},
      {kUtf8, "", 437, ""},
      // Characters the code page lacks: '_', also where a look-alike letter exists, and one for
      // a character beyond U+FFFF.
      {kUtf8,
       "\xE2\x82\xAC"
       "uro \xC4\x81 \xF0\x9F\x98\x80!",
       437, "_uro _ _!"},
      // A NUL inside is a character like another.
      {kUtf8, std::string("a\0\xC3\xA9", 4), 437, std::string("a\0\x82", 3)},
      // Not UTF-8, or no flag: the bytes as they are.
      {kUtf8, "caf\x82.txt", 437, "caf\x82.txt"},
      {kUtf8, "caf\xC3", 437, "caf\xC3"},
      {kUtf8,
       "\xC0\xAF"
       "x",
       437,
       "\xC0\xAF"
       "x"},
      {0, "caf\xC3\xA9.txt", 437, "caf\xC3\xA9.txt"},
      {zip::kFlagDataDescriptor, "caf\xC3\xA9.txt", 437, "caf\xC3\xA9.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stored);
    std::string text = row.stored;
    EntryTextToOem(row.flags, text, row.codePage);
    EXPECT_EQ(row.held, text);
  }
}

TEST(EntryText, LongTextsAreDecodedWhole) {
  // 32,767 two-byte characters (the most a comment holds), decoded to one byte each.
  std::string text;
  for (int i = 0; i < 32767; ++i) text += "\xC3\xA9";
  EntryTextToOem(kUtf8, text, 437);
  EXPECT_EQ(std::string(32767, '\x82'), text);
}

TEST(EntryText, AnsiTextToUtf8) {
  std::string utf8 = "left over";
  ASSERT_TRUE(Utf8FromAnsi("", &utf8));
  EXPECT_EQ("", utf8);
  ASSERT_TRUE(Utf8FromAnsi("plain text\r\n", &utf8));
  EXPECT_EQ("plain text\r\n", utf8);
  // Each ANSI character becomes its UTF-8 form, and decodes back to the same text.
  std::string ansi;
  for (int c = 0x20; c < 0x100; ++c) ansi += static_cast<char>(c);
  ASSERT_TRUE(Utf8FromAnsi(ansi, &utf8));
  std::wstring wide(ansi.size(), L'\0');
  wide.resize(
      static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                              wide.data(), static_cast<int>(wide.size()))));
  ASSERT_FALSE(wide.empty());
  std::wstring back(utf8.size(), L'\0');
  back.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                                      static_cast<int>(utf8.size()), back.data(),
                                                      static_cast<int>(back.size()))));
  EXPECT_TRUE(wide == back);
  EXPECT_GT(utf8.size(), ansi.size());
}

}  // namespace
