#include "dialog_robot.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "win_test_util.h"

namespace testutil {

namespace {

// The enumeration procedure is called by the system (and, on i686, must be stdcall): nothing
// unwinds through it.
BOOL CALLBACK VisitWindow(HWND window, LPARAM visit) {
  try {
    return (*reinterpret_cast<const std::function<bool(HWND)>*>(visit))(window) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

std::string WithoutAccelerators(const std::string& caption) {
  std::string text;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

// The caption a message form's button has for a dialog's button id.
const char* ButtonCaption(int id) {
  switch (id) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDYES:
      return "Yes";
    case IDNO:
      return "No";
    case IDABORT:
      return "Abort";
    case IDRETRY:
      return "Retry";
    case IDIGNORE:
      return "Ignore";
    default:
      return nullptr;
  }
}

// The text the system holds for a window, asked of no thread (a busy thread does not hold the
// search up).
std::string HeldText(HWND window) {
  wchar_t wide[256] = {};
  const int length = InternalGetWindowText(window, wide, 256);
  char text[512] = {};
  if (length > 0)
    WideCharToMultiByte(CP_ACP, 0, wide, length, text, sizeof text - 1, nullptr, nullptr);
  return text;
}

HWND ButtonOfCaption(HWND form, const char* caption) {
  HWND found = nullptr;
  if (caption == nullptr) return nullptr;
  EachChildWindow(form, [&](HWND child) {
    if (ClassName(child) == "Button" &&
        lstrcmpiA(WithoutAccelerators(HeldText(child)).c_str(), caption) == 0) {
      found = child;
      return false;
    }
    return true;
  });
  return found;
}

bool CaptionMatches(const std::string& caption, const DialogMatch& match) {
  return match.prefix ? caption.rfind(match.caption, 0) == 0
                      : caption.find(match.caption) != std::string::npos;
}

HWND FindDialog(const DialogMatch& match) {
  HWND found = nullptr;
  auto visit = [&](HWND window) {
    if (match.thread == 0) {
      const DWORD process = match.process != 0 ? match.process : GetCurrentProcessId();
      if (ProcessOf(window) != process) return true;
    }
    if (!IsVisibleDialog(window) || !CaptionMatches(WindowText(window), match)) return true;
    found = window;
    return false;
  };
  if (match.thread != 0) {
    const std::function<bool(HWND)> each = visit;
    EnumThreadWindows(match.thread, VisitWindow, reinterpret_cast<LPARAM>(&each));
  } else {
    EachTopLevelWindow(visit);
  }
  return found;
}

// Waits for what find gives (null: nothing yet) up to the limit.
HWND WaitFor(const std::function<HWND()>& find, DWORD limitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND found = find()) return found;
    if (GetTickCount() - start >= limitMs) return nullptr;
    Sleep(20);
  }
}

}  // namespace

std::string WindowText(HWND window) {
  char buffer[2048] = {};
  if (ProcessOf(window) != GetCurrentProcessId()) {
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
  }
  // Sent with a time limit: a dialog thread that hangs must not hang the test thread.
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer),
                           SMTO_NORMAL, kWaitLimitMs, &got)) {
    return std::string();
  }
  return std::string(buffer, got < sizeof buffer ? got : sizeof buffer - 1);
}

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

void EachTopLevelWindow(const std::function<bool(HWND)>& visit) {
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
}

