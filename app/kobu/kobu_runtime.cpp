// What the compiler may call in a program that links no C runtime: the memory primitives. Built
// with loop-to-library-call rewriting off, so that memset is not turned into a call to itself.
#include <windows.h>

#include <cstddef>

extern "C" {

void* memset(void* destination, int value, size_t n) {
  auto* d = static_cast<unsigned char*>(destination);
  while (n-- > 0) *d++ = static_cast<unsigned char>(value);
  return destination;
}

void* memcpy(void* destination, const void* source, size_t n) {
  auto* d = static_cast<unsigned char*>(destination);
  const auto* s = static_cast<const unsigned char*>(source);
  while (n-- > 0) *d++ = *s++;
  return destination;
}

void* memmove(void* destination, const void* source, size_t n) {
  auto* d = static_cast<unsigned char*>(destination);
  const auto* s = static_cast<const unsigned char*>(source);
  if (d < s) {
    while (n-- > 0) *d++ = *s++;
  } else {
    while (n-- > 0) d[n] = s[n];
  }
  return destination;
}

int memcmp(const void* a, const void* b, size_t n) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (; n > 0; --n, ++x, ++y) {
    if (*x != *y) return *x < *y ? -1 : 1;
  }
  return 0;
}

}  // extern "C"
