// CZPasswordDlg: asks for the password of an encrypted entry. Offers the remembered passwords
// when the show and save flags are both set; Retry hands the typed password on (OEM).
#pragma once

#include "base/cztext.h"
#include "dialog_position.h"
#include "prompt_dialog.h"

class CZPasswordDlg : public PromptDialog {
 public:
  enum Result { kRetry = 0, kBypass = 1, kNever = 2 };

  // The password tried so far ("" at the first asking); on Retry it receives the typed password.
  CZText password;
  CZText entryName;  // OEM

  INT_PTR Show(HWND owner);

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnDestroy() override;

 private:
  HWND EditPart() const;
  void LoadList() const;
  CZText Message() const;
  // Retry is possible only with a password to try; without one, Enter means Bypass.
  void UpdateRetry(const CZText& text) const;
  void Confirm();

  static RememberedPosition position_;
};
