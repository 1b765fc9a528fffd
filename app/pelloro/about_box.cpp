#include "about_box.h"

#include "captions.h"
#include "forms/label.h"

namespace pelloro {

namespace {

forms::FormCreateArgs AboutArgs() {
  forms::FormCreateArgs args;
  args.caption = "About Pelloro for Windows '95";
  args.width = 320;
  args.height = 170;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

TAboutBox::TAboutBox(forms::Component* owner) : Form(owner, AboutArgs()) {
  SetName("AboutBox");
  using forms::Add;
  using forms::Label;
  Add<Label>(this, this, "ProductName", {.caption = kAppTitle, .left = 20, .top = 16})
      ->GetFont()
      .SetStyle(forms::fsBold);
  Add<Label>(this, this, "Version", {.caption = kProgramVersion, .left = 20, .top = 40});
  Add<Label>(this, this, "Comments",
             {.caption = "A ZIP archive manager for Windows '95.", .left = 20, .top = 64});
  UrlLabel1 =
      Add<TUrlLabel>(this, this, "UrlLabel1", {.caption = kWebAddress, .left = 20, .top = 92});
  Closebtn = Add<forms::Button>(this, this, "Closebtn",
                                {.caption = "&Close",
                                 .left = 120,
                                 .top = 130,
                                 .width = 80,
                                 .isDefault = true,
                                 .cancel = true,
                                 .modalResult = forms::mrOk});
}

}  // namespace pelloro
