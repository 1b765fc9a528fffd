// CZUnzip: the engine's reading object. The control owns one; every reading operation (queries,
// extraction, testing, viewing, the item list) opens the archive named in the call, works through
// it with the buffered input below and closes it again before it returns, on every path: nothing
// of an archive stays open between calls.
//
// Names inside the object are in the OEM code page, upper case, with '\' as separator.
// Archive contents are untrusted: every length and offset read from a record is checked against
// the blocks it is read into.
//
// The methods are spread over files by concern:
//   czunzip.cpp          state, preparing and freeing an archive, end-record search, the
//                        directory walk, central headers and entry names, the settings
//                        (password, window, cancel)
//   unzip_input.cpp      the buffered archive input (read, seek, skip, extra fields, byte fetch,
//                        bit buffer, runs for the decoders)
//   unzip_queries.cpp    the queries (count and size, archive info, comments, name tests)
//   unzip_output.cpp     the output file, the output buffer with its CRC-32 and progress
//   unzip_password.cpp   the encryption header and the password check
//   unzip_extract.cpp    the extraction driver (UnzipFiles, UnzipToFile, the slow test)
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "core/cipher.h"
#include "core/decoder_io.h"
#include "core/end_record.h"
#include "base/cztext.h"
#include "base/memblock.h"
#include "files/zfile.h"

// Result codes of the reader (the extraction driver adds its own).
enum UnzipResult : int {
  kUnzipOk = 0,
  kUnzipWarning = 1,       // directory needed a correction; no entries
  kUnzipCannotOpen = 2,    // the archive cannot be opened
  kUnzipBadArchive = 3,    // end record or directory not where the records say; a read failed
  kUnzipNameTooLong = 10,  // an entry name longer than 1,023 characters (kept cut)
  kUnzipExtraBytes = 17,   // a valid archive with bytes in front of it (a self-extractor)
};

inline constexpr int kUnzipNameBlockSize = 1024;  // archive name, entry name: 1,023 + NUL
inline constexpr int kUnzipMaxNameLength = kUnzipNameBlockSize - 1;
inline constexpr int kUnzipCommentBlockSize = 24577;  // 24,576 + NUL; the output buffer too
inline constexpr int kUnzipMaxComment = 24576;
inline constexpr int kUnzipPasswordSize = 79;  // 78 characters + NUL
inline constexpr int kUnzipMaxPassword = kUnzipPasswordSize - 1;
inline constexpr int kUnzipWindowSize = 32768;
// Archives of 2 GiB or more are refused: the record offsets and the file positions of the
// reader are signed 32-bit quantities.
inline constexpr int64_t kUnzipMaxArchiveSize = 0x7FFFFFFF;

// The current central header, decoded.
struct UnzipCentralHeader {
  uint8_t versionMadeBy = 0;
  uint8_t hostSystem = 0;  // made under
  uint8_t versionNeeded = 0;
  uint8_t hostNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;
  uint16_t diskNumberStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;
};

// The end-of-central-directory record, decoded.
struct UnzipEndRecord {
  uint16_t thisDisk = 0;
  uint16_t directoryDisk = 0;
  uint16_t entriesThisDisk = 0;
  uint16_t totalEntries = 0;
  uint32_t directorySize = 0;
  uint32_t directoryOffset = 0;
  uint16_t commentLength = 0;
};

// The current local header, decoded.
struct UnzipLocalHeader {
  uint8_t versionNeeded = 0;
  uint8_t hostNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
};

// Result codes the extraction driver adds to UnzipResult.
enum ExtractResult : int {
  kExtractBadData = 5,        // CRC-32 mismatch; no usable directory; an entry's folder failed
  kExtractNoMemory = 6,       // the archive does not exist or memory is short
  kExtractWriteFailed = 8,    // writing failed or too little space: the operation stops
  kExtractSkipped = 10,       // unsupported entry, name too long, output not completed
  kExtractCannotOpen = 11,    // an existing output file cannot be opened for writing
  kExtractCannotCreate = 12,  // an output file cannot be created (and does not exist)
  kExtractNoSpace = 13,
  kExtractCdRom = 14,
  kExtractWriteProtected = 15,
  kExtractMaskTooLong = 16,
};

