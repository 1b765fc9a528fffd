// TAboutBox: the program's name, version and web address (a link label), closed by "&Close" or
// the Enter key.
#pragma once

#include "forms/buttons.h"
#include "forms/form.h"
#include "url_label.h"

namespace pelloro {

// The program's web address, as the About box links it.
inline constexpr char kWebAddress[] = "http://www.pelloro95.example/";
inline constexpr char kProgramVersion[] = "version 4.1";

class TAboutBox : public forms::Form {
 public:
  explicit TAboutBox(forms::Component* owner);

  TUrlLabel* UrlLabel1;
  forms::Button* Closebtn;  // &Close
};

}  // namespace pelloro
