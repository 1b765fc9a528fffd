// Favourites: "Pelloro Favourites PLUS!" (TOpenAutofrm) lists the files of one folder, or of all
// favourite folders ("Auto-Folders"), with size, type and modification time, and opens a chosen
// archive in the main window; it also renames and deletes files. "Manage Auto-Folders"
// (TManageAuto) edits the list of favourite folders, kept in the program folder's
// AutoFolders.lst, one path a line, lines ended by CR LF. The registry value "UseFav" says
// whether the browser starts with the favourites.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browse_directory_dlg.h"
#include "explorer_button.h"
#include "file_operator.h"
#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/lists.h"
#include "forms/menus.h"
#include "forms/panel.h"
#include "forms/timer.h"
#include "ms_list_view.h"

namespace pelloro {

class TMainfrm;

// The favourites list file in the program's folder (the name is found without regard to case).
std::string FavouritesListPath();
bool FavouritesListExists();
// The favourite folders in file order; empty when the file is missing or unreadable.
std::vector<std::string> ReadFavourites();
// Writes the folders, each line ended by CR LF (the file created or replaced); false when the
// file could not be written whole.
bool WriteFavourites(const std::vector<std::string>& folders);

// "UseFav" as stored ("True" when absent), and whether the browser starts with the favourites
// (the value in upper case is "TRUE").
std::string UseFavSetting();
bool UseFavourites();

// A file's size as the browser shows it: whole kilobytes and " KB", 1 to 1,023 bytes counting as
// 1 and an empty file as 0.
std::string FavouriteSizeText(uint64_t size);
// The last-write time in local time as the user's short date, two blanks and the time without
// seconds.
std::string FavouriteTimeText(const FILETIME& lastWrite);
// Whether the last-write time (local DOS date and time) is not earlier than today at 00:00.
bool WrittenToday(const FILETIME& lastWrite);

// The shell's file information (SHGetFileInfoA) and the freeing of the icon it hands back: every
// icon it returns is destroyed. Tests count both.
struct FavouritesShell {
  std::function<DWORD_PTR(const char* path, SHFILEINFOA* info, UINT flags)> FileInfo;
  std::function<void(HICON icon)> DestroyIcon;
};
FavouritesShell& FavouritesShellCalls();
void ResetFavouritesShell();

class TManageAuto : public forms::Form {
 public:
  explicit TManageAuto(forms::Component* owner);

  forms::ListBox* ListBox1;
  TExplorerButton* ExplorerButton1;  // Add &New...
  TExplorerButton* ExplorerButton2;  // &Remove..
  TExplorerButton* ExplorerButton3;  // &Sort...
  forms::PopupMenu* PopupMenu1;
  forms::MenuItem* On1;
  forms::MenuItem* Off1;
  forms::Button* BitBtn2;  // &OK
  forms::Button* BitBtn1;  // Cance&l
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;

  bool Sorted() const { return sorted_; }
  std::vector<std::string> Folders() const;

 private:
  void FormShow();
  void ExplorerButton1Click();
  void ExplorerButton2Click();
  void SetSorting(bool on);
  void Append(const std::string& folder);
  void BitBtn2Click();

  bool sorted_ = false;
};

class TOpenAutofrm : public forms::Form {
 public:
  TOpenAutofrm(forms::Component* owner, TMainfrm& main);
  ~TOpenAutofrm() override;

  TMSListView* ListView1;
  forms::Edit* Edit1;
  forms::Button* Openbtn;
  forms::Button* Cancelbtn;
  forms::Button* Updatebtn;
  forms::Button* BitBtn4;  // &Browse
  forms::Button* BitBtn5;  // &Favourites
  forms::ComboBox* ComboBox1;
  forms::ComboBox* ComboBox2;
  forms::CheckBox* CheckBox1;
  forms::ListBox* ListBox1;  // the favourites while scanning (hidden)
  forms::StatusBar* StatusBar1;
  forms::Panel* Panel1;
  forms::Label* FileLabel1;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;
  TFileOperator* FileOperator1;
  forms::PopupMenu* PopupMenu1;
  forms::MenuItem* UseFavourites1;
  forms::MenuItem* ManageyourFavourites1;
  forms::MenuItem* OpenthisFile1;
  forms::MenuItem* LargeIcons1;
  forms::MenuItem* SmallIcons1;
  forms::MenuItem* Report1;
  forms::MenuItem* List1;
  forms::MenuItem* Rename1;
  forms::MenuItem* Delete1;
  forms::Timer* Timer1;

  const std::string& Mask() const { return mask_; }
  std::string Status() const;
  // The item whose caption is the path, or -1.
  int IndexOfPath(const std::string& path) const;

 private:
  void FormShow();
  void Timer1Timer();
  void CheckBox1Click();
  void UpdatebtnClick();
  void UseFavourites1Click();
  void ManageyourFavourites1Click();
  void BitBtn4Click();
  void BitBtn5Click();
  void ComboBox2Change();
  void FormKeyUp(WORD key);
  void ListView1Click();
  void OpenbtnClick();
  void ViewStyleClick(forms::MenuItem* item, forms::ViewStyle style);
  void Rename1Click();
  void Delete1Click();
  void ListView1Edited(int item, std::string& text, bool& accept);
  void ListView1KeyUp(WORD key);

  // Offers to create the missing list file (Manage on Yes); true when the file exists then.
  bool ListFileReady();
  void ScanFolder(const std::string& folder);
  void AddItem(const std::string& folder, const WIN32_FIND_DATAA& data);
  // Renames the item's file to the text (a bare name stays in the item's folder); true when the
  // shell did it.
  bool RenameItem(const std::string& path, const std::string& text);
  bool DeleteItem(const std::string& path);
  std::string SelectedPath() const;
  void SetStatus(const std::string& text);
  void StatusIdleOfSelection();
  // The form's key-up handler runs before each control's own (the forms layer previews only
  // key-downs).
  void PreviewKeyUp(forms::WinControl& control);

  TMainfrm& main_;
  std::string mask_ = "*.ZIP";
  bool closed_ = false;
};

}  // namespace pelloro
