// TWildcardremove, the "Remove with Wildcards" dialog: every entry of the current archive that
// matches a mask is removed.
#pragma once

#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"

namespace pelloro {

class TMainfrm;

class TWildcardremove : public forms::Form {
 public:
  TWildcardremove(forms::Component* owner, TMainfrm& main);

  forms::Edit* Edit1;
  forms::Button* Bitbtn1;  // &Cancel
  forms::Button* Bitbtn2;  // &Delete

 private:
  void Bitbtn2Click();

  TMainfrm& main_;
};

}  // namespace pelloro
