#include "base/memblock.h"

void* CZMemBlock::Alloc(DWORD size, UINT flags) {
  Free();
  dwRequested_ = size;
  hMem_ = GlobalAlloc(flags, size);
  if (hMem_ == nullptr) return nullptr;
  pData_ = GlobalLock(hMem_);
  if (pData_ != nullptr) {
    SIZE_T actual = GlobalSize(hMem_);
    // A block larger than a DWORD can count is still at least what was asked for.
    dwSize_ = actual > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(actual);
  }
  return pData_;
}

void CZMemBlock::Free() {
  if (pData_ != nullptr) GlobalUnlock(hMem_);
  if (hMem_ != nullptr) GlobalFree(hMem_);
  hMem_ = nullptr;
  pData_ = nullptr;
  dwSize_ = 0;
  dwRequested_ = 0;
}
