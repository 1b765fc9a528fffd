// The extraction driver of CZUnzip: UnzipFiles, UnzipToFile and the slow archive test. It walks
// the central directory in batches of at most 64 selected entries, then for each one reads its
// local header, maps its name below the destination, asks for its password and about an existing
// file when it has to, decodes it with the decoder of its method into the output file, checks the
// CRC-32 and gives the file its time and attributes.
//
// Entry names are untrusted: the mapping drops every component that could climb out of the
// destination folder, so no entry is ever written outside it.
#include <cstring>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/explode.h"
#include "core/inflate.h"
#include "core/le_fields.h"
#include "core/unreduce.h"
#include "core/unshrink.h"
#include "core/zip_records.h"
#include "reading/czunzip.h"
#include "reading/view_launch.h"
#include "reading/inflate_ahead.h"
#include "files/current_folder.h"
#include "files/drive_checks.h"
#include "base/engine_utils.h"
#include "base/entry_case.h"
#include "files/file_ops.h"
#include "files/file_fault.h"
#include "files/file_time.h"
#include "files/free_space_estimate.h"
#include "base/prompts.h"
#include "base/progress_messages.h"

namespace {

constexpr unsigned kBatchSize = 64;
// Attribute bits an extracted file may take from its entry: read-only, hidden, system, archive
// (the folder and volume bits describe no file).
constexpr DWORD kFileAttributeBits = 0x27;

// The current folder, OEM, upper case, ending in '\'.
CZText CurrentFolder() {
  const std::string folder = CurrentFolderAnsi();
  if (folder.empty()) return CZText();
  CZText result = OemFromAnsi(folder.c_str());
  result.MakeUpper();
  if (!result.IsEmpty() && result[result.GetLength() - 1] != '\\') result += '\\';
  return result;
}

// folder (OEM, "X:\\...\\") as the file system spells it: each level in the case of its name on
// disk. folder itself when a level cannot be found or is not the same name in another case (a
// short name that stands for a longer one).
CZText SpelledOnDisk(const CZText& folder) {
  const std::string ansi = AnsiFromOem(folder);
  if (ansi.size() < 3 || ansi[1] != ':' || ansi[2] != '\\') return folder;
  std::string spelled = ansi.substr(0, 3);
  for (size_t at = 3; at < ansi.size();) {
    size_t end = ansi.find('\\', at);
    if (end == std::string::npos) end = ansi.size();
    const std::string level = ansi.substr(at, end - at);
    if (level.empty() || level.find_first_of("*?") != std::string::npos) return folder;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((spelled + level).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return folder;
    FindClose(find);
    if (std::strlen(found.cFileName) != level.size()) return folder;
    spelled += found.cFileName;
    spelled += '\\';
    at = end + 1;
  }
  CZText result = OemFromAnsi(spelled.c_str());
  CZText upper = result;
  upper.MakeUpper();
  return upper == folder ? result : folder;
}

// Makes the destination (OEM) the current folder, upper case; a missing last level is made.
BOOL EnterDestination(const std::string& path) {
  std::string folder = path;
  UpperCaseOem(folder);
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  if (folder.size() > 3 && folder.back() == '/') folder.pop_back();
  return ChangeToFolder(folder, MissingFolder::kMakeLastLevel);
}

// The mask list's one mask: "*.*" for an empty mask, '\' as separator.
std::string PrepareMask(const char* mask) {
  std::string result = mask != nullptr ? mask : "";
  if (result.empty()) return "*.*";
  for (char& c : result) {
    if (c == '/') c = '\\';
  }
  return result;
}

bool IsReservedDeviceName(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// One path component as a file-system name: drive colons and characters no name may hold
// become '_', trailing dots and blanks go (the system would drop them, and a component of dots
// alone would name the folder itself or its parent), a device name gets a '_' in front.
std::string CleanComponent(const std::string& raw) {
  std::string part;
  for (char c : raw) {
    const auto byte = static_cast<unsigned char>(c);
    part += (byte < 32 || std::strchr(":<>\"|?*", c) != nullptr) ? '_' : c;
  }
  while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
  if (!part.empty() && IsReservedDeviceName(part)) part.insert(part.begin(), '_');
  return part;
}

// The entry name as a relative path: the folder components (none with dropFolders) and the file
// part joined by '\'. folderEntry: the name has no file part (it ends with a separator, or its
// last component vanished); the path is then the folders alone.
std::string SafeRelativePath(const std::string& name, bool dropFolders, bool* folderEntry) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : name) {
    if (c == '\\' || c == '/') {
      std::string part = CleanComponent(current);
      if (!part.empty()) parts.push_back(part);
      current.clear();
    } else {
      current += c;
    }
  }
  const std::string file = CleanComponent(current);
  *folderEntry = file.empty();
  if (dropFolders) return file;
  if (!file.empty()) parts.push_back(file);
  std::string path;
  for (const std::string& part : parts) {
    if (!path.empty()) path += '\\';
    path += part;
  }
  return path;
}

constexpr OverwriteFlags kNeverReplace{TRUE, FALSE, FALSE, FALSE};
constexpr OverwriteFlags kAlwaysReplace{FALSE, TRUE, TRUE, FALSE};
constexpr OverwriteFlags kAskEach{FALSE, FALSE, FALSE, FALSE};
// The single-file mode and the test replace without asking, but not "all" at once.
constexpr OverwriteFlags kReplaceEach{FALSE, TRUE, FALSE, FALSE};

bool IsSupportedMethod(uint16_t method) {
  return method <= zip::kMethodImploded || method == zip::kMethodDeflated;
}

}  // namespace

