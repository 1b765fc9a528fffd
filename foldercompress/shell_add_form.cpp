#include "shell_add_form.h"

#include <windows.h>

#include <exception>
#include <memory>

#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "shell_add_layout.h"
#include "shell_add_rules.h"
#include "shell_add_texts.h"

namespace vantrel {

namespace {

forms::FormCreateArgs ShellAddArgs() {
  forms::FormCreateArgs args;
  args.caption = kFormCaption;
  args.width = layout::kClientWidth;
  args.height = layout::kClientHeight;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

// The binding as the form holds it: an exception that leaves an event handler gets the standard
// exception message (it never reaches the control).
class TShellAddQXCtrl : public TQXCtrl {
 protected:
  void HandleEventException(std::exception_ptr error) noexcept override {
    try {
      forms::App().HandleException(forms::ExceptionText(error));
    } catch (...) {
    }
  }
};

TExplorerButton* AddButton(forms::Component* owner, forms::WinControl* parent, const char* name,
                           const char* caption, const RECT& bounds) {
  TExplorerButtonCreateArgs args;
  args.left = bounds.left;
  args.top = bounds.top;
  args.width = bounds.right - bounds.left;
  args.height = bounds.bottom - bounds.top;
  args.caption = caption;
  args.olderBuild = true;
  auto* button = new TExplorerButton(owner, parent, args);
  button->SetName(name);
  return button;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

TShellAddfrm::TShellAddfrm(forms::Component* owner, TShellAddfrmOptions options)
    : Form(owner, ShellAddArgs()), options_(std::move(options)) {
  SetName("ShellAddfrm");
  if (!options_.Terminate) options_.Terminate = [] { forms::App().Terminate(); };
  BuildControls();

  // The control, active in place in this window before anything can fire its events (at run
  // time it takes no room on the form).
  auto control = std::make_unique<TShellAddQXCtrl>();
  olehost::TControlDataStream data;
  data.ExtentX = 1323;  // 50 x 20 pixels
  data.ExtentY = 529;
  control->CreateControl(Handle(), RECT{0, 0, 50, 20}, &data);
  QXCtrl1 = control.release();
  BindControlEvents();

  SetInputsEnabled(false);
  OnShow = [this](forms::Component&) { FormShow(); };
}

TShellAddfrm::~TShellAddfrm() {
  delete QXCtrl1;
  QXCtrl1 = nullptr;
}

void TShellAddfrm::BuildControls() {
  using forms::Add;
  using forms::Label;
  Add<Label>(this, this, "Label1",
             {.caption = "Name/Path of Zip file to Add to..", .left = 8, .top = 8});
  Edit1 = Add<forms::Edit>(this, this, "Edit1",
                           {.text = kDefaultArchive, .left = 8, .top = 24, .width = 336});
  Add<Label>(
      this, this, "Label2",
      {.caption = "To create a New zip file, click \"Create New...\"", .left = 8, .top = 56});
  Bitbtn1 = AddButton(this, this, "Bitbtn1", "Browse", layout::kBrowse);
  Bitbtn4 = AddButton(this, this, "Bitbtn4", "Create New", layout::kCreateNew);
  Add<Label>(this, this, "Label3",
             {.caption = "Files or Folders to add to Zip file... (drag and drop to add items)",
              .left = 8,
              .top = 84});
  ListBox1 = Add<forms::ListBox>(this, this, "ListBox1",
                                 {.left = 8, .top = 100, .width = 336, .height = 120, .items = {}});
  Bitbtn5 = AddButton(this, this, "Bitbtn5", "Remove", layout::kRemove);
  Bitbtn6 = AddButton(this, this, "Bitbtn6", "Remove All", layout::kRemoveAll);
  Add<Label>(this, this, "Label4", {.caption = "Compression Mode", .left = 8, .top = 230});
  std::vector<std::string> modes;
  for (const CompressionChoice& choice : kCompressionChoices) modes.push_back(choice.caption);
  ComboBox1 = Add<forms::ComboBox>(this, this, "ComboBox1",
                                   {.left = 8,
                                    .top = 246,
                                    .width = 170,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = modes});
  Add<Label>(this, this, "Label5", {.caption = "Recurse Folders?", .left = 192, .top = 230});
  ComboBox2 = Add<forms::ComboBox>(this, this, "ComboBox2",
                                   {.left = 192,
                                    .top = 246,
                                    .width = 90,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {"No", "Yes"}});
  const RECT& panel = layout::kBottomPanel;
  Panel1 = Add<forms::Panel>(this, this, "Panel1",
                             {.caption = "",
                              .left = panel.left,
                              .top = panel.top,
                              .width = panel.right - panel.left,
                              .height = panel.bottom - panel.top});
  Bitbtn3 = AddButton(this, Panel1, "Bitbtn3", "Go!", layout::kGo);
  Bitbtn2 = AddButton(this, Panel1, "Bitbtn2", "Exit", layout::kExit);
  forms::StatusBarCreateArgs status;
  status.panelWidths = {250, 160};
  StatusBar1 = new forms::StatusBar(this, this, status);
  StatusBar1->SetName("StatusBar1");
  StatusBar1->SetAlign(forms::Align::alBottom);
  StatusBar1->SetPanelText(0, kIdlePanel);
  StatusBar1->SetPanelText(1, kCompletePanel);

  OpenDialog1 = new forms::OpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->Filter = "Pelloro '95 Compressed files (*.ZIP)|*.zip";
  // The system's dialog takes the extension without its dot.
  OpenDialog1->DefaultExt = "zip";
  FileDrag1 = new TFileDrag(this);
  FileDrag1->SetName("FileDrag1");

  Bitbtn1->OnClick = [this](forms::Component&) { Bitbtn1Click(); };
  Bitbtn4->OnClick = [this](forms::Component&) { Bitbtn4Click(); };
  Bitbtn5->OnClick = [this](forms::Component&) { Bitbtn5Click(); };
  Bitbtn6->OnClick = [this](forms::Component&) { Bitbtn6Click(); };
  Bitbtn3->OnClick = [this](forms::Component&) { Bitbtn3Click(); };
  Bitbtn2->OnClick = [this](forms::Component&) { Bitbtn2Click(); };
  FileDrag1->OnDrop = [this](forms::Component&) { FileDrag1Drop(); };
}

void TShellAddfrm::BindControlEvents() {
  QXCtrl1->OnZNZipping = [this](TQXCtrl&, const std::string& file, short kilobytes) {
    StatusBar1->SetPanelText(0, "Adding " + file);
    StatusBar1->SetPanelText(1, std::to_string(kilobytes) + "kb done");
  };
  QXCtrl1->OnZNFileZipped = [this](TQXCtrl&, const std::string& file, short rate) {
    StatusBar1->SetPanelText(0, "Adding " + file);
    StatusBar1->SetPanelText(1, std::to_string(rate) + "% done");
  };
}

void TShellAddfrm::SetInputsEnabled(bool enabled) {
  for (forms::Control* input : std::initializer_list<forms::Control*>{
           Bitbtn1, Bitbtn2, Bitbtn3, Bitbtn4, Edit1, ComboBox1, ComboBox2, ListBox1}) {
    input->SetEnabled(enabled);
  }
}

void TShellAddfrm::FormShow() {
  ListBox1->Clear();
  for (const std::string& folder : options_.Folders) ListBox1->AddItem(ListItemOf(folder));
  ComboBox1->SetItemIndex(0);
  ComboBox2->SetItemIndex(0);
  FileDrag1->SetEnableDrop(true);
  SetInputsEnabled(true);
}

void TShellAddfrm::FileDrag1Drop() {
  const forms::StringList& names = FileDrag1->NameWithPath();
  for (int i = 0; i < names.Count(); ++i) {
    const std::string name = names.Get(i);
    const bool folder = forms::MessageDlg(kDropQuestion, forms::MsgDlgType::mtConfirmation,
                                          forms::mbYes | forms::mbNo, 0) == forms::mrYes;
    ListBox1->AddItem(folder ? name + "\\*.*" : name);
  }
}

void TShellAddfrm::Bitbtn1Click() {
  if (OpenDialog1->Execute()) Edit1->SetText(OpenDialog1->FileName);
}

void TShellAddfrm::Bitbtn4Click() {
  TQXCtrl::CallScope call(*QXCtrl1);
  QXCtrl1->CreateBlankZIPFile(Edit1->Text(), true);
  Edit1->SetText(QXCtrl1->GetNewZIPName());
}

void TShellAddfrm::Bitbtn5Click() {
  const int selected = ListBox1->ItemIndex();
  if (selected >= 0) ListBox1->DeleteItem(selected);
}

void TShellAddfrm::Bitbtn6Click() { ListBox1->Clear(); }

void TShellAddfrm::Bitbtn3Click() {
  SetInputsEnabled(false);
  // A call that fails (an exception of the OLE layer) gives the inputs back before the standard
  // exception message; a failed item keeps them off (the program ends).
  struct InputsBack {
    TShellAddfrm& form;
    bool keepOff = false;
    ~InputsBack() {
      if (!keepOff) forms::Guard([this] { form.SetInputsEnabled(true); });
    }
  } inputsBack{*this};

  const std::string archive = Edit1->Text();
  CreateFolderLevels(ArchiveFolderOf(archive));
  TQXCtrl::CallScope call(*QXCtrl1);
  // A failed creation is not examined: the first ZipFiles reports the problem.
  if (!IsFile(archive)) QXCtrl1->CreateBlankZIPFile(archive, false);
  const bool recurse = ComboBox2->ItemIndex() == 1;
  const short mode = CompressionModeOf(ComboBox1->ItemIndex());
  for (int i = 0; i < ListBox1->Count(); ++i) {
    const short result =
        QXCtrl1->ZipFiles(archive, ListBox1->Item(i), recurse, 1, 0, mode, false, false, "", true);
    if (result > 0) {
      // The program ends here: no further item, no completion question.
      inputsBack.keepOff = true;
      forms::MessageDlg(kErrorMessage, forms::MsgDlgType::mtCustom, forms::mbOK, 0);
      options_.Terminate();
      return;
    }
  }
  inputsBack.keepOff = true;
  SetInputsEnabled(true);
  StatusBar1->SetPanelText(0, kIdlePanel);
  StatusBar1->SetPanelText(1, kCompletePanel);
  if (forms::MessageDlg(CompletionQuestion(archive), forms::MsgDlgType::mtConfirmation,
                        forms::mbYes | forms::mbNo, 0) == forms::mrYes) {
    options_.Terminate();
  }
}

void TShellAddfrm::Bitbtn2Click() { options_.Terminate(); }

}  // namespace vantrel
