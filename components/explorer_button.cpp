#include "explorer_button.h"

#include <windowsx.h>

#include <algorithm>

#include "forms/canvas.h"
#include "forms/form.h"
#include "forms/win_control.h"

using namespace forms;

namespace {

// The down pattern all buttons share; any button's destruction discards it.
std::unique_ptr<forms::Bitmap>& DownPattern() {
  static std::unique_ptr<forms::Bitmap> pattern;
  return pattern;
}

forms::Bitmap& RequireDownPattern() {
  auto& pattern = DownPattern();
  if (pattern == nullptr) {
    pattern = std::make_unique<forms::Bitmap>();
    pattern->SetSize(8, 8);
    Canvas& c = pattern->GetCanvas();
    c.Brush.color = clBtnFace;
    RECT all = {0, 0, 8, 8};
    c.FillRect(all);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        if ((x % 2) == (y % 2)) c.SetPixel(x, y, clBtnHighlight);
      }
    }
    pattern->Dormant();
  }
  return *pattern;
}

int Half(int x) { return x / 2; }

UINT AlignmentFlag(Alignment a) {
  switch (a) {
    case Alignment::taLeftJustify:
      return DT_LEFT;
    case Alignment::taRightJustify:
      return DT_RIGHT;
    default:
      return DT_CENTER;
  }
}

}  // namespace

bool TExplorerButton::NewShell() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return true;
  return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ||
         (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 4);
}

bool TExplorerButton::DownPatternExists() { return DownPattern() != nullptr; }

TExplorerButton::TExplorerButton(Component* owner, WinControl* parent, const CreateArgs& args)
    : GraphicControl(owner, parent), olderBuild_(args.olderBuild) {
  newShell_ = NewShell();
  ControlStyle = csCaptureMouse | csClickEvents | csSetCaption;
  bitmap_.OnChange = [this] { ImagesChanged(false); };
  noFocusBitmap_.OnChange = [this] { ImagesChanged(true); };
  disabledBitmap_.OnChange = [this] {
    if (!disabledBitmap_.Empty()) disabledBitmap_.Dormant();
    if (!enabled_) Repaint();
  };
  if (olderBuild_) options_ = boMonoDisplay | boPopupMark;
  if (parent != nullptr) color_ = parent->GetColor();
  bounds_ = {args.left, args.top, args.left + args.width, args.top + args.height};
  caption_ = args.caption;
}

TExplorerButton::~TExplorerButton() {
  bitmap_.OnChange = nullptr;
  noFocusBitmap_.OnChange = nullptr;
  disabledBitmap_.OnChange = nullptr;
  DownPattern().reset();
  if (dropDownMenu_ != nullptr) RemoveFreeNotification(dropDownMenu_);
}

void TExplorerButton::ImagesChanged(bool fromNoFocus) {
  if (!bitmap_.Empty() && noFocusBitmap_.Empty()) MakeShadedImage();
  if (!fromNoFocus) {
    bitmap_.Dormant();
  } else if (!noFocusBitmap_.Empty()) {
    noFocusBitmap_.Dormant();
  }
  Repaint();
}

void TExplorerButton::MakeDormant() {
  if (olderBuild_) return;
  bitmap_.Dormant();
  noFocusBitmap_.Dormant();
  disabledBitmap_.Dormant();
  shaded_.Dormant();
}

TExplorerButton::Shade TExplorerButton::ClassifyShade(int sum, TExplorerButtonShadingType type) {
  int white = 553, highlight = 231, shadow = 57;
  if (type == TExplorerButtonShadingType::stLight) {
    white = 205;
    highlight = 127;
    shadow = 68;
  } else if (type == TExplorerButtonShadingType::stDark) {
    white = 335;
    highlight = 274;
    shadow = 175;
  }
  if (sum > white) return Shade::White;
  if (sum > highlight) return Shade::Highlight;
  if (sum > shadow) return Shade::Shadow;
  return Shade::Black;
}