// The decoding ahead of one batch: started with the batch, stopped (and the reader's pointer to it
// cleared) on every path out of it.
class BatchAhead {
 public:
  BatchAhead(CZUnzip& unzip, const std::vector<UnzipBatchEntry>& batch) : unzip_(unzip) {
    std::vector<InflateAhead::Entry> entries;
    entries.reserve(batch.size());
    for (const UnzipBatchEntry& entry : batch) {
      entries.push_back({unzip.ExtraBytes() + entry.localHeaderOffset, entry.flags, entry.crc32,
                         entry.compressedSize, entry.uncompressedSize});
    }
    ahead_ =
        InflateAhead::Start(AnsiFromOem(unzip.ArchiveName()), unzip.archive_.Handle(), entries);
    unzip_.inflateAhead_ = ahead_.get();
  }
  ~BatchAhead() { unzip_.inflateAhead_ = nullptr; }
  BatchAhead(const BatchAhead&) = delete;
  BatchAhead& operator=(const BatchAhead&) = delete;

 private:
  CZUnzip& unzip_;
  std::unique_ptr<InflateAhead> ahead_;
};

// One extraction operation: begun (CZUnzip::BeginExtraction) and from then on ended on every path
// out (CZUnzip::EndExtraction), the saved current folder restored after it.
class ExtractionSession {
 public:
  explicit ExtractionSession(CZUnzip& unzip) : unzip_(unzip) { unzip_.freeSpace_ = &freeSpace_; }
  ~ExtractionSession() {
    unzip_.freeSpace_ = nullptr;
    if (!begun_) return;
    unzip_.EndExtraction();
    if (!savedFolder_.empty()) SetCurrentDirectoryA(savedFolder_.c_str());
  }
  ExtractionSession(const ExtractionSession&) = delete;
  ExtractionSession& operator=(const ExtractionSession&) = delete;

  // The result of CZUnzip::BeginExtraction; a mask refused for its length begins nothing.
  int Begin(const char* archiveName, const char* mask) {
    const int result = unzip_.BeginExtraction(archiveName, mask);
    begun_ = result != kExtractMaskTooLong;
    return result;
  }
  void SaveCurrentFolder() { savedFolder_ = CurrentFolderAnsi(); }

 private:
  CZUnzip& unzip_;
  bool begun_ = false;
  std::string savedFolder_;  // ANSI, as the system gave it
  FreeSpaceEstimate freeSpace_;
};

int CZUnzip::BeginExtraction(const char* archiveName, const char* mask) {
  if (mask != nullptr && std::strlen(mask) >= static_cast<size_t>(kUnzipNameBlockSize)) {
    return kExtractMaskTooLong;
  }
  if (!testMode_) lastReplaceAnswer_ = -1;
  lastPasswordAnswer_ = -1;
  if (!InitArchive(archiveName)) return kExtractNoMemory;
  if (!OpenArchiveFile()) return kUnzipCannotOpen;
  return kUnzipOk;
}

