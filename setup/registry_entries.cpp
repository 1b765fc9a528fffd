#include "registry_entries.h"

#include <cstring>

#include "setup_texts.h"

namespace setup {

namespace {

constexpr char kVerbName[] = "Pelloro '95 Tavrell folder compress";
constexpr char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App paths\\";

class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool ReadString(HKEY key, const char* name, std::string& value) {
  char buffer[1024] = {};
  DWORD type = 0, size = sizeof buffer - 1;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  value.assign(buffer, strnlen(buffer, size));
  return true;
}

// Gives ".zip" (under the root) back: to the class kept at installation, else our default value
// goes, and the key with it when nothing else is in it.
void RestoreZipKey(HKEY root, const std::string& path, const std::string& previous) {
  if (!previous.empty()) {
    RegSetValueA(root, path.c_str(), REG_SZ, previous.c_str(), static_cast<DWORD>(previous.size()));
    return;
  }
  Key key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS) return;
  // A class other than ours is another program's, set after the installation (or left by an
  // uninstallation before this one): it stays.
  std::string current;
  if (ReadString(key.get(), "", current) && current != texts::kZipClass) return;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const bool hasDefault =
      RegQueryValueExA(key.get(), "", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  const DWORD others = values - (hasDefault ? 1 : 0);
  if (subkeys == 0 && others == 0) {
    RegCloseKey(*key.out());
    *key.out() = nullptr;
    RegDeleteKeyA(root, path.c_str());
  } else {
    RegDeleteValueA(key.get(), "");
  }
}

}  // namespace

std::vector<RegistryRow> RegistryTable(const std::string& p) {
  const HKEY cr = HKEY_CLASSES_ROOT, lm = HKEY_LOCAL_MACHINE;
  return {
      {cr, ".zip", texts::kZipClass, true},
      {cr, "ZipFile", "Pelloro '95 Compressed File", true},
      {cr, "ZipFile\\Shell", "", false},
      {cr, "ZipFile\\Shell\\open", "", false},
      {cr, "ZipFile\\Shell\\open\\command", p + "PELLORO.EXE /open \"%1\"", true},
      {cr, "ZipFile\\DefaultIcon", p + "PELLORO.EXE,0", true},
      {cr, "Directory\\shell\\Compress", kVerbName, true},
      {cr, "Directory\\shell\\Compress\\command", p + "Vantrel.exe /spf \"%1\"", true},
      {cr, "Drive\\shell\\Compress", kVerbName, true},
      {cr, "Drive\\shell\\Compress\\command", p + "Vantrel.exe /spd \"%1\"", true},
      {lm, std::string(kAppPaths) + "Pelloro.exe", p + "Pelloro.exe", true},
      {lm, std::string(kAppPaths) + "Vantrel.exe", p + "Vantrel.exe", true},
      {lm, "Software\\Classes\\.zip", texts::kZipClass, true},
  };
}

bool ReadDefault(HKEY root, const std::string& path, std::string& value) {
  value.clear();
  Key key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return false;
  ReadString(key.get(), "", value);
  return true;
}

void WriteRegistry(const std::string& p) {
  std::string previous;
  if (ReadDefault(HKEY_CLASSES_ROOT, ".zip", previous) && !previous.empty() &&
      previous != texts::kZipClass) {
    Key uninstall;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, texts::kUninstallKey, uninstall.out()) == ERROR_SUCCESS) {
      RegSetValueExA(uninstall.get(), texts::kPreviousZipClass, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(previous.c_str()),
                     static_cast<DWORD>(previous.size() + 1));
    }
  }
  for (const RegistryRow& row : RegistryTable(p)) {
    Key key;
    if (RegCreateKeyA(row.root, row.key.c_str(), key.out()) != ERROR_SUCCESS) continue;
    if (row.setValue) {
      RegSetValueA(key.get(), nullptr, REG_SZ, row.value.c_str(),
                   static_cast<DWORD>(row.value.size()));
    }
  }
}

bool DeleteKeyTree(HKEY root, const std::string& path) {
  {
    Key key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS) {
      return false;
    }
    // Collected first: deleting while enumerating shifts the indices.
    std::vector<std::string> children;
    char name[256];
    for (DWORD index = 0;; ++index) {
      DWORD length = sizeof name;
      if (RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      children.emplace_back(name, length);
    }
    for (const std::string& child : children) DeleteKeyTree(key.get(), child);
  }
  return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

void RemoveRegistry() {
  std::string previous;
  {
    Key uninstall;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, texts::kUninstallKey, 0, KEY_READ, uninstall.out()) ==
        ERROR_SUCCESS) {
      ReadString(uninstall.get(), texts::kPreviousZipClass, previous);
    }
  }
  RestoreZipKey(HKEY_CLASSES_ROOT, ".zip", previous);
  DeleteKeyTree(HKEY_CLASSES_ROOT, "ZipFile");
  DeleteKeyTree(HKEY_CLASSES_ROOT, "Directory\\shell\\Compress");
  DeleteKeyTree(HKEY_CLASSES_ROOT, "Drive\\shell\\Compress");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "Pelloro.exe");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "Vantrel.exe");
  // The same key as HKEY_CLASSES_ROOT's on Windows 95, NT and Wine: the same treatment.
  RestoreZipKey(HKEY_LOCAL_MACHINE, "Software\\Classes\\.zip", previous);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, texts::kUninstallKey);
}

}  // namespace setup
