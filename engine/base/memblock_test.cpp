#include "base/memblock.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>

#include "base/cztext.h"
#include "base/entry_case.h"
#include "files/filefind.h"
#include "win_test_util.h"

namespace {

std::string Upper(std::string text) {
  // Test paths are ASCII; the engine's own upper-casing is tested elsewhere.
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// Makes folder the current folder for the object's lifetime.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) {
    GetCurrentDirectoryA(sizeof saved_, saved_);
    ok_ = SetCurrentDirectoryA(folder.c_str()) != FALSE;
  }
  ~CurrentFolder() { SetCurrentDirectoryA(saved_); }
  bool ok() const { return ok_; }

 private:
  char saved_[MAX_PATH + 1] = {};
  bool ok_ = false;
};

}  // namespace

TEST(CZMemBlock, AllocGivesAZeroFilledLockedBlock) {
  for (DWORD size : {1u, 10u, 4096u, 24576u}) {
    SCOPED_TRACE(size);
    CZMemBlock block;
    void* data = block.Alloc(size, kZeroFilledMovable);
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(block.IsUsable());
    EXPECT_EQ(block.Data(), data);
    EXPECT_NE(block.Handle(), nullptr);
    EXPECT_EQ(block.Requested(), size);
    EXPECT_GE(block.Size(), size);
    const char* bytes = block.Chars();
    EXPECT_TRUE(std::all_of(bytes, bytes + size, [](char b) { return b == 0; }));
  }
}

TEST(CZMemBlock, FreeResetsAndIsHarmlessWhenEmpty) {
  CZMemBlock never;
  never.Free();
  EXPECT_EQ(never.Handle(), nullptr);
  EXPECT_EQ(never.Data(), nullptr);
  EXPECT_EQ(never.Size(), 0u);
  EXPECT_EQ(never.Requested(), 0u);
  EXPECT_FALSE(never.IsUsable());

  CZMemBlock block;
  ASSERT_NE(block.Alloc(100, kZeroFilledMovable), nullptr);
  block.Free();
  EXPECT_EQ(block.Handle(), nullptr);
  EXPECT_EQ(block.Data(), nullptr);
  EXPECT_EQ(block.Size(), 0u);
  EXPECT_EQ(block.Requested(), 0u);
  block.Free();  // twice is harmless
}

TEST(CZMemBlock, SecondAllocReleasesTheFirstBlock) {
  CZMemBlock block;
  ASSERT_NE(block.Alloc(16, kZeroFilledMovable), nullptr);
  HGLOBAL first = block.Handle();
  std::fill(block.Chars(), block.Chars() + 16, 'x');
  ASSERT_NE(block.Alloc(32, kZeroFilledMovable), nullptr);
  EXPECT_EQ(block.Requested(), 32u);
  EXPECT_TRUE(std::all_of(block.Chars(), block.Chars() + 32, [](char b) { return b == 0; }));
  // The first handle was freed: the system no longer knows it as a live block.
  if (first != block.Handle()) {
    EXPECT_EQ(GlobalFlags(first), static_cast<UINT>(GMEM_INVALID_HANDLE));
  }
}

class CZFileFindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    ASSERT_TRUE(testutil::WriteWholeFile(folder_ / "readme.txt", std::string("12345")));
    ASSERT_TRUE(testutil::WriteWholeFile(folder_ / "A Long File Name.text", std::string("x")));
    ASSERT_TRUE(CreateDirectoryA((folder_ / "Sub Folder Long").c_str(), nullptr));
    ASSERT_TRUE(testutil::WriteWholeFile(folder_ / "Sub Folder Long\\Inner Long Name.data",
                                         std::string("yy")));
  }
  testutil::TempFolder folder_;
};

TEST_F(CZFileFindTest, FindFirstOrNextYieldsEveryEntryOnce) {
  CZFileFind finder((folder_ / "*.*").c_str());
  std::map<std::string, int> seen;
  while (finder.FindFirstOrNext()) ++seen[finder.GetFileName().str()];
  EXPECT_EQ(finder.FoundCount(), 5);
  const std::map<std::string, int> expected = {
      {".", 1}, {"..", 1}, {"readme.txt", 1}, {"A Long File Name.text", 1}, {"Sub Folder Long", 1}};
  EXPECT_EQ(seen, expected);
  EXPECT_FALSE(finder.FindFirstOrNext()) << "the end stays the end";
  EXPECT_FALSE(finder.FindFirst()) << "a search that found entries does not start again";
}

TEST_F(CZFileFindTest, NothingFoundAndNextBeforeFirst) {
  CZFileFind missing((folder_ / "nothing*.zip").c_str());
  EXPECT_FALSE(missing.FindNext());
  EXPECT_FALSE(missing.FindFirst());
  EXPECT_EQ(missing.FoundCount(), 0);
  CZFileFind empty("");
  EXPECT_FALSE(empty.FindFirstOrNext());
  EXPECT_EQ(missing.GetMask(), 0xFFu);
}

