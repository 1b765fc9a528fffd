// The remembered screen position of a prompt dialog: stored when the dialog closes, restored at
// its next showing and pulled back onto the screen when it would lie partly outside.
#pragma once

#include <windows.h>

struct RememberedPosition {
  int left = 0;
  int top = 0;
};

// The place a window of the given rectangle is moved to so that it lies on a screen of the given
// size: a negative top becomes 30, a negative left 40; a right or bottom edge beyond the screen
// pulls the window back to 10 pixels inside.
POINT ClampToScreen(const RECT& window, int screenWidth, int screenHeight);

// Moves the dialog to the remembered place (when both coordinates are non-zero), then onto the
// screen.
void RestorePosition(HWND dialog, const RememberedPosition& position);
void RememberPosition(HWND dialog, RememberedPosition* position);
