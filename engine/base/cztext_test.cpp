#include "base/cztext.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/entry_case.h"

namespace {

// One edit applied to a string, the text it must leave and the text of the copy it returns.
struct EditCase {
  const char* name;
  const char* input;
  std::function<CZText(CZText&)> edit;
  const char* expectedText;
  const char* expectedResult;  // null: the same as expectedText
};

void RunEditCases(const std::vector<EditCase>& cases) {
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    CZText text(c.input);
    text.SetFlag(0x5A);
    CZText result = c.edit(text);
    EXPECT_EQ(text.str(), std::string(c.expectedText));
    EXPECT_EQ(result.str(), std::string(c.expectedResult ? c.expectedResult : c.expectedText));
    EXPECT_EQ(result.GetFlag(), 0x5A) << "the returned copy carries the string's flag";
  }
}

}  // namespace

TEST(CZTextStorage, GetBufferMinSizesAndRelease) {
  CZText empty;
  char* buffer = empty.GetBufferMin(0);
  ASSERT_NE(buffer, nullptr);
  // 256 characters and the terminator are writable.
  for (int i = 0; i < 256; ++i) buffer[i] = 'x';
  buffer[256] = '\0';
  empty.ReleaseBuffer();
  EXPECT_EQ(empty.GetLength(), 256);

  CZText abc("abc");
  buffer = abc.GetBufferMin(0);
  EXPECT_STREQ(buffer, "abc") << "the present text stays in the buffer";
  abc.ReleaseBuffer();
  EXPECT_EQ(abc.str(), "abc");

  CZText grow("ab");
  buffer = grow.GetBufferMin(10);
  std::strcpy(buffer, "0123456789");
  grow.ReleaseBuffer();
  EXPECT_EQ(grow.str(), "0123456789");

  CZText shrink("long text");
  buffer = shrink.GetBufferMin(0);
  buffer[4] = '\0';
  shrink.ReleaseBuffer();
  EXPECT_EQ(shrink.str(), "long") << "the length becomes that of the NUL-terminated text";
}

TEST(CZTextStorage, FlagTravelsWithCopiesButNotWithPlainText) {
  CZText a("one");
  a.SetFlag(7);
  CZText copy(a);
  EXPECT_EQ(copy.GetFlag(), 7);
  CZText assigned;
  assigned = a;
  EXPECT_EQ(assigned.GetFlag(), 7);
  a = "two";
  EXPECT_EQ(a.GetFlag(), 7) << "assigning plain text keeps the flag";
  EXPECT_EQ(a.str(), "two");
  a = std::string("three");
  EXPECT_EQ(a.GetFlag(), 7);
  EXPECT_EQ(CZText().GetFlag(), 0);
}

