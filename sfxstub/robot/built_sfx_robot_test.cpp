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
const std::string kRetryText =
    "&Pr\xFC"
    "fen";

// The language file of the fixtures (texts in German), given with its full name.
const char kFixtureLanguage[] = "<fixture>";
// The texts the shipped language file gives, which are the builder's defaults.
const char kDefaultTitle[] = "Quillet Self-extracting ZIP file";

// What the builder is given for one case: the archive and expected files lie in built_<name>.
struct Request {
  std::string name;
  std::string title;    // "" passes an empty title
  std::string program;  // "" runs none
  short overwriteMode = 1;
  bool askDirectory = true;
  // kFixtureLanguage, or the name given as it is ("" or a bare name: the control folder's file).
  std::string language = kFixtureLanguage;
  bool overExisting = false;  // a file of the user's stands at the output name before the build
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

// The script's language-file argument ("-" passes an empty name).
std::string LanguageArgument(const Request& r) {
  if (r.language == kFixtureLanguage) return Fixtures() + "ENGLISH.ELF";
  return r.language.empty() ? "-" : r.language;
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
      (r.program.empty() ? "-" : r.program) + quote + " " + quote +
      (r.title.empty() ? "-" : r.title) + quote + " " + quote + LanguageArgument(r) + quote + " " +
      std::to_string(r.overwriteMode) + " " + (r.askDirectory ? "1" : "0"));
  *log = run.output;
  // Wine's cscript ends with 0 on a script error: the printed result counts too.
  if (run.output.find("MakeEXEFile=") == std::string::npos) return -1;
  return static_cast<int>(run.exitCode);
}

// CZZip::BuildSelfExtractor with the control folder at a scratch folder holding the stub and a
// language file (found there by its default name): the fixtures' one, or for the cases that name
// none the one shipped beside that stub.
int BuildDirectly(const Request& r, const std::string& stub) {
  testutil::TempFolder control;
  const std::string language = r.language == kFixtureLanguage
                                   ? Fixtures() + "ENGLISH.ELF"
                                   : stub.substr(0, stub.find_last_of("\\/") + 1) + "ENGLISH.ELF";
  if (!CopyFileA(stub.c_str(), (control / "RAVELIN.32").c_str(), FALSE) ||
      !CopyFileA(language.c_str(), (control / "ENGLISH.ELF").c_str(), FALSE)) {
    return -1;
  }
  ScopedControlFolder scoped(control.path().c_str());
  CZZip zip;
  return zip.BuildSelfExtractor(nullptr, (CaseFolder(r) + "archive.zip").c_str(), Output(r).c_str(),
                                r.program.empty() ? nullptr : r.program.c_str(), r.title.c_str(),
                                r.language == kFixtureLanguage ? nullptr : r.language.c_str(),
                                r.overwriteMode, r.askDirectory ? TRUE : FALSE, TRUE);
}

