#include "join_form.h"

#include "forms/label.h"
#include "main_form.h"
#include "new_zip_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs JoinArgs() {
  forms::FormCreateArgs args;
  args.caption = "Join Zip file";
  args.width = 440;
  args.height = 250;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

constexpr char kClose[] = " Click OK to confirm close";
constexpr char kCheckRights[] =
    " - check you have rights to the drive and the disks are not corrupt.";

}  // namespace

std::optional<ResultMessage> JoinResultMessage(short result) {
  using forms::MsgDlgType;
  const auto question = [](const std::string& text) {
    return ResultMessage{text + kClose, MsgDlgType::mtConfirmation};
  };
  const auto error = [](const std::string& text) {
    return ResultMessage{text + kClose, MsgDlgType::mtError};
  };
  switch (result) {
    case 0:
      return question("Join 100% successful.");
    case 1:
      return error("Join failure. No file found.");
    case 2:
      return error("Not enough memory, close some applications and try again.");
    case 3:
      return question(std::string("IO error!!") + kCheckRights);
    case 4:
      return question(std::string("Access Denied!!") + kCheckRights);
    case 5:
      return question("User Aborted Restore procedure.");
    case 7:
      return question("This is not a Pelloro '95 Zip-Split.");
    case 8:
      return question("Already exists, delete the current zip file first.");
    case 9:
      return question("Disk full!! Remove some files and try again!.");
    default:
      return std::nullopt;
  }
}

TJoinfrm::TJoinfrm(forms::Component* owner, TMainfrm& main) : Form(owner, JoinArgs()), main_(main) {
  SetName("Joinfrm");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  auto* heading = Add<Label>(this, this, "Label1",
                             {.caption = "Pelloro '95 Join files", .left = 12, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(
      this, this, "Label2",
      {.caption = "Earlier versions of Pelloro split large Zip files into parts. Choose "
                  "the first part (.0_1) and Pelloro rebuilds the Zip file from all of them.",
       .left = 12,
       .top = 32,
       .width = 416,
       .height = 28,
       .autoSize = false,
       .wordWrap = true});
  Add<Label>(this, this, "Label3", {.caption = "You will be rebuilding...", .left = 12, .top = 70});
  Edit1 = Add<forms::Edit>(this, this, "Edit1", {.left = 12, .top = 88, .width = 316});
  Bitbtn4 = Add<forms::Button>(this, this, "Bitbtn4",
                               {.caption = "&Browse", .left = 336, .top = 86, .width = 92});
  Add<Label>(this, this, "Label4",
             {.caption = "Where should Pelloro '95 put the rebuild file?", .left = 12, .top = 124});
  Edit2 = Add<forms::Edit>(this, this, "Edit2",
                           {.text = "C:\\Windows\\Desktop", .left = 12, .top = 142, .width = 316});
  Bitbtn1 = Add<forms::Button>(this, this, "Bitbtn1",
                               {.caption = "Bro&wse", .left = 336, .top = 140, .width = 92});
  Bitbtn3 = Add<forms::Button>(
      this, this, "Bitbtn3",
      {.caption = "&OK", .left = 252, .top = 214, .width = 84, .isDefault = true});
  Bitbtn3->SetEnabled(false);
  Bitbtn2 = Add<forms::Button>(this, this, "Bitbtn2",
                               {.caption = "&Cancel",
                                .left = 344,
                                .top = 214,
                                .width = 84,
                                .cancel = true,
                                .modalResult = forms::mrCancel});
  OpenDialog1 = new forms::OpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->DefaultExt = ".0_1";
  OpenDialog1->Filter = "Pelloro '95 Zip-Splits|*.0_1";
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Restore to which folder?";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;
  Bitbtn4->OnClick = [this](forms::Component&) {
    if (!OpenDialog1->Execute()) return;
    Edit1->SetText(OpenDialog1->FileName);
    Bitbtn3->SetEnabled(true);
  };
  Bitbtn1->OnClick = [this](forms::Component&) {
    if (BrowseDirectoryDlg1->Execute()) Edit2->SetText(BrowseDirectoryDlg1->Directory());
  };
  Bitbtn3->OnClick = [this](forms::Component&) { Bitbtn3Click(); };
}

void TJoinfrm::Bitbtn3Click() {
  ForceFolder(Edit2->Text());
  const PluginProgress progress(main_);
  short result = 0;
  {
    TQXCtrl::CallScope call(*main_.QXCtrl1);
    result = main_.QXCtrl1->Join(Edit1->Text(), Edit2->Text(), "Disk complete...",
                                 "Please insert disk %1 of %2", true);
  }
  // The result's text first; the progress window closes after it.
  ShowResult(JoinResultMessage(result));
  SetModalResult(forms::mrOk);
}

}  // namespace pelloro
