#include "status_form.h"

namespace setup {

namespace {

forms::FormCreateArgs SmallWindow(const char* caption, int width, int height) {
  forms::FormCreateArgs args;
  args.caption = caption;
  args.width = width;
  args.height = height;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

TStatusfrm::TStatusfrm(forms::Component* owner) : Form(owner, SmallWindow("Installing", 340, 110)) {
  SetName("Statusfrm");
  using forms::Add;
  Add<forms::Label>(this, this, "Label1",
                    {.caption = "Currently Installing", .left = 16, .top = 14});
  FileName = Add<forms::Label>(
      this, this, "FileName",
      {.caption = "(wait)", .left = 16, .top = 36, .width = 308, .height = 16, .autoSize = false});
  Percent = Add<forms::ProgressBar>(this, this, "Percent",
                                    {.left = 16, .top = 66, .width = 308, .height = 20});
}

TPopupfrm::TPopupfrm(forms::Component* owner)
    : Form(owner, SmallWindow("Please wait...", 300, 70)) {
  SetName("Popupfrm");
  forms::Add<forms::Label>(this, this, "Label1",
                           {.caption = "Creating Icons && Updating Registry",
                            .left = 16,
                            .top = 26,
                            .width = 268,
                            .height = 16,
                            .autoSize = false,
                            .alignment = forms::Alignment::taCenter});
}

}  // namespace setup
