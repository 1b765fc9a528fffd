// Split, join and the builder on small drives: a 2 MB tmpfs on S: (a hard disk that runs out of
// room) and a diskette-sized tmpfs on A:, typed "floppy", whose disks the scripted prompt swaps by
// moving the drive's files aside. Skipped, with the reason, where mounts are not allowed.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "reading/czunzip.h"
#include "volumes/small_drive_test_support.h"
#include "volumes/volume_operations.h"
#include "volumes/volumes_test_support.h"
#include "win_test_util.h"
#include "writing/czzip.h"
#include "writing/zip_writer_test_support.h"

namespace {

using volumetest::Exists;

// Moves every file of folder `from` into folder `to` (both ending in '\').
void MoveFiles(const std::string& from, const std::string& to) {
  CreateDirectoryA(to.c_str(), nullptr);
  for (const std::string& name : testutil::FolderNames(from)) {
    MoveFileExA((from + name).c_str(), (to + name).c_str(),
                MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING);
  }
}

int DiskWanted(const std::string& text) {
  const size_t at = text.find("disk ");
  return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 5);
}

TEST(SmallHardDisk, SplitAndBuilderRunOutOfRoom) {
  volumetest::SmallDrive drive('S', 2048);
  if (!drive.mounted()) GTEST_SKIP() << drive.reason();
  testutil::TempFolder temp;
  const std::string source = temp / "BIG.ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(source, writertest::RandomBytes(3u << 20, 3)));
  volumetest::ScriptedDiskPrompts prompts;
  CZZip zip;
  EXPECT_EQ(
      volumes::SplitArchive(zip, nullptr, source.c_str(), "S:\\", 4 << 20, 4 << 20, "t", "disk %1"),
      kSplitDestinationFull);
  EXPECT_TRUE(prompts.texts.empty()) << "a hard disk is never swapped";
  DeleteFileA("S:\\BIG.0_0");

  // The builder: less room than the archive plus 50,000 bytes.
  volumetest::ControlFolderWithStub control;
  CZZip maker;
  const std::string archive = temp / "LARGE.ZIP";
  maker.SetCompressionMode(kZipStoreOnly);
  ASSERT_EQ(
      maker.ZipFiles(archive.c_str(), source.c_str(), kZipReplace, 0, FALSE, nullptr, nullptr), 0);
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  const size_t temporaries = volumetest::TemporaryCopies();
  EXPECT_EQ(maker.BuildSelfExtractor(nullptr, archive.c_str(), "S:\\LARGE.EXE", nullptr, nullptr,
                                     nullptr, 1, FALSE, TRUE),
            kSfxNoSpace);
  EXPECT_FALSE(Exists("S:\\LARGE.EXE"));
  EXPECT_EQ(volumetest::TemporaryCopies(), temporaries);
  EXPECT_EQ(testutil::FileBytes(archive), original);
}

