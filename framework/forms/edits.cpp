#include "forms/edits.h"

#include <richedit.h>

#include <stdexcept>

namespace forms {

void CustomEdit::CreateEdit(const char* className, DWORD style, const EditCreateArgs& args) {
  CreateParams params;
  params.className = className;
  params.style |=
      WS_TABSTOP | style | (args.readOnly ? ES_READONLY : 0) | (args.password ? ES_PASSWORD : 0);
  params.exStyle = args.border ? WS_EX_CLIENTEDGE : 0;
  params.text = args.text;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
  if (args.maxLength > 0) SetMaxLength(args.maxLength);
}

bool CustomEdit::ReadOnly() const {
  return (GetWindowLongA(Handle(), GWL_STYLE) & ES_READONLY) != 0;
}
void CustomEdit::SetReadOnly(bool readOnly) { SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0); }
void CustomEdit::SetMaxLength(int length) {
  SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(length), 0);
}

int CustomEdit::SelStart() const {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

int CustomEdit::SelLength() const {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void CustomEdit::SetSelection(int start, int length) {
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), length < 0 ? -1 : start + length);
}

bool CustomEdit::Modified() const { return SendMessageA(Handle(), EM_GETMODIFY, 0, 0) != 0; }
void CustomEdit::SetModified(bool modified) { SendMessageA(Handle(), EM_SETMODIFY, modified, 0); }

void CustomEdit::WndProc(Message& message) {
  if (message.msg == CN_COMMAND) {
    if (HIWORD(message.wParam) == EN_CHANGE && OnChange) OnChange(*this);
    return;
  }
  WinControl::WndProc(message);
}

Edit::Edit(Component* owner, WinControl* parent, const CreateArgs& args)
    : CustomEdit(owner, parent) {
  CreateEdit("EDIT", ES_AUTOHSCROLL, args);
}

namespace {
EditCreateArgs MemoEditArgs(const MemoCreateArgs& args) {
  EditCreateArgs e;
  e.text = args.text;
  e.left = args.left;
  e.top = args.top;
  e.width = args.width;
  e.height = args.height;
  e.readOnly = args.readOnly;
  return e;
}
DWORD MemoStyle(const MemoCreateArgs& args) {
  return ES_MULTILINE | ES_AUTOVSCROLL | (args.wantReturns ? ES_WANTRETURN : 0) |
         (args.wordWrap ? 0 : ES_AUTOHSCROLL | WS_HSCROLL) | (args.scrollBars ? WS_VSCROLL : 0);
}
}  // namespace

Memo::Memo(Component* owner, WinControl* parent, const CreateArgs& args)
    : Memo(owner, parent, "EDIT", args) {}

Memo::Memo(Component* owner, WinControl* parent, const char* className, const CreateArgs& args)
    : CustomEdit(owner, parent) {
  CreateEdit(className, MemoStyle(args), MemoEditArgs(args));
}

std::vector<std::string> Memo::Lines() const {
  std::vector<std::string> lines;
  const std::string text = Text();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

void Memo::SetLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  SetText(text);
}

int Memo::LineCount() const { return static_cast<int>(Lines().size()); }

namespace {
const char* RichEditClass() {
  static const bool loaded = LoadLibraryA("riched20.dll") != nullptr;
  if (!loaded) throw std::runtime_error("The rich edit control is not available");
  return RICHEDIT_CLASSA;
}
}  // namespace

RichEdit::RichEdit(Component* owner, WinControl* parent, const CreateArgs& args)
    : Memo(owner, parent, RichEditClass(), args) {
  SendMessageA(Handle(), EM_SETEVENTMASK, 0, ENM_CHANGE);
}

}  // namespace forms
