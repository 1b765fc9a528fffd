// The self-extractor, volume and drive methods of the registered control, called by name as
// hosts call them; then, hosted in Wine's atl.dll, their events in the background and none in
// the foreground, the refusal of a second operation from an event handler, and a VBScript that
// splits and joins an archive through the control's ProgID.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_test_support.h"
#include "hosted_control_test_support.h"
#include "qx30w32_guids.h"
#include "volumes/small_drive_test_support.h"

namespace {

using controltest::Ptr;
using Args = controltest::DispatchArgs;

constexpr DISPID kJoining = 5, kJoinDoneSize = 7, kJoinDoneName = 8, kRestoreBuildZip = 9,
                 kRestoreZipDone = 10, kBackupBuildZip = 11, kBackupZipDone = 12,
                 kMakeExeStep1 = 13, kMakeExeStep2 = 14, kSplitting = 22, kSplitted = 23;

std::string FixtureDir() { return testutil::BinaryDir() + "control\\fixtures\\volume_methods\\"; }

std::string Noise(size_t size, unsigned seed) {
  std::string data(size, '\0');
  for (char& c : data) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return data;
}

std::string DllFolder() {
  const std::string dll = controltest::DllPath();
  return dll.substr(0, dll.find_last_of("\\/") + 1);
}

// The control folder holds a stub while the object lives: the stand-in one, unless a stub is
// already there (then it is used and left alone).
class StubInControlFolder {
 public:
  StubInControlFolder() : stub_(DllFolder() + "RAVELIN.32") {
    if (GetFileAttributesA(stub_.c_str()) == INVALID_FILE_ATTRIBUTES) {
      placed_ = CopyFileA(volumetest::StandInStub().c_str(), stub_.c_str(), TRUE) != FALSE;
    }
  }
  ~StubInControlFolder() {
    if (placed_) DeleteFileA(stub_.c_str());
  }
  std::vector<uint8_t> Bytes() const { return testutil::FileBytes(stub_); }

 private:
  std::string stub_;
  bool placed_ = false;
};

// Split(szZipName, szDestDir, lFirst, lNext, bBackGroundProcessing, szTitle, szMsg)
Args SplitArgs(const std::string& archive, const std::string& folder, long first, long next,
               bool background = false) {
  Args args;
  args.Text(archive).Text(folder).Long(first).Long(next).Bool(background).Text("Disk %1");
  args.Text("Insert disk %1 of %2");
  return args;
}
// Join(szPartFileName, szDestDirectory, szTitle, szMsg, bBackGroundProcessing)
Args JoinArgs(const std::string& volume, const std::string& folder, bool background = false) {
  Args args;
  args.Text(volume).Text(folder).Text("Disk %1").Text("Insert disk %1 of %2").Bool(background);
  return args;
}
// MakeEXEFile(szZipName, szEXEName, szProgramToLaunch, szEXETitle, szELFFile, iOverwriteMode,
//             bAskDirectory, bWin32Target, bBackGroundProcessing)
Args MakeExeArgs(const std::string& archive, const std::string& exe, bool background = false) {
  Args args;
  args.Text(archive).Text(exe).Text("").NullText().Text(FixtureDir() + "ENGLISH.ELF");
  args.Short(1).Bool(false).Bool(true).Bool(background);
  return args;
}
// Backup(szMask, szDestDrive, bRecurse, bUseArchiveFlag, bRemoveArchiveFlag, bForceSingleBackup,
//        szTitle, szMsg, iCompressionMode, bBackGroundProcessing)
Args BackupArgs(const std::string& mask, const std::string& destination, bool background = false) {
  Args args;
  args.Text(mask).Text(destination).Bool(true).Bool(false).Bool(false).Bool(true);
  args.Text("Disk %1").Text("Insert disk %1 of %2").Short(0).Bool(background);
  return args;
}
// Restore(szSourceDirectory, szDestinationDirectory, iOverwriteMode, bDisplayDialog,
//         bEraseReadOnlyFiles, szTitle, szMsg, bBackGroundProcessing)
Args RestoreArgs(const std::string& source, const std::string& destination,
                 bool background = false) {
  Args args;
  args.Text(source).Text(destination).Short(1).Bool(false).Bool(false).Text("Disk %1");
  args.Text("Insert disk %1 of %2").Bool(background);
  return args;
}

// A source tree of three files below work\src.
void MakeTree(const testutil::TempFolder& work) {
  CreateDirectoryA((work / "src").c_str(), nullptr);
  CreateDirectoryA((work / "src\\sub").c_str(), nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(work / "src\\a.txt", std::string(20000, 'a')));
  ASSERT_TRUE(testutil::WriteWholeFile(work / "src\\sub\\noise.bin", Noise(30000, 3)));
  ASSERT_TRUE(testutil::WriteWholeFile(work / "src\\sub\\b.txt", std::string("bee\n")));
}

class VolumeMethods : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, control_.OutVoid()));
    calls_.Bind(control_.get());
  }
  short Short(const wchar_t* name, const Args& args) { return calls_.Short(name, args); }
  bool Bool(const wchar_t* name, const Args& args) { return calls_.Bool(name, args); }

  Ptr<IDispatch> control_;
  controltest::NamedCalls calls_;
};

