// Test helpers for the prompt dialogs: a prompt runs on a thread of its own while the test
// thread finds its dialog, fills it and presses its buttons. Every wait has a time limit, so a
// dialog that never appears or never closes fails the test instead of hanging the run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "win_test_util.h"

namespace prompttest {

constexpr DWORD kDialogLimitMs = 10000;

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
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// Replaces an edit control's text the way typing does (its change notification follows).
void SetEditText(HWND edit, const std::string& text);
// The edit part of a combo box.
HWND ComboEdit(HWND dialog, int comboId);
// Presses a button by posting its click command to the dialog (posted: a button that opens a
// nested dialog does not block the test thread).
void Press(HWND dialog, int id);
int DefaultButton(HWND dialog);
bool IsItemEnabled(HWND dialog, int id);

// A fresh settings file in a temporary folder, both password flags on and the default texts.
class PromptTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string IniPath() const { return folder_ / "QX30.INI"; }
  const testutil::TempFolder& Folder() const { return folder_; }

 private:
  testutil::TempFolder folder_;
};

}  // namespace prompttest
