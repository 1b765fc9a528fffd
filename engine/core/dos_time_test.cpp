#include "core/dos_time.h"

#include <gtest/gtest.h>

TEST(DosTime, PackAndUnpackRoundTrip) {
  struct Case {
    DosDateTime t;
    uint16_t date, time;
  };
  const Case cases[] = {
      {{1980, 1, 1, 0, 0, 0}, 0x0021, 0x0000},
      {{2037, 12, 31, 23, 59, 58},
       static_cast<uint16_t>((57 << 9) | (12 << 5) | 31),
       static_cast<uint16_t>((23 << 11) | (59 << 5) | 29)},
      {{2040, 2, 29, 12, 30, 10},
       static_cast<uint16_t>((60 << 9) | (2 << 5) | 29),
       static_cast<uint16_t>((12 << 11) | (30 << 5) | 5)},
      {{2107, 12, 31, 23, 59, 58},
       static_cast<uint16_t>((127 << 9) | (12 << 5) | 31),
       static_cast<uint16_t>((23 << 11) | (59 << 5) | 29)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PackDosDate(c.t), c.date) << c.t.year;
    EXPECT_EQ(PackDosTime(c.t), c.time) << c.t.year;
    const DosDateTime back = UnpackDosDateTime(c.date, c.time);
    EXPECT_EQ(back.year, c.t.year);
    EXPECT_EQ(back.month, c.t.month);
    EXPECT_EQ(back.day, c.t.day);
    EXPECT_EQ(back.hour, c.t.hour);
    EXPECT_EQ(back.minute, c.t.minute);
    EXPECT_EQ(back.second, c.t.second);
  }
}

TEST(DosTime, OddSecondsRoundDown) {
  EXPECT_EQ(PackDosTime({1990, 5, 5, 1, 2, 33}), (1 << 11) | (2 << 5) | 16);
}

TEST(DosTime, ClampsOutsideTheRange) {
  const DosDateTime early = ClampToDosRange({1970, 6, 1, 10, 0, 0});
  EXPECT_EQ(PackDosDate(early), 0x0021);
  EXPECT_EQ(PackDosTime(early), 0);
  const DosDateTime late = ClampToDosRange({2200, 1, 1, 0, 0, 0});
  EXPECT_EQ(late.year, 2107);
  EXPECT_EQ(late.month, 12);
  EXPECT_EQ(late.day, 31);
  const DosDateTime inside = ClampToDosRange({2050, 3, 4, 5, 6, 8});
  EXPECT_EQ(inside.year, 2050);
  EXPECT_EQ(inside.second, 8);
}
