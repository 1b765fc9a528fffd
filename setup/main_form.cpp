#include "main_form.h"

#include <windows.h>

#include "environment.h"
#include "forms/guard.h"
#include "installation.h"
#include "setup_layout.h"
#include "setup_texts.h"

namespace setup {

namespace {

constexpr char kLicense[] =
    "Pelloro for Windows '95 is provided as it is, without any warranty. You may install it on "
    "any number of computers and give unchanged copies of the installation files to others. You "
    "may not sell it or change it and give the changed program to others under its name.\r\n\r\n"
    "By clicking Next you accept these terms. If you do not accept them, click Exit.";

forms::FormCreateArgs WizardArgs() {
  forms::FormCreateArgs args;
  args.caption = texts::kWizardCaption;
  args.width = layout::kWizardWidth;
  args.height = layout::kWizardHeight;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

TExplorerButton* FlatButton(forms::Component* owner, forms::WinControl* parent, const char* name,
                            const char* caption, const RECT& r) {
  return forms::Add<TExplorerButton>(owner, parent, name,
                                     {.left = static_cast<int>(r.left),
                                      .top = static_cast<int>(r.top),
                                      .width = static_cast<int>(r.right - r.left),
                                      .height = static_cast<int>(r.bottom - r.top),
                                      .caption = caption});
}

forms::Label* Text(forms::Component* owner, forms::WinControl* parent, const char* name,
                   const char* caption, int top, int height = 16, bool bold = false) {
  auto* label = forms::Add<forms::Label>(owner, parent, name,
                                         {.caption = caption,
                                          .left = 20,
                                          .top = top,
                                          .width = 440,
                                          .height = height,
                                          .autoSize = false,
                                          .wordWrap = true});
  if (bold) label->GetFont().SetStyle(forms::fsBold);
  return label;
}

}  // namespace

void CreateFolderLevels(const std::string& folder) {
  if (folder.size() <= 2) return;
  for (size_t at = 0; (at = folder.find('\\', at)) != std::string::npos; ++at) {
    const std::string level = folder.substr(0, at);
    if (level.size() <= 2) continue;  // "C:" and the like
    if (!FolderExists(level)) CreateDirectoryA(level.c_str(), nullptr);
  }
  if (folder.back() != '\\' && !FolderExists(folder)) CreateDirectoryA(folder.c_str(), nullptr);
}

TMainfrm::TMainfrm(forms::Component* owner, TDdeClientConv& dde, TStatusfrm& status,
                   TPopupfrm& popup)
    : Form(owner, WizardArgs()), dde_(dde), status_(status), popup_(popup) {
  SetName("Mainfrm");
  KeyPreview = true;
  using forms::Add;
  const RECT p = layout::kPage;
  for (int i = 0; i < 5; ++i) {
    const std::string name = "Page" + std::to_string(i + 1);
    Page[i] = Add<forms::Panel>(this, this, name.c_str(),
                                {.caption = "",
                                 .left = static_cast<int>(p.left),
                                 .top = static_cast<int>(p.top),
                                 .width = static_cast<int>(p.right - p.left),
                                 .height = static_cast<int>(p.bottom - p.top),
                                 .bevelOuter = forms::Bevel::bvNone});
    Page[i]->SetVisible(false);
  }
  Text(this, Page[0], "Label1", "Welcome to the Pelloro for Windows '95 Setup Program", 24, 20,
       true);
  Text(this, Page[0], "Label2",
       "This program will install and configure Pelloro for Windows 95 for use on your computer.",
       64, 36);
  Text(this, Page[0], "Label3",
       "If you wish to cancel this installation, click Exit. To begin, click Next", 112, 36);

  Text(this, Page[1], "Label4", "Please read the license agreement below", 16, 16, true);
  License = Add<forms::Memo>(
      this, Page[1], "License",
      {.text = kLicense, .left = 20, .top = 40, .width = 440, .height = 220, .readOnly = true});

  Text(this, Page[2], "Label5", "Setup will install Pelloro '95 in the following directory", 24, 20,
       true);
  Add<forms::Label>(this, Page[2], "Label6", {.caption = " Install to ", .left = 20, .top = 132});
  Edit1 = Add<forms::Edit>(this, Page[2], "Edit1",
                           {.text = texts::kDefaultInstallFolder,
                            .left = 20,
                            .top = 152,
                            .width = 352,
                            .maxLength = 250});
  BrowseButton = FlatButton(this, Page[2], "BrowseButton", "Browse", layout::kBrowseButton);
  BrowseButton->OnClick = [this](forms::Component&) { BrowseClick(); };

  Text(this, Page[3], "Label7", "Where should Setup create icons?", 24, 20, true);
  Add<forms::Label>(this, Page[3], "Label8", {.caption = "Group name", .left = 20, .top = 132});
  Edit2 = Add<forms::Edit>(
      this, Page[3], "Edit2",
      {.text = texts::kDefaultGroup, .left = 20, .top = 152, .width = 352, .maxLength = 200});

  Text(this, Page[4], "Label9", "Setup is now ready to begin copying files", 24, 20, true);
  Text(this, Page[4], "Label10",
       "Click Next to copy the files, create the program group and the desktop shortcut, and "
       "register Pelloro '95 with Windows. Click Back to change your choices, or Exit to leave "
       "without installing.",
       64, 56);

  FilestoCopy = Add<forms::ListBox>(this, this, "FilestoCopy");
  SystemCopy = Add<forms::ListBox>(this, this, "SystemCopy");
  for (const char* row : texts::kFilesToCopy) FilestoCopy->AddItem(row);
  for (const char* row : texts::kSystemCopy) SystemCopy->AddItem(row);
  FilestoCopy->SetVisible(false);
  SystemCopy->SetVisible(false);

  const RECT t = layout::kToolPanel;
  ToolPanel = Add<forms::Panel>(this, this, "ToolPanel",
                                {.caption = "",
                                 .left = static_cast<int>(t.left),
                                 .top = static_cast<int>(t.top),
                                 .width = static_cast<int>(t.right - t.left),
                                 .height = static_cast<int>(t.bottom - t.top)});
  BackButton = FlatButton(this, ToolPanel, "BackButton", "< Back", layout::kBackButton);
  NextButton = FlatButton(this, ToolPanel, "NextButton", "Next >", layout::kNextButton);
  ExitButton = FlatButton(this, ToolPanel, "ExitButton", "Exit", layout::kExitButton);
  BackButton->OnClick = [this](forms::Component&) { BackClick(); };
  NextButton->OnClick = [this](forms::Component&) { NextClick(); };
  ExitButton->OnClick = [this](forms::Component&) { ExitClick(); };

  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Install to where?";

  OnShow = [this](forms::Component&) { FormShow(); };
  // Enter anywhere in the wizard acts as "Next >" while that button is enabled.
  OnKeyDown = [this](forms::Component&, WORD& key, forms::ShiftState) {
    if (key != VK_RETURN || !NextButton->Enabled()) return;
    key = 0;
    NextClick();
  };
}

int TMainfrm::PageShown() const {
  for (int i = 0; i < 5; ++i) {
    if (Page[i]->Visible()) return i + 1;
  }
  return 0;
}

void TMainfrm::ShowPage(int page) {
  for (int i = 0; i < 5; ++i) Page[i]->SetVisible(i + 1 == page);
}

void TMainfrm::FormShow() {
  counter_ = 0;
  NextClick();
}

void TMainfrm::NextClick() {
  const int counter = counter_++;
  switch (counter) {
    case 0:
      BackButton->SetEnabled(false);
      ShowPage(1);
      break;
    case 1:
      BackButton->SetEnabled(true);
      ShowPage(2);
      break;
    case 2:
      ShowPage(3);
      break;
    case 3:
      Edit1->SetText(WithBackslash(Edit1->Text()));
      CreateFolderLevels(Edit1->Text());
      ShowPage(4);
      break;
    case 4:
      ShowPage(5);
      break;
    case 5:
      RunInstallation();
      break;
    default:
      counter_ = counter;  // nothing beyond the last page
      break;
  }
}

void TMainfrm::BackClick() {
  counter_ -= 2;
  if (counter_ < 0) counter_ = 0;
  NextClick();
}

void TMainfrm::ExitClick() {
  if (OnFinished) {
    OnFinished(texts::kExitOk);
  } else {
    forms::App().Terminate();
  }
}

void TMainfrm::BrowseClick() {
  if (BrowseDirectoryDlg1->Execute())
    Edit1->SetText(WithBackslash(BrowseDirectoryDlg1->Directory()));
}

void TMainfrm::RunInstallation() {
  Hide();
  Installation installation(*this, status_, popup_, dde_);
  const int code = installation.Run();
  if (OnFinished) {
    OnFinished(code);
  } else {
    forms::App().Terminate();
  }
}

}  // namespace setup