void CZUnzip::EndExtraction() {
  if (output_.IsOpen()) output_.Close();
  if (!temporaryName_.IsEmpty()) FsDeleteFile(temporaryName_);
  windowBlock_.Free();
  window_ = nullptr;
  EndArchive();
  temporaryName_.Empty();
  mappedName_.Empty();
  outputPath_.Empty();
  messageName_.Empty();
  destinationFile_.Empty();
  destinationOnDisk_.Empty();
}

void CZUnzip::SetOverwriteFlags(const OverwriteFlags& flags) {
  neverOverwrite_ = flags.never;
  alwaysOverwrite_ = flags.always;
  overwriteAll_ = flags.all;
  updateOnly_ = flags.updateOnly;
}

// ---- the operations ----------------------------------------------------------------------------

int CZUnzip::IsZIPFile(const char* archiveName, BOOL quick) {
  return quick ? IsZIPFileQuick(archiveName) : TestArchive(archiveName);
}

int CZUnzip::UnzipFiles(const char* archiveName, const char* mask, const char* destination,
                        short overwriteMode, BOOL recreateFolders) {
  ExtractionSession session(*this);
  const int begun = session.Begin(archiveName, mask);
  if (begun != kUnzipOk) return begun;
  const std::string target = destination != nullptr ? destination : "";
  if (target.size() >= 2) {
    session.SaveCurrentFolder();
    // A destination that cannot be made current (for example two missing levels) stops the
    // operation before anything is written anywhere else.
    if (!EnterDestination(target)) return kExtractBadData;
  }
  destinationFolder_ = CurrentFolder();
  if (destinationFolder_.IsEmpty()) return kExtractBadData;
  destinationOnDisk_ = SpelledOnDisk(destinationFolder_);
  if (target.size() >= 2) {
    if (!HasFreeSpace64(destinationFolder_, 0)) return kExtractNoSpace;
    if (GetDriveKind(destinationFolder_) == kDriveCdRom) return kExtractCdRom;
    if (IsDisketteWriteProtected(destinationFolder_)) return kExtractWriteProtected;
  }
  dropFolders_ = recreateFolders ? FALSE : TRUE;
  viewMode_ = FALSE;
  switch (overwriteMode) {
    case 1:
      SetOverwriteFlags(kAlwaysReplace);
      break;
    case 2:
      SetOverwriteFlags(kAskEach);
      break;
    case 3:
      updateOnly_ = TRUE;  // the other flags play no part then
      break;
    default:  // 0, and any unknown mode: never replace an existing file
      SetOverwriteFlags(kNeverReplace);
      break;
  }
  const int found = FindEndCentralDir();
  if (found >= 2 && found != kUnzipExtraBytes) return kExtractBadData;
  return ExtractMatching(PrepareMask(mask).c_str());
}

