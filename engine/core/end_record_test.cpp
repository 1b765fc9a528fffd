#include "core/end_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kBlock = kInputBlockSize;
constexpr uint32_t kWindow = 65557;  // the record and the longest comment

// A file in memory that records every read, so tests can check where the search reads.
class MemoryFile : public PositionedReader {
 public:
  explicit MemoryFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int64_t ReadAt(uint32_t pos, uint8_t* destination, uint32_t n) override {
    reads.push_back(pos);
    if (failAt && *failAt == reads.size()) return -1;
    if (pos > bytes_.size()) return 0;
    uint32_t count = static_cast<uint32_t>(bytes_.size()) - pos;
    if (count > n) count = n;
    if (shortenBy && count >= shortenBy) count -= shortenBy;
    std::memcpy(destination, bytes_.data() + pos, count);
    return count;
  }
  uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }

  std::vector<uint32_t> reads;
  std::optional<size_t> failAt;  // this read (1: the first) fails
  uint32_t shortenBy = 0;        // every read returns this many bytes less

 private:
  std::vector<uint8_t> bytes_;
};

// Filler without any 'P', so the only signatures are those a test places.
std::vector<uint8_t> Filler(uint32_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) {
    b = static_cast<uint8_t>(random());
    if (b == 'P') b = 'Q';
  }
  return bytes;
}

void PlaceSignature(std::vector<uint8_t>& bytes, uint32_t pos) {
  const uint8_t signature[4] = {'P', 'K', 5, 6};
  std::memcpy(bytes.data() + pos, signature, 4);
}

// The answer by plain inspection of every position.
std::optional<uint32_t> Reference(const std::vector<uint8_t>& bytes) {
  const auto size = static_cast<uint32_t>(bytes.size());
  if (size < 22) return std::nullopt;
  const uint32_t lowest = size > kWindow ? size - kWindow : 0;
  for (uint32_t pos = size - 22 + 1; pos-- > lowest;) {
    if (std::memcmp(bytes.data() + pos, "PK\5\6", 4) == 0) return pos;
  }
  return std::nullopt;
}

std::optional<uint32_t> Search(MemoryFile& file) {
  std::vector<uint8_t> block(kInputBlockSize + kInputHoldBytes, 0xEE);
  uint32_t pos = 0;
  if (!FindEndRecordSignature(file, file.size(), block.data(), &pos)) return std::nullopt;
  return pos;
}

// Every read starts on a block boundary and lies inside the file.
void ExpectAlignedReads(const MemoryFile& file) {
  for (uint32_t pos : file.reads) {
    EXPECT_EQ(pos % kBlock, 0u);
    EXPECT_LT(pos, file.size());
  }
}

TEST(EndRecordSearch, FindsRecordsAroundEveryBlockBoundaryForAllTails) {
  const uint32_t tails[] = {0, 1, 2, 3, 18, 19, 20, 21, 22, 23, 100, 5000, kBlock - 1};
  int cases = 0;
  for (uint32_t blocks = 0; blocks <= 4; ++blocks) {
    for (uint32_t tail : tails) {
      const uint32_t size = blocks * kBlock + tail;
      if (size < 22) continue;
      const uint32_t lowest = size > kWindow ? size - kWindow : 0;
      std::vector<uint32_t> positions = {size - 22, lowest};
      for (uint32_t boundary = kBlock; boundary < size; boundary += kBlock) {
        for (uint32_t before = 0; before <= 4; ++before) positions.push_back(boundary - before);
        positions.push_back(boundary + 1);
      }
      for (uint32_t pos : positions) {
        if (pos < lowest || pos > size - 22) continue;
        std::vector<uint8_t> bytes = Filler(size, size + pos);
        PlaceSignature(bytes, pos);
        MemoryFile file(bytes);
        ASSERT_EQ(Search(file), std::optional<uint32_t>(pos)) << "size " << size << " at " << pos;
        ExpectAlignedReads(file);
        ++cases;
      }
    }
  }
  EXPECT_GT(cases, 200);
}

TEST(EndRecordSearch, AgreesWithPlainInspection) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const uint32_t size = random() % (4 * kBlock + 100);
    std::vector<uint8_t> bytes = Filler(size, round);
    const int signatures = static_cast<int>(random() % 4);
    for (int i = 0; i < signatures && size >= 4; ++i) PlaceSignature(bytes, random() % (size - 3));
    MemoryFile file(bytes);
    ASSERT_EQ(Search(file), Reference(bytes)) << "size " << size;
    ExpectAlignedReads(file);
  }
}

TEST(EndRecordSearch, TakesTheLastRecordAndNothingOutsideTheWindow) {
  const uint32_t size = 4 * kBlock + 21;
  {
    std::vector<uint8_t> bytes = Filler(size, 1);
    PlaceSignature(bytes, size - 22 - 3000);
    PlaceSignature(bytes, size - 22 - 10);
    MemoryFile file(bytes);
    EXPECT_EQ(Search(file), std::optional<uint32_t>(size - 32));
  }
  {
    std::vector<uint8_t> bytes = Filler(size, 2);
    PlaceSignature(bytes, size - kWindow - 1);  // one byte too far from the end
    PlaceSignature(bytes, size - 21);           // too close to the end for a whole record
    MemoryFile file(bytes);
    EXPECT_EQ(Search(file), std::nullopt);
    ExpectAlignedReads(file);
  }
}

TEST(EndRecordSearch, SmallFilesAndFailures) {
  for (uint32_t size : {0u, 1u, 21u}) {
    std::vector<uint8_t> bytes = Filler(size, size);
    if (size >= 4) PlaceSignature(bytes, 0);
    MemoryFile file(bytes);
    EXPECT_EQ(Search(file), std::nullopt) << size;
    EXPECT_TRUE(file.reads.empty());
  }
  std::vector<uint8_t> bare = {'P', 'K', 5, 6};
  bare.resize(22, 0);
  MemoryFile bareFile(bare);
  EXPECT_EQ(Search(bareFile), std::optional<uint32_t>(0));

  std::vector<uint8_t> bytes = Filler(2 * kBlock + 1000, 3);
  PlaceSignature(bytes, 100);  // in the first block, read last
  MemoryFile good(bytes);
  EXPECT_EQ(Search(good), std::optional<uint32_t>(100));
  MemoryFile failing(bytes);
  failing.failAt = 2;
  EXPECT_EQ(Search(failing), std::nullopt);
  EXPECT_EQ(failing.reads.size(), 2u);
  MemoryFile shortReads(bytes);
  shortReads.shortenBy = 1;
  EXPECT_EQ(Search(shortReads), std::nullopt);
}

}  // namespace
