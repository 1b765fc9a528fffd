// CZFileFind: one directory search (FindFirstFileA / FindNextFileA) over a pattern, handing out
// the found entry's names in the OEM code page the engine uses for paths.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/cztext.h"

class CZFileFind {
 public:
  // oemPattern: a path or wildcard pattern in the OEM code page (held converted to ANSI).
  explicit CZFileFind(const char* oemPattern);
  ~CZFileFind();
  CZFileFind(const CZFileFind&) = delete;
  CZFileFind& operator=(const CZFileFind&) = delete;

  // FALSE when this search has found entries already (a new object searches again).
  BOOL FindFirst();
  // FALSE before the first entry and when the folder has no further entry.
  BOOL FindNext();
  // The loop form: the first entry, then each further one.
  BOOL FindFirstOrNext();

  int FoundCount() const { return nFound_; }
  DWORD GetMask() const { return dwMask_; }               // 0xFF; no search filters by it
  const WIN32_FIND_DATAA& Data() const { return data_; }  // ANSI names, as the system gives them
  DWORD GetAttributes() const { return data_.dwFileAttributes; }
  DWORD GetSizeLow() const { return data_.nFileSizeLow; }

  // Copies into out (outSize bytes, terminator included). Each returns FALSE, leaving out empty,
  // when the whole text does not fit: a cut name or path would name another file.
  BOOL GetFileNameTo(char* out, size_t outSize) const;       // long name, OEM
  BOOL GetShortFileNameTo(char* out, size_t outSize) const;  // 8.3 name (long name when none)
  BOOL GetFilePathTo(char* out, size_t outSize) const;       // folder of the pattern + long name
  BOOL GetShortFilePathTo(char* out, size_t outSize) const;  // folder of the pattern + short name

  CZText GetFileName() const;
  CZText GetShortFileName() const;
  CZText GetFilePath() const;
  CZText GetShortFilePath() const;

  // Rewrites every component of an existing path (OEM, "X:\..." form) into its long (longForm
  // TRUE) or short form. Components that cannot be found are kept as they are.
  static void GetShortPathAll(CZText& path, BOOL longForm);

 private:
  // The found entry's name (ANSI): the long one, or the short one when asked and there is one.
  const char* FoundName(bool shortForm) const;
  // The folder the pattern searches, ANSI, upper case, ending in '\'.
  CZText PatternFolderAnsi() const;
  CZText PathOf(bool shortForm) const;

  WIN32_FIND_DATAA data_ = {};
  HANDLE hFind_ = INVALID_HANDLE_VALUE;
  DWORD dwMask_ = 0xFF;
  int nFound_ = 0;
  CZText pattern_;  // ANSI
};
