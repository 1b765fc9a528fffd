// Split and join on folders: volume names, counts and sizes, the refusals that write nothing,
// the disk prompt of a missing volume, and the round trip back to the source byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/progress_messages.h"
#include "files/drive_checks.h"
#include "files/file_fault.h"
#include "reading/czunzip.h"
#include "volumes/volume_names.h"
#include "volumes/volume_operations.h"
#include "volumes/volumes_test_support.h"
#include "win_test_util.h"
#include "writing/czzip.h"
#include "writing/zip_writer_test_support.h"

namespace {

using volumetest::Exists;

constexpr int64_t kSourceTime = 1300000000;  // 2011-03-13

class SplitJoin : public ::testing::Test {
 protected:
  // A source of size bytes named DATA.ZIP in the source folder, with a known time.
  std::vector<uint8_t> MakeSource(size_t size) {
    std::vector<uint8_t> data = writertest::RandomBytes(size, static_cast<uint32_t>(size));
    EXPECT_TRUE(testutil::WriteWholeFile(source, data));
    volumetest::SetModTime(source, kSourceTime);
    return data;
  }
  int Split(long first, long next, HWND window = nullptr) {
    return volumes::SplitArchive(zip, window, source.c_str(), volumes.path().c_str(), first, next,
                                 "Disk %1", "Insert disk %1 of %2");
  }
  std::vector<uint8_t> Concatenated(const std::vector<std::string>& names) {
    std::vector<uint8_t> all;
    for (const std::string& name : names) {
      const std::vector<uint8_t> part = testutil::FileBytes(volumes / name);
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  }

  testutil::TempFolder sources, volumes, joined;
  std::string source = sources / "DATA.ZIP";
  CZZip zip;
  CZUnzip unzip;
};

TEST(VolumeNames, DigitsInBaseThirtySix) {
  struct Case {
    const char* source;
    const char* folder;
    int volume, last;
    const char* expected;
  } cases[] = {
      {"C:\\WORK\\DATA.ZIP", "A:\\", 0, 2, "A:\\DATA.0_2"},
      {"C:\\WORK\\DATA.ZIP", "A:\\", 2, 2, "A:\\DATA.2_2"},
      {"data.zip", "C:\\out", 10, 35, "C:\\OUT\\DATA.A_Z"},
      {"C:\\cafe.zip", "C:\\", 35, 36, "C:\\CAFE.Z_~"},
      {"C:\\NOEXT", "C:\\", 1, 1, "C:\\NOEXT.1_1"},
  };
  for (const Case& c : cases) {
    CZText out;
    CZZip::MakeVolumeName(c.source, out, c.folder, c.volume, c.last);
    CZText expected(c.expected);
    expected.MakeUpper();
    EXPECT_EQ(out.str(), expected.str()) << c.source;
  }
  CZText name("A:\\DATA.0_2");
  EXPECT_TRUE(volumes::SetVolumeDigit(name, 11));
  EXPECT_EQ(name.str(), "A:\\DATA.B_2");
  EXPECT_FALSE(volumes::SetVolumeDigit(name, 36));
  CZText shortName("A_1");
  EXPECT_FALSE(volumes::SetVolumeDigit(shortName, 0));
}

TEST_F(SplitJoin, VolumeCountsAndNames) {
  struct Case {
    size_t size;
    long first, next;
    std::vector<std::string> names;
  } cases[] = {
      {500, 1000, 1000, {"DATA.0_0"}},
      {1000, 1000, 1000, {"DATA.0_0"}},
      {1700, 1000, 700, {"DATA.0_1", "DATA.1_1"}},
      {0, 10, 10, {"DATA.0_0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    testutil::RemoveTree(volumes.path());
    CreateDirectoryA(volumes.path().c_str(), nullptr);
    const std::vector<uint8_t> data = MakeSource(c.size);
    ASSERT_EQ(Split(c.first, c.next), kSplitDone);
    EXPECT_EQ(testutil::FolderNames(volumes.path(), true), c.names);
    EXPECT_EQ(Concatenated(c.names), data);
    for (const std::string& name : c.names) {
      EXPECT_TRUE(
          volumetest::SameTime(volumetest::ModTime(volumes / name), volumetest::ModTime(source)))
          << name << " has the source's time";
    }
  }
}

TEST_F(SplitJoin, ThirtySixVolumesEndWithZ_ZAndMoreAreRefused) {
  const std::vector<uint8_t> data = MakeSource(100 + 35 * 50);
  ASSERT_EQ(Split(100, 50), kSplitDone);
  const std::vector<std::string> names = testutil::FolderNames(volumes.path(), true);
  ASSERT_EQ(names.size(), 36u);
  EXPECT_EQ(names.front(), "DATA.0_Z");
  EXPECT_EQ(names.back(), "DATA.Z_Z");
  std::vector<std::string> ordered;
  for (int i = 0; i < 36; ++i)
    ordered.push_back(std::string("DATA.") + volumes::VolumeDigit(i) + "_Z");
  EXPECT_EQ(Concatenated(ordered), data);

  // Joining from the last volume starts with the first and gives the source back.
  ASSERT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.Z_Z").c_str(), joined.path().c_str(),
                                 FALSE, "t", "m", FALSE, nullptr),
            kJoinDone);
  EXPECT_EQ(testutil::FileBytes(joined / "DATA.ZIP"), data);

  struct Refusal {
    const char* name;
    size_t size;
    long first, next;
  } refusals[] = {
      {"37 volumes", 100 + 35 * 50 + 1, 100, 50},
      {"zero next size", 101, 100, 0},
      {"negative next size", 101, 100, -5},
      {"negative first size", 10, -1, 100},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    testutil::RemoveTree(volumes.path());
    CreateDirectoryA(volumes.path().c_str(), nullptr);
    MakeSource(r.size);
    EXPECT_EQ(Split(r.first, r.next), kSplitRefused);
    EXPECT_TRUE(testutil::FolderNames(volumes.path()).empty()) << "nothing written";
  }
  testutil::RemoveTree(volumes.path());
  CreateDirectoryA(volumes.path().c_str(), nullptr);
  EXPECT_EQ(volumes::SplitArchive(zip, nullptr, (sources / "NONE.ZIP").c_str(),
                                  volumes.path().c_str(), 10, 10, "", ""),
            kSplitNoSource);
  EXPECT_EQ(volumes::SplitArchive(zip, nullptr, sources.path().c_str(), volumes.path().c_str(), 10,
                                  10, "", ""),
            kSplitNoSource)
      << "a folder";
}

TEST_F(SplitJoin, ProgressMessagesOfSplitAndJoin) {
  const std::vector<uint8_t> data = MakeSource(40000);
  std::vector<std::tuple<UINT, WPARAM, std::string>> seen;
  testutil::MessageWindow window([&](UINT message, WPARAM wParam, const char* text) {
    std::string shown;
    if (message == progress::kSplitting || message == progress::kJoining ||
        message == progress::kJoinDoneName) {
      shown = text != nullptr ? text : "";
    } else {
      shown = std::to_string(reinterpret_cast<LPARAM>(text));
    }
    seen.emplace_back(message, wParam, shown);
  });
  ASSERT_EQ(Split(30000, 30000, window.get()), kSplitDone);
  std::vector<std::pair<WPARAM, std::string>> volumesDone;
  int splitting = 0;
  for (auto& [message, wParam, text] : seen) {
    if (message == progress::kSplitting) ++splitting;
    if (message == progress::kVolumeSplit) volumesDone.emplace_back(wParam, text);
  }
  EXPECT_EQ(splitting, 6) << "one per write of at most 8,192 bytes (4 + 2)";
  ASSERT_EQ(volumesDone.size(), 2u);
  EXPECT_EQ(volumesDone[0], std::make_pair(WPARAM{1}, std::string("30000")));
  EXPECT_EQ(volumesDone[1], std::make_pair(WPARAM{2}, std::string("10000")));
  const auto& lastSplitting = *std::find_if(
      seen.rbegin(), seen.rend(), [](auto& m) { return std::get<0>(m) == progress::kSplitting; });
  EXPECT_EQ(std::get<1>(lastSplitting), 40000u / 1024);
  EXPECT_NE(std::get<2>(lastSplitting).find("DATA.1_1"), std::string::npos);

  for (BOOL progressOn : {FALSE, TRUE}) {
    SCOPED_TRACE(progressOn);
    seen.clear();
    DeleteFileA((joined / "DATA.ZIP").c_str());
    ASSERT_EQ(volumes::JoinVolumes(window.get(), (volumes / "DATA.0_1").c_str(),
                                   joined.path().c_str(), progressOn, "t", "m", FALSE, nullptr),
              kJoinDone);
    EXPECT_EQ(testutil::FileBytes(joined / "DATA.ZIP"), data);
    if (!progressOn) {
      EXPECT_TRUE(seen.empty()) << "without progress nothing is sent";
      continue;
    }
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(std::get<0>(seen[seen.size() - 2]), progress::kJoinDoneName);
    EXPECT_NE(std::get<2>(seen[seen.size() - 2]).find("DATA.ZIP"), std::string::npos);
    EXPECT_EQ(std::get<0>(seen.back()), progress::kJoinDoneSize);
    EXPECT_EQ(std::get<2>(seen.back()), "40000");
    EXPECT_EQ(std::count_if(seen.begin(), seen.end(),
                            [](auto& m) { return std::get<0>(m) == progress::kVolumeJoined; }),
              2);
  }
}

TEST_F(SplitJoin, JoinNamesAndRefusals) {
  const std::vector<uint8_t> data = MakeSource(2500);
  ASSERT_EQ(Split(1000, 1000), kSplitDone);
  volumetest::SetModTime(volumes / "DATA.2_2", kSourceTime + 3600);

  // From the middle volume: volume 0 comes first; the result has the last volume's time.
  volumetest::ScriptedDiskPrompts prompts;
  ASSERT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.1_2").c_str(), joined.path().c_str(),
                                 FALSE, "t", "m", FALSE, nullptr),
            kJoinDone);
  EXPECT_EQ(testutil::FileBytes(joined / "DATA.ZIP"), data);
  EXPECT_TRUE(volumetest::SameTime(volumetest::ModTime(joined / "DATA.ZIP"),
                                   volumetest::ModTime(volumes / "DATA.2_2")));
  EXPECT_TRUE(prompts.texts.empty());
  // An existing output: 8, and it is left alone.
  EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.0_2").c_str(), joined.path().c_str(),
                                 FALSE, "t", "m", FALSE, nullptr),
            kJoinOutputExists);
  EXPECT_EQ(testutil::FileBytes(joined / "DATA.ZIP"), data);

  // Names that are no volume names, and a missing volume.
  ASSERT_TRUE(testutil::WriteWholeFile(volumes / "DATA.0-1", std::string("x")));
  ASSERT_TRUE(testutil::WriteWholeFile(volumes / "A_1", std::string("x")));
  testutil::TempFolder other;
  EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.0-1").c_str(), other.path().c_str(),
                                 FALSE, "t", "m", FALSE, nullptr),
            kJoinNotVolumeName);
  EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "A_1").c_str(), other.path().c_str(), FALSE,
                                 "t", "m", FALSE, nullptr),
            kJoinNotVolumeName);
  EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "NONE.0_0").c_str(), other.path().c_str(),
                                 FALSE, "t", "m", FALSE, nullptr),
            kJoinNoVolume);
  EXPECT_TRUE(testutil::FolderNames(other.path()).empty());

  // A single volume 0_0 joins without any prompt.
  ASSERT_TRUE(testutil::WriteWholeFile(other / "ONE.0_0", std::string("single volume")));
  testutil::TempFolder single;
  ASSERT_EQ(volumes::JoinVolumes(nullptr, (other / "ONE.0_0").c_str(), single.path().c_str(), FALSE,
                                 "t", "m", FALSE, nullptr),
            kJoinDone);
  EXPECT_EQ(testutil::FileBytes(single / "ONE.ZIP"), testutil::FileBytes(other / "ONE.0_0"));
  EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(SplitJoin, AMissingVolumeIsAskedFor) {
  const std::vector<uint8_t> data = MakeSource(2500);
  ASSERT_EQ(Split(1000, 1000), kSplitDone);
  const std::string middle = volumes / "DATA.1_2";
  const std::string aside = sources / "DATA.1_2";
  ASSERT_TRUE(MoveFileA(middle.c_str(), aside.c_str()));

  {
    // Without a prompt handler the answer is No.
    ASSERT_EQ(GetEnginePrompts(), nullptr);
    testutil::TempFolder unanswered;
    EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.0_2").c_str(),
                                   unanswered.path().c_str(), FALSE, "t", "m", FALSE, nullptr),
              kJoinDiskRefused);
  }
  volumetest::ScriptedDiskPrompts prompts;
  // No: 5, and the part joined so far is deleted: nothing is left under the archive's name.
  EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.0_2").c_str(), joined.path().c_str(),
                                 FALSE, "Disk %1", "Insert disk %1 of %2", FALSE, nullptr),
            kJoinDiskRefused);
  ASSERT_EQ(prompts.texts.size(), 1u);
  EXPECT_EQ(prompts.texts[0], "Insert disk 2 of 3");
  EXPECT_EQ(prompts.titles[0], "Disk 2");
  EXPECT_TRUE(testutil::FolderNames(joined.path()).empty()) << "no partial archive";

  // A file that was at the archive's name before the call is never touched: 8, as it was.
  const std::vector<uint8_t> someone = writertest::RandomBytes(700, 70);
  ASSERT_TRUE(testutil::WriteWholeFile(joined / "DATA.ZIP", someone));
  EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.0_2").c_str(), joined.path().c_str(),
                                 FALSE, "t", "m", FALSE, nullptr),
            kJoinOutputExists);
  EXPECT_EQ(testutil::FileBytes(joined / "DATA.ZIP"), someone);
  ASSERT_TRUE(DeleteFileA((joined / "DATA.ZIP").c_str()));

  // Yes after the volume is back: the join goes on, and the retry gives the source back.
  prompts.texts.clear();
  prompts.onDisk = [&](int) { return MoveFileA(aside.c_str(), middle.c_str()) != FALSE; };
  EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.2_2").c_str(), joined.path().c_str(),
                                 FALSE, "Disk %1", "Insert disk %1 of %2", FALSE, nullptr),
            kJoinDone);
  EXPECT_EQ(prompts.texts.size(), 1u);
  EXPECT_EQ(testutil::FileBytes(joined / "DATA.ZIP"), data);
}

