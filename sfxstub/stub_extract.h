// The stub's extractor: every stored or deflated entry of its own executable written below the
// target folder, with traditional decryption, the overwrite decisions, a CRC-32 check before a
// file takes its name, and each file's own attributes. What the user is asked and shown goes
// through ExtractorHost: dialogs in the stub, scripts in the tests.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr size_t kStubPathCapacity = 261;     // 260 characters and the terminator
inline constexpr size_t kStubPasswordCapacity = 81;  // 80 characters and the terminator

// Results of ExtractAll.
enum StubExtractResult : int {
  kStubExtractOk = 0,
  kStubExtractWarning = 1,    // the archive had bytes in front that its offsets do not count
  kStubExtractNoArchive = 2,  // the archive file cannot be opened
  kStubExtractDamaged = 3,    // a read error or a damaged header
  kStubExtractBadData = 5,    // no usable end record, a CRC mismatch, damaged data, a bad folder
  kStubExtractNoMemory = 6,
  kStubExtractDiskFull = 8,     // not enough free space for an entry, or a short write
  kStubExtractSkipped = 10,     // an entry of another method or version, or a name too long
  kStubExtractCantCreate = 12,  // the target folder or an output file cannot be created
};

// Answers of the prompts.
enum PasswordAnswer : int { kPasswordRetry = 0, kPasswordBypass = 1, kPasswordNever = 2 };
enum ReplaceAnswer : int { kReplaceYes = 0, kReplaceNo = 1, kReplaceNever = 2, kReplaceAlways = 3 };

class ExtractorHost {
 public:
  // An entry starts (1062): supported is false just before an entry of an unknown method is
  // refused. name: the entry name (OEM, upper case, '\' separators).
  virtual void EntryStarted(bool supported, const char* name) {}
  // Share of the entry written, 0..100 (1063).
  virtual void EntryProgress(int percent, const char* name) {}
  // After each input block of stored data and each deflate block: time to pump messages.
  virtual void Pump() {}
  // The user's stop (Cancel confirmed): tested before each entry.
  virtual bool StopRequested() { return false; }
  // The password for an encrypted entry: the current one is in password (OEM); Retry puts the new
  // one there.
  virtual int AskPassword(const char* name, char* password) { return kPasswordBypass; }
  // Whether to replace an existing file; fullPath is OEM; older: the file is older than the entry.
  virtual int AskReplace(const char* fullPath, bool older) { return kReplaceNo; }
  // The internal-error message for an entry of a method other than stored and deflated.
  virtual void UnsupportedMethod() {}
  // The target folder cannot be made (nothing is written then).
  virtual void CantCreateFolder() {}
  // Free bytes for the files below folder (ANSI path); the default asks the system, less 8,192.
  virtual uint64_t FreeBytes(const char* folder);

 protected:
  ~ExtractorHost() = default;
};

// Extracts the archive in ownPath (ANSI) into targetFolder (OEM, upper case; made when missing,
// one level). overwriteMode: 0 keep existing files, 1 replace them, 2 ask, 3 replace older ones.
// The current folder is the target during the run and is restored afterwards.
int ExtractAll(const char* ownPath, const char* targetFolder, int overwriteMode,
               ExtractorHost& host);
