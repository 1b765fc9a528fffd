#include "forms/label.h"

#include "forms/canvas.h"
#include "forms/win_control.h"

namespace forms {

Label::Label(Component* owner, WinControl* parent, const CreateArgs& args)
    : GraphicControl(owner, parent) {
  AutoSize = args.autoSize;
  WordWrap = args.wordWrap;
  Transparent = args.transparent;
  TextAlignment = args.alignment;
  ControlStyle = csClickEvents | csSetCaption | csDoubleClicks | csCaptureMouse;
  if (parent != nullptr) color_ = parent->GetColor();
  bounds_ = {args.left, args.top, args.left + args.width, args.top + args.height};
  caption_ = args.caption;
  AdjustBounds();
}

UINT Label::DrawFlags() const {
  UINT flags = DT_EXPANDTABS | (WordWrap ? DT_WORDBREAK : 0);
  if (TextAlignment == Alignment::taRightJustify) flags |= DT_RIGHT;
  if (TextAlignment == Alignment::taCenter) flags |= DT_CENTER;
  if (!ShowAccelChar) flags |= DT_NOPREFIX;
  return flags;
}

void Label::AdjustBounds() {
  if (!AutoSize) return;
  HDC dc = GetDC(nullptr);
  RECT r = {0, 0, WordWrap ? Width() : 0, 0};
  HGDIOBJ old = SelectObject(dc, font_.Handle());
  const std::string text = caption_.empty() ? std::string(" ") : caption_;
  DrawTextA(dc, text.c_str(), -1, &r, DrawFlags() | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  SetBounds(Left(), Top(), r.right, r.bottom);
}

void Label::SetCaption(const std::string& caption) {
  Control::SetCaption(caption);
  AdjustBounds();
}

void Label::Paint() {
  Canvas& canvas = GetCanvas();
  RECT r = ClientRect();
  if (!Transparent) {
    canvas.Brush.color = color_;
    canvas.Brush.clear = false;
    canvas.FillRect(r);
  }
  canvas.Brush.clear = true;
  canvas.Font = font_;
  if (!Enabled()) {
    OffsetRect(&r, 1, 1);
    canvas.Font.SetColor(clBtnHighlight);
    canvas.DrawText(caption_, r, DrawFlags());
    OffsetRect(&r, -1, -1);
    canvas.Font.SetColor(clBtnShadow);
  }
  canvas.DrawText(caption_, r, DrawFlags());
}

void Label::WndProc(Message& message) {
  if (message.msg == CM_DIALOGCHAR) {
    if (FocusControl != nullptr && Enabled() && ShowAccelChar &&
        IsAccelerator(static_cast<char>(message.wParam), caption_) && FocusControl->CanFocus()) {
      FocusControl->SetFocus();
      message.result = 1;
    }
    return;
  }
  if (message.msg == CM_FONTCHANGED) AdjustBounds();
  GraphicControl::WndProc(message);
}

}  // namespace forms
