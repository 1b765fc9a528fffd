// The end-to-end driver: runs the real setup.exe and pellmove.exe as a user does (Enter for
// Next, WM_SETTEXT into the edits, the flat buttons pressed at the rectangles of setup_layout.h,
// the message forms' buttons by a click), and answers what the checking script asks of Windows
// (a link's target, a short path, an archive opened by the shell in Pelloro).
// Usage (each prints what it found and ends with 0 when it went as expected):
//   driver install SETUP FOLDER GROUP           the wizard to its end, Back on page 3
//   driver exit SETUP PAGE FOLDER               Exit pressed on a page (1-5)
//   driver options SETUP ARGUMENT               "/?": the options message, OK, exit code 0
//   driver uninstall PELLMOVE ARGUMENT FOLDER GROUP uninstall|cancel
//   driver link FILE                            the target of a shell link
//   driver short PATH                           GetShortPathNameA's form
//   driver open ARCHIVE COUNT                   ShellExecute "open": Pelloro lists COUNT items
//   driver vantrel COMMANDLINE ITEM             Vantrel started so lists the one ITEM
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_robot.h"
#include "gui_driver.h"
#include "setup_layout.h"
#include "setup_texts.h"

namespace {

using namespace setup;

constexpr char kPelloroIdle[] = "Pelloro for Windows '95 - Idle";
int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

class Program {
 public:
  explicit Program(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_) != FALSE;
    if (started_) CloseHandle(info_.hThread);
  }
  ~Program() {
    if (started_) CloseHandle(info_.hProcess);
  }
  bool started() const { return started_; }
  // The exit code, or -1 when it does not end within the limit.
  long Wait(DWORD limitMs = 60000) {
    if (!started_ || WaitForSingleObject(info_.hProcess, limitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }
  DWORD Id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
  bool started_ = false;
};

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

void Shot(HWND window, const std::string& name) {
  Sleep(300);  // painted first
  testutil::SaveScreenshot(window, "setup_e2e\\" + name + ".bmp");
}

// The visible child window of the wizard at a point of a rectangle (a page or the tool panel).
HWND PanelAt(HWND wizard, const RECT& area) {
  POINT inside = {(area.left + area.right) / 2, area.top + 4};
  HWND child = ChildWindowFromPointEx(wizard, inside, CWP_SKIPINVISIBLE);
  return child == wizard ? nullptr : child;
}

HWND VisibleEdit(HWND page) {
  HWND found = nullptr;
  testutil::EachChildWindow(page, [&](HWND child) {
    if (testutil::ClassName(child) == "Edit" || testutil::ClassName(child) == "EDIT") {
      if (IsWindowVisible(child)) {
        found = child;
        return false;
      }
    }
    return true;
  });
  return found;
}

// A window's text, asked by WM_GETTEXT (an edit of another process keeps its text to itself).
std::string Text(HWND window) {
  char buffer[512] = {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 5000, &length)) {
    return "";
  }
  return std::string(buffer, length < sizeof buffer ? length : 0);
}

void SetEdit(HWND edit, const std::string& text) {
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Enter(HWND wizard) {
  PostMessageA(wizard, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageA(wizard, WM_KEYUP, VK_RETURN, 0xC0000001);
  Sleep(400);
}

// The label texts of the visible page (its windowless labels are not windows: the page is told
// apart by its edit and by the tool panel's state instead); the page's edit text for pages 3, 4.
std::string PageEditText(HWND wizard) {
  HWND page = PanelAt(wizard, layout::kPage);
  HWND edit = page != nullptr ? VisibleEdit(page) : nullptr;
  return edit != nullptr ? Text(edit) : std::string("<no edit>");
}

HWND ButtonOf(HWND form, const std::string& caption);

// A message form of another process: a visible top-level window of it holding one of the
// message buttons (the wizard's buttons are windowless; the uninstaller's are named otherwise).
HWND WaitForMessageForm(DWORD process, DWORD limitMs = 30000) {
  const DWORD end = GetTickCount() + limitMs;
  do {
    HWND found = nullptr;
    testutil::EachTopLevelWindow([&](HWND w) {
      if (testutil::ProcessOf(w) == process && IsWindowVisible(w) &&
          (ButtonOf(w, "OK") != nullptr || ButtonOf(w, "&Ignore") != nullptr ||
           ButtonOf(w, "&Abort") != nullptr)) {
        found = w;
        return false;
      }
      return true;
    });
    if (found != nullptr) return found;
    Sleep(100);
  } while (GetTickCount() < end);
  return nullptr;
}

HWND ButtonOf(HWND form, const std::string& caption) {
  HWND found = nullptr;
  testutil::EachChildWindow(form, [&](HWND child) {
    if (Text(child) == caption) {
      found = child;
      return false;
    }
    return true;
  });
  return found;
}

// Closes the shell windows Wine opens on a new group (their caption names it).
int CloseGroupWindows(const std::string& group, DWORD ours) {
  int closed = 0;
  testutil::EachTopLevelWindow([&](HWND w) {
    if (IsWindowVisible(w) && testutil::ProcessOf(w) != ours &&
        Text(w).find(group) != std::string::npos &&
        Text(w).find("Pelloro for Windows '95 - ") == std::string::npos) {
      std::printf("closing %s window \"%s\"\n", testutil::ClassName(w).c_str(), Text(w).c_str());
      PostMessageA(w, WM_CLOSE, 0, 0);
      ++closed;
    }
    return true;
  });
  return closed;
}

HWND WaitWizard() { return testutil::WaitForWindow(texts::kWizardCaption, 30000); }

int Install(const std::string& setupExe, const std::string& folder, const std::string& group) {
  Program setup(Quote(setupExe));
  Check(setup.started(), "setup.exe starts");
  HWND wizard = WaitWizard();
  Check(wizard != nullptr, "the wizard shows");
  if (wizard == nullptr) return 1;
  Sleep(500);
  HWND background = testutil::WaitForWindow(texts::kBackgroundCaption, 2000);
  Check(background != nullptr, "the background shows");
  if (background != nullptr) Shot(nullptr, "background");
  HWND tools = PanelAt(wizard, layout::kToolPanel);
  Check(tools != nullptr, "the tool panel is found");
  Shot(wizard, "page1_welcome");
  Enter(wizard);
  Shot(wizard, "page2_license");
  Enter(wizard);
  Check(PageEditText(wizard) == texts::kDefaultInstallFolder, "page 3 shows the default folder");
  Shot(wizard, "page3_folder");
  guitest::PressAt(tools, layout::kBackButton);
  Sleep(400);
  // Page 2's only edit window is the license's read-only memo.
  Check(PageEditText(wizard).rfind("Pelloro for Windows '95 is provided", 0) == 0,
        "Back on page 3 shows page 2");
  Enter(wizard);
  Check(PageEditText(wizard) == texts::kDefaultInstallFolder, "Next shows page 3 again");
  SetEdit(VisibleEdit(PanelAt(wizard, layout::kPage)), folder);
  Enter(wizard);
  Check(PageEditText(wizard) == texts::kDefaultGroup, "page 4 shows the default group");
  Check(GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES,
        "leaving page 3 made the folder " + folder);
  SetEdit(VisibleEdit(PanelAt(wizard, layout::kPage)), group);
  Shot(wizard, "page4_group");
  Enter(wizard);
  Shot(wizard, "page5_ready");
  guitest::PressAt(tools, layout::kNextButton);
  HWND status = testutil::WaitForWindow("Installing", 5000);
  Check(status != nullptr, "the status window shows");
  if (status != nullptr) Shot(status, "status");
  // Every message form is pressed at its one button until setup ends: the "Could not install
  // file" ones (Ignore) for rows the distribution lacks, and the closing message (OK). Their
  // texts are painted, not windows: the script judges the counts.
  int ignored = 0, confirmed = 0, closed = 0;
  long code = -1;
  for (int round = 0; round < 600 && (code = setup.Wait(200)) == -1; ++round) {
    closed += CloseGroupWindows(group, setup.Id());
    HWND message = WaitForMessageForm(setup.Id(), 100);
    if (message == nullptr) continue;
    HWND ignore = ButtonOf(message, "&Ignore");
    HWND ok = ButtonOf(message, "OK");
    Shot(message, ignore != nullptr ? "message_ignore" : "message_ok_" + std::to_string(confirmed));
    HWND press = ignore != nullptr ? ignore : ok;
    if (press == nullptr) break;
    ignore != nullptr ? ++ignored : ++confirmed;
    PostMessageA(press, BM_CLICK, 0, 0);
    Sleep(500);
  }
  std::printf("messages: %d Ignore, %d OK\n", ignored, confirmed);
  Check(code == 0, "setup.exe ends with 0 (" + std::to_string(code) + ")");
  for (int i = 0; i < 20 && closed == 0; ++i) {
    Sleep(250);
    closed += CloseGroupWindows(group, setup.Id());
  }
  Check(closed > 0, "the shell's window on the group was closed");
  return failures;
}

int ExitOn(const std::string& setupExe, int page, const std::string& folder) {
  Program setup(Quote(setupExe));
  HWND wizard = WaitWizard();
  Check(wizard != nullptr, "the wizard shows");
  if (wizard == nullptr) return 1;
  Sleep(300);
  for (int p = 1; p < page; ++p) {
    if (p == 3) SetEdit(VisibleEdit(PanelAt(wizard, layout::kPage)), folder);
    Enter(wizard);
  }
  guitest::PressAt(PanelAt(wizard, layout::kToolPanel), layout::kExitButton);
  const long code = setup.Wait();
  Check(code == 0,
        "Exit on page " + std::to_string(page) + " ends with 0 (" + std::to_string(code) + ")");
  return failures;
}

int Options(const std::string& setupExe, const std::string& argument) {
  Program setup(Quote(setupExe) + " " + argument);
  HWND message = WaitForMessageForm(setup.Id());
  Check(message != nullptr, "the options message shows");
  if (message != nullptr) {
    Shot(message, "options");
    HWND ok = ButtonOf(message, "OK");
    Check(ok != nullptr, "it has one OK button");
    if (ok != nullptr) PostMessageA(ok, BM_CLICK, 0, 0);
  }
  const long code = setup.Wait();
  Check(code == 0, "\"/?\" ends with 0 (" + std::to_string(code) + ")");
  return failures;
}

int Uninstall(const std::string& exe, const std::string& argument, const std::string& folder,
              const std::string& group, const std::string& press) {
  Program uninstaller(Quote(exe) + " " + argument);
  // The forms are all made at the start, hidden: the uninstaller counts once it shows.
  HWND form = testutil::WaitForWindow("Uninstall", 30000);
  for (int i = 0; i < 100 && form != nullptr && !IsWindowVisible(form); ++i) Sleep(100);
  Check(form != nullptr && IsWindowVisible(form), "\"" + argument + "\" opens the uninstaller");
  if (form == nullptr) return 1;
  Sleep(300);
  std::vector<HWND> edits;
  testutil::EachChildWindow(form, [&](HWND child) {
    if (testutil::ClassName(child) == "Edit" || testutil::ClassName(child) == "EDIT") {
      edits.push_back(child);
    }
    return true;
  });
  if (edits.size() != 2) std::printf("edits found: %zu\n", edits.size());
  Check(edits.size() == 2, "two edits");
  if (edits.size() == 2) {
    Check(Text(edits[0]) == texts::kDefaultInstallFolder, "the default install folder");
    Check(Text(edits[1]) == texts::kDefaultGroup, "the default group");
    SetEdit(edits[0], folder);
    SetEdit(edits[1], group);
  }
  Shot(form, "uninstall_" + press);
  HWND button = ButtonOf(form, press == "cancel" ? "Cancel" : "Uninstall");
  Check(button != nullptr, "the button " + press);
  if (button != nullptr) PostMessageA(button, BM_CLICK, 0, 0);
  const long code = uninstaller.Wait();
  Check(code == 0, "the uninstaller ends with 0 (" + std::to_string(code) + ")");
  return failures;
}

int LinkTarget(const std::string& file) {
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  std::string target;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
      WCHAR name[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, name, MAX_PATH);
      if (SUCCEEDED(persist->Load(name, STGM_READ))) {
        char path[MAX_PATH] = {};
        if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) target = path;
      }
      persist->Release();
    }
    link->Release();
  }
  CoUninitialize();
  std::printf("%s\n", target.c_str());
  return target.empty() ? 1 : 0;
}

