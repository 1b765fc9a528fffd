// Drawing on any device context (a window's, a memory one). The pen, brush and font are
// described here and made into GDI objects when a drawing call needs them; the device context's
// own objects are put back when the canvas goes or changes its context.
#pragma once

#include <windows.h>

#include <string>

#include "forms/colors.h"
#include "forms/font.h"

namespace forms {

class Bitmap;

struct PenState {
  Color color = clBlack;
  int width = 1;
  int style = PS_SOLID;
  bool operator==(const PenState&) const = default;
};

struct BrushState {
  Color color = clWhite;
  bool clear = false;        // hollow: shapes are not filled, text has a transparent background
  HBITMAP bitmap = nullptr;  // a pattern brush (not owned)
  bool operator==(const BrushState&) const = default;
};

class Canvas {
 public:
  explicit Canvas(HDC dc = nullptr) {
    // A font that changes gives its selected handle back first.
    Font.OnChange = [this] { ReleaseFont(); };
    SetHandle(dc);
  }
  ~Canvas() { SetHandle(nullptr); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Handle() const { return dc_; }
  void SetHandle(HDC dc);

  PenState Pen;
  BrushState Brush;
  forms::Font Font;

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Rectangle(int left, int top, int right, int bottom);
  void FillRect(const RECT& rect);
  void FrameRect(const RECT& rect);
  void DrawFocusRect(const RECT& rect);
  void TextOut(int x, int y, const std::string& text);
  void TextRect(const RECT& rect, int x, int y, const std::string& text);
  // DrawTextA with the canvas's font, colour and background mode; returns its height.
  int DrawText(const std::string& text, RECT& rect, UINT format);
  SIZE TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }
  void SetPixel(int x, int y, Color color) { ::SetPixel(dc_, x, y, ColorToRGB(color)); }
  void Draw(int x, int y, Bitmap& bitmap);
  void CopyRect(const RECT& dest, Canvas& source, const RECT& sourceRect, DWORD rop = SRCCOPY);

  // Selects the described objects now (before calls made directly on Handle()).
  void RequirePen();
  void RequireBrush();
  void RequireFont();

 private:
  void Restore();
  void ReleaseFont();
  HDC dc_ = nullptr;
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
  HFONT font_ = nullptr;  // the font's own handle, selected
  HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr, oldFont_ = nullptr;
  PenState madePen_;
  BrushState madeBrush_;
  bool penMade_ = false, brushMade_ = false;
};

}  // namespace forms
