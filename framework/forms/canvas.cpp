#include "forms/canvas.h"

#include "forms/bitmap.h"

namespace forms {

void Canvas::Restore() {
  if (dc_ != nullptr) {
    if (oldPen_ != nullptr) SelectObject(dc_, oldPen_);
    if (oldBrush_ != nullptr) SelectObject(dc_, oldBrush_);
    if (oldFont_ != nullptr) SelectObject(dc_, oldFont_);
  }
  oldPen_ = oldBrush_ = oldFont_ = nullptr;
  if (pen_ != nullptr) DeleteObject(pen_);
  if (brush_ != nullptr) DeleteObject(brush_);
  pen_ = nullptr;
  brush_ = nullptr;
  font_ = nullptr;
  penMade_ = brushMade_ = false;
}

void Canvas::ReleaseFont() {
  if (dc_ != nullptr && oldFont_ != nullptr) SelectObject(dc_, oldFont_);
  oldFont_ = nullptr;
  font_ = nullptr;
}

void Canvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  Restore();
  dc_ = dc;
}

void Canvas::RequirePen() {
  if (penMade_ && madePen_ == Pen) return;
  HPEN pen = CreatePen(Pen.style, Pen.width, ColorToRGB(Pen.color));
  HGDIOBJ previous = SelectObject(dc_, pen);
  if (oldPen_ == nullptr) oldPen_ = previous;
  if (pen_ != nullptr) DeleteObject(pen_);
  pen_ = pen;
  madePen_ = Pen;
  penMade_ = true;
}

void Canvas::RequireBrush() {
  if (brushMade_ && madeBrush_ == Brush) return;
  HBRUSH brush;
  if (Brush.bitmap != nullptr) {
    brush = CreatePatternBrush(Brush.bitmap);
  } else if (Brush.clear) {
    LOGBRUSH hollow = {BS_HOLLOW, 0, 0};
    brush = CreateBrushIndirect(&hollow);
  } else {
    brush = CreateSolidBrush(ColorToRGB(Brush.color));
  }
  HGDIOBJ previous = SelectObject(dc_, brush);
  if (oldBrush_ == nullptr) oldBrush_ = previous;
  if (brush_ != nullptr) DeleteObject(brush_);
  brush_ = brush;
  madeBrush_ = Brush;
  brushMade_ = true;
  SetBkColor(dc_, ColorToRGB(Brush.color));
  SetBkMode(dc_, Brush.clear ? TRANSPARENT : OPAQUE);
}

void Canvas::RequireFont() {
  HFONT handle = Font.Handle();
  if (handle != font_) {
    HGDIOBJ previous = SelectObject(dc_, handle);
    if (oldFont_ == nullptr) oldFont_ = previous;
    font_ = handle;
  }
  SetTextColor(dc_, ColorToRGB(Font.GetColor()));
}

void Canvas::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }

void Canvas::LineTo(int x, int y) {
  RequirePen();
  ::LineTo(dc_, x, y);
}

void Canvas::Rectangle(int left, int top, int right, int bottom) {
  RequirePen();
  RequireBrush();
  ::Rectangle(dc_, left, top, right, bottom);
}

void Canvas::FillRect(const RECT& rect) {
  RequireBrush();
  if (!Brush.clear || Brush.bitmap != nullptr) ::FillRect(dc_, &rect, brush_);
}

void Canvas::FrameRect(const RECT& rect) {
  RequireBrush();
  ::FrameRect(dc_, &rect, brush_);
}

void Canvas::DrawFocusRect(const RECT& rect) {
  RequireBrush();
  ::DrawFocusRect(dc_, &rect);
}

void Canvas::TextOut(int x, int y, const std::string& text) {
  RequireFont();
  RequireBrush();
  ::TextOutA(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
}

void Canvas::TextRect(const RECT& rect, int x, int y, const std::string& text) {
  RequireFont();
  RequireBrush();
  UINT options = ETO_CLIPPED | (Brush.clear ? 0 : ETO_OPAQUE);
  ExtTextOutA(dc_, x, y, options, &rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

int Canvas::DrawText(const std::string& text, RECT& rect, UINT format) {
  RequireFont();
  RequireBrush();
  return ::DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

SIZE Canvas::TextExtent(const std::string& text) {
  RequireFont();
  SIZE size = {};
  GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void Canvas::Draw(int x, int y, Bitmap& bitmap) {
  if (bitmap.Empty()) return;
  BitBlt(dc_, x, y, bitmap.Width(), bitmap.Height(), bitmap.GetCanvas().Handle(), 0, 0, SRCCOPY);
}

void Canvas::CopyRect(const RECT& dest, Canvas& source, const RECT& sourceRect, DWORD rop) {
  StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
             source.Handle(), sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
             sourceRect.bottom - sourceRect.top, rop);
}

}  // namespace forms
