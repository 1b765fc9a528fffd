#include "forms/form.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "forms/buttons.h"
#include "forms/menus.h"

namespace forms {

namespace {

DWORD StyleOf(BorderStyle border) {
  switch (border) {
    case BorderStyle::bsNone:
      return WS_POPUP;
    case BorderStyle::bsSingle:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    case BorderStyle::bsDialog:
      return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    case BorderStyle::bsToolWindow:
      return WS_POPUP | WS_CAPTION | WS_SYSMENU;
    default:
      return WS_OVERLAPPEDWINDOW;
  }
}

DWORD ExStyleOf(BorderStyle border) {
  switch (border) {
    case BorderStyle::bsDialog:
      return WS_EX_DLGMODALFRAME;
    case BorderStyle::bsToolWindow:
      return WS_EX_TOOLWINDOW;
    default:
      return 0;
  }
}

void CollectControls(const WinControl& parent, std::vector<Control*>& out) {
  for (Control* c : parent.Controls()) {
    out.push_back(c);
    if (auto* w = dynamic_cast<WinControl*>(c)) CollectControls(*w, out);
  }
}

struct ThreadWindows {
  HWND except;
  std::vector<HWND> disabled;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM param) {
  auto* list = reinterpret_cast<ThreadWindows*>(param);
  if (window != list->except && IsWindowVisible(window) && IsWindowEnabled(window)) {
    list->disabled.push_back(window);
  }
  return TRUE;
}

}  // namespace

Form::Form(Component* owner, const CreateArgs& args) : WinControl(owner, nullptr) {
  KeyPreview = args.keyPreview;
  visible_ = false;
  CreateParams params;
  params.style = StyleOf(args.borderStyle) | WS_CLIPCHILDREN;
  params.exStyle =
      ExStyleOf(args.borderStyle) | WS_EX_CONTROLPARENT | (args.stayOnTop ? WS_EX_TOPMOST : 0);
  params.text = args.caption;
  int width = args.width, height = args.height;
  if (args.clientSize) {
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, params.style, FALSE, params.exStyle);
    width = r.right - r.left;
    height = r.bottom - r.top;
  }
  int left = args.left, top = args.top;
  if (args.position == FormPosition::poScreenCenter) {
    left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  params.x = left;
  params.y = top;
  params.width = width;
  params.height = height;
  CreateHandle(params);
}

Form::~Form() {
  destroying_ = true;
  if (OnDestroy) {
    auto handler = std::move(OnDestroy);
    handler(*this);
  }
  if (menu_ != nullptr && Handle() != nullptr) ::SetMenu(Handle(), nullptr);
  DestroyComponents();
  if (Application::Instance().MainForm == this) Application::Instance().MainForm = nullptr;
}

Form* Form::FormOfWindow(HWND window) {
  HWND root = GetAncestor(window, GA_ROOT);
  return dynamic_cast<Form*>(FromHandle(root));
}

void Form::Show() { SetVisible(true); }

void Form::SetVisible(bool visible) {
  visible_ = visible;
  if (Handle() == nullptr) return;
  if (visible) {
    ShowWindow(Handle(), SW_SHOW);
    if (activeControl_ != nullptr && activeControl_->CanFocus()) {
      activeControl_->SetFocus();
    } else {
      auto tabs = TabList();
      if (!tabs.empty()) tabs.front()->SetFocus();
    }
  } else {
    ShowWindow(Handle(), SW_HIDE);
  }
}

void Form::SetClientSize(int width, int height) {
  RECT r = {0, 0, width, height};
  AdjustWindowRectEx(&r, GetWindowLongA(Handle(), GWL_STYLE), GetMenu(Handle()) != nullptr,
                     GetWindowLongA(Handle(), GWL_EXSTYLE));
  SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

WindowState Form::GetWindowState() const {
  if (IsIconic(Handle())) return WindowState::wsMinimized;
  if (IsZoomed(Handle())) return WindowState::wsMaximized;
  return WindowState::wsNormal;
}

void Form::SetWindowState(WindowState state) {
  const int show = state == WindowState::wsMinimized   ? SW_MINIMIZE
                   : state == WindowState::wsMaximized ? SW_MAXIMIZE
                                                       : SW_RESTORE;
  if (IsWindowVisible(Handle())) {
    ShowWindow(Handle(), show);
  } else {
    // Not shown yet: the state is what the next show gives.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(Handle(), &placement);
    placement.showCmd = state == WindowState::wsMaximized   ? SW_SHOWMAXIMIZED
                        : state == WindowState::wsMinimized ? SW_SHOWMINIMIZED
                                                            : SW_SHOWNORMAL;
    placement.flags = 0;
    SetWindowPlacement(Handle(), &placement);
    ShowWindow(Handle(), SW_HIDE);
  }
}

void Form::BringToFront() {
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(Handle());
  SetActiveWindow(Handle());
}

int Form::ShowModal() {
  if (modal_ || IsWindowVisible(Handle()))
    throw std::logic_error("Cannot make a visible window modal");
  Application& app = Application::Instance();
  ThreadWindows others{Handle(), {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&others));
  HWND previousActive = GetActiveWindow();
  struct Restore {
    Form& form;
    ThreadWindows& others;
    HWND previous;
    ~Restore() {
      form.modal_ = false;
      if (form.Handle() != nullptr) ShowWindow(form.Handle(), SW_HIDE);
      form.visible_ = false;
      for (HWND w : others.disabled) EnableWindow(w, TRUE);
      if (previous != nullptr && IsWindow(previous)) SetActiveWindow(previous);
    }
  };
  for (HWND w : others.disabled) EnableWindow(w, FALSE);
  Restore restore{*this, others, previousActive};
  modal_ = true;
  modalResult_ = mrNone;
  Show();
  if (auto hook = app.TakeModalHook()) hook(*this);
  for (;;) {
    if (app.Terminated()) {  // the program is ending: every modal loop stops
      if (modalResult_ == mrNone) modalResult_ = mrCancel;
      break;
    }
    if (modalResult_ == mrNone) {
      app.HandleMessage();
      continue;
    }
    CloseModal();
    if (modalResult_ != mrNone) break;
  }
  return modalResult_;
}

bool Form::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(*this, canClose);
  return canClose;
}

void Form::CloseModal() {
  CloseAction action = CloseAction::caHide;
  if (!CloseQuery()) {
    action = CloseAction::caNone;
  } else if (OnClose) {
    OnClose(*this, action);
  }
  if (action == CloseAction::caNone) modalResult_ = mrNone;
}

void Form::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  Application& app = Application::Instance();
  CloseAction action = app.MainForm == this ? CloseAction::caFree : CloseAction::caHide;
  if (OnClose) OnClose(*this, action);
  switch (action) {
    case CloseAction::caHide:
      Hide();
      break;
    case CloseAction::caMinimize:
      ShowWindow(Handle(), SW_MINIMIZE);
      break;
    case CloseAction::caFree:
      if (app.MainForm == this) {
        Hide();
        app.Terminate();
      } else {
        Release();
      }
      break;
    default:
      break;
  }
}

