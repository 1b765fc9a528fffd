#include "core/cipher.h"

#include "core/crc32.h"

namespace {

constexpr uint32_t kKeyMultiplier = 134775813u;

// The key step with the byte table already at hand, so buffer loops fetch it once.
inline void Stir(CipherKeys& keys, const uint32_t* table, uint8_t plain) {
  keys.key0 = table[(keys.key0 ^ plain) & 0xFF] ^ (keys.key0 >> 8);
  keys.key1 = (keys.key1 + (keys.key0 & 0xFF)) * kKeyMultiplier + 1;  // modulo 2^32
  keys.key2 = table[(keys.key2 ^ (keys.key1 >> 24)) & 0xFF] ^ (keys.key2 >> 8);
}

inline uint8_t Keystream(const CipherKeys& keys) {
  // Only the low 16 bits matter; OR 2 keeps the product from collapsing to 0.
  const uint32_t t = (keys.key2 & 0xFFFF) | 2;
  return static_cast<uint8_t>(((t * (t ^ 1)) & 0xFFFF) >> 8);
}

}  // namespace

void InitKeys(CipherKeys& keys, std::string_view password) {
  keys.key0 = 0x12345678u;
  keys.key1 = 0x23456789u;
  keys.key2 = 0x34567890u;
  const uint32_t* table = Crc32Table();
  for (char c : password) Stir(keys, table, static_cast<uint8_t>(c));
}

void UpdateKeys(CipherKeys& keys, uint8_t plain) { Stir(keys, Crc32Table(), plain); }

uint8_t DecryptByte(const CipherKeys& keys) { return Keystream(keys); }

uint8_t DecryptAndUpdate(CipherKeys& keys, uint8_t cipherByte) {
  const uint8_t plain = cipherByte ^ Keystream(keys);
  Stir(keys, Crc32Table(), plain);
  return plain;
}

uint8_t EncryptAndUpdate(CipherKeys& keys, uint8_t plain) {
  const uint8_t cipherByte = plain ^ Keystream(keys);
  Stir(keys, Crc32Table(), plain);
  return cipherByte;
}

void DecryptBuffer(CipherKeys& keys, uint8_t* data, size_t n) {
  const uint32_t* table = Crc32Table();
  for (size_t i = 0; i < n; ++i) {
    data[i] ^= Keystream(keys);
    Stir(keys, table, data[i]);
  }
}

void EncryptBuffer(CipherKeys& keys, uint8_t* data, size_t n) {
  const uint32_t* table = Crc32Table();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t plain = data[i];
    data[i] ^= Keystream(keys);
    Stir(keys, table, plain);
  }
}

bool EncryptionHeaderAccepted(const uint8_t (&plainHeader)[kEncryptionHeaderSize], uint32_t crc32,
                              uint16_t dosTime) {
  const uint8_t b10 = plainHeader[10];
  const uint8_t b11 = plainHeader[11];
  const uint16_t word = static_cast<uint16_t>(b10 | (b11 << 8));
  return word == dosTime || word == static_cast<uint16_t>(crc32 >> 16) ||
         b11 == static_cast<uint8_t>(crc32 >> 24) || b11 == static_cast<uint8_t>(dosTime >> 8);
}

bool CheckEncryptionHeader(CipherKeys& keys, std::string_view password,
                           const uint8_t (&storedHeader)[kEncryptionHeaderSize], uint32_t crc32,
                           uint16_t dosTime) {
  if (password.empty()) return false;
  InitKeys(keys, password);
  uint8_t plain[kEncryptionHeaderSize];
  for (size_t i = 0; i < kEncryptionHeaderSize; ++i) plain[i] = storedHeader[i];
  DecryptBuffer(keys, plain, kEncryptionHeaderSize);
  return EncryptionHeaderAccepted(plain, crc32, dosTime);
}
