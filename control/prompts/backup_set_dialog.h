// CZBackupSetDlg: lists the backup sets in a folder and lets the user choose one. The search
// pattern names the backup folder and the pattern of backup-set files; on IDOK it receives the
// full name of the chosen set's first file.
#pragma once

#include "base/cztext.h"
#include "prompt_dialog.h"

class CZBackupSetDlg : public PromptDialog {
 public:
  CZText searchPattern;  // OEM

  INT_PTR Show(HWND owner);

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void FillList() const;
  void Choose();
};
