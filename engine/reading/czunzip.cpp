// CZUnzip: state, preparing and freeing an archive, the end-record search and the directory
// checks, the directory walk, central headers and entry names, and the settings the control
// passes in.
#include "reading/czunzip.h"

#include <cstdlib>
#include <cstring>

#include "core/le_fields.h"
#include "core/zip_records.h"
#include "base/entry_case.h"
#include "base/entry_text.h"
#include "files/file_ops.h"

namespace {

// The archive as the end-record search reads it: whole blocks at absolute positions.
class ArchiveBlockReader : public PositionedReader {
 public:
  explicit ArchiveBlockReader(CZFile& file) : file_(file) {}
  int64_t ReadAt(uint32_t pos, uint8_t* destination, uint32_t n) override {
    LARGE_INTEGER target;
    target.QuadPart = pos;
    if (!SetFilePointerEx(file_.Handle(), target, nullptr, FILE_BEGIN)) return -1;
    DWORD got = 0;
    if (!file_.Read(destination, n, &got)) return -1;
    return got;
  }

 private:
  CZFile& file_;
};

}  // namespace

CZUnzip::CZUnzip() { ResetState(); }

CZUnzip::~CZUnzip() {
  CloseArchiveFile();
  FreeArchive();
  ResetState();
}

// ---- settings ----------------------------------------------------------------------------------

BOOL CZUnzip::SetNotifyWindow(HWND window) {
  if (window != nullptr && !IsWindow(window)) return FALSE;
  notifyWindow_ = window;
  return TRUE;
}

void CZUnzip::SetCancel(BOOL cancel) { cancel_ = cancel; }

BOOL CZUnzip::SetPassword(const char* password) {
  std::memset(password_, 0, sizeof password_);
  if (password == nullptr) return TRUE;
  const size_t length = std::strlen(password);
  const size_t kept = length > static_cast<size_t>(kUnzipMaxPassword) ? kUnzipMaxPassword : length;
  std::memcpy(password_, password, kept);
  return length == kept ? TRUE : FALSE;
}

int CZUnzip::GetReplaceFlag() const {
  if (lastReplaceAnswer_ == 3) return 1;
  if (lastReplaceAnswer_ == 2) return 0;
  return 2;
}

void CZUnzip::SetAskPassword(BOOL ask) {
  askPassword_ = ask ? TRUE : FALSE;
  lastPasswordAnswer_ = -1;
}

void CZUnzip::SetEraseReadOnly(BOOL erase) { eraseReadOnly_ = erase ? TRUE : FALSE; }

// ---- preparing, opening, freeing ---------------------------------------------------------------

BOOL CZUnzip::InitArchive(const char* archiveName) {
  FreeArchive();
  if (archiveName == nullptr) return FALSE;
  const size_t length = std::strlen(archiveName);
  // The name and a possible ".ZIP" must fit the name block with its terminator.
  if (length == 0 || length + 4 > static_cast<size_t>(kUnzipMaxNameLength)) return FALSE;
  archiveName_ =
      static_cast<char*>(archiveNameBlock_.Alloc(kUnzipNameBlockSize, kZeroFilledMovable));
  if (archiveName_ == nullptr) return FALSE;
  std::memcpy(archiveName_, archiveName, length + 1);

  WIN32_FILE_ATTRIBUTE_DATA data;
  const std::string ansi = AnsiFromOem(archiveName_);
  if (!GetFileAttributesExA(ansi.c_str(), GetFileExInfoStandard, &data)) {
    FreeArchive();
    return FALSE;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    std::memcpy(archiveName_ + length, ".ZIP", 5);  // the size recorded stays the folder's
  }
  archiveSize_ = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;

  input_ = static_cast<uint8_t*>(
      inputBlock_.Alloc(kInputBlockSize + kInputHoldBytes, kZeroFilledMovable));
  comment_ = static_cast<char*>(commentBlock_.Alloc(kUnzipCommentBlockSize, kZeroFilledMovable));
  entryName_ = static_cast<char*>(entryNameBlock_.Alloc(kUnzipNameBlockSize, kZeroFilledMovable));
  if (input_ == nullptr || comment_ == nullptr || entryName_ == nullptr) {
    FreeArchive();
    return FALSE;
  }
  holdBytes_ = input_ + kInputBlockSize;
  inputPointer_ = input_;
  bytesLeft_ = 0;
  blockCount_ = 0;
  blockPosition_ = -1;
  return TRUE;
}

