#include "new_zip_form.h"

#include <windows.h>

#include "captions.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "main_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs NewZipArgs() {
  forms::FormCreateArgs args;
  args.caption = "New Zip file";
  args.width = 420;
  args.height = 330;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length < MAX_PATH ? length : 0);
  const size_t slash = folder.find_last_of('\\');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

bool EndsInSlash(const std::string& text) { return !text.empty() && text.back() == '\\'; }

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

bool ForceFolder(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 0 && !ForceFolder(path.substr(0, slash + 1))) {
    return false;
  }
  return CreateDirectoryA(path.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

TNewZipFrm::TNewZipFrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, NewZipArgs()), main_(main) {
  SetName("NewZipFrm");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  auto* heading =
      Add<Label>(this, this, "Label1", {.caption = "Make a New Zip file", .left = 12, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(
      this, this, "Label2",
      {.caption =
           "Please fill out the fields below, then click \"Create >\" to make the new Zip file.",
       .left = 12,
       .top = 28,
       .width = 396,
       .height = 28,
       .autoSize = false,
       .wordWrap = true});
  Add<Label>(this, this, "Label3",
             {.caption = "The new Zip file will be made in...", .left = 12, .top = 60});
  Directory =
      Add<forms::Edit>(this, this, "Directory", {.text = "", .left = 12, .top = 78, .width = 300});
  Bitbtn1 = Add<forms::Button>(this, this, "Bitbtn1",
                               {.caption = "&Browse", .left = 320, .top = 76, .width = 88});
  Add<Label>(this, this, "Label4",
             {.caption = "What would you like to call the new Zip? (do not include .zip)",
              .left = 12,
              .top = 110});
  FileName = Add<forms::Edit>(this, this, "FileName",
                              {.text = "My Zip file", .left = 12, .top = 128, .width = 300});
  Add<Label>(this, this, "Label5",
             {.caption = "Complete Zip file name and folder", .left = 12, .top = 160});
  CompleteZip = Add<forms::Edit>(this, this, "CompleteZip",
                                 {.text = "", .left = 12, .top = 178, .width = 396});
  Add<Label>(this, this, "Label6",
             {.caption = "TIP : If you enter a folder that does not exist, it will be automaticly "
                         "created for you",
              .left = 12,
              .top = 206,
              .width = 396,
              .height = 28,
              .autoSize = false,
              .wordWrap = true});
  CheckBox1 = Add<forms::CheckBox>(
      this, this, "CheckBox1",
      {.caption = "&Add files to this zip straight away", .left = 12, .top = 240, .width = 260});
  Cancel = Add<forms::Button>(this, this, "Cancel",
                              {.caption = "Cance&l",
                               .left = 230,
                               .top = 292,
                               .width = 84,
                               .cancel = true,
                               .modalResult = forms::mrCancel});
  Createbtn = Add<forms::Button>(
      this, this, "Createbtn",
      {.caption = "&Create >", .left = 324, .top = 292, .width = 84, .isDefault = true});
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Select the folder you would like to create your new Zip file in...";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;

  updating_ = true;
  Directory->SetText(ProgramFolder());
  CompleteZip->SetText(Directory->Text() + FileName->Text() + ".Zip");
  updating_ = false;
  Directory->OnChange = [this](forms::Component&) { DirectoryChange(); };
  FileName->OnChange = [this](forms::Component&) { FileNameChange(); };
  Bitbtn1->OnClick = [this](forms::Component&) { Bitbtn1Click(); };
  Createbtn->OnClick = [this](forms::Component&) { CreatebtnClick(); };
}

std::string TNewZipFrm::DirectoryWithSlash() const {
  const std::string folder = Directory->Text();
  return EndsInSlash(folder) ? folder : folder + "\\";
}

void TNewZipFrm::DirectoryChange() {
  if (updating_) return;
  updating_ = true;
  CompleteZip->SetText(Directory->Text() + FileName->Text() + ".zip");
  updating_ = false;
}

void TNewZipFrm::FileNameChange() {
  if (updating_) return;
  updating_ = true;
  if (!EndsInSlash(Directory->Text())) Directory->SetText(Directory->Text() + "\\");
  CompleteZip->SetText(Directory->Text() + FileName->Text() + ".zip");
  updating_ = false;
}

void TNewZipFrm::Bitbtn1Click() {
  if (!BrowseDirectoryDlg1->Execute()) return;
  updating_ = true;
  std::string folder = BrowseDirectoryDlg1->Directory();
  if (!EndsInSlash(folder)) folder += "\\";
  Directory->SetText(folder);
  CompleteZip->SetText(Directory->Text() + FileName->Text() + ".Zip");
  updating_ = false;
}

void TNewZipFrm::CreatebtnClick() {
  const std::string path = CompleteZip->Text();
  if (path.empty() || Directory->Text().empty()) {
    forms::MessageDlg("Error: Please enter a folder and a name for the new Zip file.",
                      forms::MsgDlgType::mtError, forms::mbOK, 0);
    return;
  }
  // An existing archive is emptied only when the user says so.
  if (FileExists(path) &&
      forms::MessageDlg(
          "The file " + path + " already exists.\r\n\r\nReplace it with a new, empty Zip file?",
          forms::MsgDlgType::mtConfirmation, forms::mbYes | forms::mbNo, 0) != forms::mrYes) {
    return;
  }
  const bool wasListed = main_.Functions1->Enabled();
  main_.DisableActions();
  // Unless the new archive is opened, the main window returns to the state it had.
  struct Restore {
    TMainfrm& main;
    bool wasListed;
    bool opened = false;
    ~Restore() {
      if (opened) return;
      forms::Guard([this] {
        if (wasListed) {
          main.EnableActions();
        } else {
          main.SetCaption(kCaptionIdle);
        }
      });
    }
  } restore{main_, wasListed};
  updating_ = true;
  Directory->SetText(DirectoryWithSlash());
  updating_ = false;
  bool created = false;
  if (ForceFolder(Directory->Text())) {
    TQXCtrl::CallScope call(*main_.QXCtrl1);
    created = main_.QXCtrl1->CreateBlankZIPFile(path, false);
  }
  if (!created) {
    forms::MessageDlg("Error: Could not create the Zip file " + path + ".",
                      forms::MsgDlgType::mtError, forms::mbOK, 0);
    return;
  }
  std::string created_name;
  {
    TQXCtrl::CallScope call(*main_.QXCtrl1);
    created_name = main_.QXCtrl1->GetNewZIPName();
  }
  restore.opened = true;
  const bool listed = main_.OpenByTheRoad(created_name.empty() ? path : created_name);
  SetModalResult(listed ? forms::mrOk : forms::mrAbort);
}

}  // namespace pelloro
