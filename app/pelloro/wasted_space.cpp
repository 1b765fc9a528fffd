#include "wasted_space.h"

#include <windows.h>

#include <cstdio>

#include "archive_search.h"
#include "forms/application.h"
#include "forms/message_dialogs.h"

namespace pelloro {

namespace {

std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string WithBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

TExplorerButton* AddButton(forms::Component* owner, forms::WinControl* parent, const char* name,
                           const char* caption, int left, int top, int width = 80) {
  TExplorerButtonCreateArgs args;
  args.left = left;
  args.top = top;
  args.width = width;
  args.height = 26;
  args.caption = caption;
  auto* button = new TExplorerButton(owner, parent, args);
  button->SetName(name);
  return button;
}

forms::Panel* AddPage(forms::Component* owner, forms::WinControl* parent, const char* name) {
  forms::PanelCreateArgs args;
  args.width = 460;
  args.height = 300;
  args.bevelOuter = forms::Bevel::bvNone;
  auto* panel = new forms::Panel(owner, parent, args);
  panel->SetName(name);
  return panel;
}

forms::Label* AddLabel(forms::Component* owner, forms::WinControl* parent,
                       const std::string& caption, int left, int top, int width = 0,
                       int height = 13) {
  forms::LabelCreateArgs args;
  args.caption = caption;
  args.left = left;
  args.top = top;
  if (width > 0) {
    args.autoSize = false;
    args.wordWrap = true;
    args.width = width;
    args.height = height;
  }
  return new forms::Label(owner, parent, args);
}

forms::FormCreateArgs SnifferArgs() {
  forms::FormCreateArgs args;
  args.caption = "Fennoway";
  args.width = 460;
  args.height = 340;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  args.keyPreview = true;
  return args;
}

}  // namespace

const std::vector<std::string>& StandardMasks() {
  static const std::vector<std::string> masks = {
      "*.tmp", "~*.*",  "*.~*",  "*.?~?", "*.aps", "*.bak", "*.bk?",       "*.bsc",
      "*.dmp", "*.dsm", "*.ilk", "*.pch", "*.rws", "*.sbr", "backup*.wbk", "*.$$$"};
  return masks;
}

const std::vector<std::string>& ExtraMasks() {
  static const std::vector<std::string> masks = {"*.fts", "*.gid"};
  return masks;
}

bool IsTemporaryFolder(const std::string& pathIn) {
  const std::string path = Lower(pathIn);
  // "temp\" only as a folder named temp: as a bare substring it would take "\attempt\".
  for (const char* marker : {"\\temp\\", "\\windows\\temp", "\\tmp", "\\~tmp"}) {
    if (path.find(marker) != std::string::npos) return true;
  }
  return false;
}

std::string WasteLine(uint64_t size, const std::string& path) {
  char number[32];
  snprintf(number, sizeof number, "%5llu  ", static_cast<unsigned long long>((size + 1023) / 1024));
  return number + Lower(path);
}

std::string WastePath(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  while (i < line.size() && line[i] == ' ') ++i;
  return line.substr(i);
}

TSnifferfrm::TSnifferfrm(forms::Component* owner) : Form(owner, SnifferArgs()) {
  SetName("Snifferfrm");
  Page1 = AddPage(this, this, "Page1");
  AddLabel(this, Page1, "Welcome to Fennoway", 20, 20);
  AddLabel(
      this, Page1,
      "Fennoway finds the temporary and left-over files on one of your drives and lists them with "
      "the space they take.\r\n\r\nNothing is deleted unless you select it.\r\n\r\nClick Next to "
      "begin.",
      20, 50, 420, 120);

  page2 = AddPage(this, this, "page2");
  AddLabel(this, page2, "Which drive would you like to search for wasted space?", 20, 20);
  forms::ComboBoxCreateArgs drives;
  drives.left = 20;
  drives.top = 44;
  drives.width = 200;
  DriveComboBox2 = new forms::DriveComboBox(this, page2, drives);
  DriveComboBox2->SetName("DriveComboBox2");
  forms::RadioGroupCreateArgs group;
  group.caption = "Types of files to find ";
  group.left = 20;
  group.top = 90;
  group.width = 300;
  group.height = 80;
  group.items = {"&Standard files", "Standard + &Extra (slower)"};
  group.itemIndex = 0;
  RadioGroup1 = new forms::RadioGroup(this, page2, group);
  RadioGroup1->SetName("RadioGroup1");
  btnNormal = RadioGroup1->Buttons(0);
  btnNormal->SetName("btnNormal");
  btnExtra = RadioGroup1->Buttons(1);
  btnExtra->SetName("btnExtra");

  Page3 = AddPage(this, this, "Page3");
  AddLabel(this, Page3, "File Name", 64, 8);
  lblSize = AddLabel(this, Page3, "Wasted Space (K)", 300, 8, 150, 13);
  lblSize->SetName("lblSize");
  forms::ListBoxCreateArgs list;
  list.left = 8;
  list.top = 26;
  list.width = 444;
  list.height = 222;
  list.multiSelect = true;
  ListBox1 = new forms::ListBox(this, Page3, list);
  ListBox1->SetName("ListBox1");
  btnSelectAll = AddButton(this, Page3, "btnSelectAll", "Select &All", 8, 258, 100);
  btnDelete = AddButton(this, Page3, "btnDelete", "&Delete Selected", 116, 258, 120);
  forms::PanelCreateArgs search;
  search.left = 60;
  search.top = 80;
  search.width = 340;
  search.height = 110;
  Search = new forms::Panel(this, Page3, search);
  Search->SetName("Search");
  AddLabel(this, Search, "Searching.  Please Wait..", 16, 12);
  Curdir = AddLabel(this, Search, "(wait)", 16, 36, 308, 30);
  Curdir->SetName("Curdir");
  forms::ButtonCreateArgs stop;
  stop.caption = "&Stop Now";
  stop.left = 130;
  stop.top = 74;
  stop.width = 80;
  Stop = new forms::Button(this, Search, stop);
  Stop->SetName("Stop");
  Search->SetVisible(false);

  forms::PanelCreateArgs bar;
  bar.top = 300;
  bar.width = 460;
  bar.height = 40;
  auto* buttons = new forms::Panel(this, this, bar);
  buttons->SetName("Panel1");
  Backbtn = AddButton(this, buttons, "Backbtn", "&< Back", 196, 7);
  Nextbtn = AddButton(this, buttons, "Nextbtn", "Next &>", 280, 7);
  Cancelbtn = AddButton(this, buttons, "Cancelbtn", "&Close", 372, 7);

  OnShow = [this](forms::Component&) { FormShow(); };
  Nextbtn->OnClick = [this](forms::Component&) { NextbtnClick(); };
  Backbtn->OnClick = [this](forms::Component&) { BackbtnClick(); };
  btnNormal->OnClick = [this](forms::Component&) { mode_ = 0; };
  btnExtra->OnClick = [this](forms::Component&) { mode_ = 1; };
  Stop->OnClick = [this](forms::Component&) {
    if (running_) stop_ = true;
  };
  Cancelbtn->OnClick = [this](forms::Component&) {
    stop_ = true;
    Close();
  };
  ListBox1->OnClick = [this](forms::Component&) { UpdateDelete(); };
  btnSelectAll->OnClick = [this](forms::Component&) { btnSelectAllClick(); };
  btnDelete->OnClick = [this](forms::Component&) { btnDeleteClick(); };
  OnKeyDown = [this](forms::Component&, WORD& key, forms::ShiftState) {
    if (key == VK_RETURN && Nextbtn->Enabled()) Nextbtn->Click();
  };
  // Closing the window (the close box too) stops a running scan at its next check.
  AddMessageHook([this](forms::Message& message) {
    if (message.msg == WM_CLOSE) stop_ = true;
    return false;
  });
}

TSnifferfrm::~TSnifferfrm() { stop_ = true; }

void TSnifferfrm::FormShow() {
  Backbtn->SetEnabled(false);
  btnDelete->SetEnabled(false);
  btnSelectAll->SetEnabled(false);
  running_ = false;
  stop_ = false;
  mode_ = 0;
  page_ = 0;
  NextbtnClick();
}

void TSnifferfrm::ShowOnly(forms::Panel* page) {
  for (forms::Panel* p : {Page1, page2, Page3}) p->SetVisible(p == page);
}

void TSnifferfrm::BackbtnClick() {
  page_ -= 2;
  if (page_ < 0) page_ = 0;
  NextbtnClick();
}

void TSnifferfrm::NextbtnClick() {
  ++page_;
  switch (page_) {
    case 1:
      ShowOnly(Page1);
      Backbtn->SetEnabled(false);
      break;
    case 2:
      ShowOnly(page2);
      Backbtn->SetEnabled(true);
      Nextbtn->SetCaption("Next >");
      break;
    case 3:
      ignoreAll_ = false;
      Nextbtn->SetCaption("Exit");
      ShowOnly(Page3);
      Page3->Repaint();
      if (running_) {
        stop_ = true;
        return;
      }
      RunSearch();
      break;
    default:
      if (running_) stop_ = true;
      Close();
      break;
  }
}

void TSnifferfrm::RunSearch() {
  Search->SetVisible(true);
  Stop->SetVisible(true);
  btnDelete->SetEnabled(false);
  btnSelectAll->SetEnabled(false);
  lblSize->SetCaption("");
  ListBox1->Clear();
  running_ = true;
  stop_ = false;
  DriveComboBox2->SetEnabled(false);
  count_ = 0;
  total_ = 0;
  struct Idle {
    TSnifferfrm& form;
    ~Idle() {
      form.running_ = false;
      form.DriveComboBox2->SetEnabled(true);
    }
  } idle{*this};
  MaskSearch(std::string(1, DriveComboBox2->Drive()) + ":\\");
  running_ = false;
  DriveComboBox2->SetEnabled(true);
  btnSelectAll->SetEnabled(true);
  if (count_ == 0) {
    forms::MessageDlg("No wasted space found!", forms::MsgDlgType::mtError, forms::mbOK, 0);
    btnSelectAll->SetEnabled(false);
  }
  Search->SetVisible(false);
}

void TSnifferfrm::ListMatches(const std::string& folder, const std::string& mask) {
  WIN32_FIND_DATAA data;
  const HANDLE search = FindFirstFileA((folder + mask).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (stop_) break;
    // The system also matches short names: each match is checked on its long name.
    if (data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY || !MatchesPattern(data.cFileName, mask))
      continue;
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    ++count_;
    total_ += (size + 1023) / 1024;
    lblSize->SetCaption(std::to_string(total_) + " KB");
    ListBox1->AddItem(WasteLine(size, folder + data.cFileName));
  } while (FindNextFileA(search, &data));
  FindClose(search);
}

void TSnifferfrm::MaskSearch(const std::string& folderIn) {
  if (stop_) return;
  std::string folder = Lower(folderIn);
  if (!Search->Visible()) Search->SetVisible(true);
  folder = WithBackslash(folder);
  for (const std::string& mask : mode_ == 0 ? StandardMasks() : ExtraMasks()) {
    forms::App().ProcessMessages();
    ListMatches(folder, mask);
    if (stop_) return;
  }
  WIN32_FIND_DATAA data;
  const HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == ".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        continue;
      if (IsTemporaryFolder(folder + name)) {
        AllFilesSearch(folder + name);
      } else {
        MaskSearch(folder + name);
      }
      if (stop_) break;
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  Curdir->SetCaption(folder + "*.*");
}

void TSnifferfrm::AllFilesSearch(const std::string& folderIn) {
  if (stop_) return;
  std::string folder = Lower(folderIn);
  if (!Search->Visible()) Search->SetVisible(true);
  folder = WithBackslash(folder);
  forms::App().ProcessMessages();
  ListMatches(folder, "*.*");
  if (stop_) return;
  WIN32_FIND_DATAA data;
  const HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == ".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        continue;
      AllFilesSearch(folder + name);
      if (stop_) break;
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  Curdir->SetCaption(folder + "*.*");
}

void TSnifferfrm::UpdateDelete() {
  bool any = false;
  for (int i = 0; i < ListBox1->Count() && !any; ++i) any = ListBox1->Selected(i);
  btnDelete->SetEnabled(any);
}

void TSnifferfrm::btnSelectAllClick() {
  for (int i = 0; i < ListBox1->Count(); ++i) ListBox1->SetSelected(i, true);
  UpdateDelete();
}

void TSnifferfrm::btnDeleteClick() {
  for (int i = ListBox1->Count() - 1; i >= 0; --i) {
    if (!ListBox1->Selected(i)) continue;
    const std::string path = WastePath(ListBox1->Item(i));
    if (DeleteFileA(path.c_str())) {
      ListBox1->DeleteItem(i);
      continue;
    }
    if (ignoreAll_) continue;
    const std::string text = std::string("Unable to delete the file: \r\n\r\n") + path +
                             "\r\n\r\nPerhaps this file is still in use, " +
                             "or is write-protected?\r\nClick \"Ignore\" to " +
                             "ignore the error, or \"All\" to Ignore this and " +
                             "all future errors.";
    if (forms::MessageDlg(text, forms::MsgDlgType::mtWarning, forms::mbIgnore | forms::mbAll, 0) ==
        forms::mrAll) {
      ignoreAll_ = true;
    }
  }
  if (ListBox1->Count() == 0) {
    btnDelete->SetEnabled(false);
    btnSelectAll->SetEnabled(false);
  }
  lblSize->SetCaption("Kbytes");
}

}  // namespace pelloro
