// The archive writer's process-wide state: the archive being written, its entries as read from
// the existing archive, the files found for adding, the temporary output and its running offset,
// and the switches of the operation in progress. One operation at a time uses it, on the
// caller's thread; FinishWriter and FailWriter (zip_writer.h) empty it again.
#pragma once

#include <windows.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "base/cztext.h"

class DeflateAhead;

// One archive entry, in archive order. The byte blocks are owned by the entry; their lengths are
// the lengths the headers record.
struct ZipEntry {
  DWORD mark = 0;  // non-zero: recompress from externalName; zero: copy unchanged
  WORD versionMadeBy = 0;
  WORD versionNeeded = 0;
  WORD flags = 0;  // the central header's general-purpose flags
  WORD method = 0;
  DWORD dosDateTime = 0;  // DOS date in the high half, time in the low half
  DWORD crc = 0;
  DWORD compressedSize = 0;
  DWORD uncompressedSize = 0;
  WORD diskStart = 0;
  WORD internalAttributes = 0;
  WORD localFlags = 0;  // the local header's flags
  DWORD externalAttributes = 0;
  DWORD localHeaderOffset = 0;  // in the file being read, then in the file being written
  std::string externalName;     // the file the entry comes from (a copy of the name when read)
  std::string storedName;       // the name as both headers hold it ('/' separators)
  // The name as the engine holds it when it differs from storedName: decoded from UTF-8 into the
  // OEM code page, as flag bit 11 says it is stored (empty otherwise). Read it through Name().
  std::string name;
  std::vector<uint8_t> localExtra;
  std::vector<uint8_t> centralExtra;
  std::vector<uint8_t> comment;

  // The name as the engine holds it, for every comparison, message and new header.
  const std::string& Name() const { return name.empty() ? storedName : name; }
  DWORD NameLength() const { return static_cast<DWORD>(storedName.size()); }
  DWORD LocalExtraLength() const { return static_cast<DWORD>(localExtra.size()); }
  DWORD CentralExtraLength() const { return static_cast<DWORD>(centralExtra.size()); }
  DWORD CommentLength() const { return static_cast<DWORD>(comment.size()); }
  bool IsFolder() const { return !storedName.empty() && storedName.back() == '/'; }
};

// One file to add that has no entry yet, in the order found.
struct FoundName {
  std::string externalName;
  std::string storedName;
};

struct WriterState {
  CZText archiveName;    // the archive being written (engine path, OEM, full)
  CZText archiveTitle;   // its file name without the folder: progress texts, self-recognition
  CZText temporaryName;  // the new version being built; empty when there is none
  // The full long form of archiveName (archiveFullNameFrom: the name it was made from), for the
  // self-recognition check that runs for every file added: resolving a name walks every folder of
  // its path (under Wine a directory read per folder whose case differs), so it is done once.
  std::string archiveFullName;
  std::string archiveFullNameFrom;
  HWND notifyWindow = nullptr;
  bool encryptionPass = false;  // progress of copies is reported only during the encryption pass

  // Set by ReplaceArchiveFile when it failed after moving the old archive aside and could not put
  // it back: the temporary file then holds the only copy of the new archive and the old one lies
  // at displacedArchiveName. The writer must keep both files (never delete the temporary file).
  bool keepTemporary = false;
  CZText displacedArchiveName;

  // Open files; HFILE_ERROR when closed. All three are closed by FinishWriter and FailWriter.
  HFILE archiveFile = HFILE_ERROR;  // the existing archive, read while the new one is built
  HFILE outputFile = HFILE_ERROR;   // the temporary archive
  HFILE inputFile = HFILE_ERROR;    // the file being compressed

  std::list<ZipEntry> entries;         // archive order
  std::vector<ZipEntry*> sortedIndex;  // by stored name, for FindEntry
  std::list<FoundName> found;

  DWORD bytesInFront = 0;  // bytes before the first record (a self-extractor stub)
  DWORD centralStart = 0;  // where the existing central directory begins
  std::vector<uint8_t> archiveComment;
  uint64_t outputOffset = 0;  // running offset in the output; every writer adds what it writes
  // Set when a write to (or a positioning of) the output failed: the operation cannot go on.
  bool outputFailed = false;

  // Switches of the operation.
  bool cancel = false;
  bool recurse = false;
  bool storePaths = true;
  bool repair = false;
  int storePathMethod = 2;
  CZText baseFolder;        // put in front of external names when storePathMethod is 1
  int compressionMode = 0;  // 0 normal, 1 fast, 2 maximum, 3 store only
  std::string password;
  // Compressions made ahead on worker threads during a ZipFiles pass (owned by the pass; null
  // when the writer compresses every file itself).
  DeflateAhead* ahead = nullptr;

  // The compressing writer's running CRC-32 register and count of bytes read.
  DWORD runningCrc = 0xFFFFFFFF;
  uint64_t bytesRead = 0;
  std::vector<uint8_t> copyBuffer;
};
