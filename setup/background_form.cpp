#include "background_form.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "forms/application.h"
#include "forms/guard.h"
#include "forms/label.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "progman_dde.h"
#include "setup_texts.h"
#include "uninstall_form.h"

namespace setup {

namespace {

constexpr UINT kChooseWindow = WM_USER + 1;

forms::FormCreateArgs BackgroundArgs() {
  forms::FormCreateArgs args;
  args.caption = texts::kBackgroundCaption;
  args.left = 0;
  args.top = 0;
  args.width = GetSystemMetrics(SM_CXSCREEN);
  args.height = GetSystemMetrics(SM_CYSCREEN);
  args.borderStyle = forms::BorderStyle::bsNone;
  return args;
}

}  // namespace

TBackgroundfrm::TBackgroundfrm(forms::Component* owner) : Form(owner, BackgroundArgs()) {
  SetName("Backgroundfrm");
  SetColor(0x808040);
  DdeClient = new TDdeClientConv(this, "Progman", "Progman");
  // The name twice: a shadow under the text.
  auto* shadow = forms::Add<forms::Label>(
      this, this, "Label2",
      {.caption = texts::kProductName, .left = 34, .top = 26, .transparent = true});
  auto* name = forms::Add<forms::Label>(
      this, this, "Label1",
      {.caption = texts::kProductName, .left = 30, .top = 22, .transparent = true});
  for (forms::Label* label : {shadow, name}) {
    label->GetFont().SetSize(28);
    label->GetFont().SetStyle(forms::fsBold | forms::fsItalic);
  }
  shadow->GetFont().SetColor(forms::clBlack);
  name->GetFont().SetColor(forms::clWhite);
  if (forms::Application::ParamCount() >= 1) Argument = forms::Application::ParamStr(1);
  // The choice waits until the background is on the screen.
  OnShow = [this](forms::Component&) { PostMessageA(Handle(), kChooseWindow, 0, 0); };
  MessageHandlers[kChooseWindow] = [this](forms::Message&) { ChooseWindow(); };
}

void TBackgroundfrm::ChooseWindow() {
  std::string argument = Argument;
  std::transform(argument.begin(), argument.end(), argument.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (argument == "/REMOVE") {
    if (Uninstaller != nullptr) {
      Uninstaller->Show();
      Uninstaller->BringToFront();
    }
  } else if (argument == "/?") {
    forms::MessageDlg(texts::kOptionsMessage, forms::MsgDlgType::mtError, forms::mbOK);
    if (OnFinished) {
      OnFinished(texts::kExitOk);
    } else {
      forms::App().Terminate();
    }
  } else if (Wizard != nullptr) {
    Wizard->Show();
    Wizard->BringToFront();
  }
}

}  // namespace setup