// Every failure once the archive is made deletes it, and the retry joins the source back.
TEST_F(SplitJoin, AFailedJoinLeavesNoArchive) {
  const std::vector<uint8_t> data = MakeSource(20000);
  ASSERT_EQ(Split(9000, 9000), kSplitDone);
  const std::string output = joined / "DATA.ZIP";
  size_t reads = 0, writes = 0, closes = 0;
  {
    ScopedFileFaults faults;
    ASSERT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.0_2").c_str(), joined.path().c_str(),
                                   FALSE, "t", "m", FALSE, nullptr),
              kJoinDone);
    reads = static_cast<size_t>(FileStepCalls(FileStep::kRead));
    writes = static_cast<size_t>(FileStepCalls(FileStep::kWrite));
    closes = static_cast<size_t>(FileStepCalls(FileStep::kClose));  // the archive's is the last
    ASSERT_TRUE(DeleteFileA(output.c_str()));
  }
  ASSERT_GE(writes, 3u);
  struct Case {
    FileStep step;
    size_t nth;
  } cases[] = {{FileStep::kWrite, 1},      {FileStep::kWrite, writes / 2},
               {FileStep::kWrite, writes}, {FileStep::kRead, 1},
               {FileStep::kRead, reads},   {FileStep::kOpen, 2},
               {FileStep::kClose, closes}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(FileStepName(c.step)) + " " + std::to_string(c.nth));
    {
      ScopedFileFaults faults;
      FailFileStep(c.step, static_cast<int>(c.nth));
      EXPECT_NE(volumes::JoinVolumes(nullptr, (volumes / "DATA.0_2").c_str(), joined.path().c_str(),
                                     FALSE, "t", "m", FALSE, nullptr),
                kJoinDone);
    }
    EXPECT_TRUE(testutil::FolderNames(joined.path()).empty()) << "no partial archive";
    ASSERT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.0_2").c_str(), joined.path().c_str(),
                                   FALSE, "t", "m", FALSE, nullptr),
              kJoinDone);
    EXPECT_EQ(testutil::FileBytes(output), data);
    ASSERT_TRUE(DeleteFileA(output.c_str()));
  }
}

