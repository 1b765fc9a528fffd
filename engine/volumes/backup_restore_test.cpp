// Backup and restore: a folder tree and a drive's root backed up to a folder and restored into an
// empty folder (same names, bytes and times), the backup archive and the joined archive gone every
// time, and each result code of both.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/progress_messages.h"
#include "files/drive_checks.h"
#include "reading/czunzip.h"
#include "volumes/volume_operations.h"
#include "volumes/volumes_test_support.h"
#include "win_test_util.h"
#include "writing/czzip.h"
#include "writing/zip_writer_test_support.h"

namespace {

using volumetest::Exists;

struct FileState {
  std::vector<uint8_t> bytes;
  FILETIME time;
};

// Every file below folder (ending in '\') by its path relative to it, upper case.
void Collect(const std::string& folder, const std::string& prefix,
             std::map<std::string, FileState>* out) {
  for (const std::string& name : testutil::FolderNames(folder)) {
    const std::string path = folder + name;
    std::string key = prefix + name;  // ANSI names: upper case in the ANSI code page
    CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
      Collect(path + "\\", key + "\\", out);
    } else {
      (*out)[key] = FileState{testutil::FileBytes(path), volumetest::ModTime(path)};
    }
  }
}

std::map<std::string, FileState> Tree(const std::string& folder) {
  std::map<std::string, FileState> out;
  Collect(folder, "", &out);
  return out;
}

void ExpectSameTree(const std::map<std::string, FileState>& a,
                    const std::map<std::string, FileState>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, state] : a) {
    const auto other = b.find(name);
    ASSERT_NE(other, b.end()) << name;
    EXPECT_EQ(other->second.bytes, state.bytes) << name;
    // ZIP keeps times to two seconds.
    const auto ticks = [](const FILETIME& t) {
      return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const ULONGLONG x = ticks(state.time), y = ticks(other->second.time);
    EXPECT_LE((x > y ? x - y : y - x), 20000000ull) << name;
  }
}

class BackupRestore : public ::testing::Test {
 protected:
  void SetUp() override {
    // Names in the ANSI code page (caf\xE9, Gr\xFC\xDF e) that the OEM one holds too.
    ASSERT_TRUE(CreateDirectoryA((tree / "Gr\xFC\xDF"
                                         "e")
                                     .c_str(),
                                 nullptr));
    ASSERT_TRUE(testutil::WriteWholeFile(tree / "caf\xE9.txt",
                                         std::string("un caf\xE9\n") + std::string(5000, 'c')));
    ASSERT_TRUE(testutil::WriteWholeFile(tree / "Gr\xFC\xDF"
                                                "e\\brief.txt",
                                         std::string(3000, 'g')));
    ASSERT_TRUE(testutil::WriteWholeFile(tree / "noise.bin", writertest::RandomBytes(70000, 1)));
    volumetest::SetModTime(tree / "caf\xE9.txt", 1200000000);
    volumetest::SetModTime(tree / "noise.bin", 1250000000);
  }
  std::string Mask() { return tree.path() + "*.*"; }
  int Backup(const std::string& destination, BOOL force = FALSE, HWND window = nullptr) {
    return volumes::BackupToDiskettes(zip, Mask().c_str(), destination.c_str(), TRUE, window,
                                      "Disk %1", "Insert disk %1 of %2", force);
  }
  int Restore(const std::string& from, const std::string& into, BOOL dialog = FALSE,
              HWND window = nullptr) {
    reader.SetAskPassword(FALSE);  // P0: every archive operation sets it back
    return volumes::RestoreBackupSet(reader, window, from.c_str(), into.c_str(), 1, dialog,
                                     "Disk %1", "Insert disk %1 of %2");
  }
  // The name of the tree's folder, upper case, with ".ZIP": the backup archive.
  std::string BackupArchive() {
    std::string folder = tree.path().substr(0, tree.path().size() - 1);
    CZText name(folder.substr(folder.rfind('\\') + 1) + ".ZIP");
    name.MakeUpper();
    return tree.path() + name.str();
  }

