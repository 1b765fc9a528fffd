// Tpropsfrm, the "Zip File Properties" dialog: the current archive's version, host system,
// entry count and comment, which it can change.
#pragma once

#include <string>

#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"

namespace pelloro {

class TMainfrm;

// The name of a host system number, or "" for none known (the label then keeps "n/a").
std::string HostSystemName(int madeUnder);
// The most of a comment the dialog writes.
inline constexpr size_t kCommentLimit = 1000;

class Tpropsfrm : public forms::Form {
 public:
  Tpropsfrm(forms::Component* owner, TMainfrm& main);

  forms::PageControl* PageControl1;
  forms::Label* Edit1;
  forms::Label* Label4;
  forms::Label* Label8;
  forms::Memo* Memo1;
  forms::Label* Label11;
  forms::Button* Bitbtn1;

 private:
  void Bitbtn1Click();

  TMainfrm& main_;
};

}  // namespace pelloro
