#include "wildcard_remove_form.h"

#include "forms/guard.h"
#include "main_form.h"
#include "op_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs WildcardArgs() {
  forms::FormCreateArgs args;
  args.caption = "Remove with Wildcards";
  args.width = 360;
  args.height = 190;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

TWildcardremove::TWildcardremove(forms::Component* owner, TMainfrm& main)
    : Form(owner, WildcardArgs()), main_(main) {
  SetName("Wildcardremove");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  auto* heading =
      Add<Label>(this, this, "Label1", {.caption = "Remove with Wildcards", .left = 12, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(
      this, this, "Label2",
      {.caption = "Remove with wildcards allows you do remove a certain type of file (such as "
                  "all files with the .txt extension). To remove all files with a certain "
                  "extension use *.<EXTENSION>  To remove all files use *.*",
       .left = 12,
       .top = 32,
       .width = 336,
       .height = 54,
       .autoSize = false,
       .wordWrap = true});
  Add<Label>(this, this, "Label3", {.caption = "Files to remove", .left = 12, .top = 96});
  Edit1 =
      Add<forms::Edit>(this, this, "Edit1", {.text = "*.", .left = 12, .top = 114, .width = 336});
  Bitbtn1 = Add<forms::Button>(this, this, "Bitbtn1",
                               {.caption = "&Cancel",
                                .left = 170,
                                .top = 154,
                                .width = 84,
                                .cancel = true,
                                .modalResult = forms::mrCancel});
  Bitbtn2 = Add<forms::Button>(
      this, this, "Bitbtn2",
      {.caption = "&Delete", .left = 264, .top = 154, .width = 84, .isDefault = true});
  Bitbtn2->OnClick = [this](forms::Component&) { Bitbtn2Click(); };
}

void TWildcardremove::Bitbtn2Click() {
  main_.DisableActions();
  TOp* op = main_.Op();
  struct Finish {
    TMainfrm& main;
    TOp* op;
    ~Finish() {
      forms::Guard([this] {
        if (op != nullptr) op->Close();
      });
    }
  } finish{main_, op};
  main_.ShowActivity('C');
  if (op != nullptr) op->Show();
  TQXCtrl::CallScope call(*main_.QXCtrl1);
  // An empty mask is the control's "nothing to do": not shown.
  main_.QXCtrl1->DeleteWithMask(main_.CurrentArchive(), Edit1->Text(), true);
  main_.ShowActivity('A');
  if (main_.OpenAndList()) main_.EnableActions();
  SetModalResult(forms::mrOk);
}

}  // namespace pelloro