  testutil::TempFolder tree, volumes, restored;
  CZZip zip;
  CZUnzip reader;
};

TEST_F(BackupRestore, AFolderTreeComesBackWithAndWithoutTheChooser) {
  const auto original = Tree(tree.path());
  std::vector<std::pair<UINT, std::string>> seen;
  testutil::MessageWindow window([&](UINT message, WPARAM, const char* text) {
    if (message == progress::kBackupBuildZip || message == progress::kRestoreBuildZip) {
      seen.emplace_back(message, text != nullptr ? text : "");
    } else if (message == progress::kBackupZipDone || message == progress::kRestoreZipDone) {
      seen.emplace_back(message, std::to_string(reinterpret_cast<LPARAM>(text)));
    }
  });
  ASSERT_EQ(Backup(volumes.path(), TRUE, window.get()), kBackupDone);
  EXPECT_FALSE(Exists(BackupArchive())) << "the backup archive is deleted";
  const std::vector<std::string> sets = testutil::FolderNames(volumes.path(), true);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].substr(sets[0].size() - 4), ".0_0");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, progress::kBackupBuildZip);
  CZText archiveName(BackupArchive());
  EXPECT_EQ(CZText(seen[0].second.c_str()).CompareNoCase(archiveName), 0) << seen[0].second;
  EXPECT_EQ(seen[1].first, progress::kBackupZipDone);
  EXPECT_EQ(seen[1].second, std::to_string(testutil::FileBytes(volumes / sets[0]).size()));

  // Without the chooser: the first set found.
  seen.clear();
  ASSERT_EQ(Restore(volumes.path(), restored.path(), FALSE, window.get()), kRestoreDone);
  ExpectSameTree(original, Tree(restored.path()));
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, progress::kRestoreBuildZip);
  EXPECT_EQ(seen[1].first, progress::kRestoreZipDone);

  // With the chooser: the chosen set, into a second empty folder.
  volumetest::ScriptedDiskPrompts prompts;
  prompts.choice = EnginePrompts::BackupSetChoice::kChosen;
  prompts.chosenSet = volumes / sets[0];
  testutil::TempFolder second;
  ASSERT_EQ(Restore(volumes.path(), second.path(), TRUE), kRestoreDone);
  EXPECT_EQ(prompts.chooserAsks, 1);
  EXPECT_EQ(prompts.chooserPattern, volumes.path() + "*.0_?");
  ExpectSameTree(original, Tree(second.path()));
}

