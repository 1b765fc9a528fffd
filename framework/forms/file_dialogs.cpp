#include "forms/file_dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include "forms/application.h"
#include "forms/form.h"

namespace forms {

bool OpenDialog::Execute() { return Run(false); }

bool OpenDialog::Run(bool save) {
  std::string filter = Filter;
  for (char& c : filter) {
    if (c == '|') c = '\0';
  }
  filter.append(2, '\0');
  std::vector<char> buffer(32768, '\0');
  lstrcpynA(buffer.data(), FileName.c_str(), static_cast<int>(buffer.size()));
  OPENFILENAMEA info = {};
  info.lStructSize = sizeof(info);
  HWND owner = GetActiveWindow();
  info.hwndOwner = owner;
  info.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  info.nFilterIndex = static_cast<DWORD>(FilterIndex);
  info.lpstrFile = buffer.data();
  info.nMaxFile = static_cast<DWORD>(buffer.size());
  info.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  info.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  info.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
  DWORD flags = OFN_EXPLORER | OFN_ENABLESIZING;
  if (Options & ofReadOnly) flags |= OFN_READONLY;
  if (Options & ofOverwritePrompt) flags |= OFN_OVERWRITEPROMPT;
  if (Options & ofHideReadOnly) flags |= OFN_HIDEREADONLY;
  if (Options & ofNoChangeDir) flags |= OFN_NOCHANGEDIR;
  if (Options & ofAllowMultiSelect) flags |= OFN_ALLOWMULTISELECT;
  if (Options & ofPathMustExist) flags |= OFN_PATHMUSTEXIST;
  if (Options & ofFileMustExist) flags |= OFN_FILEMUSTEXIST;
  if (Options & ofCreatePrompt) flags |= OFN_CREATEPROMPT;
  if (Options & ofNoReadOnlyReturn) flags |= OFN_NOREADONLYRETURN;
  if (Options & ofNoValidate) flags |= OFN_NOVALIDATE;
  info.Flags = flags;
  const BOOL chosen = save ? GetSaveFileNameA(&info) : GetOpenFileNameA(&info);
  if (!chosen) return false;
  FilterIndex = static_cast<int>(info.nFilterIndex);
  Files.Clear();
  const char* first = buffer.data();
  const char* next = first + lstrlenA(first) + 1;
  if ((Options & ofAllowMultiSelect) && *next != '\0') {
    std::string folder = first;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    for (; *next != '\0'; next += lstrlenA(next) + 1) Files.Add(folder + next);
    FileName = Files.Get(0);
  } else {
    FileName = first;
    Files.Add(FileName);
  }
  return true;
}

}  // namespace forms
