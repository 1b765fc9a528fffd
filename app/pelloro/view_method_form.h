// TViewMethodfrm, "Select View Method": asks how to show an entry that has no viewing association,
// counts five seconds down to the associated program, extracts the entry into the working folder,
// shows it, and can remember the choice as a new association.
#pragma once

#include <string>

#include "explorer_button.h"
#include "forms/buttons.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/panel.h"
#include "forms/timer.h"
#include "view_commands.h"

namespace pelloro {

class TMainfrm;

class TViewMethodfrm : public forms::Form {
 public:
  TViewMethodfrm(forms::Component* owner, TMainfrm& main);

  // The entry to view: its full stored name (folder and file part). Set before showing.
  std::string EntryName;
  short Countdown() const { return countdown_; }

  forms::Label* Label1;
  forms::Label* Label2;
  forms::Label* Label3;
  forms::Button* Bitbtn1;
  TExplorerButton* ExplorerButton1;
  TExplorerButton* ExplorerButton2;
  TExplorerButton* ExplorerButton3;
  forms::Panel* Panel1;
  forms::CheckBox* CheckBox1;
  forms::Timer* Timer1;

 private:
  void FormShow();
  void Timer1Timer();
  void Bitbtn1Click();
  void ViewWith(ViewMethod method);
  void LockButtons(bool locked);
  void Remember(ViewMethod method);

  TMainfrm& main_;
  short countdown_ = 5;
};

}  // namespace pelloro