int CZUnzip::UnzipToFile(const char* archiveName, const char* mask, const char* destinationFile) {
  ExtractionSession session(*this);
  const int begun = session.Begin(archiveName, mask);
  if (begun != kUnzipOk) return begun;
  if (destinationFile == nullptr || destinationFile[0] == '\0') return kExtractCannotCreate;
  char full[MAX_PATH + 1] = {};
  const DWORD length =
      GetFullPathNameA(AnsiFromOem(destinationFile).c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return kExtractCannotCreate;
  destinationFile_ = OemFromAnsi(full);
  destinationFile_.MakeUpper();
  const int slash = destinationFile_.ReverseFind('\\');
  destinationFolder_ = destinationFile_.Left(slash + 1);
  singleFileMode_ = TRUE;
  dropFolders_ = TRUE;
  SetOverwriteFlags(kReplaceEach);
  const int found = FindEndCentralDir();
  if (found >= 2 && found != kUnzipExtraBytes) return kExtractBadData;
  return ExtractMatching(PrepareMask(mask).c_str());
}

int CZUnzip::TestArchive(const char* archiveName) {
  testMode_ = TRUE;  // before the opening: a test keeps the last replace answer
  ExtractionSession session(*this);
  const int begun = session.Begin(archiveName, nullptr);
  if (begun != kUnzipOk) return begun;
  destinationFolder_ = CurrentFolder();
  dropFolders_ = TRUE;
  SetOverwriteFlags(kReplaceEach);
  const int found = FindEndCentralDir();
  if (found >= 2 && found != kUnzipExtraBytes) return kExtractBadData;
  const int result = ExtractMatching("*.*");
  return found == kUnzipExtraBytes && result < 2 ? kUnzipExtraBytes : result;
}

// ---- the directory walk ------------------------------------------------------------------------

BOOL CZUnzip::View(const char* archiveName, const char* mask, BOOL useTextEditor,
                   const char* folder) {
  ExtractionSession session(*this);
  if (session.Begin(archiveName, mask) != kUnzipOk) return FALSE;
  const std::string target = folder != nullptr ? folder : "";
  if (target.size() < 2) return FALSE;
  session.SaveCurrentFolder();
  // Nothing is extracted anywhere but into the view folder.
  if (!EnterDestination(target)) return FALSE;
  destinationFolder_ = CurrentFolder();
  if (destinationFolder_.IsEmpty()) return FALSE;
  viewMode_ = TRUE;
  useTextEditor_ = useTextEditor;
  dropFolders_ = FALSE;
  SetOverwriteFlags(kAlwaysReplace);
  const int found = FindEndCentralDir();
  if (found >= 2 && found != kUnzipExtraBytes) return FALSE;
  const int result = ExtractMatching(PrepareMask(mask).c_str());
  return result == kUnzipOk || result == kExtractSkipped ? TRUE : FALSE;
}

int CZUnzip::ExtractMatching(const char* mask) {
  currentResult_ = kUnzipOk;
  int unsupported = 0;
  int lastFailure = 0;
  int walkFailure = 0;
  int stopped = 0;  // the result of a write failure, which stops the operation at once
  bool passwordSkipped = false;
  bool launched = false;  // view mode: currentResult_ holds the last launch's outcome
  const bool exact = std::strpbrk(mask, "*?") == nullptr;
  // Entry names are upper case in OEM; the mask is upper-cased by the same rules (a comparison
  // by the ANSI code page would miss every letter outside ASCII).
  std::string exactName = mask;
  UpperCaseOem(exactName);
  std::vector<UnzipBatchEntry> batch;
  batch.reserve(kBatchSize);

  // The steps of the collected entries; false when a write failure stops the operation.
  const auto processBatch = [&]() {
    // The batch's deflated entries are decoded ahead on worker threads while this thread writes.
    BatchAhead ahead(*this, batch);
    for (const UnzipBatchEntry& entry : batch) {
      if (cancel_) break;
      outputErrorLevel_ = 0;
      bool skippedForPassword = false;
      viewEntryWritten_ = FALSE;
      const int result = ProcessEntry(entry, &skippedForPassword);
      // The block may hold decrypted bytes now: it must not serve any later read.
      if ((local_.flags & zip::kFlagEncrypted) != 0 || decryptRefills_) {
        blockPosition_ = -1;
        blockCount_ = 0;
        bytesLeft_ = 0;
      }
      decryptRefills_ = FALSE;
      if (skippedForPassword) passwordSkipped = true;
      if (result != kUnzipOk) {
        if (outputErrorLevel_ > 1) {
          stopped = result;
          return false;
        }
        lastFailure = result;
      }
      if (viewMode_ && viewEntryWritten_) {
        // A failed launch stops the rest: they are neither extracted nor opened.
        const BOOL started =
            viewlaunch::LaunchViewedFile(messageName_.c_str(), useTextEditor_, runExecutables_);
        currentResult_ =
            started ? static_cast<int>(kUnzipWarning) : static_cast<int>(kExtractSkipped);
        launched = true;
        if (!started) cancel_ = TRUE;
      }
    }
    batch.clear();
    return true;
  };

  // The directory is walked in batches of at most 64 selected entries: each full batch is
  // processed before the walk goes on.
  if (cancel_) return kUnzipOk;
  const unsigned total = end_.totalEntries;
  const CentralWalkEnd walked = WalkCentralDirectory([&](unsigned index, int name) {
    if (SkipBytes(central_.commentLength) > 1) {
      walkFailure = kUnzipBadArchive;
      return false;
    }
    const bool selected = exact ? FullEntryName() == exactName
                                : MatchFileFilter(FullEntryName().c_str(), mask) != FALSE;
    bool last = index + 1 == total;
    if (selected) {
      if (exact) last = true;  // an exact name stops at its first match
      // A cut name would be written under a name that is not the entry's.
      // An entry whose method alone is unknown goes on to its steps, which report it (messages
      // with 0, result 10) without creating any file.
      if (name == kUnzipNameTooLong || central_.versionNeeded > 20 || central_.hostNeeded == 2) {
        ++unsupported;
      } else {
        UnzipBatchEntry entry;
        entry.localHeaderOffset = central_.localHeaderOffset;
        entry.externalAttributes = central_.externalAttributes;
        entry.flags = central_.flags;
        entry.crc32 = central_.crc32;
        entry.compressedSize = central_.compressedSize;
        entry.uncompressedSize = central_.uncompressedSize;
        batch.push_back(entry);
      }
    }
    if (!last && batch.size() < kBatchSize) return true;
    if (!processBatch() || last || cancel_) return false;
    blockPosition_ = -1;  // the walk rereads the directory's block as it is in the file
    return true;
  });
  if (walked == CentralWalkEnd::kNoHeader || walked == CentralWalkEnd::kUnreadable) {
    walkFailure = kUnzipBadArchive;
  }
  // A walk that broke off still processes the entries it collected.
  if (stopped == 0 && !batch.empty()) processBatch();
  if (stopped != 0) return stopped;
  if (lastFailure != 0) return lastFailure;
  if (walkFailure != 0) return walkFailure;
  if (launched) return currentResult_;
  if (unsupported != 0) return kExtractSkipped;
  return passwordSkipped ? kUnzipWarning : kUnzipOk;
}

// ---- one entry ---------------------------------------------------------------------------------

int CZUnzip::ProcessEntry(const UnzipBatchEntry& entry, bool* passwordSkipped) {
  if (cancel_) return kUnzipOk;
  uint8_t record[zip::local::kSize];
  if (SeekTo(extraBytes_ + entry.localHeaderOffset) != kUnzipOk ||
      ReadBytes(record, sizeof record) != static_cast<long>(sizeof record) ||
      !zip::HasSignature(record, zip::kLocalSignature)) {
    return kUnzipBadArchive;
  }
  local_.versionNeeded = record[zip::local::kVersionNeeded];
  local_.hostNeeded = record[zip::local::kHostNeeded];
  local_.flags = GetLE16(record + zip::local::kFlags);
  local_.method = GetLE16(record + zip::local::kMethod);
  local_.time = GetLE16(record + zip::local::kTime);
  local_.date = GetLE16(record + zip::local::kDate);
  local_.crc32 = GetLE32(record + zip::local::kCrc32);
  local_.compressedSize = GetLE32(record + zip::local::kCompressedSize);
  local_.uncompressedSize = GetLE32(record + zip::local::kUncompressedSize);
  local_.nameLength = GetLE16(record + zip::local::kNameLength);
  local_.extraLength = GetLE16(record + zip::local::kExtraLength);
  // Writers that stream give the CRC and the sizes only after the data (flag bit 3), leaving
  // the local fields 0: the central header has the real values.
  if ((local_.flags & zip::kFlagDataDescriptor) != 0) {
    local_.crc32 = entry.crc32;
    local_.compressedSize = entry.compressedSize;
    local_.uncompressedSize = entry.uncompressedSize;
  }
  compressedLeft_ = local_.compressedSize;
  uncompressedSize_ = local_.uncompressedSize;
  entryAttributes_ = entry.externalAttributes;

  const int name = ReadFileName(local_.nameLength, local_.flags);
  if (name == kUnzipNameTooLong) return kExtractSkipped;
  if (name != kUnzipOk) return kUnzipBadArchive;
  if (ReadExtraField(local_.extraLength) > 1) return kUnzipBadArchive;

  BOOL folderEntry = FALSE;
  const int mapped = MapOutputName(&folderEntry);
  if (mapped != kUnzipOk) return mapped;
  const bool normalMode = !testMode_ && !singleFileMode_;
  messageName_ = normalMode ? destinationFolder_ + mappedName_ : mappedName_;
  if (folderEntry) {
    // A folder entry makes its folders (when folders are recreated) and writes no file; an entry
    // with data but without a file part cannot be written.
    if (normalMode && !dropFolders_) {
      const int made = MakeEntryFolders(TRUE);
      if (made != kUnzipOk) return made;
    }
    // Writers store an empty folder entry with the method of the archive: nothing, an empty
    // deflate stream, and either behind an encryption header. Only what decodes to bytes is data.
    const bool empty = local_.uncompressedSize == 0 && local_.crc32 == 0;
    return empty ? static_cast<int>(kUnzipOk) : static_cast<int>(kExtractBadData);
  }

  // Nothing is asked about an entry that cannot be decoded: ExtractEntry reports it at once.
  if (!IsSupportedMethod(local_.method)) return ExtractEntry();

  if ((local_.flags & zip::kFlagEncrypted) != 0) {
    uint8_t header[kEncryptionHeaderSize];
    if (!ReadEncryptionHeader(header)) return kUnzipBadArchive;
    bool skipped = false;
    AskForPassword(header, &skipped);
    if (skipped) {
      *passwordSkipped = true;
      return kUnzipOk;
    }
  }
  if (normalMode && !dropFolders_) {
    const int made = MakeEntryFolders(FALSE);
    if (made != kUnzipOk) return made;
  }
  if (!testMode_ && DecideOverwrite() != 0) return kUnzipOk;
  if (cancel_) return kUnzipOk;
  outputErrorLevel_ = 0;
  const int extracted = ExtractEntry();
  viewEntryWritten_ = extracted == kUnzipOk ? TRUE : FALSE;
  return extracted;
}

int CZUnzip::MapOutputName(BOOL* folderEntry) {
  bool noFilePart = false;
  std::string name = entryName_ != nullptr ? entryName_ : "";
  UpperCaseOem(name);
  const std::string path = SafeRelativePath(name, dropFolders_ != FALSE, &noFilePart);
  *folderEntry = noFilePart ? TRUE : FALSE;
  mappedName_ = path;
  // A name that does not fit is refused for this entry; a cut name is never written.
  const size_t joined = (singleFileMode_ ? destinationFile_.GetLength()
                                         : destinationFolder_.GetLength() + path.size());
  if (joined >= MAX_PATH || path.size() >= MAX_PATH) return kExtractSkipped;
  return kUnzipOk;
}

int CZUnzip::MakeEntryFolders(BOOL lastIsFolder) {
  const std::string path = mappedName_.str();
  size_t end = 0;
  while (end < path.size()) {
    const size_t separator = path.find('\\', end);
    if (separator == std::string::npos && !lastIsFolder) break;
    end = separator == std::string::npos ? path.size() : separator;
    const CZText folder = FileSystemFolder() + path.substr(0, end).c_str();
    const DWORD attributes = FsGetAttributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!CreateDirectoryA(AnsiFromOem(folder).c_str(), nullptr) &&
          (FsGetAttributes(folder) & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return kExtractBadData;
      }
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return kExtractBadData;  // a file of that name is in the way
    }
    ++end;
  }
  return kUnzipOk;
}

