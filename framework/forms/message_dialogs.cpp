#include "forms/message_dialogs.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/image.h"
#include "forms/label.h"

namespace forms {

namespace {

struct ButtonKind {
  unsigned flag;
  const char* name;
  const char* caption;
  int result;
};

constexpr ButtonKind kButtons[] = {
    {mbYes, "Yes", "&Yes", mrYes},
    {mbNo, "No", "&No", mrNo},
    {mbOK, "OK", "OK", mrOk},
    {mbCancel, "Cancel", "Cancel", mrCancel},
    {mbAbort, "Abort", "&Abort", mrAbort},
    {mbRetry, "Retry", "&Retry", mrRetry},
    {mbIgnore, "Ignore", "&Ignore", mrIgnore},
    {mbAll, "All", "&All", mrAll},
    {mbHelp, "Help", "&Help", mrNone},
};

// The icon of a message type, drawn by a windowless control.
class MessageIcon : public GraphicControl {
 public:
  MessageIcon(Component* owner, WinControl* parent, LPCSTR icon)
      : GraphicControl(owner, parent), icon_(icon) {
    SetBounds(12, 12, 32, 32);
  }

 protected:
  void Paint() override {
    if (icon_ != nullptr) DrawIcon(GetCanvas().Handle(), 0, 0, LoadIconA(nullptr, icon_));
  }

 private:
  LPCSTR icon_;
};

}  // namespace

int MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons, int helpContext) {
  const char* caption = "";
  LPCSTR icon = nullptr;
  switch (type) {
    case MsgDlgType::mtWarning:
      caption = "Warning";
      icon = IDI_EXCLAMATION;
      break;
    case MsgDlgType::mtError:
      caption = "Error";
      icon = IDI_HAND;
      break;
    case MsgDlgType::mtInformation:
      caption = "Information";
      icon = IDI_ASTERISK;
      break;
    case MsgDlgType::mtConfirmation:
      caption = "Confirm";
      icon = IDI_QUESTION;
      break;
    default:
      caption = Application::Instance().Title.c_str();
      break;
  }
  FormCreateArgs args;
  args.caption = caption;
  args.borderStyle = BorderStyle::bsDialog;
  args.position = FormPosition::poScreenCenter;
  args.clientSize = true;
  std::vector<const ButtonKind*> kinds;
  for (const auto& kind : kButtons) {
    if (buttons & kind.flag) kinds.push_back(&kind);
  }
  if (kinds.empty()) kinds.push_back(&kButtons[2]);
  // Measure the message to size the form.
  const int buttonWidth = 75, buttonGap = 8;
  const int buttonsWidth = static_cast<int>(kinds.size()) * (buttonWidth + buttonGap) - buttonGap;
  HDC screen = GetDC(nullptr);
  Font font;
  HGDIOBJ old = SelectObject(screen, font.Handle());
  RECT textRect = {0, 0, 400, 0};
  DrawTextA(screen, message.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  const int textLeft = icon != nullptr ? 56 : 12;
  const int width = std::max(textLeft + static_cast<int>(textRect.right) + 12, buttonsWidth + 24);
  const int textHeight = std::max(static_cast<int>(textRect.bottom), icon != nullptr ? 32 : 0);
  const int height = 12 + textHeight + 16 + 25 + 12;
  args.width = width;
  args.height = height;
  auto form = std::make_unique<Form>(nullptr, args);
  if (icon != nullptr) new MessageIcon(form.get(), form.get(), icon);
  LabelCreateArgs labelArgs;
  labelArgs.caption = message;
  labelArgs.left = textLeft;
  labelArgs.top = 12;
  labelArgs.width = textRect.right;
  labelArgs.wordWrap = true;
  auto* label = new Label(form.get(), form.get(), labelArgs);
  label->ShowAccelChar = false;
  label->SetName("Message");
  label->AdjustBounds();
  int x = (width - buttonsWidth) / 2;
  const int defaultResult = kinds.front()->result;
  const bool hasCancel = (buttons & mbCancel) != 0;
  for (const ButtonKind* kind : kinds) {
    ButtonCreateArgs b;
    b.caption = kind->caption;
    b.left = x;
    b.top = height - 12 - 25;
    b.width = buttonWidth;
    b.isDefault = kind->result == defaultResult;
    b.cancel = hasCancel ? kind->flag == mbCancel : kinds.size() == 1 || kind->flag == mbNo;
    b.modalResult = kind->result;
    auto* button = new Button(form.get(), form.get(), b);
    button->SetName(kind->name);
    if (kind->flag == mbHelp) {
      button->OnClick = [helpContext](Component&) {
        Application::Instance().HelpCommand(HELP_CONTEXT, static_cast<ULONG_PTR>(helpContext));
      };
    }
    x += buttonWidth + buttonGap;
  }
  form->Loaded();
  return form->ShowModal();
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  FormCreateArgs args;
  args.caption = caption;
  args.borderStyle = BorderStyle::bsDialog;
  args.position = FormPosition::poScreenCenter;
  args.clientSize = true;
  args.width = 260;
  args.height = 96;
  auto form = std::make_unique<Form>(nullptr, args);
  LabelCreateArgs labelArgs;
  labelArgs.caption = prompt;
  labelArgs.left = 8;
  labelArgs.top = 8;
  new Label(form.get(), form.get(), labelArgs);
  EditCreateArgs editArgs;
  editArgs.text = value;
  editArgs.left = 8;
  editArgs.top = 28;
  editArgs.width = 244;
  auto* edit = new Edit(form.get(), form.get(), editArgs);
  edit->SetName("Value");
  edit->SelectAll();
  ButtonCreateArgs ok;
  ok.caption = "OK";
  ok.left = 96;
  ok.top = 62;
  ok.isDefault = true;
  ok.modalResult = mrOk;
  (new Button(form.get(), form.get(), ok))->SetName("OK");
  ButtonCreateArgs cancel;
  cancel.caption = "Cancel";
  cancel.left = 177;
  cancel.top = 62;
  cancel.cancel = true;
  cancel.modalResult = mrCancel;
  (new Button(form.get(), form.get(), cancel))->SetName("Cancel");
  form->SetActiveControl(edit);
  form->Loaded();
  if (form->ShowModal() != mrOk) return false;
  value = edit->Text();
  return true;
}

std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultValue) {
  std::string value = defaultValue;
  InputQuery(caption, prompt, value);
  return value;
}

}  // namespace forms
