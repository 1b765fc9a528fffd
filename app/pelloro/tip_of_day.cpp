#include "tip_of_day.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "captions.h"
#include "forms/reg_ini_file.h"

namespace pelloro {

namespace {

const std::vector<std::string>& Tips() {
  static const std::vector<std::string> tips = {
      "Pelloro for Windows '95 can create Self-Extractors (EXE's)? - This means that you can give "
      "your SFX's to your friends. They don't even need to have a copy of Pelloro to run them!",
      "If you are looking for a Zip file but don't know where it is, you can use Find to locate it "
      "(located on the Main toolbar)",
      "You can drag files from Explorer or the Desktop to your Zip file and they will added!",
      "Once you open a zip file, you can right-click it's contents and a context menu will appear "
      "- try it!",
      "You can automaticly install programs from Zip files if they contain a Install.EXE or "
      "Setup.EXE program!",
      "Many options are configurable through File -> Options.",
      "The favourites folder makes finding zip files fast and easy.  Try it today!",
      "Pelloro for Windows '95 can backup your entire hard-drive or just folders to multiple "
      "floppy disks - it's really fast too!",
      "You can look at a file inside a Zip file by double clicking it in the list, or by "
      "selecting it and clicking the View button.",
      "The Unzip Wizard walks you through unzipping the open Zip file one step at a time.",
      "Batch Decompress unzips many Zip files in one go - into one folder, or into a folder of "
      "their own each.",
      "You can rename a file inside a Zip file: click its name in the list, type the new name "
      "and press Enter.",
      "Remove with wildcard deletes every file in the Zip file that matches a mask such as *.bak.",
      "Press F5 to re-read the open Zip file after another program has changed it.",
      "The Reopen list in the File menu brings back the Zip files you used recently.",
      "Repair Corrupt Zip file in the File menu can rescue a damaged Zip file.",
      "The Viewing Associations in File -> Options decide how each type of file is viewed.",
      "The Properties of a Zip file show its comment, its version and the system it was made on.",
      "A Zip file too big for one floppy disk can be split over several disks and joined again "
      "later.",
      "Fennoway finds the temporary and left-over files that waste space on your drives.",
      "Move/Copy Zip in the Send to menu puts the open Zip file into another folder for you.",
  };
  return tips;
}

forms::FormCreateArgs TipArgs() {
  forms::FormCreateArgs args;
  args.caption = "Tip of the Day";
  args.width = 400;
  args.height = 200;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

TTipofDayfrm::TTipofDayfrm(forms::Component* owner, TipRandom random)
    : Form(owner, TipArgs()), random_(std::move(random)) {
  SetName("TipofDayfrm");
  if (!random_) {
    srand(static_cast<unsigned>(time(nullptr)));
    random_ = [](int range) { return range > 0 ? rand() % range : 0; };
  }
  using forms::Add;
  Add<forms::Label>(this, this, "Label2", {.caption = "Did you know...", .left = 16, .top = 12})
      ->GetFont()
      .SetStyle(forms::fsBold);
  Label1 = Add<forms::Label>(
      this, this, "Label1",
      {.caption = "Pelloro for Windows '95 can create Self-Extractors (EXE's)? - This means that "
                  "you can give your SFX's to your friends and they don't even need to have a "
                  "copy of Pelloro to run them!",
       .left = 16,
       .top = 36,
       .width = 368,
       .height = 96,
       .autoSize = false,
       .wordWrap = true});
  ExplorerButton1 = Add<TExplorerButton>(
      this, this, "ExplorerButton1",
      {.left = 200, .top = 160, .width = 88, .height = 28, .caption = "&Next Tip"});
  Bitbtn1 = Add<forms::Button>(this, this, "Bitbtn1",
                               {.caption = "&Ok",
                                .left = 296,
                                .top = 162,
                                .width = 88,
                                .isDefault = true,
                                .modalResult = forms::mrOk});
  CheckBox1 = Add<forms::CheckBox>(
      this, this, "CheckBox1",
      {.caption = "&Show tips on Startup", .left = 16, .top = 166, .width = 170, .checked = true});
  Memo1 = Add<forms::Memo>(this, this, "Memo1", {.readOnly = true, .wordWrap = false});
  Memo1->SetLines(Tips());
  Memo1->SetVisible(false);

  OnShow = [this](forms::Component&) { NextTip(); };
  ExplorerButton1->OnClick = [this](forms::Component&) { NextTip(); };
  CheckBox1->OnClick = [this](forms::Component&) { WriteShowTips(); };
  CheckBox1->OnKeyUp = [this](forms::Component&, WORD&, forms::ShiftState) { WriteShowTips(); };
}

void TTipofDayfrm::NextTip() {
  const std::vector<std::string> lines = Memo1->Lines();
  if (lines.empty()) return;
  const int index = random_(static_cast<int>(lines.size()) - 1);
  if (index >= 0 && index < static_cast<int>(lines.size())) Label1->SetCaption(lines[index]);
}

void TTipofDayfrm::WriteShowTips() {
  forms::RegIniFile settings(kSettingsKey);
  settings.WriteInteger("", "ShowTips", CheckBox1->Checked() ? 1 : 0);
}

void ShowTipOfDay(forms::Form& owner) {
  TTipofDayfrm tips(&owner);
  tips.ShowModal();
}

}  // namespace pelloro
