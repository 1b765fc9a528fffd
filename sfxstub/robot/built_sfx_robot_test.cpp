// Self-extractors made by the builder from the real stub, driven as a user would: the folder
// typed and OK pressed, the title and texts of the language file read back from the dialogs, the
// program run afterwards, the password dialog; the files compared with what unzip -d made of the
// same archive. In the run with build/dist's stub (RAVELIN_BUILDER_STUB) the builder is called
// directly with the control folder at a scratch folder holding that stub and the language file;
// otherwise a VBScript calls MakeEXEFile of the registered control, which takes the RAVELIN.32
// beside QX30W32.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/module_state.h"
#include "robot_driver.h"
#include "win_test_util.h"
#include "writing/czzip.h"

namespace {

using namespace ravelinrobot;

constexpr int kBrowseLabel = 1000;
constexpr int kPasswordLabel = 1101;
constexpr int kRetry = 6;

// The language file's texts (robot_fixtures.sh writes it in code page 1252).
const std::string kOkText = "Entpacken";
const std::string kCancelText = "Abbruch";
const std::string kBrowseText = "Zielordner w\xE4hlen...";
const std::string kPasswordTitle = "Kennwort f\xFCr...";
const std::string kPasswordLabelText = "Kennwort:";
const std::string kPasswordText = "Die Dateien brauchen ein Kennwort.";
const std::string kRetryText = "&Pr\xFC" "fen";

// What the builder is given for one case: the archive and expected files lie in built_<name>.
struct Request {
  std::string name;
  std::string title;
  std::string program;  // "" runs none
  short overwriteMode = 1;
  bool askDirectory = true;
};

std::string CaseFolder(const Request& r) { return Fixtures() + "built_" + r.name + "\\"; }
std::string Output(const Request& r) { return CaseFolder(r) + "SFX.EXE"; }

// The stub of the run with build/dist's RAVELIN.32, "" otherwise.
std::string ShippedStub() {
  const char* set = getenv("RAVELIN_BUILDER_STUB");
  return set != nullptr ? set : "";
}
std::string ShotName(const Request& r, const std::string& what) {
  return "built_" + r.name + "_" + what + (ShippedStub().empty() ? "" : "_i686");
}

std::string ControlFolderOfTheDll() {
  const std::string dll = testutil::UnixToWindowsPath(QX30W32_DLL_PATH);
  return dll.substr(0, dll.find_last_of("\\/") + 1);
}

// MakeEXEFile of the registered control through cscript; the builder's code, or -1 with the
// script's output in *log.
int BuildThroughTheControl(const Request& r, std::string* log) {
  if (testutil::RegisterBuiltControl() != S_OK) {
    *log = "QX30W32 could not be registered";
    return -1;
  }
  const std::string script =
      testutil::UnixToWindowsPath(PELLORO_SOURCE_DIR "/sfxstub/robot/make_exe.vbs");
  const std::string quote = "\"";
  const testutil::ProgramRun run = testutil::RunCaptured(
      "cscript.exe //nologo " + quote + script + quote + " " + quote + CaseFolder(r) +
      "archive.zip" + quote + " " + quote + Output(r) + quote + " " + quote +
      (r.program.empty() ? "-" : r.program) + quote + " " + quote + r.title + quote + " " + quote +
      Fixtures() + "ENGLISH.ELF" + quote + " " + std::to_string(r.overwriteMode) + " " +
      (r.askDirectory ? "1" : "0"));
  *log = run.output;
  // Wine's cscript ends with 0 on a script error: the printed result counts too.
  if (run.output.find("MakeEXEFile=") == std::string::npos) return -1;
  return static_cast<int>(run.exitCode);
}

// CZZip::BuildSelfExtractor with the control folder at a scratch folder holding the stub and the
// language file (found there by its default name).
int BuildDirectly(const Request& r, const std::string& stub) {
  testutil::TempFolder control;
  if (!CopyFileA(stub.c_str(), (control / "RAVELIN.32").c_str(), FALSE) ||
      !CopyFileA((Fixtures() + "ENGLISH.ELF").c_str(), (control / "ENGLISH.ELF").c_str(), FALSE)) {
    return -1;
  }
  ScopedControlFolder scoped(control.path().c_str());
  CZZip zip;
  return zip.BuildSelfExtractor(nullptr, (CaseFolder(r) + "archive.zip").c_str(), Output(r).c_str(),
                                r.program.empty() ? nullptr : r.program.c_str(), r.title.c_str(),
                                nullptr, r.overwriteMode, r.askDirectory ? TRUE : FALSE, TRUE);
}

// Builds the case's self-extractor and checks that it starts with the stub the builder took and
// holds the block's first two fields right behind it.
void Build(const Request& r) {
  DeleteFileA(Output(r).c_str());
  const std::string shipped = ShippedStub();
  std::string log;
  const int code = shipped.empty() ? BuildThroughTheControl(r, &log) : BuildDirectly(r, shipped);
  ASSERT_EQ(code, 0) << log;
  const std::vector<uint8_t> stub =
      testutil::FileBytes(shipped.empty() ? ControlFolderOfTheDll() + "RAVELIN.32" : shipped);
  const std::vector<uint8_t> exe = testutil::FileBytes(Output(r));
  ASSERT_EQ(stub.size(), 74240u);
  ASSERT_GT(exe.size(), stub.size() + 682);
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), exe.begin())) << "the stub comes first";
  EXPECT_EQ(exe[stub.size()], static_cast<uint8_t>('0' + r.overwriteMode));
  EXPECT_EQ(exe[stub.size() + 1], static_cast<uint8_t>(r.askDirectory ? '1' : '0'));
}

