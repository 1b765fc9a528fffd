// Drives real self-extractors as a user would: finds their windows by caption and control id, types
// into the folder field, presses buttons and answers the questions, then compares what was
// written with what unzip -d made of the same archive. Screenshots (BMP) go into the build tree.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "robot_driver.h"
#include "win_test_util.h"

namespace {

using namespace ravelinrobot;

TEST(RavelinRobot, NothingAppendedOrABlockAlone) {
  for (const char* name : {"bare", "short_block"}) {
    SCOPED_TRACE(name);
    Robot robot(Sfx(name));
    ASSERT_TRUE(robot.started());
    HWND box = robot.WaitMessageBox();
    ASSERT_NE(box, nullptr) << robot.Describe();
    EXPECT_EQ(ControlText(box, kMessageText), "Self-Extracting ZIP file corrupted.");
    EXPECT_EQ(WindowText(box), "");
    Screenshot(name);
    Click(box, IDOK);
    EXPECT_EQ(robot.WaitExit(), 0);
  }
  {
    Robot robot(Sfx("block_only"));
    HWND box = robot.WaitMessageBox();
    Screenshot("block_only");
    ASSERT_NE(box, nullptr) << robot.Describe();
    EXPECT_EQ(ControlText(box, kMessageText), "Can' t perform the required action (I/O error).");
    EXPECT_EQ(WindowText(box), Title("block_only"));
    Click(box, IDOK);
    EXPECT_EQ(robot.WaitExit(), 0);
  }
}

TEST(RavelinRobot, ExtractsIntoTheChosenFolder) {
  testutil::TempFolder temp;
  const std::string target = temp / "CHOSEN";
  Robot robot(Sfx("long_path"));
  HWND main = robot.WaitMain(Title("long_path"));
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(ControlText(main, IDOK), "Ok");
  EXPECT_EQ(ControlText(main, IDCANCEL), "Cancel");
  EXPECT_EQ(ControlText(main, 1000), "Choose directory...");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, kTarget)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, kBrowse)));
  SetField(main, kTarget, target);
  Click(main, IDOK);
  EXPECT_EQ(robot.WaitExit(), 0);
  EXPECT_EQ(Files(target), Expected("long_path"));
}

TEST(RavelinRobot, NamesStoredInUtf8ExtractUnderTheirLetters) {
  testutil::TempFolder temp;
  const std::string target = temp / "T";
  Robot robot(Sfx("utf8"));
  ASSERT_NE(StartInto(robot, "utf8", target), nullptr);
  EXPECT_EQ(robot.WaitExit(), 0);
  EXPECT_EQ(Files(target), Expected("utf8"));
  // The names as the stub holds them: upper case in code page 437, which has no capital of 'ï'.
  EXPECT_EQ(testutil::FolderNames(target + "\\"),
            (std::vector<std::string>{"CAF\xC9.TXT", "PLAIN.TXT", "SE\xD1OR \xD1.TXT",
                                      "STRA\xDF"
                                      "E.TXT",
                                      "\xDCN\xEF"
                                      "C\xD6"
                                      "D\xC9"}));
  EXPECT_EQ(testutil::FolderNames(target + "\\\xDCN\xEF"
                                           "C\xD6"
                                           "D\xC9\\"),
            std::vector<std::string>{"NA\xEFVE.TXT"});
}

TEST(RavelinRobot, TargetThatCannotBeMadeGetsNothing) {
  testutil::TempFolder temp;
  for (const std::string& target : {temp / "NO\\SUCH\\FOLDER", std::string()}) {
    SCOPED_TRACE("target '" + target + "'");
    Robot robot(Sfx("long_path"));
    ASSERT_NE(StartInto(robot, "long_path", target), nullptr);
    HWND box = robot.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ControlText(box, kMessageText), "Can' t create this directory.");
    EXPECT_EQ(WindowText(box), Title("long_path"));
    Click(box, IDOK);
    // Then the run's failure.
    HWND failure = robot.WaitWindow([&](HWND w) {
      return w != box && MessageTextControl(w) != nullptr && GetDlgItem(w, kTarget) == nullptr;
    });
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(ControlText(failure, kMessageText),
              "Can' t perform the required action (I/O error).");
    Click(failure, IDOK);
    EXPECT_EQ(robot.WaitExit(), 0);
  }
  EXPECT_TRUE(testutil::FolderNames(temp.path()).empty());
}