BOOL CZUnzip::OpenArchiveFile() {
  CloseArchiveFile();
  if (archiveName_ == nullptr) return FALSE;
  if (!archive_.OpenForRead(archiveName_)) return FALSE;
  blockPosition_ = -1;
  blockCount_ = 0;
  bytesLeft_ = 0;
  return TRUE;
}

void CZUnzip::CloseArchiveFile() {
  if (archive_.IsOpen()) archive_.Close();  // Close releases the handle even when it fails
}

void CZUnzip::FreeArchive() {
  FreeExtraField();
  archiveNameBlock_.Free();
  inputBlock_.Free();
  commentBlock_.Free();
  entryNameBlock_.Free();
  archiveName_ = nullptr;
  input_ = nullptr;
  holdBytes_ = nullptr;
  comment_ = nullptr;
  entryName_ = nullptr;
}

void CZUnzip::ResetState() {
  compressedLeft_ = 0;
  uncompressedSize_ = 0;
  std::memset(signature_, 0, sizeof signature_);
  outputErrorLevel_ = 0;
  currentResult_ = 0;
  crc32_ = 0;
  endOfInput_ = FALSE;
  outputCount_ = 0;
  bytesLeft_ = 0;
  bytesWritten_ = 0;
  blockPosition_ = -1;
  blockCount_ = 0;
  bitCount_ = 0;
  archiveSize_ = 0;
  extraBytes_ = 0;
  bitBuffer_ = 0;
  FreeExtraField();
  inputPointer_ = nullptr;
  outputPointer_ = nullptr;
  fullEntryName_.clear();
  decryptRefills_ = FALSE;
  testMode_ = FALSE;
  singleFileMode_ = FALSE;
  viewMode_ = FALSE;
  askPassword_ = TRUE;
  destinationFolder_.Empty();
}

void CZUnzip::EndArchive() {
  CloseArchiveFile();
  FreeArchive();
  ResetState();
}

// ---- end record and directory ------------------------------------------------------------------

int CZUnzip::LocateEndRecord(int64_t* recordPosition) {
  // A file of 2 GiB or more cannot be addressed by the records' 32-bit offsets as this reader
  // counts them; it is refused rather than misread.
  if (!archive_.IsOpen() || input_ == nullptr || archiveSize_ <= 0 ||
      archiveSize_ > kUnzipMaxArchiveSize) {
    CloseArchiveFile();
    return kUnzipBadArchive;
  }
  ArchiveBlockReader reader(archive_);
  uint32_t found = 0;
  const bool located =
      FindEndRecordSignature(reader, static_cast<uint32_t>(archiveSize_), input_, &found);
  // The search used the input block as scratch: nothing of it is a valid block any more.
  blockPosition_ = -1;
  blockCount_ = 0;
  bytesLeft_ = 0;
  inputPointer_ = input_;
  uint8_t record[zip::end::kSize];
  if (!located || SeekTo(found) != 0 || ReadBytes(record, sizeof record) != sizeof record) {
    CloseArchiveFile();
    return kUnzipBadArchive;
  }
  end_.thisDisk = GetLE16(record + zip::end::kThisDisk);
  end_.directoryDisk = GetLE16(record + zip::end::kDirectoryDisk);
  end_.entriesThisDisk = GetLE16(record + zip::end::kEntriesThisDisk);
  end_.totalEntries = GetLE16(record + zip::end::kEntriesTotal);
  end_.directorySize = GetLE32(record + zip::end::kDirectorySize);
  end_.directoryOffset = GetLE32(record + zip::end::kDirectoryOffset);
  end_.commentLength = GetLE16(record + zip::end::kCommentLength);
  *recordPosition = found;
  return kUnzipOk;
}

