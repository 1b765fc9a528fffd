// TMainfrm, Pelloro's main window: the open archive's entries in a list view that the compression
// control fills, the control itself, the settings in the registry, menus and toolbar, the road by
// which every command opens an archive, the enabling of the archive commands, the window's
// placement and the receiving side of the single-instance hand-off.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "explorer_button.h"
#include "file_drag.h"
#include "file_operator.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/file_dialogs.h"
#include "forms/form.h"
#include "forms/image.h"
#include "forms/menus.h"
#include "forms/panel.h"
#include "ms_list_view.h"
#include "mru_file_list.h"
#include "qxctrl.h"

namespace pelloro {

class TOp;

// The hand-off message a second instance sends to the idle one (wParam and lParam 0).
inline constexpr UINT WM_HANDOFF = WM_USER + 0x200;
// The rename queued by the end of a caption edit, run once the list's notification has returned.
inline constexpr UINT WM_RENAMEENTRY = WM_USER + 0x201;
// The hand-off file: line 0 is the archive's path.
inline constexpr char kHandoffFile[] = "C:\\Test.dat";

// What the main window's creation takes from outside (tests replace it).
struct TMainfrmOptions {
  // The second command-line argument ("" for none).
  std::string Argument;
  // The control to create (tests: another class with the same interfaces).
  const CLSID* ControlClass = nullptr;
  // The tip window, shown once at the first show when ShowTips is 1 (a later piece).
  std::function<void(forms::Form& owner)> ShowTipWindow;
  std::string HandoffFile = kHandoffFile;
  // The temporary folder tree the close removes (empty: the viewing folder of temp_folder.h).
  std::string TempFolder;
};

class TMainfrm : public forms::Form {
 public:
  explicit TMainfrm(forms::Component* owner, const TMainfrmOptions& options = TMainfrmOptions());
  ~TMainfrm() override;

  // The progress window, once it exists (the command-line open runs before it does).
  TOp* Op() const { return op_; }
  void SetOp(TOp* op);

  // The current archive: the one the last road opened (or tried to).
  const std::string& CurrentArchive() const { return currentArchive_; }

  // Opens and lists the current archive; true when listed.
  bool OpenAndList();
  // The road of every command that opens an archive: the archive becomes the current one (and
  // the open dialog's file name), then progress window with activity A, OpenAndList, dropping
  // on, recent list, EnableActions (the closed look when the open failed).
  bool OpenByTheRoad(const std::string& archive);
  void DisableActions();
  void EnableActions();
  // Whether the last listing succeeded (the open look); false in the closed look.
  bool Listed() const { return listed_; }
  // The closed look: list hidden, actions and dropping off, status "(no open file)", idle.
  void ShowClosed();
  // The archive becomes the current one and is listed: the open look when listed, else closed.
  bool ListArchive(const std::string& archive);
  // Runs the menu item of that component name as its click is bound now.
  void RunMenuItem(const char* name);
  void ShowActivity(char letter);
  void ResetActivity();
  static std::string StripQuotes(const std::string& text);
  bool SystemIcons() const { return systemIcons_; }
  // How many times an archive was listed (each OpenAndList that reached the control).
  int ListingCount() const { return listingCount_; }

  // The open road in progress or a control call: a hand-off then waits for it to end.
  bool Busy() const { return QXCtrl1->CallsInProgress() != 0; }

  // One row of the menus' table: the item is added below the item of component name `parent`
  // ("MainMenu1" and "PopupMenu1" for their roots), named, with its caption and shortcut, kept
  // in the field (when one is given) and clicked into the handler (when one is given).
  struct MenuRow {
    const char* parent;
    forms::MenuItem* TMainfrm::*field;
    const char* name;
    const char* caption;
    forms::ShortCut shortCut;
    void (TMainfrm::*handler)();
  };
  // Adds the rows' items in order and binds their handlers: the one place a command is bound.
  void AddMenuRows(std::span<const MenuRow> rows);

