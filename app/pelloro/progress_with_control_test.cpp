// The progress window fed by the real control's events through the main window's bindings:
// ZipFiles shows each file and its rate, a password shows "Encrypting ", DeleteWithMask
// "Deleting ", UnzipFiles the names and rates; "Cance&l" clicked while ZipFiles runs ends it with
// 17 and an archive the peers accept with fewer entries (pelloro_peer_check.sh judges it after
// the run), and stops an extraction before its next entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "compression_error.h"
#include "forms/label.h"
#include "gui_driver.h"
#include "win_test_util.h"

namespace {

using pelloro::TMainfrm;
using pelloro::TOp;

constexpr int kManyFiles = 40;

// Archives kept for the peers, judged natively after the test program.
std::string PeerCheckDir() {
  const std::string dir = testutil::BinaryDir() + "app\\pelloro\\peer_check\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

std::string Content(int index, size_t size) {
  std::string text;
  text.reserve(size);
  unsigned seed = 19u + static_cast<unsigned>(index);
  while (text.size() < size) {
    seed = seed * 1664525u + 1013904223u;
    text +=
        "Gr\xFC\xDF"
        "e line " +
        std::to_string(seed >> 20) + "\r\n";
  }
  text.resize(size);
  return text;
}

// The engine names files in upper case: compare without regard to case.
std::string Upper(std::string text) {
  CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

class ProgressWithControlTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    main = &MakeMain();
    main->Show();
    op = main->Op();
    op->Show();
  }
  // Source files a000.txt.. in a folder of their own.
  std::string MakeSources(int count, size_t size) {
    const std::string folder = temp / "source\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
      char name[32];
      wsprintfA(name, "a%03d.txt", i);
      EXPECT_TRUE(testutil::WriteWholeFile(folder + name, Content(i, size)));
    }
    return folder;
  }
  short Zip(const std::string& archive, const std::string& folder,
            const std::string& password = "") {
    return main->QXCtrl1->ZipFiles(archive, folder + "*.*", false, 0, 0, 0, false, false, password,
                                   true);
  }
  testutil::TempFolder temp;
  TMainfrm* main = nullptr;
  TOp* op = nullptr;
};

TEST_F(ProgressWithControlTest, ZipFilesShowsEachFileAndTheRate) {
  const std::string folder = MakeSources(3, 20000);
  std::vector<std::string> shown;
  int lastBar = -1;
  auto bound = main->QXCtrl1->OnZNFileZipped;
  main->QXCtrl1->OnZNFileZipped = [&](TQXCtrl& sender, const std::string& file, short rate) {
    bound(sender, file, rate);
    shown.push_back(op->Status->Caption() + "|" + op->Prog_Status->Caption());
    lastBar = op->Progress->Position();
    EXPECT_EQ(lastBar, rate < 0 ? 0 : (rate > 100 ? 100 : rate));
  };
  int zipping = 0;
  auto boundZipping = main->QXCtrl1->OnZNZipping2;
  main->QXCtrl1->OnZNZipping2 = [&](TQXCtrl& sender, const std::string& file, short rate) {
    boundZipping(sender, file, rate);
    EXPECT_EQ(op->Status->Caption(), file);
    if (op->Progress->Position() == 100) ++zipping;
  };
  op->ShowActivity('B');
  ASSERT_EQ(0, Zip(temp / "out.zip", folder));
  ASSERT_EQ(shown.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(Upper(shown[i]).find("A00" + std::to_string(i) + ".TXT"), std::string::npos)
        << shown[i];
    EXPECT_NE(shown[i].find("|Compression Rate %"), std::string::npos) << shown[i];
  }
  EXPECT_GT(zipping, 0);  // the bar reached 100 for a file
  guitest::SaveScreenshot(op->Handle(), "pelloro_progress_zipping.bmp");
}

TEST_F(ProgressWithControlTest, APasswordShowsEncrypting) {
  const std::string folder = MakeSources(2, 5000);
  std::vector<std::string> shown;
  auto bound = main->QXCtrl1->OnZNEncrypt;
  main->QXCtrl1->OnZNEncrypt = [&](TQXCtrl& sender, const std::string& file, short rate) {
    bound(sender, file, rate);
    shown.push_back(op->Status->Caption() + "|" + op->Prog_Status->Caption());
  };
  ASSERT_EQ(0, Zip(temp / "secret.zip", folder, "caf\xE9"));
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front().rfind("Encrypting ", 0), 0u) << shown.front();
  EXPECT_NE(Upper(shown.front()).find("A000.TXT"), std::string::npos) << shown.front();
  EXPECT_NE(shown.front().find("|Rate Done (%)"), std::string::npos) << shown.front();
}

TEST_F(ProgressWithControlTest, DeleteWithMaskShowsDeleting) {
  const std::string folder = MakeSources(3, 2000);
  ASSERT_EQ(0, Zip(temp / "delete.zip", folder));
  std::vector<std::string> shown;
  auto bound = main->QXCtrl1->OnZNDeleting;
  main->QXCtrl1->OnZNDeleting = [&](TQXCtrl& sender, const std::string& file) {
    bound(sender, file);
    shown.push_back(op->Status->Caption());
  };
  op->ShowActivity('C');
  EXPECT_EQ(0, main->QXCtrl1->DeleteWithMask(temp / "delete.zip", "a001.txt", true));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("Deleting ", 0), 0u) << shown[0];
  EXPECT_NE(Upper(shown[0]).find("A001.TXT"), std::string::npos) << shown[0];
  EXPECT_EQ(2, main->QXCtrl1->GetCount(temp / "delete.zip", false));
}

