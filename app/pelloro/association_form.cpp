#include "association_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs AssociationArgs() {
  forms::FormCreateArgs args;
  args.caption = "Change Association";
  args.width = 300;
  args.height = 150;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

int ViewMethodItem(const std::string& method) {
  if (method == "Associated Program") return 0;
  if (method == "Internal Viewer") return 1;
  return 2;
}

std::string ViewMethodText(int item) {
  if (item == 0) return "Associated Program";
  if (item == 1) return "Internal Viewer";
  return "Windows Notepad";
}

TAssociationfrm::TAssociationfrm(forms::Component* owner) : Form(owner, AssociationArgs()) {
  SetName("Associationfrm");
  using forms::Add;
  using forms::Label;
  Add<Label>(this, this, "Label1", {.caption = "File Extension", .left = 16, .top = 12});
  File_Extension = Add<Label>(this, this, "File_Extension", {.caption = "", .left = 16, .top = 30});
  File_Extension->GetFont().SetStyle(forms::fsBold);
  Add<Label>(this, this, "Label2", {.caption = "View with", .left = 16, .top = 56});
  ComboBox1 = Add<forms::ComboBox>(
      this, this, "ComboBox1",
      {.left = 16,
       .top = 74,
       .width = 268,
       .style = forms::ComboStyle::csDropDownList,
       .items = {"Associated Program", "Internal Image/Text Viewer", "Windows Notepad"}});
  OKBtn = Add<forms::Button>(this, this, "OKBtn",
                             {.caption = "OK",
                              .left = 116,
                              .top = 114,
                              .width = 80,
                              .isDefault = true,
                              .modalResult = forms::mrOk});
  CancelBtn = Add<forms::Button>(this, this, "CancelBtn",
                                 {.caption = "Cancel",
                                  .left = 204,
                                  .top = 114,
                                  .width = 80,
                                  .cancel = true,
                                  .modalResult = forms::mrCancel});
}

}  // namespace pelloro
