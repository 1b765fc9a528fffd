// CZMemBlock: one global-memory block, locked for as long as the object holds it. The engine's
// temporary buffers (input and output buffers, name buffers, copy buffers) are such blocks;
// callers ask for GMEM_MOVEABLE | GMEM_ZEROINIT (kZeroFilledMovable) so a new block is zero-filled.
#pragma once

#include <windows.h>

inline constexpr UINT kZeroFilledMovable = GMEM_MOVEABLE | GMEM_ZEROINIT;  // 0x42

class CZMemBlock {
 public:
  CZMemBlock() = default;
  ~CZMemBlock() { Free(); }
  CZMemBlock(const CZMemBlock&) = delete;
  CZMemBlock& operator=(const CZMemBlock&) = delete;

  // Allocates and locks size bytes; returns the locked pointer, null on failure. A block already
  // held is released first, so a second Alloc never leaks the first block.
  void* Alloc(DWORD size, UINT flags);
  // Unlocks and frees the block; all members become 0. Harmless on an empty object.
  void Free();

  // The block may be used: locked, and at least as large as asked for.
  bool IsUsable() const { return pData_ != nullptr && hMem_ != nullptr && dwSize_ >= dwRequested_; }

  HGLOBAL Handle() const { return hMem_; }
  void* Data() const { return pData_; }
  char* Chars() const { return static_cast<char*>(pData_); }
  DWORD Size() const { return dwSize_; }            // GlobalSize after the lock, 0 when it failed
  DWORD Requested() const { return dwRequested_; }  // what Alloc was asked for

 private:
  HGLOBAL hMem_ = nullptr;
  void* pData_ = nullptr;
  DWORD dwSize_ = 0;
  DWORD dwRequested_ = 0;
};