int CZUnzip::CompareWithExisting(const char* oemName, uint16_t dosDate, uint16_t dosTime) {
  FILETIME existing;
  if (oemName == nullptr || !GetFileModTime(existing, oemName)) return -1;
  FILETIME entry;
  // An entry time that names no valid time is never newer than a file.
  if (!FileTimeFromDosDateTime(dosDate, dosTime, &entry)) return 1;
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  constexpr uint64_t kTicksPerSecond = 10000000;
  uint64_t fileSeconds = (ticks(existing) + kTicksPerSecond - 1) / kTicksPerSecond;
  if ((fileSeconds & 1) != 0) ++fileSeconds;  // the entry's time has two-second steps
  const uint64_t entrySeconds = ticks(entry) / kTicksPerSecond;
  return fileSeconds < entrySeconds ? 0 : 1;
}

int CZUnzip::DecideOverwrite() {
  // Replacing always, whatever the existing file's time: no question, no comparison to make.
  if (alwaysOverwrite_ && overwriteAll_ && !neverOverwrite_ && !updateOnly_) return 0;
  CZText existing = singleFileMode_ ? destinationFile_ : destinationFolder_ + mappedName_;
  const CZText onDisk = singleFileMode_ ? destinationFile_ : FileSystemFolder() + mappedName_;
  const int compared = CompareWithExisting(onDisk, local_.date, local_.time);
  if (compared < 0) return 0;
  bool ask = false;
  if (compared == 0) {
    existingIsNewer_ = FALSE;
    if (neverOverwrite_ && !updateOnly_) return 1;
    ask = !alwaysOverwrite_ && !overwriteAll_ && !updateOnly_;
  } else {
    existingIsNewer_ = TRUE;
    if (neverOverwrite_ || updateOnly_) return 1;
    ask = !alwaysOverwrite_ && !overwriteAll_;
  }
  if (!ask) return 0;
  EnginePrompts* prompts = GetEnginePrompts();
  // Without a handler the question gets its cautious answer: the file stays.
  const ReplaceAnswer answer =
      prompts != nullptr
          ? prompts->AskReplace(existing, existingIsNewer_ != FALSE, !singleFileMode_, true)
          : kReplaceNo;
  switch (answer) {
    case kReplaceYes:
      return 0;
    case kReplaceNever:
      neverOverwrite_ = TRUE;
      alwaysOverwrite_ = FALSE;
      overwriteAll_ = FALSE;
      lastReplaceAnswer_ = 2;
      return 1;
    case kReplaceAlways:
      alwaysOverwrite_ = TRUE;
      neverOverwrite_ = FALSE;
      lastReplaceAnswer_ = 3;
      return 0;
    case kReplaceRename: {
      if (singleFileMode_) return 1;
      // The typed name is relative to the destination (a full name inside it is taken as
      // relative too) and passes the same mapping as entry names.
      std::string typed = existing.str();
      UpperCaseOem(typed);
      const std::string& folder = destinationFolder_.str();
      if (typed.size() > folder.size() && typed.compare(0, folder.size(), folder) == 0) {
        typed.erase(0, folder.size());
      }
      bool noFilePart = false;
      const std::string path = SafeRelativePath(typed, dropFolders_ != FALSE, &noFilePart);
      if (noFilePart || destinationFolder_.GetLength() + path.size() >= MAX_PATH) return 1;
      mappedName_ = path;
      messageName_ = destinationFolder_ + mappedName_;
      if (!dropFolders_ && MakeEntryFolders(FALSE) != kUnzipOk) return 1;
      return 0;
    }
    default:
      return 1;
  }
}

