#include "dialog_robot.h"

#include <gtest/gtest.h>

#include <chrono>

namespace testutil {

PromptThread::PromptThread(std::function<void()> call) : call_(std::move(call)) {
  thread_ = CreateThread(nullptr, 0, &PromptThread::Start, this, 0, &id_);
}

DWORD WINAPI PromptThread::Start(LPVOID self) {
  try {
    static_cast<PromptThread*>(self)->call_();
  } catch (...) {
    ADD_FAILURE() << "the prompt call threw";
  }
  return 0;
}

bool PromptThread::Wait(DWORD limitMs) {
  if (thread_ == nullptr) return false;
  return WaitForSingleObject(thread_, limitMs) == WAIT_OBJECT_0;
}

namespace {

bool IsDialogClass(HWND window) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof(cls));
  return std::string(cls) == "#32770";
}

BOOL CALLBACK CloseDialogs(HWND window, LPARAM) {
  if (IsDialogClass(window)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

struct ThreadSearch {
  std::string prefix;
  HWND found = nullptr;
};

BOOL CALLBACK FindThreadDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ThreadSearch*>(param);
  if (!IsDialogClass(window) || !IsWindowVisible(window)) return TRUE;
  if (WindowText(window).rfind(search->prefix, 0) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

struct ProcessSearch {
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK FindProcessDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ProcessSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  if (IsDialogClass(window) && IsWindowVisible(window) &&
      std::string(title).find(*search->caption) != std::string::npos) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

PromptThread::~PromptThread() {
  if (thread_ == nullptr) return;
  // A prompt still open after the test: close its dialogs (nested ones first) and wait again.
  for (int round = 0; round < 5 && !Wait(1000); ++round) {
    EnumThreadWindows(id_, CloseDialogs, 0);
  }
  if (!Wait(0)) {
    ADD_FAILURE() << "a prompt did not close";
    // Test-only last resort: a hung prompt must not hang the whole run.
    TerminateThread(thread_, 1);
  }
  CloseHandle(thread_);
}

HWND WaitForDialog(DWORD threadId, const char* captionPrefix, DWORD limitMs) {
  const DWORD start = GetTickCount();
  ThreadSearch search;
  search.prefix = captionPrefix != nullptr ? captionPrefix : "";
  while (GetTickCount() - start < limitMs) {
    search.found = nullptr;
    EnumThreadWindows(threadId, FindThreadDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(20);
  }
  return nullptr;
}

std::string WindowText(HWND window) {
  char buffer[2048] = {};
  // Sent with a time limit: a dialog thread that hangs must not hang the test thread.
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer),
                           SMTO_NORMAL, kDialogLimitMs, &got)) {
    return std::string();
  }
  return std::string(buffer, got);
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

DialogAnswerer::DialogAnswerer(std::string caption, int buttonId, std::function<void(HWND)> inspect)
    : caption_(std::move(caption)), buttonId_(buttonId), inspect_(std::move(inspect)) {
  thread_ = std::thread([this] { Watch(); });
}

DialogAnswerer::~DialogAnswerer() {
  stop_ = true;
  thread_.join();
}

void DialogAnswerer::Watch() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!stop_ && std::chrono::steady_clock::now() < deadline) {
    ProcessSearch search{&caption_, nullptr};
    EnumWindows(FindProcessDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      Sleep(200);  // let the dialog finish its start
      if (inspect_) inspect_(search.found);
      found_ = true;
      // The click command names the button when the dialog has one with that id.
      Press(search.found, buttonId_);
      return;
    }
    Sleep(50);
  }
}

}  // namespace testutil
