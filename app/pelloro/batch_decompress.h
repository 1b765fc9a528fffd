// TBatchDecompressfrm, batch extraction: archives picked from the file system are extracted one
// after another into one folder, or each into a subfolder named after it.
#pragma once

#include <exception>
#include <string>

#include "browse_directory_dlg.h"
#include "check_list_box.h"
#include "explorer_button.h"
#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/list_view.h"
#include "forms/lists.h"
#include "forms/panel.h"

namespace pelloro {

class TMainfrm;

// A row's status after its extraction: "Unzipped" for 0 and 1 (a warning), else the failure.
std::string BatchStatus(short result);
// The bar after row i of count: i / (count - 1) x 100 rounded; one archive gives 100.
int BatchPercent(int row, int count);

class TBatchDecompressfrm : public forms::Form {
 public:
  TBatchDecompressfrm(forms::Component* owner, TMainfrm& main);

  forms::Button* Nextbtn;   // &Next >
  forms::Button* Closebtn;  // &Close
  forms::Button* Backbtn;   // < &Back
  forms::Panel* Page1;
  forms::Panel* Page2;
  forms::Panel* Page3;
  forms::DriveComboBox* DriveComboBox1;
  forms::DirectoryListBox* DirectoryListBox1;
  forms::FileListBox* FileListBox1;
  TExplorerButton* ExplorerButton1;  // adds the selected files
  TCheckListBox* CheckListBox1;
  forms::Edit* Decompressto;
  forms::Button* Browsebtn;
  forms::CheckBox* AutoName;
  forms::CheckBox* RestoreStructure;
  forms::Label* Label13;  // the current archive
  forms::ListView* ListView1;
  forms::ProgressBar* ProgressBar1;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

  // The program-wide step counter of the batch window.
  static int Step;

  // A failed control call ends the batch window; its command rethrows it once the window is closed.
  void RethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
  }

  // Adds a file of the folder list's folder to the chosen archives, checked.
  void AddFile(const std::string& name);

 private:
  void NextbtnClick();
  void ShowOnly(forms::Panel* page);
  void RunBatch();

  TMainfrm& main_;
  std::exception_ptr failure_;
};

}  // namespace pelloro
