#include "files/filefind.h"

#include <cstring>
#include <string>

#include "base/entry_case.h"
#include "files/current_folder.h"

namespace {

BOOL CopyWhole(const CZText& text, char* out, size_t outSize) {
  if (out == nullptr || outSize == 0) return FALSE;
  size_t length = static_cast<size_t>(text.GetLength());
  if (length + 1 > outSize) {
    out[0] = '\0';
    return FALSE;
  }
  std::memcpy(out, text.c_str(), length + 1);
  return TRUE;
}

CZText ToOem(const char* ansi) {
  CZText text(ansi);
  text.AnsiToOem();
  return text;
}

}  // namespace

CZFileFind::CZFileFind(const char* oemPattern) : pattern_(oemPattern) { pattern_.OemToAnsi(); }

CZFileFind::~CZFileFind() {
  if (hFind_ != INVALID_HANDLE_VALUE) FindClose(hFind_);
  hFind_ = INVALID_HANDLE_VALUE;
  nFound_ = 0;
  dwMask_ = 0xFF;
}

BOOL CZFileFind::FindFirst() {
  if (nFound_ > 0 || hFind_ != INVALID_HANDLE_VALUE) return FALSE;
  if (pattern_.IsEmpty()) return FALSE;
  hFind_ = FindFirstFileA(pattern_.c_str(), &data_);
  if (hFind_ == INVALID_HANDLE_VALUE) return FALSE;
  nFound_ = 1;
  return TRUE;
}

BOOL CZFileFind::FindNext() {
  if (nFound_ == 0 || hFind_ == INVALID_HANDLE_VALUE) return FALSE;
  if (!FindNextFileA(hFind_, &data_)) return FALSE;
  ++nFound_;
  return TRUE;
}

BOOL CZFileFind::FindFirstOrNext() { return nFound_ > 0 ? FindNext() : FindFirst(); }

const char* CZFileFind::FoundName(bool shortForm) const {
  if (shortForm && data_.cAlternateFileName[0] != '\0') return data_.cAlternateFileName;
  return data_.cFileName;
}

CZText CZFileFind::PatternFolderAnsi() const {
  // The folder is taken as FindFirstFileA itself reads the pattern (relative to the current
  // folder), so the path built here names the entry that was found.
  CZText folder;
  int slash = pattern_.FindOneOf("\\/");
  if (slash >= 0) {
    DWORD needed = GetFullPathNameA(pattern_.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return CZText();
    char* buffer = folder.GetBufferMin(static_cast<int>(needed));
    char* namePart = nullptr;
    DWORD got = GetFullPathNameA(pattern_.c_str(), needed + 1, buffer, &namePart);
    if (got == 0 || got > needed) {
      folder.ReleaseBuffer(0);
      return CZText();
    }
    folder.ReleaseBuffer();
    // Keep everything up to and including the last separator of the full pattern.
    int cut = folder.GetLength();
    while (cut > 0 && folder[cut - 1] != '\\' && folder[cut - 1] != '/') --cut;
    folder = folder.Left(cut);
  } else {
    folder = CurrentFolderAnsi().c_str();
  }
  if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '\\') folder += '\\';
  // Engine folders are upper case (in OEM terms); the found name keeps its own case.
  folder.AnsiToOem();
  folder.MakeUpper();
  folder.OemToAnsi();
  return folder;
}

CZText CZFileFind::PathOf(bool shortForm) const {
  CZText path = PatternFolderAnsi();
  path += FoundName(shortForm);
  path.AnsiToOem();
  return path;
}

BOOL CZFileFind::GetFileNameTo(char* out, size_t outSize) const {
  return CopyWhole(GetFileName(), out, outSize);
}

BOOL CZFileFind::GetShortFileNameTo(char* out, size_t outSize) const {
  return CopyWhole(GetShortFileName(), out, outSize);
}

BOOL CZFileFind::GetFilePathTo(char* out, size_t outSize) const {
  return CopyWhole(GetFilePath(), out, outSize);
}

BOOL CZFileFind::GetShortFilePathTo(char* out, size_t outSize) const {
  return CopyWhole(GetShortFilePath(), out, outSize);
}

CZText CZFileFind::GetFileName() const { return ToOem(FoundName(false)); }
CZText CZFileFind::GetShortFileName() const { return ToOem(FoundName(true)); }
CZText CZFileFind::GetFilePath() const { return PathOf(false); }
CZText CZFileFind::GetShortFilePath() const { return PathOf(true); }

void CZFileFind::GetShortPathAll(CZText& path, BOOL longForm) {
  if (path.IsEmpty()) return;
  const bool endsWithBackslash = path[path.GetLength() - 1] == '\\';
  const int separators = path.CountChar('\\');
  CZText result(path);
  result.GetFieldByChar(1, '\\');  // the drive, such as "C:"
  // Fields 2.. are the components; the last one is a component too unless the path ends in '\'.
  const int components = endsWithBackslash ? separators - 1 : separators;
  for (int k = 1; k <= components; ++k) {
    CZText prefix(path);
    if (k == separators) {
      prefix = path;  // the whole path (it does not end in '\')
    } else {
      prefix.GetLeadingFieldsByChar(k + 1, '\\');
    }
    CZText component(path);
    component.GetFieldByChar(k + 1, '\\');
    CZFileFind finder(prefix.c_str());
    result += '\\';
    if (finder.FindFirst()) {
      result += longForm ? finder.GetFileName() : finder.GetShortFileName();
    } else {
      result += component;
    }
  }
  if (endsWithBackslash && !result.IsEmpty() && result[result.GetLength() - 1] != '\\') {
    result += '\\';
  }
  path = result;
}
