// Colours: a plain RGB value (0x00BBGGRR) or 0x800000nn, the system colour nn.
#pragma once

#include <windows.h>

#include <cstdint>

namespace forms {

using Color = uint32_t;

constexpr Color clBlack = 0x000000;
constexpr Color clMaroon = 0x000080;
constexpr Color clGreen = 0x008000;
constexpr Color clNavy = 0x800000;
constexpr Color clPurple = 0x800080;
constexpr Color clGray = 0x808080;
constexpr Color clSilver = 0xC0C0C0;
constexpr Color clRed = 0x0000FF;
constexpr Color clBlue = 0xFF0000;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clNone = 0x1FFFFFFF;
constexpr Color clSystemColor = 0x80000000;
constexpr Color clWindow = clSystemColor | COLOR_WINDOW;
constexpr Color clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr Color clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr Color clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr Color clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr Color clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr Color clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr Color clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr Color clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;

inline COLORREF ColorToRGB(Color color) {
  if ((color & 0xFF000000u) == clSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

}  // namespace forms