TEST_F(VolumeMethods, SplitAndJoinGiveTheArchiveBack) {
  testutil::TempFolder work, volumes, joined;
  const std::string archive = work / "DATA.ZIP";
  const std::string data = Noise(7000, 1);
  ASSERT_TRUE(testutil::WriteWholeFile(archive, data));
  EXPECT_EQ(0, Short(L"Split", SplitArgs(archive, volumes.path(), 3000, 2000)));
  EXPECT_EQ((std::vector<std::string>{"DATA.0_2", "DATA.1_2", "DATA.2_2"}),
            testutil::FolderNames(volumes.path(), true));
  EXPECT_EQ(4, Short(L"Split", SplitArgs(archive, joined.path(), 100, 1)));
  EXPECT_TRUE(testutil::FolderNames(joined.path()).empty());

  EXPECT_EQ(0, Short(L"Join", JoinArgs(volumes / "DATA.2_2", joined.path())));
  EXPECT_TRUE(testutil::FileBytes(joined / "DATA.ZIP") ==
              std::vector<uint8_t>(data.begin(), data.end()));
  EXPECT_EQ(8, Short(L"Join", JoinArgs(volumes / "DATA.0_2", joined.path())))
      << "Join takes no other name";
  EXPECT_EQ(7, Short(L"Join", JoinArgs(archive, joined.path())));
}

TEST_F(VolumeMethods, MakeExeFileBuildsASelfExtractorTheReaderAccepts) {
  StubInControlFolder stub;
  testutil::TempFolder work;
  const std::string archive = work / "PLAIN.ZIP";
  ASSERT_TRUE(CopyFileA((FixtureDir() + "plain.zip").c_str(), archive.c_str(), FALSE));
  EXPECT_EQ(0, Short(L"MakeEXEFile", MakeExeArgs(archive, "")));
  const std::vector<uint8_t> exe = testutil::FileBytes(work / "PLAIN.EXE");
  const std::vector<uint8_t> front = stub.Bytes();
  ASSERT_GT(exe.size(), front.size() + 682);
  EXPECT_TRUE(std::equal(front.begin(), front.end(), exe.begin()));
  EXPECT_EQ('1', exe[front.size()]);
  EXPECT_EQ(0, Short(L"IsZIPFileQuick", Args().Text(work / "PLAIN.EXE").Bool(false)));
  EXPECT_EQ(4, Short(L"MakeEXEFile", MakeExeArgs(work / "NONE.ZIP", "")));
  EXPECT_EQ(4, Short(L"MakeEXEFile", MakeExeArgs(archive, archive)));
}

