// TForm1form, "Pelloro Self-Extractor Creator": five pages that turn the current archive into a
// self-extracting program with the control's MakeEXEFile (window title, 16- or 32-bit stub, an
// entry to run after extraction, whether the user picks the folder).
#pragma once

#include <string>

#include "explorer_button.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/panel.h"
#include "ms_list_view.h"

namespace pelloro {

class TMainfrm;

// The language file handed to the control by name: it lies beside the control.
inline constexpr char kLanguageFile[] = "ENGLISH.ELF";
inline constexpr char kRunItNow[] = "Your self extracter is complete! Run it now?";
// The message for a non-zero result of MakeEXEFile.
std::string SfxErrorText(short result);

class TForm1form : public forms::Form {
 public:
  TForm1form(forms::Component* owner, TMainfrm& main);

  forms::Panel* Page1;
  forms::Panel* Page2;
  forms::Panel* Page3;
  forms::Panel* Page4;
  forms::Panel* Page5;
  forms::Edit* NameofFile;
  forms::Edit* Title;
  forms::RadioGroup* RadioGroup1;
  forms::CheckBox* CheckBox1;
  TMSListView* MSListView2;
  forms::CheckBox* CheckBox2;
  TExplorerButton* Exitbtn;
  TExplorerButton* Nextbtn;
  TExplorerButton* Backbtn;

  // The step counter (the number of the page shown, 1 to 5, once shown).
  int Counter() const { return counter_; }
  // The entry to run after extraction: its full stored name ("" for none).
  const std::string& AutoRunEntry() const { return autoRun_; }

 private:
  void FormShow();
  void NextbtnClick();
  void BackbtnClick();
  void ShowOnly(forms::Panel* page);
  void CheckBox1Click();
  void MSListView2Click();
  void Build();

  TMainfrm& main_;
  int counter_ = 0;
  std::string autoRun_;
};

}  // namespace pelloro
