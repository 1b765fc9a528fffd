// The control's file locations: its own folder, a file on the search path, the Windows folders
// and WIN.INI's program associations; and the settings-file name a new control sets up.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "base/cztext.h"
#include "control_settings.h"
#include "base/module_state.h"
#include "win_test_util.h"

namespace {

std::string Upper(std::string text) {
  CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The folder of this program, ANSI, ending in '\'.
std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\') + 1);
}

class LocationsTest : public ::testing::Test {
 protected:
  void TearDown() override { RecordModuleInstance(nullptr); }
};

TEST_F(LocationsTest, ModuleFolderNeedsARecordedModule) {
  RecordModuleInstance(nullptr);
  CZText folder("stale");
  EXPECT_EQ("", folder.LocateFile(nullptr).str());
  EXPECT_EQ("", folder.str());
  EXPECT_EQ("", ControlFolder().str());

  RecordModuleInstance(GetModuleHandleA(nullptr));
  folder.LocateFile(nullptr);
  EXPECT_EQ(0, folder.CompareNoCase(ProgramFolder().c_str())) << folder.str();
  EXPECT_EQ('\\', folder[folder.GetLength() - 1]);
  EXPECT_EQ(folder.str(), ControlFolder().str());
}

TEST_F(LocationsTest, NewControlPutsTheSettingsFileBesideTheModule) {
  SetPasswordFlags(FALSE, FALSE);
  RecordModuleInstance(nullptr);
  ResetSettingsForNewControl();
  EXPECT_EQ("QX30.INI", IniName().str());
  EXPECT_TRUE(ShowPasswords());
  EXPECT_TRUE(SavePasswords());

  RecordModuleInstance(GetModuleHandleA(nullptr));
  ResetSettingsForNewControl();
  EXPECT_EQ(0, IniName().CompareNoCase((ProgramFolder() + "QX30.INI").c_str())) << IniName().str();
}

TEST_F(LocationsTest, FileOnTheSearchPathGivesItsFolder) {
  testutil::TempFolder folder;
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "findme.dat", std::string("x")));
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
  CZText found;
  found.LocateFile("findme.dat");
  CZText missing("stale");
  missing.LocateFile("surely-not-anywhere-4711.dat");
  SetCurrentDirectoryA(previous);
  CZText expected(Upper(folder.path()).c_str());
  expected.AnsiToOem();
  EXPECT_EQ(expected.str(), found.str());
  EXPECT_EQ("", missing.str());
}

TEST_F(LocationsTest, WindowsAndSystemFoldersEndInABackslash) {
  char windows[MAX_PATH] = {};
  char system[MAX_PATH] = {};
  ASSERT_NE(0u, GetWindowsDirectoryA(windows, MAX_PATH));
  ASSERT_NE(0u, GetSystemDirectoryA(system, MAX_PATH));
  CZText text;
  EXPECT_EQ(std::string(windows) + "\\", text.GetWindowsDir().str());
  EXPECT_EQ(std::string(system) + "\\", text.GetSystemDir().str());
}

TEST_F(LocationsTest, AssociatedProgramFromWinIni) {
  struct Entry {
    const char* extension;
    const char* value;
  };
  const Entry entries[] = {{"QZT", "C:\\Program Files\\Tool\\tool.exe ^.qzt"},
                           {"QZA", "notepad.exe ^.qza"},
                           {"QZB", "a ^ b ^.qzb"},
                           {"QZC", "no caret here"}};
  for (const Entry& e : entries) {
    ASSERT_TRUE(WriteProfileStringA("Extensions", e.extension, e.value));
  }
  struct Case {
    const char* argument;
    const char* program;
  };
  const Case cases[] = {
      {"report.qzt", "C:\\PROGRAM FILES\\TOOL\\TOOL.EXE"},  // blanks inside the path stay
      {"C:\\DIR\\READ.QZA", "NOTEPAD.EXE"},
      {"QZA", "NOTEPAD.EXE"},                    // a bare extension
      {" r e a d . q z a \r\n", "NOTEPAD.EXE"},  // blanks in the argument go
      {"x.qzb", ""},                             // several '^'
      {"x.qzc", ""},                             // no '^'
      {"x.qzzz", ""},                            // four characters
      {"x.", ""},
      {"", ""},
      {"x.qzx", ""},  // no entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    CZText program("stale");
    EXPECT_EQ(c.program, program.GetAssociatedProgram(c.argument).str());
    EXPECT_EQ(c.program, program.str());
  }
  for (const Entry& e : entries) WriteProfileStringA("Extensions", e.extension, nullptr);
}

}  // namespace
