// Batch extraction in process with the real control over python's archives: files added by
// double click and by the add button, an unchecked one extracted never and listed never, the
// auto-naming scheme putting two archives of one name into one subfolder, one archive (the bar at
// 100, the files judged by python), folders dropped, a broken archive's "Failed (error n)" row
// with the closing error message, and a failed control call ending only the command.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "batch_decompress.h"
#include "captions.h"
#include "echo_control_test_support.h"
#include "extraction_peer.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "win_test_util.h"

namespace {

using pelloro::TBatchDecompressfrm;
using pelloro::TMainfrm;

std::string Batch(const std::string& name) { return apptest::FixturePath("batch\\" + name); }

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Bytes(const std::string& path) {
  const std::vector<uint8_t> bytes = testutil::FileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(BatchNumbers, StatusAndBar) {
  EXPECT_EQ(pelloro::BatchStatus(0), "Unzipped");
  EXPECT_EQ(pelloro::BatchStatus(1), "Unzipped");
  EXPECT_EQ(pelloro::BatchStatus(5), "Failed (error 5)");
  EXPECT_EQ(pelloro::BatchStatus(-1), "Failed (error -1)");
  const struct {
    int row, count, percent;
  } cases[] = {{0, 1, 100}, {0, 3, 0}, {1, 3, 50}, {2, 3, 100}, {1, 4, 33}, {2, 4, 67}};
  for (const auto& c : cases) {
    EXPECT_EQ(pelloro::BatchPercent(c.row, c.count), c.percent) << c.row << "/" << c.count;
  }
}

class BatchTest : public apptest::DialogsWorkTest {
 protected:
  struct Result {
    std::vector<std::string> paths, statuses;
    int bar = -1;
    std::string message, label;
  };
  // Adds the archive as the user does: its folder in the folder list, then a double click on it
  // in the file list.
  static void DoubleClickFile(TBatchDecompressfrm& batch, const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    batch.DirectoryListBox1->SetDirectory(path.substr(0, slash));
    batch.FileListBox1->SetDirectory(batch.DirectoryListBox1->Directory());
    const int index = IndexOf(*batch.FileListBox1, path.substr(slash + 1));
    ASSERT_GE(index, 0) << path;
    RECT r = {};
    HWND list = batch.FileListBox1->Handle();
    SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    guitest::Pump();
  }
  static int IndexOf(forms::ListBox& list, const std::string& name) {
    for (int i = 0; i < list.Count(); ++i) {
      if (lstrcmpiA(list.Item(i).c_str(), name.c_str()) == 0) return i;
    }
    return -1;
  }
  // Runs the batch window: choose adds the archives, then the second page is set and the batch
  // runs; the closing message is answered with OK.
  Result Run(TMainfrm& main, const std::function<void(TBatchDecompressfrm&)>& choose,
             const std::string& folder, bool autoName, bool rebuild, const char* shots = nullptr) {
    Result result;
    guitest::OnModal([&](forms::Form& form) {
      auto& batch = dynamic_cast<TBatchDecompressfrm&>(form);
      EXPECT_TRUE(batch.Page1->Visible());
      EXPECT_EQ(batch.CheckListBox1->Items().Count(), 0);
      EXPECT_EQ(batch.FileListBox1->Mask(), "*.zip");
      choose(batch);
      if (shots != nullptr) Shot(batch, std::string(shots) + "_page1.bmp");
      guitest::Click(*batch.Nextbtn);
      EXPECT_TRUE(batch.Page2->Visible());
      EXPECT_EQ(batch.Decompressto->Text(), "C:\\Windows\\Desktop\\Batch_Unzips\\");
      guitest::SetText(*batch.Decompressto, folder);
      batch.AutoName->SetChecked(autoName);
      batch.RestoreStructure->SetChecked(rebuild);
      if (shots != nullptr) Shot(batch, std::string(shots) + "_page2.bmp");
      guitest::OnModal([&](forms::Form& message) {
        result.message = guitest::Get<forms::Label>(message, "Message").Caption();
        for (int i = 0; i < batch.ListView1->Count(); ++i) {
          result.paths.push_back(batch.ListView1->ItemText(i, 0));
          result.statuses.push_back(batch.ListView1->ItemText(i, 1));
        }
        result.bar = batch.ProgressBar1->Position();
        result.label = batch.Label13->Caption();
        if (shots != nullptr) {
          Shot(batch, std::string(shots) + "_page3.bmp");
          guitest::SaveScreenshot(message.Handle(), std::string(shots) + "_message.bmp");
        }
        guitest::Click(message, "OK");
      });
      guitest::Click(*batch.Nextbtn);
    });
    EXPECT_TRUE(guitest::ClickMenu(main, "&File|&Batch Decompress"));
    return result;
  }
  static void Shot(forms::Form& form, const std::string& name) {
    form.Repaint();
    guitest::Pump(30);
    guitest::SaveScreenshot(form.Handle(), name);
  }
  static constexpr char kDone[] =
      "Decompression complete!\r\n\r\nThe files you selected have been decompressed now.";
  static constexpr char kFailed[] =
      "Decompression finished with errors.\r\n\r\nThe files marked Failed were not decompressed "
      "completely.";
};

TEST_F(BatchTest, AutoNamingPutsTheSameNamedIntoOneFolderAndSkipsTheUnchecked) {
  TMainfrm& main = MakeMain();
  main.Show();
  const Result r = Run(
      main,
      [&](TBatchDecompressfrm& batch) {
        DoubleClickFile(batch, Batch("one\\same.zip"));
        DoubleClickFile(batch, Batch("two\\same.zip"));
        // other.zip by the add button, then unchecked.
        batch.DirectoryListBox1->SetDirectory(apptest::FixturePath("batch"));
        batch.FileListBox1->SetDirectory(batch.DirectoryListBox1->Directory());
        const int other = IndexOf(*batch.FileListBox1, "other.zip");
        ASSERT_GE(other, 0);
        batch.FileListBox1->SetSelected(other, true);
        guitest::Click(*batch.ExplorerButton1);
        ASSERT_EQ(batch.CheckListBox1->Items().Count(), 3);
        EXPECT_EQ(batch.CheckListBox1->Items()[2], Batch("other.zip"));
        for (int i = 0; i < 3; ++i) {
          EXPECT_EQ(batch.CheckListBox1->State(i), TCheckState::csChecked);
        }
        batch.CheckListBox1->Toggle(2);
        EXPECT_EQ(batch.CheckListBox1->State(2), TCheckState::csUnchecked);
      },
      work_ + "auto", true, true, "pelloro_batch");
  EXPECT_EQ(r.message, kDone);
  EXPECT_EQ(r.paths, (std::vector<std::string>{Batch("one\\same.zip"), Batch("two\\same.zip")}));
  EXPECT_EQ(r.statuses, (std::vector<std::string>{"Unzipped", "Unzipped"}));
  EXPECT_EQ(r.bar, 100);
  EXPECT_EQ(r.label, Batch("two\\same.zip"));
  const std::string same = work_ + "auto\\same\\";
  EXPECT_EQ(Bytes(same + "first.txt"), "first\r\n");
  EXPECT_EQ(Bytes(same + "sub\\Gr\xFC\xDF"
                         "e.txt")
                .size(),
            7u * 40u);
  EXPECT_EQ(Bytes(same + "second.txt"), "second\r\nsecond\r\nsecond\r\n");
  EXPECT_FALSE(Exists(work_ + "auto\\other"));
  EXPECT_FALSE(Exists(work_ + "auto\\other.bin"));
  EXPECT_EQ(main.QXCtrl1->CallsInProgress(), 0);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(BatchTest, OneArchiveFillsTheBarAndFolderStructuresFollowTheCheckBox) {
  TMainfrm& main = MakeMain();
  main.Show();
  const auto chooseOther = [&](TBatchDecompressfrm& batch) {
    DoubleClickFile(batch, Batch("other.zip"));
  };
  Result r = Run(main, chooseOther, work_ + "kept", false, true);
  EXPECT_EQ(r.message, kDone);
  EXPECT_EQ(r.statuses, (std::vector<std::string>{"Unzipped"}));
  EXPECT_EQ(r.bar, 100);
  const std::string peer = apptest::CompareWithPython(Batch("other.zip"), work_ + "kept");
  EXPECT_TRUE(apptest::PeerOk(peer)) << peer;
  r = Run(main, chooseOther, work_ + "flat\\", false, false);
  EXPECT_EQ(r.statuses, (std::vector<std::string>{"Unzipped"}));
  EXPECT_TRUE(Exists(work_ + "flat\\note.txt"));
  EXPECT_TRUE(Exists(work_ + "flat\\other.bin"));
  EXPECT_FALSE(Exists(work_ + "flat\\deep"));
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(BatchTest, ABrokenArchiveIsMarkedFailedAndTheEndSaysSo) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string truncated = apptest::FixturePath("truncated.zip");
  const Result r = Run(
      main,
      [&](TBatchDecompressfrm& batch) {
        DoubleClickFile(batch, truncated);
        DoubleClickFile(batch, Batch("other.zip"));
      },
      work_ + "broken", true, true, "pelloro_batch_failed");
  EXPECT_EQ(r.message, kFailed);
  ASSERT_EQ(r.statuses.size(), 2u);
  EXPECT_EQ(r.statuses[0].rfind("Failed (error ", 0), 0u) << r.statuses[0];
  EXPECT_NE(r.statuses[0], "Failed (error 0)");
  EXPECT_NE(r.statuses[0], "Failed (error 1)");
  EXPECT_EQ(r.statuses[1], "Unzipped");
  EXPECT_EQ(r.bar, 100);
  EXPECT_TRUE(Exists(work_ + "broken\\other\\deep\\er\\note.txt"));
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(BatchTest, AFailedCallEndsTheBatchWithOneMessage) {
  echotest::EchoServer server;
  ASSERT_TRUE(server.registered());
  pelloro::TMainfrmOptions options;
  options.ControlClass = &echotest::kEchoClassId;
  TMainfrm& main = MakeMain(options);
  main.Show();
  server.state.answer = [](const echotest::RawCall&, VARIANT*, EXCEPINFO* exception) {
    exception->bstrDescription = SysAllocString(L"The files cannot be unzipped");
    return DISP_E_EXCEPTION;
  };
  bool closed = false;
  guitest::OnModal([&](forms::Form& form) {
    auto& batch = dynamic_cast<TBatchDecompressfrm&>(form);
    DoubleClickFile(batch, Batch("other.zip"));
    guitest::Click(*batch.Nextbtn);
    guitest::SetText(*batch.Decompressto, work_ + "echo");
    guitest::Click(*batch.Nextbtn);
    closed = batch.ModalResult() != forms::mrNone;
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&File|&Batch Decompress"));
  EXPECT_TRUE(closed);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_NE(exceptions[0].find("The files cannot be unzipped"), std::string::npos) << exceptions[0];
  EXPECT_EQ(main.QXCtrl1->CallsInProgress(), 0);
  EXPECT_TRUE(main.Visible());
  EXPECT_TRUE(main.Enabled());
  main.SetOp(nullptr);
  op_.reset();
  main_.reset();
}

}  // namespace