void TExplorerButton::MakeShadedImage() {
  auto handler = std::move(shaded_.OnChange);
  shaded_.Assign(bitmap_);
  if (shaded_.Empty()) return;
  Canvas& source = bitmap_.GetCanvas();
  Canvas& target = shaded_.GetCanvas();
  const COLORREF transparent = source.Pixel(0, 0) & 0xFFFFFF;
  const COLORREF highlight = ColorToRGB(clBtnHighlight);
  const COLORREF shadow = ColorToRGB(clBtnShadow);
  for (int y = 0; y < bitmap_.Height(); ++y) {
    for (int x = 0; x < bitmap_.Width(); ++x) {
      const COLORREF pixel = source.Pixel(x, y) & 0xFFFFFF;
      if (pixel == transparent) continue;
      const int sum = GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel);
      COLORREF grey = RGB(0, 0, 0);
      switch (ClassifyShade(sum, shadingType_)) {
        case Shade::White:
          grey = RGB(255, 255, 255);
          break;
        case Shade::Highlight:
          grey = highlight;
          break;
        case Shade::Shadow:
          grey = shadow;
          break;
        default:
          break;
      }
      ::SetPixel(target.Handle(), x, y, grey);
    }
  }
  bitmap_.Dormant();
  shaded_.Dormant();
}

void DrawTransparentBitmap(HDC dc, int x, int y, forms::Bitmap& image, COLORREF transparent) {
  if (image.Empty()) return;
  const int w = image.Width(), h = image.Height();
  HDC source = image.GetCanvas().Handle();
  HDC maskDC = CreateCompatibleDC(dc);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDC, mask);
  const COLORREF oldBack = SetBkColor(source, transparent);
  BitBlt(maskDC, 0, 0, w, h, source, 0, 0, SRCCOPY);  // 1 where the transparent colour is
  SetBkColor(source, oldBack);
  HDC backDC = CreateCompatibleDC(dc);
  HBITMAP back = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ oldBackBitmap = SelectObject(backDC, back);
  BitBlt(backDC, 0, 0, w, h, dc, x, y, SRCCOPY);
  SetTextColor(backDC, RGB(0, 0, 0));
  SetBkColor(backDC, RGB(255, 255, 255));
  BitBlt(backDC, 0, 0, w, h, maskDC, 0, 0,
         SRCAND);  // the background where the image is transparent
  HDC imageDC = CreateCompatibleDC(dc);
  HBITMAP picture = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ oldPicture = SelectObject(imageDC, picture);
  BitBlt(imageDC, 0, 0, w, h, source, 0, 0, SRCCOPY);
  SetTextColor(imageDC, RGB(0, 0, 0));
  SetBkColor(imageDC, RGB(255, 255, 255));
  HDC inverseDC = CreateCompatibleDC(dc);
  HBITMAP inverse = CreateBitmap(w, h, 1, 1, nullptr);
  HGDIOBJ oldInverse = SelectObject(inverseDC, inverse);
  BitBlt(inverseDC, 0, 0, w, h, maskDC, 0, 0, NOTSRCCOPY);
  BitBlt(imageDC, 0, 0, w, h, inverseDC, 0, 0, SRCAND);  // the image where it is not transparent
  BitBlt(backDC, 0, 0, w, h, imageDC, 0, 0, SRCPAINT);
  BitBlt(dc, x, y, w, h, backDC, 0, 0, SRCCOPY);
  SelectObject(inverseDC, oldInverse);
  DeleteObject(inverse);
  DeleteDC(inverseDC);
  SelectObject(imageDC, oldPicture);
  DeleteObject(picture);
  DeleteDC(imageDC);
  SelectObject(backDC, oldBackBitmap);
  DeleteObject(back);
  DeleteDC(backDC);
  SelectObject(maskDC, oldMask);
  DeleteObject(mask);
  DeleteDC(maskDC);
}

namespace {

void DrawEmbossed(HDC dc, int x, int y, forms::Bitmap& image) {
  const int w = image.Width(), h = image.Height();
  HDC source = image.GetCanvas().Handle();
  const COLORREF background = GetPixel(source, 0, 0) & 0xFFFFFF;
  HDC monoDC = CreateCompatibleDC(dc);
  HBITMAP mono = CreateBitmap(w, h, 1, 1, nullptr);
  HGDIOBJ oldMono = SelectObject(monoDC, mono);
  const COLORREF oldBack = SetBkColor(source, background);
  // 1 where the background is; inverted, the image's own pixels are the set bits, which a blit
  // to a colour context turns into the background colour (white) and 0xE20746 (source ? pattern :
  // destination) paints with the brush.
  BitBlt(monoDC, 0, 0, w, h, source, 0, 0, SRCCOPY);
  BitBlt(monoDC, 0, 0, w, h, nullptr, 0, 0, DSTINVERT);
  SetBkColor(source, oldBack);
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
  struct Pass {
    int dx, dy;
    Color color;
  } passes[] = {{1, 1, clBtnHighlight}, {0, 0, clBtnShadow}};
  for (const Pass& p : passes) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(p.color));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    BitBlt(dc, x + p.dx, y + p.dy, w, h, monoDC, 0, 0, 0xE20746);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
  }
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBk);
  SelectObject(monoDC, oldMono);
  DeleteObject(mono);
  DeleteDC(monoDC);
}

}  // namespace

