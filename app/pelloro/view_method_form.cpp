#include "view_method_form.h"

#include <windows.h>

#include <exception>

#include "captions.h"
#include "forms/application.h"
#include "forms/reg_ini_file.h"
#include "main_form.h"
#include "temp_folder.h"

namespace pelloro {

namespace {

constexpr short kCountdownSeconds = 5;

forms::FormCreateArgs ViewMethodArgs() {
  forms::FormCreateArgs args;
  args.caption = "Select View Method";
  args.width = 420;
  args.height = 300;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

std::string WaitText(short seconds) {
  return "Or wait " + std::to_string(seconds) + " seconds to run Associated program";
}

const char* MethodText(ViewMethod method) {
  switch (method) {
    case kViewAssociated:
      return kMethodAssociated;
    case kViewInternal:
      return kMethodInternal;
    case kViewNotepad:
      return kMethodNotepad;
  }
  return kMethodNotepad;
}

}  // namespace

TViewMethodfrm::TViewMethodfrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, ViewMethodArgs()), main_(main) {
  SetName("ViewMethodfrm");
  using forms::Add;
  using forms::Label;
  Label1 = Add<Label>(this, this, "Label1",
                      {.caption = "How would you like to view this file?", .left = 12, .top = 10});
  Label1->GetFont().SetStyle(forms::fsBold);
  Label2 = Add<Label>(this, this, "Label2",
                      {.caption = WaitText(kCountdownSeconds), .left = 12, .top = 30});
  Label3 = Add<Label>(this, this, "Label3",
                      {.caption = "Please click the button corresponding to the method you wish "
                                  "to view the file with.",
                       .left = 12,
                       .top = 54,
                       .width = 396,
                       .height = 28,
                       .autoSize = false,
                       .wordWrap = true});
  const struct {
    TExplorerButton** field;
    const char* name;
    const char* caption;
    ViewMethod method;
  } buttons[] = {
      {&ExplorerButton1, "ExplorerButton1", "&Associated Program", kViewAssociated},
      {&ExplorerButton2, "ExplorerButton2", "&Internal Text/Image Viewer", kViewInternal},
      {&ExplorerButton3, "ExplorerButton3", "&Windows Notepad", kViewNotepad},
  };
  int left = 12;
  for (const auto& b : buttons) {
    TExplorerButtonCreateArgs args;
    args.left = left;
    args.top = 90;
    args.width = 126;
    args.height = 60;
    args.caption = b.caption;
    *b.field = new TExplorerButton(this, this, args);
    (*b.field)->SetName(b.name);
    (*b.field)->SetWordWrap(true);
    (*b.field)->OnClick = [this, method = b.method](forms::Component&) { ViewWith(method); };
    left += args.width + 9;
  }
  CheckBox1 = Add<forms::CheckBox>(
      this, this, "CheckBox1",
      {.caption = "Always use the &selected for files", .left = 12, .top = 166, .width = 396});
  Panel1 = Add<forms::Panel>(
      this, this, "Panel1",
      {.caption = "Decompressing...", .left = 110, .top = 200, .width = 200, .height = 30});
  Panel1->SetVisible(false);
  Bitbtn1 = Add<forms::Button>(
      this, this, "Bitbtn1",
      {.caption = "None / &Cancel", .left = 148, .top = 250, .width = 124, .cancel = true});
  Bitbtn1->OnClick = [this](forms::Component&) { Bitbtn1Click(); };
  Timer1 = new forms::Timer(this, 1000, false);
  Timer1->SetName("Timer1");
  Timer1->SetOnTimer([this](forms::Component&) { Timer1Timer(); });
  OnShow = [this](forms::Component&) { FormShow(); };
  // A click on the window's background stops the countdown.
  OnMouseDown = [this](forms::Component&, forms::MouseButton, forms::ShiftState, int, int) {
    Timer1->SetEnabled(false);
  };
}

void TViewMethodfrm::FormShow() {
  LockButtons(false);
  countdown_ = kCountdownSeconds;
  CheckBox1->SetCaption("Always use the selected for " + ExtractFileExt(EntryName) + " files");
  Timer1->SetEnabled(true);
}

void TViewMethodfrm::LockButtons(bool locked) {
  Panel1->SetVisible(locked);
  for (TExplorerButton* b : {ExplorerButton1, ExplorerButton2, ExplorerButton3}) {
    b->SetEnabled(!locked);
  }
  Bitbtn1->SetEnabled(!locked);
  CheckBox1->SetEnabled(!locked);
  Repaint();
}

void TViewMethodfrm::Timer1Timer() {
  --countdown_;
  if (countdown_ > 0) {
    Label2->SetCaption(WaitText(countdown_));
    return;
  }
  // Off before the extraction: its pumping would otherwise run this tick again.
  Timer1->SetEnabled(false);
  LockButtons(true);
  try {
    if (!WorkingFolderReady()) {
      SetModalResult(forms::mrCancel);
      return;
    }
    // Folders kept: the file lies below the working folder at its stored path.
    const std::string path = ExtractForViewing(main_, EntryName, true, true);
    if (path.empty()) {
      ReportNotExtracted(EntryName);
    } else {
      Label2->SetCaption("Running Associated program...");
      std::string folder = kTempFolder;
      folder.pop_back();
      forms::App().Shell(main_.Handle(), "open", path.c_str(), "", folder.c_str(), SW_SHOWNORMAL);
    }
    LockButtons(false);
    SetModalResult(path.empty() ? forms::mrCancel : forms::mrOk);
  } catch (...) {
    // A failed call ends the window too; the message is the standard one.
    SetModalResult(forms::mrCancel);
    throw;
  }
}

void TViewMethodfrm::ViewWith(ViewMethod method) {
  LockButtons(true);
  Timer1->SetEnabled(false);
  try {
    if (!WorkingFolderReady()) {
      SetModalResult(forms::mrCancel);
      return;
    }
    const std::string path = ExtractForViewing(main_, EntryName, false, false);
    if (path.empty()) {
      ReportNotExtracted(EntryName);
      SetModalResult(forms::mrCancel);
      return;
    }
    if (CheckBox1->Checked()) Remember(method);
    ShowExtracted(main_, method, path);
    SetModalResult(forms::mrOk);
  } catch (...) {
    SetModalResult(forms::mrCancel);
    throw;
  }
}

void TViewMethodfrm::Remember(ViewMethod method) {
  forms::RegIniFile settings(kSettingsKey);
  const int total = settings.ReadInteger(kAssociationsSection, "Total", 0);
  const std::string n = std::to_string(total);
  settings.WriteString(kAssociationsSection, n, ExtractFileExt(EntryName));
  settings.WriteString(kAssociationsSection, n + "Dat", MethodText(method));
  settings.WriteInteger(kAssociationsSection, "Total", total + 1);
}

void TViewMethodfrm::Bitbtn1Click() {
  Timer1->SetEnabled(false);
  SetModalResult(forms::mrCancel);
}

}  // namespace pelloro
