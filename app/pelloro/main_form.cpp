#include "main_form.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "archive_list_display.h"
#include "captions.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "forms/reg_ini_file.h"
#include "op_form.h"
#include "temp_folder.h"
#include "tool_commands.h"
#include "view_commands.h"
#include "wizard_commands.h"
#include "volume_commands.h"
#include "toolbar_images.h"

namespace pelloro {

namespace {

constexpr char kCorruptMessage[] = "Zip file corrupt.  Please try to Repair it from the File menu.";
constexpr char kNoOpenFile[] = "(no open file)";
constexpr char kNoFiles[] = "0 files in zip";
constexpr UINT_PTR kHandOffTimer = 19;
constexpr int kDesignWidth = 680;
constexpr int kDesignHeight = 440;
constexpr int kToolbarHeight = 64;

forms::FormCreateArgs MainArgs() {
  forms::FormCreateArgs args;
  args.caption = kAppTitle;
  args.width = kDesignWidth;
  args.height = kDesignHeight;
  args.borderStyle = forms::BorderStyle::bsSizeable;
  return args;
}

// The binding as the main window holds it: an exception that leaves an event handler gets the
// standard exception message (it never reaches the control).
class TMainQXCtrl : public TQXCtrl {
 public:
  TMainQXCtrl() = default;
  explicit TMainQXCtrl(const CLSID& controlClass) : TQXCtrl(controlClass) {}

 protected:
  void HandleEventException(std::exception_ptr error) noexcept override {
    try {
      forms::App().HandleException(forms::ExceptionText(error));
    } catch (...) {
    }
  }
};

// Ends the list view's update (redrawing again) on every path out.
class ListUpdate {
 public:
  explicit ListUpdate(HWND list) : list_(list) { SendMessageA(list_, WM_SETREDRAW, FALSE, 0); }
  ~ListUpdate() {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
  ListUpdate(const ListUpdate&) = delete;
  ListUpdate& operator=(const ListUpdate&) = delete;

 private:
  HWND list_;
};

}  // namespace

TMainfrm::TMainfrm(forms::Component* owner, const TMainfrmOptions& options)
    : Form(owner, MainArgs()), options_(options) {
  SetName("Mainfrm");
  if (options_.TempFolder.empty()) options_.TempFolder = kTempFolder;
  BuildMenus();
  BuildToolbar();

  forms::StatusBarCreateArgs status;
  status.panelWidths = {350, 80};
  StatusBar1 = new forms::StatusBar(this, this, status);
  StatusBar1->SetName("StatusBar1");
  StatusBar1->SetAlign(forms::Align::alBottom);
  SetStatus(kNoOpenFile, kNoFiles);

  forms::ListViewCreateArgs list;
  list.viewStyle = forms::ViewStyle::vsReport;
  list.multiSelect = true;
  list.readOnly = false;
  list.top = 64;
  list.width = 500;
  list.height = 300;
  MSListview1 = new TMSListView(this, this, list);
  MSListview1->SetName("MSListview1");
  MSListview1->AddColumn("File Name", 200);
  MSListview1->AddColumn("Size", 130);
  MSListview1->AddColumn("Path", 161);
  MSListview1->SetAlign(forms::Align::alClient);
  MSListview1->SetPopupMenu(PopupMenu1);
  MSListview1->OnGetDispInfo = [](forms::Component&, NMHDR* header) {
    FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(header));
  };
  MSListview1->SetVisible(false);
  // "Path" fills what the other two columns leave, whenever the list's size changes.
  MSListview1->AddMessageHook([this](forms::Message& message) {
    if (message.msg == WM_SIZE) FitPathColumn(LOWORD(message.lParam));
    return false;
  });

  forms::MemoCreateArgs memo;
  memo.readOnly = true;
  TempMemo = new forms::Memo(this, this, memo);
  TempMemo->SetName("TempMemo");
  TempMemo->SetVisible(false);

  MRUFileList1 = new TMRUFileList(this);
  MRUFileList1->SetName("MRUFileList1");
  MRUFileList1->AutoSaveName = "\\Software\\Pelloro95\\";
  MRUFileList1->AutoSaveKey = "MRU Items";
  MRUFileList1->SetUseSubmenu(true);
  MRUFileList1->SetSubmenuName("&Reopen");
  MRUFileList1->SetFileMenu(File1);
  MRUFileList1->OnMRUItemClick = [this](forms::Component&, const std::string& name) {
    MRUFileList1MRUItemClick(name);
  };
  Operator = new TFileOperator(this);
  Operator->SetName("Operator");
  Operator->ProgressTitle = "Pelloro for Windows '95.  Please Wait...";
  Operator->ParentForm = this;
  FileDrag1 = new TFileDrag(this);
  FileDrag1->SetName("FileDrag1");
  OpenDialog1 = new forms::OpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->Filter = "Zip Files|*.ZIP|All Files|*.*";
  OpenDialog1->Title = "Select a Zip file to Open...";

