// Small text helpers of the self-extractor stub, which links no C runtime: bounded copies, the
// upper case of OEM names, entry names made into safe relative paths, and the "%1" substitution
// of its prompt texts. Every output buffer is given with its capacity (terminator included) and is
// always terminated.
#pragma once
#include <cstddef>

size_t TextLength(const char* text);
// Copies as much of source as fits; false when it was cut.
bool TextCopy(char* destination, size_t capacity, const char* source);
// Appends as much of source as fits; false when it was cut.
bool TextAppend(char* destination, size_t capacity, const char* source);
bool TextEqual(const char* a, const char* b);
// Adds a '\' unless the text is empty or already ends with one; false when it does not fit.
bool TextEnsureBackslash(char* text, size_t capacity);

// Upper-cases OEM text in place: plain letters, and each single-byte character of the OEM code page
// whose capital the code page holds exactly; the trail byte of a double-byte character is left.
void UpperCaseOemText(char* text);

// The OEM form of a name stored in UTF-8 (general-purpose flag bit 11): the length bytes of utf8
// decoded, each character the OEM code page lacks written as '_'; wide gives room for length
// UTF-16 units. Returns the length written to out (terminated); -1 when the bytes are not
// well-formed UTF-8 (out untouched: the caller keeps them as OEM); -2 when the OEM text does not
// fit in capacity - 1 bytes (or the system cannot convert it).
int OemFromUtf8(const char* utf8, size_t length, wchar_t* wide, char* out, size_t capacity);

// The entry name as a relative path below the target folder: components split at '/' and '\',
// control characters and :<>"|?* made '_', trailing dots and blanks dropped, device names given a
// leading '_', and components that come out empty ("", ".", "..") left out, so that nothing points
// outside the target. *folderOnly: the name has no file part. False when the path does not fit.
bool CleanEntryPath(const char* name, char* path, size_t capacity, bool* folderOnly);

// A prompt text with its value: when the text holds "%1", every '%' and the character after it are
// replaced by value (a '%' at the very end stays as it is); otherwise the text as it is. Cut at the
// end of the buffer.
void SubstituteValue(const char* text, const char* value, char* out, size_t capacity);

// The window title while an entry is written: "NAME [p %]", NAME the entry name's last component
// (after the last '/', else after the last '\\', else the whole name), turned from OEM to ANSI.
void ProgressTitle(const char* entryName, int percent, char* out, size_t capacity);
