#include "prompt_dialog.h"

#include "base/module_state.h"

INT_PTR PromptDialog::Run(HWND owner, int templateId) {
  window_ = nullptr;
  const INT_PTR result = DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(templateId), owner,
                                         &PromptDialog::Procedure, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return result;
}

void PromptDialog::SetDefaultButton(int id) const {
  SendMessageA(window_, DM_SETDEFID, static_cast<WPARAM>(id), 0);
}

CZText PromptDialog::ItemText(int id) const {
  CZText text;
  text.FromDlgItem(window_, id);
  return text;
}

INT_PTR CALLBACK PromptDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // No exception may cross the system's frames (the 32-bit build cannot unwind through them).
  try {
    PromptDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
      dialog = reinterpret_cast<PromptDialog*>(lParam);
      SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
      dialog->window_ = window;
    } else {
      dialog = reinterpret_cast<PromptDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (dialog == nullptr) return FALSE;
    return dialog->Dispatch(message, wParam, lParam);
  } catch (...) {
    EndDialog(window, -1);
    return FALSE;
  }
}

INT_PTR PromptDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit();
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (OnCommand(id, code, reinterpret_cast<HWND>(lParam))) return TRUE;
      if (id == IDCANCEL) {
        End(IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      return FALSE;
  }
}

CZText OemToWindowText(const CZText& oem) {
  CZText text(oem);
  text.OemToAnsi();
  return text;
}
