#include "stub_extract.h"

#include <windows.h>

#include "core/cipher.h"
#include "core/crc32_kernels.h"
#include "core/decoder_io.h"
#include "core/le_fields.h"
#include "core/zip_records.h"
#include "inflate/stub_inflate.h"
#include "stub_archive.h"
#include "stub_text.h"

uint64_t ExtractorHost::FreeBytes(const char* folder) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExA(folder, &available, &total, &free)) return 0;
  return available.QuadPart > 8192 ? available.QuadPart - 8192 : 0;
}

namespace {

constexpr uint32_t kOutputBlockSize = 0x6000;
constexpr unsigned kBatchSize = 64;
constexpr size_t kLongestName = 259;
// A name stored in UTF-8 takes up to 4 bytes a character: one stored in more bytes than this has
// more characters than the longest name.
constexpr size_t kLongestUtf8Name = 4 * kLongestName;

// What the central directory tells about an entry whose local header is read later.
struct KeptEntry {
  uint32_t localOffset;
  uint32_t attributes;
  uint32_t crc;
  uint32_t compressedSize;
  uint32_t uncompressedSize;
};

class HeapMemory : public StubInflateMemory {
 public:
  void* Allocate(size_t bytes) override { return HeapAlloc(GetProcessHeap(), 0, bytes); }
  void Release(void* block) override { HeapFree(GetProcessHeap(), 0, block); }
};

void ToAnsi(const char* oem, char* ansi, size_t capacity) {
  TextCopy(ansi, capacity, oem);
  OemToCharBuffA(ansi, ansi, static_cast<DWORD>(TextLength(ansi)));
}

bool IsFolder(const char* ansi) {
  const DWORD attributes = GetFileAttributesA(ansi);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A folder that exists, or is made now (one level); false when the name is taken by a file or the
// folder cannot be made.
bool MakeFolder(const char* ansi) {
  const DWORD attributes = GetFileAttributesA(ansi);
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return CreateDirectoryA(ansi, nullptr) || IsFolder(ansi);
}

class Extraction;

class EntryInput : public DecoderInput {
 public:
  EntryInput(StubArchive& archive, uint32_t size, CipherKeys* keys, const bool& writeStop)
      : archive_(archive), remaining_(size), keys_(keys), writeStop_(writeStop) {}
  size_t NextRun(const uint8_t** run) override {
    if (remaining_ == 0 || writeStop_) return 0;
    uint8_t* bytes;
    const uint32_t n = archive_.NextRun(&bytes, remaining_);
    if (n == 0) {
      readError = true;
      return 0;
    }
    if (keys_ != nullptr) DecryptBuffer(*keys_, bytes, n);
    remaining_ -= n;
    *run = bytes;
    return n;
  }
  bool readError = false;

 private:
  StubArchive& archive_;
  uint32_t remaining_;
  CipherKeys* keys_;
  const bool& writeStop_;
};

class Extraction {
 public:
  explicit Extraction(ExtractorHost& host) : host_(host) {}
  ~Extraction();
  Extraction(const Extraction&) = delete;
  Extraction& operator=(const Extraction&) = delete;

  int Run(const char* ownPath, const char* target, int overwriteMode);

  // The output writer: gathers bytes in the output block; each write keeps the CRC and reports
  // progress. Nothing more is taken once the write stop is set.
  void Output(const uint8_t* data, size_t n);
  void Pump() { host_.Pump(); }

 private:
  int Driver(uint32_t entries, uint32_t directoryStart, int searchResult);
  int HandleEntry(const KeptEntry& kept);
  int ExtractData(const char* name, const char* fullAnsi, uint16_t method, uint32_t dataSize,
                  CipherKeys* keys, uint32_t crc, uint32_t uncompressedSize, bool existing,
                  uint32_t attributes);
  bool ReadName(uint16_t length, uint16_t flags, char* name, bool* cut);
  bool CheckPassword(const char* name, const uint8_t (&header)[12], uint32_t crc, uint16_t time,
                     CipherKeys* keys, bool* passOver);
  bool Decide(const char* fullOem, const char* fullAnsi, uint16_t date, uint16_t time,
              bool* existing);
  void FlushOutput();
  void DropTemporary();

  ExtractorHost& host_;
  StubArchive archive_;
  uint8_t* output_ = nullptr;
  uint8_t* window_ = nullptr;
  KeptEntry* batch_ = nullptr;
  char* utf8Name_ = nullptr;     // kLongestUtf8Name bytes: a name as stored in UTF-8
  wchar_t* wideName_ = nullptr;  // kLongestUtf8Name units: the same decoded
  uint32_t prefix_ = 0;
  char savedFolder_[MAX_PATH + 1] = {};
  char targetOem_[kStubPathCapacity] = {};  // ends with '\'
  char targetAnsi_[kStubPathCapacity] = {};
  char password_[kStubPasswordCapacity] = {};
  bool overwriteAll_ = false;
  bool skipAll_ = false;
  bool update_ = false;
  bool never_ = false;
  bool writeStop_ = false;
  // The entry being written.
  HANDLE temporary_ = INVALID_HANDLE_VALUE;
  char temporaryName_[MAX_PATH + 1] = {};
  const char* entryName_ = "";
  uint32_t outputFill_ = 0;
  uint32_t crc_ = 0;
  uint64_t written_ = 0;
  uint32_t expectedSize_ = 0;
};

class EntryOutput : public DecoderOutput {
 public:
  explicit EntryOutput(Extraction& extraction) : extraction_(extraction) {}
  void Write(const uint8_t* data, size_t n) override { extraction_.Output(data, n); }
  void BlockDone() override { extraction_.Pump(); }

 private:
  Extraction& extraction_;
};

Extraction::~Extraction() {
  DropTemporary();
  archive_.Close();
  if (output_ != nullptr) HeapFree(GetProcessHeap(), 0, output_);
  if (window_ != nullptr) HeapFree(GetProcessHeap(), 0, window_);
  if (batch_ != nullptr) HeapFree(GetProcessHeap(), 0, batch_);
  if (utf8Name_ != nullptr) HeapFree(GetProcessHeap(), 0, utf8Name_);
  if (wideName_ != nullptr) HeapFree(GetProcessHeap(), 0, wideName_);
  if (savedFolder_[0] != '\0') SetCurrentDirectoryA(savedFolder_);
}

void Extraction::DropTemporary() {
  if (temporary_ != INVALID_HANDLE_VALUE) CloseHandle(temporary_);
  temporary_ = INVALID_HANDLE_VALUE;
  if (temporaryName_[0] != '\0') DeleteFileA(temporaryName_);
  temporaryName_[0] = '\0';
}

int Extraction::Run(const char* ownPath, const char* target, int overwriteMode) {
  HANDLE heap = GetProcessHeap();
  output_ = static_cast<uint8_t*>(HeapAlloc(heap, 0, kOutputBlockSize));
  window_ = static_cast<uint8_t*>(HeapAlloc(heap, 0, kDecoderWindowSize));
  batch_ = static_cast<KeptEntry*>(HeapAlloc(heap, 0, kBatchSize * sizeof(KeptEntry)));
  utf8Name_ = static_cast<char*>(HeapAlloc(heap, 0, kLongestUtf8Name));
  wideName_ = static_cast<wchar_t*>(HeapAlloc(heap, 0, kLongestUtf8Name * sizeof(wchar_t)));
  if (output_ == nullptr || window_ == nullptr || batch_ == nullptr || utf8Name_ == nullptr ||
      wideName_ == nullptr) {
    return kStubExtractNoMemory;
  }
  bool noMemory = false;
  if (!archive_.Open(ownPath, &noMemory)) {
    return noMemory ? kStubExtractNoMemory : kStubExtractNoArchive;
  }

  const DWORD saved = GetCurrentDirectoryA(sizeof savedFolder_, savedFolder_);
  if (saved == 0 || saved >= sizeof savedFolder_) savedFolder_[0] = '\0';
  // An empty target would be the current folder; one that cannot be made gets nothing.
  if (!TextCopy(targetOem_, sizeof targetOem_, target) || targetOem_[0] == '\0') {
    host_.CantCreateFolder();
    return kStubExtractCantCreate;
  }
  ToAnsi(targetOem_, targetAnsi_, sizeof targetAnsi_);
  if (!MakeFolder(targetAnsi_) || !SetCurrentDirectoryA(targetAnsi_) ||
      !TextEnsureBackslash(targetOem_, sizeof targetOem_) ||
      !TextEnsureBackslash(targetAnsi_, sizeof targetAnsi_)) {
    host_.CantCreateFolder();
    return kStubExtractCantCreate;
  }

  skipAll_ = overwriteMode == 0;
  overwriteAll_ = overwriteMode == 1;
  update_ = overwriteMode == 3;
  never_ = false;
  password_[0] = '\0';

  uint32_t entries, directoryStart;
  bool nothingToRead;
  const int search = archive_.FindEndRecord(&entries, &directoryStart, &prefix_, &nothingToRead);
  if (search > kEndRecordWarning) return kStubExtractBadData;
  if (nothingToRead) return search;
  return Driver(entries, directoryStart, search);
}

bool Extraction::ReadName(uint16_t length, uint16_t flags, char* name, bool* cut) {
  if ((flags & zip::kFlagUtf8) != 0 && length <= kLongestUtf8Name) {
    if (!archive_.Read(utf8Name_, length)) return false;
    const int decoded = OemFromUtf8(utf8Name_, length, wideName_, name, kLongestName + 1);
    if (decoded >= 0 || decoded == -2) {
      *cut = decoded == -2;
    } else {  // not UTF-8 after all: the bytes as OEM, as without the flag
      *cut = length > kLongestName;
      const uint16_t kept = *cut ? static_cast<uint16_t>(kLongestName) : length;
      for (uint16_t i = 0; i < kept; ++i) name[i] = utf8Name_[i];
      name[kept] = '\0';
    }
  } else {
    *cut = length > kLongestName;
    const uint16_t kept = *cut ? static_cast<uint16_t>(kLongestName) : length;
    if (!archive_.Read(name, kept)) return false;
    name[kept] = '\0';
    if (*cut && !archive_.Skip(length - kept)) return false;
  }
  UpperCaseOemText(name);
  for (char* p = name; *p != '\0'; ++p) {
    if (*p == '/') *p = '\\';
  }
  return true;
}

int Extraction::Driver(uint32_t entries, uint32_t directoryStart, int searchResult) {
  int latest = 0;
  uint32_t remaining = entries;
  archive_.Seek(directoryStart);
  while (remaining > 0 && !host_.StopRequested()) {
    unsigned kept = 0;
    for (unsigned read = 0; read < kBatchSize && remaining > 0; ++read) {
      uint8_t header[zip::central::kSize];
      if (!archive_.Read(header, sizeof header) ||
          !zip::HasSignature(header, zip::kCentralSignature) ||
          !archive_.Skip(static_cast<uint32_t>(GetLE16(header + zip::central::kNameLength)) +
                         GetLE16(header + zip::central::kExtraLength) +
                         GetLE16(header + zip::central::kCommentLength))) {
        // The listing ends; the entries kept so far are still extracted.
        latest = kStubExtractDamaged;
        remaining = 0;
        break;
      }
      --remaining;
      const uint16_t method = GetLE16(header + zip::central::kMethod);
      if (!zip::IsExtractable(method, header[zip::central::kVersionNeeded],
                              header[zip::central::kHostNeeded])) {
        latest = kStubExtractSkipped;  // passed over without a message
        continue;
      }
      KeptEntry& entry = batch_[kept++];
      entry.localOffset = GetLE32(header + zip::central::kLocalHeaderOffset);
      entry.attributes = GetLE32(header + zip::central::kExternalAttributes);
      entry.crc = GetLE32(header + zip::central::kCrc32);
      entry.compressedSize = GetLE32(header + zip::central::kCompressedSize);
      entry.uncompressedSize = GetLE32(header + zip::central::kUncompressedSize);
    }
    const uint32_t directoryPosition = archive_.position();
    for (unsigned i = 0; i < kept; ++i) {
      const int result = HandleEntry(batch_[i]);
      if (result != 0) {
        latest = result;
        if (writeStop_) return result;
      }
    }
    archive_.Seek(directoryPosition);
  }
  return latest != 0 ? latest : searchResult;
}

bool Extraction::CheckPassword(const char* name, const uint8_t (&header)[12], uint32_t crc,
                               uint16_t time, CipherKeys* keys, bool* passOver) {
  *passOver = false;
  for (;;) {
    if (CheckEncryptionHeader(*keys, password_, header, crc, time)) return true;
    if (never_) break;
    const int answer = host_.AskPassword(name, password_);
    password_[kStubPasswordCapacity - 1] = '\0';
    if (answer == kPasswordRetry) continue;
    if (answer == kPasswordNever) never_ = true;
    break;
  }
  *passOver = true;
  return false;
}

// Whether the entry is to be written over what its path holds now. *existing: a file is there.
bool Extraction::Decide(const char* fullOem, const char* fullAnsi, uint16_t date, uint16_t time,
                        bool* existing) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  *existing = GetFileAttributesExA(fullAnsi, GetFileExInfoStandard, &data) != 0;
  if (!*existing) return true;
  // The entry's time is local time; the file's time is rounded up to an even second.
  FILETIME local = {}, entryTime = {};
  if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &entryTime)) {
    entryTime = {};
  }
  ULARGE_INTEGER entry, file;
  entry.LowPart = entryTime.dwLowDateTime;
  entry.HighPart = entryTime.dwHighDateTime;
  file.LowPart = data.ftLastWriteTime.dwLowDateTime;
  file.HighPart = data.ftLastWriteTime.dwHighDateTime;
  constexpr uint64_t kTwoSeconds = 20000000;
  file.QuadPart = (file.QuadPart + kTwoSeconds - 1) / kTwoSeconds * kTwoSeconds;
  const bool older = file.QuadPart < entry.QuadPart;

  bool ask;
  if (older) {
    if (skipAll_ && !update_) return false;
    ask = !overwriteAll_ && !update_;
  } else {
    if (skipAll_ || update_) return false;
    ask = !overwriteAll_;
  }
  if (!ask) return true;
  switch (host_.AskReplace(fullOem, older)) {
    case kReplaceYes:
      return true;
    case kReplaceAlways:
      overwriteAll_ = true;
      skipAll_ = false;
      return true;
    case kReplaceNever:
      skipAll_ = true;
      overwriteAll_ = false;
      return false;
    default:
      return false;
  }
}