// The new self-extractor stands beside the file at the output name until it is complete: a drive
// with room for the archive plus 50,000 bytes but not for the whole new file refuses the build
// before anything is written, and the file stays; with room for both it is replaced.
TEST(SmallHardDisk, BuilderCountsTheWholeNewFileBesideTheOldOne) {
  volumetest::SmallDrive drive('S', 2048);
  if (!drive.mounted()) GTEST_SKIP() << drive.reason();
  for (const std::string& name : testutil::FolderNames("S:\\"))
    DeleteFileA(("S:\\" + name).c_str());
  testutil::TempFolder temp;
  volumetest::ControlFolderWithStub control;
  const ULONGLONG stubSize = control.Stub().size();
  const std::string exe = "S:\\NOTES.EXE";
  const std::vector<uint8_t> users = writertest::RandomBytes(900u << 10, 41);
  ASSERT_TRUE(testutil::WriteWholeFile(exe, users));
  ULARGE_INTEGER available = {}, total = {}, free = {};
  ASSERT_TRUE(GetDiskFreeSpaceExA("S:\\", &available, &total, &free));
  const ULONGLONG room = available.QuadPart - 8192;  // what the engine counts as free
  ASSERT_GT(room, stubSize + 200000);

  // An archive whose size plus 50,000 bytes fits in the room, plus the stub and block does not.
  CZZip zip;
  zip.SetCompressionMode(kZipStoreOnly);
  const ULONGLONG archiveTarget = room - 50000 - stubSize / 2;
  const std::string data = temp / "DATA.BIN";
  ASSERT_TRUE(testutil::WriteWholeFile(data, writertest::RandomBytes(archiveTarget - 200, 42)));
  const std::string archive = temp / "LARGE.ZIP";
  ASSERT_EQ(zip.ZipFiles(archive.c_str(), data.c_str(), kZipReplace, 0, FALSE, nullptr, nullptr),
            0);
  const ULONGLONG archiveSize = testutil::FileBytes(archive).size();
  ASSERT_LE(archiveSize + 50000, room);
  ASSERT_GT(archiveSize + 50000 + stubSize + 682, room);
  const size_t temporaries = volumetest::TemporaryCopies();
  EXPECT_EQ(zip.BuildSelfExtractor(nullptr, archive.c_str(), exe.c_str(), nullptr, nullptr, nullptr,
                                   1, FALSE, TRUE),
            kSfxNoSpace);
  EXPECT_EQ(testutil::FileBytes(exe), users) << "the file at the output name as it was";
  EXPECT_EQ(testutil::FolderNames("S:\\", true), std::vector<std::string>{"NOTES.EXE"});
  EXPECT_EQ(volumetest::TemporaryCopies(), temporaries);

  // A smaller archive fits beside the old file, and the new file takes its place.
  const std::string small = temp / "SMALL.ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(data, writertest::RandomBytes(300u << 10, 43)));
  ASSERT_EQ(zip.ZipFiles(small.c_str(), data.c_str(), kZipReplace, 0, FALSE, nullptr, nullptr), 0);
  EXPECT_EQ(zip.BuildSelfExtractor(nullptr, small.c_str(), exe.c_str(), nullptr, nullptr, nullptr,
                                   1, FALSE, TRUE),
            kSfxDone);
  EXPECT_EQ(testutil::FolderNames("S:\\", true), std::vector<std::string>{"NOTES.EXE"});
  EXPECT_EQ(volumetest::TemporaryCopies(), temporaries);
  CZUnzip reader;
  EXPECT_EQ(reader.IsZIPFileQuick(exe.c_str()), 0);
  EXPECT_EQ(testutil::FileBytes(exe).size(), stubSize + 682 + testutil::FileBytes(small).size());
  DeleteFileA(exe.c_str());
}

class Diskettes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetDriveTypeA("A:\\") != DRIVE_REMOVABLE) {
      GTEST_SKIP() << "drive A: is not typed floppy in this prefix (scripts/wine-env.sh maps it)";
    }
    drive = std::make_unique<volumetest::SmallDrive>('A', 1440);
    if (!drive->mounted()) GTEST_SKIP() << drive->reason();
    for (const std::string& name : testutil::FolderNames("A:\\"))
      DeleteFileA(("A:\\" + name).c_str());
  }
  // The disk in the drive goes to its shelf; the wanted one (if any) comes in.
  void Swap(int wanted) {
    if (inDrive != 0) MoveFiles("A:\\", shelf / (std::to_string(inDrive) + "\\"));
    inDrive = wanted;
    const std::string disk = shelf / (std::to_string(wanted) + "\\");
    if (Exists(disk)) MoveFiles(disk, "A:\\");
  }

  std::unique_ptr<volumetest::SmallDrive> drive;
  testutil::TempFolder temp, shelf;
  int inDrive = 1;
  CZZip zip;
  CZUnzip unzip;
};

