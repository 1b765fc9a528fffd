// Tunzipnow, the "Unzip files" dialog: every entry of the current archive into a folder.
#pragma once

#include <string>

#include "browse_directory_dlg.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/lists.h"

namespace pelloro {

class TMainfrm;

// The folder all proposals lie below.
inline constexpr char kUnzipsFolder[] = "C:\\Windows\\Desktop\\Unzips\\";
// The control's extraction overwrite mode for the "Overwrite mode" item (none chosen: ask).
short ExtractOverwriteModeOfItem(int item);

class Tunzipnow : public forms::Form {
 public:
  Tunzipnow(forms::Component* owner, TMainfrm& main);

  forms::Edit* Edit1;
  forms::Button* Bitbtn4;  // &Browse
  forms::Button* Bitbtn1;  // &New Folder
  forms::ComboBox* Combobox2;
  forms::ComboBox* ComboBox3;
  forms::Edit* Edit2;
  forms::Button* Bitbtn2;  // &Cancel
  forms::Button* Bitbtn3;  // &Unzip
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

 private:
  void Bitbtn1Click();
  void Bitbtn4Click();
  void Bitbtn3Click();
  std::string ArchiveFileName() const;

  TMainfrm& main_;
};

}  // namespace pelloro
