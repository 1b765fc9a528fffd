// Kobu, the rebuilder of split files. Run from the first disk of a set, it reads DATA.EXT there
// (one line: the source file's extension with its dot, empty when it had none), lists the parts
// 0 (name.000) of that folder, asks which one and the folder to rebuild in, and joins name.000,
// name.001, ... from the same folder path into the folder chosen as name + extension. A part that
// is missing asks for its disk. Every part but the last holds whole blocks of 4,096 bytes, so a
// part of another size ends the set; after a whole-block part whose successor cannot be found,
// the user says whether that disk was the last.
//
// Plain Win32 with no C runtime. Exit code 0 only when the file was rebuilt; 1 when cancelled
// or failed (the incomplete output is removed); 2 when there is nothing to rebuild here.
#include <windows.h>

#include "kobu_resource.h"

namespace {

constexpr char kTitle[] = "Kobu";
constexpr DWORD kBlock = 4096;
constexpr int kMaxPart = 999;

char g_folder[MAX_PATH];  // Kobu's folder, with a trailing backslash
char g_extension[MAX_PATH];
char g_base[MAX_PATH];    // the chosen part 0 without ".000"
char g_target[MAX_PATH];  // the folder chosen, with a trailing backslash
char g_output[MAX_PATH];
constexpr DWORD kBufferSize = 65536;
BYTE* g_buffer = nullptr;  // from the process heap (static storage would be in the file)

int Say(HWND owner, const char* text, UINT flags) {
  return MessageBoxA(owner, text, kTitle, flags);
}

// Joins a and b into out (MAX_PATH); false when they do not fit.
bool Join(char* out, const char* a, const char* b) {
  if (lstrlenA(a) + lstrlenA(b) >= MAX_PATH) return false;
  lstrcpyA(out, a);
  lstrcatA(out, b);
  return true;
}

bool EndsWithBackslash(const char* text) {
  const int n = lstrlenA(text);
  return n > 0 && text[n - 1] == '\\';
}

bool IsFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// ".000" at the end of the name, compared on the long name (a short-name match is not one).
bool IsPartZero(const char* name) {
  const int n = lstrlenA(name);
  return n > 4 && lstrcmpA(name + n - 4, ".000") == 0;
}

bool IsThreeDigitExtension(const char* extension) {
  if (lstrlenA(extension) != 4 || extension[0] != '.') return false;
  for (int i = 1; i < 4; ++i) {
    if (extension[i] < '0' || extension[i] > '9') return false;
  }
  return true;
}

bool ReadExtension() {
  char path[MAX_PATH];
  if (!Join(path, g_folder, "DATA.EXT")) return false;
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD got = 0;
  const BOOL read = ReadFile(file, g_extension, MAX_PATH - 1, &got, nullptr);
  CloseHandle(file);
  if (!read) return false;
  g_extension[got] = '\0';
  for (DWORD i = 0; i < got; ++i) {
    if (g_extension[i] == '\r' || g_extension[i] == '\n') {
      g_extension[i] = '\0';
      break;
    }
  }
  return true;
}

// Adds the parts 0 of Kobu's folder to the list; their number.
int ListParts(HWND list) {
  char pattern[MAX_PATH];
  if (!Join(pattern, g_folder, "*.000")) return 0;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsPartZero(found.cFileName))
      continue;
    if (list != nullptr)
      SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(found.cFileName));
    ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

// The choice of the dialog, checked; false (with the reason shown) keeps the dialog open.
bool TakeChoice(HWND dialog) {
  char text[1024];
  const HWND list = GetDlgItem(dialog, IDC_PARTS);
  const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR || SendMessageA(list, LB_GETTEXTLEN, index, 0) >= MAX_PATH) {
    Say(dialog, "Please choose the split file to rebuild.", MB_OK | MB_ICONERROR);
    return false;
  }
  SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(g_base));
  g_base[lstrlenA(g_base) - 4] = '\0';

  char folder[MAX_PATH];
  GetDlgItemTextA(dialog, IDC_FOLDER, folder, MAX_PATH - 1);
  if (folder[0] == '\0') {
    Say(dialog, "Please enter the folder to rebuild the file in.", MB_OK | MB_ICONERROR);
    return false;
  }
  if (!EndsWithBackslash(folder)) lstrcatA(folder, "\\");
  if (!IsFolder(folder)) {
    wsprintfA(text, "The folder %s does not exist.\r\n\r\nPlease enter another folder.", folder);
    Say(dialog, text, MB_OK | MB_ICONERROR);
    return false;
  }
  const char root[4] = {g_folder[0], ':', '\\', 0};
  if (g_folder[1] == ':' && Upper(folder[0]) == Upper(g_folder[0]) &&
      GetDriveTypeA(root) == DRIVE_REMOVABLE) {
    wsprintfA(text,
              "The disks in drive %c: are changed while the file is rebuilt.\r\n\r\n"
              "Please choose a folder on another drive.",
              g_folder[0]);
    Say(dialog, text, MB_OK | MB_ICONERROR);
    return false;
  }
  if (lstrcmpiA(folder, g_folder) == 0 && IsThreeDigitExtension(g_extension)) {
    Say(dialog,
        "The rebuilt file would overwrite a part of the split file.\r\n\r\nPlease choose another "
        "folder.",
        MB_OK | MB_ICONERROR);
    return false;
  }
  lstrcpyA(g_target, folder);
  if (lstrlenA(g_target) + lstrlenA(g_base) + lstrlenA(g_extension) >= MAX_PATH) {
    Say(dialog,
        "The name of the rebuilt file would be too long.\r\n\r\nPlease choose another folder.",
        MB_OK | MB_ICONERROR);
    return false;
  }
  lstrcpyA(g_output, g_target);
  lstrcatA(g_output, g_base);
  lstrcatA(g_output, g_extension);
  if (Exists(g_output)) {
    wsprintfA(text, "The file %s already exists.\r\n\r\nPlease choose another folder.", g_output);
    Say(dialog, text, MB_OK | MB_ICONERROR);
    return false;
  }
  return true;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      const HWND list = GetDlgItem(dialog, IDC_PARTS);
      ListParts(list);
      SendMessageA(list, LB_SETCURSEL, 0, 0);
      SetDlgItemTextA(dialog, IDC_FOLDER, "C:\\");
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        if (TakeChoice(dialog)) EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

