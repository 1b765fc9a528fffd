// TEdInternfrm, the "Internal Viewer": a text file in a read-only rich edit, or a picture that
// the image loader NViewLib decodes, in a scroll box.
#pragma once

#include <string>

#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/image.h"
#include "forms/label.h"
#include "forms/panel.h"

namespace pelloro {

class TEdInternfrm : public forms::Form {
 public:
  explicit TEdInternfrm(forms::Component* owner);

  // A picture (IsImageFile) goes into Image1, anything else into RichEdit1 as lines.
  void LoadFile(const std::string& path);

  forms::Panel* Panel1;
  forms::Label* Label1;
  forms::Label* Label2;
  forms::Button* BitBtn1;
  forms::RichEdit* RichEdit1;
  forms::ScrollBox* ScrollBox1;
  forms::Image* Image1;

 private:
  void LoadPicture(const std::string& path);
  void LoadText(const std::string& path);
};

}  // namespace pelloro
