#include "op_form.h"

#include <ctime>
#include <random>
#include <stdexcept>

#include "qxctrl.h"

namespace pelloro {

namespace {

forms::FormCreateArgs OpArgs() {
  forms::FormCreateArgs args;
  args.caption = "Please wait";
  args.width = TOp::kFoldedWidth;
  args.height = 250;
  args.borderStyle = forms::BorderStyle::bsToolWindow;
  args.position = forms::FormPosition::poScreenCenter;
  args.stayOnTop = true;
  return args;
}

// Reads a whole decimal integer as the game's edit holds it; throws the standard conversion text.
int ReadInteger(const std::string& text) {
  size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used, 10);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size()) {
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  }
  return value;
}

}  // namespace

TOp::TOp(forms::Component* owner, TQXCtrl* control) : Form(owner, OpArgs()), control_(control) {
  SetName("Op");
  auto engine = std::make_shared<std::mt19937>(static_cast<unsigned>(std::time(nullptr)));
  Random = [engine](int range) {
    return std::uniform_int_distribution<int>(0, range - 1)(*engine);
  };
  Randomize = [engine] {
    *engine = std::mt19937(static_cast<unsigned>(std::time(nullptr)) ^ GetTickCount());
  };

  using forms::Add;
  using forms::Label;
  Add<Label>(this, this, "Heading", {.caption = "What Pelloro is doing", .left = 8, .top = 6})
      ->GetFont()
      .SetStyle(forms::fsBold);
  const struct {
    forms::Label** field;
    const char* name;
    const char* caption;
  } activities[] = {{&A, "A", "Reading Zip"},        {&B, "B", "Adding Files"},
                    {&C, "C", "Removing Files"},     {&D, "D", "Changing Properties"},
                    {&E, "E", "Extracting File(s)"}, {&f, "f", "Viewing File"},
                    {&g, "g", "Repairing File"},     {&h, "h", "Plugin Active"}};
  for (int i = 0; i < 8; ++i) {
    *activities[i].field = Add<Label>(
        this, this, activities[i].name,
        {.caption = activities[i].caption, .left = 16 + (i % 2) * 112, .top = 24 + (i / 2) * 16});
  }
  Status = Add<Label>(this, this, "Status", {.caption = "Status - Wait", .left = 8, .top = 96});
  Prog_Status = Add<Label>(this, this, "Prog_Status", {.caption = "", .left = 8, .top = 114});
  forms::ProgressBarCreateArgs bar;
  bar.left = 8;
  bar.top = 134;
  bar.width = 232;
  bar.height = 16;
  Progress = new forms::ProgressBar(this, this, bar);
  Progress->SetName("Progress");

  TExplorerButtonCreateArgs cancel;
  cancel.left = 8;
  cancel.top = 160;
  cancel.width = 100;
  cancel.height = 30;
  cancel.caption = "Cance&l";
  ExplorerButton1 = new TExplorerButton(this, this, cancel);
  ExplorerButton1->SetName("ExplorerButton1");
  ExplorerButton1->OnClick = [this](forms::Component&) { CancelClick(); };
  Bitbtn4 = Add<forms::Button>(this, this, "Bitbtn4",
                               {.caption = "Play Game >>", .left = 130, .top = 163, .width = 110});
  Bitbtn4->SetCaption("&Play Game >>");
  Bitbtn4->OnClick = [this](forms::Component&) { GameClick(); };

  // The game, to the right of the folded width.
  forms::LabelCreateArgs rule;
  rule.caption = "The number is between 0 and 5000.  You have 15 tries to guess it.";
  rule.left = kFoldedWidth + 4;
  rule.top = 2;
  rule.width = 270;
  rule.height = 26;
  rule.autoSize = false;
  rule.wordWrap = true;
  (new forms::Label(this, this, rule))->SetName("Label5");
  forms::PanelCreateArgs guessPanel;
  guessPanel.left = kFoldedWidth + 4;
  guessPanel.top = 30;
  guessPanel.width = 270;
  guessPanel.height = 166;
  Panel2 = new forms::Panel(this, this, guessPanel);
  Panel2->SetName("Panel2");
  Add<Label>(this, Panel2, "Label1", {.caption = "Your Guess", .left = 8, .top = 10});
  forms::EditCreateArgs edit;
  edit.text = "0";
  edit.left = 8;
  edit.top = 28;
  edit.width = 80;
  Edit1 = new forms::Edit(this, Panel2, edit);
  Edit1->SetName("Edit1");
  Edit1->OnKeyPress = [this](forms::Component&, char& key) {
    if (key == '\r') {
      key = 0;
      TryClick();
    }
  };
  forms::UpDownCreateArgs upDown;
  upDown.left = 88;
  upDown.top = 28;
  upDown.min = 0;
  upDown.max = kSecretRange;
  upDown.associate = Edit1;
  UpDown1 = new forms::UpDown(this, Panel2, upDown);
  UpDown1->SetName("UpDown1");
  BitBtn1 = Add<forms::Button>(this, Panel2, "BitBtn1",
                               {.caption = "&Try..", .left = 120, .top = 26, .width = 75});
  BitBtn1->OnClick = [this](forms::Component&) { TryClick(); };
  Label6 =
      Add<Label>(this, Panel2, "Label6",
                 {.caption = "The number is higher than your last guess", .left = 8, .top = 62});
  Add<Label>(this, Panel2, "Label8", {.caption = "Tries Left", .left = 8, .top = 90});
  forms::ProgressBarCreateArgs tries;
  tries.left = 8;
  tries.top = 108;
  tries.width = 250;
  tries.height = 16;
  tries.min = 0;
  tries.max = kTries;
  tries.position = kTries;
  m1 = new forms::ProgressBar(this, Panel2, tries);
  m1->SetName("m1");

  forms::PanelCreateArgs resultPanel = guessPanel;
  Panel1 = new forms::Panel(this, this, resultPanel);
  Panel1->SetName("Panel1");
  Add<Label>(this, Panel1, "Label9", {.caption = "Play again?", .left = 8, .top = 10});
  Label7 = Add<Label>(this, Panel1, "Label7",
                      {.caption = "You lose. The number was 15", .left = 8, .top = 34});
  BitBtn2 = Add<forms::Button>(this, Panel1, "BitBtn2",
                               {.caption = "&Yes", .left = 8, .top = 70, .width = 75});
  BitBtn2->OnClick = [this](forms::Component&) { PlayAgainClick(); };
  BitBtn3 = Add<forms::Button>(this, Panel1, "BitBtn3",
                               {.caption = "&No", .left = 96, .top = 70, .width = 75});
  BitBtn3->OnClick = [this](forms::Component&) { GameClick(); };
  Panel1->SetVisible(false);
  SetClientSize(kFoldedWidth - (Width() - ClientRect().right), 200);
  SetWidth(kFoldedWidth);
  Loaded();
}

