// The disk prompt of split, join and restore as the control answers it: a Yes/No message box
// with the host's title and text, the disk numbers filled in; and the backup-set chooser telling
// Cancel from a choice. Driven by messages from the test thread, as a user would answer.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/prompts.h"
#include "dialog_prompts.h"
#include "reading/czunzip.h"
#include "test_prompt_support.h"
#include "volumes/volume_operations.h"
#include "win_test_util.h"

namespace {

using namespace prompttest;

constexpr int kMessageBoxText = 0xFFFF;  // the static control holding a message box's text

class DiskPromptTest : public PromptTest {};

TEST_F(DiskPromptTest, YesAndNoOfTheMessageBox) {
  for (const int button : {IDYES, IDNO}) {
    SCOPED_TRACE(button);
    bool answer = button != IDYES;
    PromptThread thread([&] {
      answer =
          GetEnginePrompts()->AskNextDisk(nullptr, CZText("Disk 2"), CZText("Insert disk 2 of 3"));
    });
    HWND box = WaitForDialog(thread.Id(), "Disk 2");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Insert disk 2 of 3", ItemText(box, kMessageBoxText));
    Sleep(200);  // painted
    testutil::SaveScreenshot(box, "disk_prompt.bmp");
    EXPECT_NE(nullptr, GetDlgItem(box, IDYES));
    EXPECT_NE(nullptr, GetDlgItem(box, IDNO));
    Press(box, button);
    ASSERT_TRUE(thread.Wait());
    EXPECT_EQ(button == IDYES, answer);
  }
}

TEST_F(DiskPromptTest, AJoinAsksForTheMissingVolumeAndNoStopsIt) {
  for (const char* name : {"DATA.0_2", "DATA.2_2"}) {
    ASSERT_TRUE(testutil::WriteWholeFile(Folder() / name, std::string(100, 'v')));
  }
  testutil::TempFolder output;
  CZUnzip unzip;
  int result = -1;
  PromptThread thread([&] {
    result =
        volumes::JoinVolumes(nullptr, (Folder() / "DATA.0_2").c_str(), output.path().c_str(), FALSE,
                             "Volume %1", "Please insert volume %1 of %2.", FALSE, nullptr);
  });
  HWND box = WaitForDialog(thread.Id(), "Volume 2");
  ASSERT_NE(nullptr, box);
  EXPECT_EQ("Please insert volume 2 of 3.", ItemText(box, kMessageBoxText));
  // Yes while the volume is still missing asks again; No gives up.
  Press(box, IDYES);
  Sleep(300);
  box = WaitForDialog(thread.Id(), "Volume 2");
  ASSERT_NE(nullptr, box);
  Press(box, IDNO);
  ASSERT_TRUE(thread.Wait());
  EXPECT_EQ(kJoinDiskRefused, result);
}

TEST_F(DiskPromptTest, TheChooserTellsCancelFromAChoice) {
  ASSERT_TRUE(testutil::WriteWholeFile(Folder() / "MONDAY.0_0", std::string("v")));
  for (const int button : {IDCANCEL, IDOK}) {
    SCOPED_TRACE(button);
    CZText pattern((Folder().path() + "*.0_?").c_str());
    EnginePrompts::BackupSetChoice choice = EnginePrompts::BackupSetChoice::kUnavailable;
    PromptThread thread([&] { choice = GetEnginePrompts()->ChooseBackupSet(pattern); });
    HWND dialog = WaitForDialog(thread.Id(), "Please choose backup set...");
    ASSERT_NE(nullptr, dialog);
    Press(dialog, button);
    ASSERT_TRUE(thread.Wait());
    EXPECT_EQ(button == IDOK ? EnginePrompts::BackupSetChoice::kChosen
                             : EnginePrompts::BackupSetChoice::kCancelled,
              choice);
    if (button == IDOK) {
      EXPECT_EQ(0, pattern.CompareNoCase((Folder() / "MONDAY.0_0").c_str())) << pattern.str();
    }
  }
}

}  // namespace
