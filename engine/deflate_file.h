// DeflateFile: compresses one open input file into the archive being written, as a raw deflate
// stream, reporting progress to the notification window and keeping the host's message loop
// alive. It is the archive writer's entry to the portable compressor (core/deflate.h).
#pragma once

#include <windows.h>

// Compresses everything read from inputFile (_lread, from its current position) into outputFile
// (_lwrite) in mode 0 (normal), 1 (fast) or 2 (maximum). Returns the number of compressed bytes
// written; when it equals *bytesRead the output is the input itself (it did not get smaller) and
// the caller stores the entry instead.
//   name          text identifying the file in progress messages (their lParam)
//   notifyWindow  receives WM_USER+46 (kilobytes written so far + 1) and WM_USER+50 (percent of
//                 *expectedSize done, 100 when that is 0) at every tenth refill of the input
//                 window, and both with 100 at the end; nothing is sent when it is not a window
//   errorFlag     TRUE after a read error, a short write or an unknown mode; FALSE otherwise
//   bytesRead     the number of bytes read; crc their CRC-32
//   expectedSize  the caller's size of the file, used only for the percentage
DWORD DeflateFile(LPCSTR name, int mode, HFILE inputFile, HFILE outputFile, HWND notifyWindow,
                  BOOL* errorFlag, DWORD* bytesRead, DWORD* crc, const DWORD* expectedSize);
