// The traditional ZIP stream cipher: three 32-bit keys stirred by every plain byte through the
// CRC-32 byte table and a linear congruential step, and a keystream byte drawn from the third key.
// Encrypted entry data starts with a 12-byte header whose last bytes let a reader check a
// password before decrypting the rest.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

struct CipherKeys {
  uint32_t key0 = 0;
  uint32_t key1 = 0;
  uint32_t key2 = 0;
};

inline constexpr size_t kEncryptionHeaderSize = 12;

// Sets the starting keys and stirs in each password byte in order (the password's ANSI bytes).
void InitKeys(CipherKeys& keys, std::string_view password);

// Stirs one plain byte into the keys.
void UpdateKeys(CipherKeys& keys, uint8_t plain);

// The keystream byte for the next data byte; the keys do not change.
uint8_t DecryptByte(const CipherKeys& keys);

// Decrypts one byte and stirs the plain byte in; returns the plain byte.
uint8_t DecryptAndUpdate(CipherKeys& keys, uint8_t cipherByte);

// Encrypts one byte: the keystream byte is taken before the plain byte is stirred in.
uint8_t EncryptAndUpdate(CipherKeys& keys, uint8_t plain);

// The same over n bytes in place.
void DecryptBuffer(CipherKeys& keys, uint8_t* data, size_t n);
void EncryptBuffer(CipherKeys& keys, uint8_t* data, size_t n);

// Whether a decrypted encryption header vouches for the password of an entry with this CRC-32
// and MS-DOS time (local header fields). Writers put the CRC's top 16 bits in bytes 10 and 11;
// writers that give the CRC only after the data put the time there instead, and some put just one
// check byte in byte 11, so any one of the four matches is accepted.
bool EncryptionHeaderAccepted(const uint8_t (&plainHeader)[kEncryptionHeaderSize], uint32_t crc32,
                              uint16_t dosTime);

// The whole password check of an entry: an empty password is refused; otherwise the keys are
// initialised from the password and a copy of the stored (still encrypted) header is decrypted
// and judged. On acceptance the keys stand at the entry's first data byte (on refusal they are of
// no use); the stored header is never changed, so the check can be repeated with another password.
bool CheckEncryptionHeader(CipherKeys& keys, std::string_view password,
                           const uint8_t (&storedHeader)[kEncryptionHeaderSize], uint32_t crc32,
                           uint16_t dosTime);
