// NViewLib.dll loaded as the viewer uses it: the undecorated entry point, one call per picture,
// the bitmap's size and pixels read back through GDI. Pictures come from python (the fixture
// script's pixel rule) and, for JPEG, from the system's own encoder.
#include <windows.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "win_test_util.h"

namespace {

using LoadFn = HBITMAP(__stdcall*)(const char*, int);

constexpr int kWidth = 5, kHeight = 3;

class NViewLibTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryA(NVIEWLIB_DLL_PATH);
    if (module_) load_ = reinterpret_cast<LoadFn>(GetProcAddress(module_, "NViewLibLoad"));
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    load_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(module_, nullptr) << NVIEWLIB_DLL_PATH;
    ASSERT_NE(load_, nullptr) << "NViewLibLoad is not exported undecorated";
  }
  static std::string Fixture(const std::string& name) {
    return testutil::BinaryDir() + "app\\nviewlib\\fixtures\\nviewlib\\" + name;
  }
  static HMODULE module_;
  static LoadFn load_;
};
HMODULE NViewLibTest::module_ = nullptr;
LoadFn NViewLibTest::load_ = nullptr;

// The bitmap's pixels as top-down 0x00RRGGBB.
std::vector<uint32_t> PixelsOf(HBITMAP bitmap, int& width, int& height) {
  BITMAP info{};
  if (!GetObjectA(bitmap, sizeof(info), &info)) return {};
  width = info.bmWidth;
  height = info.bmHeight;
  BITMAPINFO request{};
  request.bmiHeader.biSize = sizeof(request.bmiHeader);
  request.bmiHeader.biWidth = width;
  request.bmiHeader.biHeight = -height;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(size_t(width) * height);
  HDC dc = GetDC(nullptr);
  const int lines = GetDIBits(dc, bitmap, 0, height, pixels.data(), &request, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (lines != height) return {};
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

std::vector<uint32_t> FixturePalette(const std::string& path) {
  std::ifstream in(path);
  std::vector<uint32_t> palette;
  unsigned r, g, b;
  while (in >> r >> g >> b) palette.push_back((r << 16) | (g << 8) | b);
  return palette;
}

std::string ReadBytes(const std::string& path) {
  const std::vector<uint8_t> bytes = testutil::FileBytes(path, true);
  return std::string(bytes.begin(), bytes.end());
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  return testutil::WriteWholeFile(path, bytes);
}

const char* const kExactPictures[] = {"bmp8.bmp",    "bmp24.BMP",      "rle8.rle",   "dib24.dib",
                                      "picture.gif", "plain.tga",      "packed.tga", "mapped.TGA",
                                      "palette.pcx", "truecolour.pcx", "stored.PCX"};

TEST_F(NViewLibTest, EveryKindGivesItsSizeAndEveryPixel) {
  const std::vector<uint32_t> palette = FixturePalette(Fixture("palette.txt"));
  ASSERT_EQ(palette.size(), 16u);
  for (const char* name : kExactPictures) {
    SCOPED_TRACE(name);
    HBITMAP bitmap = load_(Fixture(name).c_str(), 1);
    ASSERT_NE(bitmap, nullptr);
    int width = 0, height = 0;
    const std::vector<uint32_t> pixels = PixelsOf(bitmap, width, height);
    DeleteObject(bitmap);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    ASSERT_EQ(pixels.size(), size_t(kWidth * kHeight));
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        EXPECT_EQ(pixels[size_t(y) * kWidth + x], palette[size_t(y) * kWidth + x])
            << "pixel " << x << "," << y;
  }
}

// A JPEG written by the system's encoder: two flat halves, compared with a tolerance (the
// format is lossy).
bool WriteJpeg(const std::wstring& path, int width, int height, const std::vector<uint8_t>& bgr) {
  IWICImagingFactory* factory = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))))
    return false;
  bool ok = false;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) &&
      SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
      SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(width, height)) &&
      SUCCEEDED(frame->SetPixelFormat(&format)) &&
      IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
      SUCCEEDED(
          frame->WritePixels(height, width * 3, UINT(bgr.size()), const_cast<BYTE*>(bgr.data()))) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()))
    ok = true;
  if (frame) frame->Release();
  if (encoder) encoder->Release();
  if (stream) stream->Release();
  factory->Release();
  return ok;
}

bool Near(uint32_t pixel, unsigned r, unsigned g, unsigned b) {
  auto close = [](unsigned a, unsigned e) { return (a > e ? a - e : e - a) <= 24; };
  return close((pixel >> 16) & 255, r) && close((pixel >> 8) & 255, g) && close(pixel & 255, b);
}

