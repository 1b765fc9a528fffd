// AddEntryData: the compressing writer. Stores or deflates one file into the output behind a
// local header that is rewritten with the CRC and sizes once they are known.
//
// Whatever goes wrong with the file itself (it cannot be queried, opened or read whole, or is too
// large), the entry's fields and the output are put back as they were before the call, so the
// caller can copy the old entry in its place or drop the new one. A failure of the output itself
// is fatal (writer.outputFailed).
#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "core/crc32.h"
#include "core/le_fields.h"
#include "core/zip_records.h"
#include "writing/deflate_ahead.h"
#include "writing/deflate_file.h"
#include "base/engine_utils.h"
#include "base/exact_numbers.h"
#include "base/entry_case.h"
#include "base/entry_text.h"
#include "files/file_ops.h"
#include "files/file_time.h"
#include "files/zfile.h"
#include "writing/zip_writer.h"
#include "base/progress_messages.h"

namespace {

constexpr DWORD kStoreBlock = 24576;
// Files shorter than this are stored: deflating them cannot pay for itself.
constexpr uint64_t kSmallestDeflated = 37;

// Extra-field blocks that carry a modification time (extended timestamp, NTFS times, the old
// Unix block) or sizes (Zip64): after recompression they would describe the old file.
bool IsStaleAfterRecompression(uint16_t id) {
  return id == 0x5455 || id == 0x000A || id == 0x5855 || id == 0x0001;
}

std::vector<uint8_t> WithoutStaleBlocks(const std::vector<uint8_t>& extra) {
  std::vector<uint8_t> kept;
  size_t at = 0;
  while (at + 4 <= extra.size()) {
    const uint16_t id = GetLE16(&extra[at]);
    const size_t length = GetLE16(&extra[at + 2]);
    if (at + 4 + length > extra.size()) return {};  // malformed: keep nothing of it
    if (!IsStaleAfterRecompression(id)) {
      kept.insert(kept.end(), extra.begin() + at, extra.begin() + at + 4 + length);
    }
    at += 4 + length;
  }
  if (at != extra.size()) return {};
  return kept;
}

void Send(UINT message, WPARAM wParam, const char* text) {
  const HWND window = WriteOperation().notifyWindow;
  if (window == nullptr || !IsWindow(window)) return;
  SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(text));
  PumpMessages(nullptr);
}

void SendStoreProgress(uint64_t done, uint64_t total, bool finished, const char* name) {
  WPARAM percent = 100;
  if (!finished && total != 0) {
    percent = static_cast<WPARAM>(PercentOf(done, total));
  }
  Send(progress::kZippingPercent, percent, name);
  Send(progress::kZippingKilobytes, static_cast<WPARAM>(done / 1024 + 1), name);
}

// What the file-status query says about the file to add.
struct SourceFile {
  DWORD dosDateTime = 0;
  DWORD attributes = 0;
  uint64_t size = 0;
  bool folder = false;
};

int QuerySource(const std::string& path, SourceFile* source) {
  long ignored = 0;
  source->dosDateTime = GetFileDosTime(path.c_str(), &ignored, &source->attributes);
  if (source->dosDateTime == 0) return kWriterAccessDenied;
  // The size in 64 bits: a file of 2 GiB or more cannot be recorded and is refused.
  WIN32_FILE_ATTRIBUTE_DATA data;
  std::string ansi = AnsiFromOem(path.c_str());
  if (ansi.size() > 1 && ansi.back() == '/') ansi.pop_back();
  if (!GetFileAttributesExA(ansi.c_str(), GetFileExInfoStandard, &data)) return kWriterAccessDenied;
  source->folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  source->size =
      source->folder ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (source->size >= kMaxFileSize) return kWriterAccessDenied;
  return kWriterDone;
}