int Extraction::HandleEntry(const KeptEntry& kept) {
  if (host_.StopRequested()) return 0;
  const uint64_t at = static_cast<uint64_t>(kept.localOffset) + prefix_;
  if (at >= archive_.size()) return kStubExtractDamaged;
  archive_.Seek(static_cast<uint32_t>(at));
  uint8_t header[zip::local::kSize];
  if (!archive_.Read(header, sizeof header) || !zip::HasSignature(header, zip::kLocalSignature)) {
    return kStubExtractDamaged;
  }
  const uint16_t flags = GetLE16(header + zip::local::kFlags);
  const uint16_t method = GetLE16(header + zip::local::kMethod);
  const uint16_t time = GetLE16(header + zip::local::kTime);
  const uint16_t date = GetLE16(header + zip::local::kDate);
  uint32_t crc = GetLE32(header + zip::local::kCrc32);
  uint32_t compressedSize = GetLE32(header + zip::local::kCompressedSize);
  uint32_t uncompressedSize = GetLE32(header + zip::local::kUncompressedSize);
  if (flags & zip::kFlagDataDescriptor) {
    // The local values were not known when the header was written.
    crc = kept.crc;
    compressedSize = kept.compressedSize;
    uncompressedSize = kept.uncompressedSize;
  }
  char name[kStubPathCapacity];
  bool cut;
  if (!ReadName(GetLE16(header + zip::local::kNameLength), flags, name, &cut) ||
      !archive_.Skip(GetLE16(header + zip::local::kExtraLength))) {
    return kStubExtractDamaged;
  }
  if (cut) return kStubExtractSkipped;  // a cut name would name another file

  char relative[kStubPathCapacity];
  bool folderOnly;
  char fullOem[kStubPathCapacity];
  if (!CleanEntryPath(name, relative, sizeof relative, &folderOnly) ||
      !TextCopy(fullOem, sizeof fullOem, targetOem_) ||
      !TextAppend(fullOem, kStubPathCapacity - 1, relative)) {  // at most 259 characters
    return kStubExtractSkipped;
  }
  char fullAnsi[kStubPathCapacity];
  ToAnsi(fullOem, fullAnsi, sizeof fullAnsi);

  // The entry's folders, each made when missing.
  const size_t targetLength = TextLength(targetAnsi_);
  for (size_t i = targetLength; fullAnsi[i] != '\0'; ++i) {
    if (fullAnsi[i] != '\\') continue;
    fullAnsi[i] = '\0';
    const bool made = MakeFolder(fullAnsi);
    fullAnsi[i] = '\\';
    if (!made) return kStubExtractBadData;
  }
  if (folderOnly) {
    if (relative[0] != '\0' && !MakeFolder(fullAnsi)) return kStubExtractBadData;
    const bool plain = crc == 0 && uncompressedSize == 0 &&
                       (compressedSize == 0 || compressedSize == zip::kEncryptionHeaderSize);
    return plain ? kStubExtractOk : kStubExtractBadData;
  }

  // An unknown method is refused before any file is touched.
  if (method != zip::kMethodStored && method != zip::kMethodDeflated) {
    host_.EntryStarted(false, name);
    host_.UnsupportedMethod();
    return kStubExtractSkipped;
  }

  CipherKeys keys;
  CipherKeys* decrypt = nullptr;
  uint32_t dataSize = compressedSize;
  if (flags & zip::kFlagEncrypted) {
    uint8_t encryption[zip::kEncryptionHeaderSize];
    if (compressedSize < zip::kEncryptionHeaderSize) return kStubExtractBadData;
    if (!archive_.Read(encryption, sizeof encryption)) return kStubExtractDamaged;
    bool passOver;
    if (!CheckPassword(name, encryption, crc, time, &keys, &passOver)) return kStubExtractOk;
    decrypt = &keys;
    dataSize -= zip::kEncryptionHeaderSize;
  }
  const uint32_t dataStart = archive_.position();
  bool existing;
  if (!Decide(fullOem, fullAnsi, date, time, &existing)) return kStubExtractOk;
  if (host_.StopRequested()) return kStubExtractOk;
  archive_.Seek(dataStart);
  return ExtractData(name, fullAnsi, method, dataSize, decrypt, crc, uncompressedSize, existing,
                     kept.attributes);
}

