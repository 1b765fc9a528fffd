// Helpers that act on one item of a dialog (or on a window itself) through its HWND. They do
// nothing when the dialog or the item does not exist.
#pragma once

#include <windows.h>

// The window that stands for (window, itemId): the window itself for itemId 0, else its item;
// null when either does not exist.
HWND ResolveDlgItem(HWND window, int itemId);

void EnableDlgItem(HWND dialog, int itemId, BOOL enable);
void EnableOKButton(HWND dialog, BOOL enable);  // item IDOK
// Focus to the edit item and its whole text selected and scrolled into view.
void SelectDlgItemText(HWND dialog, int itemId);
