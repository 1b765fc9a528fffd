// ReadArchiveDirectory: loads the existing archive into the writer's entry list.
//
// Normal mode walks the local headers from the first record and then requires the central
// directory to describe exactly those entries, in the same order, with the same names; anything
// else is not an archive the writer may rewrite (4). The first record is located from the end
// record where there is one, so that "PK" bytes inside a program in front of the archive are
// never taken for records.
//
// Repair mode takes the entries from their local headers alone, scanning past damage, and keeps
// only entries whose data lie wholly inside the file.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "core/le_fields.h"
#include "core/zip_records.h"
#include "base/engine_utils.h"
#include "base/entry_text.h"
#include "files/file_fault.h"
#include "files/file_ops.h"
#include "files/zfile.h"
#include "writing/zip_writer.h"
#include "base/progress_messages.h"

namespace {

constexpr char kDescriptorSignature[4] = {'P', 'K', 7, 8};
constexpr DWORD kScanChunk = 65536;

// The archive file opened for reading, closed on every path out.
class ArchiveReader {
 public:
  ~ArchiveReader() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Open(const char* oemPath) {
    if (FileStepFails(FileStep::kOpen)) return false;
    handle_ = CreateFileA(AnsiFromOem(oemPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) return false;
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
  }
  uint64_t Size() const { return size_; }

  // Exactly length bytes at position; false on an error or when the file ends first.
  bool ReadAt(uint64_t position, void* buffer, DWORD length) {
    if (position > size_ || length > size_ - position) return false;
    DWORD got = 0;
    if (!SeekFile(HFileFromHandle(handle_), position) ||
        !ReadHFile(HFileFromHandle(handle_), buffer, length, &got) || got != length) {
      failed_ = true;  // inside the file: the system could not read it
      return false;
    }
    return true;
  }
  // A read inside the file failed at some point: what was found is not all there is.
  bool Failed() const { return failed_; }

  // The first position at or after from where the 4-byte signature begins.
  bool Find(uint64_t from, const char (&signature)[4], uint64_t* at) {
    std::vector<char> chunk(kScanChunk + 3);
    while (from + 4 <= size_) {
      const DWORD wanted = static_cast<DWORD>(std::min<uint64_t>(chunk.size(), size_ - from));
      if (!ReadAt(from, chunk.data(), wanted)) return false;
      for (DWORD i = 0; i + 4 <= wanted; ++i) {
        if (chunk[i] == 'P' && std::memcmp(&chunk[i], signature, 4) == 0) {
          *at = from + i;
          return true;
        }
      }
      from += wanted - 3;  // a signature may straddle two chunks
    }
    return false;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  uint64_t size_ = 0;
  bool failed_ = false;
};

struct EndRecord {
  uint64_t position = 0;
  DWORD entries = 0;
  DWORD directorySize = 0;
  DWORD directoryOffset = 0;
  DWORD commentLength = 0;
};

// The end record nearest the end of the file whose comment fits inside the file.
bool FindEndRecord(ArchiveReader& file, EndRecord* record) {
  if (file.Size() < zip::end::kSize) return false;
  const uint64_t tailStart =
      file.Size() > zip::end::kMaxDistanceFromEnd ? file.Size() - zip::end::kMaxDistanceFromEnd : 0;
  std::vector<uint8_t> tail(static_cast<size_t>(file.Size() - tailStart));
  if (!file.ReadAt(tailStart, tail.data(), static_cast<DWORD>(tail.size()))) return false;
  for (size_t i = tail.size() - zip::end::kSize + 1; i-- > 0;) {
    const uint8_t* r = &tail[i];
    if (!zip::HasSignature(r, zip::kEndSignature)) continue;
    const DWORD comment = GetLE16(r + zip::end::kCommentLength);
    if (i + zip::end::kSize + comment > tail.size()) continue;
    record->position = tailStart + i;
    record->entries = GetLE16(r + zip::end::kEntriesThisDisk);
    record->directorySize = GetLE32(r + zip::end::kDirectorySize);
    record->directoryOffset = GetLE32(r + zip::end::kDirectoryOffset);
    record->commentLength = comment;
    return true;
  }
  return false;
}

// Where the archive proper begins, as the end record and the first central header tell it:
// offsets count either from the start of the file or from the start of the archive proper.
bool FirstRecordFromEnd(ArchiveReader& file, const EndRecord& end, uint64_t* first) {
  const uint64_t stated = static_cast<uint64_t>(end.directoryOffset) + end.directorySize;
  if (stated > end.position) return false;
  const uint64_t shift = end.position - stated;
  const uint64_t directory = end.directoryOffset + shift;
  char signature[4];
  if (end.entries == 0) {
    *first = directory;
    return end.directorySize == 0;
  }
  uint8_t header[zip::central::kSize];
  if (!file.ReadAt(directory, header, sizeof header) ||
      !zip::HasSignature(header, zip::kCentralSignature)) {
    return false;
  }
  const uint64_t local = GetLE32(header + zip::central::kLocalHeaderOffset) + shift;
  if (!file.ReadAt(local, signature, 4) || !zip::HasSignature(signature, zip::kLocalSignature)) {
    return false;
  }
  *first = local;
  return true;
}

// The first local header or end record in file order (used when no end record tells where the
// archive begins).
bool ScanFirstRecord(ArchiveReader& file, uint64_t* first) {
  uint64_t local = 0;
  uint64_t end = 0;
  const bool haveLocal = file.Find(0, zip::kLocalSignature, &local);
  const bool haveEnd = file.Find(0, zip::kEndSignature, &end);
  if (!haveLocal && !haveEnd) return false;
  *first = !haveLocal ? end : !haveEnd ? local : std::min(local, end);
  return true;
}

// One local header as read, with the values of its data descriptor when it has one.
struct LocalRecord {
  ZipEntry entry;
  uint64_t next = 0;  // position after the entry's data (and descriptor)
};

// Reads the local header at position. requirePlausible: repair mode, where a candidate found by
// scanning must look like a real header before it is believed.
bool ReadLocalRecord(ArchiveReader& file, uint64_t position, bool requirePlausible,
                     LocalRecord* out) {
  uint8_t h[zip::local::kSize];
  if (!file.ReadAt(position, h, sizeof h) || !zip::HasSignature(h, zip::kLocalSignature)) {
    return false;
  }
  ZipEntry& e = out->entry;
  e = ZipEntry();
  e.versionNeeded = GetLE16(h + zip::local::kVersionNeeded);
  e.localFlags = GetLE16(h + zip::local::kFlags);
  e.method = GetLE16(h + zip::local::kMethod);
  e.dosDateTime = GetLE32(h + zip::local::kTime);
  e.crc = GetLE32(h + zip::local::kCrc32);
  e.compressedSize = GetLE32(h + zip::local::kCompressedSize);
  e.uncompressedSize = GetLE32(h + zip::local::kUncompressedSize);
  const DWORD nameLength = GetLE16(h + zip::local::kNameLength);
  const DWORD extraLength = GetLE16(h + zip::local::kExtraLength);
  if (nameLength == 0) return false;
  if (requirePlausible && (e.method > 99 || (e.versionNeeded & 0xFF) > 100)) return false;

  e.storedName.resize(nameLength);
  e.localExtra.resize(extraLength);
  const uint64_t nameAt = position + zip::local::kSize;
  if (!file.ReadAt(nameAt, e.storedName.data(), nameLength)) return false;
  if (extraLength != 0 && !file.ReadAt(nameAt + nameLength, e.localExtra.data(), extraLength)) {
    return false;
  }
  if (requirePlausible && e.storedName.find('\0') != std::string::npos) return false;

  const uint64_t data = nameAt + nameLength + extraLength;
  uint64_t next = data + e.compressedSize;
  if (e.localFlags & zip::kFlagDataDescriptor) {
    uint8_t d[kDataDescriptorSize];
    uint64_t at = data + e.compressedSize;
    if (e.compressedSize == 0) {
      // The size is only in the descriptor: find the one whose size matches its distance.
      uint64_t from = data;
      for (;;) {
        if (!file.Find(from, kDescriptorSignature, &at)) return false;
        if (file.ReadAt(at, d, sizeof d) && GetLE32(d + 8) == at - data) break;
        from = at + 1;
      }
    }
    if (!file.ReadAt(at, d, sizeof d) || std::memcmp(d, kDescriptorSignature, 4) != 0) {
      return false;
    }
    e.crc = GetLE32(d + 4);
    e.compressedSize = GetLE32(d + 8);
    e.uncompressedSize = GetLE32(d + 12);
    next = at + kDataDescriptorSize;
  }
  // An entry whose data run past the end of the file cannot be copied whole.
  if (next > file.Size()) return false;
  if (requirePlausible && e.method == zip::kMethodStored) {
    const uint64_t header = (e.localFlags & zip::kFlagEncrypted) ? zip::kEncryptionHeaderSize : 0;
    if (static_cast<uint64_t>(e.uncompressedSize) + header != e.compressedSize) return false;
  }
  e.localHeaderOffset = static_cast<DWORD>(position);
  std::string held = e.storedName;
  EntryTextToOem(e.localFlags, held);
  if (held != e.storedName) e.name = std::move(held);
  e.externalName = e.Name();
  out->next = next;
  return true;
}

void Notify(UINT message, WPARAM wParam, const char* text) {
  const HWND window = WriteOperation().notifyWindow;
  if (window == nullptr || !IsWindow(window)) return;
  SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(text));
  PumpMessages(nullptr);
}

// Repair: every plausible local header from start on, each one whole inside the file.
int ReadRepairing(ArchiveReader& file, uint64_t start) {
  WriterState& writer = WriteOperation();
  uint64_t position = start;
  bool first = true;
  uint64_t candidate = 0;
  while (file.Find(position, zip::kLocalSignature, &candidate)) {
    LocalRecord record;
    if (!ReadLocalRecord(file, candidate, true, &record)) {
      position = candidate + 1;
      continue;
    }
    ZipEntry& e = record.entry;
    e.versionMadeBy = 20;
    e.flags = e.localFlags;
    e.centralExtra = e.localExtra;
    writer.entries.push_back(std::move(e));
    if (first) writer.bytesInFront = static_cast<DWORD>(candidate);
    first = false;
    Notify(progress::kRepairing, 1, writer.entries.back().Name().c_str());
    position = record.next;
  }
  // A repair that could not read the whole file must not pass for a complete one.
  if (file.Failed()) return kWriterFileError;
  Notify(progress::kEntriesRead, writer.entries.size(), nullptr);
  Notify(progress::kRepairing, 2, writer.archiveName.c_str());
  return kWriterDone;
}

bool SameLocalAndCentral(const ZipEntry& local, const uint8_t* c) {
  // The top three flag bits are not compared (some writers set them in one header only).
  return local.versionNeeded == GetLE16(c + zip::central::kVersionNeeded) &&
         (local.localFlags & 0x1FFF) == (GetLE16(c + zip::central::kFlags) & 0x1FFF) &&
         local.method == GetLE16(c + zip::central::kMethod) &&
         local.dosDateTime == GetLE32(c + zip::central::kTime) &&
         local.crc == GetLE32(c + zip::central::kCrc32) &&
         local.compressedSize == GetLE32(c + zip::central::kCompressedSize) &&
         local.uncompressedSize == GetLE32(c + zip::central::kUncompressedSize) &&
         local.NameLength() == GetLE16(c + zip::central::kNameLength);
}

int ReadNormal(ArchiveReader& file, uint64_t start) {
  WriterState& writer = WriteOperation();
  writer.bytesInFront = static_cast<DWORD>(start);
  uint64_t position = start;
  char signature[4];
  if (!file.ReadAt(position, signature, 4)) return kWriterNotArchive;
  while (zip::HasSignature(signature, zip::kLocalSignature)) {
    LocalRecord record;
    if (!ReadLocalRecord(file, position, false, &record)) return kWriterNotArchive;
    if (writer.entries.size() == kMaxEntries)
      return kWriterNotArchive;  // no end record can count it
    writer.entries.push_back(std::move(record.entry));
    position = record.next;
    if (!file.ReadAt(position, signature, 4)) return kWriterNotArchive;
  }
  Notify(progress::kEntriesRead, writer.entries.size(), nullptr);

  const uint64_t directoryStart = position;
  int64_t shift = 0;  // real position minus recorded offset
  bool firstEntry = true;
  auto entry = writer.entries.begin();
  while (zip::HasSignature(signature, zip::kCentralSignature)) {
    if (entry == writer.entries.end()) return kWriterNotArchive;
    uint8_t c[zip::central::kSize];
    if (!file.ReadAt(position, c, sizeof c) || !SameLocalAndCentral(*entry, c)) {
      return kWriterNotArchive;
    }
    const int64_t recorded = GetLE32(c + zip::central::kLocalHeaderOffset);
    if (firstEntry) shift = static_cast<int64_t>(entry->localHeaderOffset) - recorded;
    firstEntry = false;
    if (recorded + shift != static_cast<int64_t>(entry->localHeaderOffset)) {
      return kWriterNotArchive;
    }
    entry->versionMadeBy = GetLE16(c + zip::central::kVersionMadeBy);
    entry->versionNeeded = GetLE16(c + zip::central::kVersionNeeded);
    entry->flags = GetLE16(c + zip::central::kFlags);
    entry->method = GetLE16(c + zip::central::kMethod);
    entry->dosDateTime = GetLE32(c + zip::central::kTime);
    entry->diskStart = GetLE16(c + zip::central::kDiskStart);
    entry->internalAttributes = GetLE16(c + zip::central::kInternalAttributes);
    entry->externalAttributes = GetLE32(c + zip::central::kExternalAttributes);
    const DWORD nameLength = entry->NameLength();
    const DWORD extraLength = GetLE16(c + zip::central::kExtraLength);
    const DWORD commentLength = GetLE16(c + zip::central::kCommentLength);
    std::string name(nameLength, '\0');
    uint64_t at = position + zip::central::kSize;
    if (!file.ReadAt(at, name.data(), nameLength) || name != entry->storedName) {
      return kWriterNotArchive;
    }
    at += nameLength;
    entry->centralExtra.resize(extraLength);
    if (extraLength != 0 && !file.ReadAt(at, entry->centralExtra.data(), extraLength)) {
      return kWriterNotArchive;
    }
    at += extraLength;
    entry->comment.resize(commentLength);
    if (commentLength != 0 && !file.ReadAt(at, entry->comment.data(), commentLength)) {
      return kWriterNotArchive;
    }
    position = at + commentLength;
    ++entry;
    if (!file.ReadAt(position, signature, 4)) return kWriterNotArchive;
  }
  if (entry != writer.entries.end() || !zip::HasSignature(signature, zip::kEndSignature)) {
    return kWriterNotArchive;
  }
  uint8_t end[zip::end::kSize];
  if (!file.ReadAt(position, end, sizeof end)) return kWriterNotArchive;
  if (GetLE16(end + zip::end::kEntriesThisDisk) != writer.entries.size()) return kWriterNotArchive;
  const int64_t recordedStart = GetLE32(end + zip::end::kDirectoryOffset);
  if (!writer.entries.empty() && recordedStart + shift != static_cast<int64_t>(directoryStart)) {
    return kWriterNotArchive;
  }
  writer.centralStart = static_cast<DWORD>(directoryStart);
  // A comment cut short by the end of the file keeps what is there.
  const uint64_t commentAt = position + zip::end::kSize;
  const DWORD commentLength = static_cast<DWORD>(
      std::min<uint64_t>(GetLE16(end + zip::end::kCommentLength), file.Size() - commentAt));
  writer.archiveComment.resize(commentLength);
  if (commentLength != 0 && !file.ReadAt(commentAt, writer.archiveComment.data(), commentLength)) {
    return kWriterNotArchive;
  }
  return kWriterDone;
}

int ReadDirectory() {
  WriterState& writer = WriteOperation();
  writer.bytesInFront = 0;
  writer.centralStart = 0;
  writer.archiveComment.clear();
  writer.entries.clear();
  writer.sortedIndex.clear();
  if (writer.archiveName.IsEmpty()) return kWriterDone;

  // Only a file that is not there is a new archive; one that is there but cannot be examined
  // or opened must never be replaced by an archive of the new files alone.
  const DWORD attributes = FsGetAttributes(writer.archiveName);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return kWriterDone;
    return kWriterFileError;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kWriterFileError;

  ArchiveReader file;
  if (!file.Open(writer.archiveName)) return kWriterFileError;
  if (file.Size() == 0) return kWriterDone;
  if (file.Size() > 0xFFFFFFFFull) return kWriterNotArchive;  // offsets are 32-bit

  EndRecord end;
  uint64_t start = 0;
  const bool located = FindEndRecord(file, &end) && FirstRecordFromEnd(file, end, &start);
  int result;
  if (writer.repair) {
    // Only the end record that closes the file is the archive's own. One found further in front
    // (that of an archive stored inside an entry, when the real end is lost) would start the
    // scan in the middle of the archive and skip its real entries.
    const bool ownEnd =
        located && end.position + zip::end::kSize + end.commentLength == file.Size();
    result = ReadRepairing(file, ownEnd ? start : 0);
  } else {
    if (!located && !ScanFirstRecord(file, &start)) return kWriterNotArchive;
    result = ReadNormal(file, start);
  }
  if (result != kWriterDone) return result;
  return SortEntryIndex() ? kWriterDone : kWriterNoMemory;
}

}  // namespace

int ReadArchiveDirectory() {
  int result;
  try {
    result = ReadDirectory();
  } catch (const std::bad_alloc&) {
    result = kWriterNoMemory;
  }
  if (result != kWriterDone) {
    WriterState& writer = WriteOperation();
    writer.entries.clear();
    writer.sortedIndex.clear();
    writer.archiveComment.clear();
  }
  return result;
}
