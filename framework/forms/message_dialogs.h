// Message and input dialogs as forms of ours: MessageDlg with the button sets that MessageBoxA
// lacks (Yes, No, All, Abort, Retry, Ignore in any mix), InputBox and InputQuery. Each button is
// named after its kind ("Yes", "OK", ...); the message label is "Message", the edit "Value".
#pragma once

#include <string>

namespace forms {

enum class MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum MsgDlgButton : unsigned {
  mbYes = 1,
  mbNo = 2,
  mbOK = 4,
  mbCancel = 8,
  mbAbort = 16,
  mbRetry = 32,
  mbIgnore = 64,
  mbAll = 128,
  mbHelp = 256,
};
constexpr unsigned mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr unsigned mbOKCancel = mbOK | mbCancel;
constexpr unsigned mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;

// Shows the message modally; returns the modal result of the button pressed (mrYes, ...), or
// mrCancel when closed otherwise.
int MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons, int helpContext = 0);
// The text typed, or the default when cancelled.
std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultValue);
// True with the text typed in value when OK was pressed; value unchanged otherwise.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);

}  // namespace forms
