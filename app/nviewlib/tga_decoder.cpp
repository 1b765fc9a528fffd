// Truevision pictures: colour-mapped (1, 9), true-colour (2, 10) and grey (3, 11), the 9-11
// kinds run-length packed; 8, 15/16, 24 and 32 bits a pixel.
#include "decoded_image.h"

namespace nviewlib {
namespace {

unsigned Le16(const uint8_t* p) { return unsigned(p[0]) | (unsigned(p[1]) << 8); }

// One stored pixel of `bytes` bytes as a colour (no palette lookup).
uint32_t DirectColour(const uint8_t* p, unsigned bytes) {
  switch (bytes) {
    case 1:
      return Rgb(p[0], p[0], p[0]);
    case 2: {
      const unsigned v = Le16(p);
      const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return Rgb(r << 3 | r >> 2, g << 3 | g >> 2, b << 3 | b >> 2);
    }
    default:
      return Rgb(p[2], p[1], p[0]);  // 3 or 4 bytes: B, G, R (, A)
  }
}

}  // namespace

bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& out) {
  if (size < 18) return false;
  const unsigned idLength = data[0], mapType = data[1], kind = data[2];
  const unsigned mapFirst = Le16(data + 3), mapLength = Le16(data + 5), mapBits = data[7];
  const int width = int(Le16(data + 12)), height = int(Le16(data + 14));
  const unsigned bits = data[16], descriptor = data[17];
  const unsigned base = kind & 7;
  const bool packed = (kind & 8) != 0;
  if (base < 1 || base > 3 || (kind & ~0xBu) != 0) return false;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32) return false;
  if (base != 2 && bits != 8 && !(base == 1 && bits == 16)) return false;
  const unsigned bytes = (bits + 7) / 8;

  size_t pos = 18 + idLength;
  std::vector<uint32_t> palette;
  if (mapType == 1) {
    const unsigned entryBytes = (mapBits + 7) / 8;
    if (entryBytes < 2 || entryBytes > 4) return false;
    const size_t mapSize = size_t(mapLength) * entryBytes;
    if (pos > size || size - pos < mapSize) return false;
    palette.reserve(mapLength);
    for (unsigned i = 0; i < mapLength; ++i)
      palette.push_back(DirectColour(data + pos + i * entryBytes, entryBytes));
    pos += mapSize;
  } else if (mapType != 0 || base == 1) {
    return false;
  }
  if (pos > size) return false;

  auto colourOf = [&](const uint8_t* p, uint32_t& colour) {
    if (base != 1) {
      colour = DirectColour(p, bytes);
      return true;
    }
    const unsigned index = bytes == 1 ? p[0] : Le16(p);
    if (index < mapFirst || index - mapFirst >= palette.size()) return false;
    colour = palette[index - mapFirst];
    return true;
  };

  const size_t count = size_t(width) * size_t(height);
  std::vector<uint32_t> stored;
  stored.reserve(count);
  while (stored.size() < count) {
    unsigned run = 1;
    bool repeat = false;
    if (packed) {
      if (pos >= size) return false;
      const uint8_t header = data[pos++];
      run = (header & 0x7F) + 1u;
      repeat = (header & 0x80) != 0;
    }
    if (run > count - stored.size()) return false;
    const size_t need = repeat ? bytes : size_t(run) * bytes;
    if (size - pos < need) return false;
    for (unsigned i = 0; i < run; ++i) {
      uint32_t colour = 0;
      if (!colourOf(data + pos + (repeat ? 0 : i * bytes), colour)) return false;
      stored.push_back(colour);
    }
    pos += need;
  }

  // Stored bottom-up unless bit 5 of the descriptor says top-down; bit 4 mirrors left-right.
  const bool topDown = (descriptor & 0x20) != 0, rightToLeft = (descriptor & 0x10) != 0;
  out.width = width;
  out.height = height;
  out.pixels.assign(count, 0);
  for (int y = 0; y < height; ++y) {
    const int row = topDown ? y : height - 1 - y;
    for (int x = 0; x < width; ++x) {
      const int column = rightToLeft ? width - 1 - x : x;
      out.pixels[size_t(row) * width + column] = stored[size_t(y) * width + x];
    }
  }
  return true;
}

}  // namespace nviewlib
