// Driving real windows from the tests as a user would: find components by name, click (buttons
// by BM_CLICK, windowless controls by the mouse at their centre, sent to the parent), choose
// menu items by their captions, set texts, press keys (through the message loop, so the form's
// keyboard rules apply), drop files, answer the next modal form of ours and close popup menus from
// a thread of its own. What needs no forms layer (window texts, dialogs and their answerer,
// screenshots) is dialog_robot.h's, also by its names here.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/control.h"
#include "forms/form.h"
#include "dialog_robot.h"
#include "forms/win_control.h"

namespace guitest {

using testutil::kWaitLimitMs;

// The component of that name among root and everything root owns (depth first), or null.
forms::Component* Find(forms::Component& root, const std::string& name);

// The component of that name and class; throws std::runtime_error when there is none.
template <class T>
T& Get(forms::Component& root, const std::string& name) {
  T* found = dynamic_cast<T*>(Find(root, name));
  if (found == nullptr) throw std::runtime_error("no component " + name + " of the wanted class");
  return *found;
}

// Handles the messages waiting now, then for ms milliseconds more.
void Pump(DWORD ms = 0);

// A click as the user makes it. A windowed button gets BM_CLICK; another windowed control a
// press and release at its centre; a windowless control has the cursor put on its centre
// (Wine's leave tracking follows the real cursor) and a move, press and release sent to its
// parent.
void Click(forms::Control& control);
void Click(forms::Component& root, const std::string& name);
// Moves the mouse over a windowless control (the real cursor too), or off it to a point of its
// parent's client area.
void MouseOver(forms::Control& control);
void MouseTo(forms::WinControl& parent, POINT client);
// Chooses a menu item of the form's main menu by its captions ("&File|&Reopen"); false when
// there is no such item.
bool ClickMenu(forms::Form& form, const std::string& path);
// Replaces a control's text as typing does.
void SetText(forms::Control& control, const std::string& text);
// Presses a key on a control (focused first) through the message loop.
void Key(forms::WinControl& control, WORD virtualKey, forms::ShiftState shift = 0);
// Types a character on a control through the message loop.
void Char(forms::WinControl& control, char character);
// Alt and a letter on the form (WM_SYSCHAR through the message loop).
void AltKey(forms::Form& form, char letter);
// Sends WM_DROPFILES with a hand-built drop of the names to the window; returns the drop's
// memory handle (freed by whoever finishes the drop).
HGLOBAL DropFiles(HWND window, const std::vector<std::string>& names, POINT at = {10, 10});
// Runs the handler inside the next modal loop of a form of ours, once that form is shown.
void OnModal(std::function<void(forms::Form&)> handler);

// Windows of any program: the toolkit of dialog_robot.h, here by the same names.
using testutil::ClassName;
using testutil::Press;
using testutil::SaveScreenshot;
using testutil::WaitForDialog;
using testutil::WaitForMenu;
using testutil::WaitForWindow;
using testutil::WindowText;

// Waits on a thread of its own for the next popup menu and closes it with a posted Escape.
class MenuCloser {
 public:
  MenuCloser();
  bool Seen() const { return seen_; }
  bool Wait(DWORD limitMs = kWaitLimitMs) { return watcher_.Wait(limitMs); }

 private:
  std::atomic<bool> seen_{false};
  testutil::PromptThread watcher_;
};

// For a window of another process: a press and release of the left button at the centre of a
// client rectangle (posted), and Alt with a letter (posted WM_SYSCHAR).
void PressAt(HWND window, const RECT& bounds);
void PressAccelerator(HWND window, char letter);

}  // namespace guitest