TExplorerButtonLayoutResult TExplorerButton::ComputeLayout(HDC dc) {
  TExplorerButtonLayoutResult L;
  const int W = Width(), H = Height();
  const bool mark = (options_ & boPopupMark) && dropDownMenu_ != nullptr;
  int tw = 0, th = 0, gap = 0;
  if (!(options_ & boIconOnly) && !caption_.empty()) {
    gap = 2;
    RECT r = {0, 0, W - 4, 0};
    const std::string text = wordWrap_ ? caption_ + " " : caption_;
    HGDIOBJ old = SelectObject(dc, font_.Handle());
    DrawTextA(dc, text.c_str(), -1, &r,
              DT_CALCRECT | AlignmentFlag(alignment_) | (wordWrap_ ? DT_WORDBREAK : 0));
    SelectObject(dc, old);
    tw = std::min(static_cast<int>(r.right), W - 4);
    th = r.bottom;
  }
  const int gw = bitmap_.Width() + (mark ? 10 : 0);
  const int gh = bitmap_.Height();
  int tx = 0, ty = 0, dw = 0, ix = 0, iy = 0;
  if (bitmap_.Empty()) {
    dw = tw;
    if (mark) {
      dw = std::min(W - 14, tw);
      tw += 10;
    }
    ty = Half(H - th);
    tx = alignment_ == Alignment::taLeftJustify    ? 3
         : alignment_ == Alignment::taRightJustify ? W - tw - 3
                                                   : Half(W - tw);
  } else if (layout_ == TExplorerButtonLayout::blBitmapTop ||
             layout_ == TExplorerButtonLayout::blBitmapBottom) {
    if (layout_ == TExplorerButtonLayout::blBitmapTop) {
      iy = Half(H - th - gh - gap);
      ty = iy + gh + gap;
    } else {
      ty = Half(H - th - gh - gap);
      iy = ty + th + gap;
    }
    if (alignment_ == Alignment::taLeftJustify) {
      ix = 3;
      tx = 3;
    } else if (alignment_ == Alignment::taRightJustify) {
      ix = W - gw - 3;
      tx = W - tw - 3;
    } else {
      ix = Half(W - gw);
      tx = Half(W - tw);
    }
    dw = tw;
  } else {
    if (W - 4 < tw + gw + gap) tw = W - gap - gw - 4;
    iy = Half(H - gh);
    ty = Half(H - th);
    dw = tw;
    if (layout_ == TExplorerButtonLayout::blBitmapLeft) {
      if (alignment_ == Alignment::taLeftJustify) {
        ix = 3;
        tx = gw + gap + 3;
      } else if (alignment_ == Alignment::taRightJustify) {
        tx = W - tw - 3;
        ix = tx - gw - gap;
      } else {
        ix = Half(W - tw - gw - gap);
        tx = ix + gw + gap;
      }
    } else {
      if (alignment_ == Alignment::taLeftJustify) {
        tx = 3;
        ix = tw + 3 + gap;
      } else if (alignment_ == Alignment::taRightJustify) {
        ix = W - gw - 3;
        tx = ix - tw - gap;
      } else {
        tx = Half(W - tw - gw - gap);
        ix = tw + tx + gap;
      }
    }
  }
  if (wordWrap_ && W - 5 < dw + tx) dw = W - tx - 5;
  L.tw = tw;
  L.th = th;
  L.gap = gap;
  L.gw = gw;
  L.gh = gh;
  L.tx = tx;
  L.ty = ty;
  L.dw = dw;
  L.ix = ix;
  L.iy = iy;
  L.textRect = {tx, ty, tx + dw, ty + th};
  return L;
}

