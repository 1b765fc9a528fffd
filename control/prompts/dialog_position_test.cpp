// Pulling a remembered dialog position back onto the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include "dialog_position.h"

namespace {

TEST(DialogPositionTest, ClampToScreen) {
  struct Case {
    RECT window;
    LONG x, y;
  };
  // Screen 800 x 600, window 200 x 100.
  const Case cases[] = {
      {{100, 100, 300, 200}, 100, 100},  // on the screen: unchanged
      {{650, 100, 850, 200}, 590, 100},  // 50 beyond the right edge: 60 to the left
      {{100, 550, 300, 650}, 100, 490},  // 50 below the bottom: 60 up
      {{-20, -5, 180, 95}, 40, 30},      // negative left and top
      {{700, 580, 900, 680}, 590, 490},  // beyond both
  };
  for (const Case& c : cases) {
    const POINT place = ClampToScreen(c.window, 800, 600);
    EXPECT_EQ(c.x, place.x) << c.window.left << "," << c.window.top;
    EXPECT_EQ(c.y, place.y) << c.window.left << "," << c.window.top;
  }
}

}  // namespace
