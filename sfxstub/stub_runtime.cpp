// What the compiler may call in a program that links no C runtime: the memory and string
// primitives, and the pieces of the C++ ABI that classes with virtual functions refer to. Built
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

size_t strlen(const char* text) {
  size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

// Called only through a damaged object: nothing sensible can follow.
void __cxa_pure_virtual() { ExitProcess(255); }

}  // extern "C"

// The stub (and Kobu, which builds this file too) never allocates with new: objects live on the
// stack or in static storage. The deleting destructors of classes with virtual destructors still
// name these.
void operator delete(void*) noexcept {}
void operator delete(void*, size_t) noexcept {}
