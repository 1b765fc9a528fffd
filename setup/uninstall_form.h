// TUninstallfrm: the uninstaller. It asks where the program is and what its group is called,
// then removes what the installer made: the files it copied into the program folder (and the
// folder when that leaves it empty), the group's item (and the group when empty), the desktop
// link and the registry entries, giving ".zip" back to the program it belonged to. Nothing else
// is deleted: archives and folders the user keeps in the program folder stay, and a typed "C:\",
// the Windows folder or an empty group name remove nothing of the user's.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "browse_directory_dlg.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"

namespace setup {

class TUninstallfrm : public forms::Form {
 public:
  explicit TUninstallfrm(forms::Component* owner);

  forms::Edit* Edit1;  // the install folder
  forms::Edit* Edit2;  // the group name
  forms::Button* BrowseButton;
  forms::Button* UninstallButton;
  forms::Button* CancelButton;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

  // Where the program's end goes; empty: Application.Terminate.
  std::function<void()> OnFinished;

  void UninstallClick();
  void BrowseClick();

 private:
  void Finish();
};

// Deletes the named files of a folder, then the folder when it is empty.
void RemoveInstalledFiles(const std::string& folder, const std::vector<std::string>& names);

}  // namespace setup
