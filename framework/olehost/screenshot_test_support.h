// A screenshot helper of the container tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "win_test_util.h"

namespace testsupport {

// Saves what the screen shows of a window as a BMP file of that name in the build tree, for people
// reviewing the run (never asserted).
inline void SaveScreenshot(HWND window, const std::string& name) {
  RECT area;
  if (!GetWindowRect(window, &area)) return;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  if (bitmap != nullptr && memory != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const size_t imageBytes = rowBytes * static_cast<size_t>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + imageBytes);
    std::vector<uint8_t> data(file.bfSize);
    memcpy(data.data(), &file, sizeof file);
    memcpy(data.data() + sizeof file, &header, sizeof header);
    memcpy(data.data() + file.bfOffBits, bits, imageBytes);
    testutil::WriteWholeFile(testutil::BinaryDir() + name, data);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace testsupport
