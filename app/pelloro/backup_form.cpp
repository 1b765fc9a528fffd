#include "backup_form.h"

#include "forms/label.h"
#include "main_form.h"
#include "plugin_progress.h"

namespace pelloro {

namespace {

forms::FormCreateArgs BackupArgs() {
  forms::FormCreateArgs args;
  args.caption = "Backup files";
  args.width = 440;
  args.height = 360;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

std::string BackupMask(const std::string& folder, const std::string& fileMask) {
  return WithBackslash(folder) + fileMask;
}

std::string BackupResultText(short result) {
  if (result == 0) return "Backup complete. Click OK to close...";
  return "Backup failed (error " + std::to_string(result) + "). Click OK to close...";
}

TBackupfilesfrm::TBackupfilesfrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, BackupArgs()), main_(main) {
  SetName("Backupfilesfrm");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  PageControl1 = Add<forms::PageControl>(this, this, "PageControl1",
                                         {.left = 8, .top = 8, .width = 424, .height = 304});
  auto* sheet = new forms::TabSheet(this, PageControl1, "Backup Files");
  sheet->SetName("TabSheet1");
  auto* heading = Add<Label>(this, sheet, "Label1",
                             {.caption = "Pelloro '95 Backup files", .left = 12, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(this, sheet, "Label2",
             {.caption = "Backs the files of a drive or folder up onto diskettes. Pelloro asks "
                         "for the next diskette when one is full.",
              .left = 12,
              .top = 32,
              .width = 392,
              .height = 28,
              .autoSize = false,
              .wordWrap = true});
  Add<Label>(this, sheet, "Label3",
             {.caption = "Drive (or path) that will be backed up", .left = 12, .top = 70});
  Edit1 =
      Add<forms::Edit>(this, sheet, "Edit1", {.text = "C:\\", .left = 12, .top = 88, .width = 300});
  Bitbtn1 = Add<forms::Button>(this, sheet, "Bitbtn1",
                               {.caption = "&Browse", .left = 320, .top = 86, .width = 84});
  Add<Label>(this, sheet, "Label4", {.caption = "File mask to backup ", .left = 12, .top = 122});
  Edit2 =
      Add<forms::Edit>(this, sheet, "Edit2", {.text = "*.*", .left = 12, .top = 140, .width = 120});
  Add<Label>(this, sheet, "Label5",
             {.caption = "(*.* is all files. *.doc is all files with the extension .doc)",
              .left = 140,
              .top = 136,
              .width = 264,
              .height = 28,
              .autoSize = false,
              .wordWrap = true});
  Add<Label>(this, sheet, "Label6",
             {.caption = "Which drive would you like to backup to?", .left = 12, .top = 176});
  DriveComboBox1 = Add<forms::DriveComboBox>(this, sheet, "DriveComboBox1",
                                             {.left = 12, .top = 194, .width = 200});
  Add<Label>(this, sheet, "Label7",
             {.caption = "Should Pelloro Backup include all files in sub-folders",
              .left = 12,
              .top = 228});
  ComboBox1 = Add<forms::ComboBox>(this, sheet, "ComboBox1",
                                   {.left = 12,
                                    .top = 246,
                                    .width = 120,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {"Yes", "No"}});
  ComboBox1->SetItemIndex(0);
  OKbtn = Add<forms::Button>(
      this, this, "OKbtn",
      {.caption = "&OK", .left = 256, .top = 324, .width = 84, .isDefault = true});
  Cancelbtn = Add<forms::Button>(this, this, "Cancelbtn",
                                 {.caption = "&Cancel",
                                  .left = 348,
                                  .top = 324,
                                  .width = 84,
                                  .cancel = true,
                                  .modalResult = forms::mrCancel});
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Backup which folder?";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;
  Bitbtn1->OnClick = [this](forms::Component&) { Bitbtn1Click(); };
  Edit1->OnClick = [this](forms::Component&) { Bitbtn1Click(); };
  OKbtn->OnClick = [this](forms::Component&) { OKbtnClick(); };
}

void TBackupfilesfrm::Bitbtn1Click() {
  // The folder of the last pick goes in, chosen now or not.
  BrowseDirectoryDlg1->Execute();
  Edit1->SetText(WithBackslash(BrowseDirectoryDlg1->Directory()));
}

void TBackupfilesfrm::OKbtnClick() {
  if (Edit2->Text().empty()) Edit2->SetText("*.*");
  short result = 0;
  {
    const PluginProgress progress(main_);
    TQXCtrl::CallScope call(*main_.QXCtrl1);
    result = main_.QXCtrl1->Backup(BackupMask(Edit1->Text(), Edit2->Text()),
                                   std::string(1, DriveComboBox1->Drive()) + ":\\",
                                   ComboBox1->ItemIndex() != 1, false, false, false, "Disk full",
                                   "Please insert disk %1 of %2", 0, true);
  }
  forms::MessageDlg(BackupResultText(result),
                    result == 0 ? forms::MsgDlgType::mtConfirmation : forms::MsgDlgType::mtError,
                    forms::mbOK, 0);
  SetModalResult(forms::mrOk);
}

}  // namespace pelloro
