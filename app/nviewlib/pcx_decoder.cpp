// Paintbrush pictures: 1 plane of 8 bits with the 256-colour palette at the end, 3 planes of 8
// bits (true colour), and 1-bit / 4-plane pictures through the header's 16-colour palette;
// packed (encoding 1) or stored bytes (encoding 0).
#include "decoded_image.h"

namespace nviewlib {
namespace {

unsigned Le16(const uint8_t* p) { return unsigned(p[0]) | (unsigned(p[1]) << 8); }

}  // namespace

bool DecodePcx(const uint8_t* data, size_t size, DecodedImage& out) {
  if (size < 128 || data[0] != 0x0A) return false;
  const unsigned encoding = data[2], bits = data[3];
  const int width = int(Le16(data + 8)) - int(Le16(data + 4)) + 1;
  const int height = int(Le16(data + 10)) - int(Le16(data + 6)) + 1;
  const unsigned planes = data[65], lineBytes = Le16(data + 66);
  if (encoding > 1 || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
    return false;
  const bool paletted8 = bits == 8 && planes == 1;
  const bool trueColour = bits == 8 && planes == 3;
  const bool sixteen = bits == 1 && (planes == 1 || planes == 4);
  if (!paletted8 && !trueColour && !sixteen) return false;
  if (size_t(lineBytes) * 8 < size_t(width) * bits) return false;

  // The packed body: every scan line is `planes` runs of `lineBytes` bytes.
  const size_t scanBytes = size_t(lineBytes) * planes;
  const size_t total = scanBytes * size_t(height);
  std::vector<uint8_t> body;
  body.reserve(total);
  size_t pos = 128;
  while (body.size() < total) {
    if (pos >= size) return false;
    uint8_t value = data[pos++];
    size_t run = 1;
    if (encoding == 1 && (value & 0xC0) == 0xC0) {
      run = value & 0x3F;
      if (pos >= size) return false;
      value = data[pos++];
    }
    if (run > total - body.size()) run = total - body.size();  // a run may pad past the last line
    body.insert(body.end(), run, value);
  }

  std::vector<uint32_t> palette(256, 0);
  if (paletted8) {
    // The 256-colour palette: a 12 marker and 768 bytes at the very end of the file.
    if (size < 128 + 769 || data[size - 769] != 12) return false;
    const uint8_t* p = data + size - 768;
    for (int i = 0; i < 256; ++i) palette[i] = Rgb(p[i * 3], p[i * 3 + 1], p[i * 3 + 2]);
  } else if (sixteen) {
    for (int i = 0; i < 16; ++i)
      palette[i] = Rgb(data[16 + i * 3], data[17 + i * 3], data[18 + i * 3]);
    if (planes == 1) {
      palette[0] = Rgb(0, 0, 0);
      palette[1] = Rgb(255, 255, 255);
    }
  }

  out.width = width;
  out.height = height;
  out.pixels.assign(size_t(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* line = body.data() + size_t(y) * scanBytes;
    uint32_t* row = out.pixels.data() + size_t(y) * width;
    for (int x = 0; x < width; ++x) {
      if (paletted8) {
        row[x] = palette[line[x]];
      } else if (trueColour) {
        row[x] = Rgb(line[x], line[lineBytes + x], line[2 * lineBytes + x]);
      } else {
        unsigned index = 0;
        for (unsigned p = 0; p < planes; ++p)
          index |= ((line[p * lineBytes + x / 8] >> (7 - x % 8)) & 1u) << p;
        row[x] = palette[index];
      }
    }
  }
  return true;
}

}  // namespace nviewlib
