#include "batch_decompress.h"

#include <cmath>

#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "new_zip_form.h"

namespace pelloro {

namespace {

forms::FormCreateArgs BatchArgs() {
  forms::FormCreateArgs args;
  args.caption = "Batch Decompression";
  args.width = 520;
  args.height = 360;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

forms::Panel* AddPage(forms::Component* owner, forms::WinControl* parent, const char* name) {
  return forms::Add<forms::Panel>(
      owner, parent, name,
      {.left = 0, .top = 0, .width = 520, .height = 316, .bevelOuter = forms::Bevel::bvNone});
}

forms::Label* AddText(forms::Component* owner, forms::WinControl* parent, const char* name,
                      const std::string& caption, int left, int top, int width = 480,
                      int height = 13) {
  return forms::Add<forms::Label>(owner, parent, name,
                                  {.caption = caption,
                                   .left = left,
                                   .top = top,
                                   .width = width,
                                   .height = height,
                                   .autoSize = false,
                                   .wordWrap = true});
}

std::string WithBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int TBatchDecompressfrm::Step = 0;

std::string BatchStatus(short result) {
  if (result == 0 || result == 1) return "Unzipped";
  return "Failed (error " + std::to_string(result) + ")";
}

int BatchPercent(int row, int count) {
  if (count <= 1) return 100;
  return static_cast<int>(std::lround(static_cast<double>(row) / (count - 1) * 100.0));
}

TBatchDecompressfrm::TBatchDecompressfrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, BatchArgs()), main_(main) {
  SetName("BatchDecompressfrm");
  using forms::Add;

  Page1 = AddPage(this, this, "Page1");
  AddText(this, Page1, "Label1", "Please select the files that you wish to decompress.", 12, 8)
      ->GetFont()
      .SetStyle(forms::fsBold);
  AddText(this, Page1, "Label2",
          "Find the Zip files with the drive and folder lists, then double click a file (or "
          "select several and click the add button) to put it on the list at the right.",
          12, 28, 496, 28);
  AddText(this, Page1, "Label3",
          "Hint: If you added a file and then no longer want to decompress it, simply Un-Check "
          "it.",
          12, 290, 496, 13);
  DriveComboBox1 = Add<forms::DriveComboBox>(this, Page1, "DriveComboBox1",
                                             {.left = 12, .top = 62, .width = 150});
  DirectoryListBox1 = Add<forms::DirectoryListBox>(
      this, Page1, "DirectoryListBox1", {.left = 12, .top = 90, .width = 150, .height = 190});
  FileListBox1 = Add<forms::FileListBox>(
      this, Page1, "FileListBox1",
      {.left = 170, .top = 62, .width = 130, .height = 218, .multiSelect = true});
  FileListBox1->SetMask("*.zip");
  ExplorerButton1 =
      Add<TExplorerButton>(this, Page1, "ExplorerButton1",
                           {.left = 306, .top = 150, .width = 30, .height = 30, .caption = ">>"});
  CheckListBox1 = Add<TCheckListBox>(this, Page1, "CheckListBox1",
                                     {.left = 342, .top = 62, .width = 166, .height = 218});

  Page2 = AddPage(this, this, "Page2");
  AddText(this, Page2, "Label4", "Decompress to where?", 12, 8)->GetFont().SetStyle(forms::fsBold);
  AddText(this, Page2, "Label5",
          "Type the folder that the Zip files should be decompressed to, or click Browse to pick "
          "one.",
          12, 32, 496, 28);
  Decompressto = Add<forms::Edit>(
      this, Page2, "Decompressto",
      {.text = "C:\\Windows\\Desktop\\Batch_Unzips\\", .left = 12, .top = 66, .width = 400});
  Browsebtn = Add<forms::Button>(this, Page2, "Browsebtn",
                                 {.caption = "&Browse", .left = 420, .top = 64, .width = 88});
  AddText(this, Page2, "Label6",
          "With the Auto-Naming Scheme each Zip file goes into a folder of its own, named after "
          "the Zip file, below the folder above.",
          12, 106, 496, 28);
  AutoName = Add<forms::CheckBox>(
      this, Page2, "AutoName",
      {.caption = "&Auto-Naming Scheme", .left = 12, .top = 140, .width = 300});
  RestoreStructure =
      Add<forms::CheckBox>(this, Page2, "RestoreStructure",
                           {.caption = "Check me to restore folder structures inside zip files.",
                            .left = 12,
                            .top = 166,
                            .width = 400,
                            .checked = true});

  Page3 = AddPage(this, this, "Page3");
  AddText(this, Page3, "Label7", "Decompressing.  Please Wait.", 12, 8)
      ->GetFont()
      .SetStyle(forms::fsBold);
  AddText(this, Page3, "Label8", "Current File", 12, 32);
  Label13 = AddText(this, Page3, "Label13", "", 12, 48, 496);
  ListView1 = Add<forms::ListView>(this, Page3, "ListView1",
                                   {.left = 12,
                                    .top = 68,
                                    .width = 496,
                                    .height = 180,
                                    .viewStyle = forms::ViewStyle::vsReport});
  ListView1->AddColumn("File Name", 250);
  ListView1->AddColumn("Status", 150);
  AddText(this, Page3, "Label9", "Overall Completion", 12, 258);
  ProgressBar1 =
      Add<forms::ProgressBar>(this, Page3, "ProgressBar1", {.left = 12, .top = 276, .width = 496});

  auto* bar = Add<forms::Panel>(this, this, "Panel1", {.top = 316, .width = 520, .height = 44});
  Backbtn = Add<forms::Button>(this, bar, "Backbtn",
                               {.caption = "< &Back", .left = 244, .top = 9, .width = 84});
  Nextbtn = Add<forms::Button>(
      this, bar, "Nextbtn",
      {.caption = "&Next >", .left = 332, .top = 9, .width = 84, .isDefault = true});
  Closebtn =
      Add<forms::Button>(this, bar, "Closebtn",
                         {.caption = "&Close", .left = 424, .top = 9, .width = 84, .cancel = true});

  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Unzip to which folder?";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;

  DriveComboBox1->OnChange = [this](forms::Component&) {
    DirectoryListBox1->SetDirectory(std::string(1, DriveComboBox1->Drive()) + ":\\");
    FileListBox1->SetDirectory(DirectoryListBox1->Directory());
  };
  DirectoryListBox1->OnDblClick = [this](forms::Component&) {
    const int index = DirectoryListBox1->ItemIndex();
    if (index < 0) return;
    DirectoryListBox1->SetDirectory(DirectoryListBox1->ItemPath(index));
    FileListBox1->SetDirectory(DirectoryListBox1->Directory());
  };
  FileListBox1->SetDirectory(DirectoryListBox1->Directory());
  FileListBox1->OnDblClick = [this](forms::Component&) {
    const int index = FileListBox1->ItemIndex();
    if (index >= 0) AddFile(FileListBox1->Item(index));
  };
  ExplorerButton1->OnClick = [this](forms::Component&) {
    for (int i = 0; i < FileListBox1->Count(); ++i) {
      if (FileListBox1->Selected(i)) AddFile(FileListBox1->Item(i));
    }
  };
  Browsebtn->OnClick = [this](forms::Component&) {
    if (BrowseDirectoryDlg1->Execute()) Decompressto->SetText(BrowseDirectoryDlg1->Directory());
  };
  Nextbtn->OnClick = [this](forms::Component&) { NextbtnClick(); };
  Backbtn->OnClick = [this](forms::Component&) {
    Step -= 2;
    NextbtnClick();
  };
  Closebtn->OnClick = [this](forms::Component&) { Close(); };

  CheckListBox1->Items().Clear();
  Step = 0;
  NextbtnClick();
}

void TBatchDecompressfrm::AddFile(const std::string& name) {
  const int index =
      CheckListBox1->Items().Add(WithBackslash(DirectoryListBox1->Directory()) + name);
  CheckListBox1->SetState(index, TCheckState::csChecked);
}

void TBatchDecompressfrm::ShowOnly(forms::Panel* page) {
  for (forms::Panel* p : {Page1, Page2, Page3}) p->SetVisible(p == page);
}

void TBatchDecompressfrm::NextbtnClick() {
  const int step = Step++;
  switch (step) {
    case 0:
      ProgressBar1->SetPosition(0);
      ShowOnly(Page1);
      break;
    case 1:
      ShowOnly(Page2);
      break;
    case 2: {
      ShowOnly(Page3);
      try {
        RunBatch();
      } catch (...) {
        failure_ = std::current_exception();
        SetModalResult(forms::mrAbort);
      }
      break;
    }
    default:
      break;
  }
}

void TBatchDecompressfrm::RunBatch() {
  Decompressto->SetText(WithBackslash(Decompressto->Text()));
  const std::string folder = Decompressto->Text();
  ListView1->Clear();
  const bool rebuild = RestoreStructure->Checked();
  for (int i = 0; i < CheckListBox1->Items().Count(); ++i) {
    if (CheckListBox1->State(i) != TCheckState::csChecked) continue;
    const int row = ListView1->AddItem(CheckListBox1->Items()[i]);
    ListView1->SetItemText(row, 1, "Still Compressed");
  }
  const int count = ListView1->Count();
  bool failed = false;
  for (int i = 0; i < count; ++i) {
    const std::string archive = ListView1->ItemText(i);
    std::string target = folder;
    if (AutoName->Checked()) {
      Label13->SetCaption(archive);
      const std::string name = FileNamePart(archive);
      target = folder + (name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string());
      ForceFolder(target);
    }
    short result = 0;
    {
      TQXCtrl::CallScope call(*main_.QXCtrl1);
      result = main_.QXCtrl1->UnzipFiles(archive, "*.*", target, rebuild, true, 2, "", true, true);
    }
    if (result != 0 && result != 1) failed = true;
    ListView1->SetItemText(i, 1, BatchStatus(result));
    ListView1->Repaint();
    ProgressBar1->SetPosition(BatchPercent(i, count));
    ProgressBar1->Repaint();
  }
  if (failed) {
    forms::MessageDlg(
        "Decompression finished with errors.\r\n\r\nThe files marked Failed were not "
        "decompressed completely.",
        forms::MsgDlgType::mtError, forms::mbOK, 0);
  } else {
    forms::MessageDlg(
        "Decompression complete!\r\n\r\nThe files you selected have been decompressed now.",
        forms::MsgDlgType::mtConfirmation, forms::mbOK, 0);
  }
  Close();
}

}  // namespace pelloro