// How a walk of the central directory ended (CZUnzip::ForEachCentralEntry).
enum class CentralWalkEnd {
  kAll,         // every entry of the end record was visited (or there was none)
  kStopped,     // the visitor stopped the walk
  kNoHeader,    // no central header where the next one should be (its signature or record missing)
  kUnreadable,  // a header's name, extra field or comment could not be read
};

// A walk's outcome: the end-record search's result (kUnzipCannotOpen when the archive could not be
// prepared or opened), the end record it read, and how the walk ended.
struct CentralWalk {
  int search = kUnzipCannotOpen;
  UnzipEndRecord endRecord;
  CentralWalkEnd end = CentralWalkEnd::kAll;
  // The search found the directory empty and closed the archive: a walk finds no header there.
  bool closedEmpty = false;
  // The directory was found and walked: the search gave 0, 1 or 17.
  bool Accepted() const {
    return search == kUnzipOk || search == kUnzipWarning || search == kUnzipExtraBytes;
  }
  bool Broken() const {
    return end == CentralWalkEnd::kNoHeader || end == CentralWalkEnd::kUnreadable;
  }
};

// The visitor of a walk: called for each entry in directory order with its index and its name's
// status (kUnzipOk, or kUnzipNameTooLong with the name cut in EntryName()), its central header,
// name and extra field read (CentralHeader(), EntryName(), FullEntryName(), ExtraField()) and the
// input on its comment. true goes on with the next entry (behind the comment, wherever the visitor
// left the input), false stops the walk.
using CentralVisit = std::function<bool(unsigned index, int nameResult)>;

// What the directory walk keeps of each selected entry for the steps that follow it.
struct UnzipBatchEntry {
  uint32_t localHeaderOffset = 0;
  uint32_t externalAttributes = 0;
  uint16_t flags = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
};

// The overwrite flags an extraction mode sets (never, always, all, update-only).
struct OverwriteFlags {
  BOOL never;
  BOOL always;
  BOOL all;
  BOOL updateOnly;
};

class UnzipDecoderOutput;
class InflateAhead;
class FreeSpaceEstimate;

class CZUnzip {
  friend class UnzipDecoderOutput;
  friend class UnzipDecoderInput;
  friend class ExtractionSession;   // ends an extraction on every path out (unzip_extract.cpp)
  friend class ArchiveSession;      // ends a query's use of the archive (unzip_queries.cpp)
  friend struct CZUnzipTestAccess;  // the tests' view of the fields (czunzip_test_access.h)
  friend class BatchAhead;  // starts and stops the decoding ahead of one batch (unzip_extract.cpp)

 public:
  CZUnzip();
  ~CZUnzip();
  CZUnzip(const CZUnzip&) = delete;
  CZUnzip& operator=(const CZUnzip&) = delete;

  // ---- settings (czunzip.cpp) -------------------------------------------------------------------
  // FALSE when window is neither 0 nor a window (nothing changes); otherwise stored, TRUE.
  BOOL SetNotifyWindow(HWND window);
  void SetCancel(BOOL cancel);
  // Null stores an empty password. Longer than 78 characters: the first 78 are stored, FALSE.
  BOOL SetPassword(const char* password);
  // 1 when the last replace answer was Always, 0 when it was Never, 2 otherwise.
  int GetReplaceFlag() const;
  // Whether a wrong password is asked again (the password prompt) or the entry skipped; the last
  // password answer is forgotten, so that none is carried into the next operation.
  void SetAskPassword(BOOL ask);
  // Whether extraction may replace a read-only file (its attribute is cleared first).
  void SetEraseReadOnly(BOOL erase);
  // Whether long steps serve the thread's message queue (on by default; benchmarks measure
  // without it).
  void SetPumpMessages(BOOL pump) { pump_ = pump; }
  // View: whether programs (EXE, COM) are run rather than opened.
  void SetRunExecutables(BOOL run) { runExecutables_ = run ? TRUE : FALSE; }

