// TStatusfrm: the copy progress (the file being installed and the share of rows handled) and
// TPopupfrm: "Please wait..." while the icons and the registry entries are made.
#pragma once

#include "forms/common_controls.h"
#include "forms/form.h"
#include "forms/label.h"

namespace setup {

class TStatusfrm : public forms::Form {
 public:
  explicit TStatusfrm(forms::Component* owner);
  forms::Label* FileName;
  forms::ProgressBar* Percent;
};

class TPopupfrm : public forms::Form {
 public:
  explicit TPopupfrm(forms::Component* owner);
};

}  // namespace setup
