// Ravelin, the self-extractor stub: reads its settings block at its own length, shows the main
// dialog in which the user confirms or chooses the target folder, extracts the archive that
// follows the block, then runs the named program from the target folder and removes a temporary
// target. It links no C runtime: the entry point below is the process's start.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "resource.h"
#include "stub_archive.h"
#include "stub_extract.h"
#include "stub_settings.h"
#include "stub_text.h"

namespace {

constexpr UINT kEntryStartedMessage = WM_USER + 38;   // 1062
constexpr UINT kEntryProgressMessage = WM_USER + 39;  // 1063
constexpr size_t kPromptCapacity = 450;
const char kCorruptedText[] = "Self-Extracting ZIP file corrupted.";
const char kUnsupportedText[] =
    "Internal error.\nDon' t know how to handle a file.\nBrindle Corvex SelfExtractingZIP files "
    "support DEFLATE and STORE method.";

// The run's state: plain data in static storage (the stub has no start-up code for constructors).
struct RunState {
  HINSTANCE instance;
  HWND dialog;
  StubSettings settings;
  char ownPath[MAX_PATH + 1];
  char temporaryFolder[MAX_PATH + 1];  // the folder this run named for itself; empty: none
  char target[kStubPathCapacity];      // OEM, upper case
  int total;
  int position;
  bool busy;
  bool stop;
  bool quitAllowed;
  bool failedAtStart;
  bool passwordPlaced;
  bool replacePlaced;
  POINT passwordPosition;
  POINT replacePosition;
};
RunState g;

const char* Text(int field) { return g.settings.field[field]; }
const char* Title() { return Text(kTitleField); }

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (g.dialog == nullptr || !IsDialogMessageA(g.dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

void ToAnsiText(const char* oem, char* ansi, size_t capacity) {
  TextCopy(ansi, capacity, oem);
  OemToCharBuffA(ansi, ansi, static_cast<DWORD>(TextLength(ansi)));
}

// The settings block right behind the stub; false when the file cannot be read that far.
bool ReadSettings() {
  const DWORD n = GetModuleFileNameA(nullptr, g.ownPath, sizeof g.ownPath);
  if (n == 0 || n >= sizeof g.ownPath) return false;
  HANDLE file = CreateFileA(g.ownPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  static uint8_t block[kSettingsBlockSize];
  DWORD got = 0;
  const bool read = SetFilePointer(file, kStubSize, nullptr, FILE_BEGIN) == kStubSize &&
                    ReadFile(file, block, sizeof block, &got, nullptr) && got == sizeof block;
  CloseHandle(file);
  if (!read) return false;
  ParseSettings(block, &g.settings);
  return true;
}

// ---- Progress bar (control 102, owner-drawn) -------------------------------------------------

void DrawBar(HDC dc, RECT area) {
  InflateRect(&area, -1, -1);
  if (g.total <= 0 || g.position <= 0) {
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  const int position = g.position < g.total ? g.position : g.total;
  RECT done = area, rest = area;
  done.right = area.left +
               static_cast<int>(static_cast<int64_t>(area.right - area.left) * position / g.total);
  rest.left = done.right;
  FillRect(dc, &done, GetSysColorBrush(COLOR_HIGHLIGHT));
  FillRect(dc, &rest, GetSysColorBrush(COLOR_WINDOW));
  char text[16];
  wsprintfA(text, "%3d%%", static_cast<int>(static_cast<int64_t>(position) * 100 / g.total));
  SetBkMode(dc, TRANSPARENT);
  // The text over the whole bar, clipped to each part so that it shows on both backgrounds.
  const RECT* parts[2] = {&done, &rest};
  const int colours[2] = {COLOR_HIGHLIGHTTEXT, COLOR_WINDOWTEXT};
  for (int i = 0; i < 2; ++i) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, parts[i]->left, parts[i]->top, parts[i]->right, parts[i]->bottom);
    SetTextColor(dc, GetSysColor(colours[i]));
    DrawTextA(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RestoreDC(dc, saved);
  }
}

void RedrawBar() {
  HWND bar = GetDlgItem(g.dialog, IDC_PROGRESS);
  InvalidateRect(bar, nullptr, FALSE);
  UpdateWindow(bar);
}

// ---- Prompts -----------------------------------------------------------------------------------

struct PasswordPrompt {
  const char* name;  // OEM
  char* password;    // OEM, kStubPasswordCapacity
};

void Remember(HWND window, POINT* where, bool* placed) {
  RECT r;
  if (GetWindowRect(window, &r)) {
    where->x = r.left;
    where->y = r.top;
    *placed = true;
  }
}

void PlaceAt(HWND window, POINT where, bool placed) {
  if (placed) SetWindowPos(window, nullptr, where.x, where.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK PasswordProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* prompt = reinterpret_cast<PasswordPrompt*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
    SetWindowTextA(window, Text(kPasswordTitleField));
    SetDlgItemTextA(window, IDC_BUTTON_6, Text(kPasswordRetryField));
    SetDlgItemTextA(window, IDC_BUTTON_7, Text(kPasswordBypassField));
    SetDlgItemTextA(window, IDC_BUTTON_3, Text(kPasswordNeverField));
    SetDlgItemTextA(window, IDC_PASSWORD_LABEL, Text(kPasswordLabelField));
    char name[kStubPathCapacity];
    ToAnsiText(prompt->name, name, sizeof name);
    char text[kPromptCapacity];
    SubstituteValue(Text(kPasswordTextField), name, text, sizeof text);
    SetDlgItemTextA(window, IDC_PROMPT_TEXT, text);
    char password[kStubPasswordCapacity];
    ToAnsiText(prompt->password, password, sizeof password);
    HWND edit = GetDlgItem(window, IDC_PASSWORD);
    SendMessageA(edit, EM_LIMITTEXT, kStubPasswordCapacity - 1, 0);
    SetWindowTextA(edit, password);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    PlaceAt(window, g.passwordPosition, g.passwordPlaced);
    SetFocus(edit);
    return FALSE;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    auto* prompt = reinterpret_cast<PasswordPrompt*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    int answer;
    switch (LOWORD(wParam)) {
      case IDC_BUTTON_6: {
        char typed[kStubPasswordCapacity] = {};
        GetDlgItemTextA(window, IDC_PASSWORD, typed, sizeof typed);
        CharToOemBuffA(typed, typed, static_cast<DWORD>(TextLength(typed)));
        TextCopy(prompt->password, kStubPasswordCapacity, typed);
        answer = kPasswordRetry;
        break;
      }
      case IDC_BUTTON_7:
      case IDCANCEL:
        answer = kPasswordBypass;
        break;
      case IDC_BUTTON_3:
        answer = kPasswordNever;
        break;
      default:
        return FALSE;
    }
    Remember(window, &g.passwordPosition, &g.passwordPlaced);
    EndDialog(window, answer);
    return TRUE;
  }
  return FALSE;
}

struct ReplacePrompt {
  const char* path;  // OEM
  bool older;
};

INT_PTR CALLBACK ReplaceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* prompt = reinterpret_cast<const ReplacePrompt*>(lParam);
    SetWindowTextA(window, Text(kReplaceTitleField));
    SetDlgItemTextA(window, IDC_BUTTON_6, Text(kReplaceYesField));
    SetDlgItemTextA(window, IDC_BUTTON_7, Text(kReplaceNoField));
    SetDlgItemTextA(window, IDC_BUTTON_3, Text(kReplaceAlwaysField));
    SetDlgItemTextA(window, IDC_BUTTON_4, Text(kReplaceNeverField));
    char path[kStubPathCapacity];
    ToAnsiText(prompt->path, path, sizeof path);
    char text[kPromptCapacity];
    SubstituteValue(Text(kReplaceTextField), path, text, sizeof text);
    SetDlgItemTextA(window, IDC_PROMPT_TEXT, text);
    PlaceAt(window, g.replacePosition, g.replacePlaced);
    if (prompt->older) {
      // A file older than the entry: replacing it is the likely answer.
      SendMessageA(GetDlgItem(window, IDC_BUTTON_7), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      SendMessageA(window, DM_SETDEFID, IDC_BUTTON_6, 0);
      SetFocus(GetDlgItem(window, IDC_BUTTON_6));
      return FALSE;
    }
    return TRUE;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    int answer;
    switch (LOWORD(wParam)) {
      case IDC_BUTTON_6:
        answer = kReplaceYes;
        break;
      case IDC_BUTTON_7:
      case IDCANCEL:
        answer = kReplaceNo;
        break;
      case IDC_BUTTON_3:
        answer = kReplaceAlways;
        break;
      case IDC_BUTTON_4:
        answer = kReplaceNever;
        break;
      default:
        return FALSE;
    }
    Remember(window, &g.replacePosition, &g.replacePlaced);
    EndDialog(window, answer);
    return TRUE;
  }
  return FALSE;
}

// The extractor's prompts and progress, shown in the dialogs.
class DialogHost : public ExtractorHost {
 public:
  void EntryStarted(bool supported, const char* name) override {
    SendMessageA(g.dialog, kEntryStartedMessage, supported ? 1 : 0, reinterpret_cast<LPARAM>(name));
  }
  void EntryProgress(int percent, const char* name) override {
    SendMessageA(g.dialog, kEntryProgressMessage, static_cast<WPARAM>(percent),
                 reinterpret_cast<LPARAM>(name));
  }
  void Pump() override { PumpMessages(); }
  bool StopRequested() override { return g.stop; }
  int AskPassword(const char* name, char* password) override {
    PasswordPrompt prompt = {name, password};
    const INT_PTR answer = DialogBoxParamA(g.instance, MAKEINTRESOURCEA(IDD_PASSWORD), g.dialog,
                                           PasswordProc, reinterpret_cast<LPARAM>(&prompt));
    return answer < 0 ? kPasswordBypass : static_cast<int>(answer);
  }
  int AskReplace(const char* fullPath, bool older) override {
    ReplacePrompt prompt = {fullPath, older};
    const INT_PTR answer = DialogBoxParamA(g.instance, MAKEINTRESOURCEA(IDD_REPLACE), g.dialog,
                                           ReplaceProc, reinterpret_cast<LPARAM>(&prompt));
    return answer < 0 ? kReplaceNo : static_cast<int>(answer);
  }
  void UnsupportedMethod() override {
    MessageBoxA(g.dialog, kUnsupportedText, Title(), MB_ICONWARNING);
  }
  void CantCreateFolder() override {
    MessageBoxA(g.dialog, Text(kCantCreateDirField), Title(), MB_ICONERROR);
  }
};

// ---- After the run ------------------------------------------------------------------------------

void RemoveTree(const char* folder) {
  char pattern[MAX_PATH + 1];
  if (!TextCopy(pattern, sizeof pattern, folder) || !TextAppend(pattern, sizeof pattern, "\\*.*")) {
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (TextEqual(found.cFileName, ".") || TextEqual(found.cFileName, "..")) continue;
      char path[MAX_PATH + 1];
      if (!TextCopy(path, sizeof path, folder) || !TextAppend(path, sizeof path, "\\") ||
          !TextAppend(path, sizeof path, found.cFileName)) {
        continue;
      }
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path);
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder);
}

void RunProgram() {
  char folder[kStubPathCapacity];
  ToAnsiText(g.target, folder, sizeof folder);
  char path[MAX_PATH + 1];
  if (!TextCopy(path, sizeof path, folder) || !TextEnsureBackslash(path, sizeof path) ||
      !TextAppend(path, sizeof path, Text(kProgramField))) {
    return;
  }
  char commandLine[MAX_PATH + 3];
  TextCopy(commandLine, sizeof commandLine, "\"");
  TextAppend(commandLine, sizeof commandLine, path);
  TextAppend(commandLine, sizeof commandLine, "\"");
  SetCurrentDirectoryA(folder);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &process)) {
    return;
  }
  CloseHandle(process.hThread);
  // Pump while the program runs so that the stub's windows stay alive.
  for (;;) {
    const DWORD woke =
        MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) break;
    PumpMessages();
  }
  CloseHandle(process.hProcess);
}

