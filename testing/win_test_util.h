// Helpers for the Windows test programs that run under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testutil {

// A fresh, empty folder below the system's temporary folder, removed with its contents when the
// object goes. path() ends with '\'.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data);
bool WriteWholeFile(const std::string& path, const std::string& text);
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data);
// The whole file's bytes (or text). When it cannot be read: the bytes of "<unreadable PATH>",
// which are no test's contents, and with mustRead also a test failure.
std::vector<uint8_t> FileBytes(const std::string& path, bool mustRead = false);
std::string FileText(const std::string& path, bool mustRead = false);
bool RemoveTree(const std::string& path);
// The names in a folder (path ending in '\'), without "." and "..", sorted; with upperCase in
// upper case (for comparing without regard to case).
std::vector<std::string> FolderNames(const std::string& folder, bool upperCase = false);
// The rows of a manifest that a fixture script wrote (or the corpus holds): one row per non-empty
// line (a trailing CR dropped), its fields separated by `separator`. *readable is false when the
// file cannot be read.
std::vector<std::vector<std::string>> ReadManifest(const std::string& path,
                                                   bool* readable = nullptr, char separator = '|');

// Runs a program with its output (and errors) captured through a pipe and its input closed; waits
// at most timeoutMs for it to end.
struct ProgramRun {
  unsigned long exitCode = static_cast<unsigned long>(-1);
  std::string output;
};
ProgramRun RunCaptured(const std::string& commandLine, unsigned long timeoutMs = 60000);

// Windows path of a Unix path (Wine maps the Unix root to drive Z:).
std::string UnixToWindowsPath(const std::string& unixPath);
// The shared folder beside the checkout (corpus, bench-corpus), as a Windows path ending in '\'.
std::string SharedDir();
// The build tree (where CTest fixtures made by the peer tools are written), as a Windows path
// ending in '\'.
std::string BinaryDir();

// A message-only window that hands the engine's progress messages (WM_USER + 0..127) to a
// handler while it lives; the engine sends them with SendMessage, so the handler runs inside the
// operation.
class MessageWindow {
 public:
  using Handler = std::function<void(UINT message, WPARAM wParam, const char* text)>;
  explicit MessageWindow(Handler handler) : handler_(std::move(handler)) {
    static const ATOM windowClass = [] {
      WNDCLASSA c = {};
      c.lpfnWndProc = Proc;
      c.hInstance = GetModuleHandleA(nullptr);
      c.lpszClassName = "TestMessageWindow";
      return RegisterClassA(&c);
    }();
    window_ =
        CreateWindowExA(0, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(windowClass)), "", 0, 0,
                        0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window_ != nullptr)
      SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~MessageWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  HWND get() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message >= WM_USER && message < WM_USER + 128) {
      self->handler_(message, wParam, reinterpret_cast<const char*>(lParam));
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  Handler handler_;
  HWND window_ = nullptr;
};

}  // namespace testutil
