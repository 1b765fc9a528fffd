// A picture decoded by one of the library's own readers: top-down rows of 32-bit BGRA pixels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace nviewlib {

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height, row 0 at the top, 0x00RRGGBB
};

// Pictures larger than this on either side are refused (a corrupt header must not ask for
// gigabytes).
constexpr int kMaxSide = 16384;

inline uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
  return (uint32_t(r & 0xFF) << 16) | (uint32_t(g & 0xFF) << 8) | uint32_t(b & 0xFF);
}

// Readers of untrusted bytes: false on anything malformed or truncated, never reading past the
// end.
bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& out);
bool DecodePcx(const uint8_t* data, size_t size, DecodedImage& out);

}  // namespace nviewlib
