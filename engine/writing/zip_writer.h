// The archive writer: the layer every operation that produces a new version of an archive is
// built on (adding files, the encryption pass, the rewriting operations, the self-extractor
// builder). It offers the record writers, the directory reader that loads an existing archive
// into the entry list (with a repair variant), the copying of unchanged entries, the compressing
// writer that stores or deflates one file, name lookup, the temporary archive and its
// replacement, and the two ways of ending an operation.
//
// A new archive is always built in a temporary file in the archive's own folder and replaces the
// archive only once it is complete; the original stays as it was on every failure.
//
// Typical operation:
//   SetArchiveName -> ReadArchiveDirectory -> BeginOutput -> CopyEntry / AddEntryData per entry
//   -> CompleteArchive -> FinishWriter; any failure -> FailWriter(code).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "writing/writer_state.h"

// Result codes of the writer side (the control's numbering).
enum WriterResult : int {
  kWriterDone = 0,
  kWriterFileError = 2,      // archive or temporary file cannot be opened, written or positioned;
                             // also: a file to add could not be read (per file)
  kWriterCompressError = 3,  // internal compression error, or an entry name that cannot be stored
  kWriterNotArchive = 4,     // not a valid archive
  kWriterNoMemory = 5,
  kWriterNothingToDo = 6,
  kWriterAccessDenied = 12,  // a file to add cannot be queried, opened, or is too large (per file)
};

// Record sizes used in offset arithmetic.
inline constexpr DWORD kLocalHeaderSize = 30;
inline constexpr DWORD kCentralHeaderSize = 46;
inline constexpr DWORD kEndRecordSize = 22;
inline constexpr DWORD kDataDescriptorSize = 16;
// The largest archive written: offsets are read back as signed 32-bit values by our own reader,
// so nothing may lie at or beyond 2 GiB.
inline constexpr uint64_t kMaxArchiveSize = 0x7FFFFFFFull;
// The end record counts entries in 16 bits.
inline constexpr size_t kMaxEntries = 65535;
// A file to add must be smaller than this (its size is recorded in 32 bits and must fit the
// archive size limit).
inline constexpr uint64_t kMaxFileSize = 0x80000000ull;

// Versions written into the headers of new entries.
inline constexpr WORD kVersionMadeBy = 0x0B32;  // host 11, version 5.0
inline constexpr WORD kVersionStored = 10;
inline constexpr WORD kVersionDeflated = 20;

// The state of the one write operation of the process (the archive being written, its entries,
// the files to add, the output): WriterState in writer_state.h.
WriterState& WriteOperation();

// ---- record writers (every write checked; FALSE when anything was not written) --------------
BOOL WriteLocalHeader(HFILE file, const ZipEntry& entry);
BOOL WriteCentralHeader(HFILE file, const ZipEntry& entry);
BOOL WriteEndRecord(HFILE file, DWORD entryCount, DWORD centralOffset, DWORD centralSize,
                    const uint8_t* comment, DWORD commentLength);
BOOL WriteDataDescriptor(HFILE file, const ZipEntry& entry);
// Writes the central header of every entry at outputOffset, then the end record with the
// archive comment, and cuts the file there. kWriterFileError when a write fails, when there are
// more than 65,535 entries, or when the archive would reach 2 GiB.
int WriteCentralDirectory(HFILE file);

// ---- output positioning -----------------------------------------------------------------------
BOOL SeekFile(HFILE file, uint64_t position);
BOOL TellFile(HFILE file, uint64_t* position);
// Positions the output at offset and cuts everything behind it.
BOOL RewindOutput(HFILE file, uint64_t offset);

// Opens an existing file for reading (other readers allowed), or creates a new one for reading
// and writing (never over an existing file). HFILE_ERROR on failure. Passes the failure seam.
HFILE OpenWriterFile(const char* oemPath, bool create);

