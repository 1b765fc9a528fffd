#include "core/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#ifdef PELLORO_HAVE_PEERS
#include <zlib.h>
#endif

TEST(Crc32, CheckValue) {
  const char text[] = "123456789";
  EXPECT_EQ(Crc32(text, 9), 0xCBF43926u);
  EXPECT_EQ(Crc32(text, 0), 0u);
}

TEST(Crc32, PiecesEqualWhole) {
  std::vector<uint8_t> data(100000);
  std::mt19937 rng(7);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  const uint32_t whole = Crc32(data.data(), data.size());
  for (size_t cut : {size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{4095}, size_t{65536}}) {
    uint32_t crc = UpdateCrc32(kCrc32Initial, data.data(), cut);
    crc = UpdateCrc32(crc, data.data() + cut, data.size() - cut);
    EXPECT_EQ(crc ^ 0xFFFFFFFFu, whole) << "cut at " << cut;
  }
}

TEST(Crc32, ByteStepMatchesBulk) {
  const uint8_t bytes[] = {0x00, 0xFF, 0x55, 0xAA, 0x12};
  uint32_t crc = kCrc32Initial;
  for (uint8_t b : bytes) crc = Crc32Byte(crc, b);
  EXPECT_EQ(crc, UpdateCrc32(kCrc32Initial, bytes, sizeof bytes));
}

#ifdef PELLORO_HAVE_PEERS
TEST(Crc32, AgreesWithZlibOnRandomBuffers) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> data(rng() % 5000);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    // Unaligned starts exercise every head/tail path of a wide implementation.
    const size_t skip = data.empty() ? 0 : rng() % std::min<size_t>(data.size(), 64);
    const uint32_t ours = Crc32(data.data() + skip, data.size() - skip);
    const uint32_t theirs = static_cast<uint32_t>(
        crc32(0, data.data() + skip, static_cast<uInt>(data.size() - skip)));
    ASSERT_EQ(ours, theirs) << "size " << data.size() << " skip " << skip;
  }
}
#endif