void Form::Release() {
  if (Handle() != nullptr) ShowWindow(Handle(), SW_HIDE);
  Free();
}

void Form::SetMenu(MainMenu* menu) {
  if (menu_ != nullptr) {
    menu_->SetWindow(nullptr);
    RemoveFreeNotification(menu_);
  }
  menu_ = menu;
  if (menu != nullptr) {
    FreeNotification(menu);
    menu->SetWindow(Handle());
  }
  ::SetMenu(Handle(), menu != nullptr ? menu->Handle() : nullptr);
}

void Form::Notification(Component* component, Operation operation) {
  WinControl::Notification(component, operation);
  if (operation != Operation::opRemove) return;
  if (component == menu_) {
    if (Handle() != nullptr) ::SetMenu(Handle(), nullptr);
    menu_ = nullptr;
  }
}

void Form::SetActiveControl(WinControl* control) {
  activeControl_ = control;
  if (control != nullptr && control->CanFocus()) control->SetFocus();
}

void Form::FocusChanged(WinControl* control) {
  if (control != this) activeControl_ = control;
}

std::vector<WinControl*> Form::TabList() const {
  std::vector<Control*> all;
  CollectControls(*this, all);
  std::vector<WinControl*> tabs;
  for (Control* c : all) {
    auto* w = dynamic_cast<WinControl*>(c);
    if (w != nullptr && w->TabStop && w->CanFocus()) tabs.push_back(w);
  }
  return tabs;
}

