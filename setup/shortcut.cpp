#include "shortcut.h"

#include <shlobj.h>
#include <objidl.h>

#include "activex/com_ref.h"

namespace setup {

HRESULT CreateLink(const std::string& target, const std::string& linkFile,
                   const std::string& description) {
  activex::ComRef<IShellLinkA> link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    link.outVoid());
  if (FAILED(result)) return result;
  link->SetPath(target.c_str());
  link->SetDescription(description.c_str());
  activex::ComRef<IPersistFile> file;
  result = link.As(IID_IPersistFile, &file);
  if (FAILED(result)) return result;
  WCHAR name[MAX_PATH] = {};
  if (MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, name, MAX_PATH) == 0) return E_FAIL;
  return file->Save(name, TRUE);
}

}  // namespace setup
