// MS-DOS time and date words as ZIP stores them (local time):
//   time = hour * 2048 + minute * 32 + second / 2
//   date = (year - 1980) * 512 + month * 32 + day
// The format holds the years 1980 to 2107; times outside that range are clamped to the nearest
// limit by callers that convert from a calendar (see ClampToDosRange).
#pragma once
#include <cstdint>

struct DosDateTime {
  int year;    // 1980..2107
  int month;   // 1..12
  int day;     // 1..31
  int hour;    // 0..23
  int minute;  // 0..59
  int second;  // 0..59 (stored in two-second units)
};

inline constexpr int kDosFirstYear = 1980;
inline constexpr int kDosLastYear = 2107;

uint16_t PackDosTime(const DosDateTime& t);
uint16_t PackDosDate(const DosDateTime& t);
DosDateTime UnpackDosDateTime(uint16_t date, uint16_t time);

// Clamps a calendar time into the range the format holds: before 1980 becomes 1980-01-01 00:00:00,
// after 2107 becomes 2107-12-31 23:59:58.
DosDateTime ClampToDosRange(const DosDateTime& t);