void AfterRun(bool startProgram) {
  if (startProgram && Text(kProgramField)[0] != '\0') RunProgram();
  if (!g.settings.askDirectory && g.temporaryFolder[0] != '\0') {
    // Leave the folder before removing it; only the folder this run named for itself goes.
    char parent[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof parent, parent);
    if (n > 0 && n < sizeof parent) SetCurrentDirectoryA(parent);
    if (TextLength(g.temporaryFolder) > 3) RemoveTree(g.temporaryFolder);
  }
}

// ---- Main dialog ------------------------------------------------------------------------------

void FailAtStart(HWND owner, const char* text, const char* caption) {
  g.failedAtStart = true;
  MessageBoxA(owner, text, caption, MB_ICONERROR);
  g.quitAllowed = true;
  PostQuitMessage(0);
}

void InitMainDialog(HWND dialog) {
  g.dialog = dialog;
  if (!ReadSettings()) {
    FailAtStart(nullptr, kCorruptedText, "");
    return;
  }
  g.total = CountStubEntries(g.ownPath);
  if (g.total <= 0) {
    FailAtStart(nullptr, Text(kIoErrorField), Title());
    return;
  }
  SetWindowTextA(dialog, Title());
  SetDlgItemTextA(dialog, IDOK, Text(kOkButtonField));
  SetDlgItemTextA(dialog, IDCANCEL, Text(kCancelButtonField));
  SetDlgItemTextA(dialog, IDC_TARGET_LABEL, Text(kBrowseDirTitleField));
  char folder[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder) folder[0] = '\0';
  if (!g.settings.askDirectory) {
    EnableWindow(GetDlgItem(dialog, IDC_TARGET_LABEL), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_TARGET), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_BROWSE), FALSE);
    // A fresh temporary name serves as a new folder.
    char name[MAX_PATH + 1] = {};
    if (folder[0] != '\0' && GetTempFileNameA(folder, "TMP", 0, name) != 0) {
      DeleteFileA(name);
      TextCopy(g.temporaryFolder, sizeof g.temporaryFolder, name);
    }
    TextCopy(folder, sizeof folder, g.temporaryFolder);
  }
  SetDlgItemTextA(dialog, IDC_TARGET, folder);
  SendDlgItemMessageA(dialog, IDC_TARGET, EM_LIMITTEXT, kStubPathCapacity - 1, 0);
  RECT r;
  GetWindowRect(dialog, &r);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Browse(HWND dialog) {
  char folder[MAX_PATH + 1] = {};
  GetDlgItemTextA(dialog, IDC_TARGET, folder, sizeof folder);
  BROWSEINFOA info = {};
  info.hwndOwner = dialog;
  info.pszDisplayName = folder;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (chosen != nullptr) {
    char path[MAX_PATH + 1] = {};
    if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dialog, IDC_TARGET, path);
    // The shell's allocator frees what the shell handed out (no OLE import for it).
    IMalloc* shellMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shellMalloc)) && shellMalloc != nullptr) {
      shellMalloc->Free(chosen);
      shellMalloc->Release();
    }
  }
  SetFocus(GetDlgItem(dialog, IDC_TARGET));
}

