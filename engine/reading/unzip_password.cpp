// Traditional decryption on the reading side: the entry's 12-byte encryption header is read as
// stored, the password is checked against it, and from then on every refill of the entry's
// input block is decrypted (unzip_input.cpp) with the keys the check leaves behind.
#include "core/cipher.h"
#include "reading/czunzip.h"

BOOL CZUnzip::ReadEncryptionHeader(uint8_t (&header)[kEncryptionHeaderSize]) {
  // The keys of this entry do not exist yet: a refill while the header is read stays as stored.
  // The flag word is left alone, so later refills are decrypted and the method-6 bits survive.
  decryptRefills_ = FALSE;
  for (uint8_t& b : header) {
    uint16_t byte = 0;
    if (FillInputBuffer(&byte) != 8) return FALSE;
    b = static_cast<uint8_t>(byte);
  }
  return TRUE;
}

BOOL CZUnzip::CheckPassword(const uint8_t (&header)[kEncryptionHeaderSize]) {
  decryptRefills_ = FALSE;
  // Fresh keys from the password and the untouched header copy on every check, so a check after
  // a Retry does not depend on the one before; the input does not move.
  if (!CheckEncryptionHeader(keys_, password_, header, local_.crc32, local_.time)) {
    currentResult_ = kUnzipWarning;
    return FALSE;
  }
  // The keys stand at the first data byte: decrypt what of the entry the block already holds.
  const int64_t held = bytesLeft_ < compressedLeft_ ? bytesLeft_ : compressedLeft_;
  if (held > 0 && inputPointer_ != nullptr) {
    DecryptBuffer(keys_, inputPointer_, static_cast<size_t>(held));
  }
  decryptRefills_ = TRUE;
  currentResult_ = kUnzipOk;
  return TRUE;
}
