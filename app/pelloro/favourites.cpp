#include "favourites.h"

#include <memory>

#include "archive_search.h"
#include "captions.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "forms/reg_ini_file.h"
#include "forms/string_list.h"
#include "main_form.h"
#include "tool_commands.h"

namespace pelloro {

namespace {

// The list file as it is looked for, and the name the manager creates it with (the system
// finds either spelling for the other).
constexpr char kListFileName[] = "AutoFolders.lst";
constexpr char kListFileWritten[] = "Autofolders.lst";
constexpr char kFavouritesMarker[] = "(Favorites)";
constexpr char kAllFiles[] = "Show All files";
constexpr char kTodaysFiles[] = "Show only Today's files";
constexpr char kZipFilesOnly[] = "Only show ZIP files (*.ZIP)";
constexpr char kEveryFile[] = "Show All files (*.*)";
constexpr char kMissingList[] =
    "Your Favorites folder could not be found.\r\n\r\nWould you like to create it now?? "
    "(Recommended)";
constexpr char kNotZip[] =
    "The file you have selected is NOT a zip file.\n\rWould you like to Open it with the "
    "associated application if any?";
constexpr char kSelectFirst[] = "You must select a file first..";
constexpr char kIdle[] = "(idle)";
constexpr char kIdleSuffix[] = " - (idle)";

std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string Upper(std::string text) {
  CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string WithBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

// The folder of a path with its backslash ("" for a bare name).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The extension of the path's name with its dot ("" for none).
std::string ExtensionOf(const std::string& path) {
  const std::string name = path.substr(FolderOf(path).size());
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

FavouritesShell DefaultShell() {
  FavouritesShell shell;
  shell.FileInfo = [](const char* path, SHFILEINFOA* info, UINT flags) {
    return SHGetFileInfoA(path, 0, info, sizeof *info, flags);
  };
  shell.DestroyIcon = [](HICON icon) { ::DestroyIcon(icon); };
  return shell;
}

forms::FormCreateArgs BrowserArgs() {
  forms::FormCreateArgs args;
  args.caption = "Pelloro Favourites PLUS!";
  args.width = 700;
  args.height = 440;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  args.keyPreview = true;
  return args;
}

forms::FormCreateArgs ManagerArgs() {
  forms::FormCreateArgs args;
  args.caption = "Manage Auto-Folders";
  args.width = 420;
  args.height = 262;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  args.keyPreview = true;
  return args;
}

TExplorerButton* AddExplorerButton(forms::Component* owner, forms::WinControl* parent,
                                   const char* name, const char* caption, int left, int top) {
  TExplorerButtonCreateArgs args;
  args.left = left;
  args.top = top;
  args.width = 96;
  args.height = 26;
  args.caption = caption;
  auto* button = new TExplorerButton(owner, parent, args);
  button->SetName(name);
  return button;
}

forms::MenuItem* AddMenuItem(forms::Component* owner, forms::PopupMenu* menu, const char* name,
                             const char* caption, bool checked = false) {
  return forms::Add(owner, &menu->Items(), name, {.caption = caption, .checked = checked});
}

}  // namespace

std::string FavouritesListPath() { return ProgramFolder() + kListFileName; }

bool FavouritesListExists() { return IsFile(FavouritesListPath()); }

std::vector<std::string> ReadFavourites() {
  std::vector<std::string> folders;
  HANDLE file = CreateFileA(FavouritesListPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return folders;
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    text.append(buffer, read);
  CloseHandle(file);
  forms::StringList lines;
  lines.SetText(text);
  for (int i = 0; i < lines.Count(); ++i) folders.push_back(lines[i]);
  return folders;
}

bool WriteFavourites(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += folder + "\r\n";
  const std::string path = ProgramFolder() + kListFileWritten;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool whole =
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE &&
      written == text.size();
  const bool closed = CloseHandle(file) != FALSE;
  return whole && closed;
}

std::string UseFavSetting() {
  forms::RegIniFile settings(kSettingsKey);
  return settings.ReadString("", "UseFav", "True");
}

bool UseFavourites() { return Upper(UseFavSetting()) == "TRUE"; }

std::string FavouriteSizeText(uint64_t size) {
  const uint64_t kilobytes = size > 0 && size < 1024 ? 1 : size / 1024;
  return std::to_string(kilobytes) + " KB";
}

std::string FavouriteTimeText(const FILETIME& lastWrite) {
  FILETIME local = {};
  SYSTEMTIME time = {};
  if (!FileTimeToLocalFileTime(&lastWrite, &local) || !FileTimeToSystemTime(&local, &time))
    return std::string();
  char date[80] = {}, clock[80] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, sizeof clock);
  return std::string(date) + "  " + clock;
}

bool WrittenToday(const FILETIME& lastWrite) {
  FILETIME local = {};
  WORD fileDate = 0, fileTime = 0;
  if (!FileTimeToLocalFileTime(&lastWrite, &local) ||
      !FileTimeToDosDateTime(&local, &fileDate, &fileTime)) {
    return false;
  }
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  FILETIME today = {};
  WORD todayDate = 0, midnight = 0;
  now.wHour = now.wMinute = now.wSecond = now.wMilliseconds = 0;
  if (!SystemTimeToFileTime(&now, &today) || !FileTimeToDosDateTime(&today, &todayDate, &midnight))
    return false;
  const uint32_t stamp = (static_cast<uint32_t>(fileDate) << 16) | fileTime;
  return stamp >= (static_cast<uint32_t>(todayDate) << 16);
}

FavouritesShell& FavouritesShellCalls() {
  static FavouritesShell shell = DefaultShell();
  return shell;
}

void ResetFavouritesShell() { FavouritesShellCalls() = DefaultShell(); }

// ---------------------------------------------------------------------------------------------
// TManageAuto

TManageAuto::TManageAuto(forms::Component* owner) : Form(owner, ManagerArgs()) {
  SetName("ManageAuto");
  ListBox1 = forms::Add<forms::ListBox>(
      this, this, "ListBox1", {.left = 8, .top = 8, .width = 300, .height = 246, .items = {}});
  ExplorerButton1 = AddExplorerButton(this, this, "ExplorerButton1", "Add &New...", 316, 8);
  ExplorerButton2 = AddExplorerButton(this, this, "ExplorerButton2", "&Remove..", 316, 40);
  ExplorerButton3 = AddExplorerButton(this, this, "ExplorerButton3", "&Sort...", 316, 72);
  PopupMenu1 = new forms::PopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  On1 = AddMenuItem(this, PopupMenu1, "On1", "On");
  Off1 = AddMenuItem(this, PopupMenu1, "Off1", "Off", true);
  ExplorerButton3->SetDropDownMenu(PopupMenu1);
  BitBtn2 = forms::Add<forms::Button>(this, this, "BitBtn2",
                                      {.caption = "&OK", .left = 326, .top = 196, .width = 80});
  BitBtn1 = forms::Add<forms::Button>(this, this, "BitBtn1",
                                      {.caption = "Cance&l", .left = 326, .top = 228, .width = 80});
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Select a folder to add to your Auto-Folders..";

  OnShow = [this](forms::Component&) { FormShow(); };
  ExplorerButton1->OnClick = [this](forms::Component&) { ExplorerButton1Click(); };
  ExplorerButton2->OnClick = [this](forms::Component&) { ExplorerButton2Click(); };
  On1->OnClick = [this](forms::Component&) { SetSorting(true); };
  Off1->OnClick = [this](forms::Component&) { SetSorting(false); };
  BitBtn2->OnClick = [this](forms::Component&) { BitBtn2Click(); };
  BitBtn1->OnClick = [this](forms::Component&) { Close(); };
  OnKeyDown = [this](forms::Component&, WORD& key, forms::ShiftState) {
    if (key == VK_RETURN) {
      key = 0;
      BitBtn2->Click();
    }
  };
}

std::vector<std::string> TManageAuto::Folders() const {
  std::vector<std::string> folders;
  for (int i = 0; i < ListBox1->Count(); ++i) folders.push_back(ListBox1->Item(i));
  return folders;
}

void TManageAuto::FormShow() {
  ListBox1->Clear();
  for (const std::string& folder : ReadFavourites()) Append(folder);
}

void TManageAuto::Append(const std::string& folder) {
  if (!sorted_) {
    ListBox1->AddItem(folder);
    return;
  }
  // Sorted: in front of the first line that sorts after it.
  std::vector<std::string> folders = Folders();
  size_t at = 0;
  while (at < folders.size() && forms::CompareText(folders[at], folder) <= 0) ++at;
  folders.insert(folders.begin() + static_cast<long>(at), folder);
  ListBox1->Clear();
  for (const std::string& f : folders) ListBox1->AddItem(f);
}

void TManageAuto::ExplorerButton1Click() {
  if (BrowseDirectoryDlg1->Execute()) Append(BrowseDirectoryDlg1->Directory());
}

void TManageAuto::ExplorerButton2Click() {
  const int index = ListBox1->ItemIndex();
  if (index >= 0) ListBox1->DeleteItem(index);
}

void TManageAuto::SetSorting(bool on) {
  sorted_ = on;
  On1->SetChecked(on);
  Off1->SetChecked(!on);
  if (!on) return;
  forms::StringList lines;
  for (const std::string& folder : Folders()) lines.Add(folder);
  lines.Sort();
  ListBox1->Clear();
  for (int i = 0; i < lines.Count(); ++i) ListBox1->AddItem(lines[i]);
}

void TManageAuto::BitBtn2Click() {
  if (!WriteFavourites(Folders())) {
    // Nothing is lost: the window stays open with the list.
    forms::MessageDlg("Error: Could not write " + FavouritesListPath() + ".",
                      forms::MsgDlgType::mtError, forms::mbOK, 0);
    return;
  }
  SetModalResult(forms::mrOk);
  if (!Modal()) Close();
}

// ---------------------------------------------------------------------------------------------
// TOpenAutofrm

TOpenAutofrm::TOpenAutofrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, BrowserArgs()), main_(main) {
  SetName("OpenAutofrm");
  using forms::Add;
  Add<forms::Label>(this, this, "Label1", {.caption = "Look in", .left = 8, .top = 12});
  Edit1 = Add<forms::Edit>(this, this, "Edit1",
                           {.text = "C:\\Windows\\Desktop", .left = 56, .top = 8, .width = 380});
  BitBtn4 = Add<forms::Button>(this, this, "BitBtn4",
                               {.caption = "&Browse", .left = 444, .top = 6, .width = 80});
  BitBtn5 = Add<forms::Button>(this, this, "BitBtn5",
                               {.caption = "&Favourites", .left = 528, .top = 6, .width = 80});
  Updatebtn = Add<forms::Button>(this, this, "Updatebtn",
                                 {.caption = "&Update", .left = 612, .top = 6, .width = 80});
  ComboBox1 = Add<forms::ComboBox>(this, this, "ComboBox1",
                                   {.left = 8,
                                    .top = 38,
                                    .width = 200,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {kAllFiles, kTodaysFiles}});
  ComboBox2 = Add<forms::ComboBox>(this, this, "ComboBox2",
                                   {.left = 216,
                                    .top = 38,
                                    .width = 220,
                                    .style = forms::ComboStyle::csDropDownList,
                                    .items = {kZipFilesOnly, kEveryFile}});
  CheckBox1 = Add<forms::CheckBox>(
      this, this, "CheckBox1",
      {.caption = "&Always use Favourites", .left = 448, .top = 40, .width = 190});
  ListView1 = Add<TMSListView>(this, this, "ListView1",
                               {.left = 8,
                                .top = 68,
                                .width = 684,
                                .height = 300,
                                .viewStyle = forms::ViewStyle::vsReport,
                                .readOnly = false});
  ListView1->AddColumn("File Name", 300);
  ListView1->AddColumn("Size", 80);
  ListView1->AddColumn("Type", 150);
  // Wider than the first design's 100: the user's short date and time are shown whole.
  ListView1->AddColumn("Modified", 140);
  Openbtn = Add<forms::Button>(this, this, "Openbtn",
                               {.caption = "&OK", .left = 528, .top = 376, .width = 80});
  Cancelbtn = Add<forms::Button>(this, this, "Cancelbtn",
                                 {.caption = "&Cancel", .left = 612, .top = 376, .width = 80});
  ListBox1 = Add<forms::ListBox>(this, this, "ListBox1", {.left = 8, .top = 376, .items = {}});
  ListBox1->SetVisible(false);
  StatusBar1 = Add<forms::StatusBar>(this, this, "StatusBar1");
  Panel1 = Add<forms::Panel>(this, this, "Panel1",
                             {.caption = "Please wait, Pelloro is scanning files...",
                              .left = 175,
                              .top = 170,
                              .width = 350,
                              .height = 76});
  FileLabel1 = Add<forms::Label>(this, Panel1, "FileLabel1",
                                 {.caption = "(wait)",
                                  .left = 8,
                                  .top = 54,
                                  .width = 334,
                                  .height = 15,
                                  .autoSize = false,
                                  .alignment = forms::Alignment::taCenter});
  Panel1->BringToFront();
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Which Folder would you like to look for Zip files in?";
  FileOperator1 = new TFileOperator(this);
  FileOperator1->SetName("FileOperator1");
  FileOperator1->SetFlags(foAllowUndo | foNoConfirmMkDir);
  FileOperator1->ParentForm = this;
  PopupMenu1 = new forms::PopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  UseFavourites1 = AddMenuItem(this, PopupMenu1, "UseFavourites1", "Use your Favourites");
  ManageyourFavourites1 =
      AddMenuItem(this, PopupMenu1, "ManageyourFavourites1", "Manage your Favourites");
  AddMenuItem(this, PopupMenu1, "N1", "-");
  OpenthisFile1 = AddMenuItem(this, PopupMenu1, "OpenthisFile1", "&Open this File...");
  AddMenuItem(this, PopupMenu1, "N2", "-");
  LargeIcons1 = AddMenuItem(this, PopupMenu1, "LargeIcons1", "&Large Icons");
  SmallIcons1 = AddMenuItem(this, PopupMenu1, "SmallIcons1", "&Small Icons");
  Report1 = AddMenuItem(this, PopupMenu1, "Report1", "Report", true);
  List1 = AddMenuItem(this, PopupMenu1, "List1", "List");
  AddMenuItem(this, PopupMenu1, "N3", "-");
  Rename1 = AddMenuItem(this, PopupMenu1, "Rename1", "Rename");
  Delete1 = AddMenuItem(this, PopupMenu1, "Delete1", "Delete");
  Timer1 = new forms::Timer(this, 100, false);
  Timer1->SetName("Timer1");

  // FormCreate.
  ComboBox1->SetItemIndex(0);

  OnShow = [this](forms::Component&) { FormShow(); };
  OnClose = [this](forms::Form&, forms::CloseAction&) { Timer1->SetEnabled(false); };
  Timer1->SetOnTimer([this](forms::Component&) { Timer1Timer(); });
  CheckBox1->OnClick = [this](forms::Component&) { CheckBox1Click(); };
  Updatebtn->OnClick = [this](forms::Component&) { UpdatebtnClick(); };
  UseFavourites1->OnClick = [this](forms::Component&) { UseFavourites1Click(); };
  ManageyourFavourites1->OnClick = [this](forms::Component&) { ManageyourFavourites1Click(); };
  BitBtn4->OnClick = [this](forms::Component&) { BitBtn4Click(); };
  BitBtn5->OnClick = [this](forms::Component&) { BitBtn5Click(); };
  Edit1->OnKeyUp = [this](forms::Component&, WORD& key, forms::ShiftState) {
    if (key == VK_RETURN) Updatebtn->Click();
  };
  ComboBox1->OnChange = [this](forms::Component&) { Updatebtn->Click(); };
  ComboBox2->OnChange = [this](forms::Component&) { ComboBox2Change(); };
  ListView1->OnClick = [this](forms::Component&) { ListView1Click(); };
  ListView1->OnDblClick = [this](forms::Component&) { Openbtn->Click(); };
  OpenthisFile1->OnClick = [this](forms::Component&) { Openbtn->Click(); };
  Openbtn->OnClick = [this](forms::Component&) { OpenbtnClick(); };
  LargeIcons1->OnClick = [this](forms::Component&) {
    ViewStyleClick(LargeIcons1, forms::ViewStyle::vsIcon);
  };
  SmallIcons1->OnClick = [this](forms::Component&) {
    ViewStyleClick(SmallIcons1, forms::ViewStyle::vsSmallIcon);
  };
  List1->OnClick = [this](forms::Component&) { ViewStyleClick(List1, forms::ViewStyle::vsList); };
  Report1->OnClick = [this](forms::Component&) {
    ViewStyleClick(Report1, forms::ViewStyle::vsReport);
  };
  Rename1->OnClick = [this](forms::Component&) { Rename1Click(); };
  Delete1->OnClick = [this](forms::Component&) { Delete1Click(); };
  ListView1->OnEdited = [this](forms::Component&, int item, std::string& text, bool& accept) {
    ListView1Edited(item, text, accept);
  };
  ListView1->OnKeyUp = [this](forms::Component&, WORD& key, forms::ShiftState) {
    ListView1KeyUp(key);
  };
  Cancelbtn->OnClick = [this](forms::Component&) { Close(); };
  for (forms::WinControl* control :
       std::initializer_list<forms::WinControl*>{ListView1, Edit1, ComboBox1, ComboBox2, CheckBox1,
                                                 Openbtn, Cancelbtn, Updatebtn, BitBtn4, BitBtn5}) {
    PreviewKeyUp(*control);
  }
  // Closing the window (the close box too) ends a scan in progress at its next folder.
  AddMessageHook([this](forms::Message& message) {
    if (message.msg == WM_CLOSE) closed_ = true;
    return false;
  });
}

TOpenAutofrm::~TOpenAutofrm() { closed_ = true; }

void TOpenAutofrm::PreviewKeyUp(forms::WinControl& control) {
  forms::KeyEvent own = control.OnKeyUp;
  control.OnKeyUp = [this, own](forms::Component& sender, WORD& key, forms::ShiftState shift) {
    FormKeyUp(key);
    if (key != 0 && own) own(sender, key, shift);
  };
}

std::string TOpenAutofrm::Status() const { return StatusBar1->PanelText(0); }

void TOpenAutofrm::SetStatus(const std::string& text) { StatusBar1->SetPanelText(0, text); }

std::string TOpenAutofrm::SelectedPath() const {
  const int index = ListView1->Selected();
  return index < 0 ? std::string() : ListView1->ItemText(index);
}

int TOpenAutofrm::IndexOfPath(const std::string& path) const {
  for (int i = 0; i < ListView1->Count(); ++i) {
    if (ListView1->ItemText(i) == path) return i;
  }
  return -1;
}

void TOpenAutofrm::StatusIdleOfSelection() { SetStatus(SelectedPath() + kIdleSuffix); }

void TOpenAutofrm::FormShow() {
  closed_ = false;
  ComboBox2->SetItemIndex(0);
  mask_ = "*.ZIP";
  Timer1->SetEnabled(true);
}

void TOpenAutofrm::Timer1Timer() {
  Timer1->SetEnabled(false);
  if (UseFavourites()) {
    CheckBox1->SetChecked(true);
    UseFavourites1Click();
  } else {
    CheckBox1->SetChecked(false);
    Updatebtn->Click();
  }
  Panel1->SetVisible(false);
}

void TOpenAutofrm::CheckBox1Click() {
  forms::RegIniFile settings(kSettingsKey);
  // A value the registry refuses leaves the next start as it was; nothing else depends on it.
  settings.WriteString("", "UseFav", CheckBox1->Checked() ? "True" : "False");
}

bool TOpenAutofrm::ListFileReady() {
  if (!FavouritesListExists() && forms::MessageDlg(kMissingList, forms::MsgDlgType::mtConfirmation,
                                                   forms::mbYesNoCancel, 0) == forms::mrYes) {
    TManageAuto manager(nullptr);
    manager.ShowModal();
  }
  return FavouritesListExists();
}

void TOpenAutofrm::UpdatebtnClick() {
  Panel1->SetVisible(true);
  Panel1->Repaint();
  struct HidePanel {
    forms::Panel* panel;
    ~HidePanel() {
      forms::Guard([this] { panel->SetVisible(false); });
    }
  } hide{Panel1};
  if (!ListFileReady()) return;
  ListView1->Clear();
  if (lstrcmpiA(Edit1->Text().c_str(), kFavouritesMarker) == 0) {
    UseFavourites1Click();
    return;
  }
  Edit1->SetText(WithBackslash(Edit1->Text()));
  ScanFolder(Edit1->Text());
}

void TOpenAutofrm::UseFavourites1Click() {
  if (!ListFileReady()) return;
  Edit1->SetText(kFavouritesMarker);
  ListView1->Clear();
  ListBox1->Clear();
  for (const std::string& folder : ReadFavourites()) ListBox1->AddItem(folder);
  for (int i = 0; i < ListBox1->Count() && !closed_; ++i) {
    // A blank line names no folder (as a path it would be the whole current drive).
    const std::string folder = ListBox1->Item(i);
    if (folder.find_first_not_of(" \t") != std::string::npos) ScanFolder(folder);
  }
  Panel1->SetVisible(false);
}

void TOpenAutofrm::ManageyourFavourites1Click() {
  {
    TManageAuto manager(nullptr);
    manager.ShowModal();
  }
  Updatebtn->Click();
}

void TOpenAutofrm::BitBtn4Click() {
  ListView1->Clear();
  SetStatus("Selecting a new folder..");
  if (BrowseDirectoryDlg1->Execute()) {
    Edit1->SetText(BrowseDirectoryDlg1->Directory());
    SetStatus("Logging New Folder...");
    Updatebtn->Click();
    SetStatus("Sorting New Folder...");
  }
  SetStatus(kIdle);
}

void TOpenAutofrm::BitBtn5Click() {
  PopupMenu1->Popup(Left() + BitBtn5->Left() + 20, Top() + BitBtn5->Top() + 40);
}

void TOpenAutofrm::ComboBox2Change() {
  mask_ = ComboBox2->ItemIndex() == 1 ? "*.*" : "*.ZIP";
  Updatebtn->Click();
}

void TOpenAutofrm::FormKeyUp(WORD key) {
  if (key != VK_F5) return;
  if (forms::MessageDlg("Really refresh listing?", forms::MsgDlgType::mtConfirmation,
                        forms::mbYes | forms::mbNo, 0) == forms::mrYes) {
    Updatebtn->Click();
  }
}

void TOpenAutofrm::ListView1Click() {
  if (ListView1->Selected() >= 0) StatusIdleOfSelection();
}

void TOpenAutofrm::ScanFolder(const std::string& folderIn) {
  if (closed_) return;
  const std::string folder = WithBackslash(Lower(folderIn));
  forms::App().ProcessMessages();
  if (closed_) return;
  const bool todayOnly = ComboBox1->ItemIndex() == 1;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + mask_).c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      // The system also matches short names: each match is checked on its long name. "." and
      // ".." (a hidden folder's own entries carry more than the directory bit) are no files.
      const std::string name = data.cFileName;
      if (data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY || name == "." || name == ".." ||
          !MatchesPattern(name, mask_)) {
        continue;
      }
      FileLabel1->SetCaption(Lower(data.cFileName));
      FileLabel1->Repaint();
      if (todayOnly && !WrittenToday(data.ftLastWriteTime)) continue;
      AddItem(folder, data);
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  search = FindFirstFileA((folder + "*.*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == ".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      continue;
    ScanFolder(folder + name);
  } while (!closed_ && FindNextFileA(search, &data));
  FindClose(search);
}

void TOpenAutofrm::AddItem(const std::string& folder, const WIN32_FIND_DATAA& data) {
  const std::string path = folder + Lower(data.cFileName);
  const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  std::string type;
  SHFILEINFOA info = {};
  FavouritesShell& shell = FavouritesShellCalls();
  if (shell.FileInfo(path.c_str(), &info,
                     SHGFI_SMALLICON | SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME |
                         SHGFI_SYSICONINDEX) != 0) {
    type = info.szTypeName;
    // Only the type is shown: the icon the call hands over is freed at once.
    if (info.hIcon != nullptr) shell.DestroyIcon(info.hIcon);
  }
  const int item = ListView1->AddItem(path);
  ListView1->SetItemText(item, 1, directory ? std::string() : FavouriteSizeText(size));
  ListView1->SetItemText(item, 2, type);
  ListView1->SetItemText(item, 3, FavouriteTimeText(data.ftLastWriteTime));
}

void TOpenAutofrm::OpenbtnClick() {
  const std::string caption = SelectedPath();
  if (ListView1->Selected() < 0) return;
  SetStatus("Loading " + caption);
  if (IsFolder(caption)) {
    Edit1->SetText(caption + "\\");
    ScanFolder(caption);
    return;
  }
  if (Upper(ExtensionOf(caption)) != ".ZIP") {
    if (forms::MessageDlg(kNotZip, forms::MsgDlgType::mtConfirmation, forms::mbYesNoCancel, 0) ==
        forms::mrYes) {
      const std::string folder = FolderOf(caption);
      forms::App().Shell(Handle(), "open", caption.c_str(), "", folder.c_str(), SW_SHOWNORMAL);
    }
    return;
  }
  struct CloseAfter {
    TOpenAutofrm& form;
    ~CloseAfter() {
      forms::Guard([this] { form.Close(); });
    }
  } closeAfter{*this};
  OpenArchiveInMain(main_, caption);
}

void TOpenAutofrm::ViewStyleClick(forms::MenuItem* item, forms::ViewStyle style) {
  ListView1->SetViewStyle(style);
  for (forms::MenuItem* each : {LargeIcons1, SmallIcons1, Report1, List1})
    each->SetChecked(each == item);
}

bool TOpenAutofrm::RenameItem(const std::string& path, const std::string& text) {
  std::string target = text;
  // A bare name stays in the item's folder (not the current one).
  if (target.find_first_of("\\/:") == std::string::npos) target = FolderOf(path) + target;
  // The shell may replace a file of that name: another file of the name is refused here.
  if (lstrcmpiA(target.c_str(), path.c_str()) != 0 &&
      GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return false;
  }
  FileOperator1->SetOperation(TFileOperation::foRename);
  FileOperator1->SetSourceName(path);
  FileOperator1->SetDestinationName(target);
  return FileOperator1->Execute();
}

bool TOpenAutofrm::DeleteItem(const std::string& path) {
  FileOperator1->SetOperation(TFileOperation::foDelete);
  FileOperator1->SetSourceName(path);
  FileOperator1->SetDestination("");
  return FileOperator1->Execute();
}

void TOpenAutofrm::Rename1Click() {
  SetStatus("Renaming File...");
  if (ListView1->Selected() < 0) {
    forms::MessageDlg(kSelectFirst, forms::MsgDlgType::mtInformation, forms::mbOK, 0);
  } else {
    const std::string path = SelectedPath();
    std::string text = path;
    if (forms::InputQuery("Rename file", "New File Name? (include file extenstion)", text) &&
        RenameItem(path, text)) {
      Updatebtn->Click();
    }
  }
  StatusIdleOfSelection();
}

void TOpenAutofrm::Delete1Click() {
  SetStatus("Deleting selected file...");
  if (ListView1->Selected() < 0) {
    forms::MessageDlg(kSelectFirst, forms::MsgDlgType::mtInformation, forms::mbOK, 0);
  } else if (DeleteItem(SelectedPath())) {
    Updatebtn->Click();
  }
  StatusIdleOfSelection();
}

void TOpenAutofrm::ListView1Edited(int item, std::string& text, bool& accept) {
  SetStatus("Renaming file...");
  const std::string path = ListView1->ItemText(item);
  accept = false;  // the list shows the new name only by listing again
  if (RenameItem(path, text)) Updatebtn->Click();
  SetStatus(kIdle);
}

void TOpenAutofrm::ListView1KeyUp(WORD key) {
  if (key != VK_DELETE || ListView1->Selected() < 0) return;
  SetStatus("Deleting file...");
  if (DeleteItem(SelectedPath())) Updatebtn->Click();
  SetStatus(kIdle);
}

}  // namespace pelloro