TEST(RavelinRobot, TemporaryFolderStaysWithoutAProgram) {
  Robot robot(Sfx("temp_noprogram"));
  HWND main = robot.WaitMain(Title("temp_noprogram"));
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, kTarget)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, kBrowse)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 1000)));
  const std::string folder = ControlText(main, kTarget);
  // GetTempFileNameA's name under the temporary folder: TMPxxxx.TMP.
  std::string upperFolder = folder, upperTemp = TempPath();
  CharUpperBuffA(upperFolder.data(), static_cast<DWORD>(upperFolder.size()));
  CharUpperBuffA(upperTemp.data(), static_cast<DWORD>(upperTemp.size()));
  ASSERT_EQ(upperFolder.rfind(upperTemp + "TMP", 0), 0u) << folder << " under " << upperTemp;
  EXPECT_EQ(upperFolder.substr(upperFolder.size() - 4), ".TMP");
  Screenshot("temp_noprogram");
  Click(main, IDOK);
  EXPECT_EQ(robot.WaitExit(), 0);
  EXPECT_EQ(Files(folder), Expected("temp_noprogram"));
  testutil::RemoveTree(folder + "\\");
}

TEST(RavelinRobot, ProgramRunsInTheFolderWhichIsThenRemoved) {
  for (const char* name : {"marker", "exit259"}) {
    SCOPED_TRACE(name);
    DeleteFileA((TempPath() + "RAVELIN_MARKER.TXT").c_str());
    Robot robot(Sfx(name));
    HWND main = robot.WaitMain(Title(name));
    ASSERT_NE(main, nullptr);
    const std::string folder = ControlText(main, kTarget);
    Click(main, IDOK);
    EXPECT_EQ(robot.WaitExit(), 0);
    const std::string marker = ReadMarker();
    std::string upper = marker;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    std::string upperFolder = folder;
    CharUpperBuffA(upperFolder.data(), static_cast<DWORD>(upperFolder.size()));
    EXPECT_EQ(upper.rfind(upperFolder + "\n", 0), 0u) << marker << " folder " << folder;
    if (std::string(name) == "marker") {
      EXPECT_NE(upper.find("TOP.TXT\n"), std::string::npos) << marker;
      EXPECT_NE(upper.find("SUB\n"), std::string::npos) << marker;
    }
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << folder;
  }
}

