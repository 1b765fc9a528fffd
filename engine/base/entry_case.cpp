#include "base/entry_case.h"

#include <cstring>

namespace {

// Upper case of every single byte of one code page, and which bytes start a double-byte
// character. Built once per code page; the OEM code page's table is kept for the process.
struct CaseTable {
  unsigned char upper[256];
  bool leadByte[256];
};

// The upper case of byte b in codePage, or b itself when it has none the code page holds exactly.
unsigned char UpperOfByte(unsigned char b, UINT codePage) {
  if (b < 0x80) return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 'a' + 'A') : b;
  char in = static_cast<char>(b);
  WCHAR wide = 0;
  if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &in, 1, &wide, 1) != 1) return b;
  // CharUpperW with a pointer whose high bits are zero upper-cases that one character.
  WCHAR upperWide = static_cast<WCHAR>(reinterpret_cast<ULONG_PTR>(
      CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(wide)))));
  if (upperWide == wide) return b;
  char out[4] = {};
  BOOL usedDefault = FALSE;
  int written = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &upperWide, 1, out, sizeof out,
                                    nullptr, &usedDefault);
  if (written != 1 || usedDefault) return b;
  // Only a byte that maps back to exactly that capital counts (no best-fit look-alikes).
  WCHAR check = 0;
  if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, out, 1, &check, 1) != 1 ||
      check != upperWide) {
    return b;
  }
  return static_cast<unsigned char>(out[0]);
}

void BuildTable(UINT codePage, CaseTable* table) {
  CPINFO info = {};
  bool haveInfo = GetCPInfo(codePage, &info) != FALSE;
  for (int i = 0; i < 256; ++i) {
    table->leadByte[i] = false;
    table->upper[i] = UpperOfByte(static_cast<unsigned char>(i), codePage);
  }
  if (haveInfo && info.MaxCharSize > 1) {
    for (int r = 0; r + 1 < MAX_LEADBYTES && (info.LeadByte[r] || info.LeadByte[r + 1]); r += 2) {
      for (int b = info.LeadByte[r]; b <= info.LeadByte[r + 1]; ++b) {
        table->leadByte[b] = true;
        table->upper[b] = static_cast<unsigned char>(b);
      }
    }
  }
}

const CaseTable& OemTable() {
  static const CaseTable table = [] {
    CaseTable t;
    BuildTable(CP_OEMCP, &t);
    return t;
  }();
  return table;
}

void ApplyTable(const CaseTable& table, char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (table.leadByte[b]) {
      ++i;  // the trail byte belongs to the same character
      continue;
    }
    text[i] = static_cast<char>(table.upper[b]);
  }
}

}  // namespace

void UpperCaseOem(char* text, size_t length, UINT codePage) {
  if (text == nullptr || length == 0) return;
  if (codePage == CP_OEMCP || codePage == GetOEMCP()) {
    ApplyTable(OemTable(), text, length);
    return;
  }
  CaseTable table;
  BuildTable(codePage, &table);
  ApplyTable(table, text, length);
}

void UpperCaseOem(char* text, UINT codePage) {
  if (text == nullptr) return;
  UpperCaseOem(text, std::strlen(text), codePage);
}

void UpperCaseOem(std::string& text, UINT codePage) {
  if (text.empty()) return;
  UpperCaseOem(text.data(), text.size(), codePage);
}