  MessageHandlers[WM_HANDOFF] = [this](forms::Message& message) {
    message.result = 0;
    HandOff();
  };
  AddMessageHook([this](forms::Message& message) {
    if (message.msg != WM_TIMER || message.wParam != kHandOffTimer) return false;
    ListPendingHandOff();
    return true;
  });
  OnShow = [this](forms::Component&) { FormShow(); };
  OnClose = [this](forms::Form&, forms::CloseAction& action) {
    FormClose();
    (void)action;
  };

  // The control, active in place in this window before anything below can fire its events.
  std::unique_ptr<TQXCtrl> control = options_.ControlClass != nullptr
                                         ? std::make_unique<TMainQXCtrl>(*options_.ControlClass)
                                         : std::make_unique<TMainQXCtrl>();
  olehost::TControlDataStream data;
  data.ExtentX = 1323;  // 50 x 20 pixels
  data.ExtentY = 529;
  control->CreateControl(Handle(), RECT{0, 0, 50, 20}, &data);
  QXCtrl1 = control.release();
  BindControlEvents();
  Loaded();

  // Creation: actions off (the design caption stays until the first show), the settings, the
  // system icons, the command-line archive, the placement.
  const std::string caption = Caption();
  DisableActions();
  SetCaption(caption);
  forms::RegIniFile settings(kSettingsKey);
  if (settings.ReadInteger("", "WantSystemImages", 0) == 1) {
    systemIcons_ = true;
    LargeIcons = new forms::ImageList(this);
    SmallIcons = new forms::ImageList(this);
    MSListview1->SetLargeImages(LargeIcons);
    MSListview1->SetSmallImages(SmallIcons);
    imageListBuilt_ = QXCtrl1->BuildZIPITEMImageList();
    LargeIcons->Borrow(QXCtrl1->GetZIPITEMHImageList(true));
    SmallIcons->Borrow(QXCtrl1->GetZIPITEMHImageList(false));
    MSListview1->SetLargeImages(LargeIcons);
    MSListview1->SetSmallImages(SmallIcons);
  }
  if (!options_.Argument.empty()) {
    UseArchive(StripQuotes(options_.Argument));
    TQXCtrl::CallScope road(*QXCtrl1);
    try {
      if (OpenAndList()) {
        MSListview1->SetVisible(true);
        MRUFileList1->AddItem(CurrentArchive());
        EnableActions();
        FileDrag1->SetEnableDrop(true);
      } else {
        MRUFileList1->AddItem(CurrentArchive());
      }
    } catch (...) {
      // A failed call ends only the open: the closed look, the standard message, start-up goes on.
      DisableActions();
      MSListview1->SetVisible(false);
      SetStatus(kNoOpenFile, kNoFiles);
      forms::ReportCurrentException();
    }
  }
  ReadPlacement();
  BindCommandMap();
  WireToolCommands(*this);
  WireViewCommands(*this);
  WireWizardCommands(*this);
  WireVolumeCommands(*this);
}

TMainfrm::~TMainfrm() {
  if (QXCtrl1 != nullptr) {
    if (systemIcons_) {
      try {
        QXCtrl1->DestroyZIPITEMImageList();
      } catch (...) {
      }
    }
    if (LargeIcons != nullptr) LargeIcons->Borrow(nullptr);
    if (SmallIcons != nullptr) SmallIcons->Borrow(nullptr);
    delete QXCtrl1;
    QXCtrl1 = nullptr;
  }
  if (handOffTimer_ && Handle() != nullptr) KillTimer(Handle(), kHandOffTimer);
}

void TMainfrm::SetOp(TOp* op) {
  op_ = op;
  if (op_ != nullptr) op_->SetControl(QXCtrl1);
}

std::string TMainfrm::StripQuotes(const std::string& text) {
  size_t first = 0;
  while (first < text.size() && text[first] == '"') ++first;
  size_t last = text.size();
  while (last > first && text[last - 1] == '"') --last;
  return text.substr(first, last - first);
}

// The main window's menus, in order: each row's item is added to the item named in its parent
// column (or the menu bar of MainMenu1, or PopupMenu1).
const TMainfrm::MenuRow TMainfrm::kMenuRows[] = {
    // parent, field, name, caption, shortcut, handler
    {"MainMenu1", &TMainfrm::File1, "File1", "&File", 0, nullptr},
    {"File1", nullptr, "OpenZipfile1", "&Open Zip file...", forms::scCtrl | 'O', nullptr},
    {"File1", nullptr, "OpenfromFavourites1", "Open from &Favourites..", forms::scCtrl | 'F',
     nullptr},
    {"File1", &TMainfrm::OpenNormal1, "OpenNormal1", "Open &Normal..", 0,
     &TMainfrm::OpenNormal1Click},
    {"File1", nullptr, "CreateNewZip1", "&Create New Zip", forms::scCtrl | 'N',
     &TMainfrm::CreateNewZip1Click},
    {"File1", nullptr, "RepairCorruptZipfile1", "&Repair Corrupt Zip file", 0,
     &TMainfrm::RepairCorruptZipfile1Click},
    {"File1", nullptr, "BatchDecompress1", "&Batch Decompress", 0, nullptr},
    {"File1", nullptr, "Options1", "&Options...", 0, nullptr},
    {"File1", nullptr, "N1", "-", 0, nullptr},
    {"File1", &TMainfrm::Exit1, "Exit1", "E&xit", forms::scCtrl | 'X', &TMainfrm::Exit1Click},
    {"File1", nullptr, "N2", "-", 0, nullptr},

    {"MainMenu1", &TMainfrm::Functions1, "Functions1", "A&ctions", 0, nullptr},
    {"Functions1", nullptr, "Addfiles1", "&Add files", VK_INSERT, &TMainfrm::Addfiles1Click},
    {"Functions1", nullptr, "Removefiles1", "&Remove files", 0, nullptr},
    {"Removefiles1", nullptr, "RemoveselectedFiles1", "&Remove selected Files", VK_DELETE,
     &TMainfrm::RemoveselectedFiles1Click},
    {"Removefiles1", nullptr, "Removewithwildcard1", "Remove with &wildcard", 0,
     &TMainfrm::Removewithwildcard1Click},
    {"Functions1", nullptr, "Extract1", "E&xtract Files", forms::scCtrl | 'E',
     &TMainfrm::Extract1Click},
    {"Functions1", nullptr, "ViewExecuteselectedfile1", "&View/Execute selected file", 0, nullptr},
    {"Functions1", nullptr, "MakeSFX1", "Make &SFX", forms::scCtrl | 'S', nullptr},
    {"Functions1", nullptr, "UnzipWizard1", "Unzip &Wizard...", 0, nullptr},
    {"Functions1", nullptr, "Properties1", "&Properties", 0, &TMainfrm::Properties1Click},
    {"Functions1", nullptr, "Refresh1", "Re&fresh", VK_F5, &TMainfrm::Refresh1Click},

    {"MainMenu1", &TMainfrm::Sendto1, "Sendto1", "&Send to...", 0, nullptr},
    {"Sendto1", nullptr, "MoveCopyZip1", "&Move/Copy Zip", 0, &TMainfrm::MoveCopyZip1Click},
    {"Sendto1", nullptr, "RecyclingBin1", "&Recycling Bin (Delete Zip file)",
     forms::scCtrl | VK_DELETE, &TMainfrm::RecyclingBin1Click},

    {"MainMenu1", &TMainfrm::Plugins1, "Plugins1", "&Plugins", 0, nullptr},
    {"Plugins1", nullptr, "BackupaDrive1", "&Backup a Drive..", 0, nullptr},
    {"Plugins1", nullptr, "RestorefromaBackup1", "&Restore from a Backup..", 0, nullptr},
    {"Plugins1", nullptr, "DorrelIT1", "&Dorrel IT!", forms::scCtrl | 'P', nullptr},
    {"Plugins1", nullptr, "DorrelITWizard1", "&Dorrel IT! - Wizard", 0, nullptr},
    {"Plugins1", nullptr, "JossanIT1", "Jossan IT&!", forms::scCtrl | 'R', nullptr},
    {"Plugins1", nullptr, "RejoinZipfile1", "Re&join Zip file from previous Pelloro version", 0,
     nullptr},
    {"Plugins1", nullptr, "LaunchWindowsExplorer1", "Launch Windows E&xplorer...",
     forms::scCtrl | VK_F12, nullptr},

    {"MainMenu1", &TMainfrm::Help1, "Help1", "&Help", 0, nullptr},
    {"Help1", nullptr, "Contents1", "&Contents", VK_F1, nullptr},
    {"Help1", nullptr, "Index1", "&Index", 0, nullptr},
    {"Help1", nullptr, "About1", "&About...", forms::scCtrl | 'A', nullptr},

    {"PopupMenu1", nullptr, "Unzip1", "&Unzip", 0, nullptr},
    {"PopupMenu1", nullptr, "RemoveSelectedFiles2", "&Remove Selected Files ", 0, nullptr},
    {"PopupMenu1", nullptr, "RemovefileswithWildcard1", "Remove files with &Wildcard...", 0,
     nullptr},
    {"PopupMenu1", nullptr, "AddFiles2", "&Add Files", 0, nullptr},
    {"PopupMenu1", nullptr, "Properties2", "&Properties...", 0, nullptr},
    {"PopupMenu1", nullptr, "ViewExecuteSelected1", "&View/Execute Selected", 0, nullptr},
    {"PopupMenu1", nullptr, "Sendto2", "&Send to...", 0, nullptr},
    {"Sendto2", nullptr, "MoveCopyZipfile1", "&Move/Copy Zip file", 0, nullptr},
    {"Sendto2", nullptr, "RecyclingBin2", "&Recycling Bin (erase this Zip file)", 0, nullptr},
    {"PopupMenu1", nullptr, "Splitthiszip1", "&Split this zip to multiple disks", 0, nullptr},
    {"PopupMenu1", nullptr, "Refresh2", "&Refresh", 0, nullptr},
    {"PopupMenu1", nullptr, "ViewAs1", "&View As", 0, nullptr},
    {"ViewAs1", nullptr, "NoDetailsReport1", "&No Details Report", 0, nullptr},
    {"ViewAs1", nullptr, "Report1", "&Report", 0, nullptr},
    {"ViewAs1", nullptr, "List1", "&List", 0, nullptr},
};

void TMainfrm::BuildMenus() {
  MainMenu1 = new forms::MainMenu(this);
  MainMenu1->SetName("MainMenu1");
  PopupMenu1 = new forms::PopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  AddMenuRows(kMenuRows);
  NamedItem("Report1").SetChecked(true);
  SetMenu(MainMenu1);
}

forms::MenuItem& TMainfrm::NamedItem(const char* name) const {
  auto* item = dynamic_cast<forms::MenuItem*>(FindComponent(name));
  if (item == nullptr) throw std::logic_error(std::string("no menu item ") + name);
  return *item;
}

void TMainfrm::AddMenuRows(std::span<const MenuRow> rows) {
  for (const MenuRow& row : rows) {
    forms::MenuItem* parent = nullptr;
    if (lstrcmpA(row.parent, "MainMenu1") == 0) {
      parent = &MainMenu1->Items();
    } else if (lstrcmpA(row.parent, "PopupMenu1") == 0) {
      parent = &PopupMenu1->Items();
    } else {
      parent = &NamedItem(row.parent);
    }
    auto* item =
        forms::Add(this, parent, row.name, {.caption = row.caption, .shortCut = row.shortCut});
    if (row.field != nullptr) this->*row.field = item;
    if (row.handler != nullptr) {
      item->OnClick = [this, handler = row.handler](forms::Component&) { (this->*handler)(); };
    }
  }
}

void TMainfrm::BuildToolbar() {
  forms::PanelCreateArgs panel;
  panel.width = kDesignWidth;
  panel.height = kToolbarHeight;
  Toolbar = new forms::Panel(this, this, panel);
  Toolbar->SetName("Toolbar");
  Toolbar->SetAlign(forms::Align::alTop);
  const struct {
    TExplorerButton** field;
    const char* name;
    const char* caption;
  } buttons[] = {
      {&ExplorerButton1, "ExplorerButton1", "&Open..."},
      {&ExplorerButton2, "ExplorerButton2", "&New..."},
      {&ExplorerButton12, "ExplorerButton12", "F&ind..."},
      {&ExplorerButton4, "ExplorerButton4", "&UnZip"},
      {&ExplorerButton9, "ExplorerButton9", "&Delete"},
      {&ExplorerButton6, "ExplorerButton6", "Add..."},
      {&ExplorerButton7, "ExplorerButton7", "&Properties"},
      {&ExplorerButton8, "ExplorerButton8", "&Repair"},
      {&ExplorerButton5, "ExplorerButton5", "&View"},
      {&ExplorerButton3, "ExplorerButton3", "Fenno&way"},
      {&Installbtn, "Installbtn", "&Install Program"},
      {&ExplorerButton11, "ExplorerButton11", "Unzip &Wizard"},
      {&ExplorerButton13, "ExplorerButton13", "&Make SFX"},
      {&ExplorerButton10, "ExplorerButton10", "&Exit"},
  };
  // Each button as wide as its caption's longest word (a caption of two words may take two
  // lines), with its picture above.
  HDC screen = GetDC(nullptr);
  int left = 2;
  for (const auto& b : buttons) {
    TExplorerButtonCreateArgs args;
    args.left = left;
    args.top = 2;
    args.height = kToolbarHeight - 4;
    args.caption = b.caption;
    auto* button = new TExplorerButton(this, Toolbar, args);
    *b.field = button;
    button->SetName(b.name);
    button->SetWordWrap(true);
    DrawToolbarImage(b.name, button->Bitmap());
    int width = 36;
    std::string visible;
    for (const char* c = b.caption; *c != '\0'; ++c) {
      if (*c != '&') visible += *c;
    }
    HGDIOBJ old = SelectObject(screen, button->GetFont().Handle());
    size_t start = 0;
    while (start <= visible.size()) {
      const size_t end = std::min(visible.find(' ', start), visible.size());
      SIZE extent = {};
      GetTextExtentPoint32A(screen, visible.c_str() + start, static_cast<int>(end - start),
                            &extent);
      width = std::max(width, static_cast<int>(extent.cx) + 8);
      start = end + 1;
    }
    SelectObject(screen, old);
    button->SetBounds(left, 2, width, args.height);
    left += width + 1;
  }
  ReleaseDC(nullptr, screen);
  ExplorerButton10->OnClick = [this](forms::Component&) { ExplorerButton10Click(); };
  // The buttons that need an open archive start disabled.
  for (TExplorerButton* b : {ExplorerButton4, ExplorerButton9, ExplorerButton6, ExplorerButton7,
                             ExplorerButton5, Installbtn, ExplorerButton11, ExplorerButton13}) {
    b->SetEnabled(false);
  }
}

// The toolbar buttons and context items that run a menu item: each runs the item's click of the
// moment (whoever binds it), so a handler bound to the item later is theirs too.
constexpr struct {
  const char* control;
  const char* item;
} kRunsMenuItem[] = {
    {"ExplorerButton2", "CreateNewZip1"},
    {"ExplorerButton4", "Extract1"},
    {"ExplorerButton9", "RemoveselectedFiles1"},
    {"ExplorerButton6", "Addfiles1"},
    {"ExplorerButton7", "Properties1"},
    {"ExplorerButton8", "RepairCorruptZipfile1"},
    {"ExplorerButton5", "ViewExecuteselectedfile1"},
    {"ExplorerButton11", "UnzipWizard1"},
    {"ExplorerButton13", "MakeSFX1"},
    {"Unzip1", "Extract1"},
    {"RemoveSelectedFiles2", "RemoveselectedFiles1"},
    {"RemovefileswithWildcard1", "Removewithwildcard1"},
    {"AddFiles2", "Addfiles1"},
    {"Properties2", "Properties1"},
    {"ViewExecuteSelected1", "ViewExecuteselectedfile1"},
    {"MoveCopyZipfile1", "MoveCopyZip1"},
    {"Refresh2", "Refresh1"},
};

void TMainfrm::BindCommandMap() {
  for (const auto& row : kRunsMenuItem) {
    forms::Component* control = FindComponent(row.control);
    auto run = [this, item = row.item](forms::Component&) { RunMenuItem(item); };
    if (auto* item = dynamic_cast<forms::MenuItem*>(control)) {
      item->OnClick = run;
    } else if (auto* button = dynamic_cast<forms::Control*>(control)) {
      button->OnClick = run;
    } else {
      throw std::logic_error(std::string("no control ") + row.control);
    }
  }
  MSListview1->OnDblClick = [this](forms::Component&) { RunMenuItem("ViewExecuteselectedfile1"); };
  const struct {
    const char* item;
    forms::ViewStyle style;
  } styles[] = {{"NoDetailsReport1", forms::ViewStyle::vsSmallIcon},
                {"Report1", forms::ViewStyle::vsReport},
                {"List1", forms::ViewStyle::vsList}};
  for (const auto& s : styles) {
    NamedItem(s.item).OnClick = [this, s](forms::Component&) { ViewStyleClick(s.style, s.item); };
  }
  // The list's own keys: F5 refreshes, Delete and the keypad's decimal remove the selection.
  MSListview1->OnKeyDown = [this](forms::Component&, WORD& key, forms::ShiftState) {
    ListKeyDown(key);
  };
  // While a caption is edited no shortcut runs (the edit keeps Delete, Ctrl+X and the rest);
  // an edit ends in LVN_ENDLABELEDIT, also when cancelled.
  MSListview1->OnEditing = [this](forms::Component&, int, bool& allow) {
    allow = Functions1->Enabled();
    if (allow) MainMenu1->Items().SetEnabled(false);
  };
  AddMessageHook([this](forms::Message& message) {
    if (message.msg == WM_NOTIFY) {
      const auto* header = reinterpret_cast<const NMHDR*>(message.lParam);
      if (header != nullptr && header->hwndFrom == MSListview1->Handle() &&
          (header->code == LVN_ENDLABELEDITA || header->code == LVN_ENDLABELEDITW)) {
        MainMenu1->Items().SetEnabled(true);
      }
    }
    return false;
  });
  MSListview1->OnEdited = [this](forms::Component&, int item, std::string& text, bool& accept) {
    accept = false;  // the list is read again from the archive
    MSListview1Edited(item, text);
  };
  MessageHandlers[WM_RENAMEENTRY] = [this](forms::Message& message) {
    message.result = 0;
    RenamePending();
  };
  FileDrag1->OnDrop = [this](forms::Component&) { FileDrag1Drop(); };
}

void TMainfrm::ListKeyDown(WORD& key) {
  const char* item = nullptr;
  if (key == VK_F5) item = "Refresh1";
  if (key == VK_DELETE || key == VK_DECIMAL) item = "RemoveselectedFiles1";
  if (item == nullptr || !NamedItem(item).Available()) return;
  key = 0;
  RunMenuItem(item);
}

void TMainfrm::ViewStyleClick(forms::ViewStyle style, const char* item) {
  MSListview1->SetViewStyle(style);
  for (const char* name : {"NoDetailsReport1", "Report1", "List1"}) {
    NamedItem(name).SetChecked(lstrcmpA(name, item) == 0);
  }
}

void TMainfrm::BindControlEvents() {
  TQXCtrl& c = *QXCtrl1;
  // Each writes into the progress window; before it exists (the command-line open) nothing.
  c.OnZNZipping2 = [this](TQXCtrl&, const std::string& file, short rate) {
    if (op_ != nullptr) op_->ZNZipping2(file, rate);
  };
  c.OnZNFileZipped = [this](TQXCtrl&, const std::string& file, short rate) {
    if (op_ != nullptr) op_->ZNFileZipped(file, rate);
  };
  c.OnZNExpanding = [this](TQXCtrl&, const std::string& name, short rate) {
    if (op_ != nullptr) op_->ZNExpanding(name, rate);
  };
  c.OnZNEncrypt = [this](TQXCtrl&, const std::string& file, short rate) {
    if (op_ != nullptr) op_->ZNEncrypt(file, rate);
  };
  c.OnZNDeleting = [this](TQXCtrl&, const std::string& file) {
    if (op_ != nullptr) op_->ZNDeleting(file);
  };
  c.OnZNTest = [this](TQXCtrl&, const std::string& name, bool noError) {
    if (op_ != nullptr) op_->ZNTest(name, noError);
  };
  c.OnZNMakeEXEStep1 = [this](TQXCtrl&) {
    if (op_ != nullptr) op_->ZNMakeEXEStep1();
  };
  c.OnZNMakeEXEStep2 = [this](TQXCtrl&, short rate) {
    if (op_ != nullptr) op_->ZNMakeEXEStep2(rate);
  };
  c.OnZNBackupBuildZip = [this](TQXCtrl&, const std::string& archive) {
    if (op_ != nullptr) op_->ZNBackupBuildZip(archive);
  };
  c.OnZNBackupZipDone = [this](TQXCtrl&, int32_t size) {
    if (op_ != nullptr) op_->ZNBackupZipDone(size);
  };
  c.OnZNRestoreBuildZip = [this](TQXCtrl&, const std::string& archive) {
    if (op_ != nullptr) op_->ZNRestoreBuildZip(archive);
  };
  c.OnZNRestoreZipDone = [this](TQXCtrl&, int32_t size) {
    if (op_ != nullptr) op_->ZNRestoreZipDone(size);
  };
  c.OnZNSplitting = [this](TQXCtrl&, short size, const std::string& part) {
    if (op_ != nullptr) op_->ZNSplitting(size, part);
  };
  c.OnZNSplitted = [this](TQXCtrl&, short part, int32_t size) {
    if (op_ != nullptr) op_->ZNSplitted(part, size);
  };
}

void TMainfrm::SetStatus(const std::string& path, const std::string& count) {
  StatusBar1->SetPanelText(0, path);
  StatusBar1->SetPanelText(1, count);
}

bool TMainfrm::OpenAndList() {
  TQXCtrl::CallScope scope(*QXCtrl1);
  SetCaption(kCaptionBusy);
  ListUpdate update(MSListview1->Handle());
  ++listingCount_;
  listed_ = false;
  const short result =
      QXCtrl1->BuildZIPITEMList(CurrentArchive(), MSListview1->Handle(), true, "", true, 0, true);
  if (result < 0) {
    forms::MessageDlg(kCorruptMessage, forms::MsgDlgType::mtError, forms::mbOK, 0);
    DisableActions();
    MSListview1->SetVisible(false);
    SetStatus(kNoOpenFile, kNoFiles);
    return false;
  }
  forms::App().ProcessMessages();
  const bool installer = QXCtrl1->IsFileInTheZIPFile(CurrentArchive(), "SETUP.EXE", true) ||
                         QXCtrl1->IsFileInTheZIPFile(CurrentArchive(), "INSTALL.EXE", true);
  Installbtn->SetEnabled(installer);
  SetStatus(CurrentArchive(),
            std::to_string(QXCtrl1->GetCount(CurrentArchive(), true)) + " files in zip");
  listed_ = true;
  EnableActions();
  return true;
}

void TMainfrm::ShowClosed() {
  listed_ = false;
  DisableActions();
  MSListview1->SetVisible(false);
  FileDrag1->SetEnableDrop(false);
  SetStatus(kNoOpenFile, kNoFiles);
  SetCaption(kCaptionIdle);
}

bool TMainfrm::ListArchive(const std::string& archive) {
  UseArchive(archive);
  TQXCtrl::CallScope call(*QXCtrl1);
  bool listed = false;
  try {
    listed = OpenAndList();
  } catch (...) {
    ShowClosed();
    throw;
  }
  if (!listed) ShowClosed();
  return listed;
}

void TMainfrm::RunMenuItem(const char* name) { NamedItem(name).Click(); }

void TMainfrm::UseArchive(const std::string& archive) {
  const std::string path = archive;  // archive may be the dialog's own file name
  currentArchive_ = path;
  OpenDialog1->FileName = path;
}

bool TMainfrm::OpenByTheRoad(const std::string& archive) {
  UseArchive(archive);
  TQXCtrl::CallScope road(*QXCtrl1);
  struct CloseProgress {
    TOp* op;
    ~CloseProgress() {
      if (op != nullptr) forms::Guard([this] { op->Close(); });
    }
  } closeProgress{op_};
  ShowActivity('A');
  if (op_ != nullptr) op_->Show();
  bool listed = false;
  try {
    listed = OpenAndList();
  } catch (...) {
    // A failed call ends only this command: the closed look, then the standard message.
    DisableActions();
    MSListview1->SetVisible(false);
    SetStatus(kNoOpenFile, kNoFiles);
    SetCaption(kCaptionIdle);
    throw;
  }
  MRUFileList1->AddItem(CurrentArchive());
  if (listed) {
    FileDrag1->SetEnableDrop(true);
    EnableActions();
  } else {
    // A failed open keeps the closed look; the window is idle again.
    FileDrag1->SetEnableDrop(false);
    SetCaption(kCaptionIdle);
  }
  return listed;
}

void TMainfrm::DisableActions() {
  SetCaption(kCaptionBusy);
  Functions1->SetEnabled(false);
  Sendto1->SetEnabled(false);
  for (TExplorerButton* b : {ExplorerButton4, ExplorerButton7, ExplorerButton6, ExplorerButton5,
                             ExplorerButton9, ExplorerButton13, ExplorerButton11}) {
    b->SetEnabled(false);
  }
}

void TMainfrm::EnableActions() {
  Functions1->SetEnabled(true);
  Sendto1->SetEnabled(true);
  for (TExplorerButton* b : {ExplorerButton4, ExplorerButton7, ExplorerButton6, ExplorerButton5,
                             ExplorerButton9, ExplorerButton13, ExplorerButton11}) {
    b->SetEnabled(true);
  }
  MSListview1->SetVisible(true);
  FitPathColumn();
  SetCaption(kCaptionIdle);
}

void TMainfrm::FitPathColumn(int clientWidth) {
  HWND list = MSListview1->Handle();
  if (clientWidth < 0) {
    RECT client = {};
    GetClientRect(list, &client);
    clientWidth = client.right;
  }
  const int rest = clientWidth - MSListview1->ColumnWidth(0) - MSListview1->ColumnWidth(1);
  SendMessageA(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(std::max(rest, 40), 0));
}

void TMainfrm::ShowActivity(char letter) {
  if (op_ != nullptr) op_->ShowActivity(letter);
}

void TMainfrm::ResetActivity() { ShowActivity('Z'); }

void TMainfrm::ReadPlacement() {
  forms::RegIniFile settings(kSettingsKey);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int centredX = (screenWidth - Width()) / 2;
  const int centredY = (screenHeight - Height()) / 2;
  int x = settings.ReadInteger("", "PosX", centredX);
  int y = settings.ReadInteger("", "PosY", centredY);
  const int height = settings.ReadInteger("", "AppHeight", Height());
  const int width = settings.ReadInteger("", "AppWidth", Width());
  if (x > screenWidth || y > screenHeight) {
    x = centredX;
    y = centredY;
  }
  SetBounds(x, y, Width(), Height());
  if (settings.ReadString("", "WindowStyle", "None") == "Max") {
    SetWindowState(forms::WindowState::wsMaximized);
  } else {
    SetBounds(x, y, width, height);
  }
}

void TMainfrm::SavePlacement() {
  forms::RegIniFile settings(kSettingsKey);
  // The size of a maximised window is the screen's: the saved size stays the one before.
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  GetWindowPlacement(Handle(), &placement);
  const bool maximised = GetWindowState() == forms::WindowState::wsMaximized;
  settings.WriteInteger("", "PosX", Left());
  settings.WriteInteger("", "PosY", Top());
  if (maximised) {
    settings.WriteString("", "WindowStyle", "Max");
  } else {
    settings.WriteString("", "WindowStyle", "None");
    settings.WriteInteger("", "AppHeight", Height());
    settings.WriteInteger("", "AppWidth", Width());
  }
}

void TMainfrm::FormShow() {
  forms::RegIniFile settings(kSettingsKey);
  if (settings.ReadInteger("", "ShowTips", 1) == 1 && !tipsShown_) {
    tipsShown_ = true;
    if (options_.ShowTipWindow) options_.ShowTipWindow(*this);
  }
  FitPathColumn();
  SetCaption(kCaptionIdle);
}

void TMainfrm::FormClose() {
  SavePlacement();
  MRUFileList1->SaveToRegistry();
  try {
    QXCtrl1->DeleteTempDirectories();
  } catch (...) {
    forms::ReportCurrentException();
  }
  CleanTempFolder(options_.TempFolder);
}

void TMainfrm::HandOff() {
  if (GetFileAttributesA(options_.HandoffFile.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  forms::StringList lines;
  {
    HANDLE file = CreateFileA(options_.HandoffFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;  // a folder of that name, or locked
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
      text.append(buffer, got);
    CloseHandle(file);
    lines.SetText(text);
  }
  TempMemo->SetText(lines.Text());
  const std::string path = lines.Count() > 0 ? lines[0] : std::string();
  DeleteFileA(options_.HandoffFile.c_str());
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
  BringToFront();
  if (path.empty()) return;  // nothing named: nothing opened
  if (Busy()) {
    // The control is working (its pumping let the message in): list it when it is done.
    pendingHandOff_ = path;
    if (!handOffTimer_) handOffTimer_ = SetTimer(Handle(), kHandOffTimer, 50, nullptr) != 0;
    return;
  }
  OpenByTheRoad(path);
}

void TMainfrm::ListPendingHandOff() {
  if (Busy()) return;
  KillTimer(Handle(), kHandOffTimer);
  handOffTimer_ = false;
  if (pendingHandOff_.empty()) return;
  const std::string path = pendingHandOff_;
  pendingHandOff_.clear();
  OpenByTheRoad(path);
}

}  // namespace pelloro
