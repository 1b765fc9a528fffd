// TShellAddfrm, Vantrel's one window: the target archive's name (typed, browsed for or made
// through the control's save dialog), the folders and files to add (from the command line, by
// dropping, removed one by one or all), the compression mode and whether to recurse, and Go!,
// which adds every listed item to the archive through the compression control while the status
// bar follows the control's progress events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "explorer_button.h"
#include "file_drag.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/file_dialogs.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/lists.h"
#include "forms/panel.h"
#include "qxctrl.h"

namespace vantrel {

// What the form takes from outside (tests replace it).
struct TShellAddfrmOptions {
  // The folders and drives named on the command line after the switch.
  std::vector<std::string> Folders;
  // Ends the program (Application.Terminate in the program; tests record the request).
  std::function<void()> Terminate;
};

class TShellAddfrm : public forms::Form {
 public:
  explicit TShellAddfrm(forms::Component* owner,
                        TShellAddfrmOptions options = TShellAddfrmOptions());
  ~TShellAddfrm() override;

  forms::Edit* Edit1;
  TExplorerButton* Bitbtn1;  // Browse
  TExplorerButton* Bitbtn4;  // Create New
  forms::ListBox* ListBox1;
  TExplorerButton* Bitbtn5;  // Remove
  TExplorerButton* Bitbtn6;  // Remove All
  forms::ComboBox* ComboBox1;
  forms::ComboBox* ComboBox2;
  forms::Panel* Panel1;
  TExplorerButton* Bitbtn3;  // Go!
  TExplorerButton* Bitbtn2;  // Exit
  forms::StatusBar* StatusBar1;
  forms::OpenDialog* OpenDialog1;
  TFileDrag* FileDrag1;
  TQXCtrl* QXCtrl1 = nullptr;

 private:
  void BuildControls();
  void BindControlEvents();
  // Browse, Exit, Go!, Create New, the edit box, both combo boxes and the list.
  void SetInputsEnabled(bool enabled);
  void FormShow();
  void FileDrag1Drop();
  void Bitbtn1Click();
  void Bitbtn4Click();
  void Bitbtn5Click();
  void Bitbtn6Click();
  void Bitbtn3Click();
  void Bitbtn2Click();

  TShellAddfrmOptions options_;
};

}  // namespace vantrel
