// The record writers, the central directory, and positioning of the output.
#include <windows.h>

#include <cstring>
#include <vector>

#include "core/le_fields.h"
#include "core/zip_records.h"
#include "files/zfile.h"
#include "writing/zip_writer.h"

namespace {

void Append(std::vector<uint8_t>& record, const void* data, size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  record.insert(record.end(), bytes, bytes + length);
}

void AppendName(std::vector<uint8_t>& record, const std::string& name) {
  Append(record, name.data(), name.size());
}

BOOL WriteRecord(HFILE file, const std::vector<uint8_t>& record) {
  if (!WriteHFile(file, record.data(), static_cast<DWORD>(record.size()))) {
    WriteOperation().outputFailed = true;
    return FALSE;
  }
  return TRUE;
}

// Lengths the headers hold in 16 bits; a longer field cannot be written.
bool Fits16(size_t length) { return length <= 0xFFFF; }

}  // namespace

BOOL WriteLocalHeader(HFILE file, const ZipEntry& entry) {
  if (!Fits16(entry.storedName.size()) || !Fits16(entry.localExtra.size())) return FALSE;
  std::vector<uint8_t> record(zip::local::kSize);
  uint8_t* r = record.data();
  std::memcpy(r, zip::kLocalSignature, 4);
  PutLE16(r + zip::local::kVersionNeeded, entry.versionNeeded);
  PutLE16(r + zip::local::kFlags, entry.localFlags);
  PutLE16(r + zip::local::kMethod, entry.method);
  PutLE32(r + zip::local::kTime, entry.dosDateTime);  // time, then date
  PutLE32(r + zip::local::kCrc32, entry.crc);
  PutLE32(r + zip::local::kCompressedSize, entry.compressedSize);
  PutLE32(r + zip::local::kUncompressedSize, entry.uncompressedSize);
  PutLE16(r + zip::local::kNameLength, static_cast<uint16_t>(entry.storedName.size()));
  PutLE16(r + zip::local::kExtraLength, static_cast<uint16_t>(entry.localExtra.size()));
  AppendName(record, entry.storedName);
  Append(record, entry.localExtra.data(), entry.localExtra.size());
  return WriteRecord(file, record);
}

BOOL WriteCentralHeader(HFILE file, const ZipEntry& entry) {
  if (!Fits16(entry.storedName.size()) || !Fits16(entry.centralExtra.size()) ||
      !Fits16(entry.comment.size())) {
    return FALSE;
  }
  std::vector<uint8_t> record(zip::central::kSize);
  uint8_t* r = record.data();
  std::memcpy(r, zip::kCentralSignature, 4);
  PutLE16(r + zip::central::kVersionMadeBy, entry.versionMadeBy);
  PutLE16(r + zip::central::kVersionNeeded, entry.versionNeeded);
  PutLE16(r + zip::central::kFlags, entry.flags);
  PutLE16(r + zip::central::kMethod, entry.method);
  PutLE32(r + zip::central::kTime, entry.dosDateTime);
  PutLE32(r + zip::central::kCrc32, entry.crc);
  PutLE32(r + zip::central::kCompressedSize, entry.compressedSize);
  PutLE32(r + zip::central::kUncompressedSize, entry.uncompressedSize);
  PutLE16(r + zip::central::kNameLength, static_cast<uint16_t>(entry.storedName.size()));
  PutLE16(r + zip::central::kExtraLength, static_cast<uint16_t>(entry.centralExtra.size()));
  PutLE16(r + zip::central::kCommentLength, static_cast<uint16_t>(entry.comment.size()));
  PutLE16(r + zip::central::kDiskStart, entry.diskStart);
  PutLE16(r + zip::central::kInternalAttributes, entry.internalAttributes);
  PutLE32(r + zip::central::kExternalAttributes, entry.externalAttributes);
  PutLE32(r + zip::central::kLocalHeaderOffset, entry.localHeaderOffset);
  AppendName(record, entry.storedName);
  Append(record, entry.centralExtra.data(), entry.centralExtra.size());
  Append(record, entry.comment.data(), entry.comment.size());
  return WriteRecord(file, record);
}

