#include "unzip_now_form.h"

#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "new_zip_form.h"
#include "op_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs UnzipNowArgs() {
  forms::FormCreateArgs args;
  args.caption = "Unzip files";
  args.width = 420;
  args.height = 300;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

short ExtractOverwriteModeOfItem(int item) {
  if (item == 1) return 1;  // "Always"
  if (item == 2) return 0;  // "Never"
  return 2;                 // "Ask", or none chosen
}

Tunzipnow::Tunzipnow(forms::Component* owner, TMainfrm& main)
    : Form(owner, UnzipNowArgs()), main_(main) {
  SetName("unzipnow");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  auto* heading =
      Add<Label>(this, this, "Label1", {.caption = "Decompress file", .left = 12, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(this, this, "Label2", {.caption = "Unzip the files to...", .left = 12, .top = 36});
  Edit1 = Add<forms::Edit>(
      this, this, "Edit1",
      {.text = "C:\\Windows\\Desktop\\Unzips", .left = 12, .top = 54, .width = 300});
  Bitbtn4 = Add<forms::Button>(this, this, "Bitbtn4",
                               {.caption = "&Browse", .left = 320, .top = 52, .width = 88});
  Bitbtn1 = Add<forms::Button>(this, this, "Bitbtn1",
                               {.caption = "&New Folder", .left = 320, .top = 82, .width = 88});
  Add<Label>(this, this, "Label3",
             {.caption = "TIP : To create a new folder quickly, just enter it's name - it will be "
                         "created automaticly",
              .left = 12,
              .top = 84,
              .width = 300,
              .height = 28,
              .autoSize = false,
              .wordWrap = true});
  Add<Label>(this, this, "Label4", {.caption = " Advanced Options ", .left = 12, .top = 124});
  Add<Label>(this, this, "Label5",
             {.caption = "Rebuild Zip file directory structure", .left = 20, .top = 150});
  Combobox2 = Add<forms::ComboBox>(this, this, "Combobox2",
                                   {.left = 250,
                                    .top = 146,
                                    .width = 158,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {"Yes", "No"}});
  Add<Label>(this, this, "Label6", {.caption = "Overwrite mode", .left = 20, .top = 180});
  ComboBox3 = Add<forms::ComboBox>(this, this, "ComboBox3",
                                   {.left = 250,
                                    .top = 176,
                                    .width = 158,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {"Ask", "Always", "Never"}});
  Add<Label>(this, this, "Label7", {.caption = "Password", .left = 20, .top = 210});
  Edit2 =
      Add<forms::Edit>(this, this, "Edit2", {.text = "", .left = 250, .top = 206, .width = 158});
  Bitbtn2 = Add<forms::Button>(this, this, "Bitbtn2",
                               {.caption = "&Cancel",
                                .left = 230,
                                .top = 262,
                                .width = 84,
                                .cancel = true,
                                .modalResult = forms::mrCancel});
  Bitbtn3 = Add<forms::Button>(
      this, this, "Bitbtn3",
      {.caption = "&Unzip", .left = 324, .top = 262, .width = 84, .isDefault = true});
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Unzip to where?";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;
  Bitbtn1->OnClick = [this](forms::Component&) { Bitbtn1Click(); };
  Bitbtn4->OnClick = [this](forms::Component&) { Bitbtn4Click(); };
  Bitbtn3->OnClick = [this](forms::Component&) { Bitbtn3Click(); };

  const std::string name = ArchiveFileName();
  Edit1->SetText(kUnzipsFolder +
                 (name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string()));
}

std::string Tunzipnow::ArchiveFileName() const {
  const std::string& archive = main_.CurrentArchive();
  const size_t slash = archive.find_last_of("\\/:");
  return slash == std::string::npos ? archive : archive.substr(slash + 1);
}

void Tunzipnow::Bitbtn1Click() {
  std::string folder = kUnzipsFolder + ArchiveFileName();
  if (!forms::InputQuery("New folder", "What would you like to call the new folder?(name/path)",
                         folder)) {
    return;
  }
  if (!ForceFolder(folder)) {
    forms::MessageDlg("Error: Could not create the folder " + folder + ".",
                      forms::MsgDlgType::mtError, forms::mbOK, 0);
    return;
  }
  Edit1->SetText(folder);
}

void Tunzipnow::Bitbtn4Click() {
  if (BrowseDirectoryDlg1->Execute()) Edit1->SetText(BrowseDirectoryDlg1->Directory());
}

void Tunzipnow::Bitbtn3Click() {
  const short overwrite = ExtractOverwriteModeOfItem(ComboBox3->ItemIndex());
  const bool rebuild = Combobox2->ItemIndex() != 1;
  TOp* op = main_.Op();
  struct CloseProgress {
    TOp* op;
    ~CloseProgress() {
      if (op != nullptr) forms::Guard([this] { op->Close(); });
    }
  } closeProgress{op};
  if (op != nullptr) op->Show();
  ForceFolder(Edit1->Text());
  {
    TQXCtrl::CallScope call(*main_.QXCtrl1);
    // The control reports its own prompts and errors.
    main_.QXCtrl1->UnzipFiles(main_.CurrentArchive(), "*.*", Edit1->Text(), rebuild, true,
                              overwrite, Edit2->Text(), true, true);
  }
  SetModalResult(forms::mrOk);
}

}  // namespace pelloro
