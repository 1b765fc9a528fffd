// The loader's entry point: the kind of picture comes from the file's extension. Bitmaps go to
// the system's LoadImageA, GIF and JPEG pictures to OleLoadPicture, Truevision and Paintbrush
// pictures to the library's own readers.
#include "nviewlib.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <string>

#include "decoded_image.h"

namespace {

std::string UpperExtension(const char* path) {
  const char* dot = std::strrchr(path, '.');
  const char* slash = std::strrchr(path, '\\');
  if (!dot || (slash && dot < slash)) return {};
  std::string ext(dot);
  for (char& c : ext) c = char(c >= 'a' && c <= 'z' ? c - 32 : c);
  return ext;
}

// The whole file, at most `limit` bytes; false when it cannot be read or is larger.
bool ReadWholeFile(const char* path, std::string& bytes, DWORD limit = 256u << 20) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if (size != INVALID_FILE_SIZE && high == 0 && size <= limit) {
    bytes.resize(size);
    DWORD got = 0;
    ok = size == 0 || (ReadFile(file, bytes.data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(file);
  return ok;
}

HBITMAP BitmapOf(const nviewlib::DecodedImage& image) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(uint32_t));
  GdiFlush();
  return bitmap;
}

HBITMAP LoadOwnDecoder(const char* path,
                       bool (*decode)(const uint8_t*, size_t, nviewlib::DecodedImage&)) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return nullptr;
  nviewlib::DecodedImage image;
  if (!decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image)) return nullptr;
  return BitmapOf(image);
}

// GIF and JPEG through the system's picture object; the bitmap it holds is copied, because it
// goes with the object.
HBITMAP LoadThroughPicture(const char* path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes) || bytes.empty()) return nullptr;
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HBITMAP result = nullptr;
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (global) {
    if (void* p = GlobalLock(global)) {
      std::memcpy(p, bytes.data(), bytes.size());
      GlobalUnlock(global);
      IStream* stream = nullptr;
      if (SUCCEEDED(CreateStreamOnHGlobal(global, TRUE, &stream))) {
        global = nullptr;  // the stream frees it now
        IPicture* picture = nullptr;
        if (SUCCEEDED(OleLoadPicture(stream, LONG(bytes.size()), FALSE, IID_IPicture,
                                     reinterpret_cast<void**>(&picture))) &&
            picture) {
          OLE_HANDLE handle = 0;
          SHORT type = 0;
          if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
              SUCCEEDED(picture->get_Handle(&handle)) && handle) {
            result = static_cast<HBITMAP>(
                CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0,
                          0, LR_CREATEDIBSECTION));
          }
          picture->Release();
        }
        stream->Release();
      }
    }
    if (global) GlobalFree(global);
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return result;
}

uint32_t Le32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
         uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

// A run-length packed body (4 or 8 bits a pixel) that stays inside its bytes and its picture.
bool RunLengthBodyFits(const std::string& b, size_t pos, size_t end, int64_t width, int64_t height,
                       bool four) {
  int64_t x = 0, y = 0;
  while (pos + 1 < end) {
    const unsigned count = uint8_t(b[pos]), code = uint8_t(b[pos + 1]);
    pos += 2;
    if (count) {
      x += count;
    } else if (code == 0) {
      x = 0;
      ++y;
    } else if (code == 1) {
      return true;
    } else if (code == 2) {
      if (pos + 2 > end) return false;
      x += uint8_t(b[pos]);
      y += uint8_t(b[pos + 1]);
      pos += 2;
    } else {
      const size_t bytes = four ? (code + 1) / 2 : code;
      pos += (bytes + 1) & ~size_t(1);
      if (pos > end) return false;
      x += code;
    }
    if (x > width || y > height || (y == height && x > 0)) return false;
  }
  return false;  // no end-of-picture mark
}

// Whether a bitmap file's headers and body agree with its size: the system's loader is handed
// only files it can read without running past their end.
bool BitmapFileIsWhole(const char* path) {
  std::string b;
  if (!ReadWholeFile(path, b) || b.size() < 14 + 40 || b[0] != 'B' || b[1] != 'M') return false;
  const size_t offset = Le32(b, 10), headerSize = Le32(b, 14);
  if (headerSize < 40 || headerSize > b.size() - 14 || offset > b.size() ||
      offset < 14 + headerSize)
    return false;
  const int32_t width = int32_t(Le32(b, 18)), height = int32_t(Le32(b, 22));
  const unsigned bits = unsigned(uint8_t(b[28])) | unsigned(uint8_t(b[29])) << 8;
  const uint32_t compression = Le32(b, 30), colours = Le32(b, 46);
  if (width <= 0 || height == 0 || height == INT32_MIN || width > nviewlib::kMaxSide) return false;
  const int64_t rows = height < 0 ? -int64_t(height) : height;
  if (rows > nviewlib::kMaxSide) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const uint64_t paletteEntries = bits <= 8 ? (colours ? colours : (1u << bits)) : 0;
  if (paletteEntries > 256 || 14 + headerSize + paletteEntries * 4 > offset) return false;
  if (compression == BI_RGB || compression == BI_BITFIELDS) {
    if (compression == BI_BITFIELDS && bits != 16 && bits != 32) return false;
    const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
    return offset + stride * uint64_t(rows) <= b.size();
  }
  if ((compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4))
    return height > 0 && RunLengthBodyFits(b, offset, b.size(), width, rows, bits == 4);
  return false;
}

HBITMAP Load(const char* path) {
  const std::string ext = UpperExtension(path);
  if (ext == ".BMP" || ext == ".DIB" || ext == ".RLE") {
    if (!BitmapFileIsWhole(path)) return nullptr;
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  }
  if (ext == ".GIF" || ext == ".JPG" || ext == ".JIF") return LoadThroughPicture(path);
  if (ext == ".TGA") return LoadOwnDecoder(path, nviewlib::DecodeTga);
  if (ext == ".PCX") return LoadOwnDecoder(path, nviewlib::DecodePcx);
  return nullptr;
}

}  // namespace

extern "C" HBITMAP __stdcall NViewLibLoad(const char* path, int /*flag*/) {
  // Called from the host's window code: nothing may unwind out of here.
  try {
    if (!path || !*path) return nullptr;
    return Load(path);
  } catch (...) {
    return nullptr;
  }
}