void Form::SelectNext(bool forward) {
  const auto tabs = TabList();
  if (tabs.empty()) return;
  HWND focus = GetFocus();
  int current = -1;
  for (HWND w = focus; w != nullptr && current < 0; w = GetParent(w)) {
    for (size_t i = 0; i < tabs.size(); ++i) {
      if (tabs[i]->Handle() == w) current = static_cast<int>(i);
    }
    if (w == Handle()) break;
  }
  const int count = static_cast<int>(tabs.size());
  int next;
  if (current < 0) {
    next = forward ? 0 : count - 1;
  } else {
    next = (current + (forward ? 1 : count - 1)) % count;
  }
  tabs[next]->SetFocus();
}

bool Form::DialogChar(char key) {
  std::vector<Control*> all;
  CollectControls(*this, all);
  for (Control* c : all) {
    if (c->Perform(CM_DIALOGCHAR, static_cast<unsigned char>(key), 0) == 1) return true;
  }
  return false;
}

bool Form::IsShortCut(WORD key, ShiftState shift, HWND focus) {
  if (menu_ == nullptr) return false;
  MenuItem* item = menu_->Items().FindShortCut(MakeShortCut(key, shift));
  if (item == nullptr || !item->Available()) return false;
  if (IsEditWindow(focus) && EditUsesKey(key, shift)) return false;
  item->Click();
  return true;
}

bool Form::IsEditWindow(HWND window) {
  if (window == nullptr) return false;
  if (SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) return true;
  // A list's or a tree's caption edit answers as its owner wants, but is still an edit.
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  const std::string className = name;
  return lstrcmpiA(className.c_str(), "Edit") == 0 ||
         lstrcmpiA(className.substr(0, 8).c_str(), "RichEdit") == 0;
}

bool Form::EditUsesKey(WORD key, ShiftState shift) {
  if (shift & ssAlt) return false;
  switch (key) {
    case VK_BACK:
    case VK_DELETE:
    case VK_INSERT:
    case VK_HOME:
    case VK_END:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
      return true;
    default:
      break;
  }
  if (shift & ssCtrl) {
    // The edit's own commands: copy, cut, paste, undo, select all.
    return key == 'C' || key == 'X' || key == 'V' || key == 'Z' || key == 'A';
  }
  // A key that types a character.
  return key == VK_SPACE || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') ||
         (key >= VK_NUMPAD0 && key <= VK_DIVIDE) || (key >= VK_OEM_1 && key <= VK_OEM_102);
}