int ShortForm(const std::string& path) {
  char buffer[255] = {};
  const DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
  std::printf("%s\n", n > 0 && n < sizeof buffer ? buffer : path.c_str());
  return n > 0 ? 0 : 1;
}

int OpenArchive(const std::string& archive, int count) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", archive.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  Check(result > 32, "ShellExecute open (" + std::to_string(result) + ")");
  HWND main = testutil::WaitForWindow(kPelloroIdle, 30000);
  Check(main != nullptr, "Pelloro starts");
  if (main == nullptr) return 1;
  int listed = -1;
  for (int i = 0; i < 40 && listed != count; ++i) {
    HWND list = FindWindowExA(main, nullptr, "SysListView32", nullptr);
    listed = list != nullptr ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
    if (listed != count) Sleep(250);
  }
  Shot(main, "pelloro_opened");
  Check(listed == count,
        "Pelloro lists " + std::to_string(listed) + " of " + std::to_string(count) + " entries");
  DWORD process = 0;
  GetWindowThreadProcessId(main, &process);
  PostMessageA(main, WM_CLOSE, 0, 0);
  HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
  if (handle != nullptr) {
    Check(WaitForSingleObject(handle, 20000) == WAIT_OBJECT_0, "Pelloro ends");
    CloseHandle(handle);
  }
  return failures;
}

