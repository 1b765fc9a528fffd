#include "unzip_wizard.h"

#include <windows.h>

#include "about_box.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "new_zip_form.h"
#include "op_form.h"

namespace pelloro {

namespace {

std::function<void()>& ProgramEnd() {
  static std::function<void()> end;
  return end;
}

forms::FormCreateArgs WizardArgs() {
  forms::FormCreateArgs args;
  args.caption = "Pelloro for Windows '95 Wizard";
  args.width = 480;
  args.height = 300;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  args.keyPreview = true;
  return args;
}

TExplorerButton* AddButton(forms::Component* owner, forms::WinControl* parent, const char* name,
                           const char* caption, int left, int width) {
  return forms::Add<TExplorerButton>(
      owner, parent, name,
      {.left = left, .top = 4, .width = width, .height = 30, .caption = caption});
}

forms::Panel* AddPage(forms::Component* owner, forms::WinControl* parent, const char* name) {
  return forms::Add<forms::Panel>(
      owner, parent, name,
      {.left = 0, .top = 40, .width = 480, .height = 260, .bevelOuter = forms::Bevel::bvNone});
}

forms::Label* AddText(forms::Component* owner, forms::WinControl* parent, const char* name,
                      const std::string& caption, int top, int height = 13) {
  return forms::Add<forms::Label>(owner, parent, name,
                                  {.caption = caption,
                                   .left = 20,
                                   .top = top,
                                   .width = 440,
                                   .height = height,
                                   .autoSize = false,
                                   .wordWrap = true});
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string WizardTarget(const std::string& archive) {
  char windows[200] = {};
  const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  const std::string folder(windows, length < sizeof windows ? length : 0);
  const std::string name = FileNamePart(archive);
  return folder + "\\Desktop\\Unzips\\" +
         (name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string());
}

void SetWizardProgramEnd(std::function<void()> end) { ProgramEnd() = std::move(end); }

TWizardfrm::TWizardfrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, WizardArgs()), main_(main) {
  SetName("Wizardfrm");
  using forms::Add;
  auto* toolbar = Add<forms::Panel>(this, this, "Toolbar", {.width = 480, .height = 38});
  Aboutbtn = AddButton(this, toolbar, "Aboutbtn", "&About", 4, 60);
  Cancelbtn = AddButton(this, toolbar, "Cancelbtn", "&Quit Pelloro", 66, 90);
  Backbtn = AddButton(this, toolbar, "Backbtn", "< &Back", 220, 76);
  Nextbtn = AddButton(this, toolbar, "Nextbtn", "&Next >", 298, 76);
  Offbtn = AddButton(this, toolbar, "Offbtn", "Wizard &Off", 384, 90);

  Page1 = AddPage(this, this, "Page1");
  AddText(this, Page1, "Label1", "Welcome to the Pelloro for Windows '95 Wizard.", 16)
      ->GetFont()
      .SetStyle(forms::fsBold);
  AddText(this, Page1, "Label2",
          "This wizard unzips the open Zip file into a folder of its own, one step at a time.  "
          "It asks where the files should go, then unzips them and can show you the folder.",
          44, 40);
  AddText(this, Page1, "Label3", "Click the Next button to begin.", 100);
  AddText(this, Page1, "Label4", "File to Unzip is", 150);
  Label13 = AddText(this, Page1, "Label13", "", 168, 30);

  Page2 = AddPage(this, this, "Page2");
  AddText(this, Page2, "Label5", "Unzip the selected file to where?", 16)
      ->GetFont()
      .SetStyle(forms::fsBold);
  AddText(this, Page2, "Label6",
          "Type the folder that the files should be unzipped to, or click Browse to pick one.", 44,
          28);
  AddText(this, Page2, "Label7", "Hint : If a folder does not exist, it will be created for you",
          84);
  Edit2 = Add<forms::Edit>(this, Page2, "Edit2", {.left = 20, .top = 120, .width = 340});
  Browsebtn = Add<forms::Button>(this, Page2, "Browsebtn",
                                 {.caption = "&Browse", .left = 370, .top = 118, .width = 80});

  Page3 = AddPage(this, this, "Page3");
  AddText(this, Page3, "Label8", "Pelloro for Windows '95 is ready to unzip your files.", 16)
      ->GetFont()
      .SetStyle(forms::fsBold);
  AddText(this, Page3, "Label9",
          "Pelloro has all the information it needs to unzip the selected file.  When you are "
          "ready to unzip this file, click Next.",
          44, 28);
  CheckBox1 = Add<forms::CheckBox>(this, Page3, "CheckBox1",
                                   {.caption = "Check me to &show folder contents when completed",
                                    .left = 20,
                                    .top = 100,
                                    .width = 400,
                                    .checked = true});

  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Which folder has your Zip files in it?";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;

  OnShow = [this](forms::Component&) { FormShow(); };
  Nextbtn->OnClick = [this](forms::Component&) { NextbtnClick(); };
  Backbtn->OnClick = [this](forms::Component&) { BackbtnClick(); };
  Browsebtn->OnClick = [this](forms::Component&) {
    if (BrowseDirectoryDlg1->Execute()) Edit2->SetText(BrowseDirectoryDlg1->Directory());
  };
  Aboutbtn->OnClick = [this](forms::Component&) {
    TAboutBox about(this);
    about.ShowModal();
  };
  Offbtn->OnClick = [this](forms::Component&) {
    main_.Show();
    SetModalResult(forms::mrCancel);
  };
  Cancelbtn->OnClick = [this](forms::Component&) {
    SetModalResult(forms::mrCancel);
    EndProgram();
  };
  // Enter is the next button, while it is enabled.
  OnKeyDown = [this](forms::Component&, WORD& key, forms::ShiftState) {
    if (key != VK_RETURN) return;
    key = 0;
    if (Nextbtn->Enabled()) Nextbtn->Click();
  };
}

void TWizardfrm::FormShow() {
  Label13->SetCaption(main_.CurrentArchive());
  step_ = 0;
  NextbtnClick();
}

void TWizardfrm::ShowOnly(forms::Panel* page) {
  for (forms::Panel* p : {Page1, Page2, Page3}) p->SetVisible(p == page);
}

void TWizardfrm::BackbtnClick() {
  step_ -= 2;
  NextbtnClick();
}

void TWizardfrm::NextbtnClick() {
  const int step = step_++;
  switch (step) {
    case 0:
      Label13->SetCaption(main_.CurrentArchive());
      Backbtn->SetEnabled(false);
      Nextbtn->SetEnabled(true);
      ShowOnly(Page1);
      break;
    case 1:
      Backbtn->SetEnabled(true);
      ShowOnly(Page2);
      Edit2->SetText(WizardTarget(main_.CurrentArchive()));
      break;
    case 2:
      ShowOnly(Page3);
      break;
    case 3:
      try {
        Unzip();
      } catch (...) {
        failure_ = std::current_exception();
        SetModalResult(forms::mrAbort);
      }
      break;
    default:
      break;
  }
}

void TWizardfrm::Unzip() {
  const std::string folder = Edit2->Text();
  ForceFolder(folder);
  short result = 0;
  {
    TOp* op = main_.Op();
    struct CloseProgress {
      TOp* op;
      ~CloseProgress() {
        if (op != nullptr) forms::Guard([this] { op->Close(); });
      }
    } closeProgress{op};
    main_.ShowActivity('E');
    if (op != nullptr) op->Show();
    {
      TQXCtrl::CallScope call(*main_.QXCtrl1);
      result = main_.QXCtrl1->UnzipFiles(main_.CurrentArchive(), "*.*", folder, true, true, 2, "",
                                         true, true);
    }
    if (CheckBox1->Checked()) {
      forms::App().Shell(Handle(), "Open", folder.c_str(), "", "", SW_SHOWNORMAL);
    }
  }
  // Only 0 and 1 (a warning) are a success; anything else says so and still offers the end.
  const std::string question =
      result == 0 || result == 1
          ? "All files were successfully unziped to " + folder + ".  Would you like to exit now?"
          : "Some files could not be unzipped to " + folder + " (error " + std::to_string(result) +
                ").  Would you like to exit now?";
  if (forms::MessageDlg(question, forms::MsgDlgType::mtConfirmation, forms::mbYes | forms::mbNo,
                        0) == forms::mrYes) {
    main_.Close();
    SetModalResult(forms::mrOk);
    EndProgram();
    return;
  }
  step_ = 0;
  NextbtnClick();
}

void TWizardfrm::EndProgram() {
  if (ProgramEnd()) {
    ProgramEnd()();
  } else {
    forms::App().Terminate();
  }
}

}  // namespace pelloro