TEST_F(VolumeMethods, BackupAndRestoreThroughTheControl) {
  testutil::TempFolder work, volumes, restored;
  MakeTree(work);
  EXPECT_EQ(0, Short(L"Backup", BackupArgs(work / "src\\*.*", volumes.path())));
  EXPECT_EQ((std::vector<std::string>{"SRC.0_0"}), testutil::FolderNames(volumes.path(), true));
  EXPECT_EQ(3, Short(L"Backup", BackupArgs(work / "src\\*.*", volumes.path()))) << "not empty";
  EXPECT_EQ(0, Short(L"Restore", RestoreArgs(volumes.path(), restored.path())));
  for (const char* name : {"a.txt", "sub\\noise.bin", "sub\\b.txt"}) {
    EXPECT_TRUE(testutil::FileBytes(restored / name) ==
                testutil::FileBytes(work / (std::string("src\\") + name)))
        << name;
  }
  EXPECT_EQ(2u, testutil::FolderNames(restored.path()).size()) << "no joined archive left";
  testutil::TempFolder none;
  EXPECT_EQ(4, Short(L"Restore", RestoreArgs(none.path(), restored.path())));
}

TEST_F(VolumeMethods, AnIncrementalBackupTakesOnlyFilesWithTheArchiveAttribute) {
  testutil::TempFolder work, first, second;
  MakeTree(work);
  for (const char* name : {"src\\a.txt", "src\\sub\\noise.bin", "src\\sub\\b.txt"}) {
    ASSERT_TRUE(SetFileAttributesA((work / name).c_str(), FILE_ATTRIBUTE_ARCHIVE));
  }
  const std::string probe = work / "probe.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(probe, std::string("p")));
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_HIDDEN);
  if (GetFileAttributesA(probe.c_str()) & FILE_ATTRIBUTE_ARCHIVE) {
    GTEST_SKIP() << "the file system here does not keep the archive attribute (Wine keeps DOS "
                    "attributes in extended attributes, which this file system lacks)";
  }
  // Backup(mask, destination, recurse, use the archive flag, remove it, single backup, title,
  //        text, stored, foreground)
  auto backup = [&](const testutil::TempFolder& destination) {
    Args args;
    args.Text(work / "src\\*.*").Text(destination.path()).Bool(true).Bool(true).Bool(true);
    args.Bool(false).Text("t").Text("m").Short(3).Bool(false);
    return Short(L"Backup", args);
  };
  EXPECT_EQ(0, backup(first));
  EXPECT_EQ(0u, GetFileAttributesA((work / "src\\a.txt").c_str()) & FILE_ATTRIBUTE_ARCHIVE)
      << "the flag is removed from what was backed up";
  // One changed file: only it goes into the next set.
  ASSERT_TRUE(testutil::WriteWholeFile(work / "src\\sub\\b.txt", std::string("changed\n")));
  ASSERT_TRUE(SetFileAttributesA((work / "src\\sub\\b.txt").c_str(), FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(0, backup(second));
  testutil::TempFolder restored;
  EXPECT_EQ(0, Short(L"Restore", RestoreArgs(second.path(), restored.path())));
  EXPECT_TRUE(testutil::FileBytes(restored / "sub\\b.txt") ==
              testutil::FileBytes(work / "src\\sub\\b.txt"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((restored / "a.txt").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((restored / "sub\\noise.bin").c_str()));
}

TEST_F(VolumeMethods, DriveTests) {
  if (GetDriveTypeA("M:\\") == DRIVE_CDROM) {
    EXPECT_FALSE(Bool(L"IsDriveWriteable", Args().Text("M:\\")));
  }
  EXPECT_TRUE(Bool(L"IsDriveWriteable", Args().Text("C:\\")));
  EXPECT_TRUE(Bool(L"IsDisketteReady", Args().Text("C:\\")));
  char unmapped = 0;
  for (char letter = 'Q'; letter >= 'D' && unmapped == 0; --letter) {
    const char root[4] = {letter, ':', '\\', 0};
    if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) unmapped = letter;
  }
  ASSERT_NE(0, unmapped);
  EXPECT_FALSE(Bool(L"IsDisketteReady", Args().Text(std::string(1, unmapped) + ":\\")));

  volumetest::SmallDrive small('S', 2048);
  if (!small.mounted()) GTEST_SKIP() << small.reason();
  EXPECT_FALSE(Bool(L"IsWriteable", Args().Text("S:\\BIG.ZIP").Long(3 << 20)));
  EXPECT_TRUE(Bool(L"IsWriteable", Args().Text("S:\\SMALL.ZIP").Long(100 << 10)));
}

TEST(VolumeScript, SplitsAndJoinsThroughTheProgId) {
  testutil::TempFolder work, volumes, joined;
  const std::string archive = work / "DATA.ZIP";
  ASSERT_TRUE(CopyFileA((FixtureDir() + "plain.zip").c_str(), archive.c_str(), FALSE));
  auto quotable = [](const testutil::TempFolder& folder) {
    std::string path = folder.path();
    path.pop_back();  // "C:\x\" would escape its closing quote
    return path;
  };
  const ULONGLONG size = testutil::FileBytes(archive).size();
  const char last = static_cast<char>('0' + (size - 1) / 3000);
  ASSERT_LE(last, '9');
  const std::string first = volumes.path() + "DATA.0_" + last;
  const std::string script = controltest::ControlSourceDir() + "split_join.vbs";
  const testutil::ProgramRun run = testutil::RunCaptured(
      "cscript.exe //nologo \"" + script + "\" \"" + archive + "\" \"" + quotable(volumes) +
      "\" \"" + quotable(joined) + "\" \"" + first + "\"");
  EXPECT_EQ(0u, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("Split=0 Join=0")) << run.output;
  EXPECT_TRUE(testutil::FileBytes(joined / "DATA.ZIP") == testutil::FileBytes(archive));
  EXPECT_GE(testutil::FolderNames(volumes.path()).size(), 2u);
}

// ---- hosted: events in the background, none in the foreground, refusal from a handler ----------

class HostedVolumes : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
    ASSERT_NO_FATAL_FAILURE(host_.Create());
  }
  std::vector<DISPID> Ids() const {
    std::vector<DISPID> ids;
    for (const auto& r : host_.sink.records) ids.push_back(r.id);
    return ids;
  }
  size_t Count(DISPID id) const {
    size_t count = 0;
    for (const auto& r : host_.sink.records) count += r.id == id ? 1 : 0;
    return count;
  }
  controltest::HostedControl host_;
};