int CZUnzip::CheckDirectory(int64_t recordPosition) {
  const int64_t extra = recordPosition - (static_cast<int64_t>(end_.directoryOffset) +
                                          static_cast<int64_t>(end_.directorySize));
  // A record in front of the directory it describes is damage, not a warning.
  if (extra < 0) {
    CloseArchiveFile();
    return kUnzipBadArchive;
  }
  // An empty directory has no header to find where it is said to begin, whether that offset is 0
  // or the record's own position (an archive emptied behind a program in front of it).
  if (end_.directorySize == 0 && (end_.directoryOffset == 0 || end_.totalEntries == 0)) {
    CloseArchiveFile();  // no entries: callers accept 1 and their walks find nothing
    return kUnzipWarning;
  }
  if (extra > 0) {
    if (end_.directoryOffset == 0) {
      // The directory offset was zeroed while bytes went in front: the directory ends at the
      // record, so its start is the distance found.
      end_.directoryOffset = static_cast<uint32_t>(extra);
      extraBytes_ = 0;
      currentResult_ = kUnzipWarning;
    } else {
      extraBytes_ = extra;
      currentResult_ = kUnzipExtraBytes;
    }
  }
  char signature[4];
  if (SeekTo(extraBytes_ + end_.directoryOffset) != 0 || ReadBytes(signature, 4) != 4 ||
      !zip::HasSignature(signature, zip::kCentralSignature)) {
    // The offsets may already count the bytes in front.
    extraBytes_ = 0;
    if (SeekTo(end_.directoryOffset) != 0 || ReadBytes(signature, 4) != 4 ||
        !zip::HasSignature(signature, zip::kCentralSignature)) {
      CloseArchiveFile();
      return kUnzipBadArchive;
    }
    currentResult_ = kUnzipWarning;
  }
  if (SeekTo(extraBytes_ + end_.directoryOffset) != 0) {
    CloseArchiveFile();
    return kUnzipBadArchive;
  }
  return currentResult_;
}

int CZUnzip::FindEndCentralDir() {
  currentResult_ = kUnzipOk;
  extraBytes_ = 0;
  int64_t recordPosition = 0;
  const int located = LocateEndRecord(&recordPosition);
  if (located != kUnzipOk) return located;
  return CheckDirectory(recordPosition);
}

int CZUnzip::FindEndRecordForComment(uint16_t* commentLength) {
  currentResult_ = kUnzipOk;
  int64_t recordPosition = 0;
  const int located = LocateEndRecord(&recordPosition);
  if (located != kUnzipOk) return located;
  if (commentLength != nullptr) *commentLength = end_.commentLength;
  return kUnzipOk;
}

// ---- the directory walk ------------------------------------------------------------------------

CentralWalk CZUnzip::ForEachCentralEntry(const char* archiveName, const CentralVisit& visit) {
  // The archive is ended (closed, freed, reset) whichever way the walk leaves.
  struct Ending {
    CZUnzip& unzip;
    ~Ending() { unzip.EndArchive(); }
  } ending{*this};
  CentralWalk walk;
  if (!InitArchive(archiveName) || !OpenArchiveFile()) return walk;
  walk.search = FindEndCentralDir();
  walk.endRecord = end_;
  if (!walk.Accepted()) return walk;
  walk.closedEmpty = !archive_.IsOpen();
  if (visit) walk.end = WalkCentralDirectory(visit);
  return walk;
}