TEST(RavelinRobot, ReplaceQuestionNamesTheFullPath) {
  struct Row {
    std::string folder;
    std::string question;
  };
  CreateDirectoryA("C:\\TEMP", nullptr);
  const Row rows[] = {{"C:\\TEMP", "Replace C:\\TEMP\\README.TXT?"},
                      {"C:\\", "Replace C:\\README.TXT?"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    const std::string file =
        (row.folder.back() == '\\' ? row.folder : row.folder + "\\") + "README.TXT";
    ASSERT_TRUE(testutil::WriteWholeFile(file, std::string("old")));
    Robot robot(Sfx("replace"));
    ASSERT_NE(StartInto(robot, "replace", row.folder), nullptr);
    HWND prompt = robot.WaitPrompt(4);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(ControlText(prompt, kPromptText), row.question);
    EXPECT_EQ(WindowText(prompt), "Replace...");
    EXPECT_EQ(ControlText(prompt, 6), "&Yes");
    EXPECT_EQ(ControlText(prompt, 4), "Ne&ver");
    Screenshot("replace");
    Click(prompt, 7);  // No
    EXPECT_EQ(robot.WaitExit(), 0);
    std::vector<uint8_t> data;
    ASSERT_TRUE(testutil::ReadWholeFile(file, &data));
    EXPECT_EQ(std::string(data.begin(), data.end()), "old");
    DeleteFileA(file.c_str());
  }
  {  // Yes replaces.
    const std::string file = "C:\\TEMP\\README.TXT";
    ASSERT_TRUE(testutil::WriteWholeFile(file, std::string("old")));
    Robot robot(Sfx("replace"));
    ASSERT_NE(StartInto(robot, "replace", "C:\\TEMP"), nullptr);
    HWND prompt = robot.WaitPrompt(4);
    ASSERT_NE(prompt, nullptr);
    Click(prompt, 6);
    EXPECT_EQ(robot.WaitExit(), 0);
    std::vector<uint8_t> data;
    ASSERT_TRUE(testutil::ReadWholeFile(file, &data));
    EXPECT_EQ(std::string(data.begin(), data.end()), "new readme\n");
    DeleteFileA(file.c_str());
  }
}

TEST(RavelinRobot, FiftyMarkersInTheQuestionDoNotOverrun) {
  testutil::TempFolder temp;
  const std::string target = temp / "T";
  CreateDirectoryA(target.c_str(), nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(target + "\\README.TXT", std::string("old")));
  Robot robot(Sfx("pairs50"));
  ASSERT_NE(StartInto(robot, "pairs50", target), nullptr);
  HWND prompt = robot.WaitPrompt(4);
  ASSERT_NE(prompt, nullptr);
  const std::string text = ControlText(prompt, kPromptText);
  EXPECT_EQ(text.size(), 449u);  // cut at the end of the 450-byte buffer
  Click(prompt, 4);              // Never
  EXPECT_EQ(robot.WaitExit(), 0);
}

TEST(RavelinRobot, PasswordDialog) {
  testutil::TempFolder temp;
  const std::string target = temp / "T";
  Robot robot(Sfx("password"));
  ASSERT_NE(StartInto(robot, "password", target), nullptr);
  HWND prompt = robot.WaitPrompt(kPasswordEdit);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(WindowText(prompt), "Password...");
  EXPECT_EQ(ControlText(prompt, 1101), "Password:");
  EXPECT_EQ(ControlText(prompt, kPromptText), "A password is required to unzip the files.");
  SetField(prompt, kPasswordEdit, "secret");
  Screenshot("password");
  Click(prompt, 6);  // Retry with the password typed
  EXPECT_EQ(robot.WaitExit(), 0);
  EXPECT_EQ(Files(target), Expected("password"));
}

TEST(RavelinRobot, CancelDuringTheRun) {
  {  // No: the run goes on unchanged and the program runs.
    testutil::TempFolder temp;
    const std::string target = temp / "T";
    DeleteFileA((TempPath() + "RAVELIN_MARKER.TXT").c_str());
    Robot robot(Sfx("cancel"));
    HWND main = StartInto(robot, "cancel", target);
    ASSERT_NE(main, nullptr);
    Click(main, IDCANCEL);
    HWND question = robot.WaitMessageBox();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(ControlText(question, kMessageText), "Would you like to stop this program?");
    Screenshot("cancel_question");
    Click(question, IDNO);
    EXPECT_EQ(robot.WaitExit(), 0);
    EXPECT_EQ(Files(target), Expected("cancel"));
    EXPECT_FALSE(ReadMarker().empty());
  }
  {  // Yes: the run stops after the entry in progress; no program runs.
    testutil::TempFolder temp;
    const std::string target = temp / "T";
    DeleteFileA((TempPath() + "RAVELIN_MARKER.TXT").c_str());
    Robot robot(Sfx("cancel"));
    HWND main = StartInto(robot, "cancel", target);
    ASSERT_NE(main, nullptr);
    Click(main, IDCANCEL);
    HWND question = robot.WaitMessageBox();
    ASSERT_NE(question, nullptr);
    Click(question, IDYES);
    EXPECT_EQ(robot.WaitExit(), 0);
    const size_t written = Files(target).size();
    EXPECT_GE(written, 1u);
    EXPECT_LT(written, Expected("cancel").size());
    EXPECT_TRUE(ReadMarker().empty());
  }
}

TEST(RavelinRobot, RunsFromAPathOfTwoHundredCharacters) {
  testutil::TempFolder temp;
  std::string folder = temp.path();
  while (folder.size() < 200 - 8) {
    folder += std::string(std::min<size_t>(40, 200 - 8 - folder.size()), 'p') + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  std::string exe = folder + std::string(200 - 4 - folder.size(), 'x') + ".EXE";
  ASSERT_EQ(exe.size(), 200u);
  ASSERT_TRUE(CopyFileA(Sfx("long_path").c_str(), exe.c_str(), FALSE));
  const std::string target = temp / "OUT";
  Robot robot(exe);
  ASSERT_TRUE(robot.started());
  ASSERT_NE(StartInto(robot, "long_path", target), nullptr);
  EXPECT_EQ(robot.WaitExit(), 0);
  EXPECT_EQ(Files(target), Expected("long_path"));
}

}  // namespace
