#include "add_files_form.h"

#include "captions.h"
#include "compression_error.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "forms/reg_ini_file.h"
#include "main_form.h"
#include "op_form.h"

namespace pelloro {

namespace {

constexpr int kFoldedHeight = 111;
constexpr int kUnfoldedHeight = 340;

forms::FormCreateArgs AddFilesArgs() {
  forms::FormCreateArgs args;
  args.caption = "Add Files";
  args.width = 420;
  args.height = kFoldedHeight;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

short IndexOr(int item, short previous) { return item < 0 ? previous : static_cast<short>(item); }

}  // namespace

short OverwriteModeOfItem(int item, short previous) {
  switch (item) {
    case 0:
      return 3;  // "Update it"
    case 1:
      return 0;  // "Overwrite it"
    case 2:
      return 2;  // "Ask me"
    default:
      return previous;
  }
}

short CompressionModeOfPosition(int position) {
  switch (position) {
    case 0:
      return 3;  // "Min Compress": stored
    case 2:
      return 2;  // "Max Compress"
    default:
      return 0;
  }
}

int PositionOfCompressionSetting(int setting) {
  if (setting == 0) return 1;
  if (setting == 1) return 2;
  return 0;
}

int CompressionSettingOfPosition(int position) {
  if (position == 1) return 0;
  if (position == 2) return 1;
  return 2;
}

TAddFilesfrm::TAddFilesfrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, AddFilesArgs()), main_(main) {
  SetName("AddFilesfrm");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  Add<Label>(this, this, "Label1",
             {.caption = "You are about to add files to the zip file.  Click Add files or Add "
                         "Folder to add or click Settings to change the compression options",
              .left = 8,
              .top = 6,
              .width = 396,
              .height = 28,
              .autoSize = false,
              .wordWrap = true});
  Bitbtn1 = Add<forms::Button>(
      this, this, "Bitbtn1",
      {.caption = "&Add Files", .left = 8, .top = 44, .width = 90, .isDefault = true});
  Bitbtn5 = Add<forms::Button>(this, this, "Bitbtn5",
                               {.caption = "Add &Folder", .left = 106, .top = 44, .width = 90});
  Bitbtn2 = Add<forms::Button>(this, this, "Bitbtn2",
                               {.caption = "&Settings >>", .left = 204, .top = 44, .width = 90});
  Bitbtn3 = Add<forms::Button>(this, this, "Bitbtn3",
                               {.caption = "&Cancel",
                                .left = 302,
                                .top = 44,
                                .width = 90,
                                .cancel = true,
                                .modalResult = forms::mrCancel});
  forms::PanelCreateArgs area;
  area.left = 8;
  area.top = 84;
  area.width = 396;
  area.height = 214;
  auto* settings = new forms::Panel(this, this, area);
  settings->SetName("GroupBox1");
  Add<Label>(this, settings, "Label9", {.caption = " Change Settings ", .left = 4, .top = 0});
  Add<Label>(this, settings, "Label2", {.caption = "Recurse Folders", .left = 10, .top = 24});
  ComboBox1 = Add<forms::ComboBox>(this, settings, "ComboBox1",
                                   {.left = 200,
                                    .top = 20,
                                    .width = 180,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {"No", "Yes"}});
  Add<Label>(this, settings, "Label3", {.caption = "Store Folder names?", .left = 10, .top = 52});
  ComboBox2 = Add<forms::ComboBox>(this, settings, "ComboBox2",
                                   {.left = 200,
                                    .top = 48,
                                    .width = 180,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {"No", "Yes"}});
  Add<Label>(this, settings, "Label4", {.caption = "Password", .left = 10, .top = 80});
  Edit1 =
      Add<forms::Edit>(this, settings, "Edit1", {.text = "", .left = 200, .top = 76, .width = 180});
  Add<Label>(this, settings, "Label5", {.caption = "Compression Mode", .left = 10, .top = 108});
  TrackBar1 = Add<forms::TrackBar>(
      this, settings, "TrackBar1",
      {.left = 200, .top = 102, .width = 180, .height = 28, .min = 0, .max = 2, .position = 1});
  Add<Label>(this, settings, "Label6", {.caption = "Min Compress", .left = 200, .top = 130});
  Add<Label>(this, settings, "Label7", {.caption = "Max Compress", .left = 310, .top = 130});
  Add<Label>(this, settings, "Label8",
             {.caption = "If file exists in Zip file", .left = 10, .top = 156});
  ComboBox4 = Add<forms::ComboBox>(this, settings, "ComboBox4",
                                   {.left = 200,
                                    .top = 152,
                                    .width = 180,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {"Update it", "Overwrite it", "Ask me"}});
  Bitbtn4 =
      Add<forms::Button>(this, settings, "Bitbtn4",
                         {.caption = "Save as &defaults", .left = 200, .top = 182, .width = 180});
  Memo1 = Add<forms::Memo>(this, this, "Memo1", {});
  Memo1->SetVisible(false);
  OpenDialog1 = new forms::OpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->Title = "Select files to add to your Zip";
  OpenDialog1->Filter = "All files|*.*";
  OpenDialog1->Options =
      forms::ofAllowMultiSelect | forms::ofPathMustExist | forms::ofFileMustExist;
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Select Folder/Directory to Add to this Zip file...";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;

  Bitbtn1->OnClick = [this](forms::Component&) { Bitbtn1Click(); };
  Bitbtn5->OnClick = [this](forms::Component&) { Bitbtn5Click(); };
  Bitbtn2->OnClick = [this](forms::Component&) { Bitbtn2Click(); };
  Bitbtn4->OnClick = [this](forms::Component&) { Bitbtn4Click(); };
  FormShow();
}

void TAddFilesfrm::FormShow() {
  SetHeight(kFoldedHeight);
  Bitbtn2->SetEnabled(true);
  forms::RegIniFile settings(kSettingsKey);
  ComboBox1->SetItemIndex(settings.ReadInteger("", "Recurse", 0));
  ComboBox2->SetItemIndex(settings.ReadInteger("", "Paths", 0));
  Edit1->SetText(settings.ReadString("", "Password", ""));
  TrackBar1->SetPosition(PositionOfCompressionSetting(settings.ReadInteger("", "Compression", 0)));
  ComboBox4->SetItemIndex(settings.ReadInteger("", "Exists", 0));
}

void TAddFilesfrm::Bitbtn2Click() {
  SetHeight(kUnfoldedHeight);
  Bitbtn2->SetEnabled(false);
}

void TAddFilesfrm::Bitbtn4Click() {
  forms::RegIniFile settings(kSettingsKey);
  settings.WriteInteger("", "Recurse", ComboBox1->ItemIndex());
  settings.WriteInteger("", "Paths", ComboBox2->ItemIndex());
  if (!Edit1->Text().empty() &&
      forms::MessageDlg(
          "Are you sure that you wish to include a password as default?.\n\rThis means that all "
          "Zip files you create will have this password?.\n\rIf you click No, the password will "
          "not be saved as default, but will still\n\rbe used on this Zip file only.",
          forms::MsgDlgType::mtConfirmation, forms::mbYes | forms::mbNo, 0) == forms::mrYes) {
    settings.WriteString("", "Password", Edit1->Text());
  }
  settings.WriteInteger("", "Compression", CompressionSettingOfPosition(TrackBar1->Position()));
  settings.WriteInteger("", "Exists", ComboBox4->ItemIndex());
  forms::MessageDlg("Defaults saved...", forms::MsgDlgType::mtConfirmation, forms::mbOK, 0);
}

void TAddFilesfrm::TakeSettings() {
  recurse_ = IndexOr(ComboBox1->ItemIndex(), recurse_);
  storePath_ = IndexOr(ComboBox2->ItemIndex(), storePath_);
  overwrite_ = OverwriteModeOfItem(ComboBox4->ItemIndex(), overwrite_);
  compression_ = CompressionModeOfPosition(TrackBar1->Position());
  if (!Edit1->Text().empty()) password_ = Edit1->Text();
}

short TAddFilesfrm::Zip(const std::string& mask) {
  TQXCtrl::CallScope call(*main_.QXCtrl1);
  lastResult_ = main_.QXCtrl1->ZipFiles(main_.CurrentArchive(), mask, recurse_ != 0, storePath_,
                                        overwrite_, compression_, false, false, password_, true);
  if (lastResult_ != 0) ShowCompressionError(lastResult_);
  return lastResult_;
}

void TAddFilesfrm::ListAndClose() {
  main_.ShowActivity('A');
  if (main_.Op() != nullptr) main_.Op()->Repaint();
  {
    TQXCtrl::CallScope call(*main_.QXCtrl1);
    main_.OpenAndList();
  }
  SetModalResult(forms::mrOk);
}

void TAddFilesfrm::Bitbtn1Click() {
  TakeSettings();
  if (!OpenDialog1->Execute()) return;
  TOp* op = main_.Op();
  // The progress window closes on every path out, a failed call included.
  struct CloseProgress {
    TOp* op;
    ~CloseProgress() {
      if (op != nullptr) forms::Guard([this] { op->Close(); });
    }
  } closeProgress{op};
  if (op != nullptr) op->Show();
  main_.ShowActivity('B');
  if (op != nullptr) op->Repaint();
  std::vector<std::string> files;
  for (int i = 0; i < OpenDialog1->Files.Count(); ++i) files.push_back(OpenDialog1->Files[i]);
  if (files.empty()) files.push_back(OpenDialog1->FileName);
  Memo1->SetLines(files);
  for (const std::string& file : Memo1->Lines()) {
    if (op != nullptr && op->CancelFlag()) break;
    Zip(file);
  }
  ListAndClose();
}

void TAddFilesfrm::Bitbtn5Click() {
  if (forms::MessageDlg(
          "Are you sure that you wish to add a Directory?,This will add all the files in the "
          "selected folder, and,depending on your settings, may recurse through allother Folders "
          "in it.\r\nThis means if you select C:\\, it will include C:\\WINDOWS, etc\r\n\r\nAre "
          "you sure you wish to add a directory?",
          forms::MsgDlgType::mtConfirmation, forms::mbYesNoCancel, 0) != forms::mrYes) {
    return;
  }
  TakeSettings();
  if (!BrowseDirectoryDlg1->Execute()) return;
  folder_ = BrowseDirectoryDlg1->Directory();
  TOp* op = main_.Op();
  struct CloseProgress {
    TOp* op;
    ~CloseProgress() {
      if (op != nullptr) forms::Guard([this] { op->Close(); });
    }
  } closeProgress{op};
  if (op != nullptr) op->Show();
  main_.ShowActivity('B');
  if (op != nullptr) op->Repaint();
  std::string folder = folder_;
  if (folder.empty() || folder.back() != '\\') folder += "\\";
  Zip(folder + "*.*");
  ListAndClose();
}

}  // namespace pelloro
