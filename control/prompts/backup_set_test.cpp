// The backup-set dialog: its list of sets, the choice, and the cases where OK is refused.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_prompts.h"
#include "base/module_state.h"
#include "prompt_resources.h"
#include "base/prompts.h"
#include "test_prompt_support.h"
#include "win_test_util.h"

namespace {

using namespace prompttest;

class BackupSetDialogTest : public PromptTest {
 protected:
  void SetUp() override {
    PromptTest::SetUp();
    for (const char* name : {"MONDAY.0_2", "MONDAY.1_2", "Tuesday.0_1", "notes.txt"}) {
      ASSERT_TRUE(testutil::WriteWholeFile(Folder() / name, std::string("v")));
    }
    ASSERT_TRUE(CreateDirectoryA((Folder() / "FOLDER.0_1").c_str(), nullptr));
    CZText folder(Folder().path().c_str());
    folder.AnsiToOem();
    pattern_ = folder + "*.0_?";
  }

  std::vector<std::string> ListOf(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_BACKUP_SET_LIST);
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char item[MAX_PATH] = {};
      SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
      items.push_back(item);
    }
    return items;
  }

  CZText pattern_;
};

TEST_F(BackupSetDialogTest, ListsTheSetsAndHandsOnTheChosenFirstFile) {
  CZText pattern = pattern_;
  bool chosen = false;
  PromptThread thread([&] { chosen = GetEnginePrompts()->AskBackupSet(pattern); });
  HWND dialog = WaitForDialog(thread.Id(), "Please choose backup set...");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ((std::vector<std::string>{"monday", "tuesday"}), ListOf(dialog));
  HWND list = GetDlgItem(dialog, IDC_BACKUP_SET_LIST);
  EXPECT_EQ(0, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_EQ("Ok", ItemText(dialog, IDOK));
  EXPECT_EQ("Cancel", ItemText(dialog, IDCANCEL));
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  Press(dialog, IDOK);
  ASSERT_TRUE(thread.Wait());
  EXPECT_TRUE(chosen);
  EXPECT_EQ(0, pattern.CompareNoCase((Folder() / "TUESDAY.0_1").c_str())) << pattern.str();
}

TEST_F(BackupSetDialogTest, OkWithoutASetIsRefusedAndCancelGivesNothing) {
  testutil::TempFolder empty;
  CZText pattern((empty.path() + "*.0_?").c_str());
  const CZText before = pattern;
  bool chosen = true;
  SetStringResource(19, "Sicherung w\xe4hlen");
  SetStringResource(6, "Gut");
  SetStringResource(7, "Weg");
  PromptThread thread([&] { chosen = GetEnginePrompts()->AskBackupSet(pattern); });
  HWND dialog = WaitForDialog(thread.Id(), "Sicherung");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("Sicherung w\xe4hlen", WindowText(dialog));
  EXPECT_EQ("Gut", ItemText(dialog, IDOK));
  EXPECT_EQ("Weg", ItemText(dialog, IDCANCEL));
  EXPECT_TRUE(ListOf(dialog).empty());
  Press(dialog, IDOK);
  Sleep(300);
  EXPECT_TRUE(IsWindow(dialog));
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(thread.Wait());
  EXPECT_FALSE(chosen);
  EXPECT_EQ(before.str(), pattern.str());
}

TEST_F(BackupSetDialogTest, SetWhoseFilesWentAwayIsRefused) {
  CZText pattern = pattern_;
  bool chosen = true;
  PromptThread thread([&] { chosen = GetEnginePrompts()->AskBackupSet(pattern); });
  HWND dialog = WaitForDialog(thread.Id(), "Please choose backup set...");
  ASSERT_NE(nullptr, dialog);
  ASSERT_TRUE(DeleteFileA((Folder() / "Tuesday.0_1").c_str()));
  SendMessageA(GetDlgItem(dialog, IDC_BACKUP_SET_LIST), LB_SETCURSEL, 1, 0);
  Press(dialog, IDOK);
  Sleep(300);
  EXPECT_TRUE(IsWindow(dialog));
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(thread.Wait());
  EXPECT_FALSE(chosen);
}

}  // namespace
