#include "core/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/crc32_kernels.h"

#ifdef PELLORO_HAVE_PEERS
#include <zlib.h>
#endif

namespace {

// The plainest form of the definition: one table step per byte.
uint32_t ReferenceCrc32(const uint8_t* p, size_t n) {
  uint32_t crc = kCrc32Initial;
  for (size_t i = 0; i < n; ++i) crc = Crc32Byte(crc, p[i]);
  return crc ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> data(n);
  std::mt19937 rng(seed);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  return data;
}

// Every kernel UpdateCrc32 may run, plus UpdateCrc32 itself in both of its modes.
struct Kernel {
  std::string name;
  uint32_t (*update)(uint32_t, const void*, size_t);
  bool forceTable;  // run UpdateCrc32 with the fallback forced
};

std::vector<Kernel> KernelsOfThisMachine() {
  std::vector<Kernel> kernels = {{"table", UpdateCrc32Table, false},
                                 {"dispatch", UpdateCrc32, false},
                                 {"dispatch_forced_table", UpdateCrc32, true}};
  if (Crc32CarrylessAvailable()) kernels.push_back({"carryless", UpdateCrc32Carryless, false});
  if (Crc32CarrylessWideAvailable()) {
    kernels.push_back({"carryless_wide", UpdateCrc32CarrylessWide, false});
  }
  return kernels;
}

class Crc32Kernels : public testing::TestWithParam<Kernel> {
 protected:
  void SetUp() override { ForceCrc32TableFallback(GetParam().forceTable); }
  void TearDown() override { ForceCrc32TableFallback(false); }
  uint32_t Finished(const uint8_t* p, size_t n) const {
    return GetParam().update(kCrc32Initial, p, n) ^ 0xFFFFFFFFu;
  }
};

TEST_P(Crc32Kernels, CheckValue) {
  const char text[] = "123456789";
  EXPECT_EQ(Finished(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
  EXPECT_EQ(Finished(reinterpret_cast<const uint8_t*>(text), 0), 0u);
}

// Lengths 0..1024 cover every head, step and tail split of the wide kernels; every start
// offset 0..63 covers every alignment of their loads.
TEST_P(Crc32Kernels, EveryLengthAndAlignmentMatchesReference) {
  const std::vector<uint8_t> data = RandomBytes(1024 + 64, 99);
  for (size_t offset = 0; offset < 64; ++offset) {
    for (size_t n = 0; n <= 1024; ++n) {
      const uint8_t* p = data.data() + offset;
      const uint32_t expected = ReferenceCrc32(p, n);
      ASSERT_EQ(Finished(p, n), expected) << "length " << n << " offset " << offset;
#ifdef PELLORO_HAVE_PEERS
      ASSERT_EQ(static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(n))), expected)
          << "length " << n << " offset " << offset;
#endif
    }
  }
}

TEST_P(Crc32Kernels, LargeBuffersAtEveryAlignmentMatchReference) {
  const std::vector<uint8_t> data = RandomBytes((1u << 20) + 64 + 77, 4242);
  // 6143..6161 straddle the table kernel's first three-stripe block.
  for (size_t n : {size_t{4096}, size_t{6143}, size_t{6144}, size_t{6161}, size_t{100003},
                   size_t{(1u << 20) + 77}}) {
    for (size_t offset = 0; offset < 64; ++offset) {
      const uint8_t* p = data.data() + offset;
      uint32_t expected;
#ifdef PELLORO_HAVE_PEERS
      expected = static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(n)));
#else
      expected = ReferenceCrc32(p, n);
#endif
      ASSERT_EQ(Finished(p, n), expected) << "length " << n << " offset " << offset;
    }
  }
}

// Runs of one value stress the folding differently from random data (long zero stretches keep
// the registers sparse; 0xFF keeps them dense).
TEST_P(Crc32Kernels, ConstantRunsMatchReference) {
  for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x80}}) {
    const std::vector<uint8_t> data(70000, fill);
    EXPECT_EQ(Finished(data.data(), data.size()), ReferenceCrc32(data.data(), data.size()))
        << "fill " << int{fill};
  }
}

TEST_P(Crc32Kernels, PiecesEqualWhole) {
  const std::vector<uint8_t> data = RandomBytes(100000, 7);
  const uint32_t whole = Finished(data.data(), data.size());
  for (size_t cut : {size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{255}, size_t{256},
                     size_t{4095}, size_t{65536}}) {
    uint32_t crc = GetParam().update(kCrc32Initial, data.data(), cut);
    crc = GetParam().update(crc, data.data() + cut, data.size() - cut);
    EXPECT_EQ(crc ^ 0xFFFFFFFFu, whole) << "cut at " << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(AllKernels, Crc32Kernels, testing::ValuesIn(KernelsOfThisMachine()),
                         [](const testing::TestParamInfo<Kernel>& info) {
                           return info.param.name;
                         });

}  // namespace

TEST(Crc32, ByteStepMatchesBulk) {
  const uint8_t bytes[] = {0x00, 0xFF, 0x55, 0xAA, 0x12};
  uint32_t crc = kCrc32Initial;
  for (uint8_t b : bytes) crc = Crc32Byte(crc, b);
  EXPECT_EQ(crc, UpdateCrc32(kCrc32Initial, bytes, sizeof bytes));
}

TEST(Crc32, ByteTableStartsWithKnownEntries) {
  EXPECT_EQ(Crc32Table()[0], 0x00000000u);
  EXPECT_EQ(Crc32Table()[1], 0x77073096u);
  EXPECT_EQ(Crc32Table()[255], 0x2D02EF8Du);
}

// The folding constants come from Crc32XPowMod. A message of one set bit followed by zeros has
// as CRC (from 0) exactly a power of x modulo P: the first byte 0x01 followed by m - 1 zero bytes
// is x^(8m - 1), and the CRC multiplies by x^32.
TEST(Crc32, PowersOfXAgreeWithTableOfOneBitMessages) {
  EXPECT_EQ(Crc32XPowMod(0), 0x80000000u);
  EXPECT_EQ(Crc32XPowMod(31), 0x00000001u);
  EXPECT_EQ(Crc32XPowMod(32), kCrc32Polynomial);
  for (uint32_t m = 1; m <= 160; ++m) {
    std::vector<uint8_t> message(m, 0);
    message[0] = 0x01;
    ASSERT_EQ(Crc32XPowMod(8 * m + 31), UpdateCrc32Table(0, message.data(), m)) << "m " << m;
  }
}

TEST(Crc32, ForcingTheFallbackSwitchesTheKernel) {
  ForceCrc32TableFallback(true);
  EXPECT_STREQ(ActiveCrc32KernelName(), "table");
  ForceCrc32TableFallback(false);
  EXPECT_STREQ(ActiveCrc32KernelName(), Crc32CarrylessWideAvailable() ? "carry-less 512-bit"
                                        : Crc32CarrylessAvailable()   ? "carry-less"
                                                                      : "table");
}

#if defined(__x86_64__) || defined(__i386__)
// Every x86 processor this is tested on has carry-less multiplication; if detection broke, the
// fast kernel would silently never run.
TEST(Crc32, CarrylessKernelIsDetectedOnThisMachine) {
  EXPECT_TRUE(Crc32CarrylessAvailable());
  EXPECT_STRNE(ActiveCrc32KernelName(), "table");
}
#endif
