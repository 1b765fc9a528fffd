#include "base/entry_text.h"

#include "core/utf8_text.h"
#include "core/zip_records.h"

void EntryTextToOem(uint16_t flags, std::string& text, UINT codePage) {
  if ((flags & zip::kFlagUtf8) == 0 || text.empty()) return;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  // ASCII reads the same either way; a text that is not UTF-8 keeps today's reading.
  if (!HasNonAscii(bytes, text.size()) || !IsWellFormedUtf8(bytes, text.size())) return;
  const UINT target = codePage == CP_OEMCP ? GetOEMCP() : codePage;
  if (target == CP_UTF8) return;                     // the bytes are the engine's form already
  const int length = static_cast<int>(text.size());  // at most 65,535: a header's 16-bit length
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return;
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  if (MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), wideLength) != wideLength) {
    return;
  }
  // A character beyond U+FFFF (two UTF-16 units) is in no code page the engine uses: one '_'.
  size_t kept = 0;
  for (size_t i = 0; i < wide.size(); ++i) {
    const wchar_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      wide[kept++] = L'_';
      ++i;
      continue;
    }
    wide[kept++] = unit;
  }
  wide.resize(kept);
  const int units = static_cast<int>(wide.size());
  const int needed = WideCharToMultiByte(target, WC_NO_BEST_FIT_CHARS, wide.data(), units, nullptr,
                                         0, "_", nullptr);
  if (needed <= 0) return;
  std::string converted(static_cast<size_t>(needed), '\0');
  if (WideCharToMultiByte(target, WC_NO_BEST_FIT_CHARS, wide.data(), units, converted.data(),
                          needed, "_", nullptr) != needed) {
    return;
  }
  text.swap(converted);
}

bool Utf8FromAnsi(const std::string& text, std::string* utf8) {
  utf8->clear();
  if (text.empty()) return true;
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return false;
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength) != wideLength) {
    return false;
  }
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return false;
  utf8->assign(static_cast<size_t>(needed), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8->data(), needed, nullptr,
                          nullptr) != needed) {
    utf8->clear();
    return false;
  }
  return true;
}