enum class Outcome { kRebuilt, kCancelled, kReadFailed, kWriteFailed };

// Appends one part to the output; its size in size.
Outcome CopyPart(HANDLE part, HANDLE output, ULONGLONG& size) {
  size = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(part, g_buffer, kBufferSize, &got, nullptr)) return Outcome::kReadFailed;
    if (got == 0) return Outcome::kRebuilt;
    DWORD written = 0;
    if (!WriteFile(output, g_buffer, got, &written, nullptr) || written != got)
      return Outcome::kWriteFailed;
    size += got;
  }
}

Outcome Rebuild(HANDLE output, char* failedName) {
  for (int n = 0; n <= kMaxPart; ++n) {
    char part[MAX_PATH + 8];
    wsprintfA(part, "%s%s.%03d", g_folder, g_base, n);
    lstrcpynA(failedName, part, MAX_PATH);
    HANDLE file = INVALID_HANDLE_VALUE;
    for (;;) {
      file = CreateFileA(part, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) break;
      if (n == 0) return Outcome::kReadFailed;
      char text[256];
      wsprintfA(text, "Please insert disk number %d and click OK when ready", n + 1);
      if (Say(nullptr, text, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) return Outcome::kCancelled;
      if (Exists(part)) continue;
      // The same disk is still in the drive: perhaps the previous one was the last.
      char previous[MAX_PATH + 8];
      wsprintfA(previous, "%s%s.%03d", g_folder, g_base, n - 1);
      if (Exists(previous)) {
        wsprintfA(
            text,
            "There is no part number %d in %s.\r\n\r\nWas disk number %d the last disk of the set?",
            n + 1, g_folder, n);
        if (Say(nullptr, text, MB_YESNO | MB_ICONQUESTION) == IDYES) return Outcome::kRebuilt;
      }
    }
    ULONGLONG size = 0;
    const Outcome copied = CopyPart(file, output, size);
    CloseHandle(file);
    if (copied != Outcome::kRebuilt) {
      if (copied == Outcome::kWriteFailed) lstrcpynA(failedName, g_output, MAX_PATH);
      return copied;
    }
    // Only a part of whole blocks can have a successor.
    if (size == 0 || size % kBlock != 0) return Outcome::kRebuilt;
  }
  return Outcome::kRebuilt;
}

int Run() {
  char text[1024];
  const DWORD length = GetModuleFileNameA(nullptr, g_folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  int slash = static_cast<int>(length);
  while (slash > 0 && g_folder[slash - 1] != '\\') --slash;
  g_folder[slash] = '\0';

  if (!ReadExtension()) {
    wsprintfA(text,
              "DATA.EXT was not found in %s.\r\n\r\nPlease run Kobu from the first disk of the "
              "split file.",
              g_folder);
    Say(nullptr, text, MB_OK | MB_ICONERROR);
    return 2;
  }
  if (ListParts(nullptr) == 0) {
    wsprintfA(text, "No split file (a file ending in .000) was found in %s.", g_folder);
    Say(nullptr, text, MB_OK | MB_ICONERROR);
    return 2;
  }
  if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KOBU), nullptr, DialogProc,
                      0) != IDOK) {
    return 1;
  }

  g_buffer = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, kBufferSize));
  if (g_buffer == nullptr) {
    Say(nullptr, "Error: Not enough memory.\r\n\r\nThe file has not been rebuilt.",
        MB_OK | MB_ICONERROR);
    return 1;
  }
  const HANDLE output =
      CreateFileA(g_output, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) {
    wsprintfA(text, "Error: Could not create %s.\r\n\r\nThe file has not been rebuilt.", g_output);
    Say(nullptr, text, MB_OK | MB_ICONERROR);
    return 1;
  }
  char failed[MAX_PATH];
  const Outcome outcome = Rebuild(output, failed);
  const BOOL closed = CloseHandle(output);
  if (outcome == Outcome::kRebuilt && closed) {
    wsprintfA(text, "The file %s has been rebuilt.", g_output);
    Say(nullptr, text, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  DeleteFileA(g_output);
  if (outcome == Outcome::kCancelled) {
    Say(nullptr,
        "Rebuilding cancelled.\r\n\r\nThe file has not been rebuilt; its incomplete copy was "
        "removed.",
        MB_OK | MB_ICONINFORMATION);
  } else {
    wsprintfA(text,
              "Error: Could not %s %s.\r\n\r\nThe file has not been rebuilt; its incomplete copy "
              "was removed.",
              outcome == Outcome::kReadFailed ? "read" : "write",
              outcome == Outcome::kRebuilt ? g_output : failed);
    Say(nullptr, text, MB_OK | MB_ICONERROR);
  }
  return 1;
}

}  // namespace

extern "C" void KobuEntry() { ExitProcess(static_cast<UINT>(Run())); }
