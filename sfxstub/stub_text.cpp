#include "stub_text.h"

#include <windows.h>

#include "core/utf8_text.h"

size_t TextLength(const char* text) {
  size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

bool TextCopy(char* destination, size_t capacity, const char* source) {
  if (capacity == 0) return false;
  destination[0] = '\0';
  return TextAppend(destination, capacity, source);
}

bool TextAppend(char* destination, size_t capacity, const char* source) {
  if (capacity == 0) return false;
  size_t n = TextLength(destination);
  while (*source != '\0') {
    if (n + 1 >= capacity) {
      destination[n] = '\0';
      return false;
    }
    destination[n++] = *source++;
  }
  destination[n] = '\0';
  return true;
}

bool TextEqual(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

bool TextEnsureBackslash(char* text, size_t capacity) {
  const size_t n = TextLength(text);
  if (n == 0 || text[n - 1] == '\\') return true;
  return TextAppend(text, capacity, "\\");
}

int OemFromUtf8(const char* utf8, size_t length, wchar_t* wide, char* out, size_t capacity) {
  if (!IsWellFormedUtf8(reinterpret_cast<const uint8_t*>(utf8), length)) return -1;
  if (capacity == 0) return -2;
  const int room = static_cast<int>(capacity - 1);
  if (GetOEMCP() == CP_UTF8) {  // the bytes are the OEM form already
    if (length > capacity - 1) return -2;
    for (size_t i = 0; i < length; ++i) out[i] = utf8[i];
    out[length] = '\0';
    return static_cast<int>(length);
  }
  int units = length == 0 ? 0
                          : MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), wide,
                                                static_cast<int>(length));
  if (length != 0 && units <= 0) return -1;
  // A character beyond U+FFFF (two UTF-16 units) is in no OEM code page: one '_'.
  int kept = 0;
  for (int i = 0; i < units; ++i) {
    if (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < units && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      wide[kept++] = L'_';
      ++i;
      continue;
    }
    wide[kept++] = wide[i];
  }
  int written = 0;
  if (kept > 0) {
    const int needed =
        WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide, kept, nullptr, 0, "_", nullptr);
    if (needed <= 0 || needed > room) return -2;
    written =
        WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide, kept, out, room, "_", nullptr);
    if (written != needed) return -2;
  }
  out[written] = '\0';
  return written;
}

namespace {

constexpr size_t kComponentCapacity = 261;

// The OEM code page's upper case of every byte and its lead bytes, built on first use. Plain data
// (no constructor) so that the stub needs no start-up code for it.
struct OemCase {
  bool built;
  unsigned char upper[256];
  bool leadByte[256];
};
OemCase g_oemCase;

unsigned char UpperOfOemByte(unsigned char b) {
  if (b < 0x80) return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 'a' + 'A') : b;
  char in = static_cast<char>(b);
  WCHAR wide = 0;
  if (MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, &in, 1, &wide, 1) != 1) return b;
  // CharUpperW with a pointer whose high bits are zero upper-cases that one character.
  const WCHAR upper = static_cast<WCHAR>(reinterpret_cast<ULONG_PTR>(
      CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(wide)))));
  if (upper == wide) return b;
  char out[4] = {};
  BOOL usedDefault = FALSE;
  if (WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, &upper, 1, out, sizeof out, nullptr,
                          &usedDefault) != 1 ||
      usedDefault) {
    return b;
  }
  // Only a byte that maps back to exactly that capital counts (no best-fit look-alikes).
  WCHAR check = 0;
  if (MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, out, 1, &check, 1) != 1 ||
      check != upper) {
    return b;
  }
  return static_cast<unsigned char>(out[0]);
}

void BuildOemCase() {
  for (int i = 0; i < 256; ++i) {
    g_oemCase.leadByte[i] = false;
    g_oemCase.upper[i] = UpperOfOemByte(static_cast<unsigned char>(i));
  }
  CPINFO info = {};
  if (GetCPInfo(CP_OEMCP, &info) && info.MaxCharSize > 1) {
    for (int r = 0; r + 1 < MAX_LEADBYTES && (info.LeadByte[r] || info.LeadByte[r + 1]); r += 2) {
      for (int b = info.LeadByte[r]; b <= info.LeadByte[r + 1]; ++b) {
        g_oemCase.leadByte[b] = true;
        g_oemCase.upper[b] = static_cast<unsigned char>(b);
      }
    }
  }
  g_oemCase.built = true;
}

