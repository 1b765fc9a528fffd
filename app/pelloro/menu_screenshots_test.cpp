// The main window's menus opened as the user opens them (the menu bar by its mnemonics, the
// list's context menu by WM_CONTEXTMENU) over a listed archive, each one seen on the screen and
// saved for review, then closed again.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>

#include "app_test_support.h"
#include "captions.h"
#include "dialog_robot.h"
#include "gui_driver.h"

namespace {

// Opens a menu by open(), waits on a thread of its own for it, saves the screen and closes it.
template <typename Open>
bool ShowAndSave(HWND main, const std::string& name, Open open) {
  std::atomic<bool> seen{false};
  testutil::PromptThread watcher([&] {
    HWND menu = testutil::WaitForMenu();
    if (menu == nullptr) return;
    seen = true;
    Sleep(400);  // painted
    testutil::SaveScreenshot(nullptr, name);
    // Ends the menu loop (the bar's or the popup's); Escape as a second way out.
    PostMessageA(main, WM_CANCELMODE, 0, 0);
    for (int i = 0; i < 50 && IsWindowVisible(menu); ++i) Sleep(20);
    if (IsWindowVisible(menu)) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 1);
  });
  open();
  for (int i = 0; i < 100 && !watcher.Wait(0); ++i) guitest::Pump(50);
  guitest::Pump(100);
  return seen && watcher.Wait(0);
}

class MenuScreenshotsTest : public apptest::AppTest {};

TEST_F(MenuScreenshotsTest, MenusAndTheContextMenuOpenedForReview) {
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath("list folder\\list.zip")));
  const HWND window = main.Handle();
  const struct {
    char letter;
    const char* file;
  } bar[] = {{'f', "pelloro_menu_file.bmp"},
             {'c', "pelloro_menu_actions.bmp"},
             {'s', "pelloro_menu_send_to.bmp"},
             {'p', "pelloro_menu_plugins.bmp"},
             {'h', "pelloro_menu_help.bmp"}};
  for (const auto& m : bar) {
    SCOPED_TRACE(m.file);
    SetForegroundWindow(window);
    EXPECT_TRUE(ShowAndSave(window, m.file, [&] {
      PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, static_cast<unsigned char>(m.letter));
    }));
  }
  const HWND list = main.MSListview1->Handle();
  RECT bounds = {};
  GetWindowRect(list, &bounds);
  EXPECT_TRUE(ShowAndSave(window, "pelloro_menu_context.bmp", [&] {
    PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                 MAKELPARAM(bounds.left + 40, bounds.top + 40));
  }));
  // Nothing ran: the archive is still listed, the window idle.
  EXPECT_TRUE(main.Listed());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