void Extract(HWND dialog) {
  char typed[kStubPathCapacity] = {};
  GetDlgItemTextA(dialog, IDC_TARGET, typed, sizeof typed);
  CharToOemBuffA(typed, typed, static_cast<DWORD>(TextLength(typed)));
  UpperCaseOemText(typed);
  TextCopy(g.target, sizeof g.target, typed);
  EnableWindow(GetDlgItem(dialog, IDC_TARGET), FALSE);
  EnableWindow(GetDlgItem(dialog, IDC_BROWSE), FALSE);
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  g.busy = true;
  g.stop = false;
  g.position = 0;
  DialogHost host;
  const int result = ExtractAll(g.ownPath, g.target, g.settings.overwriteMode, host);
  const bool program = Text(kProgramField)[0] != '\0';
  if (result > 1) {
    MessageBoxA(dialog, Text(kIoErrorField), Title(), MB_ICONWARNING);
    if (program) AfterRun(false);
  } else if (program) {
    ShowWindow(dialog, SW_HIDE);
    AfterRun(!g.stop);
  }
  g.busy = false;
  g.quitAllowed = true;
  PostQuitMessage(0);
}

void CancelPressed(HWND dialog) {
  if (g.busy) {
    if (MessageBoxA(dialog, Text(kCancelActionField), Title(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
      g.stop = true;
      PumpMessages();
    }
    return;
  }
  g.quitAllowed = true;
  PostQuitMessage(0);
}

void ShowEntryProgress(HWND dialog, int percent, const char* name) {
  char title[kStubPathCapacity + 16];
  ProgressTitle(name, percent, title, sizeof title);
  SetWindowTextA(dialog, title);
}

INT_PTR CALLBACK MainProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitMainDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDOK:
          if (!g.busy && !g.failedAtStart) Extract(dialog);
          return TRUE;
        case IDCANCEL:
          CancelPressed(dialog);
          return TRUE;
        case IDC_BROWSE:
          if (!g.busy) Browse(dialog);
          return TRUE;
      }
      return FALSE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != IDC_PROGRESS) return FALSE;
      DrawBar(item->hDC, item->rcItem);
      return TRUE;
    }
    case kEntryStartedMessage:
      ++g.position;
      RedrawBar();
      PumpMessages();
      return TRUE;
    case kEntryProgressMessage:
      ShowEntryProgress(dialog, static_cast<int>(wParam), reinterpret_cast<const char*>(lParam));
      PumpMessages();
      return TRUE;
    case WM_CLOSE:
      // The window's close box acts as Cancel; the dialog goes once quitting is allowed.
      if (g.quitAllowed)
        DestroyWindow(dialog);
      else
        CancelPressed(dialog);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return FALSE;
  }
  return FALSE;
}

UINT Run() {
  g.instance = GetModuleHandleA(nullptr);
  HWND dialog = CreateDialogParamA(g.instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainProc, 0);
  if (dialog == nullptr) {
    MessageBoxA(nullptr, "System Error", Title(), MB_ICONERROR);
    return 0;
  }
  if (!g.failedAtStart) ShowWindow(dialog, SW_SHOW);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  if (IsWindow(dialog)) DestroyWindow(dialog);
  return static_cast<UINT>(message.wParam);
}

}  // namespace

extern "C" void RavelinEntry() { ExitProcess(Run()); }
