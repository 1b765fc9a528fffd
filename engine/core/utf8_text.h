// Well-formed UTF-8, as names and comments are stored by writers that set general-purpose flag
// bit 11. Only a text that passes this check is decoded; any other keeps its bytes as they are.
// Header only: the self-extractor stub uses it too.
#pragma once

#include <cstddef>
#include <cstdint>

// True when the bytes are well-formed UTF-8: every character in its shortest form, no surrogate
// code points (U+D800 to U+DFFF), nothing above U+10FFFF, no sequence cut short. An empty text and
// plain ASCII are well-formed.
inline bool IsWellFormedUtf8(const uint8_t* bytes, size_t length) {
  size_t i = 0;
  while (i < length) {
    const uint8_t lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t more;
    uint8_t low = 0x80;  // the range of the first continuation byte
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      more = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      more = 2;
      if (lead == 0xE0) low = 0xA0;   // shorter forms would fit in two bytes
      if (lead == 0xED) high = 0x9F;  // U+D800 and above are surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      more = 3;
      if (lead == 0xF0) low = 0x90;   // shorter forms would fit in three bytes
      if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;  // a continuation byte in lead position, C0, C1, F5 to FF
    }
    if (length - i <= more) return false;
    if (bytes[i + 1] < low || bytes[i + 1] > high) return false;
    for (size_t k = 2; k <= more; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
    }
    i += more + 1;
  }
  return true;
}

// True when one of the bytes is not ASCII (a text of ASCII alone reads the same in every code
// page the system uses).
inline bool HasNonAscii(const uint8_t* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (bytes[i] >= 0x80) return true;
  }
  return false;
}
