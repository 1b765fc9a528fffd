// Vantrel.exe as a process, started by the command lines the installer registers for a folder's
// and a drive's menu (P + "Vantrel.exe /spf \"%1\"" and "/spd", P the short form of the program's
// folder, the folder or drive in place of %1): its list rows read across processes (a buffer in
// Vantrel's process); Go! pressed at the flat button's rectangle, the completion question answered
// Yes, the program ending with 0 and the archive read by python (kept for the peers); and a target
// that is no archive: the message under the program's title, OK, the program's end without a
// question, the file as it was.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>
#include <vector>

#include "dialog_robot.h"
#include "gui_driver.h"
#include "shell_add_layout.h"
#include "shell_add_texts.h"
#include "vantrel_test_support.h"
#include "win_test_util.h"

namespace {

// The registered command's program part: the short form of the program's folder, then the name.
std::string RegisteredProgram() {
  std::string folder = testutil::UnixToWindowsPath(VANTREL_EXE_PATH);
  folder = folder.substr(0, folder.find_last_of('\\') + 1);
  char shortForm[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(folder.c_str(), shortForm, MAX_PATH);
  EXPECT_TRUE(length > 0 && length < MAX_PATH) << folder;
  return std::string(shortForm) + "Vantrel.exe";
}

// The registered command for the menu's switch with %1 replaced by the folders (several on one
// line each in quotes of its own).
std::string RegisteredCommand(const std::string& menuSwitch,
                              const std::vector<std::string>& folders) {
  std::string replacement;
  for (size_t i = 0; i < folders.size(); ++i) replacement += (i > 0 ? "\" \"" : "") + folders[i];
  std::string command = RegisteredProgram() + " " + menuSwitch + " \"%1\"";
  command.replace(command.find("%1"), 2, replacement);
  return command;
}

// One started Vantrel.exe; ended (its window closed, then killed if need be) when it goes.
class VantrelProcess {
 public:
  explicit VantrelProcess(std::string command) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_) != 0;
  }
  ~VantrelProcess() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      if (HWND form = Form(0)) PostMessageA(form, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(info_.hProcess, 5000) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 99);
      }
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool Started() const { return started_; }
  DWORD Id() const { return info_.dwProcessId; }
  // The process's visible top-level window of that caption, waiting up to limitMs for it.
  HWND Window(const std::string& caption, DWORD limitMs) const {
    const DWORD start = GetTickCount();
    do {
      HWND found = nullptr;
      testutil::EachTopLevelWindow([&](HWND window) {
        if (testutil::ProcessOf(window) == Id() && IsWindowVisible(window) &&
            testutil::WindowText(window) == caption) {
          found = window;
          return false;
        }
        return true;
      });
      if (found != nullptr) return found;
      guitest::Pump(50);
    } while (GetTickCount() - start < limitMs);
    return nullptr;
  }
  HWND Form(DWORD limitMs) const { return Window(vantrel::kFormCaption, limitMs); }
  // Waits for the end; the exit code, or -1 when it is still running.
  long Ended(DWORD limitMs) const {
    if (WaitForSingleObject(info_.hProcess, limitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  PROCESS_INFORMATION info_ = {};
  bool started_ = false;
};

// A text the other process's window writes into a buffer of that process (msg(wParam, buffer)).
std::string RemoteText(HWND window, UINT msg, WPARAM wParam) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return "<no process>";
  constexpr SIZE_T kText = 1100;
  auto* remote =
      static_cast<char*>(VirtualAllocEx(process, nullptr, kText, MEM_COMMIT, PAGE_READWRITE));
  std::string text = "<no memory>";
  if (remote != nullptr) {
    const char nothing = 0;
    WriteProcessMemory(process, remote, &nothing, 1, nullptr);
    SendMessageA(window, msg, wParam, reinterpret_cast<LPARAM>(remote));
    char buffer[kText] = {};
    ReadProcessMemory(process, remote, buffer, kText - 1, nullptr);
    text = buffer;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

// The list box's rows (the system copies LB_GETTEXT's text across processes itself; the window
// is a Unicode one).
std::vector<std::string> ListRows(HWND form) {
  HWND list = FindWindowExA(form, nullptr, "ListBox", nullptr);
  std::vector<std::string> rows;
  const int count = list != nullptr ? static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) : 0;
  for (int i = 0; i < count; ++i) {
    wchar_t wide[1100] = {};
    if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 1100) {
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
    }
    char text[2200] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    rows.push_back(text);
  }
  return rows;
}

std::string PanelText(HWND form, int panel) {
  return RemoteText(FindWindowExA(form, nullptr, "msctls_statusbar32", nullptr), SB_GETTEXTA,
                    panel);
}

void SetArchiveName(HWND form, const std::string& archive) {
  HWND edit = FindWindowExA(form, nullptr, "Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(archive.c_str()));
}

// A press on Go! in the active window, as the user's (a press that activates the window first
// ends with the activation).
void PressGo(HWND form) {
  HWND panel = vantrel::layout::BottomPanel(form);
  ASSERT_NE(panel, nullptr);
  SetForegroundWindow(form);
  for (int i = 0; i < 50 && GetForegroundWindow() != form; ++i) guitest::Pump(20);
  guitest::PressAt(panel, vantrel::layout::kGo);
}

class VantrelProcessTest : public vantreltest::VantrelTest {};

TEST_F(VantrelProcessTest, TheRegisteredCommandLinesListTheirFoldersAndDrives) {
  const std::string blanks = work_ + "folder with blanks";
  ASSERT_TRUE(CreateDirectoryA(blanks.c_str(), nullptr));
  struct Row {
    const char* menuSwitch;
    std::vector<std::string> folders;
    std::vector<std::string> items;
  };
  const Row rows[] = {
      {"/spd", {"C:\\"}, {"C:\\*.*"}},
      {"/spf", {blanks}, {blanks + "\\*.*"}},
      {"/spf",
       {blanks, "C:\\windows", work_ + "caf\xe9"},
       {blanks + "\\*.*", "C:\\windows\\*.*", work_ + "caf\xe9\\*.*"}},
  };
  for (const Row& row : rows) {
    const std::string command = RegisteredCommand(row.menuSwitch, row.folders);
    SCOPED_TRACE(command);
    VantrelProcess vantrel(command);
    ASSERT_TRUE(vantrel.Started());
    HWND form = vantrel.Form(20000);
    ASSERT_NE(form, nullptr);
    guitest::Pump(200);
    EXPECT_EQ(ListRows(form), row.items);
    EXPECT_EQ(PanelText(form, 0), "(Idle)");
    EXPECT_EQ(PanelText(form, 1), "(complete)");
    if (row.folders.size() == 3) guitest::SaveScreenshot(form, "vantrel_process_list.bmp");
    PostMessageA(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(vantrel.Ended(15000), 0);
  }
}

TEST_F(VantrelProcessTest, GoAddsTheFolderAndYesEndsTheProgram) {
  const std::string tree = work_ + "folder with blanks\\";
  ASSERT_NO_FATAL_FAILURE(vantreltest::MakeTree(tree));
  const std::string archive = work_ + "archives\\process.zip";
  VantrelProcess vantrel(RegisteredCommand("/spf", {work_ + "folder with blanks"}));
  ASSERT_TRUE(vantrel.Started());
  HWND form = vantrel.Form(20000);
  ASSERT_NE(form, nullptr);
  ASSERT_NO_FATAL_FAILURE(SetArchiveName(form, archive));
  ASSERT_NO_FATAL_FAILURE(PressGo(form));
  // The question is a message form of Yes and No (no OK, so not one the dialog toolkit knows).
  HWND question = vantrel.Window("Confirm", 30000);
  ASSERT_NE(question, nullptr);
  guitest::Pump(200);
  const std::string panels = PanelText(form, 0) + "|" + PanelText(form, 1);
  guitest::SaveScreenshot(question, "vantrel_process_question.bmp");
  testutil::Press(question, IDYES);
  EXPECT_EQ(vantrel.Ended(20000), 0);
  EXPECT_EQ(panels, "(Idle)|(complete)");
  const std::vector<std::string> names =
      vantreltest::ExpectedNames(tree, vantreltest::StoredFormOf(tree), false);
  const std::vector<std::string> entries = vantreltest::PythonEntries(archive);
  ASSERT_FALSE(entries.empty());
  ASSERT_EQ(entries[0], "OK");
  EXPECT_EQ(vantreltest::NamesOf(entries), names);
  vantreltest::KeepForPeers(archive, "process.zip", names);
}

TEST_F(VantrelProcessTest, ATargetThatIsNoArchiveEndsTheProgramAfterTheMessage) {
  const std::string tree = work_ + "tree\\";
  ASSERT_NO_FATAL_FAILURE(vantreltest::MakeTree(tree));
  const std::string target = work_ + "not a zip.zip";
  const std::string text = "plain text, no archive\r\n";
  ASSERT_TRUE(testutil::WriteWholeFile(target, text));
  VantrelProcess vantrel(RegisteredCommand("/spf", {work_ + "tree", work_ + "tree"}));
  ASSERT_TRUE(vantrel.Started());
  HWND form = vantrel.Form(20000);
  ASSERT_NE(form, nullptr);
  ASSERT_NO_FATAL_FAILURE(SetArchiveName(form, target));
  std::vector<std::string> captions;
  {
    // The first dialog of the process is the message; a question after it would keep the
    // program from ending.
    testutil::DialogAnswerer answer(testutil::DialogMatch{0, vantrel.Id(), "", false},
                                    [&](HWND dialog) {
                                      captions.push_back(testutil::WindowText(dialog));
                                      guitest::SaveScreenshot(dialog, "vantrel_process_error.bmp");
                                      testutil::Press(dialog, IDOK);
                                    });
    ASSERT_NO_FATAL_FAILURE(PressGo(form));
    EXPECT_TRUE(answer.Wait(30000));
  }
  EXPECT_EQ(vantrel.Ended(20000), 0);
  EXPECT_EQ(captions, std::vector<std::string>{"Pelloro Tavrell Folder Compress"});
  EXPECT_EQ(testutil::FileText(target, true), text);
}

}  // namespace
