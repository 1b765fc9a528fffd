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

// Saves what the screen shows of window as a 24-bit BMP in the build tree, for people reviewing
// the run (never what a test asserts).
void SaveScreenshot(HWND window, const std::string& name) {
  RECT r = {};
  if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) return;
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    std::vector<uint8_t> out(reinterpret_cast<uint8_t*>(&file),
                             reinterpret_cast<uint8_t*>(&file) + sizeof file);
    out.insert(out.end(), reinterpret_cast<uint8_t*>(&info.bmiHeader),
               reinterpret_cast<uint8_t*>(&info.bmiHeader) + sizeof info.bmiHeader);
    out.insert(out.end(), static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + imageBytes);
    const std::string folder = testutil::BinaryDir() + "screenshots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    testutil::WriteWholeFile(folder + name, out);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

class DiskPromptTest : public PromptTest {};

TEST_F(DiskPromptTest, YesAndNoOfTheMessageBox) {
  for (const int button : {IDYES, IDNO}) {
    SCOPED_TRACE(button);
    bool answer = button != IDYES;
    PromptThread thread([&] {
      answer = GetEnginePrompts()->AskNextDisk(nullptr, CZText("Disk 2"), CZText("Insert disk 2 of 3"));
    });
    HWND box = WaitForDialog(thread.Id(), "Disk 2");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Insert disk 2 of 3", ItemText(box, kMessageBoxText));
    Sleep(200);  // painted
    SaveScreenshot(box, "disk_prompt.bmp");
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
