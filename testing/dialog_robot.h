// The window-test toolkit every test program shares (it needs no forms layer, so the stub's robot
// links it too): reading windows (text, class, the top-level and child windows), finding dialogs
// the way a user sees them, the system's dialog boxes ("#32770") and the message forms of the
// forms layer alike (a window of a class the layer registers, "<name>Window", with an "OK"
// button), pressing their buttons, a call on a thread of its own (PromptThread) while the test
// thread finds its dialog (WaitForDialog), a DialogAnswerer watching a thread, this process or
// another one from a thread of its own, screenshots for review, and the built control registered
// as an installation leaves it. Every wait has one time limit, so a dialog that never appears or
// never closes fails the test instead of hanging the run.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace testutil {

// The limit of every wait for a window, a dialog or a thread.
constexpr DWORD kWaitLimitMs = 10000;

// A window's text. A window of this process is asked with a time limit (a hung dialog thread does
// not hang the test); another process's window gives its caption.
std::string WindowText(HWND window);
std::string ClassName(HWND window);
// Calls visit for each top-level window (or each child of parent) until it answers false.
void EachTopLevelWindow(const std::function<bool(HWND)>& visit);
void EachChildWindow(HWND parent, const std::function<bool(HWND)>& visit);
DWORD ProcessOf(HWND window);

// A system dialog box ("#32770").
bool IsDialogBox(HWND window);
// A message form of the forms layer: a top-level window of a class the layer registers (its
// names end in "Window") holding an "OK" button.
bool IsMessageForm(HWND window);
// Either of the two, visible.
bool IsVisibleDialog(HWND window);

// The visible dialog of the thread whose caption begins with captionPrefix (any dialog for "");
// null when none appears within the limit.
HWND WaitForDialog(DWORD threadId, const std::string& captionPrefix, DWORD limitMs = kWaitLimitMs);
// A visible popup menu window ("#32768") of any thread, or null within the limit.
HWND WaitForMenu(DWORD limitMs = kWaitLimitMs);
// The window of exact caption (any process), or null within the limit.
HWND WaitForWindow(const std::string& caption, DWORD limitMs = kWaitLimitMs);
// Presses a dialog's button (IDOK, IDCANCEL, IDYES, IDNO, ...), posted: a button that opens a
// nested dialog does not block the test thread. A dialog box gets the button's command; a
// message form a click on its button of that caption ("OK", "Cancel", "&Yes", "&No", ...).
void Press(HWND dialog, int id);

// Runs a call on a thread of its own. A dialog still open when the object goes is cancelled
// (nested ones first); a call that still does not return is a test failure.
class PromptThread {
 public:
  explicit PromptThread(std::function<void()> call);
  ~PromptThread();
  PromptThread(const PromptThread&) = delete;
  PromptThread& operator=(const PromptThread&) = delete;

  DWORD Id() const { return id_; }
  // True when the call returned within the limit.
  bool Wait(DWORD limitMs = kWaitLimitMs);

 private:
  static DWORD WINAPI Start(LPVOID self);
  std::function<void()> call_;
  HANDLE thread_ = nullptr;
  DWORD id_ = 0;
};

// Which dialog an answerer waits for: of one thread, or of a process (0: this one); whose caption
// contains the text, or begins with it (prefix); any caption for "".
struct DialogMatch {
  DWORD thread = 0;
  DWORD process = 0;
  std::string caption;
  bool prefix = false;
};
// A dialog of the calling thread whose caption begins with the prefix.
inline DialogMatch ThisThreadsDialog(std::string captionPrefix) {
  return DialogMatch{GetCurrentThreadId(), 0, std::move(captionPrefix), true};
}

// Watches, from a thread of its own, for the first visible dialog that matches, while the test
// thread makes the call that shows it, and answers it when one appears within twice the wait
// limit. The object's end stops the watch.
class DialogAnswerer {
 public:
  // A dialog of this process whose caption contains `caption`: once it has finished its start
  // handed to `inspect` (to read or fill it), then `buttonId` is pressed.
  DialogAnswerer(std::string caption, int buttonId, std::function<void(HWND)> inspect = nullptr);
  // A dialog that matches, handed to `answer`, which presses what it wants.
  DialogAnswerer(DialogMatch match, std::function<void(HWND)> answer);
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  // Whether the dialog appeared (and was answered), and its caption.
  bool found() const { return found_; }
  std::string caption() const;
  // True when the watch ended (answered, or nothing came) within the limit.
  bool Wait(DWORD limitMs = kWaitLimitMs);

 private:
  void Watch();

  DialogMatch match_;
  std::function<void(HWND)> answer_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> found_{false};
  std::atomic<bool> done_{false};
  std::string caption_;
  std::thread thread_;
};

// Saves what the screen shows of a window (the whole screen for null) as a BMP file,
// BinaryDir() + "review\" + name (folders in the name are made); returns the path, empty when it
// could not be written. For people reviewing the run, never what a test asserts.
std::string SaveScreenshot(HWND window, const std::string& name);

// The built QX30W32 (the test program's QX30W32_DLL_PATH) registered for this prefix, its classes
// and type library, as an installation leaves it; once per process, S_OK when registered.
HRESULT RegisterBuiltControl();

}  // namespace testutil