  TQXCtrl* QXCtrl1 = nullptr;
  TMSListView* MSListview1;
  forms::Memo* TempMemo;
  forms::StatusBar* StatusBar1;
  forms::Panel* Toolbar;
  forms::MainMenu* MainMenu1;
  forms::PopupMenu* PopupMenu1;
  forms::MenuItem* File1;
  forms::MenuItem* Functions1;
  forms::MenuItem* Sendto1;
  forms::MenuItem* Plugins1;
  forms::MenuItem* Help1;
  forms::MenuItem* Exit1;
  forms::MenuItem* OpenNormal1;
  TMRUFileList* MRUFileList1;
  TFileOperator* Operator;
  TFileDrag* FileDrag1;
  forms::OpenDialog* OpenDialog1;
  forms::ImageList* LargeIcons = nullptr;
  forms::ImageList* SmallIcons = nullptr;
  TExplorerButton* ExplorerButton1;   // &Open...
  TExplorerButton* ExplorerButton2;   // &New...
  TExplorerButton* ExplorerButton12;  // F&ind...
  TExplorerButton* ExplorerButton4;   // &UnZip
  TExplorerButton* ExplorerButton9;   // &Delete
  TExplorerButton* ExplorerButton6;   // Add...
  TExplorerButton* ExplorerButton7;   // &Properties
  TExplorerButton* ExplorerButton8;   // &Repair
  TExplorerButton* ExplorerButton5;   // &View
  TExplorerButton* ExplorerButton3;   // the wasted-space wizard
  TExplorerButton* Installbtn;        // &Install Program
  TExplorerButton* ExplorerButton11;  // Unzip &Wizard
  TExplorerButton* ExplorerButton13;  // &Make SFX
  TExplorerButton* ExplorerButton10;  // &Exit

 private:
  static const MenuRow kMenuRows[];
  void BuildMenus();
  forms::MenuItem& NamedItem(const char* name) const;
  void BuildToolbar();
  // Widens the "Path" column to the list's client width (the current one for -1).
  void FitPathColumn(int clientWidth = -1);
  void BindControlEvents();
  void ReadPlacement();
  void SavePlacement();
  void FormShow();
  void FormClose();
  // The current archive and the open dialog's file name.
  void UseArchive(const std::string& archive);
  void HandOff();
  void ListPendingHandOff();
  void SetStatus(const std::string& path, const std::string& count);

  // The commands (main_commands.cpp), named by component and event.
  void OpenNormal1Click();
  void Exit1Click();
  void ExplorerButton10Click();
  void MRUFileList1MRUItemClick(const std::string& fileName);
  // The editing commands (edit_commands.cpp).
  void CreateNewZip1Click();
  void Addfiles1Click();
  void Extract1Click();
  void Properties1Click();
  void Removewithwildcard1Click();
  void Refresh1Click();
  void MoveCopyZip1Click();
  void RecyclingBin1Click();
  void RemoveselectedFiles1Click();
  void RepairCorruptZipfile1Click();
  void FileDrag1Drop();
  void ViewStyleClick(forms::ViewStyle style, const char* item);
  void ListKeyDown(WORD& key);
  // Renaming in place (rename_command.cpp): the caption edit's end queues the rename, which runs
  // once the list's notification has returned.
  void MSListview1Edited(int item, const std::string& text);
  void RenamePending();
  void RenameEntry(int item, const std::string& newName);
  void BindCommandMap();

  TMainfrmOptions options_;
  std::string currentArchive_;
  TOp* op_ = nullptr;
  bool tipsShown_ = false;
  int listingCount_ = 0;
  bool systemIcons_ = false;
  bool imageListBuilt_ = false;
  // A hand-off that arrived while the control was busy: listed once it is idle (the latest wins).
  std::string pendingHandOff_;
  bool handOffTimer_ = false;
  std::vector<forms::MenuItem*> actionItems_;
  bool listed_ = false;
  int renameItem_ = -1;
  std::string renameText_;
};

}  // namespace pelloro
