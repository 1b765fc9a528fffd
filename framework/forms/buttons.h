// The push button, check box and radio button (the system's BUTTON class).
#pragma once

#include <string>

#include "forms/win_control.h"

namespace forms {

struct ButtonCreateArgs {
  std::string caption;
  int left = 0, top = 0, width = 75, height = 25;
  bool isDefault = false;  // Enter clicks it
  bool cancel = false;     // Escape clicks it
  int modalResult = 0;     // a click sets the form's ModalResult to it
};

class Button : public WinControl {
 public:
  using CreateArgs = ButtonCreateArgs;
  Button(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  bool Default = false;
  bool Cancel = false;
  int ModalResult = 0;
  void Click() override;
  void WndProc(Message& message) override;
};

enum class CheckBoxState { cbUnchecked, cbChecked, cbGrayed };

struct CheckBoxCreateArgs {
  std::string caption;
  int left = 0, top = 0, width = 97, height = 17;
  bool checked = false;
  bool allowGrayed = false;
};

class CheckBox : public WinControl {
 public:
  using CreateArgs = CheckBoxCreateArgs;
  CheckBox(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  bool Checked() const { return State() == CheckBoxState::cbChecked; }
  void SetChecked(bool checked) {
    SetState(checked ? CheckBoxState::cbChecked : CheckBoxState::cbUnchecked);
  }
  CheckBoxState State() const;
  void SetState(CheckBoxState state);
  void WndProc(Message& message) override;
};

struct RadioButtonCreateArgs {
  std::string caption;
  int left = 0, top = 0, width = 113, height = 17;
  bool checked = false;
  bool firstOfGroup = false;
};

class RadioButton : public WinControl {
 public:
  using CreateArgs = RadioButtonCreateArgs;
  RadioButton(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  bool Checked() const;
  // Checking one unchecks the other radio buttons of the same parent.
  void SetChecked(bool checked);
  void WndProc(Message& message) override;
};

}  // namespace forms
