#include "files/drive_checks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

// A drive letter that Wine does not map in the test prefix.
char UnmappedDrive() {
  const DWORD mask = GetLogicalDrives();
  for (char letter = 'Y'; letter > 'D'; --letter)
    if (!(mask & (1u << (letter - 'A')))) return letter;
  return 0;
}

}  // namespace

TEST(DriveKind, FixedDriveAndCaseOfTheLetter) {
  EXPECT_EQ(GetDriveKind("C:\\WINDOWS"), kDriveFixed);
  EXPECT_EQ(GetDriveKind("c:\\windows"), kDriveFixed);
  EXPECT_EQ(GetDriveKind("c"), kDriveFixed);
}

TEST(DriveKind, UnmappedAndEmptyPathsAreOther) {
  const char letter = UnmappedDrive();
  ASSERT_NE(letter, 0) << "every drive letter is mapped in this prefix";
  const std::string lower(1, static_cast<char>(letter - 'A' + 'a'));
  EXPECT_EQ(GetDriveKind(lower.c_str()), kDriveOther);
  EXPECT_EQ(GetDriveKind(""), kDriveOther);
  EXPECT_EQ(GetDriveKind(nullptr), kDriveOther);
}

TEST(DisketteProbe, NonRemovableDrivesAreNotProtectedAndKeepTheirLabel) {
  char before[256] = {};
  const BOOL hadLabel =
      GetVolumeInformationA("C:\\", before, 255, nullptr, nullptr, nullptr, nullptr, 0);
  EXPECT_FALSE(IsDisketteWriteProtected("C:\\TEMP\\X.ZIP"));
  char after[256] = {};
  const BOOL hasLabel =
      GetVolumeInformationA("C:\\", after, 255, nullptr, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(hadLabel, hasLabel);
  EXPECT_STREQ(before, after);
}

// The test run maps M: as a CD-ROM, R: as a RAM disk and N: as a network drive
// (scripts/wine-env.sh).
TEST(DriveKind, KindsOfTheTestDrives) {
  struct Case {
    const char* path;
    int kind;
  };
  const Case cases[] = {
      {"M:\\SETUP.EXE", kDriveCdRom}, {"r:\\", kDriveRamDisk}, {"N:\\SHARE\\A.ZIP", kDriveNetwork}};
  for (const Case& c : cases) EXPECT_EQ(GetDriveKind(c.path), c.kind) << c.path;
  for (const Case& c : cases) EXPECT_FALSE(IsDisketteWriteProtected(c.path)) << c.path;
}