TEST_F(HostedVolumes, SplitAndJoinEvents) {
  testutil::TempFolder work, volumes, joined, quiet;
  const std::string archive = work / "DATA.ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(archive, Noise(20000, 2)));
  EXPECT_EQ(0, host_.CallShort(L"Split", SplitArgs(archive, quiet.path(), 10000, 10000)));
  EXPECT_EQ(0, host_.CallShort(L"Join", JoinArgs(quiet / "DATA.0_1", quiet.path())));
  EXPECT_TRUE(host_.sink.records.empty()) << controltest::DescribeEvents(host_.sink.records);

  EXPECT_EQ(0, host_.CallShort(L"Split", SplitArgs(archive, volumes.path(), 10000, 10000, true)));
  EXPECT_EQ(2u, Count(kSplitted)) << controltest::DescribeEvents(host_.sink.records);
  EXPECT_GE(Count(kSplitting), 2u);
  host_.sink.records.clear();
  EXPECT_EQ(0, host_.CallShort(L"Join", JoinArgs(volumes / "DATA.1_1", joined.path(), true)));
  const std::vector<DISPID> ids = Ids();
  ASSERT_GE(ids.size(), 3u) << controltest::DescribeEvents(host_.sink.records);
  EXPECT_EQ(kJoinDoneName, ids[ids.size() - 2]);
  EXPECT_EQ(kJoinDoneSize, ids.back());
  EXPECT_EQ(ids.size() - 2, Count(kJoining)) << "nothing for the volume message";
  EXPECT_EQ(L"20000", host_.sink.records.back().args.at(0));
}

