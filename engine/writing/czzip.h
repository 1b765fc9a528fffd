// CZZip: the engine's writing object. The control owns one; ZipFiles puts the files a mask names
// (optionally with all subfolders) into an archive, creating the archive when it does not exist
// and updating the entries it has according to an overwrite mode, then, when a password is
// given, hands the archive to the encryption pass.
//
// The work is done by the archive writer (zip_writer.h): the scan of the mask fills the writer's
// found list and marks the existing entries to recompress, and the compressing pass builds the
// new archive in a temporary file beside the archive, which replaces the archive only once it is
// complete. The writer state is empty again after every call.
//
// The methods are spread over files by concern:
//   czzip.cpp             settings, ZipFiles (folder, relative masks, encryption hand-over)
//   zip_add.cpp           the compressing pass (overwrite decisions, replace prompt, writing)
//   zip_add_scan.cpp      the folder scan (masks, recursion, stored names, duplicates)
//   zip_add_folders.cpp   the folder helpers of the split and backup operations
//   zip_encrypt.cpp       the encryption pass
//   volumes/              the self-extractor builder (split and backup: volume_operations.h)
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/cztext.h"

// Overwrite modes for files whose stored name is already in the archive.
enum ZipOverwriteMode : int {
  kZipReplace = 0,  // the entry is recompressed from the file
  kZipKeep = 1,     // the entry stays as it is
  kZipAsk = 2,      // the replace prompt decides per entry
  kZipUpdate = 3,   // recompressed only when the file is later; new files are added
  kZipFreshen = 4,  // as update, but new files are not added
};

// Compression modes.
enum ZipCompressionMode : int {
  kZipDeflateNormal = 0,
  kZipDeflateFast = 1,
  kZipDeflateMaximum = 2,
  kZipStoreOnly = 3,
};

// The longest password ZipFiles takes: the reader holds no more (longer ones would make archives
// that their own password cannot open here).
inline constexpr size_t kZipMaxPassword = 78;

// Result codes ZipFiles adds to the writer's (zip_writer.h).
enum ZipAddResult : int {
  kZipCannotEncrypt = 9,  // the encryption pass failed; the unencrypted archive stays
  kZipUserAbort = 17,     // cancelled: the remaining files were skipped, the archive is valid
};

class CZZip {
 public:
  CZZip() = default;
  CZZip(const CZZip&) = delete;
  CZZip& operator=(const CZZip&) = delete;

  // The writer's cancel flag (the automation methods clear it before every operation; a progress
  // handler sets it during a call).
  void SetCancel(BOOL cancel);
  // Stores 0..3 and returns TRUE; any other value stores 0 and returns FALSE.
  BOOL SetCompressionMode(short mode);
  int GetCompressionMode() const { return compressionMode_; }
  // The overwrite mode given to the last ZipFiles call.
  int GetReplaceFlag() const { return replaceAnswer_; }
  // With useArchiveFlag, files whose archive attribute is clear are not added. With
  // removeArchiveFlag, the files written into the archive lose their archive attribute once the
  // new archive is in place (never before, and never for files that were not written, so that no
  // file drops out of an incremental backup).
  void SetArchiveFlagOptions(BOOL useArchiveFlag, BOOL removeArchiveFlag);

  // archiveName: the archive (made absolute against the current folder; its folder is created
  // when missing). mask: the files to add (a relative mask counts from the archive's folder).
  // overwriteMode: ZipOverwriteMode. storePathMethod: 0 the file name only, 1 paths relative to
  // the archive's folder when the mask lies below it (else as 2), any other value the path as
  // the mask gives it less drive and leading separators. password: null or "" for none.
  // Result: kWriterDone, kWriterFileError, kWriterCompressError, kWriterNotArchive,
  // kWriterNoMemory, kWriterNothingToDo, kZipCannotEncrypt, kWriterAccessDenied or kZipUserAbort
  // (kWriterAccessDenied and kWriterFileError also when single files could not be read: the
  // others are in the archive). A password longer than kZipMaxPassword gives kZipCannotEncrypt at
  // once.
  int ZipFiles(const char* archiveName, const char* mask, short overwriteMode,
               short storePathMethod, BOOL recurse, HWND notifyWindow, const char* password);