  // ---- the directory walk (czunzip.cpp)
  // ---------------------------------------------------------- Prepares and opens archiveName,
  // finds its directory and, when the search accepts it (0, 1, 17) and visit is not empty, calls
  // visit for each entry (CentralVisit); the archive is then closed, freed and the object reset, on
  // every path. An empty visit finds the directory alone.
  CentralWalk ForEachCentralEntry(const char* archiveName, const CentralVisit& visit);

  // ---- queries (unzip_queries.cpp)
  // --------------------------------------------------------------- Quick test: kUnzipOk valid,
  // kUnzipExtraBytes valid with bytes in front, kUnzipCannotOpen cannot be opened, else the
  // end-record search's failure code (kUnzipBadArchive).
  int IsZIPFileQuick(const char* archiveName);
  // quick not 0: IsZIPFileQuick; otherwise the slow test of the extraction side (TestArchive).
  // Defined with the extraction driver.
  int IsZIPFile(const char* archiveName, BOOL quick);
  // Entry count of the end record, -1 when the archive is unusable. The KB totals are
  // floor(total / 1,024) + 1, summed in 64 bits. Each output may be null.
  long GetCountAndSize(const char* archiveName, ULONGLONG* totalKB, ULONGLONG* compressedKB,
                       BOOL* hasComment);
  BOOL GetZIPINFO(const char* archiveName, int* madeUnder, int* versionMajor, int* versionMinor,
                  long* entryCount, int* diskNumber, long* commentLength);
  // The archive comment's length, 0 when the archive cannot be opened or has no end record.
  long GetGlobalCommentSize(const char* archiveName);
  // Copies at most 24,576 bytes of the archive comment and a NUL into out (which must hold
  // kUnzipCommentBlockSize bytes).
  BOOL GetGlobalComment(const char* archiveName, char* out);
  // The comment length of the entry of that name, -1 when none has it or the archive is unusable.
  long GetLocalCommentSize(const char* archiveName, const char* entryName);
  // Copies at most 24,576 bytes of the entry's comment and a NUL into out (kUnzipCommentBlockSize
  // bytes); FALSE when no entry has that name.
  BOOL GetLocalComment(const char* archiveName, const char* entryName, char* out);
  BOOL IsFileInTheZIPFile(const char* archiveName, const char* mask);
  // Name against pattern, folders included (IsFileNameInFilter). Case-insensitive.
  static BOOL MatchFileFilter(const char* name, const char* pattern);
  // The wildcard match alone, case-insensitive (also used by the writer's file collection).
  static BOOL MatchWildcard(const char* name, const char* pattern);
  // Folder part (up to and including the last '\', at most 1,022 characters) and name part of an
  // entry path; without a path, "" and " ".
  static void SplitItemPath(const char* path, CZText& folder, CZText& name);

