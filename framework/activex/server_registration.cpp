#include "activex/server_registration.h"

#include <oleauto.h>
#include <olectl.h>

#include <cstdio>

#include "activex/com_ref.h"

namespace activex {
namespace {

bool SetValue(HKEY root, const std::string& subkey, const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool CreateKey(HKEY root, const std::string& subkey) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

}  // namespace

std::string GuidText(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

bool DeleteKeyTree(HKEY root, const std::string& subkey) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  // Always delete the first child: the indexes shift as children go.
  for (;;) {
    char child[256];
    DWORD length = sizeof child;
    if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    if (!DeleteKeyTree(key, child)) {
      RegCloseKey(key);
      return false;
    }
  }
  RegCloseKey(key);
  status = RegDeleteKeyA(root, subkey.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

HRESULT RegisterServerClass(const ServerClass& serverClass, const std::string& modulePath) {
  if (modulePath.empty()) return SELFREG_E_CLASS;
  const std::string clsidKey = "CLSID\\" + GuidText(*serverClass.clsid);
  bool ok =
      SetValue(HKEY_CLASSES_ROOT, clsidKey, nullptr, serverClass.description) &&
      SetValue(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", nullptr, modulePath) &&
      SetValue(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
      SetValue(HKEY_CLASSES_ROOT, clsidKey + "\\ProgID", nullptr, serverClass.progId) &&
      SetValue(HKEY_CLASSES_ROOT, serverClass.progId, nullptr, serverClass.description) &&
      SetValue(HKEY_CLASSES_ROOT, std::string(serverClass.progId) + "\\CLSID", nullptr,
               GuidText(*serverClass.clsid));
  if (ok && serverClass.isControl) {
    ok = CreateKey(HKEY_CLASSES_ROOT, clsidKey + "\\Control") &&
         SetValue(HKEY_CLASSES_ROOT, clsidKey + "\\TypeLib", nullptr,
                  GuidText(*serverClass.typeLibrary)) &&
         SetValue(HKEY_CLASSES_ROOT, clsidKey + "\\Version", nullptr, serverClass.version) &&
         SetValue(HKEY_CLASSES_ROOT, clsidKey + "\\MiscStatus", nullptr, "0") &&
         SetValue(HKEY_CLASSES_ROOT, clsidKey + "\\MiscStatus\\1", nullptr,
                  std::to_string(serverClass.miscStatus));
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterServerClass(const ServerClass& serverClass) {
  bool ok = DeleteKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + GuidText(*serverClass.clsid));
  ok = DeleteKeyTree(HKEY_CLASSES_ROOT, serverClass.progId) && ok;
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT RegisterModuleTypeLibrary(const std::wstring& modulePath) {
  if (modulePath.empty()) return SELFREG_E_TYPELIB;
  ComRef<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library.out());
  if (FAILED(hr)) return SELFREG_E_TYPELIB;
  // The help folder is the module's folder.
  std::wstring folder = modulePath.substr(0, modulePath.find_last_of(L"\\/") + 1);
  hr = RegisterTypeLib(library.get(), const_cast<wchar_t*>(modulePath.c_str()),
                       folder.empty() ? nullptr : const_cast<wchar_t*>(folder.c_str()));
  return FAILED(hr) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT UnregisterModuleTypeLibrary(const GUID& library, WORD major, WORD minor) {
#ifdef _WIN64
  const SYSKIND kind = SYS_WIN64;
#else
  const SYSKIND kind = SYS_WIN32;
#endif
  // A library that is not registered is already unregistered.
  HKEY key = nullptr;
  const std::string version =
      "TypeLib\\" + GuidText(library) + "\\" + std::to_string(major) + "." + std::to_string(minor);
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, version.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return S_OK;
  }
  RegCloseKey(key);
  HRESULT hr = UnRegisterTypeLib(library, major, minor, LOCALE_NEUTRAL, kind);
  if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED) return S_OK;
  return FAILED(hr) ? SELFREG_E_TYPELIB : S_OK;
}

}  // namespace activex
