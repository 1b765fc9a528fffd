#include "forms/win_control.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

#include "forms/application.h"
#include "forms/canvas.h"
#include "forms/form.h"
#include "forms/guard.h"
#include "forms/menus.h"

namespace forms {

namespace {

// The object of every window the framework made or took over, found without a call into the
// system: a window property would be one (under Wine a round trip to the server) for every message
// every such window receives, and for every notification its parent passes on. Any thread may
// look a window up.
class HandleTable {
 public:
  HandleTable() { InitializeCriticalSection(&lock_); }
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;
  void Set(HWND window, WinControl* control) {
    EnterCriticalSection(&lock_);
    try {
      controls_[window] = control;
    } catch (...) {
      LeaveCriticalSection(&lock_);
      throw;
    }
    LeaveCriticalSection(&lock_);
  }
  void Remove(HWND window) {
    EnterCriticalSection(&lock_);
    controls_.erase(window);
    LeaveCriticalSection(&lock_);
  }
  WinControl* Find(HWND window) {
    EnterCriticalSection(&lock_);
    const auto found = controls_.find(window);
    WinControl* control = found != controls_.end() ? found->second : nullptr;
    LeaveCriticalSection(&lock_);
    return control;
  }

 private:
  CRITICAL_SECTION lock_;
  std::unordered_map<HWND, WinControl*> controls_;
};

// Made on first use and kept to the end of the process: windows may still be destroyed while the
// process ends, after static objects are gone.
HandleTable& Handles() {
  static HandleTable* const table = new HandleTable();
  return *table;
}

const char* OwnClassName() {
  static const std::string name = Application::Instance().ClassNamePrefix() + "Window";
  static const ATOM atom = [] {
    WNDCLASSA c = {};
    c.style = CS_DBLCLKS;
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = name.c_str();
    return RegisterClassA(&c);
  }();
  return atom != 0 ? name.c_str() : nullptr;
}

bool IsFrameworkMessage(UINT msg) { return msg >= CM_BASE && msg < CN_BASE + 0x400; }

}  // namespace

WinControl::WinControl(Component* owner, WinControl* parent) : Control(owner, parent) {
  // The system's controls report their own clicks (BN_CLICKED, NM_CLICK, ...).
  ControlStyle = csSetCaption;
}

WinControl::~WinControl() {
  DestroyComponents();
  for (Control* child : std::vector<Control*>(controls_)) {
    RemoveControl(child);
    child->parent_ = nullptr;  // owned elsewhere: it outlives this parent
  }
  if (handle_ != nullptr) {
    HWND window = handle_;
    Detach();
    DestroyWindow(window);
  }
}

WinControl* WinControl::FromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  return Handles().Find(window);
}

void WinControl::CreateHandle(const CreateParams& params) {
  const char* className = params.className != nullptr ? params.className : OwnClassName();
  ownClass_ = params.className == nullptr;
  DWORD style = params.style;
  if (!visible_) style &= ~WS_VISIBLE;
  HWND parentWindow = parent_ != nullptr ? parent_->Handle() : params.parentWindow;
  if (parent_ != nullptr) style |= WS_CHILD;
  bounds_ = {params.x, params.y, params.x + params.width, params.y + params.height};
  caption_ = params.text;
  HWND window = CreateWindowExA(params.exStyle, className, params.text.c_str(), style, params.x,
                                params.y, params.width, params.height, parentWindow, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr)
    throw std::runtime_error(std::string("Error creating window of class ") + className);
  handle_ = window;
  try {
    Handles().Set(window, this);
  } catch (...) {
    handle_ = nullptr;
    DestroyWindow(window);
    throw;
  }
  oldProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinControl::WindowProc)));
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
}

void WinControl::Detach() {
  if (handle_ == nullptr) return;
  Handles().Remove(handle_);
  if (oldProc_ != nullptr)
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
  handle_ = nullptr;
}