bool IsReservedChar(unsigned char c) {
  if (c < 32) return true;
  for (const char* p = ":<>\"|?*"; *p != '\0'; ++p) {
    if (c == static_cast<unsigned char>(*p)) return true;
  }
  return false;
}

bool SameUpper(const char* text, size_t length, const char* word) {
  size_t i = 0;
  for (; i < length && word[i] != '\0'; ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return i == length && word[i] == '\0';
}

// CON, NUL, COM1 ... name devices in every folder; the part before the first '.' counts.
bool IsDeviceName(const char* part, size_t length) {
  size_t base = 0;
  while (base < length && part[base] != '.') ++base;
  while (base > 0 && part[base - 1] == ' ') --base;
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (SameUpper(part, base, device)) return true;
  }
  if (base == 4 && part[3] >= '1' && part[3] <= '9') {
    return SameUpper(part, 3, "COM") || SameUpper(part, 3, "LPT");
  }
  return false;
}

}  // namespace

void UpperCaseOemText(char* text) {
  if (!g_oemCase.built) BuildOemCase();
  for (size_t i = 0; text[i] != '\0'; ++i) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (g_oemCase.leadByte[b]) {
      if (text[i + 1] == '\0') break;
      ++i;  // the trail byte belongs to the same character
      continue;
    }
    text[i] = static_cast<char>(g_oemCase.upper[b]);
  }
}

bool CleanEntryPath(const char* name, char* path, size_t capacity, bool* folderOnly) {
  if (capacity == 0) return false;
  path[0] = '\0';
  size_t used = 0;
  bool fits = true;
  bool lastHadFile = false;
  const char* p = name;
  for (;;) {
    const char* start = p;
    while (*p != '\0' && *p != '/' && *p != '\\') ++p;
    size_t length = static_cast<size_t>(p - start);
    while (length > 0 && (start[length - 1] == '.' || start[length - 1] == ' ')) --length;
    lastHadFile = false;
    if (length > 0) {
      const bool device = IsDeviceName(start, length);
      const size_t need = (used > 0 ? 1 : 0) + (device ? 1 : 0) + length;
      if (used + need + 1 > capacity) {
        fits = false;
      } else {
        if (used > 0) path[used++] = '\\';
        if (device) path[used++] = '_';
        for (size_t i = 0; i < length; ++i) {
          const unsigned char c = static_cast<unsigned char>(start[i]);
          path[used++] = IsReservedChar(c) ? '_' : static_cast<char>(c);
        }
        path[used] = '\0';
      }
      lastHadFile = true;
    }
    if (*p == '\0') break;
    ++p;
    lastHadFile = false;  // a separator follows: what came before was a folder
  }
  *folderOnly = !lastHadFile;
  return fits;
}

void SubstituteValue(const char* text, const char* value, char* out, size_t capacity) {
  if (capacity == 0) return;
  bool hasMarker = false;
  for (const char* p = text; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == '1') hasMarker = true;
  }
  size_t n = 0;
  for (const char* p = text; *p != '\0' && n + 1 < capacity; ++p) {
    if (hasMarker && *p == '%' && p[1] != '\0') {
      for (const char* v = value; *v != '\0' && n + 1 < capacity; ++v) out[n++] = *v;
      ++p;  // the character after '%' goes with it
      continue;
    }
    out[n++] = *p;
  }
  out[n] = '\0';
}

void ProgressTitle(const char* entryName, int percent, char* out, size_t capacity) {
  const char* last = entryName;
  for (const char* p = entryName; *p != '\0'; ++p) {
    if (*p == '/') last = p + 1;
  }
  if (last == entryName) {
    for (const char* p = entryName; *p != '\0'; ++p) {
      if (*p == '\\') last = p + 1;
    }
  }
  char component[kComponentCapacity];
  TextCopy(component, sizeof component, last);
  OemToCharBuffA(component, component, static_cast<DWORD>(TextLength(component)));
  char number[16];
  wsprintfA(number, " [%i %%]", percent);
  TextCopy(out, capacity, component);
  TextAppend(out, capacity, number);
}
