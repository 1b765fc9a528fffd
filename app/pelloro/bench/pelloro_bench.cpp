// Open-and-list benchmark: times how long a user waits from opening an archive to its list being
// filled, three ways, in this process and beside it:
//   main      the real main window (TMainfrm, with its progress window): SetCurrentArchive, then
//             OpenByTheRoad, then the messages it left (painting the filled list) until none wait;
//             in a fresh window (its list hidden, as at start-up), and again in the same window
//             (main-again: the list shown, holding the first open's items);
//   bare      the same control's BuildZIPITEMList (as the main window calls it) into a bare list
//             view of a plain window of this process, then its messages;
//   process   Pelloro.exe /open "<archive>" started as a process, until its main window has the
//             idle caption and its list holds every entry (start-up and splash included).
// Every run checks that the list holds one item per entry.
//
// Usage: pelloro_bench.exe QX30W32.DLL PELLORO.EXE FOLDER [RUNS] [--only main|bare|process]
//   FOLDER  holds LIST<N>.ZIP archives (N entries each); every one of them is timed.
// Output lines: "list WAY ENTRIES run R seconds S".
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive_list_display.h"
#include "captions.h"
#include "forms/application.h"
#include "forms/reg_ini_file.h"
#include "main_form.h"
#include "op_form.h"

namespace {

double Now() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Handles every message waiting in this thread's queue (painting included) until none is left.
void Drain() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

HRESULT RegisterControl(const std::string& dll) {
  HMODULE module = LoadLibraryA(dll.c_str());
  if (module == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  const HRESULT hr = entry != nullptr ? entry() : E_NOTIMPL;
  FreeLibrary(module);
  return hr;
}

// The settings a fresh installation has, without the tip window.
void ResetSettings() {
  SHDeleteKeyA(HKEY_CURRENT_USER, pelloro::kSettingsKey);
  forms::RegIniFile settings(pelloro::kSettingsKey);
  settings.WriteString("", "ShowTips", "0");
}

struct Archive {
  std::string path;
  long entries = 0;
};

// Every LIST<N>.ZIP of the folder, smallest first.
std::vector<Archive> FindArchives(const std::string& folder) {
  std::vector<Archive> archives;
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + "LIST*.ZIP").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return archives;
  do {
    const long entries = std::atol(found.cFileName + 4);
    if (entries > 0) archives.push_back({folder + found.cFileName, entries});
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(archives.begin(), archives.end(),
            [](const Archive& a, const Archive& b) { return a.entries < b.entries; });
  return archives;
}

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == LVN_GETDISPINFOA) {
      pelloro::FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(header));
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A plain visible window holding a report-style list view with the main window's columns.
class BareList {
 public:
  BareList() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BareProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = "PelloroBenchBare";
    RegisterClassA(&windowClass);
    frame_ = CreateWindowA(windowClass.lpszClassName, "bare list", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           0, 0, 680, 440, nullptr, nullptr, windowClass.hInstance, nullptr);
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHAREIMAGELISTS |
                                LVS_EDITLABELS | LVS_SHOWSELALWAYS,
                            0, 0, 660, 400, frame_, nullptr, windowClass.hInstance, nullptr);
    const struct {
      const char* caption;
      int width;
    } columns[] = {{"File Name", 200}, {"Size", 130}, {"Path", 161}};
    for (int i = 0; i < 3; ++i) {
      std::string text = columns[i].caption;
      LVCOLUMNA column = {};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.cx = columns[i].width;
      column.pszText = text.data();
      column.iSubItem = i;
      SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(&column));
    }
    Drain();
  }
  ~BareList() {
    if (frame_ != nullptr) DestroyWindow(frame_);
    Drain();
  }
  BareList(const BareList&) = delete;
  BareList& operator=(const BareList&) = delete;
  HWND List() const { return list_; }
  bool Made() const { return list_ != nullptr; }

 private:
  HWND frame_ = nullptr;
  HWND list_ = nullptr;
};

