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

// The tool windows in Pelloro.exe as a process: "F&ind..." by its accelerator searches T: and
// Open lists the archive found; "&Dorrel IT!" (its WM_COMMAND posted) splits a file to A: on a
// diskette-sized drive with the disks swapped at each prompt; Kobu, run from the first disk and
// driven by control id, rebuilds the source, and after Cancel at a missing part's disk leaves no
// output.
#include <wincrypt.h>

#include "forms/menus.h"
#include "main_form.h"
#include "toolstest_support.h"
#include "volumes/small_drive_test_support.h"

namespace {

constexpr char kToolsRoot[] = "T:\\";
constexpr char kProcessWork[] = "T:\\proc\\";

// A file's SHA-256 in hexadecimal (the system's provider); "" when it cannot be read.
std::string Sha256(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!testutil::ReadWholeFile(path, &bytes)) return std::string();
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
    return "<no provider>";
  std::string text;
  HCRYPTHASH hash = 0;
  // CALG_SHA_256 (the headers name it only from Windows Server 2003 SP2 on).
  constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;
  if (CryptCreateHash(provider, kSha256, 0, 0, &hash)) {
    BYTE digest[32];
    DWORD size = sizeof digest;
    if (CryptHashData(hash, bytes.data(), static_cast<DWORD>(bytes.size()), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
      static const char kHex[] = "0123456789abcdef";
      for (DWORD i = 0; i < size; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
      }
    }
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  return text;
}

// Every window below the parent (any depth) of that class.
std::vector<HWND> Descendants(HWND parent, const char* className) {
  std::vector<HWND> found;
  testutil::EachChildWindow(parent, [&](HWND child) {
    if (guitest::ClassName(child) == className) found.push_back(child);
    return true;
  });
  return found;
}

// A window's text through WM_GETTEXT (the system copies it across processes).
std::string SentText(HWND window) {
  char buffer[4096] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, 5000, &ignored);
  return buffer;
}

// A list line of a list or combo box of another process (the system copies it back).
std::string LineText(HWND window, UINT lengthMsg, UINT textMsg, int index) {
  // Asked in UTF-16: the system's copy between processes passes the A form's bytes unconverted.
  const LRESULT length = SendMessageW(window, lengthMsg, index, 0);
  if (length < 0) return "<no line>";
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(window, textMsg, index, reinterpret_cast<LPARAM>(wide.data()));
  char text[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text - 1, nullptr, nullptr);
  return text;
}

// The visible message form of the process (none within the limit: null).
HWND MessageFormOf(DWORD pid, DWORD limitMs = 20000) {
  const DWORD start = GetTickCount();
  do {
    HWND found = nullptr;
    testutil::EachTopLevelWindow([&](HWND window) {
      if (testutil::ProcessOf(window) == pid && IsWindowVisible(window) &&
          testutil::IsMessageForm(window)) {
        found = window;
        return false;
      }
      return true;
    });
    if (found != nullptr) return found;
    guitest::Pump(30);
  } while (GetTickCount() - start < limitMs);
  return nullptr;
}

void WaitGone(HWND window) {
  for (int i = 0; i < 500 && IsWindow(window) && IsWindowVisible(window); ++i) guitest::Pump(20);
}

// The menu command of an item in a Pelloro.exe started now: its items are numbered from 100 in
// the order the main window makes them, the same order as in this process's main window.
UINT CommandInProcess(pelloro::TMainfrm& main, const forms::MenuItem& item) {
  UINT first = item.Command();
  std::function<void(forms::Component&)> walk = [&](forms::Component& component) {
    for (forms::Component* child : component.Components()) {
      if (auto* menuItem = dynamic_cast<forms::MenuItem*>(child))
        first = std::min(first, menuItem->Command());
      walk(*child);
    }
  };
  walk(main);
  return 100 + item.Command() - first;
}

class PelloroToolsProcessTest : public PelloroProcessTest {
 protected:
  void SetUp() override {
    PelloroProcessTest::SetUp();
    if (IsSkipped()) return;
    if (GetDriveTypeA(kToolsRoot) == DRIVE_NO_ROOT_DIR)
      GTEST_SKIP() << "drive T: is not mapped in this prefix (scripts/wine-env.sh)";
    for (const std::string& name : testutil::FolderNames(kToolsRoot)) {
      const std::string path = std::string(kToolsRoot) + name;
      if (!testutil::RemoveTree(path)) DeleteFileA(path.c_str());
    }
    ASSERT_TRUE(CreateDirectoryA(kProcessWork, nullptr));
  }
};

TEST_F(PelloroToolsProcessTest, FindByItsAcceleratorSearchesAndOpensTheArchive) {
  const std::string found = std::string(kProcessWork) + "found\\";
  ASSERT_TRUE(CreateDirectoryA(found.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(FixturePath("setup.zip").c_str(), (found + "Caf\xe9.zip").c_str(), FALSE));
  PelloroProcess pelloro("");
  HWND main = StartIdle(pelloro);
  ASSERT_NE(main, nullptr);
  guitest::PressAccelerator(main, 'i');
  HWND search = guitest::WaitForWindow("Find Compressed Files", 20000);
  ASSERT_NE(search, nullptr);
  guitest::Pump(300);
  // Look in T: (the drive list's line "[-t-]"), named "*.Zip" as it starts; Enter searches.
  const std::vector<HWND> combos = Descendants(search, "ComboBox");
  ASSERT_EQ(combos.size(), 1u);
  const int drives = static_cast<int>(SendMessageA(combos[0], CB_GETCOUNT, 0, 0));
  int drive = -1;
  for (int i = 0; i < drives && drive < 0; ++i) {
    if (LineText(combos[0], CB_GETLBTEXTLEN, CB_GETLBTEXT, i).find("[-t-]") != std::string::npos)
      drive = i;
  }
  ASSERT_GE(drive, 0) << drives << " drives";
  SendMessageA(combos[0], CB_SETCURSEL, drive, 0);
  const std::vector<HWND> edits = Descendants(search, "Edit");
  ASSERT_FALSE(edits.empty());
  HWND pattern = edits[0];
  for (HWND edit : edits) {
    if (SentText(edit) == "*.Zip") pattern = edit;
  }
  EXPECT_EQ(SentText(pattern), "*.Zip");
  PostMessageA(pattern, WM_KEYDOWN, VK_RETURN, 0x1C0001);
  const std::vector<HWND> lists = Descendants(search, "ListBox");
  ASSERT_EQ(lists.size(), 1u);
  for (int i = 0; i < 250 && SendMessageA(lists[0], LB_GETCOUNT, 0, 0) < 1; ++i) guitest::Pump(20);
  guitest::Pump(300);
  ASSERT_EQ(SendMessageA(lists[0], LB_GETCOUNT, 0, 0), 1);
  const std::string line = LineText(lists[0], LB_GETTEXTLEN, LB_GETTEXT, 0);
  EXPECT_EQ(line, "t:\\proc\\found\\caf\xe9.zip");
  guitest::SaveScreenshot(search, "pelloro_process_find.bmp");
  // A click on the line, then a double click: Open.
  PostMessageA(lists[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 6));
  PostMessageA(lists[0], WM_LBUTTONUP, 0, MAKELPARAM(8, 6));
  PostMessageA(lists[0], WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(8, 6));
  PostMessageA(lists[0], WM_LBUTTONUP, 0, MAKELPARAM(8, 6));
  HWND listed = pelloro.MainWindow(20000, pelloro::kCaptionIdle);
  ASSERT_NE(listed, nullptr);
  for (int i = 0; i < 250 && (IsWindow(search) && IsWindowVisible(search)); ++i) guitest::Pump(20);
  EXPECT_FALSE(IsWindow(search) && IsWindowVisible(search));
  EXPECT_EQ(ListCount(main), 2);
  EXPECT_EQ(guitest::WindowText(main), pelloro::kCaptionIdle);
  EXPECT_EQ(PanelText(main, 0), line);
}

TEST_F(PelloroToolsProcessTest, DorrelSplitsToDiskettesAndKobuRebuildsOrCancels) {
  if (GetDriveTypeA("A:\\") != DRIVE_REMOVABLE)
    GTEST_SKIP() << "drive A: is not typed floppy in this prefix (scripts/wine-env.sh maps it)";
  auto drive = std::make_unique<volumetest::SmallDrive>('A', 1440);
  if (!drive->mounted()) GTEST_SKIP() << drive->reason();
  for (const std::string& name : testutil::FolderNames("A:\\"))
    DeleteFileA(("A:\\" + name).c_str());
  // The diskettes: the one in the drive goes to its shelf, the wanted one comes in.
  const std::string shelf = std::string(kProcessWork) + "shelf\\";
  ASSERT_TRUE(CreateDirectoryA(shelf.c_str(), nullptr));
  int inDrive = 1;
  const auto swap = [&](int wanted) {
    const std::string out = shelf + std::to_string(inDrive) + "\\";
    CreateDirectoryA(out.c_str(), nullptr);
    // A running Kobu's own file may stay in the drive (the system keeps a running program's
    // file); it is no part of any disk's set.
    const auto running = [](const std::string& name) {
      return lstrcmpiA(name.c_str(), "Kobu") == 0;
    };
    for (const std::string& name : testutil::FolderNames("A:\\")) {
      ASSERT_TRUE(CopyFileA(("A:\\" + name).c_str(), (out + name).c_str(), FALSE)) << name;
      ASSERT_TRUE(DeleteFileA(("A:\\" + name).c_str()) || running(name)) << name;
    }
    inDrive = wanted;
    const std::string in = shelf + std::to_string(wanted) + "\\";
    for (const std::string& name : testutil::FolderNames(in)) {
      const std::string there = "A:\\" + name;
      if (!(running(name) && GetFileAttributesA(there.c_str()) != INVALID_FILE_ATTRIBUTES)) {
        ASSERT_TRUE(CopyFileA((in + name).c_str(), there.c_str(), FALSE)) << name;
      }
      ASSERT_TRUE(DeleteFileA((in + name).c_str())) << name;
    }
  };
  const std::string source = std::string(kProcessWork) + "source.dat";
  std::vector<uint8_t> data(3000000);
  uint32_t x = 7;
  for (auto& b : data) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 16);
  ASSERT_TRUE(testutil::WriteWholeFile(source, data));

  // The command of "&Dorrel IT!" in the process: counted in a main window of this process.
  pelloro::TMainfrm& inProcess = MakeMain();
  forms::MenuItem* dorrel = inProcess.Plugins1->Find("&Dorrel IT!");
  ASSERT_NE(dorrel, nullptr);
  const UINT command = CommandInProcess(inProcess, *dorrel);

  PelloroProcess pelloro("");
  HWND main = StartIdle(pelloro);
  ASSERT_NE(main, nullptr);
  PostMessageA(main, WM_COMMAND, command, 0);
  HWND splitter = guitest::WaitForWindow("Dorrel for Windows '95", 20000);
  ASSERT_NE(splitter, nullptr) << "no splitter after command " << command;
  EXPECT_EQ(guitest::WindowText(main), pelloro::kCaptionBusy);
  guitest::Pump(300);
  HWND sourceEdit = nullptr, targetEdit = nullptr, memo = nullptr, split = nullptr;
  for (HWND edit : Descendants(splitter, "Edit")) {
    const bool multiLine = (GetWindowLongA(edit, GWL_STYLE) & ES_MULTILINE) != 0;
    if (multiLine && IsWindowVisible(GetParent(edit)) == FALSE) memo = edit;  // the status log
    if (multiLine || !IsWindowVisible(edit)) continue;
    (SentText(edit) == "A:\\" ? targetEdit : sourceEdit) = edit;
  }
  for (HWND button : Descendants(splitter, "Button")) {
    if (guitest::WindowText(button) == "&Split") split = button;
  }
  ASSERT_NE(sourceEdit, nullptr);
  ASSERT_NE(targetEdit, nullptr);
  ASSERT_NE(memo, nullptr);
  ASSERT_NE(split, nullptr);
  SendMessageA(sourceEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(source.c_str()));
  PostMessageA(sourceEdit, WM_KEYUP, VK_END, 0xC14F0001);
  guitest::Pump(300);
  EXPECT_TRUE(IsWindowEnabled(split));
  guitest::SaveScreenshot(splitter, "pelloro_process_dorrel.bmp");
  PostMessageA(split, BM_CLICK, 0, 0);
  // "When you are ready to begin click ok.", then one prompt a further disk (its disk goes in
  // first), then the completion once the log says it is done.
  int prompts = 0;
  bool done = false;
  for (int message = 0; message < 8 && !done; ++message) {
    HWND box = MessageFormOf(pelloro.Id());
    ASSERT_NE(box, nullptr) << "message " << message;
    guitest::Pump(100);
    const std::string log = SentText(memo);
    done = log.find("** Done **") != std::string::npos;
    if (message > 0 && !done) {
      ++prompts;
      swap(prompts + 1);
    }
    if (message == 0) guitest::SaveScreenshot(box, "pelloro_process_dorrel_ready.bmp");
    guitest::Press(box, IDOK);
    WaitGone(box);
  }
  ASSERT_TRUE(done);
  EXPECT_EQ(prompts, 2);
  EXPECT_NE(pelloro.MainWindow(20000, pelloro::kCaptionIdle), nullptr);
  EXPECT_FALSE(IsWindow(splitter) && IsWindowVisible(splitter));
  swap(1);
  EXPECT_EQ(testutil::FolderNames("A:\\", true),
            (std::vector<std::string>{"DATA.EXT", "KOBU", "SOURCE.000"}));
  EXPECT_EQ(testutil::FileText("A:\\DATA.EXT"), ".dat\r\n");

  // Wine keeps the file of a running program (it cannot be deleted): while Kobu runs, its file
  // stays in the drive whatever disk goes in, so the rebuild's drive holds twice a diskette.
  swap(0);
  drive.reset();
  drive = std::make_unique<volumetest::SmallDrive>('A', 2880);
  ASSERT_TRUE(drive->mounted()) << drive->reason();
  swap(1);

  // Kobu from the first disk: disks 2 and 3 asked for, the source given back.
  const std::string rebuilt = std::string(kProcessWork) + "rebuilt\\";
  ASSERT_TRUE(CreateDirectoryA(rebuilt.c_str(), nullptr));
  {
    toolstest::KobuRun kobu("A:\\Kobu");
    ASSERT_TRUE(kobu.Started());
    const HWND dialog = kobu.Window("Kobu - Rebuild a split file");
    ASSERT_NE(dialog, nullptr);
    guitest::Pump(200);
    guitest::SaveScreenshot(dialog, "kobu_dialog.bmp");
    ASSERT_TRUE(kobu.Choose(rebuilt));
    for (int disk = 2; disk <= 3; ++disk) {
      const HWND box = kobu.Window("Kobu");
      ASSERT_NE(box, nullptr);
      if (disk == 2) {
        guitest::Pump(200);
        guitest::SaveScreenshot(box, "kobu_disk_prompt.bmp");
      }
      swap(disk);
      EXPECT_EQ(kobu.Answer("Kobu", IDOK),
                "Please insert disk number " + std::to_string(disk) + " and click OK when ready");
    }
    EXPECT_EQ(kobu.Answer("Kobu", IDOK), "The file " + rebuilt + "source.dat has been rebuilt.");
    EXPECT_EQ(kobu.Ended(), 0);
  }
  EXPECT_EQ(Sha256(rebuilt + "source.dat"), Sha256(source));
  EXPECT_EQ(Sha256(source).size(), 64u);

  // Again, but disk 2 never comes: Cancel at its prompt leaves nothing.
  swap(1);
  const std::string cancelled = std::string(kProcessWork) + "cancelled\\";
  ASSERT_TRUE(CreateDirectoryA(cancelled.c_str(), nullptr));
  {
    toolstest::KobuRun kobu("A:\\Kobu");
    ASSERT_TRUE(kobu.Choose(cancelled));
    EXPECT_EQ(kobu.Answer("Kobu", IDCANCEL), "Please insert disk number 2 and click OK when ready");
    EXPECT_NE(kobu.Answer("Kobu", IDOK).find("cancelled"), std::string::npos);
    const long code = kobu.Ended();
    EXPECT_NE(code, 0);
    EXPECT_NE(code, -1);
  }
  EXPECT_TRUE(testutil::FolderNames(cancelled).empty());
  swap(0);
}

}  // namespace

