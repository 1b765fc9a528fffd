#include "archive_search.h"

#include <windows.h>

#include "forms/application.h"
#include "forms/label.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "tool_commands.h"

namespace pelloro {

namespace {

std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

bool Match(const char* name, const char* pattern) {
  while (*pattern != '\0') {
    if (*pattern == '*') {
      ++pattern;
      for (const char* rest = name;; ++rest) {
        if (Match(rest, pattern)) return true;
        if (*rest == '\0') return false;
      }
    }
    if (*name == '\0') return false;
    if (*pattern != '?' && *pattern != *name) return false;
    ++pattern;
    ++name;
  }
  return *name == '\0';
}

TExplorerButton* AddButton(forms::Component* owner, forms::WinControl* parent, const char* name,
                           const char* caption, int left, int top) {
  TExplorerButtonCreateArgs args;
  args.left = left;
  args.top = top;
  args.width = 90;
  args.height = 26;
  args.caption = caption;
  auto* button = new TExplorerButton(owner, parent, args);
  button->SetName(name);
  return button;
}

forms::FormCreateArgs SearchArgs() {
  forms::FormCreateArgs args;
  args.caption = "Find Compressed Files";
  args.width = 440;
  args.height = 360;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  args.keyPreview = true;
  return args;
}

}  // namespace

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  const std::string n = Lower(name), p = Lower(pattern);
  if (p == "*.*" || p == "*") return true;
  if (Match(n.c_str(), p.c_str())) return true;
  // "name.*" also names "name".
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 && n.find('.') == std::string::npos) {
    return Match(n.c_str(), p.substr(0, p.size() - 2).c_str());
  }
  return false;
}

