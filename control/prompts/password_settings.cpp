#include "password_settings.h"

#include <cstdio>

#include "control_settings.h"

namespace {

const char kSection[] = "ZipUnzipPasswords";
const char kKeyStem[] = "szExtractPassword";
constexpr DWORD kValueBufferSize = 512;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The profile functions drop blanks at both ends of a value and one pair of enclosing quotes.
bool NeedsQuotes(const std::string& value) {
  if (value.empty()) return false;
  return IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '"' ||
         value.front() == '\'';
}

}  // namespace

void SetIniFile(const char* fileName) { SetIniName(fileName); }

void SetPasswordMode(BOOL show, BOOL save) { SetPasswordFlags(show, save); }

std::string RememberedPasswordKey(int position) {
  char key[64];
  std::snprintf(key, sizeof(key), "%s_%.02i", kKeyStem, position);
  return key;
}

std::string ReadPasswordKey(const char* key) {
  std::vector<char> buffer(kValueBufferSize + 1, '\0');
  DWORD got = GetPrivateProfileStringA(kSection, key, "", buffer.data(),
                                       static_cast<DWORD>(buffer.size()), IniName().c_str());
  if (got >= buffer.size()) got = static_cast<DWORD>(buffer.size() - 1);
  return std::string(buffer.data(), got);
}

bool WritePasswordKey(const char* key, const std::string& value) {
  const std::string stored = NeedsQuotes(value) ? "\"" + value + "\"" : value;
  return WritePrivateProfileStringA(kSection, key, stored.c_str(), IniName().c_str()) != FALSE;
}

void DeletePasswords() {
  // Each key is tried even when one write fails: as much as possible is forgotten.
  WritePasswordKey(kKeyStem, "");
  for (int position = 1; position <= kRememberedPasswordCount; ++position) {
    WritePasswordKey(RememberedPasswordKey(position).c_str(), "");
  }
}

std::vector<std::string> LoadRememberedPasswords() {
  std::vector<std::string> passwords;
  for (int position = 1; position <= kRememberedPasswordCount; ++position) {
    std::string value = ReadPasswordKey(RememberedPasswordKey(position).c_str());
    if (!value.empty()) passwords.push_back(value);
  }
  return passwords;
}

bool RememberPassword(const std::string& typed, int listCount) {
  if (typed.empty()) return true;
  std::string values[kRememberedPasswordCount + 1];
  // The last occupied place, not the number of occupied places: with an empty place in the
  // middle of the list (a hand-edited file) no remembered password is overwritten by the shift.
  int filled = 0;
  for (int position = 1; position <= kRememberedPasswordCount; ++position) {
    values[position] = ReadPasswordKey(RememberedPasswordKey(position).c_str());
    if (values[position] == typed) return true;
    if (!values[position].empty()) filled = position;
  }
  int shifted = listCount > filled ? listCount : filled;
  if (shifted > kRememberedPasswordCount - 1) shifted = kRememberedPasswordCount - 1;
  for (int position = shifted; position >= 1; --position) {
    if (!WritePasswordKey(RememberedPasswordKey(position + 1).c_str(), values[position])) {
      return false;
    }
  }
  return WritePasswordKey(RememberedPasswordKey(1).c_str(), typed);
}

bool WriteLastPassword(const std::string& oemPassword) {
  return WritePasswordKey(kKeyStem, oemPassword);
}
