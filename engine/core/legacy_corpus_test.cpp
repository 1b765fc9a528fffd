// Real archives made by DOS-era tools: every shrunk, reduced and imploded entry decodes to its
// recorded size and CRC-32, and to the size and CRC-32 listed for it in EXPECTED.tsv.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/explode.h"
#include "core/le_fields.h"
#include "core/legacy_test_encoders.h"
#include "core/unreduce.h"
#include "core/unshrink.h"
#include "core/zip_records.h"

namespace {

using legacytest::Bytes;

const std::string kCorpusDir = PELLORO_SHARED_DIR "/corpus/legacy/";

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

struct Expected {
  std::string archive, entry, method;
  uint32_t size = 0;
  uint32_t crc = 0;
  bool seen = false;
};

std::vector<Expected> ReadExpected() {
  std::vector<Expected> rows;
  std::ifstream f(kCorpusDir + "EXPECTED.tsv");
  std::string line;
  std::getline(f, line);  // column names
  while (std::getline(f, line)) {
    std::istringstream fields(line);
    Expected e;
    std::string size, crc;
    std::getline(fields, e.archive, '\t');
    std::getline(fields, e.entry, '\t');
    std::getline(fields, e.method, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, crc, '\t');
    if (e.archive.empty()) continue;
    e.size = static_cast<uint32_t>(std::stoul(size));
    e.crc = static_cast<uint32_t>(std::stoul(crc, nullptr, 16));
    rows.push_back(e);
  }
  return rows;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

struct Decoded {
  int result;
  Bytes bytes;
};

Decoded Decode(uint16_t method, uint16_t flags, const uint8_t* data, uint32_t packedSize,
               uint32_t size) {
  // Runs of 1,000 bytes make the decoders cross run boundaries inside their codes.
  MemoryDecoderInput in(data, packedSize, 1000);
  legacytest::CollectOutput out;
  std::vector<uint8_t> window(kDecoderWindowSize);
  int result = -1;
  if (method == zip::kMethodShrunk) {
    result = Unshrink(in, out, window.data(), size);
  } else if (method >= zip::kMethodReduced1 && method <= zip::kMethodReduced4) {
    result = Unreduce(in, out, window.data(), method - 1, size);
  } else if (method == zip::kMethodImploded) {
    result = Explode(in, out, window.data(), flags, packedSize, size);
  }
  return {result, std::move(out.bytes)};
}

TEST(LegacyCorpus, EveryEntryDecodesToItsSizeAndCrc) {
  std::vector<Expected> expected = ReadExpected();
  ASSERT_GE(expected.size(), 30u) << "EXPECTED.tsv not found in " << kCorpusDir;
  std::vector<std::string> archives;
  for (const auto& e : expected) {
    if (archives.empty() || archives.back() != e.archive) archives.push_back(e.archive);
  }
  int perMethod[7] = {};
  for (const std::string& archive : archives) {
    const Bytes file = ReadFile(kCorpusDir + archive);
    ASSERT_FALSE(file.empty()) << archive;
    size_t pos = 0;
    while (pos + zip::local::kSize <= file.size() &&
           zip::HasSignature(file.data() + pos, zip::kLocalSignature)) {
      const uint8_t* h = file.data() + pos;
      const uint16_t flags = GetLE16(h + zip::local::kFlags);
      const uint16_t method = GetLE16(h + zip::local::kMethod);
      const uint32_t crc = GetLE32(h + zip::local::kCrc32);
      const uint32_t packed = GetLE32(h + zip::local::kCompressedSize);
      const uint32_t size = GetLE32(h + zip::local::kUncompressedSize);
      const size_t nameLength = GetLE16(h + zip::local::kNameLength);
      const size_t dataStart =
          pos + zip::local::kSize + nameLength + GetLE16(h + zip::local::kExtraLength);
      ASSERT_LE(dataStart + packed, file.size()) << archive;
      const std::string name(reinterpret_cast<const char*>(h + zip::local::kSize), nameLength);
      pos = dataStart + packed;
      if (method < zip::kMethodShrunk || method > zip::kMethodImploded) continue;
      SCOPED_TRACE(archive + " / " + name + " method " + std::to_string(method));
      ASSERT_EQ(flags & zip::kFlagEncrypted, 0);

      const Decoded d = Decode(method, flags, file.data() + dataStart, packed, size);
      EXPECT_EQ(d.result, kLegacyOk);
      EXPECT_EQ(d.bytes.size(), size);
      EXPECT_EQ(Crc32(d.bytes.data(), d.bytes.size()), crc);
      ++perMethod[method];

      // The listed row: by name, or (for the name in a DOS code page) by size and CRC.
      bool listed = false;
      for (auto& e : expected) {
        if (e.archive != archive || e.seen) continue;
        if (e.entry == name || (!IsAscii(e.entry) && e.size == size && e.crc == crc)) {
          EXPECT_EQ(e.size, d.bytes.size());
          EXPECT_EQ(e.crc, Crc32(d.bytes.data(), d.bytes.size()));
          e.seen = listed = true;
          break;
        }
      }
      EXPECT_TRUE(listed);
    }
  }
  for (const auto& e : expected) EXPECT_TRUE(e.seen) << e.archive << " / " << e.entry;
  EXPECT_GT(perMethod[zip::kMethodShrunk], 0);
  for (int m = zip::kMethodReduced1; m <= zip::kMethodReduced4; ++m) EXPECT_GT(perMethod[m], 0);
  EXPECT_GT(perMethod[zip::kMethodImploded], 0);
}

// A damaged entry still stops within its data: each corpus entry cut to half its compressed size
// fails without producing its full size.
TEST(LegacyCorpus, EntriesCutInHalfReportDamage) {
  for (const char* archive : {"SHRUNK.ZIP", "sharpcompress-Zip.reduce3.zip", "zip2-implode.zip",
                              "imploding-4Kdict-2trees.zip"}) {
    const Bytes file = ReadFile(kCorpusDir + archive);
    ASSERT_GE(file.size(), zip::local::kSize) << archive;
    const uint8_t* h = file.data();
    const size_t dataStart = zip::local::kSize + GetLE16(h + zip::local::kNameLength) +
                             GetLE16(h + zip::local::kExtraLength);
    const uint32_t size = GetLE32(h + zip::local::kUncompressedSize);
    const Decoded d = Decode(GetLE16(h + zip::local::kMethod), GetLE16(h + zip::local::kFlags),
                             h + dataStart, GetLE32(h + zip::local::kCompressedSize) / 2, size);
    EXPECT_NE(d.result, kLegacyOk) << archive;
    EXPECT_LT(d.bytes.size(), size) << archive;
  }
}

}  // namespace
