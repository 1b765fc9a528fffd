// TWizardfrm, the unzip wizard: three pages that walk the user through extracting the current
// archive into a folder below the desktop's "Unzips" folder, and can end the program afterwards.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "browse_directory_dlg.h"
#include "explorer_button.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/panel.h"

namespace pelloro {

class TMainfrm;

// The wizard's proposed folder for an archive: the Windows folder + "\Desktop\Unzips\" + the
// archive's file-name part without its last four characters.
std::string WizardTarget(const std::string& archive);

// What ending the program does after the wizard (the application's Terminate); tests record it
// instead. Null restores the application's own.
void SetWizardProgramEnd(std::function<void()> end);

class TWizardfrm : public forms::Form {
 public:
  TWizardfrm(forms::Component* owner, TMainfrm& main);

  TExplorerButton* Aboutbtn;   // &About
  TExplorerButton* Cancelbtn;  // &Quit Pelloro
  TExplorerButton* Backbtn;    // < &Back
  TExplorerButton* Nextbtn;    // &Next >
  TExplorerButton* Offbtn;     // Wizard &Off
  forms::Panel* Page1;
  forms::Panel* Page2;
  forms::Panel* Page3;
  forms::Label* Label13;  // the archive
  forms::Edit* Edit2;     // the target folder
  forms::Button* Browsebtn;
  forms::CheckBox* CheckBox1;  // show the folder afterwards
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

  int Step() const { return step_; }
  // A failed control call ends the wizard; its command rethrows it once the wizard is closed.
  void RethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  void FormShow();
  void NextbtnClick();
  void BackbtnClick();
  void ShowOnly(forms::Panel* page);
  void Unzip();
  void EndProgram();

  TMainfrm& main_;
  int step_ = 0;
  std::exception_ptr failure_;
};

}  // namespace pelloro