LRESULT CALLBACK WinControl::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  WinControl* self = FromHandle(window);
  if (self == nullptr) return DefWindowProcA(window, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    WNDPROC old = self->oldProc_;
    self->Detach();
    return CallWindowProcA(old, window, msg, wParam, lParam);
  }
  Application::DispatchScope scope;
  Message message{msg, wParam, lParam, 0};
  const bool done = Guard(false, [&] {
    if (!self->RunHooks(message)) self->WndProc(message);
    return true;
  });
  if (!done) {
    message.result = 0;
    if (msg == WM_PAINT) ValidateRect(window, nullptr);  // or the failed paint comes back forever
  }
  return message.result;
}

bool WinControl::RunHooks(Message& message) {
  if (hooks_.empty()) return false;
  const auto hooks = hooks_;  // a hook may remove itself
  for (const Hook& h : hooks) {
    if (h.hook(message)) return true;
  }
  return false;
}

int WinControl::AddMessageHook(MessageHook hook) {
  const int id = nextHookId_++;
  hooks_.push_back({id, std::move(hook)});
  return id;
}

void WinControl::RemoveMessageHook(int id) {
  hooks_.erase(
      std::remove_if(hooks_.begin(), hooks_.end(), [id](const Hook& h) { return h.id == id; }),
      hooks_.end());
}

void WinControl::DefaultHandler(Message& message) {
  if (handle_ == nullptr || oldProc_ == nullptr || IsFrameworkMessage(message.msg)) return;
  message.result = CallWindowProcA(oldProc_, handle_, message.msg, message.wParam, message.lParam);
}

