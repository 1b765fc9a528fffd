// The exceptions of the OLE layer: a failed HRESULT of creation or invocation (EOleSysError, the
// system's text for the code) and a failed invoke that came with an EXCEPINFO (EOleException,
// whose message is the exception's description).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <stdexcept>
#include <string>

namespace olehost {

class EOleSysError : public std::runtime_error {
 public:
  EOleSysError(const std::string& message, HRESULT code)
      : std::runtime_error(message), ErrorCode(code) {}
  HRESULT ErrorCode;
};

class EOleException : public EOleSysError {
 public:
  EOleException(const std::string& message, HRESULT code, std::string source)
      : EOleSysError(message, code), Source(std::move(source)) {}
  std::string Source;
};

// The system's text for an HRESULT, without the line break; "OLE error XXXXXXXX" when the
// system has none.
std::string HResultText(HRESULT code);
// Throws EOleSysError when code failed.
void OleCheck(HRESULT code);

// ANSI (CP_ACP) <-> automation strings.
std::string AnsiFromBstr(const BSTR text);
BSTR BstrFromAnsi(const std::string& text);

}  // namespace olehost