// ---- names and lookup ---------------------------------------------------------------------------
// Records the archive (made a full path against the current folder, so that later changes of the
// current folder do not move it) and its title. Returns the title, or null when the name is empty
// or cannot be held (callers end with 5).
const char* SetArchiveName(const char* name);
// Rebuilds writer.sortedIndex from the entry list, by stored name without regard to ASCII case;
// entries of equal names keep their archive order. FALSE when the index cannot be allocated.
BOOL SortEntryIndex();
void ReleaseEntryIndex();
// The first entry in archive order whose name (as the engine holds it) equals storedName (ASCII
// case ignored), or null. Uses the sorted index.
ZipEntry* FindEntry(const char* storedName);
// TRUE when the name has at least 5 characters and ends in ".ZIP" in any case.
BOOL IsZipName(const char* name);
// TRUE when candidate names the archive being written (archivePath or writer.archiveName),
// compared in full form without regard to case, with '/' and '\' alike.
BOOL IsArchiveItself(const char* archivePath, const char* candidate);
// Unlinks a found name; returns the one after it.
std::list<FoundName>::iterator RemoveFoundName(std::list<FoundName>::iterator found);
// A name fit to store: '\' becomes '/', empty, "." and ".." components are dropped (a trailing
// '/' of a folder is kept). Empty when nothing is left.
std::string CleanStoredName(const std::string& name);

// ---- reading the existing archive -------------------------------------------------------------
// Loads writer.archiveName into the entry list: 0 (also for a missing or empty file: a new
// archive), 2 (the file exists but cannot be opened or sized, or, in repair mode, read), 4 (not
// a valid archive) or 5. With writer.repair the entries are found from their local headers alone,
// and only entries that lie wholly inside the file are taken.
int ReadArchiveDirectory();

// ---- building the new archive ------------------------------------------------------------------
// Opens the existing archive for reading (when it has entries or bytes in front), makes the
// temporary archive in the archive's folder, opens it, and copies the bytes in front.
// 0, 2, 5, or 6 when the existing archive cannot be opened for reading.
int BeginOutput();
// Copies an entry unchanged from the input archive to the output (local header, name, extra,
// data, data descriptor) and records its new offset. 0, 2 (output) or 4 (input: cannot be
// positioned, or ends before the entry does).
int CopyEntry(HFILE input, HFILE output, ZipEntry& entry);
// Writes a new local header for the entry as it stands and copies its data behind it, dropping a
// data descriptor (and with it flag bit 3: the header now holds the CRC and sizes). kWriterDone,
// kWriterFileError or kWriterNotArchive.
int RelocateEntry(HFILE input, HFILE output, ZipEntry& entry);
// The compressing writer: stores or deflates the entry's file into the output.
//   kWriterDone         written
//   kWriterFileError or kWriterAccessDenied
//                       per-file failure: the entry's fields and the output position are as they
//                       were before the call (the caller copies the old entry or drops the new
//                       one) -- unless IsPerFileFailure says otherwise
//   kWriterFileError (outputFailed)
//                       the output could not be written: the operation must end with FailWriter
//   kWriterCompressError, kWriterNoMemory
//                       fatal: compressor error, name that cannot be stored, no memory
int AddEntryData(HFILE output, ZipEntry& entry);
// TRUE when an AddEntryData result lets the operation go on without that file.
bool IsPerFileFailure(int code);
// Writes the central directory and end record, closes the output and the input archive, sends
// progress::kWriting with the archive title, and replaces the archive by the temporary file. 0 or
// the failing step's code (the caller then ends with FailWriter).
int CompleteArchive();

// The compressing writer's CRC register: a null buffer resets it.
void UpdateCrc(const void* buffer, size_t length);
// Reads from writer.inputFile into buffer, through UpdateCrc. The count read (0 at the end of
// the file); -1 when the read failed.
long ReadInput(DWORD length, void* buffer);

// ---- ending an operation ----------------------------------------------------------------------
// Normal end: releases everything and resets the state without touching any file. Returns code.
int FinishWriter(int code);
// Error exit: as FinishWriter, and also closes and deletes the temporary archive (kept only when
// the replacement left it as the only copy of the new archive). Returns code.
int FailWriter(int code);
