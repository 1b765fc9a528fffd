#include "forms/control.h"

#include <windowsx.h>

#include "forms/canvas.h"
#include "forms/form.h"
#include "forms/menus.h"
#include "forms/win_control.h"

namespace forms {

Control::Control(Component* owner, WinControl* parent) : Component(owner), parent_(parent) {
  font_.OnChange = [this] {
    if (!takingParentFont_) parentFont_ = false;
    FontChanged();
  };
  if (parent_ != nullptr) {
    parent_->InsertControl(this);
    TakeParentFont();
  }
}

Control::~Control() {
  font_.OnChange = nullptr;
  if (popupMenu_ != nullptr) RemoveFreeNotification(reinterpret_cast<Component*>(popupMenu_));
  if (showHint_) {
    showHint_ = false;
    UpdateHint();
  }
  if (parent_ != nullptr) {
    if (!IsWindowed() && visible_) Invalidate();
    parent_->RemoveControl(this);
  }
}

void Control::TakeParentFont() {
  if (parent_ == nullptr || !parentFont_) return;
  takingParentFont_ = true;
  font_.Assign(parent_->GetFont());
  takingParentFont_ = false;
}

void Control::SetParentFont(bool value) {
  parentFont_ = value;
  if (value) TakeParentFont();
}

void Control::FontChanged() {
  Perform(CM_FONTCHANGED);
  Invalidate();
}

Form* Control::ParentForm() const {
  const Control* top = this;
  while (top->parent_ != nullptr) top = top->parent_;
  return dynamic_cast<Form*>(const_cast<Control*>(top));
}

RECT Control::BoundsRect() const { return bounds_; }

RECT Control::ClientRect() const {
  RECT r = {0, 0, Width(), Height()};
  return r;
}

void Control::SetBounds(int left, int top, int width, int height) {
  if (visible_) Invalidate();
  bounds_ = {left, top, left + width, top + height};
  if (visible_) Invalidate();
  if (showHint_) UpdateHint();
}

void Control::SetAlign(Align align) {
  align_ = align;
  if (parent_ != nullptr) parent_->AlignControls();
}

void Control::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible) Invalidate();
  visible_ = visible;
  if (visible) Invalidate();
  if (parent_ != nullptr) {
    if (!visible) parent_->ForgetMouseControl(this);
    if (align_ != Align::alNone) parent_->AlignControls();
  }
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Perform(CM_ENABLEDCHANGED);
  Invalidate();
}

void Control::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Perform(CM_TEXTCHANGED);
  Invalidate();
}

void Control::SetColor(Color color) {
  if (color == color_) return;
  color_ = color;
  Perform(CM_COLORCHANGED);
  Invalidate();
}

void Control::SetHint(const std::string& hint) {
  hint_ = hint;
  UpdateHint();
}

void Control::SetShowHint(bool show) {
  showHint_ = show;
  UpdateHint();
}

void Control::UpdateHint() {
  Form* form = ParentForm();
  if (form != nullptr) form->UpdateToolHint(this, showHint_ && !hint_.empty());
}

void Control::SetPopupMenu(PopupMenu* menu) {
  if (popupMenu_ != nullptr) RemoveFreeNotification(popupMenu_);
  popupMenu_ = menu;
  if (menu != nullptr) FreeNotification(menu);
}