// Builds the case's self-extractor and checks that it starts with the stub the builder took and
// holds the block's first two fields right behind it.
void Build(const Request& r) {
  DeleteFileA(Output(r).c_str());
  if (r.overExisting) {
    ASSERT_TRUE(testutil::WriteWholeFile(Output(r), std::string(90000, 'u')));
  }
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
  const Request r{"language",
                  "Ravelin built Gr\xFC\xDF"
                  "e, caf\xE9",
                  ""};
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

// An empty language-file name and the bare default name both take the language file shipped
// beside the control; the second build replaces the first self-extractor at the output name.
TEST(RavelinBuiltRobot, TheShippedLanguageFileForAnEmptyOrBareName) {
  for (const char* language : {"", "ENGLISH.ELF"}) {
    SCOPED_TRACE(std::string("language file '") + language + "'");
    Request r{"default", "T", ""};
    r.language = language;
    r.overExisting = *language != '\0';
    ASSERT_NO_FATAL_FAILURE(Build(r));
    testutil::TempFolder temp;
    const std::string target = temp / "T";
    Robot robot(Output(r));
    HWND main = robot.WaitMain(r.title);
    ASSERT_NE(main, nullptr) << robot.Describe();
    EXPECT_EQ(TextOf(main, IDOK), "Ok");
    EXPECT_EQ(TextOf(main, IDCANCEL), "Cancel");
    EXPECT_EQ(TextOf(main, kBrowseLabel), "Choose directory...");
    SetField(main, kTarget, target);
    Screenshot(ShotName(r, *language != '\0' ? "named" : "empty"));
    Click(main, IDOK);
    EXPECT_EQ(robot.WaitExit(), 0);
    const std::map<std::string, std::string> expected = ExpectedFiles(r);
    EXPECT_EQ(expected.size(), 4u);
    EXPECT_EQ(Files(target), expected);
  }
}

// A fresh copy of the shipped control folder (build/dist's, in the run with its programs),
// registered in this prefix and called by a 32-bit VBScript as a host's script calls it, with an
// empty and with the bare default language-file name. In a 64-bit prefix the 32-bit server has a
// registry view of its own; a 32-bit prefix's one view holds the tree's control, which the other
// tests use, so the case runs where 32-bit programs run beside the 64-bit ones.
TEST(RavelinBuiltRobot, AFreshCopyOfTheShippedControlTakesItsOwnLanguageFile) {
  const std::string shipped = ShippedStub();
  if (shipped.empty())
    GTEST_SKIP() << "runs with build/dist's programs (ravelin_robot_tests_dist_stub)";
  char wow[MAX_PATH] = {};
  if (GetSystemWow64DirectoryA(wow, MAX_PATH) == 0) {
    GTEST_SKIP() << "a 32-bit prefix: its one registry view holds the tree's own control";
  }
  const std::string tools = std::string(wow) + "\\";
  const std::string shippedFolder = shipped.substr(0, shipped.find_last_of("\\/") + 1);
  // What the control's folder ships: the control, the stub and the language file.
  testutil::TempFolder fresh;
  for (const char* name : {"QX30W32.DLL", "RAVELIN.32", "ENGLISH.ELF"}) {
    ASSERT_TRUE(CopyFileA((shippedFolder + name).c_str(), (fresh / name).c_str(), FALSE))
        << shippedFolder << name;
  }
  const std::string dll = fresh / "QX30W32.DLL";
  const std::string quote = "\"";
  const testutil::ProgramRun registered =
      testutil::RunCaptured(tools + "regsvr32.exe /s " + quote + dll + quote);
  ASSERT_EQ(registered.exitCode, 0u) << registered.output;
  const std::string script =
      testutil::UnixToWindowsPath(PELLORO_SOURCE_DIR "/sfxstub/robot/make_exe.vbs");
  const Request r{"default", "T", ""};
  for (const char* language : {"-", "ENGLISH.ELF"}) {
    SCOPED_TRACE(std::string("language file argument ") + language);
    DeleteFileA(Output(r).c_str());
    // MakeEXEFile(zip, exe, "", "T", language, 1, True, True, False)
    const testutil::ProgramRun run = testutil::RunCaptured(
        tools + "cscript.exe //nologo " + quote + script + quote + " " + quote + CaseFolder(r) +
        "archive.zip" + quote + " " + quote + Output(r) + quote + " - T " + language + " 1 1");
    EXPECT_NE(run.output.find("MakeEXEFile=0"), std::string::npos) << run.output;
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    const std::vector<uint8_t> stub = testutil::FileBytes(fresh / "RAVELIN.32");
    const std::vector<uint8_t> exe = testutil::FileBytes(Output(r));
    ASSERT_EQ(stub.size(), 74240u);
    ASSERT_GT(exe.size(), stub.size() + 682);
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), exe.begin()));
    testutil::TempFolder temp;
    const std::string target = temp / "T";
    Robot robot(Output(r));
    HWND main = robot.WaitMain("T");
    ASSERT_NE(main, nullptr) << robot.Describe();
    EXPECT_EQ(TextOf(main, IDOK), "Ok");
    EXPECT_EQ(TextOf(main, kBrowseLabel), "Choose directory...");
    SetField(main, kTarget, target);
    Click(main, IDOK);
    EXPECT_EQ(robot.WaitExit(), 0);
    EXPECT_EQ(Files(target), ExpectedFiles(r));
  }
  testutil::RunCaptured(tools + "regsvr32.exe /s /u " + quote + dll + quote);
}

// An empty title takes the default one, on the main window and on the message boxes: a blank
// title would leave them without a caption.
TEST(RavelinBuiltRobot, AnEmptyTitleTakesTheDefaultOne) {
  const Request r{"untitled", "", ""};
  ASSERT_NO_FATAL_FAILURE(Build(r));
  Robot robot(Output(r));
  HWND main = robot.WaitMain(kDefaultTitle);
  ASSERT_NE(main, nullptr) << robot.Describe();
  SetField(main, kTarget, "");  // no folder: the folder message, then the run's failure
  Click(main, IDOK);
  HWND box = robot.WaitMessageBox();
  ASSERT_NE(box, nullptr) << robot.Describe();
  EXPECT_EQ(WindowText(box), kDefaultTitle);
  Screenshot(ShotName(r, "message"));
  Click(box, IDOK);
  HWND failure = robot.WaitWindow([&](HWND w) {
    return w != box && MessageTextControl(w) != nullptr && GetDlgItem(w, kTarget) == nullptr;
  });
  ASSERT_NE(failure, nullptr) << robot.Describe();
  EXPECT_EQ(WindowText(failure), kDefaultTitle);
  Click(failure, IDOK);
  EXPECT_EQ(robot.WaitExit(), 0);
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
  for (const auto& [path, contents] : ExpectedFiles(r))
    expected.insert(path.substr(0, path.find('\\')));
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
