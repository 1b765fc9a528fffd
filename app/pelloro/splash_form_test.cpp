// The splash and the advice window in process: the splash's caption and client size, no advice
// without an idle instance or without an archive, and "&Yes" writing the hand-off file (one line,
// CR LF) and sending 0x600 with wParam and lParam 0 to the idle window; "&No" deleting
// C:\Temp.dat only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "gui_driver.h"
#include "main_form.h"
#include "splash_form.h"
#include "win_test_util.h"

namespace {

using pelloro::TOrvalinfrm;
using pelloro::TSplash;

// A window captioned as an idle instance that records the messages it is sent.
class IdleStandIn {
 public:
  IdleStandIn() {
    static ATOM atom = [] {
      WNDCLASSA c = {};
      c.lpfnWndProc = Proc;
      c.hInstance = GetModuleHandleA(nullptr);
      c.lpszClassName = "PelloroIdleStandIn";
      return RegisterClassA(&c);
    }();
    (void)atom;
    window_ = CreateWindowExA(0, "PelloroIdleStandIn", pelloro::kCaptionIdle, WS_OVERLAPPED, 0, 0,
                              50, 50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~IdleStandIn() { DestroyWindow(window_); }
  HWND window() const { return window_; }
  struct Sent {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  static std::vector<Sent>& Received() {
    static std::vector<Sent> received;
    return received;
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER) Received().push_back({msg, wParam, lParam});
    return DefWindowProcA(window, msg, wParam, lParam);
  }
  HWND window_;
};

class SplashTest : public apptest::AppTest {};

TEST_F(SplashTest, CaptionSizeAndNoAdviceWithoutAnIdleInstance) {
  ASSERT_EQ(FindWindowA(nullptr, pelloro::kCaptionIdle), nullptr);
  TSplash splash(nullptr, "C:\\some archive.zip");
  splash.Show();
  EXPECT_EQ(splash.Caption(), "Spash");
  const RECT client = splash.ClientRect();
  EXPECT_EQ(client.right - client.left, 238);
  EXPECT_EQ(client.bottom - client.top, 186);
  EXPECT_EQ(splash.FoundWindow, nullptr);
  EXPECT_EQ(splash.HandoffFlag, 0);
  guitest::SaveScreenshot(splash.Handle(), "pelloro_splash.bmp");
}

TEST_F(SplashTest, NoArchiveNoAdviceEvenWithAnIdleInstance) {
  IdleStandIn idle;
  bool asked = false;
  guitest::OnModal([&](forms::Form& form) {
    asked = true;
    form.Close();
  });
  TSplash splash(nullptr, "");
  splash.Show();
  EXPECT_EQ(splash.FoundWindow, idle.window());
  EXPECT_FALSE(asked);
  forms::App().SetModalHook(nullptr);
}

TEST_F(SplashTest, YesWritesTheFileAndSendsTheMessage) {
  IdleStandIn idle;
  IdleStandIn::Received().clear();
  testutil::TempFolder temp;
  const std::string argument =
      "C:\\folder with blanks\\Gr\xFC\xDF"
      "e.zip";
  std::string caption;
  TSplash splash(nullptr, argument);
  splash.HandoffFile = temp / "Test.dat";
  guitest::OnModal([&](forms::Form& form) {
    caption = form.Caption();
    guitest::SaveScreenshot(form.Handle(), "pelloro_orvalin_in_process.bmp");
    guitest::Key(dynamic_cast<forms::WinControl&>(form), VK_RETURN);  // Enter anywhere: "&Yes"
  });
  splash.Show();
  EXPECT_EQ(caption, "Pelloro '95 Orvalin");
  EXPECT_EQ(splash.HandoffFlag, 1);
  ASSERT_EQ(IdleStandIn::Received().size(), 1u);
  EXPECT_EQ(IdleStandIn::Received()[0].msg, 0x600u);
  EXPECT_EQ(IdleStandIn::Received()[0].wParam, 0u);
  EXPECT_EQ(IdleStandIn::Received()[0].lParam, 0);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(testutil::ReadWholeFile(splash.HandoffFile, &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), argument + "\r\n");
}

TEST_F(SplashTest, NoDeletesTempDatAndSendsNothing) {
  IdleStandIn idle;
  IdleStandIn::Received().clear();
  testutil::TempFolder temp;
  TSplash splash(nullptr, "C:\\a.zip");
  splash.HandoffFile = temp / "Test.dat";
  splash.NoFile = temp / "Temp.dat";
  ASSERT_TRUE(testutil::WriteWholeFile(splash.HandoffFile, std::string("earlier\r\n")));
  ASSERT_TRUE(testutil::WriteWholeFile(splash.NoFile, std::string("x")));
  guitest::OnModal([&](forms::Form& form) { guitest::Click(form, "NoButton"); });
  splash.Show();
  EXPECT_EQ(splash.HandoffFlag, 0);
  EXPECT_TRUE(IdleStandIn::Received().empty());
  EXPECT_EQ(GetFileAttributesA(splash.NoFile.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(splash.HandoffFile.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
