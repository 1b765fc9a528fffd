#include "core/dos_time.h"

uint16_t PackDosTime(const DosDateTime& t) {
  return static_cast<uint16_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
}

uint16_t PackDosDate(const DosDateTime& t) {
  return static_cast<uint16_t>(((t.year - kDosFirstYear) << 9) | (t.month << 5) | t.day);
}

DosDateTime UnpackDosDateTime(uint16_t date, uint16_t time) {
  DosDateTime t{};
  t.year = kDosFirstYear + (date >> 9);
  t.month = (date >> 5) & 0x0F;
  t.day = date & 0x1F;
  t.hour = time >> 11;
  t.minute = (time >> 5) & 0x3F;
  t.second = (time & 0x1F) * 2;
  return t;
}

DosDateTime ClampToDosRange(const DosDateTime& t) {
  if (t.year < kDosFirstYear) return DosDateTime{kDosFirstYear, 1, 1, 0, 0, 0};
  if (t.year > kDosLastYear) return DosDateTime{kDosLastYear, 12, 31, 23, 59, 58};
  return t;
}
