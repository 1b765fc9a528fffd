// Dialog-item helpers, and the CZText methods that move text between a string and a window.
#include "base/dialog_items.h"

#include "base/cztext.h"

HWND ResolveDlgItem(HWND window, int itemId) {
  if (window == nullptr || !IsWindow(window)) return nullptr;
  if (itemId == 0) return window;
  return GetDlgItem(window, itemId);
}

void EnableDlgItem(HWND dialog, int itemId, BOOL enable) {
  HWND item = ResolveDlgItem(dialog, itemId);
  if (item != nullptr) EnableWindow(item, enable ? TRUE : FALSE);
}

void EnableOKButton(HWND dialog, BOOL enable) { EnableDlgItem(dialog, IDOK, enable); }

void SelectDlgItemText(HWND dialog, int itemId) {
  HWND item = ResolveDlgItem(dialog, itemId);
  if (item == nullptr) return;
  SetFocus(item);
  SendMessageA(item, EM_SETSEL, 0, -1);
  SendMessageA(item, EM_SCROLLCARET, 0, 0);
}

void CZText::ToDlgItem(HWND window, int itemId) const {
  HWND item = ResolveDlgItem(window, itemId);
  if (item != nullptr) SetWindowTextA(item, c_str());
}

CZText CZText::FromDlgItem(HWND window, int itemId) {
  HWND item = ResolveDlgItem(window, itemId);
  if (item == nullptr) return *this;
  int length = GetWindowTextLengthA(item);
  if (length <= 0) {
    Empty();
    return *this;
  }
  char* buffer = GetBufferMin(length + 1);
  int got = GetWindowTextA(item, buffer, length + 1);
  ReleaseBuffer(got > 0 ? got : 0);
  return *this;
}

int CZText::FromDlgItemLength(HWND dialog, int itemId) {
  if (ResolveDlgItem(dialog, itemId) == nullptr) return -1;
  FromDlgItem(dialog, itemId);
  return GetLength();
}

void CZText::CaretToEndInDlgItem(HWND dialog, int itemId) const {
  HWND item = ResolveDlgItem(dialog, itemId);
  if (item == nullptr) return;
  SetFocus(item);
  SendMessageA(item, EM_SETSEL, static_cast<WPARAM>(GetLength()), static_cast<LPARAM>(GetLength()));
  SendMessageA(item, EM_SCROLLCARET, 0, 0);
}
