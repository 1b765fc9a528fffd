// Drives real self-extractors as a user would: finds their windows by caption and control id, types
// into the folder field, presses buttons and answers the questions, then compares what was
// written with what unzip -d made of the same archive. Screenshots (BMP) go into the build tree.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "win_test_util.h"

namespace {

constexpr int kTarget = 101;
constexpr int kBrowse = 103;
constexpr int kPromptText = 1003;
constexpr int kPasswordEdit = 1001;
constexpr int kMessageText = 0xFFFF;  // the text of a message box

std::string Fixtures() {
  const char* set = getenv("RAVELIN_ROBOT_FIXTURES");
  if (set != nullptr && *set != '\0') return set;
  return testutil::BinaryDir() + "sfxstub\\robot\\fixtures\\robot\\";
}
std::string Sfx(const std::string& name) { return Fixtures() + name + "\\sfx.exe"; }
std::string Title(const std::string& name) { return "Ravelin robot " + name; }

std::string TempPath() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  return temp;
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The whole screen as a BMP in the build tree, for people reviewing the run.
void Screenshot(const std::string& name) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = ((w * 3) + 3) & ~3u;
  std::vector<uint8_t> pixels(stride * h);
  GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfSize = static_cast<DWORD>(sizeof file + sizeof info + pixels.size());
  file.bfOffBits = sizeof file + sizeof info;
  std::vector<uint8_t> bytes(file.bfSize);
  std::memcpy(bytes.data(), &file, sizeof file);
  std::memcpy(bytes.data() + sizeof file, &info, sizeof info);
  std::memcpy(bytes.data() + file.bfOffBits, pixels.data(), pixels.size());
  CreateDirectoryA((testutil::BinaryDir() + "sfxstub\\robot\\screenshots").c_str(), nullptr);
  testutil::WriteWholeFile(testutil::BinaryDir() + "sfxstub\\robot\\screenshots\\" + name + ".bmp", bytes);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// The text static of a message box (id 0xFFFF; a 32-bit process's id can read back sign-extended).
HWND MessageTextControl(HWND box) {
  struct Search {
    HWND found;
  } search = {nullptr};
  EnumChildWindows(
      box,
      [](HWND child, LPARAM p) CALLBACK -> BOOL {
        if ((GetDlgCtrlID(child) & 0xFFFF) == 0xFFFF && GetWindowTextLengthA(child) > 0) {
          reinterpret_cast<Search*>(p)->found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// One self-extractor process and its windows.
class Robot {
 public:
  explicit Robot(const std::string& exe) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    started_ = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_) != 0;
  }
  ~Robot() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  bool started() const { return started_; }
  // The process's top-level windows, for failure messages.
  std::string Describe() {
    struct Search {
      DWORD pid;
      std::string text;
    } search = {process_.dwProcessId, ""};
    EnumWindows(
        [](HWND w, LPARAM p) CALLBACK -> BOOL {
          auto* s = reinterpret_cast<Search*>(p);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid == s->pid) {
            s->text.append("[").append(ClassOf(w)).append(" '").append(WindowText(w)).append("'");
            s->text.append(IsWindowVisible(w) ? " visible] " : "] ");
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.text;
  }

  // The process's visible top-level dialog for which accept holds, waited for up to ms.
  HWND WaitWindow(const std::function<bool(HWND)>& accept, DWORD ms = 60000) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
      HWND found = Find(accept);
      if (found != nullptr) return found;
      if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) return Find(accept);
    }
    return nullptr;
  }
  HWND WaitMain(const std::string& title) {
    return WaitWindow([&](HWND w) { return WindowText(w) == title && GetDlgItem(w, kTarget) != nullptr; });
  }
  HWND WaitMessageBox(DWORD ms = 60000) {
    return WaitWindow([](HWND w) {
      return MessageTextControl(w) != nullptr && GetDlgItem(w, kTarget) == nullptr &&
             GetDlgItem(w, kPromptText) == nullptr;
    }, ms);
  }
  HWND WaitPrompt(int distinctControl) {
    return WaitWindow([&](HWND w) {
      return GetDlgItem(w, kPromptText) != nullptr && GetDlgItem(w, distinctControl) != nullptr;
    });
  }
  // Waits for the end; the exit code, or -1 when it did not end in time.
  long WaitExit(DWORD ms = 60000) {
    if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  HWND Find(const std::function<bool(HWND)>& accept) {
    struct Search {
      DWORD pid;
      const std::function<bool(HWND)>* accept;
      HWND found;
    } search = {process_.dwProcessId, &accept, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) CALLBACK -> BOOL {
          auto* s = reinterpret_cast<Search*>(p);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid == s->pid && IsWindowVisible(w) && ClassOf(w) == "#32770" && (*s->accept)(w)) {
            s->found = w;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void SetField(HWND dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
// WM_GETTEXT: GetWindowText does not ask a control of another process (an edit's text stays unread).
std::string ControlText(HWND dialog, int id) {
  char text[1024] = {};
  HWND control = id == kMessageText ? MessageTextControl(dialog) : GetDlgItem(dialog, id);
  SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// Every file below folder: upper-case relative path -> contents.
void ListFiles(const std::string& root, const std::string& relative, std::map<std::string, std::string>* files) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListFiles(root, relative + name + "\\", files);
    } else {
      std::vector<uint8_t> data;
      testutil::ReadWholeFile(root + relative + name, &data);
      std::string key = relative + name;
      CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
      (*files)[key] = std::string(data.begin(), data.end());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}
std::map<std::string, std::string> Files(std::string folder) {
  if (folder.back() != '\\') folder += '\\';
  std::map<std::string, std::string> files;
  ListFiles(folder, "", &files);
  return files;
}
std::map<std::string, std::string> Expected(const std::string& name) {
  return Files(Fixtures() + name + "\\expected");
}

// Starts a case, puts target into the folder field and presses OK; returns the main dialog.
HWND StartInto(Robot& robot, const std::string& name, const std::string& target) {
  HWND main = robot.WaitMain(Title(name));
  if (main == nullptr) return nullptr;
  SetField(main, kTarget, target);
  Screenshot(name + "_main");
  Click(main, IDOK);
  return main;
}

std::string ReadMarker() {
  std::vector<uint8_t> data;
  if (!testutil::ReadWholeFile(TempPath() + "RAVELIN_MARKER.TXT", &data)) return "";
  return std::string(data.begin(), data.end());
}

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
    EXPECT_EQ(ControlText(failure, kMessageText), "Can' t perform the required action (I/O error).");
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
  const Row rows[] = {{"C:\\TEMP", "Replace C:\\TEMP\\README.TXT?"}, {"C:\\", "Replace C:\\README.TXT?"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    const std::string file = (row.folder.back() == '\\' ? row.folder : row.folder + "\\") + "README.TXT";
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
  Click(prompt, 4);  // Never
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
