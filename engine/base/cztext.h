// CZText: the engine's one string type. Paths, names, masks, passwords, prompt texts and INI values
// all travel as CZText. It is a growable 8-bit, NUL-terminated string with the usual substring
// operations, plus the engine's editing methods. Path text inside the engine is in the OEM code
// page; the class itself never converts on its own (AnsiToOem/OemToAnsi are explicit).
//
// Editing methods change the string itself and return a copy of the new value (text and flag).
// A writable buffer is taken with GetBufferMin and given back with ReleaseBuffer.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

class CZText {
 public:
  CZText() = default;
  CZText(const char* text);         // NOLINT: implicit, like the framework string it replaces
  CZText(const std::string& text);  // NOLINT
  CZText(const CZText& other) = default;
  CZText(CZText&& other) noexcept = default;
  ~CZText() = default;

  // Copying takes the source's text and flag; plain text replaces the text only.
  CZText& operator=(const CZText& other) = default;
  CZText& operator=(CZText&& other) noexcept = default;
  CZText& operator=(const char* text);
  CZText& operator=(const std::string& text);
  CZText& operator=(char c);

  // ---- storage -------------------------------------------------------------------------------
  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  const char* c_str() const { return text_.c_str(); }
  operator const char*() const { return text_.c_str(); }  // NOLINT: framework-string convention
  const std::string& str() const { return text_; }
  char GetAt(int index) const;    // NUL when index lies outside the text
  void SetAt(int index, char c);  // ignored when index lies outside the text
  char operator[](int index) const { return GetAt(index); }

  // The flag byte travels with copies; nothing in the engine interprets it.
  unsigned char GetFlag() const { return flag_; }
  void SetFlag(unsigned char flag) { flag_ = flag; }

  // Writable buffer of at least nMinLen characters plus a terminator; 0 means the current length
  // (256 when the text is empty). The present text stays in it. After writing a NUL-terminated
  // text, ReleaseBuffer sets the length to it (or to newLength when that is >= 0).
  char* GetBufferMin(int nMinLen);
  void ReleaseBuffer(int newLength = -1);

  // ---- framework-string operations ------------------------------------------------------------
  CZText& operator+=(const CZText& other);
  CZText& operator+=(const char* text);
  CZText& operator+=(char c);
  friend CZText operator+(const CZText& a, const CZText& b);
  friend CZText operator+(const CZText& a, const char* b);
  friend CZText operator+(const char* a, const CZText& b);
  friend CZText operator+(const CZText& a, char b);
  friend bool operator==(const CZText& a, const CZText& b) { return a.text_ == b.text_; }
  friend bool operator==(const CZText& a, const char* b);
  friend bool operator==(const char* a, const CZText& b) { return b == a; }
  friend bool operator!=(const CZText& a, const CZText& b) { return !(a == b); }
  friend bool operator!=(const CZText& a, const char* b) { return !(a == b); }
  friend bool operator!=(const char* a, const CZText& b) { return !(b == a); }
  friend bool operator<(const CZText& a, const CZText& b) { return a.text_ < b.text_; }

  int Compare(const char* other) const;        // <0, 0, >0 by bytes
  int CompareNoCase(const char* other) const;  // ASCII letters folded; other bytes by value
  // Position of the first match at or after start, -1 when none (an empty pattern never matches).
  int Find(char c, int start = 0) const;
  int Find(const char* pattern, int start = 0) const;
  int ReverseFind(char c) const;
  int FindOneOf(const char* characters) const;
  CZText Left(int count) const;
  CZText Right(int count) const;
  CZText Mid(int first) const;
  CZText Mid(int first, int count) const;
  // Upper-casing follows the OEM code page (see entry_case.h); lower-casing touches ASCII only.
  void MakeUpper();
  void MakeLower();
  void TrimLeft();  // blanks, tabs, carriage returns, line feeds
  void TrimRight();
  void AnsiToOem();  // in place, CharToOemBuffA
  void OemToAnsi();  // in place, OemToCharBuffA