long ItemCount(HWND list) { return static_cast<long>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

// Frees the records the control gave the list's items (a build frees them before it opens the
// archive; one of no archive stops there), so that the runs do not pile them up.
void FreeRecords(TQXCtrl& control, HWND list) {
  control.BuildZIPITEMList("", list, true, "", false, 0, false);
}

// One main window with its progress window, as Pelloro makes them.
struct MainWindow {
  MainWindow() {
    main = std::make_unique<pelloro::TMainfrm>(nullptr);
    op = std::make_unique<pelloro::TOp>(nullptr);
    main->SetOp(op.get());
    main->Show();
    Drain();
  }
  ~MainWindow() {
    FreeRecords(*main->QXCtrl1, main->MSListview1->Handle());
    main->SetOp(nullptr);
    op.reset();
    main.reset();
    Drain();
  }
  std::unique_ptr<pelloro::TMainfrm> main;
  std::unique_ptr<pelloro::TOp> op;
};

// The seconds of one open through the main window, in a fresh window (first, its list hidden as
// at start-up) and again in the same window (again, the list shown); negative when the list came
// out wrong.
void TimeMain(const Archive& archive, double* first, double* again) {
  MainWindow window;
  for (double* seconds : {first, again}) {
    const double start = Now();
    const bool listed = window.main->OpenByTheRoad(archive.path);
    Drain();
    *seconds = Now() - start;
    if (!listed || ItemCount(window.main->MSListview1->Handle()) != archive.entries) *seconds = -1;
  }
}

// The seconds of the control's own fill of a bare list view in this process.
double TimeBare(TQXCtrl& control, const Archive& archive) {
  BareList bare;
  if (!bare.Made()) return -1;
  const double start = Now();
  // As the main window does: no redrawing while the items go in, then one.
  SendMessageA(bare.List(), WM_SETREDRAW, FALSE, 0);
  const short result = control.BuildZIPITEMList(archive.path, bare.List(), true, "", true, 0, true);
  SendMessageA(bare.List(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(bare.List(), nullptr, TRUE);
  Drain();
  const double seconds = Now() - start;
  const long items = ItemCount(bare.List());
  FreeRecords(control, bare.List());
  if (result != 0 || items != archive.entries) return -1;
  return seconds;
}

struct Search {
  DWORD pid;
  HWND found;
};

HWND IdleMainWindow(DWORD pid) {
  Search search{pid, nullptr};
  EnumWindows(
      [](HWND window, LPARAM context) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        if (owner == s->pid && std::strcmp(text, pelloro::kCaptionIdle) == 0) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The list view among the window's children that holds items; null when none.
HWND FilledList(HWND main) {
  struct Found {
    HWND list;
  } found{nullptr};
  EnumChildWindows(
      main,
      [](HWND window, LPARAM context) CALLBACK -> BOOL {
        char name[32] = {};
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpiA(name, WC_LISTVIEWA) != 0) return TRUE;
        reinterpret_cast<Found*>(context)->list = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.list;
}

// The seconds from starting Pelloro.exe /open to its idle main window with every entry listed.
double TimeProcess(const std::string& exe, const Archive& archive) {
  std::string command = "\"" + exe + "\" /open \"" + archive.path + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const double start = Now();
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return -1;
  }
  double seconds = -1;
  HWND main = nullptr;
  while (Now() - start < 120) {
    main = IdleMainWindow(info.dwProcessId);
    if (main != nullptr) {
      const HWND list = FilledList(main);
      if (list != nullptr && ItemCount(list) == archive.entries) {
        seconds = Now() - start;
        break;
      }
    }
    if (WaitForSingleObject(info.hProcess, 5) != WAIT_TIMEOUT) break;
  }
  if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(info.hProcess, 20000) == WAIT_TIMEOUT)
    TerminateProcess(info.hProcess, 99);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: pelloro_bench QX30W32.DLL PELLORO.EXE FOLDER [RUNS] [--only WAY]\n");
    return 2;
  }
  const std::string dll = argv[1];
  const std::string exe = argv[2];
  std::string folder = argv[3];
  if (folder.back() != '\\') folder += '\\';
  int runs = 1;
  std::string only;
  for (int i = 4; i < argc; ++i) {
    if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
      only = argv[++i];
    else
      runs = std::max(1, std::atoi(argv[i]));
  }
  const auto wanted = [&](const char* way) { return only.empty() || only == way; };
  const std::vector<Archive> archives = FindArchives(folder);
  if (archives.empty()) {
    std::fprintf(stderr, "no LIST<N>.ZIP in %s\n", folder.c_str());
    return 1;
  }
  int failures = 0;
  try {
    forms::App().Initialize();
    if (RegisterControl(dll) != S_OK) {
      std::fprintf(stderr, "%s does not register\n", dll.c_str());
      return 1;
    }
    ResetSettings();
    // The bare list is filled by the control of one main window (made once, never shown again).
    std::unique_ptr<MainWindow> host;
    if (wanted("bare")) {
      host = std::make_unique<MainWindow>();
      // Not idle by its caption: a Pelloro.exe started meanwhile must not hand its archive here.
      host->main->SetCaption("open-and-list benchmark");
    }
    const auto report = [&](const char* way, const Archive& archive, int run, double seconds) {
      if (seconds < 0) {
        std::fprintf(stderr, "%s %ld: the list is not filled\n", way, archive.entries);
        ++failures;
        return;
      }
      std::printf("list %s %ld run %d seconds %.3f\n", way, archive.entries, run, seconds);
      std::fflush(stdout);
    };
    // The runs of every way take turns, so that each meets the machine in the same states.
    for (int run = 1; run <= runs; ++run) {
      for (const Archive& archive : archives) {
        if (wanted("main")) {
          double first = -1;
          double again = -1;
          TimeMain(archive, &first, &again);
          report("main", archive, run, first);
          report("main-again", archive, run, again);
        }
        if (wanted("bare")) report("bare", archive, run, TimeBare(*host->main->QXCtrl1, archive));
        if (wanted("process")) {
          ResetSettings();
          report("process", archive, run, TimeProcess(exe, archive));
        }
      }
    }
    host.reset();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "failed: %s\n", error.what());
    return 1;
  } catch (...) {
    std::fprintf(stderr, "failed\n");
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
