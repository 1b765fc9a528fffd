// TAssociationfrm, "Change Association": the view method of one file extension.
#pragma once

#include <string>

#include "forms/buttons.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/lists.h"

namespace pelloro {

// The stored view-method texts and the combo items they choose ("Windows Notepad" for any
// other text).
int ViewMethodItem(const std::string& method);
std::string ViewMethodText(int item);

class TAssociationfrm : public forms::Form {
 public:
  explicit TAssociationfrm(forms::Component* owner);

  forms::Label* File_Extension;
  forms::ComboBox* ComboBox1;
  forms::Button* OKBtn;
  forms::Button* CancelBtn;
};

}  // namespace pelloro