bool Form::IsKeyMessage(MSG& message) {
  const UINT msg = message.message;
  LRESULT dialogCode = 0;
  if (msg == WM_KEYDOWN || msg == WM_CHAR) {
    dialogCode = SendMessageA(message.hwnd, WM_GETDLGCODE, message.wParam,
                              reinterpret_cast<LPARAM>(&message));
  }
  if (msg == WM_SYSKEYDOWN) {
    // Alt and a key (or F10): a menu shortcut, else the system's menu keys.
    return IsShortCut(static_cast<WORD>(message.wParam), KeyboardShiftState() | ssAlt,
                      message.hwnd);
  }
  if (msg == WM_KEYDOWN) {
    WORD key = static_cast<WORD>(message.wParam);
    const ShiftState shift = KeyboardShiftState();
    // The shortcut of a main menu item first, unless the focused edit uses the key.
    if (IsShortCut(key, shift, message.hwnd)) return true;
    if (KeyPreview && OnKeyDown) {
      OnKeyDown(*this, key, shift);
      if (key == 0) return true;
      message.wParam = key;
    }
    switch (key) {
      case VK_TAB:
        if ((dialogCode & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) == 0 && (shift & ssCtrl) == 0) {
          SelectNext((shift & ssShift) == 0);
          return true;
        }
        break;
      case VK_RETURN:
      case VK_ESCAPE: {
        if (dialogCode & DLGC_WANTALLKEYS) break;
        std::vector<Control*> all;
        CollectControls(*this, all);
        if (key == VK_RETURN) {
          auto* focused = dynamic_cast<Button*>(FromHandle(message.hwnd));
          if (focused != nullptr) {
            focused->Click();
            return true;
          }
        }
        for (Control* c : all) {
          auto* button = dynamic_cast<Button*>(c);
          if (button == nullptr || !button->CanFocus()) continue;
          if ((key == VK_RETURN && button->Default) || (key == VK_ESCAPE && button->Cancel)) {
            button->Click();
            return true;
          }
        }
        break;
      }
      default:
        break;
    }
    return false;
  }
  if (msg == WM_CHAR && KeyPreview && OnKeyPress) {
    char key = static_cast<char>(message.wParam);
    OnKeyPress(*this, key);
    if (key == 0) return true;
    message.wParam = static_cast<unsigned char>(key);
  }
  if (msg == WM_SYSCHAR || (msg == WM_CHAR && (dialogCode & DLGC_WANTCHARS) == 0)) {
    if (DialogChar(static_cast<char>(message.wParam))) return true;
  }
  return false;
}

void Form::UpdateToolHint(Control* control, bool show) {
  if (destroying_ && show) return;
  if (toolTip_ == nullptr) {
    if (!show || Handle() == nullptr) return;
    toolTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                               0, 0, 0, Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (toolTip_ == nullptr) return;
  }
  if (!IsWindow(toolTip_)) return;
  TOOLINFOA info = {};
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  if (control->IsWindowed()) {
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = Handle();
    info.uId = reinterpret_cast<UINT_PTR>(control->Handle());
  } else {
    if (control->Parent() == nullptr || control->Parent()->Handle() == nullptr) return;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = control->Parent()->Handle();
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.rect = control->BoundsRect();
  }
  SendMessageA(toolTip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  if (show) {
    std::string text = control->Hint();
    info.lpszText = text.data();
    SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  }
}

void Form::WndProc(Message& message) {
  auto handler = MessageHandlers.find(message.msg);
  if (handler != MessageHandlers.end()) {
    auto copy = handler->second;
    copy(message);
    return;
  }
  switch (message.msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_COMMAND:
      if (message.lParam == 0 && HIWORD(message.wParam) <= 1) {
        MenuItem* item = MenuItem::FromCommand(LOWORD(message.wParam));
        if (item != nullptr) {
          item->Click();
          return;
        }
      }
      break;
    case WM_ACTIVATE:
      WinControl::WndProc(message);
      if (LOWORD(message.wParam) != WA_INACTIVE) {
        if (activeControl_ != nullptr && activeControl_->CanFocus()) activeControl_->SetFocus();
        if (OnActivate) OnActivate(*this);
      } else if (OnDeactivate) {
        OnDeactivate(*this);
      }
      return;
    case WM_SHOWWINDOW:
      WinControl::WndProc(message);
      if (message.wParam != 0) {
        if (OnShow) OnShow(*this);
      } else if (OnHide) {
        OnHide(*this);
      }
      return;
    case WM_SIZE:
      WinControl::WndProc(message);
      if (OnResize) OnResize(*this);
      return;
    default:
      break;
  }
  WinControl::WndProc(message);
}

}  // namespace forms
