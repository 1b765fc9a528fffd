// The installer's registry table and the uninstaller's removal of the same keys. The class ".zip"
// named before the installation (another program's) is kept as "PreviousZipClass" of the
// uninstall key and written back on removal; the keys go with their subkeys by a recursive
// delete of our own (RegDeleteKeyA deletes no tree on NT or Wine).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace setup {

struct RegistryRow {
  HKEY root;
  std::string key;
  std::string value;  // the default value
  bool setValue;      // false: the key is created only
};

// The table, with P the install folder's short form (with a trailing backslash).
std::vector<RegistryRow> RegistryTable(const std::string& p);
// Remembers another program's ".zip" class, then writes the table (errors are not reported).
void WriteRegistry(const std::string& p);
// Removes what WriteRegistry wrote, giving ".zip" back to the program it belonged to.
void RemoveRegistry();

// A key's default value ("" when it has none), and whether the key exists.
bool ReadDefault(HKEY root, const std::string& key, std::string& value);
// Deletes a key with every subkey; true when it is gone.
bool DeleteKeyTree(HKEY root, const std::string& key);

}  // namespace setup
