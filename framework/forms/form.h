// A top-level window of the program: shown modelessly or modally (ShowModal returns the
// ModalResult that closed it), with a main menu, one tooltip for the hints of its controls, and
// the keyboard rules of a dialog: KeyPreview, Tab and Shift+Tab through the tab stops in
// creation order, Enter for the default button, Escape for the cancel button, accelerator
// characters offered to the controls as CM_DIALOGCHAR until one answers 1, and the shortcut keys
// of its main menu's items.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "forms/win_control.h"

namespace forms {

class MainMenu;

enum class BorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class FormPosition { poDesigned, poScreenCenter };
enum class CloseAction { caNone, caHide, caFree, caMinimize };
enum class WindowState { wsNormal, wsMinimized, wsMaximized };

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;
constexpr int mrAll = 8;

struct FormCreateArgs {
  std::string caption;
  int left = 100, top = 100, width = 320, height = 240;
  bool clientSize = false;  // width and height are of the client area
  BorderStyle borderStyle = BorderStyle::bsSizeable;
  FormPosition position = FormPosition::poDesigned;
  bool keyPreview = false;
  bool stayOnTop = false;
};

class Form : public WinControl {
 public:
  using CreateArgs = FormCreateArgs;
  explicit Form(Component* owner = nullptr, const CreateArgs& args = CreateArgs());
  ~Form() override;

  // The form a window belongs to (its top-level ancestor's object), or null.
  static Form* FormOfWindow(HWND window);

  void Show();
  void SetVisible(bool visible) override;
  int ShowModal();
  bool Modal() const { return modal_; }
  // Closes as the user's close box does: a modal form ends with mrCancel; others ask
  // OnCloseQuery, then OnClose decides (hide by default; the main form ends the program).
  void Close();
  // Deletes the form once the callback running now has returned.
  void Release();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  void SetClientSize(int width, int height);
  forms::WindowState GetWindowState() const;
  void SetWindowState(forms::WindowState state);
  // Brings the form to the front and activates it.
  void BringToFront();

  bool KeyPreview = false;
  MainMenu* Menu() const { return menu_; }
  void SetMenu(MainMenu* menu);
  WinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(WinControl* control);
  void FocusChanged(WinControl* control);
  void SelectNext(bool forward);
  // Offers an accelerator character to every control; true when one took it.
  bool DialogChar(char key);
  // The keyboard rules above and the main menu's shortcuts, for a message taken from the queue;
  // true when it was used.
  bool IsKeyMessage(MSG& message);
  // Runs the main menu item of that shortcut when it and the menus above it are enabled, unless
  // the focused window is an edit that uses the key (Delete, the arrows, typing, Ctrl+C ...):
  // the edit gets it then. True when an item ran.
  bool IsShortCut(WORD key, ShiftState shift, HWND focus);
  static bool IsEditWindow(HWND window);
  static bool EditUsesKey(WORD key, ShiftState shift);
  void UpdateToolHint(Control* control, bool show);
  HWND ToolTipWindow() const { return toolTip_; }

  // Handlers of private messages (sent to the form's window), by message number.
  std::map<UINT, std::function<void(Message&)>> MessageHandlers;

  NotifyEvent OnShow;
  NotifyEvent OnHide;
  NotifyEvent OnActivate;
  NotifyEvent OnDeactivate;
  NotifyEvent OnDestroy;
  NotifyEvent OnResize;
  std::function<void(Form& sender, CloseAction& action)> OnClose;
  std::function<void(Form& sender, bool& canClose)> OnCloseQuery;

  void WndProc(Message& message) override;

 protected:
  void Notification(Component* component, Operation operation) override;

 private:
  bool CloseQuery();
  void CloseModal();
  std::vector<WinControl*> TabList() const;

  bool modal_ = false;
  int modalResult_ = mrNone;
  MainMenu* menu_ = nullptr;
  WinControl* activeControl_ = nullptr;
  HWND toolTip_ = nullptr;
  bool destroying_ = false;
};

}  // namespace forms
