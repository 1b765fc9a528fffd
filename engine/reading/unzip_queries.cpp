// The queries of CZUnzip: entry count and total sizes, archive information, the archive and
// entry comments, and the name tests. Each query opens the archive, reads what it needs and
// closes it again on every path (ArchiveSession, or the directory walk's own).
#include <cstring>
#include <string>

#include "core/wildcard.h"
#include "core/zip_records.h"
#include "reading/czunzip.h"
#include "base/engine_state.h"
#include "base/engine_utils.h"
#include "base/entry_case.h"
#include "base/entry_text.h"

// One query's use of the archive: ends it (close, free, reset) whichever way the query leaves.
class ArchiveSession {
 public:
  explicit ArchiveSession(CZUnzip& unzip) : unzip_(unzip) {}
  ~ArchiveSession() { unzip_.EndArchive(); }
  ArchiveSession(const ArchiveSession&) = delete;
  ArchiveSession& operator=(const ArchiveSession&) = delete;

  // Prepares and opens the archive and finds its directory: the end-record search's result, or
  // 2 when the archive does not exist or cannot be opened.
  int Begin(const char* archiveName) {
    if (!unzip_.InitArchive(archiveName) || !unzip_.OpenArchiveFile()) return kUnzipCannotOpen;
    return unzip_.FindEndCentralDir();
  }

 private:
  CZUnzip& unzip_;
};

namespace {

bool Accepted(int searchResult) { return searchResult < 2 || searchResult == kUnzipExtraBytes; }

std::string UpperCopy(const char* text) {
  std::string copy(text);
  UpperCaseOem(copy);
  return copy;
}

// Lets the host's messages run between the steps of a call made with background processing.
void PumpWhenInBackground() {
  if (!IsForegroundProcessing()) PumpMessages(nullptr);
}

}  // namespace

int CZUnzip::IsZIPFileQuick(const char* archiveName) {
  ArchiveSession session(*this);
  const int result = session.Begin(archiveName);
  if (result == kUnzipOk || result == kUnzipWarning) return kUnzipOk;
  return result;
}

long CZUnzip::GetCountAndSize(const char* archiveName, ULONGLONG* totalKB, ULONGLONG* compressedKB,
                              BOOL* hasComment) {
  // 64-bit sums: 65,535 entries of up to 4 GiB each cannot overflow them.
  uint64_t uncompressedTotal = 0;
  uint64_t compressedTotal = 0;
  const auto sum = [&](unsigned, int) {
    compressedTotal += central_.compressedSize;
    uncompressedTotal += central_.uncompressedSize;
    return true;
  };
  // The count alone needs no walk.
  const bool sizes = totalKB != nullptr || compressedKB != nullptr;
  const CentralWalk walk = ForEachCentralEntry(archiveName, sizes ? CentralVisit(sum) : nullptr);
  if (!walk.Accepted()) return -1;
  if (hasComment != nullptr) *hasComment = walk.endRecord.commentLength != 0 ? TRUE : FALSE;
  const long count = walk.endRecord.totalEntries;
  if (!sizes) return count;
  // Behind a self-extractor the walk just ends where a header is missing; elsewhere the
  // directory is damaged.
  if (walk.end == CentralWalkEnd::kUnreadable ||
      (walk.end == CentralWalkEnd::kNoHeader && walk.search != kUnzipExtraBytes)) {
    return -1;
  }
  if (totalKB != nullptr) *totalKB = uncompressedTotal / 1024 + 1;
  if (compressedKB != nullptr) *compressedKB = compressedTotal / 1024 + 1;
  return count;
}

BOOL CZUnzip::GetZIPINFO(const char* archiveName, int* madeUnder, int* versionMajor,
                         int* versionMinor, long* entryCount, int* diskNumber,
                         long* commentLength) {
  ArchiveSession session(*this);
  if (!Accepted(session.Begin(archiveName))) return FALSE;
  if (diskNumber != nullptr) *diskNumber = end_.thisDisk;
  if (commentLength != nullptr) *commentLength = end_.commentLength;
  if (entryCount != nullptr) *entryCount = end_.totalEntries;
  if (end_.totalEntries == 0) return TRUE;
  char signature[4];
  if (ReadBytes(signature, 4) != 4 || !zip::HasSignature(signature, zip::kCentralSignature) ||
      ReadCentralHeader(TRUE) != kUnzipOk) {
    return FALSE;
  }
  if (madeUnder != nullptr) *madeUnder = zip::ReportedHost(central_.hostSystem);
  if (versionMajor != nullptr) *versionMajor = central_.versionMadeBy / 10;
  if (versionMinor != nullptr) *versionMinor = central_.versionMadeBy % 10;
  return TRUE;
}

long CZUnzip::GetGlobalCommentSize(const char* archiveName) {
  ArchiveSession session(*this);
  if (!InitArchive(archiveName) || !OpenArchiveFile()) return 0;
  uint16_t length = 0;
  if (FindEndRecordForComment(&length) != kUnzipOk) return 0;
  return length;
}

