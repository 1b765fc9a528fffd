// Settings in the registry read and written like an ini file: the key is a path under
// HKEY_CURRENT_USER (a leading "\" is dropped: the registry refuses it), a section is a subkey,
// a value is a string value; integers are stored as decimal text and read back from decimal or
// "0x" hexadecimal text.
#pragma once

#include <windows.h>

#include <string>

#include "forms/string_list.h"

namespace forms {

class RegIniFile {
 public:
  explicit RegIniFile(const std::string& keyPath);
  ~RegIniFile();
  RegIniFile(const RegIniFile&) = delete;
  RegIniFile& operator=(const RegIniFile&) = delete;

  const std::string& KeyPath() const { return path_; }
  std::string ReadString(const std::string& section, const std::string& name,
                         const std::string& fallback) const;
  // False when the value could not be written.
  bool WriteString(const std::string& section, const std::string& name, const std::string& value);
  int ReadInteger(const std::string& section, const std::string& name, int fallback) const;
  bool WriteInteger(const std::string& section, const std::string& name, int value);
  bool ReadBool(const std::string& section, const std::string& name, bool fallback) const;
  bool WriteBool(const std::string& section, const std::string& name, bool value);
  bool ValueExists(const std::string& section, const std::string& name) const;
  // Every value of the section as "name=value", in the order the registry lists them.
  void ReadSectionValues(const std::string& section, StringList& lines) const;
  void ReadSection(const std::string& section, StringList& names) const;
  bool EraseSection(const std::string& section);
  bool DeleteKey(const std::string& section, const std::string& name);

 private:
  HKEY OpenSection(const std::string& section, bool create) const;
  std::string path_;
};

// Parses decimal or "0x" hexadecimal text; false when it is neither.
bool ParseInteger(const std::string& text, int& value);

}  // namespace forms
