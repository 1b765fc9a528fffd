// CZRenameDlg: asks for a new name for a file, in the file's folder. OK is possible only for a
// name in its full canonical form that no file has yet.
#pragma once

#include "base/cztext.h"
#include "prompt_dialog.h"

class CZRenameDlg : public PromptDialog {
 public:
  BOOL centreOnParent = TRUE;
  CZText currentName;  // full path, OEM
  CZText newName;      // set when the dialog ends with IDOK (OEM)

  INT_PTR Show(HWND owner);

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  // The name the edit text stands for (OEM), and whether it may be taken.
  CZText TypedName() const;
  static bool IsAcceptable(const CZText& name);
  bool CheckName() const;

  CZText folder_;
};
