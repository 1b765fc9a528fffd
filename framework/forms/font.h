// A font description with its GDI font made when first asked for and remade after a change.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "forms/colors.h"

namespace forms {

enum FontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class Font {
 public:
  Font() = default;
  Font(const Font& other) { Assign(other); }
  Font& operator=(const Font& other) {
    Assign(other);
    return *this;
  }
  ~Font();

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  int Size() const { return size_; }  // points
  void SetSize(int points);
  // Character height in pixels on the screen (positive).
  int PixelHeight() const;
  Color GetColor() const { return color_; }
  void SetColor(Color color);
  unsigned Style() const { return style_; }
  void SetStyle(unsigned style);
  void Assign(const Font& other);
  HFONT Handle() const;

  std::function<void()> OnChange;

 private:
  void Changed();
  std::string name_ = "MS Sans Serif";
  int size_ = 8;
  Color color_ = clWindowText;
  unsigned style_ = 0;
  mutable HFONT handle_ = nullptr;
};

int ScreenPixelsPerInch();

}  // namespace forms
