#include "url_label.h"

#include "forms/application.h"
#include "forms/form.h"

namespace {

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

TUrlLabel::TUrlLabel(forms::Component* owner, forms::WinControl* parent, const CreateArgs& args)
    : Label(owner, parent, args) {
  forms::Application& app = forms::Application::Instance();
  // The system's hand cursor serves as the program's "HAND" cursor.
  HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), "HAND");
  if (hand == nullptr) hand = LoadCursorA(nullptr, IDC_HAND);
  app.SetCursor(kHandCursor, hand);
  Cursor = kHandCursor;
  font_.SetColor(0xFF0000);
  font_.SetStyle(font_.Style() | forms::fsUnderline);
  menu_ = new forms::PopupMenu(this);
  auto* copy = new forms::MenuItem(this, "Copy");
  copy->OnClick = [this](forms::Component&) { forms::Application::SetClipboardText(Caption()); };
  menu_->Items().Add(copy);
  SetPopupMenu(menu_);
}

void TUrlLabel::Click() {
  Label::Click();
  const std::string target = Trim(URL).empty() ? Caption() : URL;
  const std::string trimmed = Trim(target);
  if (trimmed.empty()) return;
  forms::Application& app = forms::Application::Instance();
  HWND window = app.MainForm != nullptr ? app.MainForm->Handle() : app.Handle();
  app.Shell(window, "open", trimmed.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TUrlLabel::MouseDown(forms::MouseButton button, forms::ShiftState shift, int x, int y) {
  if (button == forms::MouseButton::mbLeft) {
    savedColor_ = font_.GetColor();
    font_.SetColor(ActiveColor);
  }
  Label::MouseDown(button, shift, x, y);
}

void TUrlLabel::MouseUp(forms::MouseButton button, forms::ShiftState shift, int x, int y) {
  if (button == forms::MouseButton::mbLeft) font_.SetColor(savedColor_);
  Label::MouseUp(button, shift, x, y);
}