int CZUnzip::AskForPassword(const uint8_t (&header)[kEncryptionHeaderSize], bool* skipped) {
  *skipped = false;
  while (!CheckPassword(header)) {
    EnginePrompts* prompts = GetEnginePrompts();
    if (!askPassword_ || lastPasswordAnswer_ == kPasswordNever || prompts == nullptr) {
      *skipped = true;
      return kUnzipWarning;
    }
    CZText password(password_);
    const CZText entry(entryName_ != nullptr ? entryName_ : "");
    const PasswordAnswer answer = prompts->AskPassword(password, entry);
    if (answer == kPasswordRetry) {
      SetPassword(password);
      lastPasswordAnswer_ = kPasswordRetry;
      continue;
    }
    lastPasswordAnswer_ = answer == kPasswordNever ? kPasswordNever : kPasswordBypass;
    *skipped = true;
    return kUnzipWarning;
  }
  return kUnzipOk;
}

int CZUnzip::ExtractEntry() {
  crc32_ = kCrc32Initial;
  outputCount_ = 0;
  bytesWritten_ = 0;
  bitBuffer_ = 0;
  bitCount_ = 0;
  endOfInput_ = FALSE;
  if (comment_ == nullptr) return kExtractNoMemory;
  outputPointer_ = reinterpret_cast<uint8_t*>(comment_);
  std::memset(comment_, 0xAA, kInputBlockSize);

  const uint16_t method = local_.method;
  // The method is checked before any file is created, so an unsupported entry never truncates
  // an existing file.
  if (!IsSupportedMethod(method)) {
    Notify(progress::kEntryOpened, 0);
    Notify(progress::kEntryClosed, 0);
    return kExtractSkipped;
  }
  window_ = static_cast<uint8_t*>(windowBlock_.Alloc(kUnzipWindowSize, kZeroFilledMovable));
  if (window_ == nullptr) return kExtractNoMemory;
  const int created = CreateOutputFile();
  if (created != kUnzipOk) {
    Notify(progress::kEntryOpened, 1);
    Notify(progress::kEntryClosed, 0);
    windowBlock_.Free();
    window_ = nullptr;
    return created;
  }
  Notify(progress::kEntryOpened, 1);

  UnzipDecoderInput in(*this);
  UnzipDecoderOutput out(*this);
  const uint32_t dataSize = compressedLeft_ > 0 ? static_cast<uint32_t>(compressedLeft_) : 0;
  // The decoders' own results are not needed: a damaged stream shows as a CRC-32 mismatch.
  switch (method) {
    case zip::kMethodStored: {
      const uint8_t* run = nullptr;
      size_t n = 0;
      while (outputErrorLevel_ == 0 && (n = NextInputRun(&run)) > 0) {
        WriteOutput(run, n);
        PumpIfAllowed();  // once per input block, not per byte
      }
      break;
    }
    case zip::kMethodShrunk:
      Unshrink(in, out, window_, uncompressedSize_);
      break;
    case zip::kMethodImploded:
      Explode(in, out, window_, local_.flags, dataSize, uncompressedSize_);
      break;
    case zip::kMethodDeflated:
      if (!WriteInflatedAhead()) Inflate(in, out, window_);
      break;
    default:  // 2 to 5
      Unreduce(in, out, window_, method - 1, uncompressedSize_);
      break;
  }
  windowBlock_.Free();
  window_ = nullptr;

  int result = kUnzipOk;
  if (outputErrorLevel_ == 0 && FlushOutput() != kUnzipOk && outputErrorLevel_ <= 1) {
    result = kExtractSkipped;
  }
  if (outputErrorLevel_ > 1) {
    output_.Close();
    if (testMode_) FsDeleteFile(temporaryName_);
    Notify(progress::kEntryClosed, 0);
    return kExtractWriteFailed;
  }
  if (outputErrorLevel_ == 1) result = kExtractSkipped;
  if (!testMode_ && result == kUnzipOk) Notify(progress::kEntryExpanding, 100);
  // The entry's time goes on through the open handle: the file was just created, nothing writes
  // to it any more, and reopening it by name would cost three more calls per file.
  FILETIME time;
  if (!testMode_ && FileTimeFromDosDateTime(local_.date, local_.time, &time)) {
    SetOpenFileModTime(time, output_.Handle());
  }
  // So do its attributes where the system allows; otherwise they are set by name after the close.
  const bool attributesSet = !testMode_ && SetEntryAttributesThroughHandle();
  if (!output_.Close() && result == kUnzipOk) result = kExtractSkipped;
  if (freeSpace_ != nullptr) freeSpace_->Written(bytesWritten_);
  if (testMode_) {
    FsDeleteFile(temporaryName_);
    temporaryName_.Empty();
  } else if (!attributesSet) {
    StampOutputFile();
  }
  const uint32_t crc = crc32_ ^ 0xFFFFFFFFu;
  if (result == kUnzipOk && crc != local_.crc32 &&
      (local_.uncompressedSize != 0 || bytesWritten_ != 0)) {
    result = kExtractBadData;
  }
  Notify(progress::kEntryClosed, result <= 0 ? 1 : 0);
  if (testMode_) Notify(progress::kEntryTested, static_cast<WPARAM>(result));
  return result;
}

