// Layout of the ZIP records the engine and the self-extractor stub read and write: local header,
// central header and end-of-central-directory record. All fields are little-endian and packed;
// the constants below are byte offsets into the raw record, read with GetLE16/GetLE32.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zip {

// Signatures are compared as four bytes, never as an integer.
inline constexpr char kLocalSignature[4] = {'P', 'K', 3, 4};
inline constexpr char kCentralSignature[4] = {'P', 'K', 1, 2};
inline constexpr char kEndSignature[4] = {'P', 'K', 5, 6};

inline bool HasSignature(const void* record, const char (&signature)[4]) {
  return std::memcmp(record, signature, 4) == 0;
}

// Local header: 30 bytes, then name, extra field and the entry's data.
namespace local {
inline constexpr size_t kSize = 30;
inline constexpr size_t kVersionNeeded = 4;  // 1 byte
inline constexpr size_t kHostNeeded = 5;     // 1 byte
inline constexpr size_t kFlags = 6;
inline constexpr size_t kMethod = 8;
inline constexpr size_t kTime = 10;
inline constexpr size_t kDate = 12;
inline constexpr size_t kCrc32 = 14;
inline constexpr size_t kCompressedSize = 18;
inline constexpr size_t kUncompressedSize = 22;
inline constexpr size_t kNameLength = 26;
inline constexpr size_t kExtraLength = 28;
}  // namespace local

// Central header: 46 bytes, then name, extra field and entry comment.
namespace central {
inline constexpr size_t kSize = 46;
inline constexpr size_t kVersionMadeBy = 4;  // 1 byte
inline constexpr size_t kHostMadeUnder = 5;  // 1 byte
inline constexpr size_t kVersionNeeded = 6;  // 1 byte
inline constexpr size_t kHostNeeded = 7;     // 1 byte
inline constexpr size_t kFlags = 8;
inline constexpr size_t kMethod = 10;
inline constexpr size_t kTime = 12;
inline constexpr size_t kDate = 14;
inline constexpr size_t kCrc32 = 16;
inline constexpr size_t kCompressedSize = 20;
inline constexpr size_t kUncompressedSize = 24;
inline constexpr size_t kNameLength = 28;
inline constexpr size_t kExtraLength = 30;
inline constexpr size_t kCommentLength = 32;
inline constexpr size_t kDiskStart = 34;
inline constexpr size_t kInternalAttributes = 36;
inline constexpr size_t kExternalAttributes = 38;
inline constexpr size_t kLocalHeaderOffset = 42;
}  // namespace central

// End of central directory: 22 bytes, then the archive comment.
namespace end {
inline constexpr size_t kSize = 22;
inline constexpr size_t kThisDisk = 4;
inline constexpr size_t kDirectoryDisk = 6;
inline constexpr size_t kEntriesThisDisk = 8;
inline constexpr size_t kEntriesTotal = 10;
inline constexpr size_t kDirectorySize = 12;
inline constexpr size_t kDirectoryOffset = 16;
inline constexpr size_t kCommentLength = 20;
// The comment is at most 65,535 bytes, so the record starts at most this far before the end.
inline constexpr uint32_t kMaxDistanceFromEnd = 65535 + kSize;
}  // namespace end

// General-purpose flag bits.
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagImplode8KDictionary = 0x0002;
inline constexpr uint16_t kFlagImplodeThreeTrees = 0x0004;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;
// The entry's name and comment are stored in UTF-8.
inline constexpr uint16_t kFlagUtf8 = 0x0800;

// Compression methods.
inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodShrunk = 1;
inline constexpr uint16_t kMethodReduced1 = 2;
inline constexpr uint16_t kMethodReduced4 = 5;
inline constexpr uint16_t kMethodImploded = 6;
inline constexpr uint16_t kMethodDeflated = 8;

inline constexpr size_t kEncryptionHeaderSize = 12;

// MS-DOS attribute bits in the low byte of the external attributes.
inline constexpr uint8_t kAttrReadOnly = 1;
inline constexpr uint8_t kAttrHidden = 2;
inline constexpr uint8_t kAttrSystem = 4;
inline constexpr uint8_t kAttrFolder = 16;
inline constexpr uint8_t kAttrArchive = 32;

// An entry can be extracted when its method is below 7 or is 8, it needs at most version 2.0,
// and the host byte of its version needed is not 2.
inline bool IsExtractable(uint16_t method, uint8_t versionNeeded, uint8_t hostNeeded) {
  return (method < 7 || method == kMethodDeflated) && versionNeeded <= 20 && hostNeeded != 2;
}

// The made-under value reported for a host byte: 0-8 and 11 as they are, any other value 9.
inline uint8_t ReportedHost(uint8_t host) { return (host <= 8 || host == 11) ? host : 9; }

}  // namespace zip