TEST(CZTextStorage, FrameworkOperations) {
  CZText path("C:\\DIR\\NAME.EXT");
  EXPECT_EQ(path.Find('\\'), 2);
  EXPECT_EQ(path.Find('\\', 3), 6);
  EXPECT_EQ(path.Find("NAME"), 7);
  EXPECT_EQ(path.Find(""), -1);
  EXPECT_EQ(path.Find('Q'), -1);
  EXPECT_EQ(path.ReverseFind('\\'), 6);
  EXPECT_EQ(path.FindOneOf("./"), 11);
  EXPECT_EQ(path.Left(2).str(), "C:");
  EXPECT_EQ(path.Left(-1).str(), "");
  EXPECT_EQ(path.Right(3).str(), "EXT");
  EXPECT_EQ(path.Right(100).str(), path.str());
  EXPECT_EQ(path.Mid(7).str(), "NAME.EXT");
  EXPECT_EQ(path.Mid(7, 4).str(), "NAME");
  EXPECT_EQ(path.Mid(100).str(), "");
  EXPECT_EQ(path.GetAt(0), 'C');
  EXPECT_EQ(path.GetAt(100), '\0');
  EXPECT_EQ(path.GetAt(-1), '\0');
  EXPECT_TRUE(path == "C:\\DIR\\NAME.EXT");
  EXPECT_TRUE("C:\\DIR\\NAME.EXT" == path);
  EXPECT_TRUE(path != CZText("c:\\dir\\name.ext"));
  EXPECT_EQ(path.CompareNoCase("c:\\dir\\name.ext"), 0);
  EXPECT_LT(CZText("A").CompareNoCase("b"), 0);
  EXPECT_EQ((CZText("a") + "b" + 'c' + CZText("d")).str(), "abcd");

  CZText self("abc");
  self += self.c_str();  // appending its own text
  EXPECT_EQ(self.str(), "abcabc");
  self = self.c_str() + 3;  // assigning from its own buffer
  EXPECT_EQ(self.str(), "abc");

  CZText trim(" \t x y \r\n");
  trim.TrimLeft();
  EXPECT_EQ(trim.str(), "x y \r\n");
  trim.TrimRight();
  EXPECT_EQ(trim.str(), "x y");
  CZText lower("AbC\x8E");
  lower.MakeLower();
  EXPECT_EQ(lower.str(), "abc\x8E") << "lower-casing touches ASCII only";
}

TEST(CZTextStorage, OemAndAnsiConversionRoundTrip) {
  if (GetOEMCP() != 437 || GetACP() != 1252) GTEST_SKIP() << "needs OEM 437 and ANSI 1252";
  CZText text("caf\x82");  // cp437 e-acute
  text.OemToAnsi();
  EXPECT_EQ(text.str(), "caf\xE9");
  text.AnsiToOem();
  EXPECT_EQ(text.str(), "caf\x82");
}

TEST(CZTextEdit, RemoveBlanksCountAndFill) {
  RunEditCases({
      {"blanks tabs CR LF", "a b\tc", [](CZText& s) { return s.RemoveBlanks(); }, "abc", nullptr},
      {"mixed blanks", " a\r\n b ", [](CZText& s) { return s.RemoveBlanks(); }, "ab", nullptr},
      {"only blanks", " \t", [](CZText& s) { return s.RemoveBlanks(); }, "", nullptr},
      {"fill", "secret", [](CZText& s) { return s.Fill('*', 4); }, "****", nullptr},
      {"fill none", "secret", [](CZText& s) { return s.Fill('*', 0); }, "", nullptr},
      {"fill negative", "secret", [](CZText& s) { return s.Fill('*', -3); }, "", nullptr},
  });
}

TEST(CZTextEdit, CountSubstringRescansAndStopsOnEmptyPattern) {
  struct Case {
    const char* text;
    const char* pattern;
    int expected;
  } cases[] = {
      {"aabb", "ab", 2},  // the joining makes the second occurrence
      {"aaabbb", "ab", 3}, {"abab", "ab", 2}, {"aaaa", "aa", 2},
      {"", "ab", 0},       {"abc", "", 0},  // would never end if an empty pattern were searched
      {"abc", nullptr, 0}, {"abc", "x", 0},   {"a%1b%1", "%1", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + (c.pattern ? c.pattern : "(null)"));
    EXPECT_EQ(CZText(c.text).CountSubstring(c.pattern), c.expected);
  }
  EXPECT_EQ(CZText("a.b.c").CountChar('.'), 2);
  EXPECT_EQ(CZText("").CountChar('.'), 0);
}

