#include "gui_driver.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "forms/application.h"
#include "forms/menus.h"
#include "win_test_util.h"

namespace guitest {

namespace {

LPARAM PointParam(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

HWND KeyTarget(forms::WinControl& control) {
  control.SetFocus();
  HWND focus = GetFocus();
  return focus != nullptr ? focus : control.Handle();
}

}  // namespace

forms::Component* Find(forms::Component& root, const std::string& name) {
  if (lstrcmpiA(root.Name().c_str(), name.c_str()) == 0) return &root;
  for (forms::Component* c : root.Components()) {
    if (forms::Component* found = Find(*c, name)) return found;
  }
  return nullptr;
}

void Pump(DWORD ms) {
  forms::Application& app = forms::Application::Instance();
  app.ProcessMessages();
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    app.ProcessMessages();
  }
}

void MouseOver(forms::Control& control) {
  forms::WinControl* parent = control.Parent();
  if (control.IsWindowed() || parent == nullptr) return;
  MouseTo(*parent, {control.Left() + control.Width() / 2, control.Top() + control.Height() / 2});
}

void MouseTo(forms::WinControl& parent, POINT client) {
  POINT screen = client;
  ClientToScreen(parent.Handle(), &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageA(parent.Handle(), WM_MOUSEMOVE, 0, PointParam(client.x, client.y));
}

void Click(forms::Control& control) {
  if (control.IsWindowed()) {
    HWND window = control.Handle();
    if (ClassName(window) == "Button") {
      SendMessageA(window, BM_CLICK, 0, 0);
    } else {
      RECT r;
      GetClientRect(window, &r);
      const LPARAM at = PointParam(r.right / 2, r.bottom / 2);
      SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageA(window, WM_LBUTTONUP, 0, at);
    }
    Pump();
    return;
  }
  forms::WinControl* parent = control.Parent();
  if (parent == nullptr) return;
  const int x = control.Left() + control.Width() / 2;
  const int y = control.Top() + control.Height() / 2;
  POINT screen = {x, y};
  ClientToScreen(parent->Handle(), &screen);
  SetCursorPos(screen.x, screen.y);
  HWND window = parent->Handle();
  SendMessageA(window, WM_MOUSEMOVE, 0, PointParam(x, y));
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
  SendMessageA(window, WM_LBUTTONUP, 0, PointParam(x, y));
  Pump();
}

void Click(forms::Component& root, const std::string& name) {
  Click(Get<forms::Control>(root, name));
}

bool ClickMenu(forms::Form& form, const std::string& path) {
  if (form.Menu() == nullptr) return false;
  forms::MenuItem* item = &form.Menu()->Items();
  size_t start = 0;
  while (start <= path.size()) {
    size_t bar = path.find('|', start);
    if (bar == std::string::npos) bar = path.size();
    item = item->Find(path.substr(start, bar - start));
    if (item == nullptr) return false;
    start = bar + 1;
  }
  SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(item->Command(), 0), 0);
  Pump();
  return true;
}

void SetText(forms::Control& control, const std::string& text) {
  if (control.IsWindowed()) {
    SendMessageA(control.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  } else {
    control.SetCaption(text);
  }
  Pump();
}

void Key(forms::WinControl& control, WORD virtualKey, forms::ShiftState shift) {
  BYTE saved[256], state[256];
  GetKeyboardState(saved);
  memcpy(state, saved, sizeof(state));
  if (shift & forms::ssShift) state[VK_SHIFT] = 0x80;
  if (shift & forms::ssCtrl) state[VK_CONTROL] = 0x80;
  SetKeyboardState(state);
  HWND target = KeyTarget(control);
  PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
  PostMessageA(target, WM_KEYUP, virtualKey, 0xC0000001);
  Pump();
  SetKeyboardState(saved);
}

void Char(forms::WinControl& control, char character) {
  PostMessageA(KeyTarget(control), WM_CHAR, static_cast<unsigned char>(character), 1);
  Pump();
}

void AltKey(forms::Form& form, char letter) {
  HWND focus = GetFocus();
  HWND target =
      focus != nullptr && forms::Form::FormOfWindow(focus) == &form ? focus : form.Handle();
  PostMessageA(target, WM_SYSCHAR, static_cast<unsigned char>(letter), 0x20000001);
  Pump();
}

HGLOBAL DropFiles(HWND window, const std::vector<std::string>& names, POINT at) {
  size_t size = sizeof(DROPFILES) + 1;
  for (const auto& name : names) size += name.size() + 1;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (memory == nullptr) return nullptr;
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = at;
  drop->fNC = FALSE;
  drop->fWide = FALSE;
  char* names0 = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
  for (const auto& name : names) {
    memcpy(names0, name.c_str(), name.size() + 1);
    names0 += name.size() + 1;
  }
  GlobalUnlock(memory);
  SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  Pump();
  return memory;
}

void OnModal(std::function<void(forms::Form&)> handler) {
  forms::Application::Instance().SetModalHook(std::move(handler));
}

MenuCloser::MenuCloser()
    : watcher_([this] {
        HWND menu = WaitForMenu();
        if (menu == nullptr) return;
        seen_ = true;
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 1);
        // A menu that ignores the key (none should) is closed by cancelling the mode.
        for (int i = 0; i < 50 && IsWindowVisible(menu); ++i) Sleep(20);
        if (IsWindowVisible(menu)) PostMessageA(menu, WM_CANCELMODE, 0, 0);
      }) {}

void PressAt(HWND window, const RECT& bounds) {
  const int x = (bounds.left + bounds.right) / 2;
  const int y = (bounds.top + bounds.bottom) / 2;
  POINT screen = {x, y};
  ClientToScreen(window, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageA(window, WM_MOUSEMOVE, 0, PointParam(x, y));
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, PointParam(x, y));
}

void PressAccelerator(HWND window, char letter) {
  PostMessageA(window, WM_SYSCHAR, static_cast<unsigned char>(letter), 0x20000001);
}

}  // namespace guitest
