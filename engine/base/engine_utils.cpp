#include "base/engine_utils.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "base/cztext.h"
#include "base/memblock.h"

namespace {

bool IsInputMessage(UINT message) {
  return message != WM_PAINT && message != WM_NCPAINT && message != WM_SYNCPAINT &&
         message != WM_ERASEBKGND;
}

}  // namespace

void PumpMessages(HWND skipWindow) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The host's loop must still end: hand the request back and stop pumping.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (skipWindow != nullptr && IsInputMessage(msg.message)) {
      HWND parent = GetParent(skipWindow);
      // A thread message (no window) is never the skipped window's, even when it has no parent.
      if (msg.hwnd != nullptr && (msg.hwnd == skipWindow || msg.hwnd == parent)) continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    // WM_PAINT is made again for as long as the window has an update region; a window procedure
    // that leaves it invalid would keep the queue from ever being empty.
    if (msg.message == WM_PAINT && msg.hwnd != nullptr && IsWindow(msg.hwnd) &&
        GetUpdateRect(msg.hwnd, nullptr, FALSE)) {
      ValidateRect(msg.hwnd, nullptr);
    }
  }
}

BOOL IsValidDate(int year, int month, int day) {
  if (day <= 0 || month < 1 || month > 12) return FALSE;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int limit = kDays[month - 1];
  if (month == 2 && (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0))) limit = 29;
  return day <= limit ? TRUE : FALSE;
}

BOOL IsValidTime(const SYSTEMTIME& local) {
  if (!IsValidDate(local.wYear, local.wMonth, local.wDay)) return FALSE;
  return (local.wHour <= 23 && local.wMinute <= 59 && local.wSecond <= 59) ? TRUE : FALSE;
}

BOOL IsValidTime(const DosDateTime& local) {
  if (!IsValidDate(local.year, local.month, local.day)) return FALSE;
  return (local.hour >= 0 && local.hour <= 23 && local.minute >= 0 && local.minute <= 59 &&
          local.second >= 0 && local.second <= 59)
             ? TRUE
             : FALSE;
}

BOOL CenterWindow(HWND window, BOOL onScreen) {
  if (window == nullptr || !IsWindow(window)) return FALSE;
  RECT own;
  GetWindowRect(window, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  if (onScreen) {
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int deskWidth = desktop.right - desktop.left;
    const int deskHeight = desktop.bottom - desktop.top;
    SetWindowPos(window, nullptr, deskWidth / 2 - width / 2, deskHeight / 2 - height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    return TRUE;
  }
  HWND parent = GetParent(window);
  RECT outer;
  if (parent == nullptr || !GetWindowRect(parent, &outer))
    GetWindowRect(GetDesktopWindow(), &outer);
  int x = outer.left + ((outer.right - outer.left) - width) / 2;
  const int shifted = x + 4;
  // Rounded down to a multiple of 8, negative positions included.
  x = (shifted >= 0 ? shifted / 8 : -((-shifted + 7) / 8)) * 8;
  int y = outer.top + ((outer.bottom - outer.top) - height) / 2;
  // MoveWindow takes client coordinates of the parent for a child window.
  POINT topLeft = {x, y};
  if (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) ScreenToClient(parent, &topLeft);
  MoveWindow(window, topLeft.x, topLeft.y, width, height, FALSE);

  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  int left = x;
  int top = y;
  if (top < 0) top = 30;
  if (left < 0) left = 40;
  if (left + width > screenWidth) left += screenWidth - (left + width) - 10;
  if (top + height > screenHeight) top += screenHeight - (top + height) - 10;
  if (left != x || top != y) {
    POINT moved = {left, top};
    if (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) ScreenToClient(parent, &moved);
    SetWindowPos(window, nullptr, moved.x, moved.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  }
  return TRUE;
}

BOOL CenterDialog(HWND dialog, BOOL onScreen) { return CenterWindow(dialog, onScreen); }

// ---- file times -------------------------------------------------------------------------------

bool FileTimeToLocalCalendar(const FILETIME& utc, SYSTEMTIME* local) {
  SYSTEMTIME universal;
  if (!FileTimeToSystemTime(&utc, &universal)) return false;
  return SystemTimeToTzSpecificLocalTime(nullptr, &universal, local) != FALSE;
}

bool LocalCalendarToFileTime(const SYSTEMTIME& local, FILETIME* utc) {
  if (!IsValidTime(local)) return false;
  SYSTEMTIME universal;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal)) return false;
  return SystemTimeToFileTime(&universal, utc) != FALSE;
}

uint32_t DosDateTimeFromFileTime(const FILETIME& utc) {
  DosDateTime fields = {};
  SYSTEMTIME universal;
  SYSTEMTIME local;
  if (!FileTimeToSystemTime(&utc, &universal)) {
    // Only times beyond the system calendar's end (year 30827) fail to convert.
    fields = {kDosLastYear + 1, 1, 1, 0, 0, 0};
  } else {
    // Without a local form (a time the zone rules cannot place) the universal one is near enough:
    // such a time lies far outside the MS-DOS range and is clamped anyway.
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
    fields = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
  }
  fields = ClampToDosRange(fields);
  return (static_cast<uint32_t>(PackDosDate(fields)) << 16) | PackDosTime(fields);
}

bool FileTimeFromDosDateTime(uint16_t dosDate, uint16_t dosTime, FILETIME* utc) {
  DosDateTime fields = UnpackDosDateTime(dosDate, dosTime);
  if (!IsValidTime(fields)) return false;
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(fields.year);
  local.wMonth = static_cast<WORD>(fields.month);
  local.wDay = static_cast<WORD>(fields.day);
  local.wHour = static_cast<WORD>(fields.hour);
  local.wMinute = static_cast<WORD>(fields.minute);
  local.wSecond = static_cast<WORD>(fields.second);
  return LocalCalendarToFileTime(local, utc);
}

// ---- INI access, formatting and path compaction of CZText ------------------------------------

namespace {

// The stored form holds a line break as '\' 'n'; character 8 stands in for it on the way, so a
// character 8 of the text is taken for a line break too.
constexpr char kLineBreakStandIn = 8;

std::string StoredToText(const std::string& stored) {
  std::string text;
  text.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\\' && i + 1 < stored.size() && stored[i + 1] == 'n') {
      text += '\n';
      ++i;
    } else if (stored[i] == kLineBreakStandIn) {
      text += '\n';
    } else {
      text += stored[i];
    }
  }
  return text;
}