void TOp::Show() {
  cancelFlag_ = false;
  SetWidth(kFoldedWidth);
  Randomize();
  NewSecret();
  m1->SetPosition(kTries);
  Edit1->SetText("1");
  Panel1->SetVisible(false);
  Panel2->SetVisible(true);
  Bitbtn4->SetCaption("&Play Game >>");
  Form::Show();
}

forms::Label* TOp::ActivityLabel(char letter) const {
  const char upper =
      (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
  switch (upper) {
    case 'A':
      return A;
    case 'B':
      return B;
    case 'C':
      return C;
    case 'D':
      return D;
    case 'E':
      return E;
    case 'F':
      return f;
    case 'G':
      return g;
    case 'H':
      return h;
    default:
      return nullptr;
  }
}

void TOp::ShowActivity(char letter) {
  for (forms::Label* label : {A, B, C, D, E, f, g, h}) label->GetFont().SetStyle(0);
  Progress->SetPosition(0);
  if (forms::Label* chosen = ActivityLabel(letter)) chosen->GetFont().SetStyle(forms::fsBold);
  Repaint();
}

void TOp::CancelClick() {
  if (control_ != nullptr) {
    control_->UnzipCancel(true);
    control_->ZipCancel(true);
  }
  cancelFlag_ = true;
}

void TOp::GameClick() {
  if (Width() == kUnfoldedWidth) {
    Bitbtn4->SetCaption("&Play Game >>");
    SetWidth(kFoldedWidth);
  } else {
    Bitbtn4->SetCaption("<< Hide Game");
    SetWidth(kUnfoldedWidth);
  }
}

void TOp::NewSecret() { secret_ = Random(kSecretRange); }

void TOp::TryClick() {
  // The try is spent before the guess is read: an unreadable guess costs one too.
  const int left = m1->Position() - 1;
  m1->SetPosition(left);
  const int guess = ReadInteger(Edit1->Text());
  if (guess == secret_) {
    Label7->SetCaption("You win!!! Congratulations!!!");
    Panel1->SetVisible(true);
    Panel2->SetVisible(false);
    return;
  }
  Label6->SetCaption(guess < secret_ ? "The number is HIGHER than your last guess"
                                     : "The number is LOWER than your last guess");
  if (left <= 0) {
    Label7->SetCaption("You lose. The number was " + std::to_string(secret_));
    Panel1->SetVisible(true);
    Panel2->SetVisible(false);
  }
}

void TOp::PlayAgainClick() {
  Panel1->SetVisible(false);
  Panel2->SetVisible(true);
  m1->SetPosition(kTries);
  Edit1->SetText("1");
  Randomize();
  NewSecret();
}

void TOp::ZNZipping2(const std::string& file, short rate) {
  Status->SetCaption(file);
  Progress->SetPosition(rate);
  Repaint();
}

void TOp::ZNFileZipped(const std::string& file, short rate) {
  Status->SetCaption(file);
  Prog_Status->SetCaption("Compression Rate %");
  Progress->SetPosition(rate);
  Repaint();
}

void TOp::ZNExpanding(const std::string& name, short rate) {
  Prog_Status->SetCaption(name);
  Progress->SetPosition(rate);
  Repaint();
}

void TOp::ZNEncrypt(const std::string& file, short rate) {
  Status->SetCaption("Encrypting " + file);
  Prog_Status->SetCaption("Rate Done (%)");
  Progress->SetPosition(rate);
}

void TOp::ZNDeleting(const std::string& file) { Status->SetCaption("Deleting " + file); }

void TOp::ZNTest(const std::string& name, bool noError) {
  Status->SetCaption("Testing " + name);
  Prog_Status->SetCaption(noError ? "Previous file error free" : "Previous file corrupt");
  Repaint();
}

void TOp::ZNMakeEXEStep1() { Prog_Status->SetCaption("Creating Brindle-SFX (part 1)"); }

void TOp::ZNMakeEXEStep2(short rate) {
  Prog_Status->SetCaption("Creating Brindle-SFX (part 2)");
  Progress->SetPosition(rate);
}

void TOp::ZNBackupBuildZip(const std::string& archive) {
  Status->SetCaption("Building Disk image");
  Prog_Status->SetCaption(archive);
}

void TOp::ZNBackupZipDone(int32_t size) {
  Status->SetCaption("Entering Image Copy");
  Prog_Status->SetCaption("Image size " + std::to_string(size));
}

void TOp::ZNRestoreBuildZip(const std::string& archive) { Status->SetCaption(archive); }

void TOp::ZNRestoreZipDone(int32_t size) {
  Prog_Status->SetCaption(std::to_string(size) + "bts buffer allocated");
}

void TOp::ZNSplitting(short sizeInKBytes, const std::string& partFile) {
  Status->SetCaption(partFile);
  Prog_Status->SetCaption("Size = " + std::to_string(sizeInKBytes));
}

void TOp::ZNSplitted(short partNumber, int32_t sizeInBytes) {
  Status->SetCaption("Part " + std::to_string(partNumber));
  Prog_Status->SetCaption("Size " + std::to_string(sizeInBytes));
}

}  // namespace pelloro
