#include "splash_form.h"

#include "captions.h"
#include "main_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs SplashArgs() {
  forms::FormCreateArgs args;
  args.caption = "Spash";
  args.width = 238;
  args.height = 186;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsNone;
  args.position = forms::FormPosition::poScreenCenter;
  args.stayOnTop = true;
  return args;
}

forms::FormCreateArgs OrvalinArgs() {
  forms::FormCreateArgs args;
  args.caption = "Pelloro '95 Orvalin";
  args.width = 380;
  args.height = 220;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  args.stayOnTop = true;
  args.keyPreview = true;
  return args;
}

}  // namespace

bool SaveLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
      written == text.size();
  const bool closed = CloseHandle(file) != 0;
  if (!ok || !closed) {
    DeleteFileA(path.c_str());
    return false;
  }
  return true;
}

TSplash::TSplash(forms::Component* owner, const std::string& argument)
    : Form(owner, SplashArgs()), argument_(argument) {
  SetName("Splash");
  forms::PanelCreateArgs panel;
  panel.width = 238;
  panel.height = 186;
  panel.color = forms::clSilver;
  Panel1 = new forms::Panel(this, this, panel);
  Panel1->SetName("Panel1");
  Panel1->SetAlign(forms::Align::alClient);
  // The picture strip on the left.
  forms::PanelCreateArgs strip;
  strip.left = 6;
  strip.top = 6;
  strip.width = 40;
  strip.height = 174;
  strip.color = forms::clNavy;
  strip.bevelOuter = forms::Bevel::bvLowered;
  new forms::Panel(this, Panel1, strip);
  using forms::Add;
  using forms::Label;
  Label1 = Add<Label>(this, Panel1, "Label1", {.caption = kAppTitle, .left = 54, .top = 40});
  Label1->GetFont().SetName("Arial");
  Label1->GetFont().SetStyle(forms::fsBold);
  Label1->GetFont().SetColor(forms::clBlue);
  Label2 = Add<Label>(this, Panel1, "Label2", {.caption = "version 4.1", .left = 54, .top = 70});
  Label3 = Add<Label>(this, Panel1, "Label3",
                      {.caption = "Loading - Please wait...", .left = 54, .top = 150});
  OnShow = [this](forms::Component&) { SearchIdleInstance(); };
  Loaded();
}

void TSplash::SearchIdleInstance() {
  FoundWindow = FindWindowA(nullptr, kCaptionIdle);
  if (argument_.empty() || FoundWindow == nullptr) return;
  TOrvalinfrm advice(this);
  advice.ShowModal();
}

TOrvalinfrm::TOrvalinfrm(TSplash* splash) : Form(splash, OrvalinArgs()), splash_(splash) {
  SetName("Orvalinfrm");
  using forms::Add;
  using forms::Label;
  auto* heading =
      Add<Label>(this, this, "Label1", {.caption = "Pelloro Orvalin", .left = 12, .top = 8});
  heading->GetFont().SetStyle(forms::fsBold);
  heading->GetFont().SetSize(12);
  forms::PanelCreateArgs rule;
  rule.left = 12;
  rule.top = 32;
  rule.width = 340;
  rule.height = 3;
  rule.color = forms::clBlue;
  rule.bevelOuter = forms::Bevel::bvNone;
  new forms::Panel(this, this, rule);
  // The two lines of the question, wrapped in a fixed width.
  Add<Label>(this, this, "Label2",
             {.caption = "You already have a copy of Pelloro '95 loaded but it is not doing "
                         "anything.",
              .left = 12,
              .top = 44,
              .width = 340,
              .height = 30,
              .autoSize = false,
              .wordWrap = true});
  Add<Label>(this, this, "Label3",
             {.caption = "Would you like to open the zip file with the already loaded Pelloro? (No "
                         "means create a new instance)",
              .left = 12,
              .top = 84,
              .width = 340,
              .height = 30,
              .autoSize = false,
              .wordWrap = true});
  TExplorerButtonCreateArgs yes;
  yes.left = 100;
  yes.top = 130;
  yes.width = 75;
  yes.height = 30;
  yes.caption = "&Yes";
  YesButton = new TExplorerButton(this, this, yes);
  YesButton->SetName("YesButton");
  YesButton->GetFont().SetStyle(forms::fsBold);
  YesButton->OnClick = [this](forms::Component&) { YesClick(); };
  TExplorerButtonCreateArgs no = yes;
  no.left = 190;
  no.caption = "&No";
  NoButton = new TExplorerButton(this, this, no);
  NoButton->SetName("NoButton");
  NoButton->OnClick = [this](forms::Component&) { NoClick(); };
  forms::MemoCreateArgs memo;
  Memo1 = new forms::Memo(this, this, memo);
  Memo1->SetName("Memo1");
  Memo1->SetVisible(false);
  // Enter anywhere in the window answers "&Yes".
  OnKeyDown = [this](forms::Component&, WORD& key, forms::ShiftState) {
    if (key != VK_RETURN) return;
    key = 0;
    YesClick();
  };
  Loaded();
}

void TOrvalinfrm::YesClick() {
  Memo1->SetLines({});
  Memo1->SetLines({splash_->Argument()});
  // The running instance reads the file when it gets the message; without the file it would
  // ignore the message, so an unwritable file sends nothing and this instance lists the archive.
  if (SaveLines(splash_->HandoffFile, {splash_->Argument()})) {
    SendMessageA(splash_->FoundWindow, WM_HANDOFF, 0, 0);
    splash_->HandoffFlag = 1;
  } else {
    splash_->HandoffFlag = 0;
  }
  SetModalResult(forms::mrYes);
}

void TOrvalinfrm::NoClick() {
  if (GetFileAttributesA(splash_->NoFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
    DeleteFileA(splash_->NoFile.c_str());
  }
  splash_->HandoffFlag = 0;
  SetModalResult(forms::mrNo);
}

}  // namespace pelloro