void Control::Notification(Component* component, Operation operation) {
  if (operation == Operation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

LRESULT Control::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  Message message{msg, wParam, lParam, 0};
  WndProc(message);
  return message.result;
}

void Control::WndProc(Message& message) {
  const int x = GET_X_LPARAM(message.lParam);
  const int y = GET_Y_LPARAM(message.lParam);
  switch (message.msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!IsWindowed() && (ControlStyle & csCaptureMouse)) SetMouseCapture(true);
      if (ControlStyle & csClickEvents) clicked_ = true;
      if (message.msg == WM_LBUTTONDBLCLK && (ControlStyle & csDoubleClicks)) DblClick();
      MouseDown(MouseButton::mbLeft,
                KeysToShiftState(message.wParam) |
                    (message.msg == WM_LBUTTONDBLCLK ? static_cast<ShiftState>(ssDouble) : 0u),
                x, y);
      break;
    case WM_LBUTTONUP: {
      const bool wasClicked = clicked_;
      clicked_ = false;
      if (!IsWindowed() && MouseCapture()) SetMouseCapture(false);
      const RECT client = ClientRect();
      const POINT at = {x, y};
      if (wasClicked && PtInRect(&client, at)) Click();
      MouseUp(MouseButton::mbLeft, KeysToShiftState(message.wParam), x, y);
      break;
    }
    case WM_RBUTTONDOWN:
      MouseDown(MouseButton::mbRight, KeysToShiftState(message.wParam), x, y);
      break;
    case WM_RBUTTONUP:
      MouseUp(MouseButton::mbRight, KeysToShiftState(message.wParam), x, y);
      if (!IsWindowed() && popupMenu_ != nullptr) {
        const POINT screen = ClientToScreen({x, y});
        popupMenu_->PopupComponent = this;
        popupMenu_->Popup(screen.x, screen.y);
        return;
      }
      break;
    case WM_MOUSEMOVE:
      MouseMove(KeysToShiftState(message.wParam), x, y);
      break;
    case CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(*this);
      break;
    case CM_MOUSELEAVE:
      if (OnMouseLeave) OnMouseLeave(*this);
      break;
    default:
      break;
  }
  DefaultHandler(message);
}

void Control::Click() {
  if (OnClick) OnClick(*this);
}

void Control::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}

void Control::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void Control::MouseUp(MouseButton button, ShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void Control::MouseMove(ShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void Control::Invalidate() {
  if (parent_ == nullptr || parent_->Handle() == nullptr) return;
  const RECT r = bounds_;
  InvalidateRect(parent_->Handle(), &r, TRUE);
}

void Control::Repaint() {
  Invalidate();
  if (parent_ != nullptr && parent_->Handle() != nullptr) UpdateWindow(parent_->Handle());
}

bool Control::MouseCapture() const {
  if (IsWindowed()) return GetCapture() == Handle();
  return parent_ != nullptr && parent_->CaptureControl() == this &&
         GetCapture() == parent_->Handle();
}

void Control::SetMouseCapture(bool capture) {
  if (IsWindowed()) {
    if (capture) {
      ::SetCapture(Handle());
    } else if (GetCapture() == Handle()) {
      ReleaseCapture();
    }
    return;
  }
  if (parent_ == nullptr) return;
  if (capture) {
    parent_->SetCaptureControl(this);
  } else if (parent_->CaptureControl() == this) {
    parent_->SetCaptureControl(nullptr);
  }
}

POINT Control::ClientToScreen(POINT point) const {
  if (IsWindowed()) {
    ::ClientToScreen(Handle(), &point);
    return point;
  }
  point.x += Left();
  point.y += Top();
  return parent_ != nullptr ? parent_->ClientToScreen(point) : point;
}

POINT Control::ScreenToClient(POINT point) const {
  if (IsWindowed()) {
    ::ScreenToClient(Handle(), &point);
    return point;
  }
  if (parent_ != nullptr) point = parent_->ScreenToClient(point);
  point.x -= Left();
  point.y -= Top();
  return point;
}

void Control::BringToFront() {
  if (parent_ != nullptr) parent_->MoveControlToFront(this);
  if (IsWindowed())
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

GraphicControl::GraphicControl(Component* owner, WinControl* parent) : Control(owner, parent) {}

void GraphicControl::PaintTo(HDC dc) {
  Canvas canvas(dc);
  canvas.Font = font_;
  Canvas* previous = canvas_;
  canvas_ = &canvas;
  try {
    Paint();
  } catch (...) {
    canvas_ = previous;
    throw;
  }
  canvas_ = previous;
}

std::string StripAccelerators(const std::string& caption) {
  std::string result;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;  // "&&" keeps one; "&x" keeps x
    }
    result += caption[i];
  }
  return result;
}

bool IsAccelerator(char key, const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const char a = static_cast<char>(reinterpret_cast<ULONG_PTR>(CharUpperA(
        reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<unsigned char>(key))))));
    const char b = static_cast<char>(reinterpret_cast<ULONG_PTR>(CharUpperA(reinterpret_cast<LPSTR>(
        static_cast<ULONG_PTR>(static_cast<unsigned char>(caption[i + 1]))))));
    return a == b;
  }
  return false;
}

}  // namespace forms