int SearchFolder(const std::string& folderIn, const std::string& pattern,
                 const std::function<bool()>& stopped,
                 const std::function<void(const std::string& path)>& found) {
  std::string folder = Lower(folderIn);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  forms::App().ProcessMessages();
  int count = 0;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + pattern).c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (stopped()) {
        FindClose(search);
        return count;
      }
      // The system also matches short names: each match is checked on its long name.
      if (data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY ||
          !MatchesPattern(data.cFileName, pattern))
        continue;
      found(folder + Lower(data.cFileName));
      ++count;
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  search = FindFirstFileA((folder + "*.*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return count;
  do {
    if (stopped()) break;
    const std::string name = data.cFileName;
    if (name == "." || name == ".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      continue;
    count += SearchFolder(folder + name, pattern, stopped, found);
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return count;
}

TForm1::TForm1(forms::Component* owner, TMainfrm& main) : Form(owner, SearchArgs()), main_(main) {
  SetName("Form1");
  Findbtn = AddButton(this, this, "Findbtn", "&Search Now", 336, 30);
  Stopbtn = AddButton(this, this, "Stopbtn", "Sto&p", 336, 60);
  Stopbtn->SetEnabled(false);
  Cancelbtn = AddButton(this, this, "Cancelbtn", "&Cancel", 336, 90);
  Openbtn = AddButton(this, this, "Openbtn", "&Open", 336, 120);
  Openbtn->SetEnabled(false);

  forms::PageControlCreateArgs pages;
  pages.left = 8;
  pages.top = 8;
  pages.width = 318;
  pages.height = 140;
  PageControl1 = new forms::PageControl(this, this, pages);
  PageControl1->SetName("PageControl1");
  auto* sheet = new forms::TabSheet(this, PageControl1, "   Find Files   ");
  sheet->SetName("TabSheet1");
  forms::LabelCreateArgs label;
  label.caption = "Named";
  label.left = 10;
  label.top = 16;
  new forms::Label(this, sheet, label);
  forms::EditCreateArgs edit;
  edit.text = "*.Zip";
  edit.left = 70;
  edit.top = 12;
  edit.width = 220;
  Edit1 = new forms::Edit(this, sheet, edit);
  Edit1->SetName("Edit1");
  label.caption = "Look in:";
  label.top = 48;
  new forms::Label(this, sheet, label);
  forms::ComboBoxCreateArgs drives;
  drives.left = 70;
  drives.top = 44;
  drives.width = 220;
  DriveComboBox1 = new forms::DriveComboBox(this, sheet, drives);
  DriveComboBox1->SetName("DriveComboBox1");
  forms::CheckBoxCreateArgs check;
  check.caption = "Include &Subfolders";
  check.left = 70;
  check.top = 76;
  check.width = 160;
  check.checked = true;
  CheckBox1 = new forms::CheckBox(this, sheet, check);
  CheckBox1->SetName("CheckBox1");

  forms::ListBoxCreateArgs list;
  list.left = 8;
  list.top = 160;
  list.width = 418;
  list.height = 160;
  ListBox1 = new forms::ListBox(this, this, list);
  ListBox1->SetName("ListBox1");

  OnShow = [this](forms::Component&) { SetBounds(Left(), Top(), Width(), 200); };
  Findbtn->OnClick = [this](forms::Component&) { FindbtnClick(); };
  Stopbtn->OnClick = [this](forms::Component&) { StopbtnClick(); };
  Cancelbtn->OnClick = [this](forms::Component&) {
    stop_ = true;
    closed_ = true;
    Close();
  };
  Openbtn->OnClick = [this](forms::Component&) { OpenbtnClick(); };
  ListBox1->OnClick = [this](forms::Component&) { Openbtn->SetEnabled(true); };
  ListBox1->OnDblClick = [this](forms::Component&) { Openbtn->Click(); };
  OnKeyDown = [this](forms::Component&, WORD& key, forms::ShiftState) {
    // Enter searches, or stops a running search (the button is disabled then).
    if (key == VK_RETURN) FindbtnClick();
  };
  // Closing the window (the close box too) stops a running search at its next check.
  AddMessageHook([this](forms::Message& message) {
    if (message.msg == WM_CLOSE) {
      stop_ = true;
      closed_ = true;
    }
    return false;
  });
}

TForm1::~TForm1() { stop_ = true; }

void TForm1::FindbtnClick() {
  SetBounds(Left(), Top(), Width(), 360);
  if (running_) {
    stop_ = true;
    return;
  }
  RunSearch();
}

void TForm1::RunSearch() {
  Stopbtn->SetEnabled(true);
  Findbtn->SetEnabled(false);
  Cancelbtn->SetEnabled(false);
  ListBox1->Clear();
  running_ = true;
  stop_ = false;
  closed_ = false;
  DriveComboBox1->SetEnabled(false);
  count_ = 0;
  forms::App().ProcessMessages();
  const std::string root = std::string(1, DriveComboBox1->Drive()) + ":\\";
  struct Idle {
    TForm1& form;
    ~Idle() {
      form.running_ = false;
      form.DriveComboBox1->SetEnabled(true);
      form.Cancelbtn->SetEnabled(true);
      form.Findbtn->SetEnabled(true);
      form.Stopbtn->SetEnabled(false);
    }
  } idle{*this};
  SearchFolder(
      root, Edit1->Text(), [this] { return stop_; },
      [this](const std::string& path) {
        ListBox1->AddItem(path);
        ++count_;
      });
  running_ = false;
  if (count_ == 0 && !closed_)
    forms::MessageDlg("No files found!", forms::MsgDlgType::mtError, forms::mbOK, 0);
}

void TForm1::StopbtnClick() {
  stop_ = true;
  Stopbtn->SetEnabled(false);
  Cancelbtn->SetEnabled(true);
  Findbtn->SetEnabled(true);
}

void TForm1::OpenbtnClick() {
  const int index = ListBox1->ItemIndex();
  if (index < 0) return;
  stop_ = true;
  const std::string path = ListBox1->Item(index);
  struct CloseAfter {
    TForm1& form;
    ~CloseAfter() { form.Close(); }
  } closeAfter{*this};
  OpenArchiveInMain(main_, path);
}

}  // namespace pelloro