  // ---- extraction (unzip_extract.cpp, unzip_output.cpp, unzip_password.cpp)
  // ---------------------- Results: UnzipResult and ExtractResult codes. Entry names are untrusted:
  // no entry, in any mode, is written outside the destination folder.
  int UnzipFiles(const char* archiveName, const char* mask, const char* destination,
                 short overwriteMode, BOOL recreateFolders);
  int UnzipToFile(const char* archiveName, const char* mask, const char* destinationFile);
  // The slow test: every entry is decoded into a temporary file, which is deleted again.
  int TestArchive(const char* archiveName);
  BOOL View(const char* archiveName, const char* mask, BOOL useTextEditor, const char* folder);
  // 0 created, or kExtractWriteFailed, kExtractSkipped, kExtractCannotOpen, kExtractCannotCreate,
  // kExtractNoSpace, kExtractCdRom or kExtractWriteProtected.
  int CreateOutputFile();
  // 0 written; kExtractWriteFailed when the write failed or an earlier one did (output error
  // level 2).
  int FlushOutput();
  // Copies count bytes from the start of the window into the output buffer.
  void FlushWindow(size_t count);
  // Appends decoded bytes to the output buffer, flushing it each time it fills.
  void WriteOutput(const uint8_t* data, size_t count);
  // Reads the 12 stored header bytes through the entry's byte fetch (no decryption yet). FALSE
  // when the entry's data ends first.
  BOOL ReadEncryptionHeader(uint8_t (&header)[kEncryptionHeaderSize]);
  BOOL CheckPassword(const uint8_t (&header)[kEncryptionHeaderSize]);
  // The existing file's modification time against the entry's: -1 no such file, 0 the file is
  // older than the entry, 1 it is as new or newer. Both sides use the local-time conversion
  // that extracted files get, so a file just extracted compares as 1 in every time zone.
  static int CompareWithExisting(const char* oemName, uint16_t dosDate, uint16_t dosTime);
  // The entry's name as a path below the destination (upper case, '\' separators): empty, "."
  // and dot-only components, drive colons and leading separators cannot climb out of it.
  // folderEntry receives whether the name ends with a separator (no file part).
  // 0; kExtractSkipped when the joined path would be longer than the system allows.
  int MapOutputName(BOOL* folderEntry);
  // The last replace answer survives the operation (GetReplaceFlag).

  // ---- state read by the extraction side and tests
  // -----------------------------------------------
  BOOL IsArchiveOpen() const { return archive_.IsOpen(); }
  const UnzipCentralHeader& CentralHeader() const { return central_; }
  const UnzipEndRecord& EndRecord() const { return end_; }
  const UnzipLocalHeader& LocalHeader() const { return local_; }
  int64_t ExtraBytes() const { return extraBytes_; }
  int64_t ArchiveSize() const { return archiveSize_; }
  int CurrentResult() const { return currentResult_; }
  const char* ArchiveName() const { return archiveName_; }
  const char* EntryName() const { return entryName_; }
  const std::string& FullEntryName() const { return fullEntryName_; }
  const uint8_t* ExtraField() const { return extraField_; }
  HFILE ArchiveHandle() const { return archive_.AsHFile(); }
  const char* Password() const { return password_; }

  // ---- the item list's image lists (control/icon_cache.cpp) ------------------------------------
  // The small and large image lists of the last image-list build (the reader's to free) and the
  // number of system images copied into them at that build.
  HIMAGELIST SmallImages() const { return smallImages_; }
  HIMAGELIST LargeImages() const { return largeImages_; }
  void SetImageLists(HIMAGELIST small, HIMAGELIST large) {
    smallImages_ = small;
    largeImages_ = large;
  }
  int SystemIconCount() const { return systemIconCount_; }
  void SetSystemIconCount(int count) { systemIconCount_ = count; }

