// TJoinfrm, "Join Zip file": an archive that an older Pelloro split into parts (NAME.0_n,
// NAME.1_n, ...) rebuilt into one file by the control's Join.
#pragma once

#include <optional>
#include <string>

#include "browse_directory_dlg.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/file_dialogs.h"
#include "forms/form.h"
#include "plugin_progress.h"

namespace pelloro {

class TMainfrm;

// The message for a Join result; none for 6 and codes outside the table.
std::optional<ResultMessage> JoinResultMessage(short result);

class TJoinfrm : public forms::Form {
 public:
  TJoinfrm(forms::Component* owner, TMainfrm& main);

  forms::Edit* Edit1;
  forms::Button* Bitbtn4;  // &Browse (the first part)
  forms::Edit* Edit2;
  forms::Button* Bitbtn1;  // Bro&wse (the folder)
  forms::Button* Bitbtn3;  // &OK
  forms::Button* Bitbtn2;  // &Cancel
  forms::OpenDialog* OpenDialog1;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

 private:
  void Bitbtn3Click();

  TMainfrm& main_;
};

}  // namespace pelloro
