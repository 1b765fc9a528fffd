#include "browse_directory_dlg.h"

#include "activex/com_ref.h"
#include "forms/application.h"
#include "forms/form.h"
#include "forms/win_control.h"

TBrowseDirectoryDlg::TBrowseDirectoryDlg(forms::Component* owner) : Component(owner) {
  Shell.GetSpecialFolderLocation = [](HWND window, int csidl, LPITEMIDLIST* list) {
    return SHGetSpecialFolderLocation(window, csidl, list);
  };
  Shell.BrowseForFolder = [](BROWSEINFOA* info) { return SHBrowseForFolderA(info); };
  Shell.GetPathFromIDList = [](LPCITEMIDLIST list, char* path) {
    return SHGetPathFromIDListA(list, path);
  };
}

bool TBrowseDirectoryDlg::Execute() {
  HWND owner = nullptr;
  if (auto* windowed = dynamic_cast<forms::WinControl*>(Owner())) {
    owner = windowed->Handle();
  } else if (forms::Application::Instance().MainForm != nullptr) {
    owner = forms::Application::Instance().MainForm->Handle();
  }
  activex::ComRef<IMalloc> allocator;
  if (FAILED(CoGetMalloc(1, allocator.out())) || !allocator) return false;
  char* buffer = static_cast<char*>(allocator->Alloc(MAX_PATH));
  if (buffer == nullptr) return false;
  buffer[0] = '\0';
  // The expanded desktop is the desktop itself as the root (no item list); other roots are the
  // shell's special folders.
  LPITEMIDLIST root = nullptr;
  if (Root != TRootID::idDesktopExpanded) {
    if (FAILED(Shell.GetSpecialFolderLocation(owner, static_cast<int>(Root), &root)))
      root = nullptr;
  }
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = root;
  info.pszDisplayName = buffer;
  info.lpszTitle = Title.c_str();
  info.ulFlags = Options;
  bool chosen = false;
  std::string path;
  LPITEMIDLIST picked = Shell.BrowseForFolder(&info);
  if (picked != nullptr) {
    if (Shell.GetPathFromIDList(picked, buffer)) {
      path = buffer;
      chosen = true;
    }
    allocator->Free(picked);
  }
  if (root != nullptr) allocator->Free(root);
  allocator->Free(buffer);
  if (chosen) directory_ = path;
  return chosen;
}
