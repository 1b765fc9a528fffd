// The encryption pass of ZipFiles: the finished (unencrypted) archive is read again and rewritten
// into a temporary archive beside it, with every entry that is neither encrypted yet nor a folder
// encrypted with the writer's password (the traditional stream cipher). Entries that are already
// encrypted are copied as they are; folder entries stay plain. The temporary archive replaces the
// archive only once it is complete, so on any failure the unencrypted archive stays as it was.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <new>
#include <optional>
#include <random>
#include <vector>

#include "core/cipher.h"
#include "core/zip_records.h"
#include "writing/czzip.h"
#include "base/engine_utils.h"
#include "writing/archive_replace.h"
#include "files/file_ops.h"
#include "files/zfile.h"
#include "writing/zip_encrypt.h"
#include "writing/zip_writer.h"
#include "base/progress_messages.h"

namespace {

constexpr DWORD kPieceSize = 16384;
// Traditional encryption needs a reader of version 2.0 at least.
constexpr WORD kVersionEncrypted = 20;

std::optional<uint32_t> g_fixedSeed;

// The generator of the random header bytes: seeded once per pass, so that the headers of one pass
// differ from each other even when they are written within the same clock tick.
std::mt19937 MakeGenerator() {
  if (g_fixedSeed) return std::mt19937(*g_fixedSeed);
  static uint32_t passes = 0;
  LARGE_INTEGER counter = {};
  QueryPerformanceCounter(&counter);
  const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
  const uint64_t now =
      static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  std::seed_seq seed{static_cast<uint32_t>(ticks),
                     static_cast<uint32_t>(ticks >> 32),
                     static_cast<uint32_t>(now),
                     static_cast<uint32_t>(now >> 32),
                     static_cast<uint32_t>(GetCurrentProcessId()),
                     ++passes};
  return std::mt19937(seed);
}

bool NeedsEncryption(const ZipEntry& entry) {
  return (entry.flags & zip::kFlagEncrypted) == 0 && !entry.IsFolder();
}

bool IsWindowSet(HWND window) { return window != nullptr && IsWindow(window); }

// Clears the cipher keys when the entry is done, on every path.
class KeysGuard {
 public:
  explicit KeysGuard(CipherKeys& keys) : keys_(keys) {}
  ~KeysGuard() { SecureZeroMemory(&keys_, sizeof keys_); }
  KeysGuard(const KeysGuard&) = delete;
  KeysGuard& operator=(const KeysGuard&) = delete;

