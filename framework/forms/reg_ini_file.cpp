#include "forms/reg_ini_file.h"

#include <cstdlib>
#include <vector>

namespace forms {

namespace {

std::string Join(const std::string& path, const std::string& section) {
  if (section.empty()) return path;
  if (path.empty()) return section;
  return path.back() == '\\' ? path + section : path + "\\" + section;
}

}  // namespace

bool ParseInteger(const std::string& text, int& value) {
  size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  std::string trimmed = text.substr(start);
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.pop_back();
  if (trimmed.empty()) return false;
  bool negative = false;
  size_t i = 0;
  if (trimmed[0] == '-' || trimmed[0] == '+') {
    negative = trimmed[0] == '-';
    i = 1;
  }
  int base = 10;
  if (trimmed.size() > i + 1 && trimmed[i] == '0' &&
      (trimmed[i + 1] == 'x' || trimmed[i + 1] == 'X')) {
    base = 16;
    i += 2;
  } else if (i < trimmed.size() && trimmed[i] == '$') {
    base = 16;
    ++i;
  }
  if (i >= trimmed.size()) return false;
  char* end = nullptr;
  const unsigned long long parsed = strtoull(trimmed.c_str() + i, &end, base);
  if (end == nullptr || *end != '\0' || (base == 10 && parsed > 0x80000000ull) ||
      parsed > 0xFFFFFFFFull)
    return false;
  const long long signedValue =
      negative ? -static_cast<long long>(parsed) : static_cast<long long>(parsed);
  value = static_cast<int>(static_cast<unsigned int>(signedValue));
  return true;
}

RegIniFile::RegIniFile(const std::string& keyPath) : path_(keyPath) {
  while (!path_.empty() && path_.front() == '\\') path_.erase(path_.begin());
  while (!path_.empty() && path_.back() == '\\') path_.pop_back();
}

RegIniFile::~RegIniFile() = default;

HKEY RegIniFile::OpenSection(const std::string& section, bool create) const {
  const std::string path = Join(path_, section);
  HKEY key = nullptr;
  LONG status;
  if (create) {
    status = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                             nullptr, &key, nullptr);
  } else {
    status = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
  }
  return status == ERROR_SUCCESS ? key : nullptr;
}

std::string RegIniFile::ReadString(const std::string& section, const std::string& name,
                                   const std::string& fallback) const {
  HKEY key = OpenSection(section, false);
  if (key == nullptr) return fallback;
  std::string result = fallback;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<char> buffer(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &got) == ERROR_SUCCESS)
      result = buffer.data();
  }
  RegCloseKey(key);
  return result;
}

bool RegIniFile::WriteString(const std::string& section, const std::string& name,
                             const std::string& value) {
  HKEY key = OpenSection(section, true);
  if (key == nullptr) return false;
  const LONG status =
      RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

int RegIniFile::ReadInteger(const std::string& section, const std::string& name,
                            int fallback) const {
  int value = fallback;
  if (!ParseInteger(ReadString(section, name, ""), value)) return fallback;
  return value;
}

bool RegIniFile::WriteInteger(const std::string& section, const std::string& name, int value) {
  return WriteString(section, name, std::to_string(value));
}

bool RegIniFile::ReadBool(const std::string& section, const std::string& name,
                          bool fallback) const {
  return ReadInteger(section, name, fallback ? 1 : 0) != 0;
}

bool RegIniFile::WriteBool(const std::string& section, const std::string& name, bool value) {
  return WriteString(section, name, value ? "1" : "0");
}

bool RegIniFile::ValueExists(const std::string& section, const std::string& name) const {
  HKEY key = OpenSection(section, false);
  if (key == nullptr) return false;
  const bool exists =
      RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return exists;
}

void RegIniFile::ReadSectionValues(const std::string& section, StringList& lines) const {
  lines.BeginUpdate();
  lines.Clear();
  HKEY key = OpenSection(section, false);
  if (key != nullptr) {
    DWORD maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                     &maxData, nullptr, nullptr);
    std::vector<char> name(maxName + 2), data(maxData + 2);
    for (DWORD index = 0;; ++index) {
      DWORD nameSize = static_cast<DWORD>(name.size());
      DWORD dataSize = static_cast<DWORD>(data.size() - 1);
      DWORD type = 0;
      std::fill(data.begin(), data.end(), '\0');
      const LONG status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &dataSize);
      if (status != ERROR_SUCCESS) break;
      if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
      lines.Add(std::string(name.data(), nameSize) + "=" + std::string(data.data()));
    }
    RegCloseKey(key);
  }
  lines.EndUpdate();
}

void RegIniFile::ReadSection(const std::string& section, StringList& names) const {
  StringList values;
  ReadSectionValues(section, values);
  names.BeginUpdate();
  names.Clear();
  for (int i = 0; i < values.Count(); ++i) names.Add(values.Name(i));
  names.EndUpdate();
}

bool RegIniFile::EraseSection(const std::string& section) {
  const std::string path = Join(path_, section);
  // The section holds values only; a key with sub-keys is not this wrapper's to erase.
  const LONG status = RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegIniFile::DeleteKey(const std::string& section, const std::string& name) {
  HKEY key = OpenSection(section, true);
  if (key == nullptr) return false;
  const bool deleted = RegDeleteValueA(key, name.c_str()) == ERROR_SUCCESS;
  RegCloseKey(key);
  return deleted;
}

}  // namespace forms
