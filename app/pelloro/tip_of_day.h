// TTipofDayfrm, the tip of the day: a random tip when the main window is first shown, another on
// "&Next Tip", and the check box that turns the window off for the next starts.
#pragma once

#include <functional>

#include "explorer_button.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"

namespace pelloro {

// A random source: a whole number from 0 to range - 1.
using TipRandom = std::function<int(int range)>;

class TTipofDayfrm : public forms::Form {
 public:
  // random: null for the run-time library's generator, seeded here.
  explicit TTipofDayfrm(forms::Component* owner, TipRandom random = nullptr);

  forms::Label* Label1;              // the tip
  TExplorerButton* ExplorerButton1;  // &Next Tip
  forms::Button* Bitbtn1;            // &Ok
  forms::CheckBox* CheckBox1;        // &Show tips on Startup
  forms::Memo* Memo1;                // the tips, one a line

  // Shows a tip chosen among all lines but the last.
  void NextTip();

 private:
  void WriteShowTips();
  TipRandom random_;
};

// The main window's tip hook: the tip window, modally, then freed.
void ShowTipOfDay(forms::Form& owner);

}  // namespace pelloro