void FillEntry(ZipEntry& entry, const ZipEntry& before, const std::string& name, WORD method,
               const SourceFile& source, uint64_t offset) {
  entry.versionMadeBy = kVersionMadeBy;
  entry.versionNeeded = method == zip::kMethodStored ? kVersionStored : kVersionDeflated;
  entry.flags = zip::kFlagDataDescriptor;  // until the header is rewritten
  entry.localFlags = entry.flags;
  entry.method = method;
  entry.dosDateTime = source.dosDateTime;
  entry.crc = 0;
  entry.compressedSize = static_cast<DWORD>(source.size);
  entry.uncompressedSize = static_cast<DWORD>(source.size);
  entry.diskStart = 0;
  entry.internalAttributes = 0;
  entry.externalAttributes = source.attributes;
  entry.localHeaderOffset = static_cast<DWORD>(offset);
  entry.storedName = name;
  entry.name.clear();
  entry.localExtra = WithoutStaleBlocks(before.localExtra);
  entry.centralExtra = WithoutStaleBlocks(before.centralExtra);
  entry.comment = before.comment;
  // The new headers hold an OEM name without flag bit 11: a comment stored in UTF-8 follows.
  if ((before.flags & zip::kFlagUtf8) != 0 && !entry.comment.empty()) {
    std::string comment(entry.comment.begin(), entry.comment.end());
    EntryTextToOem(before.flags, comment);
    entry.comment.assign(comment.begin(), comment.end());
  }
}

// Copies the file's size bytes into the output. 0, 2 (per file: the file could not be read
// whole; per operation when writer.outputFailed) or 5.
int StoreData(HFILE output, uint64_t size, const char* progressName) {
  WriterState& writer = WriteOperation();
  std::vector<uint8_t> block;
  try {
    block.resize(kStoreBlock);
  } catch (const std::bad_alloc&) {
    return kWriterNoMemory;
  }
  while (writer.bytesRead < size) {
    const DWORD wanted =
        static_cast<DWORD>(std::min<uint64_t>(kStoreBlock, size - writer.bytesRead));
    const long got = ReadInput(wanted, block.data());
    // A failed read, or a file that ends early, must not become a short entry.
    if (got <= 0) return kWriterFileError;
    if (!WriteHFile(output, block.data(), static_cast<DWORD>(got))) {
      writer.outputFailed = true;
      return kWriterFileError;
    }
    SendStoreProgress(writer.bytesRead, size, false, progressName);
  }
  SendStoreProgress(writer.bytesRead, size, true, progressName);
  return kWriterDone;
}

