// The receiving side of the hand-off in process: WM_HANDOFF sent from another thread while a
// background UnzipFiles pumps is taken at once (file read and deleted) but listed only when the
// control is idle again, once, the latest hand-off winning; the extraction ends with its own
// result. An empty line 0 opens nothing; a missing file does nothing.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "gui_driver.h"
#include "splash_form.h"
#include "win_test_util.h"

namespace {

using apptest::FixturePath;
using pelloro::TMainfrm;

class HandoffReceiveTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    handoff = temp / "Test.dat";
    pelloro::TMainfrmOptions options;
    options.HandoffFile = handoff;
    main = &MakeMain(options);
    main->Show();
  }
  bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  testutil::TempFolder temp;
  std::string handoff;
  TMainfrm* main = nullptr;
};

TEST_F(HandoffReceiveTest, DuringABackgroundExtractionTheLatestIsListedOnceAfterwards) {
  // An archive that takes a while to extract.
  const std::string source = temp / "src\\";
  CreateDirectoryA(source.c_str(), nullptr);
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(testutil::WriteWholeFile(source + "f" + std::to_string(i) + ".txt",
                                         std::string(400000, static_cast<char>('a' + i))));
  }
  const std::string archive = temp / "slow.zip";
  ASSERT_EQ(
      0, main->QXCtrl1->ZipFiles(archive, source + "*.*", false, 0, 0, 0, false, false, "", true));
  const int before = main->ListingCount();

  std::thread sender;
  bool sent = false;
  bool deletedAtOnce = false;
  int listingsDuring = -1;
  main->QXCtrl1->OnZNOpenFile = [&](TQXCtrl&, const std::string&) {
    if (sent) return;
    sent = true;
    const HWND window = main->Handle();
    sender = std::thread([&, window] {
      pelloro::SaveLines(handoff, {apptest::FixturePath("list folder\\list.zip")});
      SendMessageA(window, pelloro::WM_HANDOFF, 0, 0);
      deletedAtOnce = !Exists(handoff);
      pelloro::SaveLines(handoff, {apptest::FixturePath("setup.zip")});
      SendMessageA(window, pelloro::WM_HANDOFF, 0, 0);
    });
    // Let the sender's messages in while the control works.
    const DWORD start = GetTickCount();
    while (Exists(handoff) || !deletedAtOnce) {
      forms::App().ProcessMessages();
      if (GetTickCount() - start > 10000) break;
      Sleep(5);
    }
    listingsDuring = main->ListingCount();
  };
  const std::string out = temp / "out\\";
  CreateDirectoryA(out.c_str(), nullptr);
  const short result =
      main->QXCtrl1->UnzipFiles(archive, "*.*", out, true, false, 1, "", false, true);
  if (sender.joinable()) sender.join();
  EXPECT_EQ(result, 0);  // its own result
  EXPECT_EQ(testutil::FolderNames(out).size(), 8u);
  EXPECT_TRUE(deletedAtOnce);
  EXPECT_FALSE(Exists(handoff));
  EXPECT_EQ(listingsDuring, before);  // nothing listed inside the extraction
  const DWORD start = GetTickCount();
  while (main->ListingCount() == before && GetTickCount() - start < 5000) guitest::Pump(20);
  guitest::Pump(300);
  EXPECT_EQ(main->ListingCount(), before + 1);                  // once
  EXPECT_EQ(main->CurrentArchive(), FixturePath("setup.zip"));  // the latest
  EXPECT_TRUE(main->Installbtn->Enabled());
  EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

TEST_F(HandoffReceiveTest, AnEmptyLineOpensNothingAndNoFileDoesNothing) {
  ASSERT_TRUE(testutil::WriteWholeFile(handoff, std::string("\r\n")));
  SendMessageA(main->Handle(), pelloro::WM_HANDOFF, 0, 0);
  EXPECT_FALSE(Exists(handoff));
  EXPECT_EQ(main->ListingCount(), 0);
  SendMessageA(main->Handle(), pelloro::WM_HANDOFF, 0, 0);  // no file
  EXPECT_EQ(main->ListingCount(), 0);
  // An idle window lists at once and restores itself.
  ShowWindow(main->Handle(), SW_MINIMIZE);
  ASSERT_TRUE(pelloro::SaveLines(handoff, {FixturePath("list folder\\list.zip")}));
  SendMessageA(main->Handle(), pelloro::WM_HANDOFF, 0, 0);
  EXPECT_EQ(main->ListingCount(), 1);
  EXPECT_FALSE(IsIconic(main->Handle()));
  EXPECT_EQ(main->TempMemo->Text(), FixturePath("list folder\\list.zip") + "\r\n");
  EXPECT_EQ(main->MSListview1->Count(), std::stoi(apptest::Manifest("count.txt").at(0).at(0)));
}

}  // namespace
