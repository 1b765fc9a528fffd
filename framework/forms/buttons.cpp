#include "forms/buttons.h"

#include "forms/form.h"

namespace forms {

namespace {

bool AnswerAccelerator(WinControl& control, Message& message) {
  if (message.msg != CM_DIALOGCHAR) return false;
  if (!IsAccelerator(static_cast<char>(message.wParam), control.Caption()) || !control.CanFocus())
    return false;
  control.SetFocus();
  control.Click();
  message.result = 1;
  return true;
}

}  // namespace

Button::Button(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  Default = args.isDefault;
  Cancel = args.cancel;
  ModalResult = args.modalResult;
  TabStop = true;
  CreateParams params;
  params.className = "BUTTON";
  params.style |= WS_TABSTOP | (Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  params.text = args.caption;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
}

void Button::Click() {
  if (ModalResult != 0) {
    if (Form* form = ParentForm()) form->SetModalResult(ModalResult);
  }
  WinControl::Click();
}

void Button::WndProc(Message& message) {
  if (message.msg == CN_COMMAND) {
    if (HIWORD(message.wParam) == BN_CLICKED) Click();
    return;
  }
  if (AnswerAccelerator(*this, message)) return;
  WinControl::WndProc(message);
}

CheckBox::CheckBox(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  TabStop = true;
  CreateParams params;
  params.className = "BUTTON";
  params.style |= WS_TABSTOP | (args.allowGrayed ? BS_AUTO3STATE : BS_AUTOCHECKBOX);
  params.text = args.caption;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
  SetChecked(args.checked);
}

CheckBoxState CheckBox::State() const {
  switch (SendMessageA(Handle(), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
      return CheckBoxState::cbChecked;
    case BST_INDETERMINATE:
      return CheckBoxState::cbGrayed;
    default:
      return CheckBoxState::cbUnchecked;
  }
}

void CheckBox::SetState(CheckBoxState state) {
  const WPARAM value = state == CheckBoxState::cbChecked  ? BST_CHECKED
                       : state == CheckBoxState::cbGrayed ? BST_INDETERMINATE
                                                          : BST_UNCHECKED;
  SendMessageA(Handle(), BM_SETCHECK, value, 0);
}

void CheckBox::WndProc(Message& message) {
  if (message.msg == CN_COMMAND) {
    if (HIWORD(message.wParam) == BN_CLICKED) Click();
    return;
  }
  if (AnswerAccelerator(*this, message)) return;
  WinControl::WndProc(message);
}

RadioButton::RadioButton(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  TabStop = true;
  CreateParams params;
  params.className = "BUTTON";
  params.style |= WS_TABSTOP | BS_RADIOBUTTON | (args.firstOfGroup ? WS_GROUP : 0);
  params.text = args.caption;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
  if (args.checked) SetChecked(true);
}

bool RadioButton::Checked() const {
  return SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void RadioButton::SetChecked(bool checked) {
  SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!checked || Parent() == nullptr) return;
  for (Control* c : Parent()->Controls()) {
    auto* other = dynamic_cast<RadioButton*>(c);
    if (other != nullptr && other != this)
      SendMessageA(other->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void RadioButton::WndProc(Message& message) {
  if (message.msg == CN_COMMAND) {
    if (HIWORD(message.wParam) == BN_CLICKED) {
      SetChecked(true);
      Click();
    }
    return;
  }
  if (AnswerAccelerator(*this, message)) return;
  WinControl::WndProc(message);
}

}  // namespace forms
