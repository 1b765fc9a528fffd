// TNewZipFrm, the "New Zip file" dialog: a folder and a name make the complete path of a new,
// empty archive, which becomes the main window's current archive.
#pragma once

#include <string>

#include "browse_directory_dlg.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"

namespace pelloro {

class TMainfrm;

// Makes the folder and every missing parent; true when it exists afterwards.
bool ForceFolder(const std::string& folder);

class TNewZipFrm : public forms::Form {
 public:
  TNewZipFrm(forms::Component* owner, TMainfrm& main);

  forms::Edit* Directory;
  forms::Edit* FileName;
  forms::Edit* CompleteZip;
  forms::Button* Bitbtn1;
  forms::CheckBox* CheckBox1;
  forms::Button* Cancel;
  forms::Button* Createbtn;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

 private:
  void DirectoryChange();
  void FileNameChange();
  void Bitbtn1Click();
  void CreatebtnClick();
  std::string DirectoryWithSlash() const;

  TMainfrm& main_;
  bool updating_ = false;
};

}  // namespace pelloro
