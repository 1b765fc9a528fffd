#include "sfx_wizard.h"

#include <windows.h>

#include <cstdio>

#include "archive_list_display.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "forms/label.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "op_form.h"

namespace pelloro {

namespace {

constexpr int kPageWidth = 460;
constexpr int kPageHeight = 300;
// The base name keeps at most this many characters.
constexpr size_t kMaxBase = 5001;

TExplorerButton* AddButton(forms::Component* owner, forms::WinControl* parent, const char* name,
                           const char* caption, int left, int top) {
  TExplorerButtonCreateArgs args;
  args.left = left;
  args.top = top;
  args.width = 80;
  args.height = 26;
  args.caption = caption;
  auto* button = new TExplorerButton(owner, parent, args);
  button->SetName(name);
  return button;
}

forms::Panel* AddPage(forms::Component* owner, forms::WinControl* parent, const char* name) {
  forms::PanelCreateArgs args;
  args.width = kPageWidth;
  args.height = kPageHeight;
  args.bevelOuter = forms::Bevel::bvNone;
  auto* panel = new forms::Panel(owner, parent, args);
  panel->SetName(name);
  return panel;
}

// A page's heading (bold) and its explanation below it.
void AddHeading(forms::Component* owner, forms::Panel* page, const std::string& heading,
                const std::string& explanation) {
  auto* title =
      forms::Add<forms::Label>(owner, page, nullptr, {.caption = heading, .left = 20, .top = 16});
  title->GetFont().SetStyle(forms::fsBold);
  forms::Add<forms::Label>(owner, page, nullptr,
                           {.caption = explanation,
                            .left = 20,
                            .top = 44,
                            .width = 420,
                            .height = 64,
                            .autoSize = false,
                            .wordWrap = true});
}

forms::FormCreateArgs WizardArgs() {
  forms::FormCreateArgs args;
  args.caption = "Pelloro Self-Extractor Creator";
  args.width = kPageWidth;
  args.height = kPageHeight + 40;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  args.keyPreview = true;
  return args;
}

// The wizard's list: the main list's name and folder columns, the size as "%10d".
void FillWizardDisplayInfo(NMLVDISPINFOA& info) {
  if (info.item.iSubItem != 1) {
    FillDisplayInfo(info);
    return;
  }
  if (!(info.item.mask & LVIF_TEXT) || info.item.pszText == nullptr || info.item.cchTextMax <= 0) {
    return;
  }
  info.item.pszText[0] = '\0';
  LVITEMA row = {};
  row.mask = LVIF_PARAM;
  row.iItem = info.item.iItem;
  const ZipItemRecord* item = reinterpret_cast<const ZipItemRecord*>(info.item.lParam);
  if (item == nullptr &&
      SendMessageA(info.hdr.hwndFrom, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row))) {
    item = reinterpret_cast<const ZipItemRecord*>(row.lParam);
  }
  if (item == nullptr || item->IsDir) return;
  char size[32];
  snprintf(size, sizeof size, "%10d", static_cast<int>(item->OriginalSize));
  lstrcpynA(info.item.pszText, size, info.item.cchTextMax);
}

}  // namespace

std::string SfxErrorText(short result) {
  return "Error occured - contact Brindle Corvex!. CDE-" + std::to_string(result);
}