void WinControl::WndProc(Message& message) {
  switch (message.msg) {
    case WM_COMMAND:
      if (message.lParam != 0) {
        WinControl* child = FromHandle(reinterpret_cast<HWND>(message.lParam));
        if (child != nullptr && child != this) {
          message.result = child->Perform(CN_COMMAND, message.wParam, message.lParam);
          return;
        }
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(message.lParam);
      WinControl* child = header != nullptr ? FromHandle(header->hwndFrom) : nullptr;
      if (child != nullptr && child != this) {
        message.result = child->Perform(CN_NOTIFY, message.wParam, message.lParam);
        return;
      }
      break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (message.lParam != 0) {
        WinControl* child = FromHandle(reinterpret_cast<HWND>(message.lParam));
        if (child != nullptr && child != this) {
          message.result = child->Perform(CN_BASE + message.msg, message.wParam, message.lParam);
          return;
        }
      }
      break;
    case WM_ERASEBKGND:
      if (ownClass_) {
        message.result = 1;
        return;
      }
      break;
    case WM_PAINT:
      if (ownClass_) {
        PaintScope paint(handle_);
        {
          Canvas canvas(paint.dc());
          PaintWindow(canvas, paint.area());
        }
        PaintControls(paint.dc(), paint.area());
        return;
      }
      break;
    case WM_MOUSELEAVE:
      if (mouseControl_ != nullptr) {
        Control* left = mouseControl_;
        mouseControl_ = nullptr;
        left->Perform(CM_MOUSELEAVE);
      }
      break;
    case WM_CAPTURECHANGED:
      captureControl_ = nullptr;
      break;
    case WM_SETCURSOR:
      if (LOWORD(message.lParam) == HTCLIENT && reinterpret_cast<HWND>(message.wParam) == handle_) {
        Application& app = Application::Instance();
        int cursor = app.ScreenCursor();
        if (cursor == crDefault) {
          POINT at;
          GetCursorPos(&at);
          ::ScreenToClient(handle_, &at);
          Control* under = ControlAtPos(at);
          cursor = under != nullptr ? under->Cursor : Cursor;
        }
        if (cursor != crDefault) {
          ::SetCursor(app.Cursor(cursor));
          message.result = TRUE;
          return;
        }
      }
      break;
    case WM_SIZE:
      DefaultHandler(message);
      AlignControls();
      return;
    case WM_SETFOCUS:
      DefaultHandler(message);
      if (Form* form = ParentForm()) form->FocusChanged(this);
      if (OnEnter) OnEnter(*this);
      return;
    case WM_KILLFOCUS:
      DefaultHandler(message);
      if (OnExit) OnExit(*this);
      return;
    case WM_KEYDOWN: {
      WORD key = static_cast<WORD>(message.wParam);
      KeyDown(key, KeyboardShiftState());
      if (key == 0) return;
      message.wParam = key;
      break;
    }
    case WM_KEYUP: {
      WORD key = static_cast<WORD>(message.wParam);
      if (OnKeyUp) OnKeyUp(*this, key, KeyboardShiftState());
      if (key == 0) return;
      break;
    }
    case WM_CHAR: {
      char key = static_cast<char>(message.wParam);
      KeyPress(key);
      if (key == 0) return;
      message.wParam = static_cast<unsigned char>(key);
      break;
    }
    case WM_CONTEXTMENU:
      if (GetPopupMenu() != nullptr && reinterpret_cast<HWND>(message.wParam) == handle_) {
        POINT at = {GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
        if (at.x == -1 && at.y == -1) at = ClientToScreen({0, 0});
        GetPopupMenu()->PopupComponent = this;
        GetPopupMenu()->Popup(at.x, at.y);
        return;
      }
      break;
    default:
      if (message.msg >= WM_MOUSEFIRST && message.msg <= WM_MBUTTONDBLCLK && !controls_.empty() &&
          RouteMouse(message))
        return;
      break;
  }
  Control::WndProc(message);
}

bool WinControl::RouteMouse(Message& message) {
  const POINT at = {GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
  Control* under = ControlAtPos(at);
  if (message.msg == WM_MOUSEMOVE) {
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, handle_, 0};
    TrackMouseEvent(&track);
  }
  // Any mouse message tells where the mouse is (a press may come without a move before it).
  if (under != mouseControl_) {
    Control* left = mouseControl_;
    mouseControl_ = under;
    if (left != nullptr) left->Perform(CM_MOUSELEAVE);
    if (under != nullptr && mouseControl_ == under) under->Perform(CM_MOUSEENTER);
  }
  Control* target = captureControl_ != nullptr ? captureControl_ : under;
  if (target == nullptr) return false;
  const LPARAM local = MAKELPARAM(static_cast<WORD>(static_cast<short>(at.x - target->Left())),
                                  static_cast<WORD>(static_cast<short>(at.y - target->Top())));
  target->Perform(message.msg, message.wParam, local);
  return true;
}

void WinControl::SetCaptureControl(Control* control) {
  captureControl_ = control;
  if (control != nullptr) {
    ::SetCapture(handle_);
  } else if (GetCapture() == handle_) {
    ReleaseCapture();
  }
}

void WinControl::ForgetMouseControl(Control* control) {
  if (captureControl_ == control) SetCaptureControl(nullptr);
  if (mouseControl_ == control) mouseControl_ = nullptr;
}

void WinControl::InsertControl(Control* control) { controls_.push_back(control); }

void WinControl::RemoveControl(Control* control) {
  if (captureControl_ == control) {
    captureControl_ = nullptr;
    if (handle_ != nullptr && GetCapture() == handle_) ReleaseCapture();
  }
  if (mouseControl_ == control) mouseControl_ = nullptr;
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void WinControl::MoveControlToFront(Control* control) {
  auto found = std::find(controls_.begin(), controls_.end(), control);
  if (found == controls_.end()) return;
  controls_.erase(found);
  controls_.push_back(control);
}

Control* WinControl::ControlAtPos(POINT point) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    Control* c = *it;
    if (c->IsWindowed() || !c->Visible()) continue;
    const RECT r = c->BoundsRect();
    if (PtInRect(&r, point)) return c;
  }
  return nullptr;
}

void WinControl::PaintWindow(Canvas& canvas, const RECT& area) {
  canvas.Brush.color = color_;
  canvas.Brush.clear = false;
  canvas.FillRect(area);
}

void WinControl::PaintControls(HDC dc, const RECT& area) {
  for (Control* c : std::vector<Control*>(controls_)) {
    auto* graphic = dynamic_cast<GraphicControl*>(c);
    if (graphic == nullptr || !c->Visible()) continue;
    const RECT r = c->BoundsRect();
    RECT overlap;
    if (!IntersectRect(&overlap, &r, &area)) continue;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    SetViewportOrgEx(dc, r.left, r.top, nullptr);
    try {
      graphic->PaintTo(dc);
    } catch (...) {
      RestoreDC(dc, saved);
      throw;
    }
    RestoreDC(dc, saved);
  }
}

void WinControl::AlignControls() {
  if (handle_ == nullptr) return;
  RECT r = ClientRect();
  const Align order[] = {Align::alTop, Align::alBottom, Align::alLeft, Align::alRight,
                         Align::alClient};
  for (Align a : order) {
    for (Control* c : controls_) {
      if (c->GetAlign() != a || !c->Visible()) continue;
      const int w = c->Width(), h = c->Height();
      switch (a) {
        case Align::alTop:
          c->SetBounds(r.left, r.top, r.right - r.left, h);
          r.top += h;
          break;
        case Align::alBottom:
          c->SetBounds(r.left, r.bottom - h, r.right - r.left, h);
          r.bottom -= h;
          break;
        case Align::alLeft:
          c->SetBounds(r.left, r.top, w, r.bottom - r.top);
          r.left += w;
          break;
        case Align::alRight:
          c->SetBounds(r.right - w, r.top, w, r.bottom - r.top);
          r.right -= w;
          break;
        default:
          c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
          break;
      }
    }
  }
}

RECT WinControl::BoundsRect() const {
  if (handle_ == nullptr) return bounds_;
  RECT r;
  GetWindowRect(handle_, &r);
  HWND parentWindow =
      (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD) ? GetParent(handle_) : nullptr;
  if (parentWindow != nullptr)
    MapWindowPoints(nullptr, parentWindow, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void WinControl::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  if (handle_ != nullptr) MoveWindow(handle_, left, top, width, height, TRUE);
  if (showHint_) UpdateHint();
}

RECT WinControl::ClientRect() const {
  RECT r = {0, 0, 0, 0};
  if (handle_ != nullptr) GetClientRect(handle_, &r);
  return r;
}

void WinControl::SetVisible(bool visible) {
  visible_ = visible;
  if (handle_ != nullptr) ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
  if (parent_ != nullptr && align_ != Align::alNone) parent_->AlignControls();
}

bool WinControl::Enabled() const {
  return handle_ != nullptr ? IsWindowEnabled(handle_) != FALSE : enabled_;
}

void WinControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (handle_ != nullptr) EnableWindow(handle_, enabled);
  Perform(CM_ENABLEDCHANGED);
  Invalidate();
}

std::string WinControl::Caption() const {
  if (handle_ == nullptr) return caption_;
  const int length = GetWindowTextLengthA(handle_);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(handle_, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void WinControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (handle_ != nullptr) SetWindowTextA(handle_, caption.c_str());
  Perform(CM_TEXTCHANGED);
}

void WinControl::Invalidate() {
  if (handle_ != nullptr) InvalidateRect(handle_, nullptr, TRUE);
}

void WinControl::Repaint() {
  if (handle_ == nullptr) return;
  InvalidateRect(handle_, nullptr, TRUE);
  UpdateWindow(handle_);
}

void WinControl::FontChanged() {
  if (handle_ != nullptr)
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
  for (Control* c : controls_) c->TakeParentFont();
  Perform(CM_FONTCHANGED);
  Invalidate();
}

void WinControl::SetFocus() {
  if (handle_ != nullptr) ::SetFocus(handle_);
}

bool WinControl::CanFocus() const {
  return handle_ != nullptr && IsWindowVisible(handle_) && IsWindowEnabled(handle_);
}

void WinControl::KeyDown(WORD& key, ShiftState shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
}

void WinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(*this, key);
}

}  // namespace forms
