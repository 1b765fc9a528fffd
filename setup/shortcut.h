// The shortcut routine: a shell link to a target with a description, saved under a file name.
#pragma once

#include <windows.h>

#include <string>

namespace setup {

// Between the caller's CoInitialize and CoUninitialize; the last HRESULT comes back.
HRESULT CreateLink(const std::string& target, const std::string& linkFile,
                   const std::string& description);

}  // namespace setup
