#include "forms/font.h"

namespace forms {

int ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

Font::~Font() {
  if (handle_ != nullptr) DeleteObject(handle_);
}

void Font::Changed() {
  // The handlers take the new font (a window, a device context) before the old one goes.
  HFONT old = handle_;
  handle_ = nullptr;
  if (OnChange) OnChange();
  if (old != nullptr) DeleteObject(old);
}

void Font::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void Font::SetSize(int points) {
  if (points == size_) return;
  size_ = points;
  Changed();
}

int Font::PixelHeight() const { return MulDiv(size_, ScreenPixelsPerInch(), 72); }

void Font::SetColor(Color color) {
  if (color == color_) return;
  color_ = color;
  if (OnChange) OnChange();  // the colour is not part of the GDI font
}

void Font::SetStyle(unsigned style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void Font::Assign(const Font& other) {
  if (&other == this) return;
  name_ = other.name_;
  size_ = other.size_;
  color_ = other.color_;
  style_ = other.style_;
  Changed();
}

HFONT Font::Handle() const {
  if (handle_ == nullptr) {
    LOGFONTA f = {};
    f.lfHeight = -PixelHeight();
    f.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    f.lfItalic = (style_ & fsItalic) ? 1 : 0;
    f.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    f.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    f.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(f.lfFaceName, name_.c_str(), LF_FACESIZE);
    handle_ = CreateFontIndirectA(&f);
  }
  return handle_;
}

}  // namespace forms