CentralWalkEnd CZUnzip::WalkCentralDirectory(const CentralVisit& visit) {
  for (unsigned i = 0; i < end_.totalEntries; ++i) {
    char signature[4];
    if (ReadBytes(signature, 4) != 4 || !zip::HasSignature(signature, zip::kCentralSignature) ||
        ReadCentralHeader(TRUE) != kUnzipOk) {
      return CentralWalkEnd::kNoHeader;
    }
    // A cut name does not end the walk: the visitor decides what it means for the entry.
    const int name = ReadFileName(central_.nameLength, central_.flags);
    if (name != kUnzipOk && name != kUnzipNameTooLong) return CentralWalkEnd::kUnreadable;
    if (ReadExtraField(central_.extraLength) > 1) return CentralWalkEnd::kUnreadable;
    const int64_t behindComment = InputPosition() + central_.commentLength;
    if (!visit(i, name)) return CentralWalkEnd::kStopped;
    if (InputPosition() != behindComment && SeekTo(behindComment) != kUnzipOk) {
      return CentralWalkEnd::kUnreadable;
    }
  }
  return CentralWalkEnd::kAll;
}

// ---- central headers and names -----------------------------------------------------------------

int CZUnzip::ReadCentralHeader(BOOL full) {
  // The record without its signature, which the caller has read and compared.
  constexpr size_t kBody = zip::central::kSize - 4;
  uint8_t body[kBody];
  if (ReadBytes(body, kBody) != static_cast<long>(kBody)) return kUnzipBadArchive;
  const auto field = [&body](size_t recordOffset) { return body + recordOffset - 4; };
  if (full) {
    central_.versionMadeBy = *field(zip::central::kVersionMadeBy);
    central_.hostSystem = *field(zip::central::kHostMadeUnder);
    central_.versionNeeded = *field(zip::central::kVersionNeeded);
    central_.hostNeeded = *field(zip::central::kHostNeeded);
    central_.diskNumberStart = GetLE16(field(zip::central::kDiskStart));
    central_.internalAttributes = GetLE16(field(zip::central::kInternalAttributes));
  }
  central_.flags = GetLE16(field(zip::central::kFlags));
  central_.method = GetLE16(field(zip::central::kMethod));
  central_.time = GetLE16(field(zip::central::kTime));
  central_.date = GetLE16(field(zip::central::kDate));
  central_.crc32 = GetLE32(field(zip::central::kCrc32));
  central_.compressedSize = GetLE32(field(zip::central::kCompressedSize));
  central_.uncompressedSize = GetLE32(field(zip::central::kUncompressedSize));
  central_.nameLength = GetLE16(field(zip::central::kNameLength));
  central_.extraLength = GetLE16(field(zip::central::kExtraLength));
  central_.commentLength = GetLE16(field(zip::central::kCommentLength));
  central_.externalAttributes = GetLE32(field(zip::central::kExternalAttributes));
  central_.localHeaderOffset = GetLE32(field(zip::central::kLocalHeaderOffset));
  return kUnzipOk;
}

int CZUnzip::ReadFileName(unsigned length, uint16_t flags) {
  if (entryName_ == nullptr) return kUnzipBadArchive;
  // An empty name must not leave the previous entry's name in place, where it would be taken
  // for this entry's.
  fullEntryName_.assign(length, '\0');
  if (length > 0 &&
      ReadBytes(fullEntryName_.data(), static_cast<long>(length)) != static_cast<long>(length)) {
    fullEntryName_.clear();
    entryName_[0] = '\0';
    return kUnzipBadArchive;
  }
  EntryTextToOem(flags, fullEntryName_);
  UpperCaseOem(fullEntryName_);
  for (char& c : fullEntryName_) {
    if (c == '/') c = '\\';
  }
  // The limit counts the characters held (a UTF-8 name may be stored in more bytes).
  const size_t held = fullEntryName_.size();
  const size_t kept = held > static_cast<size_t>(kUnzipMaxNameLength) ? kUnzipMaxNameLength : held;
  std::memcpy(entryName_, fullEntryName_.data(), kept);
  entryName_[kept] = '\0';
  // Each name reports its own status: a cut name is a warning for this entry only.
  return kept < held ? kUnzipNameTooLong : kUnzipOk;
}
