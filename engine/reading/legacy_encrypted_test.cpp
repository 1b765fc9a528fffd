// Encrypted imploded entries: the dictionary-size and tree-count flags sit in the same flag word as
// the encryption bit, and the decoder must still see them once the 12-byte encryption header has
// been read and checked. Each archive is made here: imploded by the test encoder, then encrypted.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/cipher.h"
#include "core/crc32.h"
#include "core/legacy_test_encoders.h"
#include "core/zip_records.h"
#include "reading/czunzip.h"
#include "reading/czunzip_test_access.h"
#include "win_test_util.h"

namespace {

using legacytest::Bytes;

constexpr const char* kPassword = "tortoise";
constexpr const char* kEntryName = "IMPLODED.TXT";

// Text with repeats both near and far (beyond 4 KB, within 8 KB), so both dictionary sizes
// produce matches and the 8 KB one reaches further back.
Bytes SampleText() {
  static const char* const words[] = {"alder ", "birch ",  "cedar ", "damson ", "elm ",
                                      "fir ",   "ginkgo ", "hazel ", "ivy\r\n", "juniper "};
  Bytes text;
  uint32_t state = 12345;
  while (text.size() < 30000) {
    state = state * 1103515245u + 12345u;
    const char* word = words[(state >> 16) % 10];
    text.insert(text.end(), word, word + std::char_traits<char>::length(word));
    if ((state >> 8) % 17 == 0 && text.size() > 6000) {
      // Copy a stretch from about 6 KB back.
      const size_t from = text.size() - 6000;
      const Bytes stretch(text.begin() + static_cast<std::ptrdiff_t>(from),
                          text.begin() + static_cast<std::ptrdiff_t>(from + 40));
      text.insert(text.end(), stretch.begin(), stretch.end());
    }
  }
  return text;
}

// The 12-byte encryption header (arbitrary bytes, the CRC's high byte last) and the packed data,
// encrypted with the password.
Bytes Encrypt(const Bytes& packed, uint32_t crc, const std::string& password) {
  Bytes stored(kEncryptionHeaderSize + packed.size());
  for (size_t i = 0; i + 1 < kEncryptionHeaderSize; ++i) {
    stored[i] = static_cast<uint8_t>(0x3B * (i + 1));
  }
  stored[kEncryptionHeaderSize - 1] = static_cast<uint8_t>(crc >> 24);
  std::copy(packed.begin(), packed.end(), stored.begin() + kEncryptionHeaderSize);
  CipherKeys keys;
  InitKeys(keys, password);
  EncryptBuffer(keys, stored.data(), stored.size());
  return stored;
}

struct Variant {
  const char* name;
  bool dictionary8K;
  bool threeTrees;
};

const Variant kVariants[] = {
    {"4K dictionary, 2 trees", false, false},
    {"4K dictionary, 3 trees", false, true},
    {"8K dictionary, 2 trees", true, false},
    {"8K dictionary, 3 trees", true, true},
};

// Writes the encrypted one-entry archive of a variant; returns its path.
std::string WriteEncryptedArchive(const testutil::TempFolder& temp, const Variant& v,
                                  const Bytes& plain) {
  legacytest::ImplodeOptions options;
  options.dictionary8K = v.dictionary8K;
  options.literalTree = v.threeTrees;
  const Bytes packed = legacytest::Implode(plain, options);
  const uint32_t crc = Crc32(plain.data(), plain.size());
  const uint16_t flags =
      static_cast<uint16_t>(zip::kFlagEncrypted | legacytest::ImplodeFlags(options));
  const Bytes zipFile = legacytest::MakeZip(kEntryName, zip::kMethodImploded, flags, plain,
                                            Encrypt(packed, crc, kPassword));
  const std::string path = temp / (std::string("imploded_") + (v.dictionary8K ? "8k" : "4k") +
                                   (v.threeTrees ? "3" : "2") + ".zip");
  EXPECT_TRUE(testutil::WriteWholeFile(path, zipFile)) << path;
  return path;
}

// A password other than the right one whose header check fails for this archive's header.
std::string RefusedPassword(const Bytes& plain) {
  const uint32_t crc = Crc32(plain.data(), plain.size());
  const Bytes stored = Encrypt({}, crc, kPassword);
  uint8_t header[kEncryptionHeaderSize];
  std::copy(stored.begin(), stored.end(), header);
  for (const char* candidate : {"hare", "otter", "badger", "weasel", "stoat", "marten"}) {
    CipherKeys keys;
    // The archives' local headers carry a time of 0.
    if (!CheckEncryptionHeader(keys, candidate, header, crc, 0)) return candidate;
  }
  return "";
}

TEST(LegacyEncrypted, EncryptedImplodedEntriesOfEveryVariantExtract) {
  const Bytes plain = SampleText();
  testutil::TempFolder temp;
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.name);
    const std::string archive = WriteEncryptedArchive(temp, v, plain);
    const std::string dest = temp / (std::string(archive.substr(temp.path().size())) + "_out\\");
    CZUnzip unzip;
    unzip.SetPassword(kPassword);
    CZUnzipTestAccess::AskPassword(unzip) = FALSE;
    EXPECT_EQ(unzip.UnzipFiles(archive.c_str(), "*.*", dest.c_str(), 1, TRUE), 0);
    Bytes extracted;
    if (!testutil::ReadWholeFile(dest + kEntryName, &extracted)) {
      ADD_FAILURE() << "not extracted: " << dest << kEntryName;
      continue;
    }
    EXPECT_EQ(extracted.size(), plain.size());
    EXPECT_TRUE(extracted == plain);
  }
}

TEST(LegacyEncrypted, AWrongPasswordWithoutAskingSkipsTheEntry) {
  const Bytes plain = SampleText();
  const std::string wrong = RefusedPassword(plain);
  ASSERT_FALSE(wrong.empty()) << "every candidate passed the header check";
  testutil::TempFolder temp;
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.name);
    const std::string archive = WriteEncryptedArchive(temp, v, plain);
    const std::string dest = temp / (std::string(archive.substr(temp.path().size())) + "_wrong\\");
    CZUnzip unzip;
    unzip.SetPassword(wrong.c_str());
    CZUnzipTestAccess::AskPassword(unzip) = FALSE;
    EXPECT_EQ(unzip.UnzipFiles(archive.c_str(), "*.*", dest.c_str(), 1, TRUE), 1);
    EXPECT_EQ(GetFileAttributesA((dest + kEntryName).c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

}  // namespace
