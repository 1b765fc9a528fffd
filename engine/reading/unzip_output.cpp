// The output side of extraction: creating the output file of an entry, the 24,576-byte output
// buffer with its CRC-32 and progress message, and the adapter the decoders write through.
#include <cstring>

#include "core/crc32.h"
#include "reading/czunzip.h"
#include "files/drive_checks.h"
#include "base/engine_utils.h"
#include "files/file_ops.h"
#include "files/free_space_estimate.h"
#include "base/progress_messages.h"

namespace {

constexpr uint32_t kOutputBlockSize = kInputBlockSize;

// A unique, not yet existing name with the prefix "CST" in the temporary folder (OEM); empty
// when none can be made. The system creates the file to reserve the name; it is truncated when
// the entry is written to it.
CZText MakeTestFileName() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length > MAX_PATH) return CZText();
  char made[MAX_PATH + 1] = {};
  if (GetTempFileNameA(folder, "CST", 0, made) == 0) return CZText();
  CZText name = OemFromAnsi(made);
  name.MakeUpper();
  return name;
}

bool IsFullPath(const CZText& name) {
  return name.GetLength() >= 3 && name[1] == ':' && name[2] == '\\';
}

// Percentage of the entry written, exact for every 32-bit size, 0 for an empty entry.
WPARAM Percent(uint32_t written, uint32_t size) {
  if (size == 0) return 0;
  const uint64_t percent = static_cast<uint64_t>(written) * 100u / size;
  return static_cast<WPARAM>(percent > 100 ? 100 : percent);
}

}  // namespace

void UnzipDecoderOutput::BlockDone() { unzip_.PumpIfAllowed(); }

size_t UnzipDecoderInput::NextRun(const uint8_t** run) {
  unzip_.PumpIfAllowed();
  return unzip_.NextInputRun(run);
}

int CZUnzip::CreateOutputFile() {
  CZText name;
  if (testMode_) {
    if (!temporaryName_.IsEmpty()) FsDeleteFile(temporaryName_);
    temporaryName_ = MakeTestFileName();
    if (temporaryName_.IsEmpty() || !HasFreeSpace64(temporaryName_, 0)) return kExtractNoSpace;
    if (GetDriveKind(temporaryName_) == kDriveCdRom) return kExtractCdRom;
    if (IsDisketteWriteProtected(temporaryName_)) return kExtractWriteProtected;
    name = temporaryName_;
  } else if (singleFileMode_) {
    name = destinationFile_;
  } else {
    // The messages of normal extraction carry the full output path; the file is created by the
    // same path as the file system spells it.
    messageName_ = destinationFolder_ + mappedName_;
    name = FileSystemFolder() + mappedName_;
  }
  outputPath_ = name;
  if (IsFullPath(name) && !(freeSpace_ != nullptr ? freeSpace_->HasRoomFor(name, uncompressedSize_)
                                                  : HasFreeSpace64(name, uncompressedSize_))) {
    outputErrorLevel_ = 2;
    return kExtractWriteFailed;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (output_.Create(name)) return kUnzipOk;
    const DWORD attributes = FsGetAttributes(name);
    if (attributes == INVALID_FILE_ATTRIBUTES) return kExtractCannotCreate;
    if (!eraseReadOnly_ || attempt > 0) break;
    FsSetAttributes(name, FILE_ATTRIBUTE_ARCHIVE);  // a failure shows in the second try
  }
  if (!eraseReadOnly_ && (FsGetAttributes(name) & FILE_ATTRIBUTE_READONLY) != 0) {
    return kExtractSkipped;
  }
  return kExtractCannotOpen;
}

int CZUnzip::FlushOutput() {
  if (outputErrorLevel_ != 0) {
    bytesWritten_ += outputCount_;
    outputCount_ = 0;
    outputPointer_ = reinterpret_cast<uint8_t*>(comment_);
    return kExtractWriteFailed;
  }
  const uint8_t* start = reinterpret_cast<const uint8_t*>(comment_);
  if (outputCount_ > 0) {
    crc32_ = UpdateCrc32(crc32_, start, outputCount_);
    if (!output_.IsOpen() || !output_.Write(start, outputCount_)) {
      outputErrorLevel_ = 2;
      return kExtractWriteFailed;
    }
  }
  if (!testMode_) Notify(progress::kEntryExpanding, Percent(bytesWritten_, uncompressedSize_));
  bytesWritten_ += outputCount_;
  outputCount_ = 0;
  outputPointer_ = reinterpret_cast<uint8_t*>(comment_);
  return kUnzipOk;
}

void CZUnzip::WriteOutput(const uint8_t* data, size_t count) {
  if (comment_ == nullptr) return;
  while (count > 0) {
    const size_t room = kOutputBlockSize - outputCount_;
    const size_t take = count < room ? count : room;
    std::memcpy(comment_ + outputCount_, data, take);
    outputCount_ += static_cast<uint32_t>(take);
    outputPointer_ = reinterpret_cast<uint8_t*>(comment_) + outputCount_;
    data += take;
    count -= take;
    if (outputCount_ == kOutputBlockSize) FlushOutput();
  }
}

void CZUnzip::FlushWindow(size_t count) {
  if (window_ == nullptr) return;
  if (count > kUnzipWindowSize) count = kUnzipWindowSize;
  WriteOutput(window_, count);
}

void CZUnzip::Notify(UINT message, WPARAM wParam) {
  if (notifyWindow_ == nullptr || !IsWindow(notifyWindow_)) return;
  SendMessageA(notifyWindow_, message, wParam, reinterpret_cast<LPARAM>(messageName_.c_str()));
  PumpIfAllowed();
}
