// Test helpers for the prompt dialogs: a prompt runs on a thread of its own while the test
// thread finds its dialog, fills it and presses its buttons. Every wait has a time limit, so a
// dialog that never appears or never closes fails the test instead of hanging the run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "dialog_robot.h"
#include "win_test_util.h"

namespace prompttest {

// The generic half (the prompt's own thread, finding a dialog, pressing a button) is shared by
// every window-driving test: testing/dialog_robot.h.
using testutil::kWaitLimitMs;
using testutil::Press;
using testutil::PromptThread;
using testutil::WaitForDialog;
using testutil::WindowText;

std::string ItemText(HWND dialog, int id);
// Replaces an edit control's text the way typing does (its change notification follows).
void SetEditText(HWND edit, const std::string& text);
// The edit part of a combo box.
HWND ComboEdit(HWND dialog, int comboId);
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