void TExplorerButton::DrawBevel(Canvas& canvas, bool sunk) {
  if (!olderBuild_ && !(options_ & boShowBevel)) return;
  const int W = Width(), H = Height();
  const bool highlightFirst = (bevelStyle_ == TBevelStyle::bsRaised) != sunk;
  canvas.Pen.color = highlightFirst ? clBtnHighlight : clBtnShadow;
  canvas.MoveTo(0, H);
  canvas.LineTo(0, 0);
  canvas.LineTo(W - 1, 0);
  canvas.Pen.color = highlightFirst ? clBtnShadow : clBtnHighlight;
  canvas.LineTo(W - 1, H - 1);
  canvas.LineTo(0, H - 1);
}

void TExplorerButton::DrawMark(Canvas& canvas, int x, int y) {
  const Color color = canvas.Font.GetColor();
  for (int i = 0; i < 7; ++i) canvas.SetPixel(x + i, y - 1, color);
  for (int i = 1; i < 6; ++i) canvas.SetPixel(x + i, y, color);
  for (int i = 2; i < 5; ++i) canvas.SetPixel(x + i, y + 1, color);
  canvas.SetPixel(x + 3, y + 2, color);
}

void TExplorerButton::DrawCaption(Canvas& canvas, RECT rect) {
  if ((options_ & boIconOnly) || caption_.empty()) return;
  UINT flags = AlignmentFlag(alignment_) | (wordWrap_ ? DT_WORDBREAK : 0);
  canvas.Brush.clear = true;
  if (newShell_) {
    canvas.RequireFont();
    canvas.RequireBrush();
    std::string text = caption_;
    DrawTextExA(canvas.Handle(), text.data(), static_cast<int>(text.size()), &rect,
                flags | DT_END_ELLIPSIS, nullptr);
  } else {
    canvas.DrawText(caption_, rect, flags);
  }
}

void TExplorerButton::Paint() {
  if (!Visible()) return;
  Canvas& canvas = GetCanvas();
  const int W = Width(), H = Height();
  if (down_ && showDownPattern_) {
    canvas.Brush.bitmap = RequireDownPattern().Handle();
    RECT all = {0, 0, W, H};
    canvas.FillRect(all);
    canvas.Brush.bitmap = nullptr;
  }
  canvas.Brush.clear = true;
  canvas.Font = font_;
  const TExplorerButtonLayoutResult L = ComputeLayout(canvas.Handle());
  RECT text = L.textRect;
  const int tr = L.tx + L.dw;
  const int hh = Half(L.th);
  const bool mark = (options_ & boPopupMark) && dropDownMenu_ != nullptr;
  const bool hasImage = !bitmap_.Empty();
  if (enabled_ && ((pushed_ && hot_) || down_)) {
    DrawBevel(canvas, true);
    if (bevelStyle_ == TBevelStyle::bsRaised) OffsetRect(&text, 1, 1);
    DrawCaption(canvas, text);
    if (hasImage) {
      DrawTransparentBitmap(canvas.Handle(), L.ix + 1, L.iy + 1, bitmap_,
                            bitmap_.TransparentColor());
      if (mark) DrawMark(canvas, bitmap_.Width() + L.ix + 4, Half(L.gh) + L.iy + 1);
    } else if (mark) {
      DrawMark(canvas, tr + 4, hh + L.ty + 1);
    }
  } else if (enabled_) {
    if (hot_) {
      DrawBevel(canvas, false);
    } else {
      canvas.Font.SetColor(unselectedFontColor_);
    }
    if (bevelStyle_ == TBevelStyle::bsLowered) OffsetRect(&text, 1, 1);
    DrawCaption(canvas, text);
    if (hasImage) {
      forms::Bitmap* image = &bitmap_;
      if (!hot_ && (options_ & boMonoDisplay))
        image = noFocusBitmap_.Empty() ? &shaded_ : &noFocusBitmap_;
      if (image->Empty()) image = &bitmap_;
      DrawTransparentBitmap(canvas.Handle(), L.ix, L.iy, *image, image->TransparentColor());
      if (mark) DrawMark(canvas, bitmap_.Width() + L.ix + 3, Half(L.gh) + L.iy);
    } else if (mark) {
      DrawMark(canvas, tr + 3, hh + L.ty);
    }
  } else {
    if (down_) DrawBevel(canvas, true);
    if (hasImage) {
      if (disabledBitmap_.Empty()) {
        DrawEmbossed(canvas.Handle(), L.ix, L.iy, bitmap_);
      } else {
        DrawTransparentBitmap(canvas.Handle(), L.ix, L.iy, disabledBitmap_,
                              disabledBitmap_.TransparentColor());
      }
    }
    RECT moved = text;
    OffsetRect(&moved, 1, 1);
    canvas.Font.SetColor(clBtnHighlight);
    DrawCaption(canvas, moved);
    canvas.Font.SetColor(clBtnShadow);
    DrawCaption(canvas, text);
  }
  MakeDormant();
}

