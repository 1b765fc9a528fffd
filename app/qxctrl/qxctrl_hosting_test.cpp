// TQXCtrl with the real QX30W32 in the container: the extent of the form's ControlData, the Hwnd
// property against the in-place window, a method on an archive made by python's zipfile, and a
// replace prompt during UnzipFiles bracketed on the frame by EnableModeless FALSE, then TRUE.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_test_support.h"
#include "dialog_robot.h"
#include "qxctrl.h"
#include "dialog_robot.h"
#include "win_test_util.h"

namespace {

using controltest::Ptr;

// The replace prompt's "&No" button.
constexpr int kReplaceNo = 7;

class RecordingQXCtrl : public TQXCtrl {
 public:
  std::vector<bool> modeless;

 protected:
  void EnableModeless(bool enable) override { modeless.push_back(enable); }
};

std::string FixturePath(const std::string& name) {
  return testutil::BinaryDir() + "app\\qxctrl\\fixtures\\qxctrl\\" + name;
}

class RealControl : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
    parent_ = CreateWindowExA(0, "STATIC", "Pelloro host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80,
                              400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, parent_);
  }
  void TearDown() override {
    control_.DestroyControl();
    if (parent_ != nullptr) DestroyWindow(parent_);
    controltest::PumpFor(20);
  }
  void Create() {
    olehost::TControlDataStream data;
    data.ExtentX = 1323;
    data.ExtentY = 529;
    ASSERT_NO_THROW(control_.CreateControl(parent_, RECT{8, 8, 58, 28}, &data));
  }

  RecordingQXCtrl control_;
  HWND parent_ = nullptr;
};

TEST_F(RealControl, ExtentIsTheControlDatas) {
  ASSERT_NO_FATAL_FAILURE(Create());
  SIZEL extent = {0, 0};
  ASSERT_EQ(S_OK, control_.OleObject()->GetExtent(DVASPECT_CONTENT, &extent));
  EXPECT_EQ(1323, extent.cx);
  EXPECT_EQ(529, extent.cy);
}

TEST_F(RealControl, HwndIsTheInPlaceWindow) {
  ASSERT_NO_FATAL_FAILURE(Create());
  HWND hwnd = nullptr;
  ASSERT_NO_THROW(hwnd = control_.Hwnd());
  Ptr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(S_OK, control_.OleObject()->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid()));
  HWND window = nullptr;
  ASSERT_EQ(S_OK, inPlace->GetWindow(&window));
  EXPECT_NE(nullptr, window);
  EXPECT_EQ(window, hwnd);
  EXPECT_EQ(parent_, GetParent(window));

  // Once painted the control has no visible size: 0 x 0 at (-1,-1) in its parent.
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(parent_);
  controltest::PumpFor(300);
  RECT area;
  ASSERT_TRUE(GetWindowRect(window, &area));
  POINT corner = {area.left, area.top};
  ScreenToClient(parent_, &corner);
  EXPECT_EQ(-1, corner.x);
  EXPECT_EQ(-1, corner.y);
  EXPECT_EQ(0, area.right - area.left);
  EXPECT_EQ(0, area.bottom - area.top);
  testutil::SaveScreenshot(parent_, "olehost_real_control.bmp");
}

TEST_F(RealControl, CountsWhatPythonsZipfileWrote) {
  ASSERT_NO_FATAL_FAILURE(Create());
  bool readable = false;
  const auto manifest = testutil::ReadManifest(FixturePath("count.txt"), &readable);
  ASSERT_TRUE(readable);
  ASSERT_FALSE(manifest.empty());
  std::vector<std::string> opened;
  control_.OnZNOpenFile = [&](TQXCtrl&, const std::string& name) { opened.push_back(name); };
  EXPECT_EQ(std::stoi(manifest[0][0]), control_.GetCount(FixturePath("replace.zip"), false));
  EXPECT_TRUE(control_.IsFileInTheZIPFile(FixturePath("replace.zip"), "note.txt", false));
  EXPECT_FALSE(control_.IsFileInTheZIPFile(FixturePath("replace.zip"), "absent.txt", false));
  EXPECT_EQ(0, control_.CallsInProgress());
}

TEST_F(RealControl, AReplacePromptIsBracketedOnTheFrame) {
  ASSERT_NO_FATAL_FAILURE(Create());
  testutil::TempFolder folder;
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "note.txt", std::string("kept\r\n")));
  std::vector<std::string> closed;
  control_.OnZNCloseFile = [&](TQXCtrl&, const std::string& name, bool) { closed.push_back(name); };
  std::vector<bool> modelessWhilePrompting;
  {
    // Answers "&No" for note.txt: the file on disk stays.
    testutil::DialogAnswerer watcher("Replace...", kReplaceNo,
                                     [&](HWND) { modelessWhilePrompting = control_.modeless; });
    // Mode 2 asks for each existing file; in the background, so events fire.
    control_.UnzipFiles(FixturePath("replace.zip"), "*.*", folder.path(), true, false, 2, "", false,
                        true);
    EXPECT_TRUE(watcher.found());
  }
  EXPECT_EQ(std::vector<bool>{false}, modelessWhilePrompting);
  EXPECT_EQ((std::vector<bool>{false, true}), control_.modeless);
  std::vector<uint8_t> kept;
  ASSERT_TRUE(testutil::ReadWholeFile(folder / "note.txt", &kept));
  EXPECT_EQ("kept\r\n", std::string(kept.begin(), kept.end()));
  EXPECT_FALSE(closed.empty());  // the other entry was written, with its events
  EXPECT_EQ(0, control_.CallsInProgress());
}

}  // namespace