BOOL WriteEndRecord(HFILE file, DWORD entryCount, DWORD centralOffset, DWORD centralSize,
                    const uint8_t* comment, DWORD commentLength) {
  if (entryCount > kMaxEntries || !Fits16(commentLength)) return FALSE;
  std::vector<uint8_t> record(zip::end::kSize);
  uint8_t* r = record.data();
  std::memcpy(r, zip::kEndSignature, 4);
  PutLE16(r + zip::end::kThisDisk, 0);
  PutLE16(r + zip::end::kDirectoryDisk, 0);
  PutLE16(r + zip::end::kEntriesThisDisk, static_cast<uint16_t>(entryCount));
  PutLE16(r + zip::end::kEntriesTotal, static_cast<uint16_t>(entryCount));
  PutLE32(r + zip::end::kDirectorySize, centralSize);
  PutLE32(r + zip::end::kDirectoryOffset, centralOffset);
  PutLE16(r + zip::end::kCommentLength, static_cast<uint16_t>(commentLength));
  if (commentLength != 0) Append(record, comment, commentLength);
  return WriteRecord(file, record);
}

BOOL WriteDataDescriptor(HFILE file, const ZipEntry& entry) {
  std::vector<uint8_t> record(kDataDescriptorSize);
  const char signature[4] = {'P', 'K', 7, 8};
  std::memcpy(record.data(), signature, 4);
  PutLE32(record.data() + 4, entry.crc);
  PutLE32(record.data() + 8, entry.compressedSize);
  PutLE32(record.data() + 12, entry.uncompressedSize);
  return WriteRecord(file, record);
}

int WriteCentralDirectory(HFILE file) {
  WriterState& writer = WriteOperation();
  if (writer.entries.size() > kMaxEntries) return kWriterFileError;
  uint64_t size = 0;
  for (const ZipEntry& entry : writer.entries) {
    size += kCentralHeaderSize + entry.NameLength() + entry.CentralExtraLength() +
            entry.CommentLength();
  }
  const uint64_t start = writer.outputOffset;
  if (start + size + kEndRecordSize + writer.archiveComment.size() > kMaxArchiveSize) {
    return kWriterFileError;
  }
  if (!SeekFile(file, start)) return kWriterFileError;
  for (const ZipEntry& entry : writer.entries) {
    if (!WriteCentralHeader(file, entry)) return kWriterFileError;
  }
  if (!WriteEndRecord(file, static_cast<DWORD>(writer.entries.size()), static_cast<DWORD>(start),
                      static_cast<DWORD>(size), writer.archiveComment.data(),
                      static_cast<DWORD>(writer.archiveComment.size()))) {
    return kWriterFileError;
  }
  writer.outputOffset = start + size + kEndRecordSize + writer.archiveComment.size();
  // Bytes left behind by an entry that was written and then taken back must not follow the end
  // record: readers look for it near the end of the file.
  if (!SetEndOfFile(HandleFromHFile(file))) {
    writer.outputFailed = true;
    return kWriterFileError;
  }
  return kWriterDone;
}

BOOL SeekFile(HFILE file, uint64_t position) {
  if (file == HFILE_ERROR) return FALSE;
  LARGE_INTEGER target;
  target.QuadPart = static_cast<LONGLONG>(position);
  return SetFilePointerEx(HandleFromHFile(file), target, nullptr, FILE_BEGIN);
}

BOOL TellFile(HFILE file, uint64_t* position) {
  *position = 0;
  if (file == HFILE_ERROR) return FALSE;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  LARGE_INTEGER now;
  if (!SetFilePointerEx(HandleFromHFile(file), zero, &now, FILE_CURRENT)) return FALSE;
  *position = static_cast<uint64_t>(now.QuadPart);
  return TRUE;
}

BOOL RewindOutput(HFILE file, uint64_t offset) {
  if (!SeekFile(file, offset) || !SetEndOfFile(HandleFromHFile(file))) {
    WriteOperation().outputFailed = true;
    return FALSE;
  }
  WriteOperation().outputOffset = offset;
  return TRUE;
}