void EachChildWindow(HWND parent, const std::function<bool(HWND)>& visit) {
  EnumChildWindows(parent, VisitWindow, reinterpret_cast<LPARAM>(&visit));
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

bool IsDialogBox(HWND window) { return ClassName(window) == "#32770"; }

bool IsMessageForm(HWND window) {
  const std::string name = ClassName(window);
  const std::string suffix = "Window";
  if (name.size() <= suffix.size() ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  if (GetParent(window) != nullptr && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0)
    return false;
  return ButtonOfCaption(window, "OK") != nullptr;
}

bool IsVisibleDialog(HWND window) {
  return IsWindowVisible(window) && (IsDialogBox(window) || IsMessageForm(window));
}

HWND WaitForDialog(DWORD threadId, const std::string& captionPrefix, DWORD limitMs) {
  const DialogMatch match{threadId, 0, captionPrefix, true};
  return WaitFor([&] { return FindDialog(match); }, limitMs);
}

HWND WaitForMenu(DWORD limitMs) {
  return WaitFor(
      [] {
        HWND found = nullptr;
        EachTopLevelWindow([&](HWND window) {
          if (!IsWindowVisible(window) || ClassName(window) != "#32768") return true;
          found = window;
          return false;
        });
        return found;
      },
      limitMs);
}

HWND WaitForWindow(const std::string& caption, DWORD limitMs) {
  return WaitFor([&] { return FindWindowA(nullptr, caption.c_str()); }, limitMs);
}

void Press(HWND dialog, int id) {
  if (!IsDialogBox(dialog)) {
    if (HWND button = ButtonOfCaption(dialog, ButtonCaption(id))) {
      PostMessageA(button, BM_CLICK, 0, 0);
      return;
    }
  }
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

PromptThread::PromptThread(std::function<void()> call) : call_(std::move(call)) {
  thread_ = CreateThread(nullptr, 0, &PromptThread::Start, this, 0, &id_);
}

DWORD WINAPI PromptThread::Start(LPVOID self) {
  try {
    static_cast<PromptThread*>(self)->call_();
  } catch (...) {
    ADD_FAILURE() << "the call on its own thread threw";
  }
  return 0;
}

bool PromptThread::Wait(DWORD limitMs) {
  if (thread_ == nullptr) return false;
  return WaitForSingleObject(thread_, limitMs) == WAIT_OBJECT_0;
}

PromptThread::~PromptThread() {
  if (thread_ == nullptr) return;
  // A prompt still open after the test: close its dialogs (nested ones first) and wait again; a
  // thread still waiting for a dialog of its own ends within the wait limit.
  const DWORD rounds = kWaitLimitMs / 1000 + 5;
  for (DWORD round = 0; round < rounds && !Wait(1000); ++round) {
    const std::function<bool(HWND)> cancel = [](HWND window) {
      if (IsDialogBox(window)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
      return true;
    };
    EnumThreadWindows(id_, VisitWindow, reinterpret_cast<LPARAM>(&cancel));
  }
  if (!Wait(0)) {
    ADD_FAILURE() << "a call on its own thread did not end";
    // Test-only last resort: a hung prompt must not hang the whole run.
    TerminateThread(thread_, 1);
  }
  CloseHandle(thread_);
}

DialogAnswerer::DialogAnswerer(std::string caption, int buttonId, std::function<void(HWND)> inspect)
    : DialogAnswerer(DialogMatch{0, 0, std::move(caption), false},
                     [buttonId, inspect = std::move(inspect)](HWND dialog) {
                       Sleep(200);  // let the dialog finish its start
                       if (inspect) inspect(dialog);
                       // The click command names the button when the dialog has one with that id.
                       Press(dialog, buttonId);
                     }) {}

DialogAnswerer::DialogAnswerer(DialogMatch match, std::function<void(HWND)> answer)
    : match_(std::move(match)), answer_(std::move(answer)) {
  thread_ = std::thread([this] { Watch(); });
}

DialogAnswerer::~DialogAnswerer() {
  stop_ = true;
  thread_.join();
}

std::string DialogAnswerer::caption() const { return found_ ? caption_ : std::string(); }

bool DialogAnswerer::Wait(DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (!done_) {
    if (GetTickCount() - start >= limitMs) return false;
    Sleep(10);
  }
  return true;
}

void DialogAnswerer::Watch() {
  try {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(2 * kWaitLimitMs);
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
      if (HWND dialog = FindDialog(match_)) {
        caption_ = WindowText(dialog);
        found_ = true;
        answer_(dialog);
        break;
      }
      Sleep(50);
    }
  } catch (...) {
    ADD_FAILURE() << "a dialog answer threw";
  }
  done_ = true;
}

std::string SaveScreenshot(HWND window, const std::string& name) {
  if (window != nullptr) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // A window of this thread paints what is still pending (posted paints of its children).
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
      const DWORD start = GetTickCount();
      MSG message;
      while (GetTickCount() - start < 100) {
        while (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
          DispatchMessageA(&message);
        Sleep(10);
      }
    } else {
      Sleep(100);
    }
  }
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (window != nullptr && !GetWindowRect(window, &area)) return std::string();
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return std::string();

  std::string path = BinaryDir() + "review\\";
  CreateDirectoryA(path.c_str(), nullptr);
  for (size_t slash = name.find('\\'); slash != std::string::npos;
       slash = name.find('\\', slash + 1)) {
    CreateDirectoryA((path + name.substr(0, slash)).c_str(), nullptr);
  }
  path += name;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = screen != nullptr
                       ? CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                          DIB_RGB_COLORS, &bits, nullptr, 0)
                       : nullptr;
  bool written = false;
  if (bitmap != nullptr && memory != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const size_t imageBytes = rowBytes * static_cast<size_t>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + imageBytes);
    std::vector<uint8_t> data(file.bfSize);
    memcpy(data.data(), &file, sizeof file);
    memcpy(data.data() + sizeof file, &header, sizeof header);
    memcpy(data.data() + file.bfOffBits, bits, imageBytes);
    written = WriteWholeFile(path, data);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return written ? path : std::string();
}

HRESULT RegisterBuiltControl() {
  static const HRESULT registered = [] {
    // Registering the type library needs COM on this thread; balanced whatever the thread had.
    const HRESULT ole = OleInitialize(nullptr);
    HRESULT hr = E_NOTIMPL;
    HMODULE module = LoadLibraryA(UnixToWindowsPath(QX30W32_DLL_PATH).c_str());
    if (module == nullptr) {
      hr = HRESULT_FROM_WIN32(GetLastError());
    } else {
      auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
          reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
      if (entry != nullptr) hr = entry();
      FreeLibrary(module);
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    return hr;
  }();
  return registered;
}

}  // namespace testutil