TEST_F(ProgressWithControlTest, UnzipFilesShowsTheNamesAndRates) {
  const std::string folder = MakeSources(3, 30000);
  ASSERT_EQ(0, Zip(temp / "unzip.zip", folder));
  std::vector<std::string> names;
  auto bound = main->QXCtrl1->OnZNExpanding;
  main->QXCtrl1->OnZNExpanding = [&](TQXCtrl& sender, const std::string& name, short rate) {
    bound(sender, name, rate);
    EXPECT_EQ(op->Prog_Status->Caption(), name);
    EXPECT_EQ(op->Progress->Position(), rate < 0 ? 0 : (rate > 100 ? 100 : rate));
    if (names.empty() || names.back() != name) names.push_back(name);
  };
  op->ShowActivity('E');
  const std::string out = temp / "out\\";
  CreateDirectoryA(out.c_str(), nullptr);
  EXPECT_EQ(0, main->QXCtrl1->UnzipFiles(temp / "unzip.zip", "*.*", out, true, false, 1, "", false,
                                         true));
  ASSERT_EQ(names.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(Upper(names[i]).find("A00" + std::to_string(i) + ".TXT"), std::string::npos)
        << names[i];
  }
  guitest::SaveScreenshot(op->Handle(), "pelloro_progress_extracting.bmp");
}

// Posts a press and release of "Cance&l" (a windowless button: its parent gets them, with the
// real cursor on it), to be handled inside the control's pumping.
void PostCancelClick(TOp& op) {
  POINT centre = {op.ExplorerButton1->Left() + op.ExplorerButton1->Width() / 2,
                  op.ExplorerButton1->Top() + op.ExplorerButton1->Height() / 2};
  POINT screen = centre;
  ClientToScreen(op.Handle(), &screen);
  SetCursorPos(screen.x, screen.y);
  const LPARAM at = MAKELPARAM(centre.x, centre.y);
  PostMessageA(op.Handle(), WM_MOUSEMOVE, 0, at);
  PostMessageA(op.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(op.Handle(), WM_LBUTTONUP, 0, at);
}

TEST_F(ProgressWithControlTest, CancelDuringZipFilesGives17AndASoundShorterArchive) {
  const std::string folder = MakeSources(kManyFiles, 300000);
  const std::string archive = PeerCheckDir() + "cancelled.zip";
  DeleteFileA(archive.c_str());
  bool posted = false;
  auto bound = main->QXCtrl1->OnZNFileZipped;
  main->QXCtrl1->OnZNFileZipped = [&](TQXCtrl& sender, const std::string& file, short rate) {
    bound(sender, file, rate);
    if (!posted) PostCancelClick(*op);
    posted = true;
  };
  op->ShowActivity('B');
  const short result = Zip(archive, folder);
  EXPECT_EQ(17, result);
  EXPECT_TRUE(op->CancelFlag());
  const short count = main->QXCtrl1->GetCount(archive, false);
  EXPECT_GT(count, 0);
  EXPECT_LT(count, kManyFiles);
  std::string message;
  guitest::OnModal([&](forms::Form& dialog) {
    message = guitest::Get<forms::Label>(dialog, "Message").Caption();
    guitest::Click(dialog, "OK");
  });
  pelloro::ShowCompressionError(result);
  EXPECT_EQ(message, "User abort.  Zip may be corrupt.");
  op->Close();
  op->Show();
  EXPECT_FALSE(op->CancelFlag());  // the next show clears it
}

TEST_F(ProgressWithControlTest, CancelDuringUnzipFilesWritesNoLaterEntry) {
  const std::string folder = MakeSources(8, 300000);
  ASSERT_EQ(0, Zip(temp / "many.zip", folder));
  // The control's extraction state is cleared by a new call; the cancel comes from the window.
  main->QXCtrl1->ZipCancel(false);
  main->QXCtrl1->UnzipCancel(false);
  op->Close();
  op->Show();
  bool posted = false;
  std::vector<std::string> opened;
  main->QXCtrl1->OnZNOpenFile = [&](TQXCtrl&, const std::string& name) {
    opened.push_back(name);
    if (!posted) PostCancelClick(*op);
    posted = true;
  };
  const std::string out = temp / "out\\";
  CreateDirectoryA(out.c_str(), nullptr);
  main->QXCtrl1->UnzipFiles(temp / "many.zip", "*.*", out, true, false, 1, "", false, true);
  EXPECT_TRUE(op->CancelFlag());
  const auto written = testutil::FolderNames(out, true);
  EXPECT_LE(written.size(), 1u);
  for (int i = 1; i < 8; ++i) {
    char name[32];
    wsprintfA(name, "A%03d.TXT", i);
    EXPECT_EQ(std::count(written.begin(), written.end(), std::string(name)), 0) << name;
  }
}

}  // namespace
