// Results for the destination drive: no free space (13), a CD-ROM drive (14) and a
// write-protected diskette (15), for extraction, for the archive test's temporary file and for
// the replacement of an archive by the writer. A full drive and a protected diskette are
// simulated (ScopedSimulatedDrives); the CD-ROM drive is the test prefix's real M: drive.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "reading/czunzip.h"
#include "writing/czzip.h"
#include "files/drive_checks.h"
#include "writing/archive_replace.h"
#include "files/file_ops.h"
#include "win_test_util.h"
#include "writing/zip_writer_test_support.h"

namespace {

std::string Fixture(const std::string& name) {
  return testutil::BinaryDir() + "engine\\fixtures\\extract\\" + name;
}

std::string CurrentFolder() {
  char folder[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  return folder;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string TempPath() {
  char path[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, path);
  return path;
}

std::vector<std::string> TestFilesIn(const std::string& folder) {
  std::vector<std::string> found;
  for (const std::string& name : testutil::FolderNames(folder, true))
    if (name.rfind("CST", 0) == 0) found.push_back(name);
  return found;
}

enum class Simulated { kFull, kProtected };

void Simulate(ScopedSimulatedDrives& drives, Simulated what, char letter) {
  if (what == Simulated::kFull)
    drives.MakeFull(letter);
  else
    drives.MakeWriteProtectedDiskette(letter);
}

// Points the system's temporary folder (the archive test's choice for its file) elsewhere for
// the life of the object.
class ScopedTempFolder {
 public:
  explicit ScopedTempFolder(const char* folder) {
    char old[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableA("TMP", old, MAX_PATH);
    hadOld_ = length > 0 && length <= MAX_PATH;
    if (hadOld_) old_ = old;
    SetEnvironmentVariableA("TMP", folder);
  }
  ~ScopedTempFolder() { SetEnvironmentVariableA("TMP", hadOld_ ? old_.c_str() : nullptr); }
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

 private:
  bool hadOld_ = false;
  std::string old_;
};

}  // namespace

// ---- the simulation itself ---------------------------------------------------------------------

TEST(SimulatedDrives, OnlyTheNamedLettersChangeAndOnlyWhileTheScopeLasts) {
  const std::string temp = TempPath();
  ASSERT_GE(temp.size(), 3u);
  const char letter = temp[0];
  const int kind = GetDriveKind(temp.c_str());
  ASSERT_TRUE(HasFreeSpace64(temp.c_str(), 0));
  {
    ScopedSimulatedDrives drives;
    drives.MakeFull(static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
    EXPECT_EQ(GetFreeSpaceKB64(temp.c_str()), 0u);
    EXPECT_FALSE(HasFreeSpace64(temp.c_str(), 0));
    EXPECT_EQ(CZText(temp.c_str()).GetFreeSpaceKB(), 0);
    EXPECT_EQ(GetDriveKind(temp.c_str()), kind) << "a full drive keeps its kind";
    EXPECT_FALSE(IsDisketteWriteProtected(temp.c_str()));

    drives.MakeWriteProtectedDiskette('M');
    EXPECT_EQ(GetDriveKind("m:\\A.ZIP"), kDriveRemovable);
    EXPECT_TRUE(IsDisketteWriteProtected("m:\\A.ZIP"));
    EXPECT_EQ(GetDriveKind("R:\\"), kDriveRamDisk) << "other letters are asked as before";
    EXPECT_FALSE(IsDisketteWriteProtected("R:\\"));
    EXPECT_EQ(GetDriveKind("\\\\SERVER\\SHARE"), kDriveOther);
  }
  EXPECT_TRUE(HasFreeSpace64(temp.c_str(), 0));
  EXPECT_EQ(GetDriveKind("M:\\A.ZIP"), kDriveCdRom);
  EXPECT_FALSE(IsDisketteWriteProtected("M:\\A.ZIP"));
}

// ---- extraction --------------------------------------------------------------------------------

// The destination is made current (and created) first, then checked: nothing is written into
// it, no entry folder is made, and the caller's current folder comes back.
TEST(DriveResults, ExtractionRefusesAFullOrProtectedDestinationBeforeWriting) {
  struct Case {
    const char* label;
    Simulated what;
    int result;
  };
  const Case cases[] = {{"full", Simulated::kFull, 13}, {"protected", Simulated::kProtected, 15}};
  testutil::TempFolder temp;
  CZUnzip unzip;
  const std::string before = CurrentFolder();
  std::vector<std::string> made;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string dest = temp / (std::string(c.label) + "\\");
    {
      ScopedSimulatedDrives drives;
      Simulate(drives, c.what, dest[0]);
      EXPECT_EQ(unzip.UnzipFiles(Fixture("zip_tree.zip").c_str(), "*.*", dest.c_str(), 1, TRUE),
                c.result);
      EXPECT_EQ(CurrentFolder(), before);
      EXPECT_TRUE(IsFolder(dest)) << "the destination is made before it is checked";
      EXPECT_TRUE(testutil::FolderNames(dest, true).empty());
      made.push_back(std::string(c.label));
      CharUpperBuffA(made.back().data(), static_cast<DWORD>(made.back().size()));
      std::sort(made.begin(), made.end());
      EXPECT_EQ(testutil::FolderNames(temp.path(), true), made);
    }
    // With the simulation over, the same call extracts.
    EXPECT_EQ(unzip.UnzipFiles(Fixture("zip_tree.zip").c_str(), "*.*", dest.c_str(), 1, TRUE), 0);
    EXPECT_TRUE(Exists(dest + "README.TXT"));
    EXPECT_EQ(CurrentFolder(), before);
  }
}

// A full or protected drive elsewhere does not stop an extraction; the real CD-ROM check still
// answers beside a simulation.
TEST(DriveResults, SimulationsOfOtherDrivesLeaveTheRealChecks) {
  testutil::TempFolder temp;
  CZUnzip unzip;
  ASSERT_NE(temp.path()[0], 'M');
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("M:\\"))
      << "the test drive M: is not mapped";
  ScopedSimulatedDrives drives;
  drives.MakeFull('Q');
  drives.MakeWriteProtectedDiskette('P');
  EXPECT_EQ(
      unzip.UnzipFiles(Fixture("zip_tree.zip").c_str(), "*.*", (temp / "ok\\").c_str(), 1, TRUE),
      0);
  EXPECT_TRUE(Exists(temp / "ok\\README.TXT"));
  const std::vector<std::string> onM = testutil::FolderNames("M:\\", true);
  EXPECT_EQ(unzip.UnzipFiles(Fixture("zip_tree.zip").c_str(), "*.*", "M:\\", 1, TRUE), 14);
  EXPECT_EQ(testutil::FolderNames("M:\\", true), onM);
}

// ---- the archive test's temporary file ---------------------------------------------------------

TEST(DriveResults, ArchiveTestNeedsAWritableTemporaryDrive) {
  const std::string archive = Fixture("zip_tree.zip");
  const std::vector<uint8_t> bytes = testutil::FileBytes(archive, true);
  const std::string temp = TempPath();
  ASSERT_GE(temp.size(), 3u);
  CZUnzip unzip;
  struct Case {
    const char* label;
    Simulated what;
    int result;
  };
  const Case cases[] = {{"full", Simulated::kFull, 13}, {"protected", Simulated::kProtected, 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScopedSimulatedDrives drives;
    Simulate(drives, c.what, temp[0]);
    EXPECT_EQ(unzip.IsZIPFile(archive.c_str(), FALSE), c.result);
    EXPECT_EQ(unzip.IsZIPFile(archive.c_str(), TRUE), 0) << "the quick test writes nothing";
    EXPECT_TRUE(TestFilesIn(temp).empty()) << "the temporary file is deleted";
  }

  // The real CD-ROM check: the temporary folder on the test prefix's M: drive.
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("M:\\"))
      << "the test drive M: is not mapped";
  {
    ScopedTempFolder onCdRom("M:\\");
    ASSERT_EQ(TempPath()[0], 'M');
    EXPECT_EQ(unzip.IsZIPFile(archive.c_str(), FALSE), 14);
    EXPECT_TRUE(TestFilesIn("M:\\").empty()) << "the temporary file is deleted";
  }
  EXPECT_EQ(unzip.IsZIPFile(archive.c_str(), FALSE), 0);
  EXPECT_TRUE(TestFilesIn(temp).empty());
  EXPECT_EQ(testutil::FileBytes(archive, true), bytes);
}

// ---- the writer's replacement of the archive ---------------------------------------------------

// The new archive is complete before the drive is asked; on a protected diskette the old archive
// stays byte for byte and the temporary archive goes. A drive that reports no free space once the
// temporary archive is written beside the archive refuses nothing: the move needs no room.
TEST(DriveResults, ArchiveOnAFullOrProtectedDriveIsLeftAsItWas) {
  testutil::TempFolder temp;
  ASSERT_TRUE(testutil::WriteWholeFile(temp / "old.bin", writertest::RandomBytes(3000, 11)));
  ASSERT_TRUE(testutil::WriteWholeFile(temp / "new.bin", writertest::RandomBytes(6000, 12)));
  const std::string before = CurrentFolder();
  CZZip zip;
  const std::string archive = temp / "A.ZIP";
  ASSERT_EQ(zip.ZipFiles(archive.c_str(), (temp / "old.bin").c_str(), kZipReplace, 0, FALSE,
                         nullptr, nullptr),
            0);
  SetCurrentDirectoryA(before.c_str());
  const std::vector<uint8_t> original = testutil::FileBytes(archive, true);
  const std::vector<std::string> contents = testutil::FolderNames(temp.path(), true);

  struct Case {
    const char* label;
    Simulated what;
    int result;
  };
  const Case cases[] = {{"protected", Simulated::kProtected, kReplaceWriteProtected}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    {
      ScopedSimulatedDrives drives;
      Simulate(drives, c.what, archive[0]);
      EXPECT_EQ(zip.ZipFiles(archive.c_str(), (temp / "new.bin").c_str(), kZipReplace, 0, FALSE,
                             nullptr, nullptr),
                c.result);
    }
    SetCurrentDirectoryA(before.c_str());
    EXPECT_EQ(testutil::FileBytes(archive, true), original);
    EXPECT_EQ(testutil::FolderNames(temp.path(), true), contents) << "no temporary archive is left";
  }
  {
    ScopedSimulatedDrives drives;
    Simulate(drives, Simulated::kFull, archive[0]);
    EXPECT_EQ(zip.ZipFiles(archive.c_str(), (temp / "new.bin").c_str(), kZipReplace, 0, FALSE,
                           nullptr, nullptr),
              0);
  }
  SetCurrentDirectoryA(before.c_str());
  EXPECT_GT(testutil::FileBytes(archive, true).size(), original.size());
  EXPECT_EQ(testutil::FolderNames(temp.path(), true), contents) << "no temporary archive is left";
}
