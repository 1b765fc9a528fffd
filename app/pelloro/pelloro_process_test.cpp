// Pelloro.exe as a process: started with `/open "<folder with blanks>\list.zip"` its list rows,
// read across processes (a buffer in Pelloro's process), equal what python's zipfile listed; its
// panels, caption and recent list. Then the single-instance hand-off between two real processes:
// "&Yes" (Enter) hands the archive over and ends with exit code 1, "&No" (its accelerator) lists it
// in the second instance, a busy or absent first instance is not asked, and an unwritable
// C:\Test.dat leaves the second instance listing the archive itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "dialog_robot.h"
#include "gui_driver.h"
#include "peer_runner.h"
#include "win_test_util.h"

namespace {

using apptest::FixturePath;

constexpr char kAdviceCaption[] = "Pelloro '95 Orvalin";
constexpr char kHandoffFile[] = "C:\\Test.dat";

std::string ListPath() { return FixturePath("list folder\\list.zip"); }

// One started Pelloro.exe; ended (its windows closed, then killed if need be) when it goes.
class PelloroProcess {
 public:
  explicit PelloroProcess(const std::string& arguments) {
    std::string command = "\"" + testutil::UnixToWindowsPath(PELLORO_EXE_PATH) + "\"";
    if (!arguments.empty()) command += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_) != 0;
  }
  ~PelloroProcess() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      if (HWND main = MainWindow(0)) PostMessageA(main, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(info_.hProcess, 5000) == WAIT_TIMEOUT)
        TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool Started() const { return started_; }
  HANDLE Process() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }
  // The process's top-level window whose caption begins "Pelloro for Windows '95" (the main
  // window), waiting up to limitMs for one with the exact caption when given.
  HWND MainWindow(DWORD limitMs, const char* caption = nullptr) const {
    const DWORD start = GetTickCount();
    do {
      Search search{Id(), caption, nullptr};
      EnumWindows(
          [](HWND window, LPARAM context) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            const std::string text = guitest::WindowText(window);
            const bool wanted =
                s->caption != nullptr ? text == s->caption : text.rfind(pelloro::kAppTitle, 0) == 0;
            if (pid == s->pid && wanted && guitest::ClassName(window) != "tooltips_class32") {
              s->found = window;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (search.found != nullptr) return search.found;
      guitest::Pump(50);
    } while (GetTickCount() - start < limitMs);
    return nullptr;
  }
  // Waits for the end; the exit code, or -1 when it is still running.
  long Ended(DWORD limitMs) const {
    if (WaitForSingleObject(info_.hProcess, limitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  struct Search {
    DWORD pid;
    const char* caption;
    HWND found;
  };
  PROCESS_INFORMATION info_ = {};
  bool started_ = false;
};

HWND ChildOfClass(HWND parent, const char* className) {
  return FindWindowExA(parent, nullptr, className, nullptr);
}

// A text read through a buffer in the other process: msg(wParam, remote buffer) fills it.
std::string RemoteText(HWND window, UINT msg, WPARAM wParam, bool listItem, int subItem = 0) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return "<no process>";
  constexpr SIZE_T kText = 1100;
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE));
  std::string text = "<no memory>";
  if (remote != nullptr) {
    char* remoteText = remote + sizeof(LVITEMA);
    const char nothing = 0;
    WriteProcessMemory(process, remoteText, &nothing, 1, nullptr);
    LPARAM argument = reinterpret_cast<LPARAM>(remoteText);
    if (listItem) {
      LVITEMA request = {};
      request.iSubItem = subItem;
      request.pszText = remoteText;
      request.cchTextMax = static_cast<int>(kText);
      WriteProcessMemory(process, remote, &request, sizeof(request), nullptr);
      argument = reinterpret_cast<LPARAM>(remote);
    }
    SendMessageA(window, msg, wParam, argument);
    char buffer[kText] = {};
    ReadProcessMemory(process, remoteText, buffer, kText - 1, nullptr);
    text = buffer;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

int ListCount(HWND main) {
  HWND list = ChildOfClass(main, "SysListView32");
  return list != nullptr ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

std::vector<std::vector<std::string>> RemoteRows(HWND main) {
  std::vector<std::vector<std::string>> rows;
  HWND list = ChildOfClass(main, "SysListView32");
  for (int i = 0; i < ListCount(main); ++i) {
    std::vector<std::string> row;
    for (int column = 0; column < 3; ++column) {
      row.push_back(RemoteText(list, LVM_GETITEMTEXTA, i, true, column));
    }
    rows.push_back(row);
  }
  return rows;
}

std::string PanelText(HWND main, int panel) {
  return RemoteText(ChildOfClass(main, "msctls_statusbar32"), SB_GETTEXTA, panel, false);
}

int PythonCount() { return std::stoi(apptest::Manifest("count.txt").at(0).at(0)); }

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

class PelloroProcessTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    DeleteFileA(kHandoffFile);
    RemoveDirectoryA(kHandoffFile);
  }
  void TearDown() override {
    DeleteFileA(kHandoffFile);
    RemoveDirectoryA(kHandoffFile);
    apptest::AppTest::TearDown();
  }
  // An idle first instance without an argument.
  HWND StartIdle(PelloroProcess& a) {
    EXPECT_TRUE(a.Started());
    return a.MainWindow(20000, pelloro::kCaptionIdle);
  }
  static std::string OpenArgument() { return "/open \"" + ListPath() + "\""; }
};

TEST_F(PelloroProcessTest, OpenListsWhatPythonListedAcrossProcesses) {
  auto expected = apptest::Manifest("list.txt");
  for (auto& row : expected) row.resize(3);
  {
    PelloroProcess pelloro(OpenArgument());
    ASSERT_TRUE(pelloro.Started());
    HWND main = pelloro.MainWindow(20000, pelloro::kCaptionIdle);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(RemoteRows(main), expected);
    EXPECT_EQ(PanelText(main, 0), ListPath());
    EXPECT_EQ(PanelText(main, 1), std::to_string(PythonCount()) + " files in zip");
    guitest::SaveScreenshot(main, "pelloro_process_main.bmp");
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(pelloro.Ended(15000), 0);
  }
  EXPECT_EQ(apptest::ReadSetting("F0", "MRU Items"), ListPath());
  EXPECT_NE(apptest::ReadSetting("PosX"), "<none>");
}

TEST_F(PelloroProcessTest, ATruncatedArchiveGivesTheCorruptMessage) {
  PelloroProcess pelloro("/open \"" + FixturePath("truncated.zip") + "\"");
  ASSERT_TRUE(pelloro.Started());
  // The message is shown inside the main window's creation, before the window is shown: the
  // answerer finds the program's own message form (no dialog box) and presses its OK button.
  std::string text;
  testutil::DialogAnswerer answer({.process = pelloro.Id(), .caption = "Error", .prefix = true},
                                  [&](HWND message) {
                                    guitest::SaveScreenshot(message, "pelloro_process_corrupt.bmp");
                                    text = guitest::WindowText(message);
                                    guitest::Press(message, IDOK);
                                  });
  HWND main = pelloro.MainWindow(20000, pelloro::kCaptionIdle);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(answer.Wait());
  EXPECT_TRUE(answer.found());
  EXPECT_EQ(text, "Error");
  EXPECT_FALSE(IsWindowVisible(ChildOfClass(main, "SysListView32")));
  EXPECT_EQ(PanelText(main, 0), "(no open file)");
  EXPECT_EQ(PanelText(main, 1), "0 files in zip");
}

TEST_F(PelloroProcessTest, YesHandsTheArchiveToTheIdleInstance) {
  PelloroProcess a("");
  HWND mainA = StartIdle(a);
  ASSERT_NE(mainA, nullptr);
  ShowWindow(mainA, SW_MINIMIZE);
  guitest::Pump(300);
  ASSERT_TRUE(IsIconic(mainA));
  PelloroProcess b(OpenArgument());
  HWND advice = guitest::WaitForWindow(kAdviceCaption, 20000);
  ASSERT_NE(advice, nullptr);
  guitest::SaveScreenshot(advice, "pelloro_orvalin.bmp");
  PostMessageA(advice, WM_KEYDOWN, VK_RETURN, 0x1C0001);
  EXPECT_EQ(b.Ended(20000), 1);
  EXPECT_FALSE(FileExists(kHandoffFile));
  EXPECT_FALSE(IsIconic(mainA));
  EXPECT_EQ(ListCount(mainA), PythonCount());
  EXPECT_EQ(guitest::WindowText(mainA), pelloro::kCaptionIdle);
  EXPECT_EQ(PanelText(mainA, 0), ListPath());
}

TEST_F(PelloroProcessTest, NoListsInTheSecondInstanceAndLeavesTestDat) {
  PelloroProcess a("");
  HWND mainA = StartIdle(a);
  ASSERT_NE(mainA, nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(kHandoffFile, std::string("earlier\r\n")));
  PelloroProcess b(OpenArgument());
  HWND advice = guitest::WaitForWindow(kAdviceCaption, 20000);
  ASSERT_NE(advice, nullptr);
  guitest::PressAccelerator(advice, 'n');
  HWND mainB = b.MainWindow(20000, pelloro::kCaptionIdle);
  ASSERT_NE(mainB, nullptr);
  EXPECT_EQ(b.Ended(0), -1);  // still running
  EXPECT_EQ(ListCount(mainB), PythonCount());
  EXPECT_EQ(ListCount(mainA), 0);
  EXPECT_EQ(PanelText(mainA, 0), "(no open file)");
  std::string kept;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(testutil::ReadWholeFile(kHandoffFile, &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "earlier\r\n");
}

TEST_F(PelloroProcessTest, NoAdviceWithoutAnArgumentOrWhenTheFirstIsBusy) {
  PelloroProcess a("");
  HWND mainA = StartIdle(a);
  ASSERT_NE(mainA, nullptr);
  {
    PelloroProcess b("");
    ASSERT_NE(b.MainWindow(20000, pelloro::kCaptionIdle), nullptr);
    EXPECT_EQ(FindWindowA(nullptr, kAdviceCaption), nullptr);
  }
  // "Open &Normal.." up in the first: busy, not found.
  // Menus belong to their process: the keyboard opens the File menu and picks the item.
  guitest::PressAccelerator(mainA, 'f');
  guitest::Pump(500);
  PostMessageA(mainA, WM_CHAR, 'n', 0x310001);
  HWND dialog = guitest::WaitForWindow("Select a Zip file to Open...", 20000);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(guitest::WindowText(mainA), pelloro::kCaptionBusy);
  {
    PelloroProcess b(OpenArgument());
    HWND mainB = b.MainWindow(20000, pelloro::kCaptionIdle);
    ASSERT_NE(mainB, nullptr);
    EXPECT_EQ(FindWindowA(nullptr, kAdviceCaption), nullptr);
    EXPECT_EQ(ListCount(mainB), PythonCount());
  }
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_NE(a.MainWindow(10000, pelloro::kCaptionIdle), nullptr);
}

TEST_F(PelloroProcessTest, AnUnwritableTestDatLeavesTheSecondListingItself) {
  PelloroProcess a("");
  HWND mainA = StartIdle(a);
  ASSERT_NE(mainA, nullptr);
  ASSERT_TRUE(CreateDirectoryA(kHandoffFile, nullptr));  // a folder of that name
  PelloroProcess b(OpenArgument());
  HWND advice = guitest::WaitForWindow(kAdviceCaption, 20000);
  ASSERT_NE(advice, nullptr);
  PostMessageA(advice, WM_KEYDOWN, VK_RETURN, 0x1C0001);
  HWND mainB = b.MainWindow(20000, pelloro::kCaptionIdle);
  ASSERT_NE(mainB, nullptr);
  EXPECT_EQ(b.Ended(0), -1);
  EXPECT_EQ(ListCount(mainB), PythonCount());
  EXPECT_EQ(ListCount(mainA), 0);
}

// The main window's commands driven as a user does, across processes: Ctrl+N as real keys with
// Pelloro in front, the "New Zip file" dialog found by its caption and filled by WM_SETTEXT,
// Enter: a missing three-level folder made and an empty archive python reads; the add dialog
// follows when its box is checked; Ctrl+X ends the program with exit code 0.
void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto key = keys.end(); key != keys.begin();) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *--key;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::vector<HWND> ChildrenOfClass(HWND parent, const char* className) {
  struct Found {
    const char* className;
    std::vector<HWND> windows;
  } found{className, {}};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM context) CALLBACK -> BOOL {
        auto* f = reinterpret_cast<Found*>(context);
        if (guitest::ClassName(window) == f->className) f->windows.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

TEST_F(PelloroProcessTest, CtrlNMakesAnEmptyArchiveAndCtrlXEnds) {
  const std::string folder =
      testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\process new\\one\\two\\three";
  testutil::RemoveTree(testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\process new\\");
  PelloroProcess pelloro("");
  HWND main = StartIdle(pelloro);
  ASSERT_NE(main, nullptr);
  SetForegroundWindow(main);
  guitest::Pump(300);
  PressKeys({VK_CONTROL, 'N'});
  HWND dialog = guitest::WaitForWindow("New Zip file", 20000);
  ASSERT_NE(dialog, nullptr);
  const std::vector<HWND> edits = ChildrenOfClass(dialog, "Edit");
  ASSERT_GE(edits.size(), 3u);  // Directory, FileName, CompleteZip
  SendMessageA(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  SendMessageA(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("by keys"));
  guitest::Pump(100);
  // Another process's edit answers WM_GETTEXT (GetWindowText would not ask it).
  char text[MAX_PATH] = {};
  SendMessageA(edits[2], WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  const std::string complete = text;
  EXPECT_TRUE(lstrcmpiA(complete.c_str(), (folder + "\\by keys.zip").c_str()) == 0) << complete;
  for (HWND box : ChildrenOfClass(dialog, "Button")) {
    if (guitest::WindowText(box) == "&Add files to this zip straight away") {
      SendMessageA(box, BM_CLICK, 0, 0);
    }
  }
  guitest::SaveScreenshot(dialog, "pelloro_process_new_zip.bmp");
  PostMessageA(edits[1], WM_KEYDOWN, VK_RETURN, 0x1C0001);
  HWND add = guitest::WaitForWindow("Add Files", 20000);
  ASSERT_NE(add, nullptr);
  EXPECT_NE(GetFileAttributesA(complete.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string entries = testutil::RunPeer(
      testutil::BinaryDir() + "app\\pelloro\\",
      "python3 -c 'import sys, zipfile; print(len(zipfile.ZipFile(sys.argv[1]).namelist()))' '" +
          testutil::UnixPath(complete) + "'");
  EXPECT_EQ(entries, "0\n");
  PostMessageA(add, WM_CLOSE, 0, 0);
  ASSERT_NE(pelloro.MainWindow(20000, pelloro::kCaptionIdle), nullptr);
  SetForegroundWindow(main);
  guitest::Pump(300);
  PressKeys({VK_CONTROL, 'X'});
  EXPECT_EQ(pelloro.Ended(20000), 0);
}

}  // namespace
