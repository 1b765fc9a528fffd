// Modification times and the ZIP view of a file: MS-DOS date and time (also after 2038),
// size and external attributes.
#include "files/file_time.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "files/file_fault.h"
#include "win_test_util.h"

namespace {

FILETIME FromLocal(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  SYSTEMTIME universal;
  FILETIME result = {};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal);
  SystemTimeToFileTime(&universal, &result);
  return result;
}

DWORD Dos(int year, int month, int day, int hour, int minute, int second) {
  return (static_cast<DWORD>(year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) |
         (minute << 5) | (second / 2);
}

void Stamp(const std::string& path, const FILETIME& time) {
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &time));
  CloseHandle(h);
}

}  // namespace

TEST(GetFileDosTime, DatesAcrossTheMsDosRange) {
  testutil::TempFolder folder;
  const std::string file = folder / "dated.txt";
  testutil::WriteWholeFile(file, "12345");
  struct Case {
    const char* name;
    FILETIME time;
    DWORD expected;
  };
  const std::vector<Case> cases = {
      {"1980", FromLocal(1980, 1, 1, 0, 0, 0), Dos(1980, 1, 1, 0, 0, 0)},
      {"2037", FromLocal(2037, 6, 15, 12, 34, 56), Dos(2037, 6, 15, 12, 34, 56)},
      {"2040, after the 32-bit time end", FromLocal(2040, 2, 29, 23, 59, 58),
       Dos(2040, 2, 29, 23, 59, 58)},
      {"2107", FromLocal(2107, 12, 31, 23, 59, 58), Dos(2107, 12, 31, 23, 59, 58)},
      {"1979 becomes the first MS-DOS time", FromLocal(1979, 5, 5, 10, 0, 0),
       Dos(1980, 1, 1, 0, 0, 0)},
      {"2110 becomes the last MS-DOS time", FromLocal(2110, 3, 3, 3, 3, 3),
       Dos(2107, 12, 31, 23, 59, 58)},
      {"the second day of the file-time calendar, 1601", FILETIME{0x2A69C000, 0xC9},
       Dos(1980, 1, 1, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stamp(file, c.time);
    long size = 0;
    DWORD attributes = 0;
    EXPECT_EQ(GetFileDosTime(file.c_str(), &size, &attributes), c.expected);
    EXPECT_EQ(size, 5);
  }
}

TEST(GetFileDosTime, SizesAndAttributes) {
  testutil::TempFolder folder;
  struct Case {
    const char* name;
    bool isFolder;
    DWORD attributes;
    long expectedSize;
    DWORD expectedAttributes;
  };
  const std::vector<Case> cases = {
      {"plain.txt", false, FILE_ATTRIBUTE_ARCHIVE, 3, 0x81B60020},
      {"locked.txt", false, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, 3, 0x81240021},
      {"hidden.sys", false, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE,
       3, 0x81B60026},
      {"tool.exe", false, FILE_ATTRIBUTE_ARCHIVE, 3, 0x81FF0020},
      {"sub", true, FILE_ATTRIBUTE_DIRECTORY, -1, 0x41FF0010},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder / c.name;
    if (c.isFolder) {
      CreateDirectoryA(path.c_str(), nullptr);
    } else {
      testutil::WriteWholeFile(path, "abc");
    }
    SetFileAttributesA(path.c_str(), c.attributes);
    long size = 0;
    DWORD attributes = 0;
    EXPECT_NE(GetFileDosTime(path.c_str(), &size, &attributes), 0u);
    EXPECT_EQ(size, c.expectedSize);
    EXPECT_EQ(attributes, c.expectedAttributes);
    SetFileAttributesA(path.c_str(), c.isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL);
  }
  // A trailing '/' is ignored; a missing file stores nothing.
  EXPECT_NE(GetFileDosTime((folder / "sub/").c_str(), nullptr, nullptr), 0u);
  long size = 77;
  DWORD attributes = 77;
  EXPECT_EQ(GetFileDosTime((folder / "missing").c_str(), &size, &attributes), 0u);
  EXPECT_EQ(size, 77);
  EXPECT_EQ(attributes, 77u);
  EXPECT_EQ(GetFileDosTime("", &size, &attributes), 0u);
}

TEST(FileModTime, SetGetAndCopy) {
  testutil::TempFolder folder;
  const std::string a = folder / "a.txt";
  const std::string b = folder / "b.txt";
  testutil::WriteWholeFile(a, "a");
  testutil::WriteWholeFile(b, "b");
  const FILETIME wanted = FromLocal(2045, 7, 8, 9, 10, 12);
  EXPECT_TRUE(SetFileModTime(wanted, a.c_str()));
  FILETIME got = {};
  ASSERT_TRUE(GetFileModTime(got, a.c_str()));
  EXPECT_EQ(CompareFileTime(&got, &wanted), 0);

  SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(CopyFileTime(a.c_str(), b.c_str())) << "a read-only target is made writable first";
  ASSERT_TRUE(GetFileModTime(got, b.c_str()));
  EXPECT_EQ(CompareFileTime(&got, &wanted), 0);
  EXPECT_EQ(GetFileAttributesA(b.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

  EXPECT_FALSE(GetFileModTime(got, (folder / "missing").c_str()));
  EXPECT_FALSE(CopyFileTime((folder / "missing").c_str(), b.c_str()));
  EXPECT_FALSE(SetFileModTime(wanted, (folder / "missing").c_str()));
  ResetFileFaults();
  FailFileStep(FileStep::kSetTime, 1);
  EXPECT_FALSE(SetFileModTime(wanted, a.c_str()));
  ResetFileFaults();
}
