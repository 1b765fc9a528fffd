// Copying entries from the existing archive into the new one: unchanged (CopyEntry) or behind a
// freshly written local header (RelocateEntry).
#include <windows.h>

#include <algorithm>
#include <new>

#include "core/zip_records.h"
#include "files/zfile.h"
#include "writing/zip_writer.h"

namespace {

constexpr DWORD kCopyBufferSize = 65536;

// Copies exactly length bytes from input (at its position) to output. An input that ends first
// is a damaged archive (4): a short entry must never be written as if it were whole.
int CopyBytes(HFILE input, HFILE output, uint64_t length) {
  WriterState& writer = WriteOperation();
  try {
    if (writer.copyBuffer.size() < kCopyBufferSize) writer.copyBuffer.resize(kCopyBufferSize);
  } catch (const std::bad_alloc&) {
    return kWriterNoMemory;
  }
  while (length != 0) {
    const DWORD wanted = static_cast<DWORD>(std::min<uint64_t>(length, kCopyBufferSize));
    DWORD got = 0;
    if (!ReadHFile(input, writer.copyBuffer.data(), wanted, &got) || got != wanted) {
      return kWriterNotArchive;
    }
    if (!WriteHFile(output, writer.copyBuffer.data(), got)) {
      writer.outputFailed = true;
      return kWriterFileError;
    }
    length -= got;
  }
  return kWriterDone;
}

uint64_t DataDescriptorLength(const ZipEntry& entry) {
  return (entry.localFlags & zip::kFlagDataDescriptor) ? kDataDescriptorSize : 0;
}

}  // namespace

int CopyEntry(HFILE input, HFILE output, ZipEntry& entry) {
  WriterState& writer = WriteOperation();
  if (!SeekFile(input, entry.localHeaderOffset)) return kWriterNotArchive;
  const uint64_t length = kLocalHeaderSize + entry.NameLength() + entry.LocalExtraLength() +
                          static_cast<uint64_t>(entry.compressedSize) + DataDescriptorLength(entry);
  if (writer.outputOffset + length > kMaxArchiveSize) {
    writer.outputFailed = true;  // the archive would grow past what its offsets can hold
    return kWriterFileError;
  }
  if (!SeekFile(output, writer.outputOffset)) {
    writer.outputFailed = true;
    return kWriterFileError;
  }
  const int result = CopyBytes(input, output, length);
  if (result != kWriterDone) return result;
  entry.localHeaderOffset = static_cast<DWORD>(writer.outputOffset);
  writer.outputOffset += length;
  return kWriterDone;
}

int RelocateEntry(HFILE input, HFILE output, ZipEntry& entry) {
  WriterState& writer = WriteOperation();
  const uint64_t oldData = static_cast<uint64_t>(entry.localHeaderOffset) + kLocalHeaderSize +
                           entry.NameLength() + entry.LocalExtraLength();
  const uint64_t length = kLocalHeaderSize + entry.NameLength() + entry.LocalExtraLength() +
                          static_cast<uint64_t>(entry.compressedSize);
  if (writer.outputOffset + length > kMaxArchiveSize) {
    writer.outputFailed = true;
    return kWriterFileError;
  }
  if (!SeekFile(input, oldData)) return kWriterNotArchive;
  if (!SeekFile(output, writer.outputOffset)) {
    writer.outputFailed = true;
    return kWriterFileError;
  }
  // The new header holds the CRC and sizes, so no descriptor follows and bit 3 must go: readers
  // that honour it would look for a descriptor that is not there.
  ZipEntry moved = entry;
  moved.flags &= static_cast<WORD>(~zip::kFlagDataDescriptor);
  moved.localFlags &= static_cast<WORD>(~zip::kFlagDataDescriptor);
  if (!WriteLocalHeader(output, moved)) {
    writer.outputFailed = true;
    return kWriterFileError;
  }
  const int result = CopyBytes(input, output, entry.compressedSize);
  if (result != kWriterDone) return result;
  entry.flags = moved.flags;
  entry.localFlags = moved.localFlags;
  entry.localHeaderOffset = static_cast<DWORD>(writer.outputOffset);
  writer.outputOffset += length;
  return kWriterDone;
}
