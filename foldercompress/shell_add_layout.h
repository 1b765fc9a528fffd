// Where TShellAddfrm's controls lie, in client pixels of the window that holds them: the form's
// code places them from these numbers, and a driver in another process presses the flat buttons
// (which have no window of their own) at these rectangles.
#pragma once

#include <windows.h>

namespace vantrel::layout {

inline constexpr int kClientWidth = 444;
inline constexpr int kClientHeight = 348;

// In the form's client area.
inline constexpr RECT kBrowse = {354, 20, 436, 46};       // Bitbtn1
inline constexpr RECT kCreateNew = {354, 52, 436, 78};    // Bitbtn4
inline constexpr RECT kRemove = {354, 100, 436, 126};     // Bitbtn5
inline constexpr RECT kRemoveAll = {354, 132, 436, 158};  // Bitbtn6
inline constexpr RECT kBottomPanel = {0, 278, 444, 324};  // Panel1, holding Go! and Exit

// In the bottom panel's client area.
inline constexpr RECT kGo = {262, 9, 344, 37};    // Bitbtn3
inline constexpr RECT kExit = {354, 9, 436, 37};  // Bitbtn2

// The bottom panel's window below a TShellAddfrm window (null when there is none).
inline HWND BottomPanel(HWND form) {
  const POINT inside = {kBottomPanel.left + 2, kBottomPanel.top + 2};
  HWND child = ChildWindowFromPointEx(form, inside, CWP_SKIPINVISIBLE);
  return child == form ? nullptr : child;
}

}  // namespace vantrel::layout