void Extraction::FlushOutput() {
  if (outputFill_ == 0 || writeStop_) {
    outputFill_ = 0;
    return;
  }
  crc_ = UpdateCrc32Table(crc_, output_, outputFill_);
  DWORD done = 0;
  if (!WriteFile(temporary_, output_, outputFill_, &done, nullptr) || done != outputFill_) {
    writeStop_ = true;
  }
  written_ += done;
  outputFill_ = 0;
  int percent = 0;
  if (expectedSize_ != 0) {
    const uint64_t share = written_ * 100 / expectedSize_;
    percent = share > 100 ? 100 : static_cast<int>(share);
  }
  host_.EntryProgress(percent, entryName_);
}

void Extraction::Output(const uint8_t* data, size_t n) {
  while (n > 0 && !writeStop_) {
    uint32_t room = kOutputBlockSize - outputFill_;
    const uint32_t take = n < room ? static_cast<uint32_t>(n) : room;
    for (uint32_t i = 0; i < take; ++i) output_[outputFill_ + i] = data[i];
    outputFill_ += take;
    data += take;
    n -= take;
    if (outputFill_ == kOutputBlockSize) FlushOutput();
  }
}

int Extraction::ExtractData(const char* name, const char* fullAnsi, uint16_t method,
                            uint32_t dataSize, CipherKeys* keys, uint32_t crc,
                            uint32_t uncompressedSize, bool existing, uint32_t attributes) {
  if (host_.FreeBytes(targetAnsi_) < uncompressedSize) {
    writeStop_ = true;
    return kStubExtractDiskFull;
  }
  // The data go to a temporary file beside the output, which takes the name once they are proven.
  char folder[kStubPathCapacity];
  TextCopy(folder, sizeof folder, fullAnsi);
  for (size_t i = TextLength(folder); i > 0; --i) {
    if (folder[i - 1] == '\\') {
      folder[i] = '\0';
      break;
    }
  }
  if (!GetTempFileNameA(folder, "RAV", 0, temporaryName_)) {
    temporaryName_[0] = '\0';
    return kStubExtractCantCreate;
  }
  temporary_ = CreateFileA(temporaryName_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (temporary_ == INVALID_HANDLE_VALUE) {
    DropTemporary();
    return kStubExtractCantCreate;
  }
  host_.EntryStarted(true, name);

  entryName_ = name;
  outputFill_ = 0;
  crc_ = kCrc32Initial;
  written_ = 0;
  expectedSize_ = uncompressedSize;
  bool readError = false;
  bool damaged = false;
  if (method == zip::kMethodStored) {
    uint32_t remaining = dataSize;
    while (remaining > 0 && !writeStop_) {
      uint8_t* run;
      const uint32_t n = archive_.NextRun(&run, remaining);
      if (n == 0) {
        readError = true;
        break;
      }
      if (keys != nullptr) DecryptBuffer(*keys, run, n);
      Output(run, n);
      remaining -= n;
      host_.Pump();
    }
  } else {
    EntryInput input(archive_, dataSize, keys, writeStop_);
    EntryOutput output(*this);
    HeapMemory memory;
    damaged = StubInflate(input, output, window_, memory) != kStubInflateOk;
    readError = input.readError;
  }
  FlushOutput();
  if (keys != nullptr) archive_.Invalidate();  // the block held was decrypted in place
  entryName_ = "";

  int result = kStubExtractOk;
  if (writeStop_) {
    result = kStubExtractDiskFull;
  } else if (readError) {
    result = kStubExtractDamaged;
  } else {
    host_.EntryProgress(100, name);
    if (damaged || ((uncompressedSize != 0 || written_ != 0) && (crc_ ^ 0xFFFFFFFFu) != crc)) {
      result = kStubExtractBadData;
    }
  }
  const bool closed = CloseHandle(temporary_) != 0;
  temporary_ = INVALID_HANDLE_VALUE;
  if (!closed && result == kStubExtractOk) result = kStubExtractDiskFull;
  if (result != kStubExtractOk && existing) {
    DropTemporary();  // what was there stays as it was
    return result;
  }
  // Proven data, or a first version of the file that the failure leaves in place.
  bool placed;
  if (existing) {
    SetFileAttributesA(fullAnsi, FILE_ATTRIBUTE_NORMAL);
    placed = MoveFileExA(temporaryName_, fullAnsi, MOVEFILE_REPLACE_EXISTING) != 0;
  } else {
    placed = MoveFileA(temporaryName_, fullAnsi) != 0;
  }
  if (!placed) {
    DropTemporary();
    return kStubExtractCantCreate;
  }
  temporaryName_[0] = '\0';
  const DWORD kept = attributes & 0x7F;
  if (kept != 0) SetFileAttributesA(fullAnsi, kept);
  return result;
}

}  // namespace

int ExtractAll(const char* ownPath, const char* targetFolder, int overwriteMode,
               ExtractorHost& host) {
  Extraction extraction(host);
  return extraction.Run(ownPath, targetFolder, overwriteMode);
}