TEST_F(CZFileFindTest, AttributesSizeAndNames) {
  CZFileFind file((folder_ / "readme.txt").c_str());
  ASSERT_TRUE(file.FindFirst());
  EXPECT_EQ(file.GetSizeLow(), 5u);
  EXPECT_EQ(file.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(file.GetFileName().str(), "readme.txt");
  EXPECT_EQ(file.GetShortFileName().str(), "readme.txt") << "an 8.3 name has no alternate name";
  EXPECT_EQ(file.GetFilePath().str(), Upper(folder_.path()) + "readme.txt");

  CZFileFind folder((folder_ / "Sub Folder Long").c_str());
  ASSERT_TRUE(folder.FindFirst());
  EXPECT_NE(folder.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY, 0u);

  CZFileFind longName((folder_ / "A Long File Name.text").c_str());
  ASSERT_TRUE(longName.FindFirst());
  const std::string shortName = longName.GetShortFileName().str();
  EXPECT_NE(shortName, "A Long File Name.text");
  EXPECT_LE(shortName.size(), 12u) << shortName;
  EXPECT_EQ(longName.GetShortFilePath().str(), Upper(folder_.path()) + shortName);
}

TEST_F(CZFileFindTest, PathOfAPatternWithoutFolderUsesTheCurrentFolder) {
  CurrentFolder here(folder_.path());
  ASSERT_TRUE(here.ok());
  CZFileFind finder("readme.txt");
  ASSERT_TRUE(finder.FindFirst());
  EXPECT_EQ(finder.GetFilePath().str(), Upper(folder_.path()) + "readme.txt");
  // A relative pattern with a folder is read from the current folder, as the search reads it.
  CZFileFind inner("Sub Folder Long\\*.data");
  ASSERT_TRUE(inner.FindFirst());
  EXPECT_EQ(inner.GetFilePath().str(),
            Upper(folder_.path()) + "SUB FOLDER LONG\\Inner Long Name.data");
}

TEST_F(CZFileFindTest, SizedCopiesNeverCutAName) {
  CZFileFind finder((folder_ / "readme.txt").c_str());
  ASSERT_TRUE(finder.FindFirst());
  char exact[11];
  EXPECT_TRUE(finder.GetFileNameTo(exact, sizeof exact));
  EXPECT_STREQ(exact, "readme.txt");
  char small[10] = "xxxxxxxxx";
  EXPECT_FALSE(finder.GetFileNameTo(small, sizeof small));
  EXPECT_STREQ(small, "") << "a name that does not fit is not cut";
  EXPECT_TRUE(finder.GetShortFileNameTo(exact, sizeof exact));
  EXPECT_STREQ(exact, "readme.txt");
  EXPECT_FALSE(finder.GetFileNameTo(nullptr, 0));

  const std::string expectedPath = Upper(folder_.path()) + "readme.txt";
  std::string buffer(expectedPath.size() + 1, 'x');
  EXPECT_TRUE(finder.GetFilePathTo(buffer.data(), buffer.size()));
  EXPECT_EQ(std::string(buffer.c_str()), expectedPath);
  EXPECT_FALSE(finder.GetFilePathTo(buffer.data(), expectedPath.size()));
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_TRUE(finder.GetShortFilePathTo(buffer.data(), buffer.size()));
}

TEST_F(CZFileFindTest, FoundNamesAreGivenInTheOemCodePage) {
  if (GetOEMCP() != 437 || GetACP() != 1252) GTEST_SKIP() << "needs OEM 437 and ANSI 1252";
  ASSERT_TRUE(testutil::WriteWholeFile(folder_ / "caf\xE9.txt", std::string("c")));
  // The pattern is an engine (OEM) path: e-acute is 0x82 there.
  CZText pattern(folder_.path().c_str());
  pattern.AnsiToOem();
  pattern += "caf\x82.txt";
  CZFileFind finder(pattern.c_str());
  ASSERT_TRUE(finder.FindFirst());
  EXPECT_EQ(finder.GetFileName().str(), "caf\x82.txt");
  EXPECT_EQ(std::string(finder.Data().cFileName), "caf\xE9.txt");
}

TEST_F(CZFileFindTest, ShortPathAllRewritesEveryComponent) {
  CZText full(folder_.path().c_str());
  full += "Sub Folder Long\\Inner Long Name.data";
  full.AnsiToOem();
  CZText shortForm(full);
  CZFileFind::GetShortPathAll(shortForm, FALSE);
  // Every component is an 8.3 name now, and the short path names the same file.
  CZText rest(shortForm);
  for (int k = 2; k <= shortForm.CountChar('\\') + 1; ++k) {
    CZText component(shortForm);
    component.GetFieldByChar(k, '\\');
    EXPECT_LE(component.GetLength(), 12) << component.str();
    EXPECT_EQ(component.Find(' '), -1) << component.str();
  }
  char longAgain[MAX_PATH * 2] = {};
  CZText ansiShort(shortForm);
  ansiShort.OemToAnsi();
  ASSERT_GT(GetLongPathNameA(ansiShort.c_str(), longAgain, sizeof longAgain), 0u)
      << shortForm.str();
  EXPECT_EQ(Upper(longAgain), Upper(full.str()));

  CZText longForm(shortForm);
  CZFileFind::GetShortPathAll(longForm, TRUE);
  EXPECT_EQ(Upper(longForm.str()), Upper(full.str()));

  // A folder keeps its trailing backslash.
  CZText folderPath(folder_.path().c_str());
  folderPath += "Sub Folder Long\\";
  CZFileFind::GetShortPathAll(folderPath, FALSE);
  EXPECT_EQ(folderPath[folderPath.GetLength() - 1], '\\');
  EXPECT_EQ(folderPath.Find("Sub Folder Long"), -1) << folderPath.str();
}

TEST(CZFileFindRoot, ShortPathAllConvertsAFileDirectlyUnderTheRoot) {
  // The system drive's root is writable in the test prefix.
  const std::string name = "C:\\Pelloro Root Long Name Test.text";
  ASSERT_TRUE(testutil::WriteWholeFile(name, std::string("r")));
  CZText path(name.c_str());
  CZFileFind::GetShortPathAll(path, FALSE);
  DeleteFileA(name.c_str());
  EXPECT_EQ(path.Left(3).str(), "C:\\");
  EXPECT_EQ(path.Find(' '), -1) << path.str();
  EXPECT_LE(path.GetLength() - 3, 12) << path.str();
}