TEST(CZTextEdit, ReplaceIsOneLeftToRightPass) {
  RunEditCases({
      {"new text holds the old", "100%1.TXT", [](CZText& s) { return s.Replace("%1", "%1%1"); },
       "100%1%1.TXT", nullptr},
      {"doubling", "aaa", [](CZText& s) { return s.Replace("a", "aa"); }, "aaaaaa", nullptr},
      {"every occurrence", "a.b.c", [](CZText& s) { return s.Replace(".", "\\"); }, "a\\b\\c",
       nullptr},
      {"removal", "x--y--", [](CZText& s) { return s.Replace("--", ""); }, "xy", nullptr},
      {"no rescanning of joins", "aabb", [](CZText& s) { return s.Replace("ab", ""); }, "ab",
       nullptr},
      {"no match", "abc", [](CZText& s) { return s.Replace("x", "y"); }, "abc", nullptr},
      {"empty old text", "abc", [](CZText& s) { return s.Replace("", "y"); }, "abc", nullptr},
      {"null new text", "abc", [](CZText& s) { return s.Replace("b", nullptr); }, "ac", nullptr},
  });
}

TEST(CZTextEdit, FormatIntegerHoldsEveryValueInEveryRadix) {
  struct Case {
    long value;
    int radix;
    const char* separator;
    const char* expected;
  } cases[] = {
      {1234567, 10, ",", "1,234,567"},
      {0, 10, ",", "0"},
      {999, 10, ",", "999"},
      {1000, 10, ",", "1,000"},
      {-1234, 10, ",", "-1,234"},
      {LONG_MIN, 10, "", "-2147483648"},
      {LONG_MAX, 10, ",", "2,147,483,647"},
      {255, 16, "", "ff"},
      {35, 36, "", "z"},
      {-1, 2, ",", "11111111111111111111111111111111"},  // 32 digits: more than 15, no groups
      {-1, 16, "", "ffffffff"},
      {LONG_MIN, 2, "", "10000000000000000000000000000000"},
      {10, 1, "", "10"},  // an impossible radix is taken as 10
  };
  static_assert(sizeof(long) == 4, "Windows longs are 32 bits in both builds");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    CZText text;
    CZText result = text.FormatInteger(c.value, c.radix, c.separator);
    EXPECT_EQ(text.str(), c.expected);
    EXPECT_EQ(result.str(), c.expected);
  }
}

TEST(CZTextEdit, GroupDigits) {
  struct Case {
    const char* input;
    const char* expected;
  } cases[] = {
      {"1234", "1,234"},
      {"-1234567", "-1,234,567"},
      {"999", "999"},
      {"-999", "-999"},
      {"1234.5", "1,234.5"},
      {"123456789012", "123,456,789,012"},
      {"-123456789012", "-123,456,789,012"},
      {"123456789012345", "123,456,789,012,345"},
      {"1234567890123456", "1234567890123456"},  // 16 digits: nothing inserted
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    CZText text(c.input);
    EXPECT_EQ(text.GroupDigits(",", ".").str(), c.expected);
  }
  CZText european("1234567.25");
  EXPECT_EQ(european.GroupDigits(".", ",").str(), "1.234.567,25");
}

TEST(CZTextEdit, DeleteAndInsert) {
  RunEditCases({
      {"delete 0 0 empties", "abcd", [](CZText& s) { return s.DeleteAt(0, 0); }, "", nullptr},
      {"delete count 0", "abcd", [](CZText& s) { return s.DeleteAt(2, 0); }, "abcd", nullptr},
      {"delete middle", "abcd", [](CZText& s) { return s.DeleteAt(1, 2); }, "ad", nullptr},
      {"delete past length", "abcd", [](CZText& s) { return s.DeleteAt(5, 1); }, "abcd", nullptr},
      {"delete at the end", "abcd", [](CZText& s) { return s.DeleteAt(4, 1); }, "abcd", nullptr},
      {"delete beyond the end", "abcd", [](CZText& s) { return s.DeleteAt(2, 99); }, "ab", nullptr},
      {"insert drive colon", "C\\X", [](CZText& s) { return s.InsertCharAt(':', 1); }, "C:\\X",
       nullptr},
      {"insert past end appends", "ab", [](CZText& s) { return s.InsertAt("xy", 10); }, "abxy",
       nullptr},
      {"insert negative prepends", "ab", [](CZText& s) { return s.InsertAt("xy", -4); }, "xyab",
       nullptr},
      {"insert at 0", "ab", [](CZText& s) { return s.InsertAt("x", 0); }, "xab", nullptr},
      {"insert at length", "ab", [](CZText& s) { return s.InsertCharAt('.', 2); }, "ab.", nullptr},
      {"insert own text", "ab", [](CZText& s) { return s.InsertAt(s.c_str(), 1); }, "aabb",
       nullptr},
  });
}

