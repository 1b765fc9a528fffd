// A visual component: bounds in pixels relative to its parent, visibility, enabled state,
// caption, font, colour, hint, popup menu and cursor, and the mouse events. A control without a
// window of its own (GraphicControl) is painted and fed mouse messages by its parent.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "forms/application.h"
#include "forms/colors.h"
#include "forms/component.h"
#include "forms/font.h"
#include "forms/messages.h"

namespace forms {

class Canvas;
class Form;
class PopupMenu;
class WinControl;

enum ControlStyleFlag : unsigned {
  csCaptureMouse = 1,  // the control holds the mouse while a button is down on it
  csClickEvents = 2,   // a left press and release inside is a click
  csSetCaption = 4,
  csDoubleClicks = 8,
};

enum class Align { alNone, alTop, alBottom, alLeft, alRight, alClient };

using NotifyEvent = std::function<void(Component& sender)>;
using MouseEvent = std::function<void(Component& sender, MouseButton, ShiftState, int x, int y)>;
using MouseMoveEvent = std::function<void(Component& sender, ShiftState, int x, int y)>;
using KeyEvent = std::function<void(Component& sender, WORD& key, ShiftState)>;
using KeyPressEvent = std::function<void(Component& sender, char& key)>;

class Control : public Component {
 public:
  Control(Component* owner, WinControl* parent);
  ~Control() override;

  WinControl* Parent() const { return parent_; }
  virtual HWND Handle() const { return nullptr; }
  virtual bool IsWindowed() const { return false; }
  Form* ParentForm() const;

  virtual RECT BoundsRect() const;
  int Left() const { return BoundsRect().left; }
  int Top() const { return BoundsRect().top; }
  int Width() const {
    const RECT r = BoundsRect();
    return r.right - r.left;
  }
  int Height() const {
    const RECT r = BoundsRect();
    return r.bottom - r.top;
  }
  virtual void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
  virtual RECT ClientRect() const;
  Align GetAlign() const { return align_; }
  void SetAlign(Align align);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  virtual bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  virtual std::string Caption() const { return caption_; }
  virtual void SetCaption(const std::string& caption);

  forms::Font& GetFont() { return font_; }
  const forms::Font& GetFont() const { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);
  Color GetColor() const { return color_; }
  void SetColor(Color color);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);
  PopupMenu* GetPopupMenu() const { return popupMenu_; }
  void SetPopupMenu(PopupMenu* menu);
  int Cursor = crDefault;
  unsigned ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;

  NotifyEvent OnClick;
  NotifyEvent OnDblClick;
  MouseEvent OnMouseDown;
  MouseEvent OnMouseUp;
  MouseMoveEvent OnMouseMove;
  NotifyEvent OnMouseEnter;
  NotifyEvent OnMouseLeave;

  // Sends a message to the control object itself (no window involved).
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void WndProc(Message& message);
  virtual void DefaultHandler(Message& message) {}

  virtual void Click();
  virtual void DblClick();
  virtual void Invalidate();
  // Paints the control now.
  virtual void Repaint();
  bool MouseCapture() const;
  void SetMouseCapture(bool capture);
  POINT ClientToScreen(POINT point) const;
  POINT ScreenToClient(POINT point) const;
  void BringToFront();
  // With ParentFont: takes the parent's font.
  void TakeParentFont();

 protected:
  friend class WinControl;  // forgets itself as the parent of controls that outlive it
  virtual void MouseDown(MouseButton button, ShiftState shift, int x, int y);
  virtual void MouseUp(MouseButton button, ShiftState shift, int x, int y);
  virtual void MouseMove(ShiftState shift, int x, int y);
  void Notification(Component* component, Operation operation) override;
  virtual void FontChanged();
  void UpdateHint();

  WinControl* parent_ = nullptr;
  RECT bounds_ = {0, 0, 0, 0};
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  forms::Font font_;
  bool parentFont_ = true;
  bool takingParentFont_ = false;
  Color color_ = clBtnFace;
  std::string hint_;
  bool showHint_ = false;
  PopupMenu* popupMenu_ = nullptr;
  Align align_ = Align::alNone;
  bool clicked_ = false;
};

// A control without a window: its parent paints it (Paint, on the parent's device context with
// the origin at the control's corner and the drawing clipped to it) and routes mouse messages
// to it.
class GraphicControl : public Control {
 public:
  GraphicControl(Component* owner, WinControl* parent);
  // Paints the control on any device context (tests paint into memory contexts).
  void PaintTo(HDC dc);

 protected:
  virtual void Paint() {}
  // The canvas of the paint in progress.
  Canvas& GetCanvas() { return *canvas_; }
  bool Painting() const { return canvas_ != nullptr; }

 private:
  Canvas* canvas_ = nullptr;
};

// Removes the accelerator marks: "&&" becomes "&", a single "&" goes, a final "&" stays.
std::string StripAccelerators(const std::string& caption);
// True when the caption marks the character as its accelerator (case ignored).
bool IsAccelerator(char key, const std::string& caption);

}  // namespace forms