 private:
  // ---- the steps of every archive operation (czunzip.cpp)
  // ---------------------------------------- Order: InitArchive, OpenArchiveFile, FindEndCentralDir
  // (accepted below 2 and at 17), the walk, then on every path CloseArchiveFile, FreeArchive,
  // ResetState (EndArchive does all three).
  BOOL InitArchive(const char* archiveName);
  BOOL OpenArchiveFile();
  // Closes the archive when it is open; harmless when it is not, so every path may call it.
  void CloseArchiveFile();
  void FreeArchive();
  void ResetState();
  void EndArchive();
  // 0, 1 or 17 with the input on the first central header; 1 with the archive closed when there
  // are no entries; 3 (archive closed) when no usable end record or directory is found.
  int FindEndCentralDir();
  // The end-record search alone, for the archive comment: 0 with the input just behind the record
  // and *commentLength set; kUnzipBadArchive (archive closed) when there is none.
  int FindEndRecordForComment(uint16_t* commentLength);
  // After the signature: reads the 42 bytes that follow. The partial form leaves the version and
  // host bytes, the disk number start and the internal attributes as they were. kUnzipOk or
  // kUnzipBadArchive.
  int ReadCentralHeader(BOOL full);
  // Reads an entry name of length bytes, decoded from UTF-8 into the OEM code page when flags
  // (those of the header the name belongs to) say it is stored so: the first 1,023 characters
  // into the entry-name block (upper case, '\' separators), the whole into FullEntryName() for
  // matching. kUnzipOk; kUnzipNameTooLong when the name was cut; kUnzipBadArchive when the read
  // failed.
  int ReadFileName(unsigned length, uint16_t flags);
  // With the input on the current central entry's comment: the whole comment, decoded as its
  // name is. False when the read failed.
  bool ReadEntryComment(std::string* comment);

  // ---- buffered input (unzip_input.cpp)
  // ---------------------------------------------------------- Copies up to n bytes; returns the
  // count (fewer when the file ends or a read fails).
  long ReadBytes(void* destination, long n);
  // Moves the input to file position target (extra bytes already added). kUnzipOk; kUnzipWarning
  // for a negative target; kUnzipBadArchive when the block cannot be read or target lies past its
  // data.
  int SeekTo(int64_t target);
  // Moves the input n bytes forward (0 does nothing). The results of SeekTo.
  int SkipBytes(long n);
  // Reads n bytes into the extra-field block (0 does nothing); skips them when the block cannot
  // be allocated. The results of SkipBytes; kUnzipBadArchive when the read fails.
  int ReadExtraField(unsigned n);
  void FreeExtraField();
  // The next data byte of the current entry: 8 with *byte set; 0 at the end of the entry's data
  // (compressed bytes left) or of the file.
  int FillInputBuffer(uint16_t* byte);
  // Tops the bit buffer up to at least 25 bits while the entry has data (end-of-input flag).
  void FillBitBuffer();
  // The next run of the entry's data: the rest of the current block, never past the entry's
  // compressed data; 0 at its end. The run counts as consumed.
  size_t NextInputRun(const uint8_t** run);
  // The file position of the next byte the input delivers.
  int64_t InputPosition() const;

  // The walk of the directory found: from the input on the first central header, each entry of
  // the end record read and visited (CentralVisit).
  CentralWalkEnd WalkCentralDirectory(const CentralVisit& visit);

