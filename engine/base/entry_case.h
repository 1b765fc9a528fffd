// Upper-casing of names held in the OEM code page: entry names, callers' names and wildcard masks.
//
// CharUpperA would apply ANSI rules to OEM bytes and corrupt letters (cp437 0xE1 'ß' is 'á' in
// cp1252 and would become 0xC1), and a round trip through ANSI loses letters that ANSI lacks
// (cp437 0xE3 'π' becomes 'p'/'P'). So each character is taken to Unicode with its own code page,
// upper-cased there (CharUpperW), and taken back; a character whose upper case the code page
// cannot hold exactly (cp437 'ÿ', whose capital is not in the code page) stays as it is. ASCII
// letters are upper-cased directly; both bytes of a double-byte character are left untouched (the
// second byte of such a character may look like an ASCII letter).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// In place, length bytes (a NUL inside is kept and passed over).
void UpperCaseOem(char* text, size_t length, UINT codePage = CP_OEMCP);
// In place, a NUL-terminated text.
void UpperCaseOem(char* text, UINT codePage = CP_OEMCP);
void UpperCaseOem(std::string& text, UINT codePage = CP_OEMCP);
