// An image in memory (a 32-bit device-independent section) with a canvas on a memory device
// context made when asked for; Dormant gives that context back and keeps the pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "forms/canvas.h"

namespace forms {

class Bitmap {
 public:
  Bitmap() = default;
  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return handle_ == nullptr || width_ == 0 || height_ == 0; }
  // New contents of that size, all white.
  void SetSize(int width, int height);
  void Clear();
  // A copy of the other image (empty when it is empty).
  void Assign(const Bitmap& other);
  // A copy of a GDI bitmap (the handle stays the caller's).
  void AssignHandle(HBITMAP bitmap);
  bool LoadFromFile(const std::string& path);
  bool LoadFromResource(HINSTANCE module, const char* name);
  // 24-bit BMP file.
  bool SaveToFile(const std::string& path);

  Canvas& GetCanvas();
  HBITMAP Handle() const { return handle_; }
  void Dormant();
  bool IsDormant() const { return dc_ == nullptr; }
  // Pixel (0,0) as plain RGB: the colour left out when the image is drawn transparently.
  COLORREF TransparentColor();

  // Run after every change of the contents made through this object.
  std::function<void()> OnChange;
  void Changed() {
    if (OnChange) OnChange();
  }

 private:
  void Release();
  HBITMAP handle_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  std::unique_ptr<Canvas> canvas_;
  int width_ = 0;
  int height_ = 0;
};

// A 32-bit top-down DIB section; bits may be null.
HBITMAP CreateBitmap32(int width, int height, void** bits = nullptr);
// Writes what a device context shows in a rectangle to a 24-bit BMP file.
bool SaveDCToBmp(HDC dc, const RECT& rect, const std::string& path);

}  // namespace forms
