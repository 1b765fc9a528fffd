// TRestoreform, "Restore from a Pelloro '95 Backup": a backup set on diskettes unzipped into a
// folder by the control's Restore.
#pragma once

#include <optional>
#include <string>

#include "browse_directory_dlg.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/lists.h"
#include "forms/panel.h"
#include "plugin_progress.h"

namespace pelloro {

class TMainfrm;

// The message for a Restore result; none for the codes the control gives after a failed join or
// extraction other than those that show the failure.
std::optional<ResultMessage> RestoreResultMessage(short result);

class TRestoreform : public forms::Form {
 public:
  TRestoreform(forms::Component* owner, TMainfrm& main);

  forms::Edit* Edit1;
  forms::Button* Bitbtn1;  // &Browse
  forms::DriveComboBox* DriveComboBox1;
  forms::ComboBox* ComboBox1;
  forms::RadioGroup* RadioGroup1;
  forms::Button* OKbtn;
  forms::Button* Cancelbtn;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

 private:
  void OKbtnClick();

  TMainfrm& main_;
};

}  // namespace pelloro
