// Entry names and comments as the engine holds them: in the OEM code page. Writers that store
// them in UTF-8 say so with general-purpose flag bit 11; such a text is decoded when it is read,
// before any other use, so that listing, matching, extraction and deletion all see the same name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// In place: when flags has bit 11 set and text is well-formed UTF-8, text becomes its characters
// in codePage, each character that codePage lacks written as '_' (no look-alike letters);
// otherwise text keeps its bytes, as a text without the flag always does.
void EntryTextToOem(uint16_t flags, std::string& text, UINT codePage = CP_OEMCP);

// text (ANSI) in UTF-8, for a text stored with an entry that has bit 11 set; false when the system
// could not convert it.
bool Utf8FromAnsi(const std::string& text, std::string* utf8);
