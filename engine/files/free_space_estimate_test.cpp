// The free-space estimate gives the drive's own answer: what fits fits, what does not fit does
// not, a full drive is full at once, and a drive not asked about before is asked.
#include "files/free_space_estimate.h"

#include <gtest/gtest.h>

#include "files/drive_checks.h"
#include "files/file_ops.h"

TEST(FreeSpaceEstimate, AnswersAsTheDriveDoes) {
  const ULONGLONG freeKB = GetFreeSpaceKB64("C:\\");
  ASSERT_GT(freeKB, 1024u);
  FreeSpaceEstimate estimate;
  struct Case {
    const char* path;
    ULONGLONG bytes;
    BOOL fits;
  };
  const Case cases[] = {
      {"C:\\OUT\\A.TXT", 0, TRUE},
      {"C:\\OUT\\B.TXT", 1000, TRUE},
      {"c:\\out\\c.txt", 1000, TRUE},
      {"C:\\OUT\\D.TXT", freeKB * 1024 * 2, FALSE},  // twice the drive's room
      {"C:\\OUT\\E.TXT", 5000, TRUE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(estimate.HasRoomFor(c.path, c.bytes), c.fits) << c.path;
    EXPECT_EQ(HasFreeSpace64(c.path, c.bytes), c.fits) << c.path;
  }
  // Written bytes count against the estimate: once it is used up, the drive decides again.
  estimate.Written(freeKB * 1024);
  EXPECT_TRUE(estimate.HasRoomFor("C:\\OUT\\F.TXT", 1000));
}

TEST(FreeSpaceEstimate, AFullDriveIsFullAtOnce) {
  FreeSpaceEstimate estimate;
  EXPECT_TRUE(estimate.HasRoomFor("C:\\OUT\\A.TXT", 1000));
  ScopedSimulatedDrives drives;
  drives.MakeFull('C');
  EXPECT_FALSE(estimate.HasRoomFor("C:\\OUT\\B.TXT",
                                   100000));  // whole kilobytes count, as in HasFreeSpace64
  EXPECT_FALSE(estimate.HasRoomFor("C:\\OUT\\B.TXT", 0));
}

TEST(FreeSpaceEstimate, PathsWithoutADriveHaveNoRoom) {
  FreeSpaceEstimate estimate;
  EXPECT_EQ(estimate.HasRoomFor("", 0), HasFreeSpace64("", 0));
  EXPECT_EQ(estimate.HasRoomFor("\\\\SERVER\\SHARE\\A", 10),
            HasFreeSpace64("\\\\SERVER\\SHARE\\A", 10));
}
