// TBrowseDirectoryDlg: the shell's folder picker; Directory is the folder chosen by the last
// successful Execute. The shell calls go through Shell, which tests replace.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

#include "forms/component.h"

enum class TRootID {
  idDesktop = 0,
  idDesktopExpanded = 1,
  idPrograms = 2,
  idControlPanel = 3,
  idPrinters = 4,
  idPersonal = 5,
  idFavorites = 6,
  idStartup = 7,
  idRecent = 8,
  idSendTo = 9,
  idRecycleBin = 10,
  idStartMenu = 11,
  idDesktopDirectory = 16,
  idDrives = 17,
  idNetwork = 18,
  idNetHood = 19,
  idFonts = 20,
  idTemplates = 21,
};

enum TBrowseFlag : unsigned {
  bfDirectoriesOnly = 0x1,
  bfDomainOnly = 0x2,
  bfAncestors = 0x8,
  bfComputers = 0x1000,
  bfPrinters = 0x2000,
};
using TBrowseFlags = unsigned;

struct TBrowseShell {
  std::function<HRESULT(HWND, int csidl, LPITEMIDLIST* list)> GetSpecialFolderLocation;
  std::function<LPITEMIDLIST(BROWSEINFOA* info)> BrowseForFolder;
  std::function<BOOL(LPCITEMIDLIST list, char* path)> GetPathFromIDList;
};

class TBrowseDirectoryDlg : public forms::Component {
 public:
  explicit TBrowseDirectoryDlg(forms::Component* owner);
  std::string Title;
  TRootID Root = TRootID::idDesktopExpanded;
  TBrowseFlags Options = 0;
  const std::string& Directory() const { return directory_; }
  // True when a file-system folder was chosen; Directory then holds its path.
  virtual bool Execute();
  TBrowseShell Shell;

 private:
  std::string directory_;
};
