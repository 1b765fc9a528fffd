// The scopes the main window's commands share: actions off, the busy caption, the progress
// window with an activity, a window disabled; each undoes itself on every path out.
#pragma once

#include <windows.h>

#include "captions.h"
#include "forms/guard.h"
#include "main_form.h"
#include "op_form.h"

namespace pelloro {

// The main window's actions are off while a command runs and on again however it ends, unless
// the archive could not be listed again: then the closed look stays.
class ActionsOff {
 public:
  explicit ActionsOff(TMainfrm& main) : main_(main) { main_.DisableActions(); }
  ~ActionsOff() {
    forms::Guard([this] {
      if (main_.Listed()) {
        main_.EnableActions();
      } else {
        main_.ShowClosed();
      }
    });
  }
  ActionsOff(const ActionsOff&) = delete;
  ActionsOff& operator=(const ActionsOff&) = delete;

 private:
  TMainfrm& main_;
};

// A command that is one modal dialog, with the actions off around it.
template <typename Dialog>
void ShowWithActionsOff(TMainfrm& main) {
  const ActionsOff off(main);
  const auto dialog = std::make_unique<Dialog>(&main, main);
  dialog->ShowModal();
}

// The caption says " - Busy" while a command runs and " - Idle" however it ends.
class BusyCaption {
 public:
  explicit BusyCaption(TMainfrm& main) : main_(main) { main_.SetCaption(kCaptionBusy); }
  ~BusyCaption() {
    forms::Guard([this] { main_.SetCaption(kCaptionIdle); });
  }
  BusyCaption(const BusyCaption&) = delete;
  BusyCaption& operator=(const BusyCaption&) = delete;

 private:
  TMainfrm& main_;
};

// The progress window shown with an activity, closed on every path out.
class Progress {
 public:
  Progress(TMainfrm& main, char activity) : op_(main.Op()) {
    main.ShowActivity(activity);
    if (op_ != nullptr) op_->Show();
  }
  ~Progress() {
    if (op_ != nullptr) forms::Guard([this] { op_->Close(); });
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  TOp* op_;
};

// A window disabled for a while (its owned windows, the progress window's Cancel among them,
// stay usable).
class WindowDisabled {
 public:
  explicit WindowDisabled(HWND window) : window_(window) { EnableWindow(window_, FALSE); }
  ~WindowDisabled() { EnableWindow(window_, TRUE); }
  WindowDisabled(const WindowDisabled&) = delete;
  WindowDisabled& operator=(const WindowDisabled&) = delete;

 private:
  HWND window_;
};

}  // namespace pelloro
