// The file object: opening, creating (truncating), reading, writing and closing, with failures.
#include "files/zfile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "files/file_fault.h"
#include "win_test_util.h"

TEST(CZFile, CreateWriteReadAndTruncate) {
  testutil::TempFolder folder;
  const std::string path = folder / "data.bin";
  testutil::WriteWholeFile(path, std::string(5000, 'o'));
  CZFile file;
  ASSERT_TRUE(file.Create(path.c_str()));
  ULONGLONG size = 99;
  ASSERT_TRUE(file.GetSize(&size));
  EXPECT_EQ(size, 0u) << "an existing file is truncated";
  ASSERT_TRUE(file.Write("hello", 5));
  EXPECT_TRUE(file.Close());
  EXPECT_FALSE(file.IsOpen());

  ASSERT_TRUE(file.OpenForRead(path.c_str()));
  char buffer[16] = {};
  DWORD got = 0;
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "hello");
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 0u) << "0 bytes at the end";
  EXPECT_FALSE(file.Write("x", 1)) << "opened for reading only";
  file.Close();

  ASSERT_TRUE(file.OpenForReadWrite(path.c_str()));
  ULONGLONG left = 0;
  ASSERT_TRUE(GetHFileRemaining(file.AsHFile(), &left));
  EXPECT_EQ(left, 5u);
}

TEST(CZFile, FailuresAreResultsNeverLeaks) {
  testutil::TempFolder folder;
  CZFile file;
  EXPECT_FALSE(file.OpenForRead((folder / "missing").c_str()));
  EXPECT_FALSE(file.OpenForReadWrite((folder / "missing").c_str()));
  EXPECT_FALSE(file.Create(""));
  EXPECT_EQ(file.AsHFile(), HFILE_ERROR);
  DWORD got = 1;
  EXPECT_FALSE(file.Read(&got, sizeof got, &got));
  EXPECT_TRUE(file.Close()) << "closing a closed file is harmless";

  const std::string path = folder / "f.bin";
  ScopedFileFaults faults;
  FailFileStep(FileStep::kClose, 1);
  ASSERT_TRUE(file.Create(path.c_str()));
  EXPECT_FALSE(file.Close());
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(DeleteFileA(path.c_str())) << "the handle was released even so";
}

TEST(CZFile, PathsLongerThan128Characters) {
  testutil::TempFolder folder;
  std::string deep = folder.path();
  while (deep.size() < 170) {
    deep += "FOLDERWITHALONGNAME\\";
    CreateDirectoryA(deep.c_str(), nullptr);
  }
  const std::string path = deep + "FILE.BIN";
  CZFile file;
  ASSERT_TRUE(file.Create(path.c_str()));
  ASSERT_TRUE(file.Write("abc", 3));
  ASSERT_TRUE(file.Close());
  ASSERT_TRUE(file.OpenForRead(path.c_str())) << "an existing long name opens";
  std::vector<char> buffer(8);
  DWORD got = 0;
  ASSERT_TRUE(file.Read(buffer.data(), 8, &got));
  EXPECT_EQ(got, 3u);
}
