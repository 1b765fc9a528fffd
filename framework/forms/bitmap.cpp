#include "forms/bitmap.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace forms {

HBITMAP CreateBitmap32(int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* unused = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits != nullptr ? bits : &unused, nullptr,
                          0);
}

Bitmap::~Bitmap() { Release(); }

void Bitmap::Dormant() {
  if (dc_ == nullptr) return;
  canvas_.reset();
  SelectObject(dc_, oldBitmap_);
  DeleteDC(dc_);
  dc_ = nullptr;
  oldBitmap_ = nullptr;
}

void Bitmap::Release() {
  Dormant();
  if (handle_ != nullptr) DeleteObject(handle_);
  handle_ = nullptr;
  width_ = height_ = 0;
}

void Bitmap::Clear() {
  Release();
  Changed();
}

void Bitmap::SetSize(int width, int height) {
  Release();
  if (width > 0 && height > 0) {
    void* bits = nullptr;
    handle_ = CreateBitmap32(width, height, &bits);
    if (handle_ == nullptr) throw std::runtime_error("Out of system resources");
    memset(bits, 0xFF, static_cast<size_t>(width) * height * 4);
    width_ = width;
    height_ = height;
  }
  Changed();
}

Canvas& Bitmap::GetCanvas() {
  if (canvas_ == nullptr) {
    dc_ = CreateCompatibleDC(nullptr);  // an empty image draws on the context's own 1x1 bitmap
    if (handle_ != nullptr) oldBitmap_ = SelectObject(dc_, handle_);
    canvas_ = std::make_unique<Canvas>(dc_);
  }
  return *canvas_;
}

void Bitmap::Assign(const Bitmap& other) {
  if (&other == this) return;
  Release();
  if (other.handle_ != nullptr) {
    void* bits = nullptr;
    handle_ = CreateBitmap32(other.width_, other.height_, &bits);
    if (handle_ == nullptr) throw std::runtime_error("Out of system resources");
    width_ = other.width_;
    height_ = other.height_;
    // A bitmap can be selected into one device context only: use the other's own.
    HDC source = const_cast<Bitmap&>(other).GetCanvas().Handle();
    HDC target = CreateCompatibleDC(nullptr);
    HGDIOBJ oldTarget = SelectObject(target, handle_);
    BitBlt(target, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    SelectObject(target, oldTarget);
    DeleteDC(target);
  }
  Changed();
}

void Bitmap::AssignHandle(HBITMAP bitmap) {
  Release();
  BITMAP info = {};
  if (bitmap != nullptr && GetObjectA(bitmap, sizeof(info), &info) != 0 && info.bmWidth > 0) {
    handle_ = CreateBitmap32(info.bmWidth, info.bmHeight);
    if (handle_ == nullptr) throw std::runtime_error("Out of system resources");
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ oldSource = SelectObject(source, bitmap);
    HDC target = CreateCompatibleDC(nullptr);
    HGDIOBJ oldTarget = SelectObject(target, handle_);
    BitBlt(target, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    SelectObject(target, oldTarget);
    DeleteDC(target);
    SelectObject(source, oldSource);
    DeleteDC(source);
  }
  Changed();
}

bool Bitmap::LoadFromFile(const std::string& path) {
  HBITMAP loaded = static_cast<HBITMAP>(
      LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (loaded == nullptr) return false;
  AssignHandle(loaded);
  DeleteObject(loaded);
  return true;
}

bool Bitmap::LoadFromResource(HINSTANCE module, const char* name) {
  HBITMAP loaded =
      static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (loaded == nullptr) return false;
  AssignHandle(loaded);
  DeleteObject(loaded);
  return true;
}

COLORREF Bitmap::TransparentColor() {
  if (Empty()) return 0;
  return GetCanvas().Pixel(0, 0) & 0xFFFFFF;
}

bool Bitmap::SaveToFile(const std::string& path) {
  if (Empty()) return false;
  RECT all = {0, 0, width_, height_};
  return SaveDCToBmp(GetCanvas().Handle(), all, path);
}

bool SaveDCToBmp(HDC dc, const RECT& rect, const std::string& path) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  const int stride = (width * 3 + 3) & ~3;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (copy == nullptr) return false;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride) * height;
  bool ok = false;
  FILE* out = fopen(path.c_str(), "wb");
  if (out != nullptr) {
    ok = fwrite(&file, sizeof(file), 1, out) == 1 &&
         fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
         fwrite(bits, static_cast<size_t>(stride) * height, 1, out) == 1;
    ok = (fclose(out) == 0) && ok;
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(copy);
  return ok;
}

}  // namespace forms
