#include "core/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeByteTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (kCrc32Polynomial ^ (c >> 1)) : (c >> 1);
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kByteTable = MakeByteTable();

}  // namespace

const uint32_t* Crc32Table() { return kByteTable.data(); }

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) crc = kByteTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}
