// The framework's message record and its private messages. Control notifications (CN_*) are
// the parent's WM_COMMAND and WM_NOTIFY reflected to the child object that sent them; component
// messages (CM_*) tell a control that one of its properties changed or ask it a question.
#pragma once

#include <windows.h>

namespace forms {

struct Message {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
};

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_RELEASE = CM_BASE + 33;

constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// Key and mouse-button state handed to the input events.
enum ShiftFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};
using ShiftState = unsigned;
enum class MouseButton { mbLeft, mbRight, mbMiddle };

ShiftState KeysToShiftState(WPARAM keys);
ShiftState KeyboardShiftState();

}  // namespace forms
