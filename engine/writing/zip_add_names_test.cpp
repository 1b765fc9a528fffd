// The pieces of the scan that are plain functions: the stored-name rule, the file-name match,
// dropping duplicate names, and the folder helpers of the split and backup operations.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "writing/czzip.h"
#include "win_test_util.h"
#include "writing/zip_writer.h"

namespace {

TEST(ZipAddNames, StoredNameRule) {
  struct Case {
    const char* path;
    bool storePaths;
    const char* stored;
  };
  const Case cases[] = {
      {"C:/DATA/A.TXT", true, "data/a.txt"},
      {"C:/DATA/A.TXT", false, "a.txt"},
      {"C:\\Data\\Sub\\B.Txt", true, "data/sub/b.txt"},
      {"\\\\lead/x.txt", true, "lead/x.txt"},
      {"/x/y/", true, "x/y/"},
      {"/x/y/", false, ""},  // no folder entries without paths
      {"./sub/../f.txt", true, "sub/f.txt"},
      {"../../f.txt", true, "f.txt"},
      {"a/./b//c.txt", true, "a/b/c.txt"},
      {"C:/", true, ""},
      {"C:", true, ""},
      {"..", true, ""},
      {"\x8E\x99.TXT", true, "\x8E\x99.txt"},  // only ASCII letters change case here
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zipadd::MakeStoredName(c.path, c.storePaths), c.stored) << c.path;
  }
}

TEST(ZipAddNames, FileNameMatch) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"a.txt", "*.TXT", true},   {"dir/a.txt", "*.txt", true},
      {"A.TXT", "a.txt", true},   {"a.txt", "*.dat", false},
      {"noext", "*.*", true},     {"dir/sub/", "*.*", true},
      {"dir/sub/", "s*", true},   {"dir\\file.c", "other/f*.c", true},
      {"file.c", "?ile.c", true}, {"file.c", "??le.cc", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zipadd::MatchFileName(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
  }
}

TEST(ZipAddNames, DuplicateNamesKeepTheFirstFound) {
  FinishWriter(0);
  WriterState& writer = WriteOperation();
  writer.found = {{"x/a.txt", "a.txt"}, {"b.txt", "b.txt"},   {"y/a.txt", "a.txt"},
                  {"z/a.txt", "a.txt"}, {"y/b.txt", "b.txt"}, {"c.txt", "c.txt"}};
  ASSERT_TRUE(zipadd::RemoveDuplicateNames());
  std::vector<std::string> kept;
  for (const FoundName& found : writer.found) kept.push_back(found.externalName);
  EXPECT_EQ(kept, (std::vector<std::string>{"x/a.txt", "b.txt", "c.txt"}));
  FinishWriter(0);
}

class FolderHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"sub", "sub\\deep", ".hidden"}) {
      ASSERT_TRUE(CreateDirectoryA((folder_ / folder).c_str(), nullptr));
    }
    for (const char* file : {"a.txt", "b.txt", "c.dat", ".dot.txt", "sub\\d.txt",
                             "sub\\deep\\e.txt", "sub\\deep\\f.dat", ".hidden\\g.txt"}) {
      ASSERT_TRUE(testutil::WriteWholeFile(folder_ / file, std::string("x")));
    }
  }
  testutil::TempFolder folder_;
};

TEST_F(FolderHelpersTest, CountFiles) {
  const std::string root = folder_.path();
  struct Case {
    const char* mask;
    BOOL recurse;
    BOOL countAll;
    long count;
  };
  const Case cases[] = {
      {"*.txt", FALSE, FALSE, 2},                             // a, b (not .dot.txt)
      {"*.TXT", FALSE, FALSE, 2}, {"*.txt", TRUE, FALSE, 4},  // + sub\d, sub\deep\e (not .hidden)
      {"*.*", FALSE, TRUE, 6},  // every item: a, b, c, .dot, sub, .hidden
      {"*.*", TRUE, TRUE, 9},   // a, b, c, .dot, sub, its d, deep, e, f (not .hidden)
      {"*.dat", TRUE, FALSE, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CZZip::CountFiles(root.c_str(), c.mask, c.recurse, c.countAll), c.count)
        << c.mask << " recurse " << c.recurse << " all " << c.countAll;
  }
  EXPECT_EQ(CZZip::CountFiles((folder_ / "missing").c_str(), "*.*", TRUE, TRUE), 0);
  EXPECT_EQ(CZZip::CountFiles((folder_ / "a.txt").c_str(), "*.*", TRUE, TRUE), 0);
}

TEST_F(FolderHelpersTest, ResolvePartFileFindsTheFileDifferingInItsLastCharacter) {
  ASSERT_TRUE(testutil::WriteWholeFile(folder_ / "set.z03", std::string("part")));
  CZText path;
  EXPECT_TRUE(CZZip::ResolvePartFile((folder_ / "a.txt").c_str(), path));
  EXPECT_EQ(path.str(), folder_ / "a.txt");
  EXPECT_TRUE(CZZip::ResolvePartFile((folder_ / "set.z01").c_str(), path));
  EXPECT_EQ(_stricmp(path.c_str(), (folder_ / "set.z03").c_str()), 0) << path.c_str();
  EXPECT_FALSE(CZZip::ResolvePartFile((folder_ / "other.z01").c_str(), path));
  EXPECT_TRUE(path.IsEmpty());
  // A folder is no part file.
  EXPECT_FALSE(CZZip::ResolvePartFile((folder_ / "sub").c_str(), path));
}

}  // namespace