TEST_F(HostedVolumes, BackupRestoreAndMakeExeEvents) {
  testutil::TempFolder work, volumes, restored;
  MakeTree(work);
  EXPECT_EQ(0, host_.CallShort(L"Backup", BackupArgs(work / "src\\*.*", volumes.path(), true)));
  EXPECT_EQ(1u, Count(kBackupBuildZip)) << controltest::DescribeEvents(host_.sink.records);
  EXPECT_EQ(1u, Count(kBackupZipDone));
  EXPECT_EQ(1u, Count(kSplitted));
  host_.sink.records.clear();
  EXPECT_EQ(0, host_.CallShort(L"Restore", RestoreArgs(volumes.path(), restored.path(), true)));
  EXPECT_EQ(1u, Count(kRestoreBuildZip)) << controltest::DescribeEvents(host_.sink.records);
  EXPECT_EQ(1u, Count(kRestoreZipDone));
  EXPECT_EQ(1u, Count(kJoinDoneName));

  StubInControlFolder stub;
  const std::string archive = work / "PLAIN.ZIP";
  ASSERT_TRUE(CopyFileA((FixtureDir() + "plain.zip").c_str(), archive.c_str(), FALSE));
  host_.sink.records.clear();
  EXPECT_EQ(0, host_.CallShort(L"MakeEXEFile", MakeExeArgs(archive, "QUIET.EXE")));
  EXPECT_TRUE(host_.sink.records.empty());
  EXPECT_EQ(0, host_.CallShort(L"MakeEXEFile", MakeExeArgs(archive, "NOISY.EXE", true)));
  const auto& records = host_.sink.records;
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(kMakeExeStep1, records.front().id);
  EXPECT_EQ(1u, Count(kMakeExeStep1));
  EXPECT_EQ(kMakeExeStep2, records.back().id);
  EXPECT_EQ(L"100", records.back().args.at(0));
}

TEST_F(HostedVolumes, AnOperationStartedFromAnEventHandlerIsRefused) {
  testutil::TempFolder work, volumes, other;
  const std::string archive = work / "DATA.ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(archive, Noise(20000, 4)));
  std::vector<short> nested;
  std::vector<bool> drives;
  host_.sink.onEvent = [&](const controltest::EventRecord& r) {
    if (r.id != kSplitted || !nested.empty()) return;
    nested.push_back(host_.CallShort(L"Split", SplitArgs(archive, other.path(), 10000, 10000)));
    nested.push_back(host_.CallShort(L"MakeEXEFile", MakeExeArgs(archive, "")));
    nested.push_back(host_.CallShort(L"Join", JoinArgs(volumes / "DATA.0_1", other.path())));
    nested.push_back(host_.CallShort(L"Restore", RestoreArgs(volumes.path(), other.path())));
    nested.push_back(host_.CallShort(L"Backup", BackupArgs(work / "*.*", other.path())));
    drives.push_back(host_.calls().Bool(L"IsDisketteReady", Args().Text("C:\\")));
    drives.push_back(host_.calls().Bool(L"IsDriveWriteable", Args().Text("C:\\")));
    drives.push_back(host_.calls().Bool(L"IsWriteable", Args().Text("C:\\X").Long(1)));
  };
  EXPECT_EQ(0, host_.CallShort(L"Split", SplitArgs(archive, volumes.path(), 10000, 10000, true)));
  host_.sink.onEvent = nullptr;
  EXPECT_EQ((std::vector<short>{18, 18, 18, 18, 18}), nested);
  EXPECT_EQ((std::vector<bool>{false, false, false}), drives);
  EXPECT_TRUE(testutil::FolderNames(other.path()).empty());
}

}  // namespace