// Writes the entry's header and data; the caller restores everything on failure.
int WriteEntryData(HFILE output, ZipEntry& entry, const ZipEntry& before, uint64_t start) {
  WriterState& writer = WriteOperation();
  std::string path = entry.externalName;
  if (writer.storePathMethod == 1 && !writer.baseFolder.IsEmpty()) {
    path = writer.baseFolder.str() + path;
  }
  std::string name = CleanStoredName(entry.Name());
  if (name.empty()) return kWriterCompressError;
  UpperCaseOem(name);

  SourceFile source;
  int result = QuerySource(path, &source);
  if (result != kWriterDone) return result;
  bool folder = source.folder || name.back() == '/';
  if (folder && name.back() != '/') name += '/';
  if (folder) source.size = 0;
  WORD method = writer.compressionMode == 3 ? zip::kMethodStored : zip::kMethodDeflated;
  if (folder || source.size < kSmallestDeflated || IsZipName(path.c_str())) {
    method = zip::kMethodStored;
  }
  // Taken before the file is opened here, so that the worker is done with it.
  std::unique_ptr<DeflateAhead::Result> ready;
  if (method == zip::kMethodDeflated && writer.ahead != nullptr) {
    ready = writer.ahead->Take(path, writer.notifyWindow);
  }
  if (!folder) {
    writer.inputFile = OpenWriterFile(path.c_str(), false);
    if (writer.inputFile == HFILE_ERROR) return kWriterAccessDenied;
    if (ready && !ready->IsFrom(HandleFromHFile(writer.inputFile))) ready.reset();
  }

  DWORD compressed = 0;
  for (;;) {
    FillEntry(entry, before, name, method, source, start);
    if (!WriteLocalHeader(output, entry)) return kWriterFileError;
    writer.outputOffset = start + kLocalHeaderSize + entry.NameLength() + entry.LocalExtraLength();
    UpdateCrc(nullptr, 0);
    writer.bytesRead = 0;
    if (method == zip::kMethodStored) break;

    BOOL error = FALSE;
    DWORD read = 0;
    DWORD crc = 0;
    const DWORD expected = static_cast<DWORD>(source.size);
    if (ready) {
      compressed = WritePrecompressed(entry.externalName.c_str(), ready->file, output,
                                      writer.notifyWindow, &error, &read, &crc, &expected);
      ready.reset();
    } else {
      compressed = DeflateFile(entry.externalName.c_str(), writer.compressionMode, writer.inputFile,
                               output, writer.notifyWindow, &error, &read, &crc, &expected);
    }
    // A file that could not be read to its end is the file's failure; an error with all of it
    // read is a failed write of the output, which gives the code of every other failed write.
    if (read < source.size) return kWriterFileError;
    if (error) {
      writer.outputFailed = true;
      return kWriterFileError;
    }
    writer.bytesRead = read;
    writer.runningCrc = ~crc;
    if (compressed < read) break;

    // Deflating did not make it smaller: store it, from the start of both files.
    method = zip::kMethodStored;
    if (!RewindOutput(output, start)) return kWriterFileError;
    if (!SeekFile(writer.inputFile, 0)) return kWriterAccessDenied;
    entry = before;
    result = QuerySource(path, &source);
    if (result != kWriterDone) return result;
  }

  if (method == zip::kMethodStored && !folder) {
    result = StoreData(output, source.size, entry.externalName.c_str());
    if (result != kWriterDone) return result;
    compressed = static_cast<DWORD>(writer.bytesRead);
  }
  CloseFileHandles(&writer.inputFile, nullptr, nullptr);

  writer.outputOffset += compressed;
  if (writer.outputOffset > kMaxArchiveSize) {
    writer.outputFailed = true;  // the archive would reach 2 GiB: refused, never written wrong
    return kWriterFileError;
  }
  entry.crc = writer.runningCrc ^ 0xFFFFFFFFu;
  entry.compressedSize = compressed;
  entry.uncompressedSize = static_cast<DWORD>(writer.bytesRead);

  if (SeekFile(output, start)) {
    entry.method = method;
    entry.versionNeeded = method == zip::kMethodStored ? kVersionStored : kVersionDeflated;
    entry.flags &= static_cast<WORD>(~zip::kFlagDataDescriptor);
    entry.localFlags = entry.flags;
    if (!WriteLocalHeader(output, entry) || !SeekFile(output, writer.outputOffset)) {
      writer.outputFailed = true;
      return kWriterFileError;
    }
  } else {
    // The header cannot be rewritten: the sizes follow the data, and bit 3 says so.
    if (!SeekFile(output, writer.outputOffset) || !WriteDataDescriptor(output, entry)) {
      writer.outputFailed = true;
      return kWriterFileError;
    }
    writer.outputOffset += kDataDescriptorSize;
    entry.flags = entry.localFlags;
  }

  const uint64_t kept =
      compressed == 0 ? 0 : std::min<uint64_t>(100, writer.bytesRead * 100 / compressed);
  Send(progress::kFileZipped, static_cast<WPARAM>(kept), entry.externalName.c_str());
  return kWriterDone;
}

}  // namespace

void UpdateCrc(const void* buffer, size_t length) {
  WriterState& writer = WriteOperation();
  if (buffer == nullptr) {
    writer.runningCrc = kCrc32Initial;
    return;
  }
  writer.runningCrc = UpdateCrc32(writer.runningCrc, buffer, length);
}

long ReadInput(DWORD length, void* buffer) {
  WriterState& writer = WriteOperation();
  DWORD got = 0;
  if (!ReadHFile(writer.inputFile, buffer, length, &got)) return -1;
  if (got == 0) return 0;
  UpdateCrc(buffer, got);
  writer.bytesRead += got;
  return static_cast<long>(got);
}

bool IsPerFileFailure(int code) {
  return (code == kWriterFileError || code == kWriterAccessDenied) &&
         !WriteOperation().outputFailed;
}

int AddEntryData(HFILE output, ZipEntry& entry) {
  WriterState& writer = WriteOperation();
  const uint64_t start = writer.outputOffset;
  int result;
  try {
    const ZipEntry before = entry;
    result = WriteEntryData(output, entry, before, start);
    if (result != kWriterDone) {
      entry = before;
      CloseFileHandles(&writer.inputFile, nullptr, nullptr);
      // Whatever was written of this entry goes; the next one starts where it began.
      if (!writer.outputFailed && !RewindOutput(output, start)) result = kWriterFileError;
      if (writer.outputFailed) writer.outputOffset = start;
    }
  } catch (const std::bad_alloc&) {
    CloseFileHandles(&writer.inputFile, nullptr, nullptr);
    result = kWriterNoMemory;
  }
  return result;
}
