// A control with a window. Every window is subclassed by one procedure that hands its messages
// to the object (message hooks first, then WndProc); the parent reflects WM_COMMAND and
// WM_NOTIFY to the child object that sent them (CN_COMMAND, CN_NOTIFY), paints its windowless
// children and routes the mouse to them (topmost first, to the holder of the mouse while a
// button is down), with CM_MOUSEENTER and CM_MOUSELEAVE as the mouse moves over them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/control.h"

namespace forms {

class WinControl : public Control {
 public:
  WinControl(Component* owner, WinControl* parent);
  ~WinControl() override;

  HWND Handle() const override { return handle_; }
  bool IsWindowed() const override { return true; }
  static WinControl* FromHandle(HWND window);

  RECT BoundsRect() const override;
  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() const override;
  void SetVisible(bool visible) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  void Invalidate() override;
  void Repaint() override;

  void WndProc(Message& message) override;
  // The window's own procedure (the class's, before subclassing).
  void DefaultHandler(Message& message) override;

  // Hooks see each window message before the object; one that returns true has handled it
  // (its result in the message).
  using MessageHook = std::function<bool(Message&)>;
  int AddMessageHook(MessageHook hook);
  void RemoveMessageHook(int id);

  const std::vector<Control*>& Controls() const { return controls_; }
  void InsertControl(Control* control);
  void RemoveControl(Control* control);
  void MoveControlToFront(Control* control);
  // The topmost visible windowless child at a client point, or null.
  Control* ControlAtPos(POINT point) const;
  Control* CaptureControl() const { return captureControl_; }
  void SetCaptureControl(Control* control);
  void ForgetMouseControl(Control* control);
  virtual void AlignControls();

  bool Focused() const { return handle_ != nullptr && GetFocus() == handle_; }
  virtual void SetFocus();
  bool CanFocus() const;
  bool TabStop = false;

  struct CreateParams {
    const char* className = nullptr;  // null: the framework's own window class
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parentWindow = nullptr;  // for top-level windows: the owner
  };

  NotifyEvent OnEnter;
  NotifyEvent OnExit;
  KeyEvent OnKeyDown;
  KeyEvent OnKeyUp;
  KeyPressEvent OnKeyPress;

 protected:
  // Creates and subclasses the window; called by each concrete class's constructor.
  void CreateHandle(const CreateParams& params);
  // Fills the background of a window of the framework's own class.
  virtual void PaintWindow(Canvas& canvas, const RECT& area);
  void PaintControls(HDC dc, const RECT& area);
  void FontChanged() override;
  virtual void KeyDown(WORD& key, ShiftState shift);
  virtual void KeyPress(char& key);
  bool OwnClass() const { return ownClass_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  bool RunHooks(Message& message);
  bool RouteMouse(Message& message);
  void Detach();

  HWND handle_ = nullptr;
  WNDPROC oldProc_ = nullptr;
  bool ownClass_ = false;
  std::vector<Control*> controls_;
  Control* captureControl_ = nullptr;
  Control* mouseControl_ = nullptr;
  struct Hook {
    int id;
    MessageHook hook;
  };
  std::vector<Hook> hooks_;
  int nextHookId_ = 1;
};

// The one way to add a control in code: made with its creation arguments, owned by owner (which
// frees it), shown in parent and named (unnamed for null). Designated initialisers read as the
// form's description: Add<Button>(this, this, "YesButton", {.caption = "&Yes", .left = 8}).
template <class T>
T* Add(Component* owner, WinControl* parent, const char* name, typename T::CreateArgs args = {}) {
  auto* control = new T(owner, parent, args);
  if (name != nullptr) control->SetName(name);
  return control;
}

// Ends a paint on every path out.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
  ~PaintScope() { EndPaint(window_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }
  const RECT& area() const { return ps_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT ps_;
  HDC dc_;
};

}  // namespace forms