TForm1form::TForm1form(forms::Component* owner, TMainfrm& main)
    : Form(owner, WizardArgs()), main_(main) {
  SetName("Form1form");
  using forms::Add;
  using forms::Label;

  Page1 = AddPage(this, this, "Page1");
  AddHeading(this, Page1, "Create Self-Extracting Zip file",
             "A self-extracting Zip file is a program that unpacks itself: whoever receives it "
             "needs no unzipping program of their own.");
  Add<Label>(this, Page1, "Label1",
             {.caption = "Making a Self-Extractor from", .left = 20, .top = 120});
  NameofFile = Add<forms::Edit>(this, Page1, "NameofFile", {.left = 20, .top = 138, .width = 420});
  NameofFile->SetEnabled(false);
  Add<Label>(this, Page1, "Label2",
             {.caption = "Click the Next button to begin.", .left = 20, .top = 180});

  Page2 = AddPage(this, this, "Page2");
  AddHeading(this, Page2, "Title of Self-Extractor",
             "The title is shown in the caption of the self-extractor's window.");
  Add<Label>(this, Page2, "Label3", {.caption = "Window title", .left = 20, .top = 120});
  Title = Add<forms::Edit>(
      this, Page2, "Title",
      {.text = "My Self-Extracting Zip file", .left = 20, .top = 138, .width = 420});

  Page3 = AddPage(this, this, "Page3");
  AddHeading(this, Page3, "16 or 32bit Self-Extractor?",
             "A 32bit self-extractor runs on Windows 95 and Windows NT. Choose 16bit only for "
             "Windows 3.1.");
  forms::RadioGroupCreateArgs group;
  group.caption = "Self-Extractor type";
  group.left = 20;
  group.top = 120;
  group.width = 300;
  group.height = 80;
  group.items = {"Create &16bit SFX", "Create &32bit SFX"};
  group.itemIndex = 1;
  RadioGroup1 = new forms::RadioGroup(this, Page3, group);
  RadioGroup1->SetName("RadioGroup1");

  Page4 = AddPage(this, this, "Page4");
  AddHeading(this, Page4, "Include a program to Auto-run",
             "The self-extractor can run one of the unzipped files when it has finished, for "
             "example a set-up program.");
  CheckBox1 = Add<forms::CheckBox>(this, Page4, "CheckBox1",
                                   {.caption = "&Yes, I want an Auto-Load file...",
                                    .left = 20,
                                    .top = 100,
                                    .width = 300,
                                    .checked = true});
  MSListView2 = new TMSListView(this, Page4,
                                {.left = 20,
                                 .top = 124,
                                 .width = 420,
                                 .height = 168,
                                 .viewStyle = forms::ViewStyle::vsReport});
  MSListView2->SetName("MSListView2");
  MSListView2->AddColumn("File name", 280);
  MSListView2->OnGetDispInfo = [](forms::Component&, NMHDR* header) {
    FillWizardDisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(header));
  };

  Page5 = AddPage(this, this, "Page5");
  AddHeading(this, Page5, "Should the user be allowed to choose the folder?",
             "The self-extractor can ask where to unzip the files, or unzip them into the "
             "folder it is run from.");
  CheckBox2 = Add<forms::CheckBox>(this, Page5, "CheckBox2",
                                   {.caption = "Yes, &Allow user to select directory to unzip to.",
                                    .left = 20,
                                    .top = 120,
                                    .width = 400,
                                    .checked = true});

  forms::PanelCreateArgs bar;
  bar.top = kPageHeight;
  bar.width = kPageWidth;
  bar.height = 40;
  auto* buttons = new forms::Panel(this, this, bar);
  buttons->SetName("Panel1");
  Backbtn = AddButton(this, buttons, "Backbtn", "< &Back", 196, 7);
  Nextbtn = AddButton(this, buttons, "Nextbtn", "&Next >", 280, 7);
  Exitbtn = AddButton(this, buttons, "Exitbtn", "&Cancel", 372, 7);

  OnShow = [this](forms::Component&) { FormShow(); };
  Nextbtn->OnClick = [this](forms::Component&) { NextbtnClick(); };
  Backbtn->OnClick = [this](forms::Component&) { BackbtnClick(); };
  Exitbtn->OnClick = [this](forms::Component&) { Close(); };
  NameofFile->OnChange = [this](forms::Component&) {
    Nextbtn->SetEnabled(!NameofFile->Text().empty());
  };
  CheckBox1->OnClick = [this](forms::Component&) { CheckBox1Click(); };
  MSListView2->OnClick = [this](forms::Component&) { MSListView2Click(); };
  OnKeyDown = [this](forms::Component&, WORD& key, forms::ShiftState) {
    if (key == VK_RETURN && Nextbtn->Enabled()) {
      key = 0;
      Nextbtn->Click();
    }
  };
}

