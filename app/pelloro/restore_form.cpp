#include "restore_form.h"

#include "forms/label.h"
#include "main_form.h"
#include "new_zip_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs RestoreArgs() {
  forms::FormCreateArgs args;
  args.caption = "Restore from a Pelloro '95 Backup";
  args.width = 440;
  args.height = 330;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

constexpr char kClose[] = " Click OK to confirm close";

}  // namespace

std::optional<ResultMessage> RestoreResultMessage(short result) {
  using forms::MsgDlgType;
  switch (result) {
    case 0:
      return ResultMessage{std::string("Restore 100% sucessful.") + kClose,
                           MsgDlgType::mtConfirmation};
    case 2:
      return ResultMessage{
          std::string("Can't create the temporary file name! - check you have rights to the "
                      "drive.") +
              kClose,
          MsgDlgType::mtConfirmation};
    case 3:
      return ResultMessage{std::string("User Aborted Restore procedure.") + kClose,
                           MsgDlgType::mtConfirmation};
    case 4:
      return ResultMessage{
          std::string("Nothing to do - check your disk for errors and try again.") + kClose,
          MsgDlgType::mtConfirmation};
    default:
      break;
  }
  // 1: the chooser could not be made; above 4: the join or the extraction failed.
  if (result == 1 || result > 4) {
    return ResultMessage{"Restore failed (error " + std::to_string(result) + ")." + kClose,
                         MsgDlgType::mtError};
  }
  return std::nullopt;
}

TRestoreform::TRestoreform(forms::Component* owner, TMainfrm& main)
    : Form(owner, RestoreArgs()), main_(main) {
  SetName("Restoreform");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  auto* heading =
      Add<Label>(this, this, "Label1", {.caption = "About Restore files", .left = 12, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(this, this, "Label2",
             {.caption = "Restores the files of a Pelloro '95 Backup from its diskettes into a "
                         "folder, with the folders they were backed up from.",
              .left = 12,
              .top = 32,
              .width = 416,
              .height = 28,
              .autoSize = false,
              .wordWrap = true});
  Add<Label>(this, this, "Label3",
             {.caption = "Base Drive/Path to restore to. (Usually a root directory)",
              .left = 12,
              .top = 70});
  Edit1 =
      Add<forms::Edit>(this, this, "Edit1", {.text = "C:\\", .left = 12, .top = 88, .width = 316});
  Bitbtn1 = Add<forms::Button>(this, this, "Bitbtn1",
                               {.caption = "&Browse", .left = 336, .top = 86, .width = 92});
  Add<Label>(this, this, "Label4",
             {.caption = "Restore from which drive?", .left = 12, .top = 124});
  DriveComboBox1 = Add<forms::DriveComboBox>(this, this, "DriveComboBox1",
                                             {.left = 12, .top = 142, .width = 200});
  Add<Label>(this, this, "Label5",
             {.caption = "Should Sub-folders be rebuild?", .left = 230, .top = 124});
  ComboBox1 = Add<forms::ComboBox>(this, this, "ComboBox1",
                                   {.left = 230,
                                    .top = 142,
                                    .width = 120,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {"Yes", "No"}});
  ComboBox1->SetItemIndex(0);
  forms::RadioGroupCreateArgs group;
  group.caption = "Overwrite mode";
  group.left = 12;
  group.top = 180;
  group.width = 416;
  group.height = 96;
  group.items = {"&Don't Overwrite", "Overwri&te", "&Ask for each file"};
  group.itemIndex = 1;
  RadioGroup1 = new forms::RadioGroup(this, this, group);
  RadioGroup1->SetName("RadioGroup1");
  OKbtn = Add<forms::Button>(
      this, this, "OKbtn",
      {.caption = "&Ok", .left = 252, .top = 294, .width = 84, .isDefault = true});
  Cancelbtn = Add<forms::Button>(this, this, "Cancelbtn",
                                 {.caption = "&Cancel",
                                  .left = 344,
                                  .top = 294,
                                  .width = 84,
                                  .cancel = true,
                                  .modalResult = forms::mrCancel});
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Backup which folder?";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;
  Bitbtn1->OnClick = [this](forms::Component&) {
    if (BrowseDirectoryDlg1->Execute()) Edit1->SetText(BrowseDirectoryDlg1->Directory());
  };
  OKbtn->OnClick = [this](forms::Component&) { OKbtnClick(); };
}

void TRestoreform::OKbtnClick() {
  ForceFolder(Edit1->Text());
  const PluginProgress progress(main_);
  short result = 0;
  {
    TQXCtrl::CallScope call(*main_.QXCtrl1);
    result = main_.QXCtrl1->Restore(std::string(1, DriveComboBox1->Drive()) + ":\\", Edit1->Text(),
                                    static_cast<short>(RadioGroup1->ItemIndex()), true, true,
                                    "Disk Complete", "Please insert disk %1 of %2...", true);
  }
  // The result's text first; the progress window closes after it.
  ShowResult(RestoreResultMessage(result));
  SetModalResult(forms::mrOk);
}

}  // namespace pelloro
