#include "forms/lists.h"

namespace forms {

namespace {

std::string WithBackslash(std::string path) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

}  // namespace

ComboBox::ComboBox(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  color_ = clWindow;
  TabStop = true;
  CreateParams params;
  params.className = "COMBOBOX";
  DWORD kind = args.style == ComboStyle::csDropDownList ? CBS_DROPDOWNLIST
               : args.style == ComboStyle::csSimple     ? CBS_SIMPLE
                                                        : CBS_DROPDOWN;
  params.style |= WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL | kind | (args.sorted ? CBS_SORT : 0);
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
  for (const auto& item : args.items) AddItem(item);
}

int ComboBox::Count() const { return static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0)); }

std::string ComboBox::Item(int index) const {
  const LRESULT length = SendMessageA(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return "";
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

int ComboBox::AddItem(const std::string& text) {
  return static_cast<int>(
      SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void ComboBox::Clear() { SendMessageA(Handle(), CB_RESETCONTENT, 0, 0); }

int ComboBox::IndexOf(const std::string& text) const {
  const LRESULT found = SendMessageA(Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
  return found == CB_ERR ? -1 : static_cast<int>(found);
}

int ComboBox::ItemIndex() const {
  return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
}
void ComboBox::SetItemIndex(int index) {
  SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void ComboBox::SetText(const std::string& text) {
  const int index = IndexOf(text);
  if ((GetWindowLongA(Handle(), GWL_STYLE) & 3) == CBS_DROPDOWNLIST) {
    SetItemIndex(index);
  } else {
    SetCaption(text);
  }
}

void ComboBox::WndProc(Message& message) {
  if (message.msg == CN_COMMAND) {
    const WORD code = HIWORD(message.wParam);
    if ((code == CBN_EDITCHANGE || code == CBN_SELCHANGE) && OnChange) OnChange(*this);
    if (code == CBN_SELCHANGE) Click();
    return;
  }
  WinControl::WndProc(message);
}

ListBox::ListBox(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  color_ = clWindow;
  TabStop = true;
  CreateParams params;
  params.className = "LISTBOX";
  params.style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                  (args.multiSelect ? LBS_EXTENDEDSEL : 0) | (args.sorted ? LBS_SORT : 0);
  params.exStyle = WS_EX_CLIENTEDGE;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
  for (const auto& item : args.items) AddItem(item);
}

int ListBox::Count() const { return static_cast<int>(SendMessageA(Handle(), LB_GETCOUNT, 0, 0)); }

std::string ListBox::Item(int index) const {
  const LRESULT length = SendMessageA(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return "";
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(Handle(), LB_GETTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

int ListBox::AddItem(const std::string& text) {
  return static_cast<int>(
      SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void ListBox::DeleteItem(int index) {
  SendMessageA(Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}
void ListBox::Clear() { SendMessageA(Handle(), LB_RESETCONTENT, 0, 0); }

int ListBox::ItemIndex() const {
  if (GetWindowLongA(Handle(), GWL_STYLE) & LBS_EXTENDEDSEL)
    return static_cast<int>(SendMessageA(Handle(), LB_GETCARETINDEX, 0, 0));
  return static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0));
}

void ListBox::SetItemIndex(int index) {
  if (GetWindowLongA(Handle(), GWL_STYLE) & LBS_EXTENDEDSEL) {
    SendMessageA(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(index), 0);
  } else {
    SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

bool ListBox::Selected(int index) const {
  return SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void ListBox::SetSelected(int index, bool selected) {
  if (GetWindowLongA(Handle(), GWL_STYLE) & LBS_EXTENDEDSEL) {
    SendMessageA(Handle(), LB_SETSEL, selected, index);
  } else {
    SetItemIndex(selected ? index : -1);
  }
}

void ListBox::WndProc(Message& message) {
  if (message.msg == CN_COMMAND) {
    const WORD code = HIWORD(message.wParam);
    if (code == LBN_SELCHANGE) Click();
    if (code == LBN_DBLCLK) DblClick();
    return;
  }
  WinControl::WndProc(message);
}

DriveComboBox::DriveComboBox(Component* owner, WinControl* parent, const CreateArgs& args)
    : ComboBox(owner, parent, [&] {
        CreateArgs a = args;
        a.style = ComboStyle::csDropDownList;
        return a;
      }()) {
  Refresh();
}

void DriveComboBox::Refresh() {
  Clear();
  SendMessageA(Handle(), CB_DIR, DDL_DRIVES | DDL_EXCLUSIVE, reinterpret_cast<LPARAM>("*"));
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof(current), current);
  if (current[0] != '\0') SetDrive(current[0]);
}

char DriveComboBox::Drive() const {
  const std::string item = Item(ItemIndex());  // "[-c-]"
  return item.size() >= 3 ? static_cast<char>(toupper(static_cast<unsigned char>(item[2]))) : '\0';
}

void DriveComboBox::SetDrive(char letter) {
  for (int i = 0; i < Count(); ++i) {
    const std::string item = Item(i);
    if (item.size() >= 3 && toupper(static_cast<unsigned char>(item[2])) ==
                                toupper(static_cast<unsigned char>(letter))) {
      SetItemIndex(i);
      return;
    }
  }
}

DirectoryListBox::DirectoryListBox(Component* owner, WinControl* parent, const CreateArgs& args)
    : ListBox(owner, parent, args) {
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof(current), current);
  SetDirectory(current);
}

void DirectoryListBox::SetDirectory(const std::string& directory) {
  directory_ = directory;
  Clear();
  const std::string mask = WithBackslash(directory) + "*.*";
  SendMessageA(Handle(), LB_DIR, DDL_DIRECTORY | DDL_EXCLUSIVE,
               reinterpret_cast<LPARAM>(mask.c_str()));
}

std::string DirectoryListBox::ItemPath(int index) const {
  std::string item = Item(index);
  if (item.size() >= 2 && item.front() == '[' && item.back() == ']')
    item = item.substr(1, item.size() - 2);
  if (item == "..") {
    std::string parent = directory_;
    while (!parent.empty() && parent.back() == '\\') parent.pop_back();
    const size_t slash = parent.find_last_of('\\');
    if (slash == std::string::npos) return directory_;
    parent.resize(slash);
    if (parent.size() == 2 && parent[1] == ':') parent += '\\';
    return parent;
  }
  return WithBackslash(directory_) + item;
}

FileListBox::FileListBox(Component* owner, WinControl* parent, const CreateArgs& args)
    : ListBox(owner, parent, args) {
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof(current), current);
  directory_ = current;
  Refresh();
}

void FileListBox::SetDirectory(const std::string& directory) {
  directory_ = directory;
  Refresh();
}

void FileListBox::SetMask(const std::string& mask) {
  mask_ = mask;
  Refresh();
}

void FileListBox::Refresh() {
  Clear();
  const std::string pattern = WithBackslash(directory_) + mask_;
  SendMessageA(Handle(), LB_DIR, DDL_READWRITE | DDL_READONLY | DDL_ARCHIVE,
               reinterpret_cast<LPARAM>(pattern.c_str()));
}

}  // namespace forms
