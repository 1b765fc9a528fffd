// The scopes the main window's commands share: actions off, the busy caption, the progress
// window with an activity, a window disabled; each undoes itself on every path out.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <type_traits>

#include "captions.h"
#include "forms/guard.h"
#include "forms/menus.h"
#include "main_form.h"
#include "op_form.h"

namespace pelloro {

// Binds the menu item of that component name (when the window has it) to the click.
inline void BindMenuItem(TMainfrm& main, const char* name, std::function<void()> click) {
  if (auto* item = dynamic_cast<forms::MenuItem*>(main.FindComponent(name))) {
    item->OnClick = [click](forms::Component&) { click(); };
  }
}

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

// A window of ours shown modally between " - Busy" and " - Idle" (its constructor takes the
// owner, and the main window when it works on it).
template <typename Dialog>
void ShowWhileBusy(TMainfrm& main) {
  const BusyCaption busy(main);
  if constexpr (std::is_constructible_v<Dialog, TMainfrm*, TMainfrm&>) {
    const auto dialog = std::make_unique<Dialog>(&main, main);
    dialog->ShowModal();
  } else {
    const auto dialog = std::make_unique<Dialog>(&main);
    dialog->ShowModal();
  }
}

// The progress window shown with an activity (0: the activity as it is), closed on every path
// out or earlier by Close.
class Progress {
 public:
  Progress(TMainfrm& main, char activity) : op_(main.Op()) {
    if (activity != 0) main.ShowActivity(activity);
    if (op_ != nullptr) op_->Show();
  }
  ~Progress() { Close(); }
  void Close() {
    if (op_ != nullptr) forms::Guard([this] { op_->Close(); });
    op_ = nullptr;
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
