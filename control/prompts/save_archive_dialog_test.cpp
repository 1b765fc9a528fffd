// The save dialog in which a new blank archive is named: its title and filter are replaceable
// texts 21 and 20, it starts in the current folder, and it gives the typed name or a cancel.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "dialog_prompts.h"
#include "control_settings.h"
#include "test_prompt_support.h"
#include "win_test_util.h"

namespace {

using namespace prompttest;

class SaveArchiveDialogTest : public PromptTest {
 protected:
  void SetUp() override {
    PromptTest::SetUp();
    GetCurrentDirectoryA(MAX_PATH, before_);
    // The dialog starts in the current folder: the test's own.
    ASSERT_TRUE(SetCurrentDirectoryA(Folder().path().c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryA(before_);
    PromptTest::TearDown();
  }

  // The file-name box (a combo box, or an edit in older layouts).
  static HWND NameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, 0x47C);
    return box != nullptr ? box : GetDlgItem(dialog, 0x480);
  }

 private:
  char before_[MAX_PATH] = {};
};

TEST_F(SaveArchiveDialogTest, GivesTheTypedNameInTheCurrentFolder) {
  CZText name("PROPOSED.ZIP");
  bool chosen = false;
  PromptThread prompt([&] { chosen = DialogPrompts().AskArchiveName(name); });
  HWND dialog = WaitForDialog(prompt.Id(), PromptText(kTextSaveTitle).c_str());
  ASSERT_NE(dialog, nullptr) << "no save dialog titled \"" << PromptText(kTextSaveTitle).str()
                             << "\"";
  HWND box = NameBox(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ("PROPOSED.ZIP", WindowText(box));  // the proposal is offered
  SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Grüße.zip"));
  Press(dialog, IDOK);
  ASSERT_TRUE(prompt.Wait());
  ASSERT_TRUE(chosen);
  const std::string expected = Folder() / "Grüße.zip";
  EXPECT_EQ(0, lstrcmpiA(expected.c_str(), name.c_str())) << name.str();
}

TEST_F(SaveArchiveDialogTest, CancelGivesFalse) {
  CZText name("");
  bool chosen = true;
  PromptThread prompt([&] { chosen = DialogPrompts().AskArchiveName(name); });
  HWND dialog = WaitForDialog(prompt.Id(), PromptText(kTextSaveTitle).c_str());
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(prompt.Wait());
  EXPECT_FALSE(chosen);
}

}  // namespace