TEST_F(BackupRestore, ADriveRootBecomesDRIVE_x) {
  if (GetDriveTypeA("R:\\") == DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "drive R: is not mapped";
  testutil::TempFolder none;
  for (const std::string& name : testutil::FolderNames("R:\\")) {
    testutil::RemoveTree("R:\\" + name);
    DeleteFileA(("R:\\" + name).c_str());
  }
  ASSERT_TRUE(testutil::WriteWholeFile("R:\\root.txt", std::string("on the root\n")));
  ASSERT_TRUE(CreateDirectoryA("R:\\Sub", nullptr));
  ASSERT_TRUE(testutil::WriteWholeFile("R:\\Sub\\inner.bin", writertest::RandomBytes(9000, 7)));
  const auto original = Tree("R:\\");
  ASSERT_EQ(volumes::BackupToDiskettes(zip, "R:\\*.*", volumes.path().c_str(), TRUE, nullptr, "t",
                                       "m", FALSE),
            kBackupDone);
  EXPECT_EQ(testutil::FolderNames(volumes.path(), true), std::vector<std::string>{"DRIVE_R.0_0"});
  EXPECT_FALSE(Exists("R:\\DRIVE_R.ZIP"));
  ASSERT_EQ(Restore(volumes.path(), restored.path()), kRestoreDone);
  ExpectSameTree(original, Tree(restored.path()));
  testutil::RemoveTree("R:\\Sub");
  DeleteFileA("R:\\root.txt");
}

TEST_F(BackupRestore, BackupCodes) {
  // A non-empty destination with a single backup forced.
  ASSERT_TRUE(testutil::WriteWholeFile(volumes / "old.txt", std::string("x")));
  EXPECT_EQ(Backup(volumes.path(), TRUE), kBackupNotEmpty);
  DeleteFileA((volumes / "old.txt").c_str());
  // A CD-ROM destination, and a protected diskette.
  if (GetDriveTypeA("M:\\") == DRIVE_CDROM) {
    EXPECT_EQ(Backup("M:\\"), kBackupReadOnlyDestination);
  }
  {
    ScopedSimulatedDrives drives;
    drives.MakeWriteProtectedDiskette(volumes.path()[0]);
    EXPECT_EQ(Backup(volumes.path()), kBackupReadOnlyDestination);
  }
  // No room on the destination: the volume size is 0 or below and the split's refusal gives 44.
  if (GetDriveTypeA("S:\\") != DRIVE_NO_ROOT_DIR) {
    ScopedSimulatedDrives drives;
    drives.MakeFull('S');
    EXPECT_EQ(Backup("S:\\"), kBackupSplitFailed + int{kSplitRefused});
    EXPECT_FALSE(Exists(BackupArchive()));
  }
  // Nothing to compress: ZipFiles' 6 becomes 16.
  testutil::TempFolder empty;
  EXPECT_EQ(volumes::BackupToDiskettes(zip, (empty.path() + "*.*").c_str(), volumes.path().c_str(),
                                       TRUE, nullptr, "t", "m", FALSE),
            kBackupZipFailed + int{kWriterNothingToDo});
  EXPECT_TRUE(testutil::FolderNames(empty.path()).empty()) << "no backup archive left";

  // A locked file: the others are backed up and the result is 6.
  const std::string locked = tree / "noise.bin";
  HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Backup(volumes.path()), kBackupDoneWithDenied);
  EXPECT_FALSE(Exists(BackupArchive()));
  EXPECT_EQ(testutil::FolderNames(volumes.path()).size(), 1u);
  CloseHandle(lock);

  // Only locked files: no usable archive, 5.
  testutil::TempFolder lone;
  ASSERT_TRUE(testutil::WriteWholeFile(lone / "only.bin", std::string("locked")));
  lock =
      CreateFileA((lone / "only.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  testutil::TempFolder loneVolumes;
  EXPECT_EQ(volumes::BackupToDiskettes(zip, (lone.path() + "*.*").c_str(),
                                       loneVolumes.path().c_str(), TRUE, nullptr, "t", "m", FALSE),
            kBackupDeniedNoArchive);
  CloseHandle(lock);
  EXPECT_EQ(testutil::FolderNames(lone.path()), std::vector<std::string>{"only.bin"});
  EXPECT_TRUE(testutil::FolderNames(loneVolumes.path()).empty());

  // Old volumes of the same name are deleted before the new set is written.
  ASSERT_TRUE(testutil::WriteWholeFile(volumes / "stale.txt", std::string("x")));
  std::string base = BackupArchive().substr(tree.path().size());
  base.resize(base.size() - 4);
  ASSERT_TRUE(testutil::WriteWholeFile(volumes / (base + ".3_5"), std::string("old volume")));
  EXPECT_EQ(Backup(volumes.path()), kBackupDone);
  EXPECT_FALSE(Exists(volumes / (base + ".3_5")));
  EXPECT_TRUE(Exists(volumes / "stale.txt"));
}

TEST_F(BackupRestore, RestoreCodes) {
  volumetest::ScriptedDiskPrompts prompts;
  testutil::TempFolder noSets;
  EXPECT_EQ(Restore(noSets.path(), restored.path()), kRestoreNoBackupSet);

  ASSERT_EQ(Backup(volumes.path()), kBackupDone);
  prompts.choice = EnginePrompts::BackupSetChoice::kCancelled;
  EXPECT_EQ(Restore(volumes.path(), restored.path(), TRUE), kRestoreCancelled);
  prompts.choice = EnginePrompts::BackupSetChoice::kUnavailable;
  EXPECT_EQ(Restore(volumes.path(), restored.path(), TRUE), kRestoreNoChooser);
  EXPECT_TRUE(testutil::FolderNames(restored.path()).empty());

  // An existing joined name: Restore takes another unused one, and deletes it again.
  std::string set = testutil::FolderNames(volumes.path(), true)[0];
  const std::string joinedName = set.substr(0, set.size() - 4) + ".ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(restored / joinedName, std::string("in the way")));
  EXPECT_EQ(Restore(volumes.path(), restored.path()), kRestoreDone);
  EXPECT_EQ(testutil::FileBytes(restored / joinedName), writertest::Text("in the way"));
  EXPECT_EQ(testutil::FolderNames(restored.path()).size(), 4u)
      << "the tree and the file in the way";

  // A set whose second volume is missing: the disk prompt's No gives 10 + 5.
  testutil::TempFolder twoVolumes, into;
  CZZip splitter;
  const std::string archive = volumetest::FixtureDir() + "plain.zip";
  ASSERT_EQ(volumes::SplitArchive(splitter, nullptr, archive.c_str(), twoVolumes.path().c_str(),
                                  1000, 100000, "t", "m"),
            kSplitDone);
  DeleteFileA((twoVolumes / "PLAIN.1_1").c_str());
  EXPECT_EQ(Restore(twoVolumes.path(), into.path()), kRestoreJoinFailed + int{kJoinDiskRefused});
  EXPECT_EQ(prompts.texts.back(), "Insert disk 2 of 2");
  EXPECT_TRUE(testutil::FolderNames(into.path()).empty()) << "the partial archive is deleted";

  // A damaged entry: 40 + the extraction's 5; an encrypted entry skipped without asking: 41.
  struct Damaged {
    const char* name;
    std::string archive;
    bool flip;
    int expected;
  } cases[] = {
      {"flipped byte", volumetest::FixtureDir() + "plain.zip", true, kRestoreExtractFailed + 5},
      {"encrypted", volumetest::FixtureDir() + "piped_secret.zip", false,
       kRestoreExtractFailed + 1},
  };
  for (const Damaged& c : cases) {
    SCOPED_TRACE(c.name);
    testutil::TempFolder work, set2, out;
    std::vector<uint8_t> bytes = testutil::FileBytes(c.archive);
    if (c.flip) {
      const writertest::Layout layout = writertest::Parse(bytes);
      ASSERT_TRUE(layout.error.empty());
      const writertest::Item* victim = nullptr;
      for (const writertest::Item& item : layout.items) {
        if (item.data.size() > 100) victim = &item;
      }
      ASSERT_NE(victim, nullptr);
      const size_t at =
          victim->offset + 30 + victim->local.name.size() + victim->local.extra.size() + 50;
      bytes[at] ^= 0x40;
    }
    ASSERT_TRUE(testutil::WriteWholeFile(work / "SET.ZIP", bytes));
    ASSERT_EQ(volumes::SplitArchive(splitter, nullptr, (work / "SET.ZIP").c_str(),
                                    set2.path().c_str(), 100000, 100000, "t", "m"),
              kSplitDone);
    const int asked = prompts.passwordAsks;
    EXPECT_EQ(Restore(set2.path(), out.path()), c.expected);
    EXPECT_EQ(prompts.passwordAsks, asked) << "no password prompt";
    EXPECT_FALSE(Exists(out / "SET.ZIP")) << "the joined archive is deleted";
  }
}

}  // namespace
