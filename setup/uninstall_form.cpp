#include "uninstall_form.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "environment.h"
#include "forms/label.h"
#include "registry_entries.h"
#include "setup_texts.h"

namespace setup {

namespace {

forms::FormCreateArgs UninstallArgs() {
  forms::FormCreateArgs args;
  args.caption = "Uninstall";
  args.width = 400;
  args.height = 240;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsToolWindow;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

void RemoveInstalledFiles(const std::string& folder, const std::vector<std::string>& names) {
  const std::string base = WithBackslash(folder);
  for (const std::string& name : names) DeleteFileA((base + name).c_str());
  // Fails, as wanted, while anything else is in it (and always on a drive's root).
  RemoveDirectoryA(base.c_str());
}

TUninstallfrm::TUninstallfrm(forms::Component* owner) : Form(owner, UninstallArgs()) {
  SetName("Uninstallfrm");
  using forms::Add;
  using forms::Label;
  auto* heading =
      Add<Label>(this, this, "Label1",
                 {.caption = "Uninstall Pelloro for Windows '95", .left = 12, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(this, this, "Label2",
             {.caption = "Setup has filled in where Pelloro was installed. If you did not change "
                         "these when installing, leave them as they are.",
              .left = 12,
              .top = 30,
              .width = 376,
              .height = 30,
              .autoSize = false,
              .wordWrap = true});
  Add<Label>(this, this, "Label3", {.caption = "Pelloro is in", .left = 12, .top = 70});
  Edit1 = Add<forms::Edit>(this, this, "Edit1",
                           {.text = texts::kDefaultInstallFolder,
                            .left = 12,
                            .top = 88,
                            .width = 290,
                            .maxLength = 250});
  BrowseButton =
      Add<forms::Button>(this, this, "BrowseButton", {.caption = "Browse", .left = 312, .top = 86});
  Add<Label>(this, this, "Label4",
             {.caption = "Pelloro's folder on the Start Menu is", .left = 12, .top = 124});
  Edit2 = Add<forms::Edit>(
      this, this, "Edit2",
      {.text = texts::kDefaultGroup, .left = 12, .top = 142, .width = 290, .maxLength = 200});
  UninstallButton = Add<forms::Button>(this, this, "UninstallButton",
                                       {.caption = "Uninstall", .left = 226, .top = 198});
  CancelButton = Add<forms::Button>(this, this, "CancelButton",
                                    {.caption = "Cancel", .left = 312, .top = 198, .cancel = true});
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Where is Pelloro installed?";
  BrowseButton->OnClick = [this](forms::Component&) { BrowseClick(); };
  UninstallButton->OnClick = [this](forms::Component&) { UninstallClick(); };
  CancelButton->OnClick = [this](forms::Component&) { Finish(); };
}

void TUninstallfrm::Finish() {
  if (OnFinished) {
    OnFinished();
  } else {
    forms::App().Terminate();
  }
}

void TUninstallfrm::BrowseClick() {
  if (BrowseDirectoryDlg1->Execute()) Edit1->SetText(BrowseDirectoryDlg1->Directory());
}

void TUninstallfrm::UninstallClick() {
  // 1.
  Edit1->SetText(WithBackslash(Edit1->Text()));
  const std::string windir = WindowsFolder();
  // 2.
  DeleteFileA((windir + texts::kLinkFile).c_str());
  // 3.
  RemoveRegistry();
  // 4. The files the installer copied, and the list of favourite folders Pelloro keeps beside
  // them; the folder goes when nothing else is left in it.
  std::vector<std::string> installed(texts::kFilesToCopy.begin(), texts::kFilesToCopy.end());
  installed.emplace_back("AutoFolders.lst");
  RemoveInstalledFiles(ShortPath(Edit1->Text()), installed);
  // 5. The group where the Program Manager made it; without a name there is nothing of ours.
  const std::string group = Edit2->Text();
  if (group.find_first_not_of(' ') != std::string::npos) {
    const std::string folder = WithBackslash(SpecialFolder(CSIDL_PROGRAMS)) + group;
    RemoveInstalledFiles(folder, {texts::kLinkFile});
  }
  // 6. The link the installer put into the shell's desktop folder.
  DeleteFileA((WithBackslash(SpecialFolder(CSIDL_DESKTOPDIRECTORY)) + texts::kLinkFile).c_str());
  // 7.
  Finish();
}

}  // namespace setup