 private:
  CipherKeys& keys_;
};

struct PassContext {
  HFILE input = HFILE_ERROR;
  HFILE output = HFILE_ERROR;
  const std::string* password = nullptr;
  std::mt19937* random = nullptr;
  std::vector<uint8_t>* buffer = nullptr;
  HWND window = nullptr;
};

int OutputFailed() {
  WriteOperation().outputFailed = true;
  return kWriterFileError;
}

// Writes the entry behind a new local header, encrypted: the 12-byte header (10 random bytes,
// then bits 16-23 and 24-31 of the CRC) and the data, all through the cipher. The header holds the
// CRC and sizes, so a data descriptor the old entry had is dropped and bit 3 with it (the CRC and
// sizes come from the directory, which has them for such entries too). 0, 2 (output) or 4 (the
// input cannot be positioned or ends before the entry does).
int EncryptEntry(const PassContext& pass, ZipEntry& entry) {
  WriterState& writer = WriteOperation();
  const uint64_t oldData = static_cast<uint64_t>(entry.localHeaderOffset) + kLocalHeaderSize +
                           entry.NameLength() + entry.LocalExtraLength();
  const uint64_t dataLength = entry.compressedSize;
  const uint64_t length = kLocalHeaderSize + entry.NameLength() + entry.LocalExtraLength() +
                          kEncryptionHeaderSize + dataLength;
  // The header adds 12 bytes: the entry's size and the archive must still fit their limits.
  if (dataLength + kEncryptionHeaderSize > 0xFFFFFFFFull ||
      writer.outputOffset + length > kMaxArchiveSize) {
    return OutputFailed();
  }
  if (!SeekFile(pass.input, oldData)) return kWriterNotArchive;
  if (!SeekFile(pass.output, writer.outputOffset)) return OutputFailed();

  ZipEntry sealed = entry;
  const WORD keep = static_cast<WORD>(~zip::kFlagDataDescriptor);
  sealed.flags = static_cast<WORD>((entry.flags & keep) | zip::kFlagEncrypted);
  sealed.localFlags = static_cast<WORD>((entry.localFlags & keep) | zip::kFlagEncrypted);
  sealed.compressedSize = static_cast<DWORD>(dataLength + kEncryptionHeaderSize);
  if ((sealed.versionNeeded & 0xFF) < kVersionEncrypted) {
    sealed.versionNeeded = static_cast<WORD>((sealed.versionNeeded & 0xFF00) | kVersionEncrypted);
  }
  if (!WriteLocalHeader(pass.output, sealed)) return OutputFailed();

  CipherKeys keys;
  KeysGuard clearKeys(keys);
  InitKeys(keys, *pass.password);
  uint8_t header[kEncryptionHeaderSize];
  for (size_t i = 0; i < kEncryptionHeaderSize - 2; ++i) {
    header[i] = static_cast<uint8_t>((*pass.random)() >> 24);
  }
  header[kEncryptionHeaderSize - 2] = static_cast<uint8_t>(entry.crc >> 16);
  header[kEncryptionHeaderSize - 1] = static_cast<uint8_t>(entry.crc >> 24);
  EncryptBuffer(keys, header, kEncryptionHeaderSize);
  if (!WriteHFile(pass.output, header, kEncryptionHeaderSize)) return OutputFailed();

  std::vector<uint8_t>& buffer = *pass.buffer;
  uint64_t done = 0;
  while (done < dataLength) {
    const DWORD wanted = static_cast<DWORD>(std::min<uint64_t>(kPieceSize, dataLength - done));
    DWORD got = 0;
    // An input that ends early is a damaged archive: a short entry is never written as whole.
    if (!ReadHFile(pass.input, buffer.data(), wanted, &got) || got != wanted) {
      return kWriterNotArchive;
    }
    EncryptBuffer(keys, buffer.data(), got);
    if (!WriteHFile(pass.output, buffer.data(), got)) return OutputFailed();
    done += got;
    if (IsWindowSet(pass.window)) {
      SendMessageA(pass.window, progress::kEncrypting, static_cast<WPARAM>(done * 100 / dataLength),
                   reinterpret_cast<LPARAM>(entry.externalName.c_str()));
      PumpMessages(nullptr);
    }
  }

  sealed.localHeaderOffset = static_cast<DWORD>(writer.outputOffset);
  writer.outputOffset += length;
  entry = std::move(sealed);
  return kWriterDone;
}

int RunPass(HWND notifyWindow, const char* archiveName) {
  WriterState& writer = WriteOperation();
  writer.encryptionPass = true;
  // An empty password would leave the data readable by anyone while marking it encrypted.
  if (writer.password.empty()) return FailWriter(kWriterNothingToDo);
  if (SetArchiveName(archiveName) == nullptr) return FailWriter(kWriterNoMemory);
  int result = ReadArchiveDirectory();
  if (result != kWriterDone) return FailWriter(result);
  ReleaseEntryIndex();
  const bool anyPlain =
      std::any_of(writer.entries.begin(), writer.entries.end(),
                  [](const ZipEntry& entry) { return (entry.flags & zip::kFlagEncrypted) == 0; });
  if (!anyPlain) return FailWriter(kWriterNothingToDo);  // also: an archive without entries
  // Set only now: the pass reports its copies and the writing of the archive, nothing else.
  writer.notifyWindow = notifyWindow;

  result = BeginOutput();
  if (result != kWriterDone) return FailWriter(result);

  std::vector<uint8_t> buffer(kPieceSize);
  std::mt19937 random = MakeGenerator();
  PassContext pass;
  pass.input = writer.archiveFile;
  pass.output = writer.outputFile;
  pass.password = &writer.password;
  pass.random = &random;
  pass.buffer = &buffer;
  pass.window = notifyWindow;
  for (ZipEntry& entry : writer.entries) {
    if (NeedsEncryption(entry)) {
      if (!HasFreeSpace64(writer.temporaryName,
                          static_cast<ULONGLONG>(entry.compressedSize) + kEndRecordSize)) {
        return FailWriter(kReplaceNoSpace);
      }
      result = EncryptEntry(pass, entry);
    } else if (entry.flags & zip::kFlagEncrypted) {
      // Byte for byte, data descriptor included: a writer that set bit 3 took the password check
      // byte from the time, and readers look for it there only while bit 3 is set.
      result = CopyEntry(pass.input, pass.output, entry);
    } else {
      result = RelocateEntry(pass.input, pass.output, entry);
    }
    if (result != kWriterDone) return FailWriter(result);
  }

  if (!HasFreeSpace64(writer.temporaryName, writer.archiveComment.size() + kLocalHeaderSize)) {
    return FailWriter(kReplaceNoSpace);
  }
  result = CompleteArchive();
  if (result != kWriterDone) return FailWriter(result);
  return FinishWriter(kWriterDone);
}

}  // namespace

namespace zipencrypt {

void FixRandomSeed(std::optional<uint32_t> seed) { g_fixedSeed = seed; }

}  // namespace zipencrypt

BOOL CZZip::EncryptArchive(const char* archiveName) {
  int result;
  try {
    result = RunPass(hNotifyWnd_, archiveName);
  } catch (const std::bad_alloc&) {
    result = FailWriter(kWriterNoMemory);
  }
  return result == kWriterDone ? TRUE : FALSE;
}