TEST(CZTextEdit, FieldsOfASeparatedText) {
  RunEditCases({
      {"field 1", "a;b;;c", [](CZText& s) { return s.GetField(1, ";"); }, "a", nullptr},
      {"field 2", "a;b;;c", [](CZText& s) { return s.GetField(2, ";"); }, "b", nullptr},
      {"empty field 3", "a;b;;c", [](CZText& s) { return s.GetField(3, ";"); }, "", nullptr},
      {"field 4", "a;b;;c", [](CZText& s) { return s.GetField(4, ";"); }, "c", nullptr},
      {"no field 5", "a;b;;c", [](CZText& s) { return s.GetField(5, ";"); }, "", nullptr},
      {"n 0 unchanged", "a;b", [](CZText& s) { return s.GetField(0, ";"); }, "a;b", nullptr},
      {"missing field 2", "a", [](CZText& s) { return s.GetField(2, ";"); }, "", nullptr},
      {"trailing separator", "a;b;", [](CZText& s) { return s.GetField(3, ";"); }, "", nullptr},
      {"first char of separator", "a;b,c", [](CZText& s) { return s.GetField(2, ";,"); }, "b,c",
       nullptr},
      {"by char sets field", "one;two", [](CZText& s) { return s.GetFieldByChar(2, ';'); }, "two",
       "t"},
      {"by char empty field", "one;;x", [](CZText& s) { return s.GetFieldByChar(2, ';'); }, "", ""},
      {"leading 2", "A.B.ZIP", [](CZText& s) { return s.GetLeadingFields(2, "."); }, "A.B",
       nullptr},
      {"leading 1", "A.B.ZIP", [](CZText& s) { return s.GetLeadingFieldsByChar(1, '.'); }, "A",
       nullptr},
      {"leading without separator", "ABZIP",
       [](CZText& s) { return s.GetLeadingFieldsByChar(1, '.'); }, "", nullptr},
      {"leading with empty field n", "A..ZIP",
       [](CZText& s) { return s.GetLeadingFieldsByChar(2, '.'); }, "", nullptr},
      {"leading path prefix", "C:\\A\\B\\F.TXT",
       [](CZText& s) { return s.GetLeadingFieldsByChar(3, '\\'); }, "C:\\A\\B", nullptr},
      {"from 1 stops at empty", "A;B;;D", [](CZText& s) { return s.GetFieldsFrom(1, ";"); }, "A;B",
       nullptr},
      {"from 2", "A;B;;D", [](CZText& s) { return s.GetFieldsFromChar(2, ';'); }, "B", nullptr},
      {"from 2 to end", "A;B;C", [](CZText& s) { return s.GetFieldsFromChar(2, ';'); }, "B;C",
       nullptr},
      {"from without separator", "ABC", [](CZText& s) { return s.GetFieldsFromChar(1, ';'); }, "",
       nullptr},
      {"from NUL separator", "A;B", [](CZText& s) { return s.GetFieldsFromChar(1, '\0'); }, "",
       nullptr},
  });
}

