// Registry entries of an in-process server: its classes (CLSID and ProgID keys) and the type
// library embedded in the module as TYPELIB resource 1.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

namespace activex {

struct ServerClass {
  const CLSID* clsid;
  const char* progId;       // "Module.Class.1"
  const char* description;  // the class key's default value and the ProgID's
  bool isControl;           // adds Control, TypeLib, Version and MiscStatus
  const GUID* typeLibrary;  // for controls
  const char* version;      // for controls: "3.0"
  DWORD miscStatus;         // for controls: the OLEMISC_* bits of the content aspect
};

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in upper case.
std::string GuidText(const GUID& guid);

// Writes the class's keys with modulePath as its InprocServer32 (threading model Apartment).
HRESULT RegisterServerClass(const ServerClass& serverClass, const std::string& modulePath);
// Removes the class's CLSID and ProgID trees; keys that are already missing count as removed.
HRESULT UnregisterServerClass(const ServerClass& serverClass);

// Registers the type library embedded in the module file.
HRESULT RegisterModuleTypeLibrary(const std::wstring& modulePath);
HRESULT UnregisterModuleTypeLibrary(const GUID& library, WORD major, WORD minor);

// Deletes a key with everything below it; true when it is gone afterwards.
bool DeleteKeyTree(HKEY root, const std::string& subkey);

}  // namespace activex
