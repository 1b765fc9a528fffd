// The control on whose behalf the engine's prompts are shown. Every prompt dialog is preceded by
// that control's PreModalDialog and followed by its PostModalDialog, so that its container
// disables its own windows meanwhile. The control class implements ModalBracket and registers
// itself as the current control before each engine operation that may prompt.
#pragma once

#include <windows.h>

class ModalBracket {
 public:
  virtual ~ModalBracket() = default;
  virtual void PreModalDialog() = 0;
  virtual void PostModalDialog() = 0;
  // The window the prompt dialogs belong to; null makes them top-level.
  virtual HWND DialogOwner() = 0;
};

// The process-wide current control; null when none.
ModalBracket* CurrentModalBracket();
void SetCurrentModalBracket(ModalBracket* control);
// A control that is being destroyed calls this: when it is the current control, there is none
// afterwards (no prompt may reach a destroyed control).
void ForgetModalBracket(ModalBracket* control);

// Brackets one dialog with the current control's Pre/PostModalDialog (nothing without a current
// control) and tells the dialog its owner. A control forgotten while its dialog is open (it was
// destroyed) gets no PostModalDialog.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  HWND Owner() const { return owner_; }

 private:
  friend void ForgetModalBracket(ModalBracket* control);

  ModalBracket* control_;
  HWND owner_ = nullptr;
  ModalScope* outer_;  // the scopes open at the same time (nested dialogs), innermost first
};