// Vantrel started by a registered command line lists ITEM first.
int VantrelLists(const std::string& commandLine, const std::string& item) {
  Program vantrel(commandLine);
  Check(vantrel.started(), "Vantrel starts: " + commandLine);
  HWND form = testutil::WaitForWindow("Pelloro '95 Tavrell Folder Compress", 30000);
  Check(form != nullptr, "Vantrel's window shows");
  if (form == nullptr) return 1;
  Sleep(500);
  HWND list = nullptr;
  testutil::EachChildWindow(form, [&](HWND child) {
    const std::string c = testutil::ClassName(child);
    if (c == "ListBox" || c == "LISTBOX") {
      list = child;
      return false;
    }
    return true;
  });
  Check(list != nullptr, "its list");
  if (list != nullptr) {
    // The forms layer's list box is a Unicode window: its rows are read as wide text (the system
    // copies LB_GETTEXT's text across processes itself), then in the ANSI code page.
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    wchar_t wide[512] = {};
    char text[1024] = {};
    if (count > 0 && SendMessageW(list, LB_GETTEXTLEN, 0, 0) < LRESULT(std::size(wide))) {
      SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(wide));
      WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    }
    Check(count == 1 && item == text,
          "it lists " + std::to_string(count) + " item(s), the first \"" + text + "\"");
  }
  Shot(form, "vantrel_listed");
  PostMessageA(form, WM_CLOSE, 0, 0);
  if (vantrel.Wait(20000) == -1) {
    Check(false, "Vantrel ends on WM_CLOSE");
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv, argv + argc);
  if (a.size() == 5 && a[1] == "install") return Install(a[2], a[3], a[4]);
  if (a.size() == 5 && a[1] == "exit") return ExitOn(a[2], std::stoi(a[3]), a[4]);
  if (a.size() == 4 && a[1] == "options") return Options(a[2], a[3]);
  if (a.size() == 7 && a[1] == "uninstall") return Uninstall(a[2], a[3], a[4], a[5], a[6]);
  if (a.size() == 3 && a[1] == "link") return LinkTarget(a[2]);
  if (a.size() == 3 && a[1] == "short") return ShortForm(a[2]);
  if (a.size() == 4 && a[1] == "vantrel") return VantrelLists(a[2], a[3]);
  if (a.size() == 4 && a[1] == "open") return OpenArchive(a[2], std::stoi(a[3]));
  std::fprintf(stderr, "usage: see the head of setup_e2e_driver.cpp\n");
  return 100;
}
