// DeflateFile: compresses one open input file into the archive being written, as a raw deflate
// stream, reporting progress to the notification window and keeping the host's message loop
// alive. It is the archive writer's entry to the portable compressor (core/deflate.h).
//
// A file may also be compressed ahead of time, off the host's thread (deflate_ahead.h):
// PrecompressFile records what DeflateFile would have reported, and WritePrecompressed later
// writes the result into the archive with the same results and the same messages, in order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/deflate.h"

// Compresses everything read from inputFile (_lread, from its current position) into outputFile
// (_lwrite) in mode 0 (normal), 1 (fast) or 2 (maximum). Returns the number of compressed bytes
// written; when it equals *bytesRead the output is the input itself (it did not get smaller) and
// the caller stores the entry instead.
//   name          text identifying the file in progress messages (their lParam)
//   notifyWindow  receives progress::kZippingKilobytes (kilobytes written so far + 1) and
//                 progress::kZippingPercent (percent of *expectedSize done, 100 when that is 0)
//                 at every tenth refill of the input window, and both with 100 at the end; nothing
//                 is sent when it is not a window
//   errorFlag     TRUE after a read error, a short write or an unknown mode; FALSE otherwise
//   bytesRead     the number of bytes read; crc their CRC-32
//   expectedSize  the caller's size of the file, used only for the percentage
DWORD DeflateFile(LPCSTR name, int mode, HFILE inputFile, HFILE outputFile, HWND notifyWindow,
                  BOOL* errorFlag, DWORD* bytesRead, DWORD* crc, const DWORD* expectedSize);

// One progress report of a compression: where it stood at a refill DeflateFile reports.
struct DeflateReport {
  uint64_t compressedBits = 0;
  uint64_t inputLength = 0;
};

// A file compressed into memory.
struct PrecompressedFile {
  std::vector<uint8_t> data;     // the deflate stream; empty when it did not get smaller
  uint64_t compressedBytes = 0;  // its length (the bytes read, when it did not get smaller)
  uint64_t bytesRead = 0;
  uint32_t crc = 0;
  std::vector<DeflateReport> reports;
};

// Compresses source into *file with compressor, on any thread; sends nothing. False on a read
// error or an unknown mode (*file is then of no use).
bool PrecompressFile(DeflateCompressor& compressor, int mode, DeflateSource& source,
                     PrecompressedFile* file);

// Writes file into outputFile (_lwrite) and sends the messages DeflateFile would have sent, with
// DeflateFile's results. The stream is written only when it is smaller than the input: otherwise
// the caller stores the entry and would throw it away.
DWORD WritePrecompressed(LPCSTR name, const PrecompressedFile& file, HFILE outputFile,
                         HWND notifyWindow, BOOL* errorFlag, DWORD* bytesRead, DWORD* crc,
                         const DWORD* expectedSize);