TEST(CZTextEdit, Truncate) {
  RunEditCases({
      {"ellipsis", "abcdefghij", [](CZText& s) { return s.Truncate(8, TRUE); }, "abcde...",
       nullptr},
      {"ellipsis too short", "abcdefghij", [](CZText& s) { return s.Truncate(2, TRUE); },
       "abcdefghij", nullptr},
      {"plain cut", "abcdefghij", [](CZText& s) { return s.Truncate(4, FALSE); }, "abcd", nullptr},
      {"fits already", "abc", [](CZText& s) { return s.Truncate(3, FALSE); }, "abc", nullptr},
      {"ellipsis exactly 3", "abcdef", [](CZText& s) { return s.Truncate(3, TRUE); }, "...",
       nullptr},
  });
}

TEST(CZTextEdit, LettersAndDigitsAt) {
  CZText text("a1-");
  EXPECT_TRUE(text.IsLetterAt(0));
  EXPECT_FALSE(text.IsLetterAt(1));
  EXPECT_TRUE(text.IsDigitAt(1));
  EXPECT_FALSE(text.IsDigitAt(0));
  EXPECT_FALSE(text.IsLetterAt(2));
  EXPECT_FALSE(text.IsDigitAt(2));
  EXPECT_FALSE(text.IsLetterAt(3));
  EXPECT_FALSE(text.IsLetterAt(-1));
  EXPECT_FALSE(text.IsDigitAt(99));
}

// Bytes of code page 437 and what upper-casing must make of them.
TEST(EntryCase, UpperCasesOemLettersWithoutCorruptingThem) {
  CPINFO info;
  if (!GetCPInfo(437, &info)) GTEST_SKIP() << "code page 437 is not installed";
  struct Case {
    const char* name;
    const char* input;
    const char* expected;
  } cases[] = {
      {"ASCII", "readme.txt", "README.TXT"},
      {"sharp s has no capital (ANSI rules would make it 0xC1)",
       "stra\xE1"
       "e",
       "STRA\xE1"
       "E"},
      {"pi has no capital in the code page (a trip through ANSI gives P)", "\xE3r", "\xE3R"},
      {"a umlaut", "\x84", "\x8E"},
      {"e acute", "caf\x82", "CAF\x90"},
      {"u umlaut", "\x81", "\x9A"},
      {"n tilde", "\xA4", "\xA5"},
      {"c cedilla", "\x87", "\x80"},
      {"ae", "\x91", "\x92"},
      {"a ring", "\x86", "\x8F"},
      {"o umlaut", "\x94", "\x99"},
      {"y umlaut: its capital is not in the code page", "\x98", "\x98"},
      {"box drawing stays", "\xC9\xCD\xBB", "\xC9\xCD\xBB"},
      {"capitals stay", "\x8E\x90\x9A", "\x8E\x90\x9A"},
      {"wildcards and separators stay", "*.?\\/", "*.?\\/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text(c.input);
    UpperCaseOem(text, 437);
    EXPECT_EQ(text, std::string(c.expected));
  }
  char buffer[] = "ab\0cd";
  UpperCaseOem(buffer, 5, 437);
  EXPECT_EQ(std::string(buffer, 5), std::string("AB\0CD", 5)) << "a NUL inside is passed over";
}

TEST(EntryCase, LeavesDoubleByteCharactersWhole) {
  CPINFO info;
  if (!GetCPInfo(932, &info) || info.MaxCharSize < 2) GTEST_SKIP() << "code page 932 missing";
  // 0x82 0x61 is the full-width capital B; its second byte is ASCII 'a'.
  std::string text(
      "\x82"
      "a"
      "b");
  UpperCaseOem(text, 932);
  EXPECT_EQ(text, std::string("\x82"
                              "a"
                              "B"));
}

TEST(EntryCase, MakeUpperUsesTheOemRules) {
  if (GetOEMCP() != 437) GTEST_SKIP() << "needs OEM code page 437, this system has " << GetOEMCP();
  CZText name(
      "stra\xE1"
      "e\\caf\x82.txt");
  name.MakeUpper();
  EXPECT_EQ(name.str(),
            "STRA\xE1"
            "E\\CAF\x90.TXT");
}
