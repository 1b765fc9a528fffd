#include "stub_archive.h"

#include "core/le_fields.h"
#include "core/zip_records.h"
#include "stub_settings.h"

namespace {

class FileReader : public PositionedReader {
 public:
  explicit FileReader(HANDLE file) : file_(file) {}
  int64_t ReadAt(uint32_t pos, uint8_t* destination, uint32_t n) override {
    if (SetFilePointer(file_, static_cast<LONG>(pos), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
      return -1;
    }
    DWORD got = 0;
    if (!ReadFile(file_, destination, n, &got, nullptr)) return -1;
    return got;
  }

 private:
  HANDLE file_;
};

}  // namespace

bool StubArchive::Open(const char* path, bool* noMemory) {
  *noMemory = false;
  Close();
  block_ = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, kInputBlockSize + kInputHoldBytes));
  if (block_ == nullptr) {
    *noMemory = true;
    return false;
  }
  file_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD low = GetFileSize(file_, &high);
  if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0) {
    Close();
    return false;
  }
  size_ = low;
  blockLength_ = 0;
  position_ = 0;
  return true;
}

void StubArchive::Close() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  if (block_ != nullptr) HeapFree(GetProcessHeap(), 0, block_);
  block_ = nullptr;
  blockLength_ = 0;
}

bool StubArchive::Load(uint32_t blockStart) {
  blockLength_ = 0;
  FileReader reader(file_);
  const uint32_t wanted =
      size_ - blockStart < kInputBlockSize ? size_ - blockStart : kInputBlockSize;
  if (reader.ReadAt(blockStart, block_, wanted) != static_cast<int64_t>(wanted)) return false;
  blockStart_ = blockStart;
  blockLength_ = wanted;
  return true;
}

uint32_t StubArchive::NextRun(uint8_t** run, uint32_t limit) {
  if (position_ >= size_ || limit == 0) return 0;
  if (blockLength_ == 0 || position_ < blockStart_ || position_ - blockStart_ >= blockLength_) {
    if (!Load(position_ - position_ % kInputBlockSize)) return 0;
  }
  const uint32_t inBlock = position_ - blockStart_;
  uint32_t n = blockLength_ - inBlock;
  if (n > limit) n = limit;
  *run = block_ + inBlock;
  position_ += n;
  return n;
}

bool StubArchive::Read(void* destination, uint32_t n) {
  auto* out = static_cast<uint8_t*>(destination);
  while (n > 0) {
    uint8_t* run;
    const uint32_t got = NextRun(&run, n);
    if (got == 0) return false;
    for (uint32_t i = 0; i < got; ++i) out[i] = run[i];
    out += got;
    n -= got;
  }
  return true;
}

bool StubArchive::Skip(uint32_t n) {
  if (n > size_ - (position_ < size_ ? position_ : size_)) return false;
  position_ += n;
  return true;
}

int StubArchive::FindEndRecord(uint32_t* entries, uint32_t* directoryStart, uint32_t* prefix,
                               bool* nothingToRead) {
  *entries = 0;
  *directoryStart = 0;
  *prefix = 0;
  *nothingToRead = false;
  if (size_ == 0) {
    *nothingToRead = true;
    return kEndRecordOk;
  }
  FileReader reader(file_);
  uint32_t at = 0;
  blockLength_ = 0;  // the search uses the block as scratch
  if (!FindEndRecordSignature(reader, size_, block_, &at)) return kEndRecordDamaged;
  // The stub's own image holds the signature bytes among its constants: a record can only stand
  // in the archive, behind the stub and its settings block.
  if (at < kStubSize + kSettingsBlockSize) return kEndRecordDamaged;
  uint8_t record[zip::end::kSize];
  if (reader.ReadAt(at, record, sizeof record) != static_cast<int64_t>(sizeof record)) {
    return kEndRecordDamaged;
  }
  *entries = GetLE16(record + zip::end::kEntriesTotal);
  const uint32_t directorySize = GetLE32(record + zip::end::kDirectorySize);
  uint32_t directoryOffset = GetLE32(record + zip::end::kDirectoryOffset);
  if (directorySize == 0 && directoryOffset == 0) {
    *nothingToRead = true;
    return kEndRecordWarning;
  }
  // P = position - size - offset, below 0 when the record claims more than lies in front of it.
  const uint64_t claimed = static_cast<uint64_t>(directorySize) + directoryOffset;
  if (claimed > at) return kEndRecordDamaged;
  uint32_t p = at - static_cast<uint32_t>(claimed);
  int result = kEndRecordOk;
  if (p > 0) {
    result = kEndRecordWarning;
    if (directoryOffset == 0) {
      directoryOffset = p;
      p = 0;
    }
  }
  uint8_t signature[4];
  Seek(directoryOffset + p);
  if (!Read(signature, 4) || !zip::HasSignature(signature, zip::kCentralSignature)) {
    Seek(directoryOffset);
    if (!Read(signature, 4) || !zip::HasSignature(signature, zip::kCentralSignature)) {
      return kEndRecordDamaged;
    }
    p = 0;
    result = kEndRecordWarning;
  }
  *prefix = p;
  *directoryStart = directoryOffset + p;
  Seek(*directoryStart);
  return result;
}

int CountStubEntries(const char* path) {
  StubArchive archive;
  bool noMemory;
  if (!archive.Open(path, &noMemory)) return -1;
  uint32_t entries, start, prefix;
  bool nothing;
  const int result = archive.FindEndRecord(&entries, &start, &prefix, &nothing);
  if (result > kEndRecordWarning) return -1;
  return static_cast<int>(entries);
}