  // The encryption pass over a finished archive (zip_encrypt.cpp), with the writer's password:
  // every entry that is neither encrypted nor a folder entry is encrypted, the others are kept.
  // TRUE when the archive was replaced by the encrypted one; FALSE (the archive stays as it was)
  // on any failure, and also when it has no entries or only encrypted ones.
  BOOL EncryptArchive(const char* archiveName);

  HWND NotifyWindow() const { return hNotifyWnd_; }
  // The window of the progress messages, as the operations that take one set it.
  void SetNotifyWindow(HWND window) { hNotifyWnd_ = window; }

  // ---- rewriting operations (zip_rewrite.cpp) --------------------------------------------------
  // Each makes the archive's folder current for the call (restored afterwards), copies the entries
  // it keeps unchanged into a temporary archive beside the archive and replaces the archive with
  // it only once it is complete. notifyWindow: the window that receives the progress messages, or
  // null. Results in the writer's numbering (zip_writer.h); 0 when the archive was replaced.
  //
  // Deletes the entries whose file name matches the file-name part of mask ("*.*": every entry).
  // The list handles select by the host's item list instead; both null: the mask decides.
  int DeleteEntries(const char* archiveName, const char* mask, HWND notifyWindow, HWND listItems,
                    HWND listSelected, BOOL listIsListCtrl);
  // Replaces the archive comment (a missing archive becomes one holding only the comment).
  int SetGlobalComment(const char* archiveName, const char* comment, HWND notifyWindow);
  // Replaces the comment of the first entry named entryName.
  int SetLocalComment(const char* archiveName, const char* entryName, const char* comment,
                      HWND notifyWindow);
  // Rebuilds a damaged archive from the entries found by their local headers.
  int Repare(const char* archiveName, HWND notifyWindow);

  // ---- blank archives (blank_archive.cpp) -------------------------------------------------------
  // Creates an archive without entries: exactly the 22-byte end record. nameBlock (1,024 bytes,
  // OEM) brings the proposed name and carries the final one out ("" on Cancel). With openDialog a
  // save dialog (which asks before replacing) picks the name, starting in the proposal's folder;
  // without it an existing file of that name is replaced. The third argument is not used.
  static BOOL CreateBlankZIPFile(char* nameBlock, BOOL openDialog, BOOL unused);

  // ---- folder helpers of the split and backup operations (zip_add_folders.cpp) ----------------
  // The number of items of folder matching mask: with countAll every item (files and folders),
  // otherwise the files whose name does not begin with '.'. With recurse, every subfolder whose
  // name does not begin with '.' is counted through first (folder links are not followed) and,
  // with countAll, counts itself once. 0 when the folder does not exist.
  static long CountFiles(const char* folder, const char* mask, BOOL recurse, BOOL countAll);
  // path := name when that file exists; otherwise the first existing file matching name with
  // its last character replaced by '?'. FALSE when there is none.
  static BOOL ResolvePartFile(const char* name, CZText& path);

