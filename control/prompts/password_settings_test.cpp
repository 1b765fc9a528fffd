// The remembered passwords in the settings file: order, the limit of 12, duplicates, values the
// profile functions would change, and where a bare file name puts the file.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control_settings.h"
#include "password_settings.h"
#include "test_prompt_support.h"

namespace {

using prompttest::PromptTest;

// "pw1", "pw2", ... (appended rather than prefixed: GCC 12 warns falsely on literal + string).
std::string Numbered(const char* stem, int n) {
  std::string name = stem;
  name += std::to_string(n);
  return name;
}

class PasswordSettingsTest : public PromptTest {};

TEST_F(PasswordSettingsTest, NewestComesFirstAndThe13thDropsTheOldest) {
  for (int i = 1; i <= 13; ++i) {
    const std::vector<std::string> before = LoadRememberedPasswords();
    ASSERT_TRUE(RememberPassword(Numbered("pw", i), static_cast<int>(before.size())));
  }
  const std::vector<std::string> list = LoadRememberedPasswords();
  ASSERT_EQ(12u, list.size());
  for (int i = 0; i < 12; ++i) EXPECT_EQ(Numbered("pw", 13 - i), list[i]);
}

TEST_F(PasswordSettingsTest, KnownPasswordChangesNothingButOtherCaseIsNew) {
  ASSERT_TRUE(RememberPassword("alpha", 0));
  ASSERT_TRUE(RememberPassword("beta", 1));
  ASSERT_TRUE(RememberPassword("alpha", 2));
  EXPECT_EQ((std::vector<std::string>{"beta", "alpha"}), LoadRememberedPasswords());
  ASSERT_TRUE(RememberPassword("Alpha", 2));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "alpha"}), LoadRememberedPasswords());
  ASSERT_TRUE(RememberPassword("", 3));
  EXPECT_EQ(3u, LoadRememberedPasswords().size());
}

TEST_F(PasswordSettingsTest, EmptyPlaceInTheMiddleLosesNoPassword) {
  ASSERT_TRUE(WritePasswordKey(RememberedPasswordKey(1).c_str(), "first"));
  ASSERT_TRUE(WritePasswordKey(RememberedPasswordKey(3).c_str(), "third"));
  ASSERT_TRUE(RememberPassword("new", 0));
  EXPECT_EQ((std::vector<std::string>{"new", "first", "third"}), LoadRememberedPasswords());
}

TEST_F(PasswordSettingsTest, DeletePasswordsEmptiesAllThirteenKeys) {
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(RememberPassword(Numbered("p", i), i));
  ASSERT_TRUE(WriteLastPassword("last"));
  DeletePasswords();
  EXPECT_TRUE(LoadRememberedPasswords().empty());
  EXPECT_EQ("", ReadPasswordKey("szExtractPassword"));
}

TEST_F(PasswordSettingsTest, ValuesComeBackExactlyAsTyped) {
  const char* const cases[] = {
      "a\\nb",   // the two characters \ and n, never a line feed
      "  lead",  // blanks the profile functions would trim
      "trail  ",
      "\t tab",
      "\"quoted\"",  // enclosing quotes the profile functions would drop
      "'single'",
      "\"half",
      "half\"",
      "semi;colon = x",
      "caf\xe9 \xfc\xdf",  // non-ASCII letters of the ANSI code page
      "%1%2",
  };
  for (const char* value : cases) {
    SCOPED_TRACE(value);
    DeletePasswords();
    ASSERT_TRUE(RememberPassword(value, 0));
    ASSERT_TRUE(WriteLastPassword(value));
    const std::vector<std::string> list = LoadRememberedPasswords();
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(value, list[0]);
    EXPECT_EQ(value, ReadPasswordKey("szExtractPassword"));
  }
}

TEST_F(PasswordSettingsTest, KeysAreNumberedWithTwoDigits) {
  EXPECT_EQ("szExtractPassword_01", RememberedPasswordKey(1));
  EXPECT_EQ("szExtractPassword_12", RememberedPasswordKey(12));
  ASSERT_TRUE(RememberPassword("x", 0));
  char value[64] = {};
  GetPrivateProfileStringA("ZipUnzipPasswords", "szExtractPassword_01", "", value, sizeof(value),
                           IniPath().c_str());
  EXPECT_STREQ("x", value);
}

TEST_F(PasswordSettingsTest, BareIniNameLiesInTheWindowsFolder) {
  const std::string bare = "PROMPTS_TEST_SETTINGS.INI";
  SetIniFile(bare.c_str());
  EXPECT_EQ(bare, IniName().str());
  ASSERT_TRUE(RememberPassword("bare", 0));
  char windows[MAX_PATH] = {};
  ASSERT_NE(0u, GetWindowsDirectoryA(windows, MAX_PATH));
  const std::string expected = std::string(windows) + "\\" + bare;
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(expected.c_str()));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, bare.c_str());  // flush the cache
  DeleteFileA(expected.c_str());
}

TEST_F(PasswordSettingsTest, MissingFileReadsAsAnEmptyList) {
  SetIniFile((Folder() / "absent\\QX30.INI").c_str());
  EXPECT_TRUE(LoadRememberedPasswords().empty());
  EXPECT_EQ("", ReadPasswordKey("szExtractPassword"));
}

TEST_F(PasswordSettingsTest, PasswordModeSetsBothFlags) {
  const BOOL cases[][2] = {{TRUE, TRUE}, {TRUE, FALSE}, {FALSE, TRUE}, {FALSE, FALSE}};
  for (const auto& flags : cases) {
    SetPasswordMode(flags[0], flags[1]);
    EXPECT_EQ(flags[0], ShowPasswords());
    EXPECT_EQ(flags[1], SavePasswords());
  }
}

}  // namespace
