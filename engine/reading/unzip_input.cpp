// The buffered archive input of CZUnzip: the archive is read in blocks of 24,576 bytes that
// start at multiples of the block size; reads, seeks and skips inside the current block do not
// touch the file. The entry's data is fetched byte by byte or in runs, never past its
// compressed size, and passes the decryption hook as each block is read.
#include <cstdlib>
#include <cstring>

#include "core/zip_records.h"
#include "reading/czunzip.h"

BOOL CZUnzip::LoadBlock(int64_t blockStart) {
  if (!archive_.IsOpen() || input_ == nullptr || blockStart < 0 ||
      blockStart > kUnzipMaxArchiveSize) {
    return FALSE;
  }
  LARGE_INTEGER target;
  target.QuadPart = blockStart;
  if (!SetFilePointerEx(archive_.Handle(), target, nullptr, FILE_BEGIN)) return FALSE;
  DWORD got = 0;
  if (!archive_.Read(input_, kInputBlockSize, &got) || got == 0) return FALSE;
  blockPosition_ = blockStart;
  blockCount_ = got;
  inputPointer_ = input_;
  bytesLeft_ = got;
  return TRUE;
}

int64_t CZUnzip::InputPosition() const {
  if (blockPosition_ < 0) return 0;
  return blockPosition_ + (static_cast<int64_t>(blockCount_) - bytesLeft_);
}

long CZUnzip::ReadBytes(void* destination, long n) {
  auto* out = static_cast<uint8_t*>(destination);
  long copied = 0;
  while (copied < n) {
    if (bytesLeft_ <= 0) {
      const int64_t next = blockPosition_ < 0 ? 0 : blockPosition_ + kInputBlockSize;
      if (!LoadBlock(next)) break;
    }
    const long wanted = n - copied;
    const long take = bytesLeft_ < wanted ? static_cast<long>(bytesLeft_) : wanted;
    std::memcpy(out + copied, inputPointer_, static_cast<size_t>(take));
    inputPointer_ += take;
    bytesLeft_ -= take;
    copied += take;
  }
  return copied;
}

int CZUnzip::SeekTo(int64_t target) {
  if (target < 0) return kUnzipWarning;
  if (target > kUnzipMaxArchiveSize) return kUnzipBadArchive;
  const int64_t blockStart = target - target % kInputBlockSize;
  const auto offset = static_cast<uint32_t>(target % kInputBlockSize);
  if (blockStart != blockPosition_ || blockPosition_ < 0) {
    if (!LoadBlock(blockStart)) return kUnzipBadArchive;
  }
  // A short last block holds less than a whole block: a target past its data is past the end
  // of the file.
  if (offset > blockCount_) return kUnzipBadArchive;
  inputPointer_ = input_ + offset;
  bytesLeft_ = static_cast<int64_t>(blockCount_) - offset;
  return kUnzipOk;
}

int CZUnzip::SkipBytes(long n) {
  if (n == 0) return kUnzipOk;
  return SeekTo(InputPosition() + n);
}

void CZUnzip::FreeExtraField() {
  std::free(extraField_);
  extraField_ = nullptr;
  extraFieldLength_ = 0;
}

int CZUnzip::ReadExtraField(unsigned n) {
  FreeExtraField();
  if (n == 0) return kUnzipOk;
  auto* block = static_cast<uint8_t*>(std::malloc(n));
  if (block == nullptr) return SkipBytes(static_cast<long>(n));
  if (ReadBytes(block, static_cast<long>(n)) != static_cast<long>(n)) {
    std::free(block);
    return kUnzipBadArchive;
  }
  extraField_ = block;
  extraFieldLength_ = n;
  return kUnzipOk;
}

void CZUnzip::DecryptRefill(uint8_t* data, size_t n) {
  if (decryptRefills_ && (local_.flags & zip::kFlagEncrypted) != 0) DecryptBuffer(keys_, data, n);
}

BOOL CZUnzip::RefillEntryBlock(int64_t entryBytes) {
  const int64_t next = blockPosition_ < 0 ? 0 : blockPosition_ + kInputBlockSize;
  if (!LoadBlock(next)) return FALSE;
  // Only the entry's own bytes are decrypted: what follows it in the block is other records.
  const int64_t own = entryBytes < blockCount_ ? entryBytes : blockCount_;
  if (own > 0) DecryptRefill(input_, static_cast<size_t>(own));
  return TRUE;
}

int CZUnzip::FillInputBuffer(uint16_t* byte) {
  if (compressedLeft_ < 1) return 0;
  --compressedLeft_;
  if (bytesLeft_ <= 0 && !RefillEntryBlock(compressedLeft_ + 1)) return 0;
  *byte = *inputPointer_++;
  --bytesLeft_;
  return 8;
}

void CZUnzip::FillBitBuffer() {
  endOfInput_ = TRUE;
  while (bitCount_ < 25) {
    uint16_t byte = 0;
    if (FillInputBuffer(&byte) != 8) break;
    endOfInput_ = FALSE;
    bitBuffer_ |= static_cast<uint32_t>(byte) << bitCount_;
    bitCount_ += 8;
  }
}

size_t CZUnzip::NextInputRun(const uint8_t** run) {
  if (compressedLeft_ < 1) return 0;
  if (bytesLeft_ <= 0 && !RefillEntryBlock(compressedLeft_)) return 0;
  const int64_t n = bytesLeft_ < compressedLeft_ ? bytesLeft_ : compressedLeft_;
  *run = inputPointer_;
  inputPointer_ += n;
  bytesLeft_ -= n;
  compressedLeft_ -= n;
  return static_cast<size_t>(n);
}