  // Reads the block at blockStart (a multiple of the block size) into the input block.
  // FALSE when the read fails or brings nothing.
  BOOL LoadBlock(int64_t blockStart);
  // Reads the next block of the file for the entry's data and decrypts it through the hook.
  // entryBytes: the entry's compressed bytes from the block's start on.
  BOOL RefillEntryBlock(int64_t entryBytes);
  // Decryption hook of the entry's data: each refill of an encrypted entry passes its own bytes
  // (never more than the entry's compressed data) through here. Decrypts with keys_ while
  // decryptRefills_ is set; the extraction side sets it after the password check and clears it
  // while the encryption header itself is read.
  void DecryptRefill(uint8_t* data, size_t n);
  // The extraction driver's steps (unzip_extract.cpp).
  // The opening of UnzipFiles, UnzipToFile, TestArchive and View: a mask of 1,024 characters or
  // more is refused before anything changes (kExtractMaskTooLong; null is every entry); the last
  // password answer is forgotten, and the last replace answer except by a test (which asks no
  // replace question); the archive is prepared (kExtractNoMemory) and opened (kUnzipCannotOpen).
  // kUnzipOk.
  int BeginExtraction(const char* archiveName, const char* mask);
  // Ends an extraction on every path out (ExtractionSession): the output file closed, the test
  // file deleted, the window freed, the archive closed, the object reset and the names of the
  // operation emptied.
  void EndExtraction();
  void SetOverwriteFlags(const OverwriteFlags& flags);
  int ExtractMatching(const char* mask);
  int ExtractEntry();
  // The steps for one collected entry; 0 or its result code. passwordSkipped is set when the
  // entry was skipped for its password.
  int ProcessEntry(const UnzipBatchEntry& entry, bool* passwordSkipped);
  // 0 when the entry may be written (mappedName_ may change on Rename), 1 when it is skipped.
  int DecideOverwrite();
  int AskForPassword(const uint8_t (&header)[kEncryptionHeaderSize], bool* skipped);
  // Creates the folders of mappedName_ below the destination; 0 or kExtractBadData.
  int MakeEntryFolders(BOOL lastIsFolder);
  void Notify(UINT message, WPARAM wParam);
  void PumpIfAllowed();
  // Gives the closed output file the entry's attributes (its time is set before the close).
  void StampOutputFile();
  // The common first steps of both end-record searches: finds the record, reads and decodes it
  // and gives its file position. kUnzipOk, or kUnzipBadArchive with the archive closed.
  int LocateEndRecord(int64_t* recordPosition);
  // The directory checks after the record was found (extra bytes, directory signature).
  int CheckDirectory(int64_t recordPosition);

  // ---- fields (in the order of the object's data model)
  // ------------------------------------------ Item list: its image lists (built and freed by the
  // item-list code).
  HIMAGELIST largeImages_ = nullptr;
  HIMAGELIST smallImages_ = nullptr;

  char password_[kUnzipPasswordSize] = {};
  BOOL updateOnly_ = FALSE;
  int currentResult_ = 0;
  BOOL dropFolders_ = FALSE;

  UnzipCentralHeader central_;
  UnzipEndRecord end_;
  UnzipLocalHeader local_;

  CZMemBlock archiveNameBlock_;
  char* archiveName_ = nullptr;
  CZMemBlock outputNameBlock_;
  char* outputName_ = nullptr;

  BOOL viewMode_ = FALSE;
  CZText viewPath_;
  BOOL useTextEditor_ = FALSE;
  BOOL testMode_ = FALSE;
  BOOL singleFileMode_ = FALSE;
  BOOL eraseReadOnly_ = FALSE;
  CZText destinationFolder_;
  BOOL pump_ = TRUE;
  HWND notifyWindow_ = nullptr;
  BOOL cancel_ = FALSE;
  BOOL askPassword_ = TRUE;
  BOOL neverOverwrite_ = FALSE;
  BOOL alwaysOverwrite_ = FALSE;
  BOOL overwriteAll_ = FALSE;

  int64_t compressedLeft_ = 0;
  uint32_t uncompressedSize_ = 0;
  char signature_[5] = {};
  int outputErrorLevel_ = 0;
  uint32_t crc32_ = 0;

  CZFile archive_;  // the archive, read-only; closed on every path out (CloseArchiveFile)
  CZFile output_;   // the output file of extraction

  CZMemBlock entryNameBlock_;
  char* entryName_ = nullptr;
  std::string fullEntryName_;  // the whole entry name, upper case, for matching
  BOOL existingIsNewer_ = FALSE;
  int lastReplaceAnswer_ = -1;   // -1 none, 2 never, 3 always
  int lastPasswordAnswer_ = -1;  // -1 none, 0 retried, 1 bypassed, 2 never

  int64_t archiveSize_ = 0;
  BOOL endOfInput_ = FALSE;

  CZMemBlock commentBlock_;  // the comment; during extraction the output buffer
  char* comment_ = nullptr;
  uint8_t* outputPointer_ = nullptr;