// Writes the entry as decoded ahead by a worker, when one decoded this very entry: the same bytes
// through the output buffer, the queue served where each block of the entry's input began, as the
// reader's own decoding serves it there. False when there is no such decoding.
bool CZUnzip::WriteInflatedAhead() {
  if (inflateAhead_ == nullptr || (local_.flags & zip::kFlagEncrypted) != 0 || decryptRefills_) {
    return false;
  }
  const int64_t dataPosition = InputPosition();
  const int64_t localHeader =
      dataPosition - zip::local::kSize - local_.nameLength - local_.extraLength;
  const std::unique_ptr<InflateAhead::Result> ahead = inflateAhead_->Take(localHeader);
  if (!ahead || ahead->dataPosition != dataPosition || ahead->compressedSize != compressedLeft_) {
    return false;
  }
  size_t written = 0;
  for (const size_t point : ahead->pumpPoints) {
    if (point > written) {
      WriteOutput(ahead->data.data() + written, point - written);
      written = point;
    }
    PumpIfAllowed();
  }
  if (written < ahead->data.size())
    WriteOutput(ahead->data.data() + written, ahead->data.size() - written);
  compressedLeft_ = 0;
  return true;
}

bool CZUnzip::SetEntryAttributesThroughHandle() {
  const DWORD attributes = entryAttributes_ & kFileAttributeBits;
  if ((entryAttributes_ & 0x7F) == 0 || attributes == 0) return true;  // none to give
  // The failure seam of setting attributes is asked once, as the call by name would ask it.
  if (FileStepFails(FileStep::kSetAttributes)) return true;
  return SetOpenFileAttributes(output_.Handle(), attributes) != FALSE;
}

void CZUnzip::StampOutputFile() {
  // The time is already set (through the handle, before it was closed).
  const CZText& target = singleFileMode_ ? destinationFile_ : outputPath_;
  const DWORD attributes = entryAttributes_ & kFileAttributeBits;
  if ((entryAttributes_ & 0x7F) != 0 && attributes != 0) FsSetAttributes(target, attributes);
}