  // ---- editing methods -------------------------------------------------------------------------
  CZText RemoveBlanks();  // removes blanks, tabs, CR and LF anywhere
  // Occurrences counted by repeatedly removing the first match, so matches formed by the joining
  // count too ('ab' in 'aabb' is 2). An empty pattern counts 0.
  int CountSubstring(const char* pattern) const;
  int CountChar(char c) const;
  // Digits of value in radix 2..36 (lower-case letters above 9, '-' in radix 10 for negatives,
  // other radixes show the value's two's-complement bits as unsigned), then GroupDigits.
  CZText FormatInteger(long value, int radix, const char* groupSeparator);
  CZText GroupDigits(const char* groupSeparator, const char* decimalSeparator);
  CZText DeleteAt(unsigned pos, unsigned count);
  // One left-to-right pass: replaced text is never searched again, so newText may contain oldText.
  CZText Replace(const char* oldText, const char* newText);
  CZText InsertAt(const char* insert, int pos);
  CZText InsertCharAt(char c, int pos);
  CZText GetField(int n, const char* separator);
  CZText GetFieldByChar(int n, char separator);  // returns the field's first character only
  CZText Fill(char c, int count);
  CZText Truncate(int maxLen, BOOL ellipsis);
  CZText GetLeadingFields(int n, const char* separator);
  CZText GetLeadingFieldsByChar(int n, char separator);
  CZText GetFieldsFrom(int first, const char* separator);
  CZText GetFieldsFromChar(int first, char separator);
  BOOL IsLetterAt(int index) const;
  BOOL IsDigitAt(int index) const;

  // ---- INI access, formatting, display (engine_utils.cpp) --------------------------------------
  // A stored "\n" (two characters) is a line feed in memory. iniFile null: WIN.INI.
  CZText ReadProfileString(const char* section, const char* key, const char* iniFile, int maxLen);
  BOOL WriteProfileString(const char* section, const char* key, const char* iniFile) const;
  // printf-style formatting of the whole result (never cut, never past a buffer).
  static CZText Format(CZText& target, const char* format, ...);
  CZText CompactPath(int maxLen, BOOL upperCase);

  // ---- dialog items (dialog_items.cpp); itemId 0 means the window itself ----------------------
  void ToDlgItem(HWND window, int itemId) const;
  CZText FromDlgItem(HWND window, int itemId);
  int FromDlgItemLength(HWND dialog, int itemId);  // -1 when there is no such item
  void CaretToEndInDlgItem(HWND dialog, int itemId) const;

  // ======== path and file operations, implemented in files/cztext_paths.cpp ==================
  // (OEM paths; each call of a file-system function gets a temporary ANSI copy.)
  CZText GetCurrentDir();
  CZText GetTempDir();
  CZText MakeUniqueName(const char* name, BOOL prefixForm, const char* prefix);
  CZText GetFullPath(BOOL stripWildcardsInLast, BOOL trailingBackslash);
  CZText GetShortFullPath(BOOL stripWildcardsInLast, BOOL trailingBackslash);
  CZText GetShortPath();
  BOOL IsValidPath() const;
  BOOL IsNormalizedPath(BOOL stripWildcardsInLast) const;
  CZText GetDirPart();
  CZText GetNamePart(BOOL expand);
  CZText ChangeExtension(const char* extension, BOOL replaceExisting);
  BOOL ChangeDirectory(BOOL folderPartOnly, BOOL create) const;
  BOOL CreateDirectoryTree(BOOL folderPartOnly) const;
  BOOL RemoveDirectoryTree(BOOL folderPartOnly, BOOL force) const;
  BOOL FileExists() const;
  BOOL DirectoryExists(BOOL folderPartOnly) const;
  DWORD GetAttributes() const;
  BOOL SetAttributes(DWORD attributes) const;
  DWORD GetFileSize() const;
  DWORD GetFileSizeKB(DWORD* bytesOut) const;
  long GetFreeSpaceKB() const;
  BOOL HasFreeSpace(long bytes) const;
  BOOL DeleteFile(BOOL force) const;  // NB: <windows.h> maps the name to DeleteFileA consistently
  BOOL MoveTo(const char* target) const;
  BOOL CreateEmptyFile() const;
  int CopyTo(const char* target, BOOL pump, BOOL overwrite, BOOL copyTime, BOOL copyAttributes,
             BOOL deleteSource, long bufferSize) const;
  // ======== end of path and file operations ==================================================

  // ======== file locations, implemented in cztext_locations.cpp ==============================
  // Each sets the string to its result (OEM) and returns a copy.
  // name null: the folder of the control's module, ending in '\' ("" when no module is recorded);
  // otherwise the folder, ending in '\', in which the search path finds name ("" when not found).
  CZText LocateFile(const char* name);
  CZText GetWindowsDir();  // ends in '\'
  CZText GetSystemDir();   // ends in '\'
  // The program WIN.INI's section "Extensions" associates with the extension of fileName (or with
  // fileName itself when it has no '.'), upper case; "" when there is none.
  CZText GetAssociatedProgram(const char* fileName);
  // ======== end of file locations =============================================================

 private:
  // Sets the text to value (used by every editing method) and returns a copy.
  CZText SetTo(const std::string& value);

  std::string text_;
  unsigned char flag_ = 0;
};