std::string TextToStored(const std::string& text) {
  std::string stored;
  stored.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\n' || c == kLineBreakStandIn) {
      stored += "\\n";
    } else {
      stored += c;
    }
  }
  return stored;
}

}  // namespace

CZText CZText::ReadProfileString(const char* section, const char* key, const char* iniFile,
                                 int maxLen) {
  if (maxLen < 0) maxLen = 0;
  std::vector<char> buffer(static_cast<size_t>(maxLen) + 1, '\0');
  DWORD got =
      iniFile != nullptr
          ? GetPrivateProfileStringA(section, key, "", buffer.data(),
                                     static_cast<DWORD>(buffer.size()), iniFile)
          : GetProfileStringA(section, key, "", buffer.data(), static_cast<DWORD>(buffer.size()));
  if (got >= buffer.size()) got = static_cast<DWORD>(buffer.size() - 1);
  return SetTo(StoredToText(std::string(buffer.data(), got)));
}

BOOL CZText::WriteProfileString(const char* section, const char* key, const char* iniFile) const {
  const std::string stored = TextToStored(text_);
  return iniFile != nullptr ? WritePrivateProfileStringA(section, key, stored.c_str(), iniFile)
                            : WriteProfileStringA(section, key, stored.c_str());
}

CZText CZText::Format(CZText& target, const char* format, ...) {
  if (format == nullptr) {
    target.Empty();
    return target;
  }
  // Measured first, then formatted whole into a block that holds it: nothing is cut, nothing is
  // written past the block.
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  int needed = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string result;
  CZMemBlock block;
  if (needed >= 0 && block.Alloc(static_cast<DWORD>(needed) + 1, kZeroFilledMovable) != nullptr &&
      block.IsUsable()) {
    int written = std::vsnprintf(block.Chars(), static_cast<size_t>(needed) + 1, format, args);
    if (written == needed) result.assign(block.Chars(), static_cast<size_t>(written));
  }
  va_end(args);
  target = result;
  return target;
}

CZText CZText::CompactPath(int maxLen, BOOL upperCase) {
  std::string result;
  if (GetLength() <= maxLen) {
    result = text_;
  } else if (text_.find_first_of("\\/") == std::string::npos) {
    result = text_.substr(0, maxLen > 0 ? static_cast<size_t>(maxLen) : 0);
  } else {
    std::string path = text_;
    if (path.find('\\') == std::string::npos) {
      for (char& c : path) {
        if (c == '/') c = '\\';
      }
    }
    // The tail: the last component, or the last folder with its '\' for a folder path.
    size_t slash = std::string::npos;
    if (path.back() != '\\') {
      slash = path.rfind('\\');
    } else if (path.size() >= 2) {
      slash = path.rfind('\\', path.size() - 2);
    }
    std::string tail = slash == std::string::npos ? path : path.substr(slash + 1);
    int headLength = maxLen - static_cast<int>(tail.size()) - 5;
    std::string head = headLength > 0 ? path.substr(0, static_cast<size_t>(headLength)) : "";
    size_t lastInHead = head.rfind('\\');
    if (lastInHead != std::string::npos) head.resize(lastInHead);
    result = head + "\\...\\" + tail;
  }
  SetTo(result);
  if (upperCase) MakeUpper();
  return *this;
}