  // ---- self-extractors (engine/volumes) ---------------------------------------------------------
  // The stub program (the control folder's "RAVELIN.32", or "RAVELIN.16" without win32Target),
  // the 682-byte settings block and a copy of the archive whose offsets count from the start of
  // the new file. Result: SelfExtractorResult. The archive itself is never changed; the caller's
  // current folder stays. The new file is built beside the output and replaces it only when
  // complete: a failure leaves a file at the output name as it was. exeName null or "": the
  // archive's name with ".EXE"; a name without '\' lies in the archive's folder. languageFile
  // null or "": "ENGLISH.ELF"; without '\': in the control folder. exeTitle null or "": the
  // default title. kMakeExeStep1 once, then kMakeExeStep2 with the percentage done.
  int BuildSelfExtractor(HWND notifyWindow, const char* archiveName, const char* exeName,
                         const char* programToLaunch, const char* exeTitle,
                         const char* languageFile, short overwriteMode, BOOL askDirectory,
                         BOOL win32Target);
  // A copy of the archive in a temporary file whose stored offsets are moved up by shift bytes
  // (the bytes in front of the archive are kept). copyName receives the copy's name as soon as
  // it exists; on FALSE the copy is already deleted.
  static BOOL CopyArchiveShifted(const char* archiveName, HWND notifyWindow, DWORD shift,
                                 CZText& copyName);
  // folder + '\' + the name part of sourceName with the extension V "_" S (base-36 digits, "~"
  // beyond 35), upper case.
  static void MakeVolumeName(const char* sourceName, CZText& out, const char* folder, int volume,
                             int last);

 private:
  // The compressing pass (zip_add.cpp). archive: full path; mask: as the scan takes it.
  int CompressFiles(const std::string& archive, const std::string& mask);
  // Asks whether an existing entry is replaced; updates overwriteMode_ for Never and Always.
  bool AskToReplace(const std::string& sourceName);

  int compressionMode_ = kZipDeflateNormal;
  int replaceAnswer_ = kZipReplace;
  int overwriteMode_ = kZipReplace;
  HWND hNotifyWnd_ = nullptr;
  BOOL fileIsNewer_ = FALSE;
  int storePathMethod_ = 2;
  bool recurse_ = false;
  bool useArchiveFlag_ = false;
  bool removeArchiveFlag_ = false;
  // Set by the compressing pass when it put a new archive in place (also when single files
  // failed or the call was cancelled): the encryption pass then runs over it.
  bool archiveWritten_ = false;
  // The source files written into the new archive, for the archive-attribute option.
  std::vector<std::string> written_;
};

// ---- results of the self-extractor builder (engine/volumes) ------------------------------------
enum SelfExtractorResult : int {
  kSfxDone = 0,
  kSfxNoLanguageFile = 1,
  kSfxNoStub = 2,
  kSfxBadArchive = 4,     // no name, not found, the output would be the archive, the copy failed
  kSfxWriteFailed = 5,    // stub copy, settings block or append failed; copy not openable
  kSfxCannotOpen = 6,     // the output cannot be opened after the stub copy
  kSfxDriveFull = 7,      // no free space at all on the output's drive
  kSfxReadOnlyDrive = 9,  // CD-ROM drive or write-protected diskette
  kSfxNoSpace = 10,       // less room than the archive plus 50,000 bytes, or for a chunk
  kSfxNoMemory = 11,
};

// ---- the folder scan (zip_add_scan.cpp), used by the compressing pass -------------------------
namespace zipadd {

struct ScanSettings {
  bool recurse = false;
  bool storePaths = true;       // false for store-path method 0
  bool useArchiveFlag = false;  // files without the archive attribute are passed over
};

// Scans the mask ('\' or '/' separators; a relative mask counts from the current folder): every
// file found becomes a found name of the writer, or marks the existing entry of its stored name.
// kWriterDone when something was taken, kWriterNothingToDo when nothing was, or a fatal code
// (kWriterCompressError: a file name that cannot be stored; kWriterNoMemory).
int ScanMask(const std::string& mask, const ScanSettings& settings);
// The name a path is stored under: without drive and leading separators, '/' separators, no
// empty, "." or ".." components, only the last component when paths are not stored, ASCII
// letters in lower case (the header writers upper-case it). Empty when nothing is left.
std::string MakeStoredName(const std::string& path, bool storePaths);
// TRUE when the last component of name matches the last component of pattern ("*.*" matches
// everything), without regard to case.
bool MatchFileName(const std::string& name, const std::string& pattern);
// Keeps the first found name of every stored name. FALSE when memory is short.
bool RemoveDuplicateNames();

}  // namespace zipadd
