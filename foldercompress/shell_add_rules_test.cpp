// The form's rules without a window: list items of the command line's names, the mode of each
// "Compression Mode" entry, the archive's folder and its making level by level.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "shell_add_rules.h"
#include "vantrel_test_support.h"
#include "win_test_util.h"

namespace {

TEST(ShellAddRules, ListItemsModesAndTheArchivesFolder) {
  const struct {
    const char* argument;
    const char* item;
  } items[] = {
      {"C:\\", "C:\\*.*"},
      {"D:\\Old Letters", "D:\\Old Letters\\*.*"},
      {"\\\\server\\share\\", "\\\\server\\share\\*.*"},
      {"C:\\Gr\xfc\xdf"
       "e\\caf\xe9",
       "C:\\Gr\xfc\xdf"
       "e\\caf\xe9\\*.*"},
  };
  for (const auto& row : items) EXPECT_EQ(vantrel::ListItemOf(row.argument), row.item);

  EXPECT_EQ(vantrel::CompressionModeOf(0), 0);  // Normal Compression
  EXPECT_EQ(vantrel::CompressionModeOf(1), 3);  // No Compression: stored
  EXPECT_EQ(vantrel::CompressionModeOf(2), 2);  // Maximum Compression
  EXPECT_EQ(vantrel::CompressionModeOf(-1), 0);
  EXPECT_EQ(vantrel::CompressionModeOf(3), 0);

  EXPECT_EQ(vantrel::ArchiveFolderOf("C:\\Windows\\Desktop\\Myzip.zip"), "C:\\Windows\\Desktop");
  EXPECT_EQ(vantrel::ArchiveFolderOf("C:\\Myzip.zip"), "C:");
  EXPECT_EQ(vantrel::ArchiveFolderOf("C:Myzip.zip"), "C");
  EXPECT_EQ(vantrel::ArchiveFolderOf("Myzip.zip"), "");
}

TEST(ShellAddRules, TheArchivesFolderIsMadeLevelByLevel) {
  testutil::TempFolder work;
  const std::string deep = work / "one\\tw\xf6\\three";
  EXPECT_TRUE(vantrel::CreateFolderLevels(deep));
  EXPECT_NE(GetFileAttributesA(deep.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_TRUE(vantrel::CreateFolderLevels(deep));  // an existing folder is left alone
  // Two characters or less are never made; a level that is a file stops the making.
  EXPECT_TRUE(vantrel::CreateFolderLevels("C:"));
  EXPECT_TRUE(vantrel::CreateFolderLevels(""));
  ASSERT_TRUE(testutil::WriteWholeFile(work / "file", std::string("x")));
  EXPECT_FALSE(vantrel::CreateFolderLevels(work / "file\\below"));
  EXPECT_EQ(testutil::FileText(work / "file", true), "x");
}

}  // namespace
