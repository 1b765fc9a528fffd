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

}  // namespace

// ---- the self-extractor wizard in Pelloro.exe ---------------------------------------------------
// "A&ctions|Make &SFX" by the menu's accelerators, the pages by Enter, the title typed
// (WM_SETTEXT), a click on the entry inside a folder; the result read by python, its settings block
// holding the title and that entry by its full name; "Run it now?" answered No.
#include "peer_runner.h"

namespace {

// The bounds of a row of a list view in another process (through a buffer in that process).
RECT RemoteRowBounds(HWND list, int row) {
  RECT bounds = {LVIR_LABEL, 0, 0, 0};
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return RECT{};
  void* remote = VirtualAllocEx(process, nullptr, sizeof bounds, MEM_COMMIT, PAGE_READWRITE);
  if (remote != nullptr) {
    WriteProcessMemory(process, remote, &bounds, sizeof bounds, nullptr);
    SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &bounds, sizeof bounds, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return bounds;
}

// The child window of that class and text (any text for null; asked with WM_GETTEXT, which the
// system carries across processes), searched through the whole tree.
HWND FindChild(HWND parent, const char* className, const char* text) {
  HWND found = nullptr;
  testutil::EachChildWindow(parent, [&](HWND child) {
    char held[256] = {};
    if (text != nullptr) {
      SendMessageTimeoutA(child, WM_GETTEXT, sizeof held, reinterpret_cast<LPARAM>(held),
                          SMTO_ABORTIFHUNG, 5000, nullptr);
    }
    if (lstrcmpiA(guitest::ClassName(child).c_str(), className) == 0 &&
        (text == nullptr || lstrcmpA(held, text) == 0)) {
      found = child;
      return false;
    }
    return true;
  });
  return found;
}

void Enter(HWND window) {
  PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0x1C0001);
  PostMessageA(window, WM_KEYUP, VK_RETURN, 0xC01C0001);
  Sleep(400);
}

TEST_F(PelloroProcessTest, TheSelfExtractorWizardBuildsWhatThePeersRead) {
  const std::string work = testutil::BinaryDir() + "app\\pelloro\\process_sfx\\";
  testutil::RemoveTree(work);
  ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
  const std::string archive = work + "tools.zip";
  ASSERT_TRUE(CopyFileA(FixturePath("sfx folder\\sfx.zip").c_str(), archive.c_str(), FALSE));
  PelloroProcess pelloro("/open \"" + archive + "\"");
  ASSERT_TRUE(pelloro.Started());
  HWND main = pelloro.MainWindow(20000, pelloro::kCaptionIdle);
  ASSERT_NE(main, nullptr);
  guitest::PressAccelerator(main, 'c');
  guitest::Pump(500);
  PostMessageA(main, WM_CHAR, 's', 0x1F0001);
  HWND wizard = guitest::WaitForWindow("Pelloro Self-Extractor Creator", 20000);
  ASSERT_NE(wizard, nullptr);
  Sleep(300);
  Enter(wizard);  // page 2
  HWND title = FindChild(wizard, "Edit", "My Self-Extracting Zip file");
  ASSERT_NE(title, nullptr);
  const std::string caption =
      "Gr\xFC\xDF"
      "e from Pelloro";
  SendMessageTimeoutA(title, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  Enter(wizard);  // page 3
  Enter(wizard);  // page 4: the entries
  HWND list = FindChild(wizard, "SysListView32", nullptr);
  ASSERT_NE(list, nullptr);
  int row = -1;
  for (int i = 0; i < static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); ++i) {
    if (RemoteText(list, LVM_GETITEMTEXTA, i, true) == "run.bat") row = i;
  }
  ASSERT_GE(row, 0);
  const RECT bounds = RemoteRowBounds(list, row);
  const LPARAM at = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  Sleep(400);
  guitest::SaveScreenshot(wizard, "pelloro_process_sfx_page4.bmp");
  Enter(wizard);  // page 5
  guitest::SaveScreenshot(wizard, "pelloro_process_sfx_page5.bmp");
  Enter(wizard);  // build
  // The question has Yes and No (no OK): found by its caption.
  HWND question = guitest::WaitForWindow("Confirm", 20000);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(testutil::ProcessOf(question), pelloro.Id());
  Sleep(200);
  guitest::SaveScreenshot(question, "pelloro_process_sfx_run_it_now.bmp");
  guitest::Press(question, IDNO);
  EXPECT_NE(pelloro.MainWindow(20000, pelloro::kCaptionIdle), nullptr);
  for (int i = 0; i < 100 && IsWindow(wizard); ++i) Sleep(50);
  EXPECT_FALSE(IsWindow(wizard)) << "the wizard closes";

  const std::string exe = work + "tools.exe";
  std::string dll = testutil::UnixToWindowsPath(QX30W32_DLL_PATH);
  dll.resize(dll.find_last_of('\\') + 1);
  const size_t stub = testutil::FileBytes(dll + "RAVELIN.32").size();
  const std::vector<uint8_t> bytes = testutil::FileBytes(exe);
  ASSERT_GT(bytes.size(), stub + 682);
  const std::string block(bytes.begin() + stub, bytes.begin() + stub + 682);
  EXPECT_EQ(block.substr(2, 50), caption + std::string(50 - caption.size(), ' '));
  const std::string program = block.substr(52, 50);
  EXPECT_EQ(lstrcmpiA(program.substr(0, program.find(' ')).c_str(), "bin\\run.bat"), 0) << program;
  EXPECT_EQ(block[1], '1');
  const std::string peers = testutil::RunPeer(
      work,
      "python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
      "assert z.testzip() is None; print(len(z.infolist()))' '" +
          testutil::UnixPath(exe) + "' && unzip -tqq '" + testutil::UnixPath(exe) +
          "' </dev/null >/dev/null 2>&1 && echo PEER-OK\n");
  EXPECT_EQ(peers, "4\nPEER-OK\n");
  const std::string kept = testutil::BinaryDir() + "app\\pelloro\\peer_check\\";
  CreateDirectoryA(kept.c_str(), nullptr);
  EXPECT_TRUE(CopyFileA(exe.c_str(), (kept + "sfx_process.exe").c_str(), FALSE));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(pelloro.Ended(15000), 0);
}

}  // namespace