TEST_F(Diskettes, SplitAsksForEachDiskAndJoinGivesTheSourceBack) {
  const std::string source = temp / "DATA.ZIP";
  const std::vector<uint8_t> data = writertest::RandomBytes(2500u << 10, 9);
  ASSERT_TRUE(testutil::WriteWholeFile(source, data));
  volumetest::ScriptedDiskPrompts prompts;
  prompts.onDisk = [&](int) {
    Swap(DiskWanted(prompts.texts.back()));
    return true;
  };
  ASSERT_EQ(volumes::SplitArchive(zip, nullptr, source.c_str(), "A:\\", 1000 << 10, 1000 << 10,
                                  "Backup", "Insert disk %1 of %2"),
            kSplitDone);
  EXPECT_EQ(prompts.texts, (std::vector<std::string>{"Insert disk 2 of 3", "Insert disk 3 of 3"}));
  Swap(0);  // the last disk to the shelf too
  EXPECT_EQ(testutil::FileBytes(shelf / "1\\DATA.0_2").size(), 1000u << 10);
  EXPECT_EQ(testutil::FileBytes(shelf / "3\\DATA.2_2").size(), 500u << 10);

  // Joining onto the floppy that is being swapped is refused before anything is made.
  Swap(1);
  EXPECT_EQ(
      volumes::JoinVolumes(nullptr, "A:\\DATA.0_2", "A:\\", FALSE, "t", "disk %1", FALSE, nullptr),
      kJoinCannotCreate);
  EXPECT_FALSE(Exists("A:\\DATA.ZIP"));

  // Joining from the disks into a folder asks for disks 2 and 3.
  prompts.texts.clear();
  testutil::TempFolder joined;
  ASSERT_EQ(volumes::JoinVolumes(nullptr, "A:\\DATA.0_2", joined.path().c_str(), FALSE, "t",
                                 "Insert disk %1 of %2", FALSE, nullptr),
            kJoinDone);
  EXPECT_EQ(prompts.texts, (std::vector<std::string>{"Insert disk 2 of 3", "Insert disk 3 of 3"}));
  EXPECT_EQ(testutil::FileBytes(joined / "DATA.ZIP"), data);

  // A source on the floppy that needs more than one disk: 4, nothing written.
  Swap(4);
  ASSERT_TRUE(testutil::WriteWholeFile("A:\\SRC.ZIP", writertest::RandomBytes(300u << 10, 2)));
  testutil::TempFolder unused;
  EXPECT_EQ(
      volumes::SplitArchive(zip, nullptr, "A:\\SRC.ZIP", "A:\\", 100 << 10, 100 << 10, "t", "m"),
      kSplitRefused);
  EXPECT_EQ(testutil::FolderNames("A:\\", true), std::vector<std::string>{"SRC.ZIP"});
}

TEST_F(Diskettes, NoGivesSixAndAnOldVolumeIsReplacedWithoutAPrompt) {
  const std::string source = temp / "DATA.ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(source, writertest::RandomBytes(2000u << 10, 4)));
  volumetest::ScriptedDiskPrompts prompts;
  EXPECT_EQ(volumes::SplitArchive(zip, nullptr, source.c_str(), "A:\\", 1000 << 10, 1000 << 10, "t",
                                  "disk %1 of %2"),
            kSplitDiskRefused);
  EXPECT_EQ(prompts.texts, std::vector<std::string>{"disk 2 of 2"});
  for (const std::string& name : testutil::FolderNames("A:\\"))
    DeleteFileA(("A:\\" + name).c_str());

  // An old volume of another set of the same name, at least as large, makes room by itself.
  prompts.texts.clear();
  ASSERT_TRUE(testutil::WriteWholeFile("A:\\SMALL.0_3", writertest::RandomBytes(1200u << 10, 5)));
  const std::string small = temp / "SMALL.ZIP";
  const std::vector<uint8_t> data = writertest::RandomBytes(900u << 10, 6);
  ASSERT_TRUE(testutil::WriteWholeFile(small, data));
  EXPECT_EQ(
      volumes::SplitArchive(zip, nullptr, small.c_str(), "A:\\", 1000 << 10, 1000 << 10, "t", "m"),
      kSplitDone);
  EXPECT_TRUE(prompts.texts.empty());
  EXPECT_EQ(testutil::FolderNames("A:\\", true), std::vector<std::string>{"SMALL.0_0"});
  EXPECT_EQ(testutil::FileBytes("A:\\SMALL.0_0"), data);
}

}  // namespace
