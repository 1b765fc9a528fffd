// The common frame of the control's modal prompt dialogs: a dialog template run with
// DialogBoxParam, its window procedure forwarding to the dialog object, and the few helpers the
// four dialogs share.
#pragma once

#include <windows.h>

#include "base/cztext.h"

class PromptDialog {
 public:
  PromptDialog() = default;
  virtual ~PromptDialog() = default;
  PromptDialog(const PromptDialog&) = delete;
  PromptDialog& operator=(const PromptDialog&) = delete;

  // Runs the dialog modally; -1 when it could not be created.
  INT_PTR Run(HWND owner, int templateId);

 protected:
  // TRUE lets the dialog manager give the focus to the first item; FALSE when OnInit did.
  virtual BOOL OnInit() = 0;
  // True when the command was handled; an unhandled IDCANCEL (Escape, the close box) ends the
  // dialog with IDCANCEL.
  virtual bool OnCommand(int id, int code, HWND control) = 0;
  virtual void OnDestroy() {}

  HWND Handle() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  void End(INT_PTR result) { EndDialog(window_, result); }
  // Makes id the default push button (the one Enter presses).
  void SetDefaultButton(int id) const;
  void SetItemText(int id, const CZText& text) const { text.ToDlgItem(window_, id); }
  CZText ItemText(int id) const;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
};

// A text in OEM (as the engine holds names) made ready for a window (ANSI).
CZText OemToWindowText(const CZText& oem);
