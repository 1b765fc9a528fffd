// setup's TMainfrm: the five-page installation wizard with its hidden file lists, the install
// folder (page 3) and the group name (page 4). The page counter runs from 0 to 5; "Next >" acts
// by the counter before raising it, "< Back" lowers it by 2 and then acts as "Next >".
#pragma once

#include <functional>

#include "explorer_button.h"
#include "browse_directory_dlg.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/lists.h"
#include "forms/panel.h"

namespace setup {

class TDdeClientConv;
class TStatusfrm;
class TPopupfrm;

class TMainfrm : public forms::Form {
 public:
  TMainfrm(forms::Component* owner, TDdeClientConv& dde, TStatusfrm& status, TPopupfrm& popup);

  forms::Panel* Page[5];
  forms::Panel* ToolPanel;
  TExplorerButton* BackButton;
  TExplorerButton* NextButton;
  TExplorerButton* ExitButton;
  TExplorerButton* BrowseButton;
  forms::Edit* Edit1;  // the install folder
  forms::Edit* Edit2;  // the group name
  forms::Memo* License;
  forms::ListBox* FilestoCopy;
  forms::ListBox* SystemCopy;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

  int Counter() const { return counter_; }
  // The page shown (1 to 5), 0 before the first.
  int PageShown() const;
  void NextClick();
  void BackClick();
  void ExitClick();
  void BrowseClick();

  // Where the program ends when the installation is over or aborted: the exit code.
  std::function<void(int code)> OnFinished;

 private:
  void ShowPage(int page);
  void FormShow();
  void RunInstallation();

  TDdeClientConv& dde_;
  TStatusfrm& status_;
  TPopupfrm& popup_;
  int counter_ = 0;
};

// Creates the folder and its missing parents, from the outside in (a path of 2 characters or
// less is left alone).
void CreateFolderLevels(const std::string& folder);

}  // namespace setup