// The unzip wizard in Pelloro.exe: "Unzip &Wizard..." by the keyboard, its pages by Enter, the
// files under the Windows folder's Desktop\Unzips\list\ as python's (names, bytes, times), the
// folder window it opens closed here, and "Yes" ending the program with exit code 0.
#include <set>

#include "extraction_peer.h"

namespace {

std::set<HWND> VisibleTopLevelWindows() {
  std::set<HWND> windows;
  testutil::EachTopLevelWindow([&](HWND window) {
    if (IsWindowVisible(window)) windows.insert(window);
    return true;
  });
  return windows;
}

// The folder window another process opened since `before`: the shell's folder windows, or one
// whose caption names the folder.
HWND NewFolderWindow(const std::set<HWND>& before, DWORD exceptProcess, const std::string& name,
                     DWORD limitMs) {
  const DWORD start = GetTickCount();
  do {
    HWND found = nullptr;
    testutil::EachTopLevelWindow([&](HWND window) {
      if (!IsWindowVisible(window) || before.count(window) != 0) return true;
      const DWORD process = testutil::ProcessOf(window);
      if (process == exceptProcess || process == GetCurrentProcessId()) return true;
      const std::string text = guitest::WindowText(window);
      const std::string type = guitest::ClassName(window);
      if (type == "ExplorerWClass" || type == "CabinetWClass" ||
          text.find(name) != std::string::npos) {
        found = window;
        return false;
      }
      return true;
    });
    if (found != nullptr) return found;
    guitest::Pump(100);
  } while (GetTickCount() - start < limitMs);
  return nullptr;
}

// Waits for the process of a closed folder window; one that keeps running is ended, unless it
// holds the desktop (the shell's own process, which the test run keeps for its whole length).
void EndFolderProcess(HANDLE process) {
  if (process == nullptr) return;
  if (WaitForSingleObject(process, 10000) == WAIT_TIMEOUT) {
    bool desktop = false;
    testutil::EachTopLevelWindow([&](HWND window) {
      if (testutil::ProcessOf(window) == GetProcessId(process) &&
          guitest::ClassName(window) == "#32769") {
        desktop = true;
      }
      return !desktop;
    });
    if (!desktop) {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
    }
  }
  CloseHandle(process);
}

TEST_F(PelloroProcessTest, UnzipWizardByEnterExtractsAsPythonAndYesEndsWithZero) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string target = std::string(windows) + "\\Desktop\\Unzips\\list";
  testutil::RemoveTree(target);
  const std::set<HWND> before = VisibleTopLevelWindows();
  PelloroProcess pelloro(OpenArgument());
  ASSERT_TRUE(pelloro.Started());
  HWND main = pelloro.MainWindow(20000, pelloro::kCaptionIdle);
  ASSERT_NE(main, nullptr);
  // A&ctions, then Unzip &Wizard...
  guitest::PressAccelerator(main, 'c');
  guitest::Pump(500);
  PostMessageA(main, WM_CHAR, 'w', 0x110001);
  HWND wizard = guitest::WaitForWindow("Pelloro for Windows '95 Wizard", 20000);
  ASSERT_NE(wizard, nullptr);
  guitest::Pump(300);
  EXPECT_FALSE(IsWindowVisible(main));
  guitest::SaveScreenshot(wizard, "pelloro_process_wizard.bmp");
  // Page 1 to 2, 2 to 3, then the extraction.
  for (int i = 0; i < 3; ++i) {
    PostMessageA(wizard, WM_KEYDOWN, VK_RETURN, 0x1C0001);
    guitest::Pump(400);
  }
  // The folder window, shown before the question, closed first.
  HWND folder = NewFolderWindow(before, pelloro.Id(), "list", 20000);
  EXPECT_NE(folder, nullptr) << "no folder window";
  if (folder != nullptr) {
    guitest::SaveScreenshot(folder, "pelloro_process_wizard_folder.bmp");
    HANDLE shell = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE,
                               testutil::ProcessOf(folder));
    PostMessageA(folder, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && IsWindow(folder) && IsWindowVisible(folder); ++i) guitest::Pump(50);
    EXPECT_FALSE(IsWindow(folder) && IsWindowVisible(folder));
    // Its process ends with it; one left running would hold the test run's output open.
    EndFolderProcess(shell);
  }
  // The end question (Yes and No, the program's own message form).
  HWND question = guitest::WaitForWindow("Confirm", 60000);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(testutil::ProcessOf(question), pelloro.Id());
  guitest::Pump(200);
  guitest::SaveScreenshot(question, "pelloro_process_wizard_done.bmp");
  guitest::Press(question, IDYES);
  EXPECT_EQ(pelloro.Ended(20000), 0);
  const std::string peer = apptest::CompareWithPython(ListPath(), target);
  EXPECT_TRUE(apptest::PeerOk(peer)) << peer;
  testutil::RemoveTree(target);
}

}  // namespace

// ---- the self-extractor wizard in Pelloro.exe ---------------------------------------------------
// "A&ctions|Make &SFX" by the menu's accelerators, the pages by Enter, the title typed
// (WM_SETTEXT), a click on the entry inside a folder; the result read by python, its settings block
// holding the title and that entry by its full name; "Run it now?" answered No.

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