std::map<std::string, std::string> ExpectedFiles(const Request& r) {
  return Files(CaseFolder(r) + "expected");
}

std::string TextOf(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

TEST(RavelinBuiltRobot, ExtractsIntoTheChosenFolder) {
  const Request r{"plain", "Ravelin built plain", ""};
  ASSERT_NO_FATAL_FAILURE(Build(r));
  testutil::TempFolder temp;
  const std::string target = temp / "CHOSEN";
  Robot robot(Output(r));
  ASSERT_TRUE(robot.started());
  HWND main = robot.WaitMain(r.title);
  ASSERT_NE(main, nullptr) << robot.Describe();
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, kTarget)));
  SetField(main, kTarget, target);
  Screenshot(ShotName(r, "main"));
  Click(main, IDOK);
  EXPECT_EQ(robot.WaitExit(), 0);
  const std::map<std::string, std::string> expected = ExpectedFiles(r);
  EXPECT_EQ(expected.size(), 4u);
  EXPECT_EQ(Files(target), expected);
}

TEST(RavelinBuiltRobot, ShowsTheTitleAndTextsOfTheLanguageFile) {
  const Request r{"language", "Ravelin built Gr\xFC\xDF" "e, caf\xE9", ""};
  ASSERT_NO_FATAL_FAILURE(Build(r));
  testutil::TempFolder temp;
  const std::string target = temp / "T";
  Robot robot(Output(r));
  HWND main = robot.WaitMain(r.title);
  ASSERT_NE(main, nullptr) << robot.Describe();
  EXPECT_EQ(WindowText(main), r.title);
  EXPECT_EQ(TextOf(main, IDOK), kOkText);
  EXPECT_EQ(TextOf(main, IDCANCEL), kCancelText);
  EXPECT_EQ(TextOf(main, kBrowseLabel), kBrowseText);
  SetField(main, kTarget, target);
  Screenshot(ShotName(r, "main"));
  Click(main, IDOK);
  EXPECT_EQ(robot.WaitExit(), 0);
  EXPECT_EQ(Files(target), ExpectedFiles(r));
}

TEST(RavelinBuiltRobot, RunsTheProgramInTheFolderWhichIsThenRemoved) {
  Request r{"program", "Ravelin built program", "MARKER.EXE"};
  r.askDirectory = false;
  ASSERT_NO_FATAL_FAILURE(Build(r));
  DeleteFileA((TempPath() + "RAVELIN_MARKER.TXT").c_str());
  Robot robot(Output(r));
  HWND main = robot.WaitMain(r.title);
  ASSERT_NE(main, nullptr) << robot.Describe();
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, kTarget)));
  const std::string folder = ControlText(main, kTarget);
  Screenshot(ShotName(r, "main"));
  Click(main, IDOK);
  EXPECT_EQ(robot.WaitExit(), 0);
  // The marker program lists its current folder and the names in it: the archive's top level.
  std::string marker = ReadMarker();
  CharUpperBuffA(marker.data(), static_cast<DWORD>(marker.size()));
  std::string upperFolder = folder;
  CharUpperBuffA(upperFolder.data(), static_cast<DWORD>(upperFolder.size()));
  ASSERT_EQ(marker.rfind(upperFolder + "\n", 0), 0u) << marker << " folder " << folder;
  std::set<std::string> listed, expected;
  for (size_t at = upperFolder.size() + 1, end; (end = marker.find('\n', at)) != std::string::npos;
       at = end + 1) {
    listed.insert(marker.substr(at, end - at));
  }
  for (const auto& [path, contents] : ExpectedFiles(r)) expected.insert(path.substr(0, path.find('\\')));
  EXPECT_EQ(listed, expected) << marker;
  EXPECT_EQ(expected.count("MARKER.EXE"), 1u);
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << folder;
}

// Written to a file (sizes in the local headers) and to a pipe (data descriptors, which the
// builder copies byte for byte).
TEST(RavelinBuiltRobot, PasswordDialog) {
  for (const char* name : {"password", "piped_password"}) {
    SCOPED_TRACE(name);
    const Request r{name, std::string("Ravelin built ") + name, ""};
    ASSERT_NO_FATAL_FAILURE(Build(r));
    testutil::TempFolder temp;
    const std::string target = temp / "T";
    Robot robot(Output(r));
    HWND main = robot.WaitMain(r.title);
    ASSERT_NE(main, nullptr) << robot.Describe();
    SetField(main, kTarget, target);
    Click(main, IDOK);
    HWND prompt = robot.WaitPrompt(kPasswordEdit);
    ASSERT_NE(prompt, nullptr) << robot.Describe();
    EXPECT_EQ(WindowText(prompt), kPasswordTitle);
    EXPECT_EQ(TextOf(prompt, kPasswordLabel), kPasswordLabelText);
    EXPECT_EQ(TextOf(prompt, kPromptText), kPasswordText);
    EXPECT_EQ(TextOf(prompt, kRetry), kRetryText);
    SetField(prompt, kPasswordEdit, "secret");
    Screenshot(ShotName(r, "password"));
    Click(prompt, kRetry);
    EXPECT_EQ(robot.WaitExit(), 0);
    const std::map<std::string, std::string> expected = ExpectedFiles(r);
    EXPECT_EQ(expected.size(), 4u);
    EXPECT_EQ(Files(target), expected);
  }
}

}  // namespace