  CZMemBlock inputBlock_;  // kInputBlockSize data bytes and kInputHoldBytes hold bytes
  uint8_t* input_ = nullptr;
  uint8_t* inputPointer_ = nullptr;
  int64_t bytesLeft_ = 0;  // bytes of the block after the pointer
  uint32_t outputCount_ = 0;
  int64_t blockPosition_ = -1;  // file position of the block's first byte; -1: no block held
  uint32_t blockCount_ = 0;     // bytes of file data the block holds
  uint32_t bytesWritten_ = 0;

  CZMemBlock windowBlock_;  // the sliding window of the entry being extracted
  uint8_t* window_ = nullptr;

  uint32_t bitBuffer_ = 0;
  int bitCount_ = 0;

  int64_t extraBytes_ = 0;         // bytes in front of the archive proper
  uint8_t* extraField_ = nullptr;  // malloc'd; freed before the next one is read
  uint32_t extraFieldLength_ = 0;

  CipherKeys keys_;
  BOOL decryptRefills_ = FALSE;

  // Extraction: the mapped name (relative to the destination), the name of the output file
  // (full path; the bare mapped name in single-file and test modes, for the messages), the
  // destination file of single-file mode, the test mode's temporary file and the external
  // attributes of the entry being extracted (its own central header's).
  CZText mappedName_;
  CZText outputPath_;
  CZText destinationFile_;
  CZText temporaryName_;
  CZText messageName_;
  uint32_t entryAttributes_ = 0;
  uint8_t* holdBytes_ = nullptr;  // input block + kInputBlockSize

  // ---- item list, icon cache and viewing (control/item_list*.cpp, control/icon_cache.cpp,
  // unzip_view.cpp) ---------------------------------------------------------------------------
  int systemIconCount_ = 0;        // n: system images copied at the last image-list build
  BOOL runExecutables_ = FALSE;    // View: programs (EXE, COM) are run rather than opened
  BOOL viewEntryWritten_ = FALSE;  // View: the entry just processed was written (launch it)

  // ---- extraction speed (unzip_extract.cpp, inflate_ahead.cpp) ----------------------------------
  // The destination folder as the file system spells it (OEM): the folder destinationFolder_
  // names in the messages, in the case of the names on disk. File calls use this spelling, which
  // the system finds at once (under Wine a path in another case is searched for level by level).
  // Empty: file calls use destinationFolder_.
  CZText destinationOnDisk_;
  const CZText& FileSystemFolder() const {
    return destinationOnDisk_.IsEmpty() ? destinationFolder_ : destinationOnDisk_;
  }
  // The deflated entries of the current batch decoded ahead on worker threads (owned by the
  // directory walk), or null.
  InflateAhead* inflateAhead_ = nullptr;
  // Writes the current entry from its decoding made ahead; false when there is none.
  bool WriteInflatedAhead();
  // Gives the open output file the entry's attributes; false when they must be set by name.
  bool SetEntryAttributesThroughHandle();
  // The free space of the destination's drive as known since the last query (owned by the
  // operation), or null: each output file asks the drive.
  FreeSpaceEstimate* freeSpace_ = nullptr;
};

// Where the decoders put an entry's bytes: the reader's output block, which is written to the
// target (its CRC-32 carried on) each time it fills; after each decoded block the thread's
// messages are pumped when the operation allows it.
class UnzipDecoderOutput : public DecoderOutput {
 public:
  explicit UnzipDecoderOutput(CZUnzip& unzip) : unzip_(unzip) {}
  void Write(const uint8_t* data, size_t n) override { unzip_.WriteOutput(data, n); }
  void BlockDone() override;

 private:
  CZUnzip& unzip_;
};

// The entry's compressed data as the decoders take it: runs of the current input block.
class UnzipDecoderInput : public DecoderInput {
 public:
  explicit UnzipDecoderInput(CZUnzip& unzip) : unzip_(unzip) {}
  // The next run of the entry's data; the host's queue is served before each (once per block).
  size_t NextRun(const uint8_t** run) override;

 private:
  CZUnzip& unzip_;
};
