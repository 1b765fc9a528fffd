// TBackupfilesfrm, "Backup files": the files of a folder (and its sub-folders) that match a mask,
// compressed onto one or more diskettes by the control's Backup.
#pragma once

#include <string>

#include "browse_directory_dlg.h"
#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/lists.h"

namespace pelloro {

class TMainfrm;

// The control's mask: the folder, a '\' when it lacks one, then the file mask.
std::string BackupMask(const std::string& folder, const std::string& fileMask);
// The closing message for a Backup result (0: complete; otherwise the failure with its code).
std::string BackupResultText(short result);

class TBackupfilesfrm : public forms::Form {
 public:
  TBackupfilesfrm(forms::Component* owner, TMainfrm& main);

  forms::PageControl* PageControl1;
  forms::Edit* Edit1;
  forms::Button* Bitbtn1;  // &Browse
  forms::Edit* Edit2;
  forms::DriveComboBox* DriveComboBox1;
  forms::ComboBox* ComboBox1;
  forms::Button* OKbtn;
  forms::Button* Cancelbtn;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

 private:
  void Bitbtn1Click();
  void OKbtnClick();

  TMainfrm& main_;
};

}  // namespace pelloro