void TExplorerButton::SetAlignment(Alignment value) {
  alignment_ = value;
  Repaint();
}

void TExplorerButton::SetBevelStyle(TBevelStyle value) {
  bevelStyle_ = value;
  Repaint();
}

void TExplorerButton::SetLayout(TExplorerButtonLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Repaint();
}

void TExplorerButton::SetShowDownPattern(bool value) {
  if (value == showDownPattern_) return;
  showDownPattern_ = value;
  Repaint();
}

void TExplorerButton::SetUnselectedFontColor(Color value) {
  if (value == unselectedFontColor_) return;
  unselectedFontColor_ = value;
  Repaint();
}

void TExplorerButton::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  Repaint();
}

void TExplorerButton::SetBitmap(const forms::Bitmap& image) { bitmap_.Assign(image); }
void TExplorerButton::SetNoFocusBitmap(const forms::Bitmap& image) { noFocusBitmap_.Assign(image); }
void TExplorerButton::SetDisabledBitmap(const forms::Bitmap& image) {
  disabledBitmap_.Assign(image);
}

void TExplorerButton::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (options_ & boIconOnly) {
    SetHint(StripAccelerators(caption));
  } else {
    Repaint();
  }
}

void TExplorerButton::SetDropDownMenu(PopupMenu* menu) {
  if (dropDownMenu_ != nullptr) RemoveFreeNotification(dropDownMenu_);
  dropDownMenu_ = menu;
  if (menu != nullptr) FreeNotification(menu);
  if (options_ & boPopupMark) Repaint();
}

void TExplorerButton::Notification(Component* component, Operation operation) {
  GraphicControl::Notification(component, operation);
  if (operation == Operation::opRemove && component == dropDownMenu_) dropDownMenu_ = nullptr;
}

void TExplorerButton::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (groupIndex_ == 0) down_ = false;
  pushed_ = false;
  hot_ = false;
  Repaint();
}

void TExplorerButton::SetGroupIndex(int value) {
  if (value == groupIndex_) return;
  groupIndex_ = value;
  if (value == 0 && down_) {
    down_ = false;
    Repaint();
  }
}

void TExplorerButton::RaiseGroup() {
  if (Parent() == nullptr) return;
  for (Control* c : Parent()->Controls()) {
    auto* other = dynamic_cast<TExplorerButton*>(c);
    if (other == nullptr || other == this || other->groupIndex_ != groupIndex_ || !other->down_)
      continue;
    other->down_ = false;
    other->Repaint();
  }
}

void TExplorerButton::SetDown(bool value) {
  if (value == down_ || groupIndex_ == 0) return;
  down_ = value;
  Repaint();
  if (value) RaiseGroup();
}

void TExplorerButton::SetAllowAllUp(bool value) {
  allowAllUp_ = value;
  if (groupIndex_ == 0 || Parent() == nullptr) return;
  for (Control* c : Parent()->Controls()) {
    auto* other = dynamic_cast<TExplorerButton*>(c);
    if (other != nullptr && other != this && other->groupIndex_ == groupIndex_)
      other->allowAllUp_ = value;
  }
}

void TExplorerButton::SetOptions(TExplorerButtonOptions value) {
  options_ = value;
  const std::string plain = StripAccelerators(caption_);
  if ((value & boIconOnly) && Hint().empty()) {
    SetHint(plain);
    SetShowHint(true);
  } else if (!(value & boIconOnly) && Hint() == plain) {
    SetHint("");
    SetShowHint(false);
  }
  Repaint();
}

void TExplorerButton::SetShadingType(TExplorerButtonShadingType value) {
  if (value == shadingType_) return;
  shadingType_ = value;
  if (!bitmap_.Empty() && noFocusBitmap_.Empty()) {
    MakeShadedImage();
    Repaint();
  }
}

