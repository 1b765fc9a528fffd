#include "props_form.h"

#include "forms/message_dialogs.h"
#include "main_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs PropsArgs() {
  forms::FormCreateArgs args;
  args.caption = "Zip File Properties";
  args.width = 400;
  args.height = 330;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

std::string HostSystemName(int madeUnder) {
  static const char* const kNames[] = {"DOS",      "Amiga",    "VMS",        "Unix",
                                       "VM",       "Atari/ST", "OS2 (HPFS)", "Macintosh",
                                       "Z-System", "Unknown"};
  if (madeUnder >= 0 && madeUnder <= 9) return kNames[madeUnder];
  if (madeUnder == 11) return "Windows 95/NT";
  return "";
}

Tpropsfrm::Tpropsfrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, PropsArgs()), main_(main) {
  SetName("propsfrm");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  PageControl1 = Add<forms::PageControl>(this, this, "PageControl1",
                                         {.left = 8, .top = 8, .width = 384, .height = 276});
  auto* page = new forms::TabSheet(this, PageControl1, "Zip file Properties");
  page->SetName("TabSheet1");
  auto* heading =
      Add<Label>(this, page, "Label1", {.caption = "Zip File Properties ", .left = 10, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(this, page, "Label2", {.caption = "File name", .left = 10, .top = 36});
  Edit1 = Add<Label>(
      this, page, "Edit1",
      {.caption = "(none)", .left = 120, .top = 36, .width = 240, .height = 13, .autoSize = false});
  Add<Label>(this, page, "Label3", {.caption = "Zip file Version", .left = 10, .top = 58});
  Label4 = Add<Label>(this, page, "Label4", {.caption = "n/a", .left = 120, .top = 58});
  Add<Label>(this, page, "Label7", {.caption = "Created under", .left = 10, .top = 80});
  Label8 = Add<Label>(this, page, "Label8", {.caption = "n/a", .left = 120, .top = 80});
  Add<Label>(this, page, "Label9", {.caption = "Zip file comment", .left = 10, .top = 102});
  Memo1 = Add<forms::Memo>(this, page, "Memo1",
                           {.text = "", .left = 120, .top = 102, .width = 240, .height = 100});
  Add<Label>(this, page, "Label10", {.caption = "Files in Zip", .left = 10, .top = 212});
  Label11 = Add<Label>(this, page, "Label11", {.caption = "(unknown)", .left = 120, .top = 212});
  Bitbtn1 = Add<forms::Button>(
      this, this, "Bitbtn1",
      {.caption = "Close", .left = 308, .top = 294, .width = 84, .isDefault = true});
  Bitbtn1->OnClick = [this](forms::Component&) { Bitbtn1Click(); };

  const std::string& archive = main_.CurrentArchive();
  TQXCtrl& control = *main_.QXCtrl1;
  TQXCtrl::CallScope call(control);
  Edit1->SetCaption(archive);
  Label4->SetCaption(std::to_string(control.GetZIPINFOVersionMajor(archive, false)) + "." +
                     std::to_string(control.GetZIPINFOVersionMinor(archive, false)));
  const std::string host = HostSystemName(control.GetZIPINFOMadeUnder(archive, false));
  if (!host.empty()) Label8->SetCaption(host);
  Memo1->SetText("");
  const std::string comment = control.GetGlobalComment(archive, -1, false);
  Memo1->SetText(comment);
  // A comment longer than the control hands over cannot be edited without losing its end.
  if (control.GetGlobalCommentSize(archive, false) > comment.size()) Memo1->SetReadOnly(true);
  Label11->SetCaption(std::to_string(control.GetCount(archive, true)));
  Bitbtn1->SetCaption("Close");
  Memo1->OnChange = [this](forms::Component&) { Bitbtn1->SetCaption("Apply"); };
}

void Tpropsfrm::Bitbtn1Click() {
  if (Bitbtn1->Caption() == "Apply") {
    std::string text = Memo1->Text();
    if (text.size() > kCommentLimit) text.resize(kCommentLimit);
    short result = 0;
    {
      TQXCtrl::CallScope call(*main_.QXCtrl1);
      result = main_.QXCtrl1->SetGlobalComment(main_.CurrentArchive(), text, false);
    }
    if (result != 0) {
      forms::MessageDlg(
          "Error: The comment could not be saved (error " + std::to_string(result) + ").",
          forms::MsgDlgType::mtError, forms::mbOK, 0);
      return;
    }
  }
  SetModalResult(forms::mrOk);
}

}  // namespace pelloro
