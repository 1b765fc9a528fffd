// TBackgroundfrm: setup's main form, the maximised background with the program's name. It owns
// the DDE conversation with the Program Manager and, once shown, decides by the command line what
// comes next: the uninstaller ("/remove" in any case), the options message ("/?"), or the wizard.
#pragma once

#include <functional>

#include "forms/form.h"

namespace setup {

class TDdeClientConv;
class TMainfrm;
class TUninstallfrm;

class TBackgroundfrm : public forms::Form {
 public:
  explicit TBackgroundfrm(forms::Component* owner);
  TDdeClientConv* DdeClient;
  // Set once the other forms are made.
  TMainfrm* Wizard = nullptr;
  TUninstallfrm* Uninstaller = nullptr;
  // The argument examined (the first, or "" without one); tests set it.
  std::string Argument;
  // Where the program's end goes (exit code); empty: Application.Terminate only.
  std::function<void(int code)> OnFinished;
  // What the command line chose; run after the form is shown.
  void ChooseWindow();
};

}  // namespace setup
