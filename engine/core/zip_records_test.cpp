#include "core/zip_records.h"
#include "core/le_fields.h"

#include <gtest/gtest.h>

TEST(ZipRecords, FieldReadersAreLittleEndian) {
  const uint8_t bytes[] = {0x34, 0x12, 0x78, 0x56, 0xFF};
  EXPECT_EQ(GetLE16(bytes), 0x1234);
  EXPECT_EQ(GetLE32(bytes), 0x56781234u);
  EXPECT_EQ(GetLE32(bytes + 1), 0xFF567812u);  // unaligned
  uint8_t out[4];
  PutLE32(out, 0xA1B2C3D4u);
  EXPECT_EQ(GetLE32(out), 0xA1B2C3D4u);
  PutLE16(out, 0xBEEF);
  EXPECT_EQ(GetLE16(out), 0xBEEF);
}

TEST(ZipRecords, SignaturesCompareAsBytes) {
  const uint8_t end[] = {0x50, 0x4B, 0x05, 0x06};
  EXPECT_TRUE(zip::HasSignature(end, zip::kEndSignature));
  EXPECT_FALSE(zip::HasSignature(end, zip::kCentralSignature));
}

TEST(ZipRecords, Extractability) {
  struct Case {
    uint16_t method;
    uint8_t version, host;
    bool ok;
  };
  const Case cases[] = {
      {0, 10, 0, true},  {8, 20, 0, true},  {6, 10, 0, true},  {7, 10, 0, false},
      {9, 20, 0, false}, {8, 21, 0, false}, {8, 20, 2, false}, {1, 10, 3, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(zip::IsExtractable(c.method, c.version, c.host), c.ok)
        << c.method << " " << int(c.version) << " " << int(c.host);
}

TEST(ZipRecords, ReportedHost) {
  for (uint8_t h = 0; h <= 8; ++h) EXPECT_EQ(zip::ReportedHost(h), h);
  EXPECT_EQ(zip::ReportedHost(11), 11);
  EXPECT_EQ(zip::ReportedHost(9), 9);
  EXPECT_EQ(zip::ReportedHost(10), 9);
  EXPECT_EQ(zip::ReportedHost(30), 9);
}
