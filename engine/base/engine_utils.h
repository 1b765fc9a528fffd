// Small services of the engine and the control surface: the message pump of long operations,
// rounding (base/exact_numbers.h), calendar checks, window centring, and conversions between file
// times (FILETIME, UTC) and the MS-DOS local date and time that ZIP stores. The file-time helpers
// work on 64-bit times, so they hold every date the MS-DOS form can (1980 to 2107), beyond 2038.
// The INI, formatting and path-compaction methods of CZText live in engine_utils.cpp as well.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/exact_numbers.h"  // RoundTo, the same in every build
#include "core/dos_time.h"

// Removes every waiting message of the thread's queue and dispatches it. With skipWindow, input
// for that window and for its parent is dropped instead (painting still happens, so the windows
// are drawn and the queue empties). A WM_QUIT ends the pump and is posted again, so the host's
// own message loop still sees it.
void PumpMessages(HWND skipWindow);

BOOL IsValidDate(int year, int month, int day);
// A local date and time given as calendar fields (wSecond 60 is not valid).
BOOL IsValidTime(const SYSTEMTIME& local);
BOOL IsValidTime(const DosDateTime& local);

// onScreen TRUE: centred on the desktop; FALSE: centred on the parent and kept on the screen.
BOOL CenterWindow(HWND window, BOOL onScreen);
BOOL CenterDialog(HWND dialog, BOOL onScreen);

// ---- file times -------------------------------------------------------------------------------
// UTC file time to local calendar fields, with the daylight rule of that date. FALSE for a time
// the system calendar cannot show.
bool FileTimeToLocalCalendar(const FILETIME& utc, SYSTEMTIME* local);
// Local calendar fields to a UTC file time; FALSE for fields that name no valid time.
bool LocalCalendarToFileTime(const SYSTEMTIME& local, FILETIME* utc);
// The MS-DOS form ((date << 16) | time) of a UTC file time, in local time; a time before 1980
// becomes 1980-01-01 00:00:00 and one after 2107 becomes 2107-12-31 23:59:58.
uint32_t DosDateTimeFromFileTime(const FILETIME& utc);
// The UTC file time of an MS-DOS local date and time; FALSE when its fields are no valid time.
bool FileTimeFromDosDateTime(uint16_t dosDate, uint16_t dosTime, FILETIME* utc);
