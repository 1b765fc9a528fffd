#include "olehost/ole_errors.h"

#include <oleauto.h>

#include <cstdio>
#include <new>

namespace olehost {

std::string HResultText(HRESULT code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) {
    char number[32];
    std::snprintf(number, sizeof number, "OLE error %08lX", static_cast<unsigned long>(code));
    text = number;
  }
  return text;
}

void OleCheck(HRESULT code) {
  if (FAILED(code)) throw EOleSysError(HResultText(code), code);
}

std::string AnsiFromBstr(const BSTR text) {
  if (text == nullptr) return std::string();
  const int length = static_cast<int>(SysStringLen(text));
  if (length == 0) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, ansi.data(), size, nullptr, nullptr);
  return ansi;
}

BSTR BstrFromAnsi(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (result == nullptr) throw std::bad_alloc();
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result, length);
  return result;
}

}  // namespace olehost
