#include "forms/application.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>

#include "forms/component.h"
#include "forms/form.h"
#include "forms/guard.h"
#include "forms/timer.h"
#include "forms/win_control.h"

namespace forms {

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::Initialize(const std::string& name) {
  if (initialized_) return;
  initialized_ = true;
  if (!classNamesFixed_ && !name.empty()) classNamePrefix_ = name;
  classNamesFixed_ = true;
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_USEREX_CLASSES | ICC_COOL_CLASSES};
  InitCommonControlsEx(&controls);
}

const std::string& Application::ClassNamePrefix() {
  classNamesFixed_ = true;
  return classNamePrefix_;
}

HWND Application::Handle() {
  if (handle_ != nullptr) return handle_;
  static const ATOM windowClass = [] {
    const std::string name = Instance().ClassNamePrefix() + "Application";
    WNDCLASSA c = {};
    c.lpfnWndProc = &Application::WindowProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = name.c_str();
    return RegisterClassA(&c);
  }();
  handle_ = CreateWindowExA(WS_EX_TOOLWINDOW, MAKEINTATOM(windowClass), Title.c_str(), WS_POPUP, 0,
                            0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  return handle_;
}

LRESULT CALLBACK Application::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    DispatchScope scope;
    Guard([&] {
      auto& timers = Instance().timers_;
      auto found = timers.find(wParam);
      if (found != timers.end()) found->second->Fire();
    });
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

Application::DispatchScope::~DispatchScope() { --Instance().dispatchDepth_; }

void Application::DeferFree(Component* component) {
  if (std::find(deferred_.begin(), deferred_.end(), component) == deferred_.end())
    deferred_.push_back(component);
}

void Application::FreeDeferred() {
  while (dispatchDepth_ == 0 && !deferred_.empty()) {
    Component* next = deferred_.front();
    deferred_.erase(deferred_.begin());
    Guard([&] { delete next; });
  }
}

bool Application::ProcessMessage(MSG& message) {
  if (message.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  bool handled = false;
  if ((message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) &&
      message.hwnd != nullptr) {
    Form* form = Form::FormOfWindow(message.hwnd);
    if (form != nullptr) {
      DispatchScope scope;
      handled = Guard(false, [&] { return form->IsKeyMessage(message); });
    }
  }
  if (!handled) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  FreeDeferred();
  return true;
}

void Application::ProcessMessages() {
  FreeDeferred();
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ProcessMessage(message);
}

void Application::HandleMessage() {
  MSG message;
  if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    ProcessMessage(message);
    return;
  }
  FreeDeferred();
  WaitMessage();
}

void Application::Run() {
  if (MainForm != nullptr) MainForm->Show();
  while (!terminated_) HandleMessage();
}

void Application::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void Application::HandleException(const std::string& text) {
  if (OnException) {
    OnException(text);
    return;
  }
  HWND owner = GetActiveWindow();
  MessageBoxA(owner, text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
}

std::vector<std::string> Application::SplitCommandLine(const char* commandLine) {
  std::vector<std::string> result;
  const char* p = commandLine != nullptr ? commandLine : "";
  for (;;) {
    for (;;) {
      while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
      if (p[0] == '"' && p[1] == '"') {
        p += 2;  // an empty quoted argument counts for nothing
      } else {
        break;
      }
    }
    if (*p == '\0') break;
    std::string argument;
    while (static_cast<unsigned char>(*p) > ' ') {
      if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') argument += *p++;
        if (*p != '\0') ++p;
      } else {
        argument += *p++;
      }
    }
    result.push_back(argument);
  }
  return result;
}

int Application::ParamCount() {
  const auto arguments = SplitCommandLine(GetCommandLineA());
  return arguments.empty() ? 0 : static_cast<int>(arguments.size()) - 1;
}

std::string Application::ParamStr(int index) {
  if (index == 0) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
  }
  const auto arguments = SplitCommandLine(GetCommandLineA());
  if (index < 0 || index >= static_cast<int>(arguments.size())) return "";
  return arguments[index];
}

HCURSOR Application::Cursor(int index) {
  auto found = cursors_.find(index);
  if (found != cursors_.end()) return found->second;
  LPCSTR system = nullptr;
  switch (index) {
    case crDefault:
    case crArrow:
      system = IDC_ARROW;
      break;
    case crCross:
      system = IDC_CROSS;
      break;
    case crIBeam:
      system = IDC_IBEAM;
      break;
    case crHourGlass:
      system = IDC_WAIT;
      break;
    case crNo:
      system = IDC_NO;
      break;
    case crHandPoint:
      system = IDC_HAND;
      break;
    default:
      system = IDC_ARROW;
      break;
  }
  HCURSOR cursor = LoadCursorA(nullptr, system);
  cursors_[index] = cursor;
  return cursor;
}

void Application::SetCursor(int index, HCURSOR cursor) { cursors_[index] = cursor; }

void Application::SetScreenCursor(int index) {
  screenCursor_ = index;
  ::SetCursor(Cursor(index == crDefault ? crArrow : index));
}

bool Application::SetClipboardText(const std::string& text) {
  if (!OpenClipboard(Instance().Handle())) return false;
  bool ok = false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (memory != nullptr) {
    char* target = static_cast<char*>(GlobalLock(memory));
    if (target != nullptr) {
      memcpy(target, text.c_str(), text.size() + 1);
      GlobalUnlock(memory);
      ok = SetClipboardData(CF_TEXT, memory) != nullptr;
    }
    if (!ok) GlobalFree(memory);  // on success the clipboard owns it
  }
  CloseClipboard();
  return ok;
}

std::string Application::ClipboardText() {
  std::string text;
  if (!OpenClipboard(Instance().Handle())) return text;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data != nullptr) {
    const char* source = static_cast<const char*>(GlobalLock(data));
    if (source != nullptr) {
      text = source;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

HINSTANCE Application::Shell(HWND window, const char* verb, const char* file,
                             const char* parameters, const char* folder, int show) {
  if (ShellExecuteHook) return ShellExecuteHook(window, verb, file, parameters, folder, show);
  return ShellExecuteA(window, verb, file, parameters, folder, show);
}

BOOL Application::HelpCommand(UINT command, ULONG_PTR data) {
  HWND window = MainForm != nullptr ? MainForm->Handle() : Handle();
  if (WinHelpHook) return WinHelpHook(window, HelpFile.c_str(), command, data);
  return WinHelpA(window, HelpFile.c_str(), command, data);
}

std::function<void(Form&)> Application::TakeModalHook() {
  auto hook = std::move(modalHook_);
  modalHook_ = nullptr;
  return hook;
}

ShiftState KeysToShiftState(WPARAM keys) {
  ShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

ShiftState KeyboardShiftState() {
  ShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

}  // namespace forms
