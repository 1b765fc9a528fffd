// CZReplaceDlg: asks whether an existing file is to be replaced. Rename asks for a new name and,
// when one is given, ends with kRename and the new name in fileName.
#pragma once

#include "base/cztext.h"
#include "dialog_position.h"
#include "prompt_dialog.h"

class CZReplaceDlg : public PromptDialog {
 public:
  enum Result { kYes = 0, kNo = 1, kNever = 2, kAlways = 3, kRename = 4 };

  CZText fileName;  // OEM; receives the new name on Rename
  BOOL archiveCopyOlder = FALSE;
  BOOL renameAllowed = TRUE;
  BOOL nameComplete = TRUE;  // FALSE: the current folder belongs in front of the name

  INT_PTR Show(HWND owner);

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnDestroy() override;

 private:
  CZText FullName() const;  // OEM
  void Rename();

  static RememberedPosition position_;
};
