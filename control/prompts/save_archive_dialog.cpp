#include "save_archive_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "control_settings.h"

namespace {

// The dialog's filter: the replaceable text with '|' separators, as the dialog wants it
// (NUL-separated, ending in two NULs).
std::string DialogFilter(const CZText& text) {
  std::string filter = text.str();
  for (char& c : filter)
    if (c == '|') c = '\0';
  filter.append(2, '\0');
  return filter;
}

}  // namespace

bool ShowSaveArchiveDialog(CZText& name) {
  char chosen[MAX_PATH * 4] = {};
  lstrcpynA(chosen, name.c_str(), sizeof chosen);
  const std::string filter = DialogFilter(PromptText(kTextSaveFilter));
  CZText title = PromptText(kTextSaveTitle);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = sizeof chosen;
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = "ZIP";
  dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameA(&dialog)) return false;
  name = chosen;
  return true;
}
