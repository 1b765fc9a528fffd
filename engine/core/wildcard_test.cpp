#include "core/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
  const char* name;
  const char* pattern;
  bool matches;
};

TEST(WildcardMatch, Rules) {
  const Case cases[] = {
      {"ANYTHING", "*.*", true},
      {"", "*.*", true},
      {"A.TXT", "A.TXT", true},
      {"A.TXT", "A.TX", false},
      {"A.TX", "A.TXT", false},
      {"README.TXT", "*.TXT", true},
      {"README.DOC", "*.TXT", false},
      {"A.B.TXT", "*.TXT", true},  // '*' takes the base name up to the extension dot
      {"A.B.TXT", "*.B", false},
      {"A.B.TXT", "A.*", false},  // '*' stops at the next dot
      {"A.B", "A.*", true},
      {"README", "*", true},
      {"README.TXT", "*", false},  // '*' stops at the dot
      {"README", "*.", true},      // no extension matches a pattern ending in a dot
      {"README", "README.*", true},
      {"README", "README.", true},
      {"README.TXT", "README.", false},
      {"README", "README.T", false},
      {"READ", "READ?", false},
      {"READ1", "READ?", true},
      {"R.TXT", "?.TXT", true},
      {"RR.TXT", "?.TXT", false},
      {"ABC.TXT", "A*.TXT", true},
      {"ABC.TXT", "A*X.TXT", true},  // characters after '*' up to the dot are passed over
      {"ABC.TXT", "B*.TXT", false},
      {"ABC", "ABC*", true},
      {"A.TXT", "A.T*", true},
      {"A.TXT", "A.??T", true},
      {"A.TXT", "A.??X", false},
      {"A.TXT", "A.???", true},
      {"", "", true},
      {"", "A", false},
      {"A", "", false},
      {"DOCS\\", "DOCS\\", true},
      {"DOCS\\", "D*\\", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WildcardMatch(c.name, c.pattern), c.matches) << c.name << " / " << c.pattern;
  }
}

TEST(WildcardMatch, LongNamesAndPatternsAreComparedWhole) {
  const std::string base(300, 'A');
  // Names that agree in their first 255 characters must still be told apart.
  EXPECT_TRUE(WildcardMatch(base + ".TXT", base + ".TXT"));
  EXPECT_FALSE(WildcardMatch(base + "B.TXT", base + "C.TXT"));
  EXPECT_FALSE(WildcardMatch(base + ".TXT", base + ".TXTX"));
  EXPECT_FALSE(WildcardMatch(base + ".TXT", base));
  EXPECT_TRUE(WildcardMatch(base + ".TXT", "*.TXT"));
  EXPECT_FALSE(WildcardMatch(base + ".TXT", "*.TX"));
  EXPECT_TRUE(WildcardMatch(base + ".TXT", std::string(299, '?') + "?.TXT"));
  EXPECT_FALSE(WildcardMatch(base + ".TXT", std::string(298, '?') + "?.TXT"));
  const std::string longExtension(2000, 'E');
  EXPECT_TRUE(WildcardMatch("A." + longExtension, "*." + longExtension));
  EXPECT_FALSE(WildcardMatch("A." + longExtension + "F", "*." + longExtension));
}

TEST(MatchEntryFilter, FoldersAndFileParts) {
  const Case cases[] = {
      {"DOCS\\README.TXT", "*.TXT", true},  // a pattern without a folder: every folder
      {"DOCS\\README.TXT", "SRC\\*.TXT", false},
      {"DOCS\\README.TXT", "DOCS\\*.TXT", true},
      {"DOCS/README.TXT", "DOCS\\*.TXT", true},  // '/' and '\' are the same separator
      {"DOCS\\README.TXT", "DOCS/README.TXT", true},
      {"README.TXT", "SRC\\*.TXT", false},
      {"DOCS\\README.TXT", "D*\\README.TXT", true},
      {"DOCS\\README.TXT", "*.*", true},
      {"", "*.*", true},
      {"", "", true},
      {"", "*.TXT", false},
      {"A.TXT", "", false},
      {"A\\B\\C.TXT", "A\\B\\C.TXT", true},
      {"A\\B\\C.TXT", "A\\C.TXT", false},
      {"A\\B\\C.TXT", "C.TXT", true},
      {"A\\B\\", "A\\B\\", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchEntryFilter(c.name, c.pattern), c.matches) << c.name << " / " << c.pattern;
  }
}

TEST(MatchEntryFilter, LongFoldersAreComparedWhole) {
  // Two folders that differ only after their first 1,023 characters.
  const std::string common(1100, 'F');
  const std::string nameA = common + "A\\FILE.TXT";
  EXPECT_TRUE(MatchEntryFilter(nameA, common + "A\\*.TXT"));
  EXPECT_FALSE(MatchEntryFilter(nameA, common + "B\\*.TXT"));
  EXPECT_FALSE(MatchEntryFilter(nameA, common + "A\\FILE.TX"));
  const std::string longFile(600, 'N');
  EXPECT_TRUE(MatchEntryFilter("DIR\\" + longFile + ".DAT", "*.DAT"));
  EXPECT_FALSE(MatchEntryFilter("DIR\\" + longFile + "X.DAT", "DIR\\" + longFile + "Y.DAT"));
}

}  // namespace
