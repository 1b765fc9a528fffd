// CRC-32 as ZIP uses it: reflected, polynomial 0xEDB88320. The running value starts at 0xFFFFFFFF
// for each entry and is inverted at the end; UpdateCrc32 neither presets nor inverts, so callers
// can feed data in pieces. The byte table is shared with the traditional cipher's key schedule.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr uint32_t kCrc32Polynomial = 0xEDB88320u;
inline constexpr uint32_t kCrc32Initial = 0xFFFFFFFFu;

// The 256-entry byte table: table[n] is the CRC of the byte n.
const uint32_t* Crc32Table();

// One byte step: crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8).
inline uint32_t Crc32Byte(uint32_t crc, uint8_t byte) {
  return Crc32Table()[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// Feeds n bytes into the running value and returns the new running value.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t n);

// The finished CRC-32 of one buffer (preset and inverted).
inline uint32_t Crc32(const void* data, size_t n) {
  return UpdateCrc32(kCrc32Initial, data, n) ^ 0xFFFFFFFFu;
}