TEST_F(SplitJoin, NoRoomForAVolumeGivesNine) {
  if (GetDriveTypeA("S:\\") == DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "drive S: is not mapped";
  MakeSource(2500);
  ASSERT_EQ(Split(1000, 1000), kSplitDone);
  const std::string target = "S:\\JOINED\\";
  CreateDirectoryA(target.c_str(), nullptr);
  DeleteFileA((target + "DATA.ZIP").c_str());
  {
    ScopedSimulatedDrives drives;
    drives.MakeFull('S');
    EXPECT_EQ(volumes::JoinVolumes(nullptr, (volumes / "DATA.0_2").c_str(), target.c_str(), FALSE,
                                   "t", "m", FALSE, nullptr),
              kJoinNoRoom);
  }
  EXPECT_FALSE(Exists(target + "DATA.ZIP")) << "the archive made for the join is deleted";
  testutil::RemoveTree(target);
}

TEST_F(SplitJoin, AProtectedDisketteIsAskedForUntilItCanBeWritten) {
  const std::vector<uint8_t> data = MakeSource(500);
  const char drive = volumes.path()[0];
  volumetest::ScriptedDiskPrompts prompts;
  {
    ScopedSimulatedDrives drives;
    drives.MakeWriteProtectedDiskette(drive);
    EXPECT_EQ(Split(1000, 1000), kSplitProtectedRefused);
    EXPECT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0], "Insert disk 1 of 1");
    EXPECT_TRUE(testutil::FolderNames(volumes.path()).empty());

    prompts.texts.clear();
    prompts.onDisk = [](int ask) {
      if (ask == 2) drive_simulation::protectedDrives = 0;  // the disk is writable now
      return true;
    };
    EXPECT_EQ(Split(1000, 1000), kSplitDone);
    EXPECT_EQ(prompts.texts.size(), 2u);
  }
  EXPECT_EQ(testutil::FileBytes(volumes / "DATA.0_0"), data);
}

}  // namespace