TEST_F(NViewLibTest, JpegFromTheSystemEncoderGivesItsSizeAndColours) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  constexpr int w = 48, h = 32;
  std::vector<uint8_t> bgr(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &bgr[(size_t(y) * w + x) * 3];
      if (x < w / 2) {
        p[0] = 40;
        p[1] = 40;
        p[2] = 220;
      }  // red half
      else {
        p[0] = 200;
        p[1] = 120;
        p[2] = 30;
      }  // blue half
    }
  testutil::TempFolder dir;
  for (const char* name : {"two halves.jpg", "TWO.JIF"}) {
    SCOPED_TRACE(name);
    const std::string path = dir / name;
    ASSERT_TRUE(WriteJpeg(std::wstring(path.begin(), path.end()), w, h, bgr));
    HBITMAP bitmap = load_(path.c_str(), 1);
    ASSERT_NE(bitmap, nullptr);
    int width = 0, height = 0;
    const std::vector<uint32_t> pixels = PixelsOf(bitmap, width, height);
    DeleteObject(bitmap);
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);
    ASSERT_EQ(pixels.size(), size_t(w) * h);
    EXPECT_TRUE(Near(pixels[size_t(h / 2) * w + w / 4], 220, 40, 40))
        << std::hex << pixels[size_t(h / 2) * w + w / 4];
    EXPECT_TRUE(Near(pixels[size_t(h / 2) * w + 3 * w / 4], 30, 120, 200))
        << std::hex << pixels[size_t(h / 2) * w + 3 * w / 4];
    // Cut anywhere, the picture gives a bitmap or 0 and never a crash.
    const std::string whole = ReadBytes(path);
    const std::string cut = dir / ("cut" + std::string(name).substr(std::string(name).rfind('.')));
    for (size_t length = 0; length < whole.size(); length += 7) {
      ASSERT_TRUE(WriteBytes(cut, whole.substr(0, length)));
      if (HBITMAP part = load_(cut.c_str(), 1)) DeleteObject(part);
    }
  }
  CoUninitialize();
}

// Every prefix of every picture, and each with its body bytes flipped: the loader returns a
// bitmap or 0, never crashes, and a truncated picture of its own readers is refused.
TEST_F(NViewLibTest, TruncatedAndDamagedPicturesNeverCrash) {
  testutil::TempFolder dir;
  for (const char* name : kExactPictures) {
    SCOPED_TRACE(name);
    const std::string whole = ReadBytes(Fixture(name));
    ASSERT_FALSE(whole.empty());
    const std::string ext = std::string(name).substr(std::string(name).rfind('.'));
    const std::string path = dir / ("cut" + ext);
    const bool ownReader = ext == ".tga" || ext == ".TGA" || ext == ".pcx" || ext == ".PCX";
    for (size_t length = 0; length < whole.size(); length += (length < 200 ? 1 : 37)) {
      ASSERT_TRUE(WriteBytes(path, whole.substr(0, length)));
      HBITMAP bitmap = load_(path.c_str(), 1);
      // A paletted Paintbrush picture cut inside its closing palette still has every pixel; the
      // other pictures of our own readers lose pixels when cut.
      if (ownReader && length + 769 <= whole.size()) {
        EXPECT_EQ(bitmap, nullptr) << "length " << length;
      }
      if (bitmap) DeleteObject(bitmap);
    }
    for (size_t at = 0; at < whole.size(); at += 3) {
      std::string damaged = whole;
      damaged[at] = char(~damaged[at]);
      ASSERT_TRUE(WriteBytes(path, damaged));
      if (HBITMAP bitmap = load_(path.c_str(), 1)) DeleteObject(bitmap);
    }
  }
}

TEST_F(NViewLibTest, MissingUnknownAndEmptyPathsGiveNoBitmap) {
  testutil::TempFolder dir;
  const std::string text = dir / "notes.txt";
  ASSERT_TRUE(WriteBytes(text, "not a picture"));
  const std::string noExtension = dir / "picture";
  ASSERT_TRUE(WriteBytes(noExtension, ReadBytes(Fixture("bmp24.BMP"))));
  EXPECT_EQ(load_((dir / "absent.bmp").c_str(), 1), nullptr);
  EXPECT_EQ(load_(text.c_str(), 1), nullptr);
  EXPECT_EQ(load_(noExtension.c_str(), 1), nullptr);
  EXPECT_EQ(load_("", 1), nullptr);
  EXPECT_EQ(load_(nullptr, 1), nullptr);
}

}  // namespace