bool TExplorerButton::CursorInside() const {
  if (Parent() == nullptr || Parent()->Handle() == nullptr) return false;
  POINT at;
  GetCursorPos(&at);
  ::ScreenToClient(Parent()->Handle(), &at);
  return Left() < at.x && at.x < Left() + Width() && Top() < at.y && at.y < Top() + Height();
}

void TExplorerButton::DropPendingMouse() {
  MSG pending;
  while (PeekMessageA(&pending, nullptr, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE)) {
  }
  HWND capture = GetCapture();
  if (capture != nullptr) SendMessageA(capture, WM_CANCELMODE, 0, 0);
}

void TExplorerButton::LeftDown() {
  Form* form = ParentForm();
  if (form != nullptr && GetActiveWindow() != form->Handle()) SetForegroundWindow(form->Handle());
  if (!enabled_ || !Visible()) return;
  pushed_ = true;
  hot_ = true;
  Repaint();
  if (dropDownMenu_ == nullptr) {
    SetMouseCapture(true);
    return;
  }
  const POINT corner = ClientToScreen({0, Height()});
  dropDownMenu_->PopupComponent = this;
  dropDownMenu_->Popup(corner.x, corner.y);
  DropPendingMouse();
  hot_ = CursorInside();
  pushed_ = false;
  Repaint();
}

void TExplorerButton::LeftUp() {
  if (!enabled_ || !Visible() || !pushed_) return;
  pushed_ = false;
  if (hot_ && groupIndex_ != 0) {
    if (!down_) {
      RaiseGroup();
      down_ = true;
    } else if (allowAllUp_) {
      down_ = false;
    }
  }
  SetMouseCapture(false);
  if (hot_) {
    hot_ = CursorInside();
    Invalidate();
    if (dropDownMenu_ == nullptr) Click();
  }
}

void TExplorerButton::RightUp() {
  const bool hasMenu = GetPopupMenu() != nullptr || (!olderBuild_ && ParentForm() != nullptr &&
                                                     ParentForm()->GetPopupMenu() != nullptr);
  if (!hasMenu) return;
  DropPendingMouse();
  hot_ = CursorInside();
  pushed_ = false;
  Repaint();
}

void TExplorerButton::WndProc(Message& message) {
  switch (message.msg) {
    case CM_MOUSEENTER:
      if (olderBuild_) return;
      hot_ = true;
      if (!down_ && enabled_) Repaint();
      if (OnEnter) OnEnter(*this);
      return;
    case CM_MOUSELEAVE:
      if (olderBuild_) return;
      hot_ = false;
      if (!down_ && enabled_) Repaint();
      if (OnExit) OnExit(*this);
      return;
    case WM_MOUSEMOVE:
      if (olderBuild_) {
        const int x = GET_X_LPARAM(message.lParam), y = GET_Y_LPARAM(message.lParam);
        if (!MouseCapture()) {
          SetMouseCapture(true);
          Form* form = ParentForm();
          if (enabled_ && Visible() && form != nullptr && GetActiveWindow() == form->Handle() &&
              !hot_) {
            hot_ = true;
            Repaint();
          }
        } else if (x < 0 || x > Width() || y < 0 || y > Height()) {
          if (hot_) {
            hot_ = false;
            Repaint();
          }
          if (!pushed_) SetMouseCapture(false);
        } else if (!hot_) {
          hot_ = true;
          Repaint();
        }
      }
      break;
    case WM_LBUTTONDOWN:
      LeftDown();
      return;
    case WM_LBUTTONUP:
      LeftUp();
      return;
    case WM_RBUTTONUP:
      GraphicControl::WndProc(message);
      RightUp();
      return;
    case CM_DIALOGCHAR:
      if (IsAccelerator(static_cast<char>(message.wParam), caption_) && enabled_ && Visible()) {
        hot_ = true;
        pushed_ = false;
        Repaint();
        Application& app = Application::Instance();
        app.ProcessMessages();
        LeftDown();
        app.ProcessMessages();
        LeftUp();
        app.ProcessMessages();
        if (!CursorInside()) {
          hot_ = false;
          Repaint();
        }
        message.result = 1;
      }
      return;
    default:
      break;
  }
  GraphicControl::WndProc(message);
}
