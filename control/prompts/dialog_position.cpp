#include "dialog_position.h"

POINT ClampToScreen(const RECT& window, int screenWidth, int screenHeight) {
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  POINT place = {window.left, window.top};
  if (place.y < 0) place.y = 30;
  if (place.x < 0) place.x = 40;
  const int right = place.x + width;
  const int bottom = place.y + height;
  if (right > screenWidth) place.x += screenWidth - right - 10;
  if (bottom > screenHeight) place.y += screenHeight - bottom - 10;
  return place;
}

void RestorePosition(HWND dialog, const RememberedPosition& position) {
  if (position.left == 0 || position.top == 0) return;
  RECT rect = {};
  if (!GetWindowRect(dialog, &rect)) return;
  OffsetRect(&rect, position.left - rect.left, position.top - rect.top);
  const POINT place =
      ClampToScreen(rect, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(dialog, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RememberPosition(HWND dialog, RememberedPosition* position) {
  RECT rect = {};
  if (!GetWindowRect(dialog, &rect)) return;
  position->left = rect.left;
  position->top = rect.top;
}
