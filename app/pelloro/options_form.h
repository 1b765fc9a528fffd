// TOptionsfrm, "Configure Options for Pelloro '95": how archives are opened, the tip window, the
// system icons, and the viewing associations (the view method for each file extension), read from
// the settings when shown and written only by "&Ok".
#pragma once

#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/form.h"
#include "forms/list_view.h"
#include "forms/panel.h"

namespace pelloro {

class TOptionsfrm : public forms::Form {
 public:
  explicit TOptionsfrm(forms::Component* owner);

  forms::PageControl* PageControl1;
  forms::RadioGroup* RadioGroup1;
  forms::CheckBox* CheckBox1;  // tips
  forms::CheckBox* CheckBox2;  // system icons
  forms::ListView* View_Files;
  forms::Button* Removebtn;
  forms::Button* Modifybtn;
  forms::ListView* Version_List;
  forms::Button* Okbtn;
  forms::Button* Cancelbtn;

 private:
  void FormShow();
  void OkbtnClick();
  void RemovebtnClick();
  void ModifybtnClick();
};

}  // namespace pelloro
