// Finding and answering dialogs from a test, the way a user would: a call that shows a dialog runs
// on a thread of its own (PromptThread) while the test thread finds the dialog (WaitForDialog),
// fills it and presses its buttons (Press); or a DialogAnswerer watches the whole process from a
// thread of its own while the test thread makes the call that shows the dialog. Every wait has a
// time limit, so a dialog that never appears or never closes fails the test instead of hanging
// the run.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace testutil {

constexpr DWORD kDialogLimitMs = 10000;

// Runs a call on a thread of its own. A dialog still open when the object goes is cancelled
// (nested ones first); one that still does not close is a test failure.
class PromptThread {
 public:
  explicit PromptThread(std::function<void()> call);
  ~PromptThread();
  PromptThread(const PromptThread&) = delete;
  PromptThread& operator=(const PromptThread&) = delete;

  DWORD Id() const { return id_; }
  // True when the call returned within the limit.
  bool Wait(DWORD limitMs = kDialogLimitMs);

 private:
  static DWORD WINAPI Start(LPVOID self);
  std::function<void()> call_;
  HANDLE thread_ = nullptr;
  DWORD id_ = 0;
};

// The visible dialog of the thread whose caption begins with captionPrefix (any dialog for "");
// null when none appears within the limit.
HWND WaitForDialog(DWORD threadId, const char* captionPrefix, DWORD limitMs = kDialogLimitMs);
// A window's text, asked with a time limit (a hung dialog thread does not hang the test).
std::string WindowText(HWND window);
// Presses a button by posting its click command to the dialog (posted: a button that opens a
// nested dialog does not block the test thread).
void Press(HWND dialog, int id);

// Watches this process, from a thread of its own, for a visible dialog whose caption contains
// `caption` (any dialog for ""); when one appears within 20 seconds it lets the dialog finish its
// start, hands it to `inspect` (to read or fill it), and presses `buttonId`.
class DialogAnswerer {
 public:
  DialogAnswerer(std::string caption, int buttonId, std::function<void(HWND)> inspect = nullptr);
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  // Whether the dialog appeared (and was answered).
  bool found() const { return found_; }

 private:
  void Watch();

  std::string caption_;
  int buttonId_;
  std::function<void(HWND)> inspect_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> found_{false};
  std::thread thread_;
};

}  // namespace testutil
