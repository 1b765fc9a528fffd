// The command line, the registry settings wrapper and the string list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/application.h"
#include "forms/reg_ini_file.h"
#include "forms/string_list.h"

namespace {

using forms::Application;

TEST(ParamStr, SplitsLikeTheProgramsExpect) {
  struct Case {
    const char* line;
    std::vector<std::string> arguments;
  } cases[] = {
      {"prog.exe", {"prog.exe"}},
      {"prog.exe a b", {"prog.exe", "a", "b"}},
      {"\"C:\\Program Files\\p.exe\" \"C:\\\" \"C:\\My Folder\"",
       {"C:\\Program Files\\p.exe", "C:\\", "C:\\My Folder"}},
      {"p \"C:\\My Folder\\\"", {"p", "C:\\My Folder\\"}},
      {"p a\"b c\"d", {"p", "ab cd"}},
      {"p \"\" x", {"p", "x"}},
      {"p   \t spaced   ", {"p", "spaced"}},
      {"p \"unterminated arg", {"p", "unterminated arg"}},
      {"p caf\xE9 Gr\xFC\xDF"
       "e",
       {"p", "caf\xE9",
        "Gr\xFC\xDF"
        "e"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Application::SplitCommandLine(c.line), c.arguments) << c.line;
  }
}

TEST(ParamStr, ZeroIsTheProgramPath) {
  const std::string self = Application::ParamStr(0);
  EXPECT_NE(self.find("forms_tests"), std::string::npos) << self;
  EXPECT_EQ(Application::ParamStr(Application::ParamCount() + 1), "");
  EXPECT_EQ(Application::ParamStr(-1), "");
}

class RegIniFileTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* section : {"Settings", "MRU Items", "Missing"})
      RegDeleteKeyA(HKEY_CURRENT_USER,
                    (std::string("Software\\Pelloro forms test\\") + section).c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Pelloro forms test");
  }
  const std::string key = "\\Software\\Pelloro forms test\\";
};

TEST_F(RegIniFileTest, IntegersAreDecimalTextAndHexReadsBack) {
  forms::RegIniFile ini(key);
  EXPECT_EQ(ini.KeyPath(), "Software\\Pelloro forms test");
  ASSERT_TRUE(ini.WriteInteger("Settings", "Width", -42));
  EXPECT_EQ(ini.ReadString("Settings", "Width", ""), "-42");
  EXPECT_EQ(ini.ReadInteger("Settings", "Width", 0), -42);
  HKEY k = nullptr;
  ASSERT_EQ(
      RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Pelloro forms test\\Settings", 0, KEY_READ, &k),
      ERROR_SUCCESS);
  DWORD type = 0;
  RegQueryValueExA(k, "Width", nullptr, &type, nullptr, nullptr);
  RegCloseKey(k);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  struct Case {
    const char* text;
    int expected;
  } cases[] = {{"0x1F", 31}, {"0X1f", 31}, {"17", 17}, {" 8 ", 8},
               {"abc", 5},   {"", 5},      {"0x", 5},  {"12x", 5}};
  for (const auto& c : cases) {
    ASSERT_TRUE(ini.WriteString("Settings", "Value", c.text));
    EXPECT_EQ(ini.ReadInteger("Settings", "Value", 5), c.expected) << c.text;
  }
  EXPECT_EQ(ini.ReadInteger("Missing", "Value", 9), 9);
  EXPECT_TRUE(ini.WriteBool("Settings", "On", true));
  EXPECT_TRUE(ini.ReadBool("Settings", "On", false));
}

TEST_F(RegIniFileTest, SectionValuesKeepOrderAndEqualsSigns) {
  forms::RegIniFile ini(key);
  ASSERT_TRUE(ini.WriteString("MRU Items", "F0", "C:\\a=b.zip"));
  ASSERT_TRUE(ini.WriteString("MRU Items", "F1", "C:\\Grüße\\café.zip"));
  forms::StringList lines;
  ini.ReadSectionValues("MRU Items", lines);
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines[0], "F0=C:\\a=b.zip");
  EXPECT_EQ(lines[1], "F1=C:\\Grüße\\café.zip");
  EXPECT_EQ(lines.Value("F0"), "C:\\a=b.zip");
  EXPECT_TRUE(ini.EraseSection("MRU Items"));
  ini.ReadSectionValues("MRU Items", lines);
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_TRUE(ini.EraseSection("MRU Items"));  // erasing what is not there is no failure
  EXPECT_EQ(ini.ReadString("MRU Items", "F0", "gone"), "gone");
}

TEST(StringList, EditsFindsAndSplitsText) {
  forms::StringList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.Add("beta");
  list.Add("Alpha");
  list.Insert(0, "gamma");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOf("ALPHA"), 2);
  list.CaseSensitive = true;
  EXPECT_EQ(list.IndexOf("ALPHA"), -1);
  list.Sort();
  EXPECT_EQ(list.Text(), "Alpha\r\nbeta\r\ngamma\r\n");
  EXPECT_THROW(list.Get(3), std::out_of_range);
  EXPECT_THROW(list.Delete(-1), std::out_of_range);
  list.SetText("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list[3], "four");
  EXPECT_GT(changes, 3);
}

}  // namespace