BOOL CZUnzip::GetGlobalComment(const char* archiveName, char* out) {
  if (out == nullptr) return FALSE;
  ArchiveSession session(*this);
  if (!InitArchive(archiveName)) return FALSE;
  PumpWhenInBackground();
  if (!OpenArchiveFile()) return FALSE;
  PumpWhenInBackground();
  uint16_t length = 0;
  if (FindEndRecordForComment(&length) != kUnzipOk) return FALSE;
  PumpWhenInBackground();
  const long wanted = length < kUnzipMaxComment ? length : kUnzipMaxComment;
  if (ReadBytes(comment_, wanted) != wanted) return FALSE;
  comment_[wanted] = '\0';
  std::memcpy(out, comment_, static_cast<size_t>(wanted) + 1);
  return TRUE;
}

// The entry searches walk the directory until an entry's whole name (also when it is longer than
// the name block keeps) is the one sought; the visitor then stands on the entry's comment.

long CZUnzip::GetLocalCommentSize(const char* archiveName, const char* entryName) {
  if (entryName == nullptr) return -1;
  const std::string sought = UpperCopy(entryName);
  long size = -1;
  ForEachCentralEntry(archiveName, [&](unsigned, int) {
    if (fullEntryName_ != sought) return true;
    if ((central_.flags & zip::kFlagUtf8) == 0 || central_.commentLength == 0) {
      size = central_.commentLength;
      return false;
    }
    // The length of the comment as GetLocalComment gives it (before its cut).
    std::string comment;
    if (ReadEntryComment(&comment)) size = static_cast<long>(comment.size());
    return false;
  });
  return size;
}

BOOL CZUnzip::GetLocalComment(const char* archiveName, const char* entryName, char* out) {
  if (entryName == nullptr || out == nullptr) return FALSE;
  const std::string sought = UpperCopy(entryName);
  BOOL copied = FALSE;
  ForEachCentralEntry(archiveName, [&](unsigned, int) {
    if (fullEntryName_ != sought) return true;
    if ((central_.flags & zip::kFlagUtf8) != 0) {
      // Decoded whole: a cut could split a character and make the text no UTF-8 at all.
      std::string comment;
      if (ReadEntryComment(&comment)) {
        const size_t kept = comment.size() < static_cast<size_t>(kUnzipMaxComment)
                                ? comment.size()
                                : static_cast<size_t>(kUnzipMaxComment);
        std::memcpy(out, comment.data(), kept);
        out[kept] = '\0';
        copied = TRUE;
      }
      return false;
    }
    const long wanted =
        central_.commentLength < kUnzipMaxComment ? central_.commentLength : kUnzipMaxComment;
    if (ReadBytes(comment_, wanted) == wanted) {
      comment_[wanted] = '\0';
      std::memcpy(out, comment_, static_cast<size_t>(wanted) + 1);
      copied = TRUE;
    }
    return false;
  });
  return copied;
}

bool CZUnzip::ReadEntryComment(std::string* comment) {
  comment->assign(central_.commentLength, '\0');
  const long length = central_.commentLength;
  if (length != 0 && ReadBytes(comment->data(), length) != length) return false;
  EntryTextToOem(central_.flags, *comment);
  return true;
}

BOOL CZUnzip::IsFileInTheZIPFile(const char* archiveName, const char* mask) {
  if (mask == nullptr) return FALSE;
  const std::string upperMask = UpperCopy(mask);
  BOOL found = FALSE;
  ForEachCentralEntry(archiveName, [&](unsigned, int) {
    if (!MatchEntryFilter(fullEntryName_, upperMask)) return true;
    found = TRUE;
    return false;
  });
  return found;
}

BOOL CZUnzip::MatchFileFilter(const char* name, const char* pattern) {
  if (name == nullptr || pattern == nullptr) return FALSE;
  return MatchEntryFilter(UpperCopy(name), UpperCopy(pattern)) ? TRUE : FALSE;
}

BOOL CZUnzip::MatchWildcard(const char* name, const char* pattern) {
  if (name == nullptr || pattern == nullptr) return FALSE;
  return WildcardMatch(UpperCopy(name), UpperCopy(pattern)) ? TRUE : FALSE;
}

void CZUnzip::SplitItemPath(const char* path, CZText& folder, CZText& name) {
  folder.Empty();
  name = " ";
  if (path == nullptr) return;
  std::string text(path);
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  UpperCaseOem(text);
  const size_t slash = text.rfind('\\');
  if (slash == std::string::npos) {
    name = text;
    return;
  }
  std::string folderPart = text.substr(0, slash + 1);
  if (folderPart.size() >= static_cast<size_t>(kUnzipMaxNameLength)) folderPart.resize(1022);
  folder = folderPart;
  // A folder entry has nothing behind its last '\': its name part stays a single blank.
  if (slash + 1 < text.size()) name = text.substr(slash + 1);
}