void TForm1form::FormShow() {
  counter_ = 0;
  NextbtnClick();
}

void TForm1form::ShowOnly(forms::Panel* page) {
  for (forms::Panel* p : {Page1, Page2, Page3, Page4, Page5}) p->SetVisible(p == page);
}

void TForm1form::BackbtnClick() {
  counter_ -= 2;
  NextbtnClick();
}

void TForm1form::NextbtnClick() {
  const int step = counter_++;
  switch (step) {
    case 0:
      NameofFile->SetText(main_.CurrentArchive());
      Backbtn->SetEnabled(false);
      Nextbtn->SetEnabled(true);
      Exitbtn->SetEnabled(true);
      ShowOnly(Page1);
      break;
    case 1:
      Backbtn->SetEnabled(true);
      ShowOnly(Page2);
      break;
    case 2:
      ShowOnly(Page3);
      break;
    case 3: {
      TQXCtrl::CallScope call(*main_.QXCtrl1);
      main_.QXCtrl1->BuildZIPITEMList(NameofFile->Text(), MSListView2->Handle(), true, "", true, 0,
                                      false);
      ShowOnly(Page4);
      break;
    }
    case 4:
      ShowOnly(Page5);
      break;
    case 5:
      Build();
      break;
    default:
      break;
  }
}

void TForm1form::CheckBox1Click() {
  autoRun_.clear();
  if (!CheckBox1->Checked()) {
    Nextbtn->SetEnabled(true);
    MSListView2->SetVisible(false);
    return;
  }
  Nextbtn->SetEnabled(false);
  MSListView2->SetVisible(true);
  forms::MessageDlg("Please select a file to auto-run from the box below.",
                    forms::MsgDlgType::mtConfirmation, forms::mbOK, 0);
}

void TForm1form::MSListView2Click() {
  const int row = MSListView2->Selected();
  if (row < 0) return;
  TQXCtrl::CallScope call(*main_.QXCtrl1);
  // The stub runs the entry relative to the folder it unzips to: the full stored name.
  const HWND list = MSListView2->Handle();
  const short index = static_cast<short>(row);
  autoRun_ = main_.QXCtrl1->GetZIPITEMDir(list, index, true) +
             main_.QXCtrl1->GetZIPITEMName(list, index, true);
  Nextbtn->SetEnabled(true);
}

void TForm1form::Build() {
  const bool askFolder = CheckBox2->Checked();
  const std::string archive = NameofFile->Text();
  std::string base = archive.size() > 4 ? archive.substr(0, archive.size() - 4) : std::string();
  if (base.size() > kMaxBase) base.resize(kMaxBase);
  const std::string exe = base + ".exe";
  const bool win32 = RadioGroup1->ItemIndex() != 0;
  short result = 0;
  {
    // The buttons are off while the control works, and on again however the call ends.
    struct ButtonsOff {
      TForm1form& form;
      explicit ButtonsOff(TForm1form& f) : form(f) { Set(false); }
      ~ButtonsOff() {
        forms::Guard([this] { Set(true); });
      }
      void Set(bool enabled) {
        for (TExplorerButton* b : {form.Exitbtn, form.Nextbtn, form.Backbtn})
          b->SetEnabled(enabled);
      }
    } off(*this);
    TQXCtrl::CallScope call(*main_.QXCtrl1);
    result = main_.QXCtrl1->MakeEXEFile(archive, exe, CheckBox1->Checked() ? autoRun_ : "",
                                        Title->Text(), kLanguageFile, 1, askFolder, win32, true);
  }
  counter_ -= 1;
  if (result != 0) {
    forms::MessageDlg(SfxErrorText(result), forms::MsgDlgType::mtCustom, forms::mbOK, 0);
  } else if (forms::MessageDlg(kRunItNow, forms::MsgDlgType::mtConfirmation,
                               forms::mbYes | forms::mbNo, 0) == forms::mrYes) {
    forms::App().Shell(Handle(), "open", exe.c_str(), "", "", SW_SHOWNORMAL);
  }
  Close();
}

}  // namespace pelloro
