#include "forms/panel.h"

#include <algorithm>

#include "forms/canvas.h"

namespace forms {

namespace {

void DrawBevel(HDC dc, RECT& r, Bevel bevel) {
  if (bevel == Bevel::bvNone) return;
  DrawEdge(dc, &r, bevel == Bevel::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER,
           BF_RECT | BF_ADJUST);
}

}  // namespace

Panel::Panel(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  BevelOuter = args.bevelOuter;
  BevelInner = args.bevelInner;
  color_ = args.color;
  ControlStyle = csClickEvents | csSetCaption | csDoubleClicks;
  CreateParams params;
  params.style |= WS_CLIPCHILDREN;
  params.exStyle = WS_EX_CONTROLPARENT;
  params.text = args.caption;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
}

void Panel::PaintWindow(Canvas& canvas, const RECT& area) {
  RECT r = ClientRect();
  canvas.Brush.color = color_;
  canvas.Brush.clear = false;
  canvas.FillRect(area);
  DrawBevel(canvas.Handle(), r, BevelOuter);
  DrawBevel(canvas.Handle(), r, BevelInner);
  const std::string text = Caption();
  if (!text.empty()) {
    canvas.Font = font_;
    canvas.Brush.clear = true;
    canvas.DrawText(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

RadioGroup::RadioGroup(Component* owner, WinControl* parent, const CreateArgs& args)
    : Panel(owner, parent,
            PanelCreateArgs{args.caption, args.left, args.top, args.width, args.height,
                            Bevel::bvNone, Bevel::bvNone, clBtnFace}) {
  for (const std::string& item : args.items) AddItem(item);
  SetItemIndex(args.itemIndex);
}

void RadioGroup::AddItem(const std::string& text) {
  RadioButtonCreateArgs args;
  args.caption = text;
  args.firstOfGroup = buttons_.empty();
  auto* button = new RadioButton(this, this, args);
  button->OnClick = [this](Component&) {
    if (Control::OnClick) Control::OnClick(*this);
  };
  buttons_.push_back(button);
  Arrange();
}

void RadioGroup::Arrange() {
  const RECT r = ClientRect();
  const int count = std::max(1, Count());
  const int top = 16;
  const int step = std::max(17, static_cast<int>((r.bottom - top - 4) / count));
  for (int i = 0; i < Count(); ++i) buttons_[i]->SetBounds(8, top + i * step, r.right - 16, 17);
}

int RadioGroup::ItemIndex() const {
  for (int i = 0; i < Count(); ++i) {
    if (buttons_[i]->Checked()) return i;
  }
  return -1;
}

void RadioGroup::SetItemIndex(int index) {
  for (int i = 0; i < Count(); ++i)
    SendMessageA(buttons_[i]->Handle(), BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
}

void RadioGroup::PaintWindow(Canvas& canvas, const RECT& area) {
  canvas.Brush.color = color_;
  canvas.Brush.clear = false;
  canvas.FillRect(area);
  RECT frame = ClientRect();
  frame.top += 6;
  DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
  const std::string text = Caption();
  if (!text.empty()) {
    canvas.Font = font_;
    canvas.Brush.clear = false;
    canvas.TextOut(8, 0, " " + text + " ");
  }
}

ScrollBox::ScrollBox(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  color_ = clBtnFace;
  CreateParams params;
  params.style |= WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL;
  params.exStyle = WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
  UpdateScrollRange();
}

void ScrollBox::UpdateScrollRange() {
  int right = 0, bottom = 0;
  for (Control* c : Controls()) {
    const RECT r = c->BoundsRect();
    right = std::max(right, static_cast<int>(r.right + offset_.x));
    bottom = std::max(bottom, static_cast<int>(r.bottom + offset_.y));
  }
  const RECT client = ClientRect();
  SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
  info.nMax = std::max(0, right - 1);
  info.nPage = static_cast<UINT>(client.right);
  SetScrollInfo(Handle(), SB_HORZ, &info, TRUE);
  info.nMax = std::max(0, bottom - 1);
  info.nPage = static_cast<UINT>(client.bottom);
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}

int ScrollBox::ScrollPosition(int bar) const { return bar == SB_HORZ ? offset_.x : offset_.y; }

void ScrollBox::ScrollTo(int bar, int position) {
  SCROLLINFO info = {sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(Handle(), bar, &info);
  const int limit = std::max(0, info.nMax - static_cast<int>(info.nPage) + 1);
  position = std::clamp(position, 0, limit);
  const int old = bar == SB_HORZ ? offset_.x : offset_.y;
  if (position == old) return;
  if (bar == SB_HORZ)
    offset_.x = position;
  else
    offset_.y = position;
  const int dx = bar == SB_HORZ ? old - position : 0;
  const int dy = bar == SB_VERT ? old - position : 0;
  for (Control* c : Controls()) {
    const RECT r = c->BoundsRect();
    c->SetBounds(r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top);
  }
  Invalidate();
  SetScrollPos(Handle(), bar, position, TRUE);
}

void ScrollBox::WndProc(Message& message) {
  if (message.msg == WM_HSCROLL || message.msg == WM_VSCROLL) {
    if (message.lParam == 0) {
      const int bar = message.msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
      SCROLLINFO info = {sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
      GetScrollInfo(Handle(), bar, &info);
      int position = ScrollPosition(bar);
      switch (LOWORD(message.wParam)) {
        case SB_LINEUP:
          position -= 8;
          break;
        case SB_LINEDOWN:
          position += 8;
          break;
        case SB_PAGEUP:
          position -= static_cast<int>(info.nPage);
          break;
        case SB_PAGEDOWN:
          position += static_cast<int>(info.nPage);
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          position = info.nTrackPos;
          break;
        case SB_TOP:
          position = 0;
          break;
        case SB_BOTTOM:
          position = info.nMax;
          break;
        default:
          break;
      }
      ScrollTo(bar, position);
      return;
    }
  }
  WinControl::WndProc(message);
  if (message.msg == WM_SIZE) UpdateScrollRange();
}

}  // namespace forms
