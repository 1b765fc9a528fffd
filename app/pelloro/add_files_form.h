// TAddFilesfrm, the "Add Files" dialog: chosen files or a whole folder go into the current
// archive with the user's compression settings, which can be saved as the defaults.
#pragma once

#include <string>

#include "browse_directory_dlg.h"
#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/file_dialogs.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/lists.h"
#include "forms/panel.h"

namespace pelloro {

class TMainfrm;

// The control's arguments for the dialog's choices (an item index of -1 keeps `previous`).
short OverwriteModeOfItem(int item, short previous);
short CompressionModeOfPosition(int position);
// The saved "Compression" value and the track bar position it stands for, both ways.
int PositionOfCompressionSetting(int setting);
int CompressionSettingOfPosition(int position);

class TAddFilesfrm : public forms::Form {
 public:
  TAddFilesfrm(forms::Component* owner, TMainfrm& main);

  forms::Button* Bitbtn1;  // &Add Files
  forms::Button* Bitbtn5;  // Add &Folder
  forms::Button* Bitbtn2;  // &Settings >>
  forms::Button* Bitbtn3;  // &Cancel
  forms::ComboBox* ComboBox1;
  forms::ComboBox* ComboBox2;
  forms::Edit* Edit1;
  forms::TrackBar* TrackBar1;
  forms::ComboBox* ComboBox4;
  forms::Button* Bitbtn4;  // Save as &defaults
  forms::Memo* Memo1;
  forms::OpenDialog* OpenDialog1;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

  // The result of the last ZipFiles call.
  short LastResult() const { return lastResult_; }

 private:
  void FormShow();
  void Bitbtn2Click();
  void Bitbtn4Click();
  void Bitbtn1Click();
  void Bitbtn5Click();
  void TakeSettings();
  short Zip(const std::string& mask);
  void ListAndClose();

  TMainfrm& main_;
  short recurse_ = 0;
  short storePath_ = 0;
  short overwrite_ = 0;
  short compression_ = 0;
  std::string password_;
  std::string folder_;
  short lastResult_ = 0;
};

}  // namespace pelloro
